#!/usr/bin/env python3
"""Saves of a whole folder side by side, whole processes, each run in turn, ROUNDS rounds, so that the
load of a shared machine falls on all alike: id3tool -a (the album of every file, no journal, no
flush), velmora-cli set --album (the same change, journal on), the undo --batch of that set, a
folder job (from-names: title, artist and track from each name) and its undo. Before each save
every trailer is put back as generated and the journal starts empty, so that each run writes every
file; an undo runs right after its save. Prints the median wall and processor time of each, the
ratio to id3tool and to set, and the load average (1 minute) seen at the runs.

    bench/jobs_vs_set.py [--rounds N] [--files N] BUILD"""
import argparse, os, shutil, statistics, sys, tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cli_vs_floor import run  # noqa: E402  the same timing of a whole process


def old_trailer(i):
    def field(text, width):
        return text[:width].ljust(width, b' ')
    return (b'TAG' + field(b'Old title %d' % i, 30) + field(b'Old artist', 30) + field(b'Album', 30)
            + field(b'1999', 4) + field(b'generated', 30) + bytes([i % 130]))


def names(count):
    return ['%03d - Artist %d - Song number %d.mp3' % (i % 255 + 1, i % 97, i) for i in range(count)]


def generate(folder, count):
    os.mkdir(folder)
    for i, name in enumerate(names(count)):
        with open(os.path.join(folder, name), 'wb') as f:
            f.truncate(3_000_000 + (i * 7919) % 4_000_000)


def reset(folder, count):
    for i, name in enumerate(names(count)):
        with open(os.path.join(folder, name), 'r+b') as f:
            f.seek(-128, os.SEEK_END)
            f.write(old_trailer(i))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('build')
    parser.add_argument('--rounds', type=int, default=5)
    parser.add_argument('--files', type=int, default=10000)
    args = parser.parse_args()
    cli = os.path.join(args.build, 'velmora-cli')
    work = tempfile.mkdtemp(prefix='velmora-jobs-bench-')
    folder = os.path.join(work, 'album')
    try:
        generate(folder, args.files)
        id3tool = shutil.which('id3tool')
        listed = [os.path.join(folder, name) for name in names(args.files)]
        # (name, command, whether it starts from the generated trailers and an empty journal)
        commands = [('set --album', [cli, 'set', folder, '--album', 'Blue Album'], True),
                    ('undo --batch of set', [cli, 'undo', '--batch'], False),
                    ('from-names', [cli, 'from-names', '--pattern', '%n - %a - %t', folder], True),
                    ('undo --batch of from-names', [cli, 'undo', '--batch'], False)]
        if id3tool:
            commands.insert(0, ('id3tool -a', [id3tool, '-a', 'Blue Album'] + listed, True))
        results = {name: [] for name, _, _ in commands}
        state = os.path.join(work, 'state')
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, 'config'), XDG_STATE_HOME=state)
        for round in range(args.rounds + 1):  # the first round warms the page cache and is not counted
            for name, command, fresh in commands:
                if fresh:
                    reset(folder, args.files)
                    shutil.rmtree(state, ignore_errors=True)
                measured = run(command, env)
                if round:
                    results[name].append(measured)
        median = {name: statistics.median(r[0] for r in runs) for name, runs in results.items()}
        print('%d files, %d rounds' % (args.files, args.rounds))
        print('%-28s %10s %10s %10s %8s %12s' % ('command', 'wall ms', 'cpu ms', 'vs id3tool', 'vs set', 'load'))
        for name, runs in results.items():
            loads = [r[2] for r in runs]
            print('%-28s %10.1f %10.1f %10s %8.2f %5.1f-%-5.1f' % (
                name, median[name], statistics.median(r[1] for r in runs),
                '%.2f' % (median[name] / median['id3tool -a']) if 'id3tool -a' in median else '-',
                median[name] / median['set --album'], min(loads), max(loads)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
