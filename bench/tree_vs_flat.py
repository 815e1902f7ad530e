#!/usr/bin/env python3
"""velmora-cli list -r over a tree of album folders against list of the same files in one folder:
FILES files, each with a 1 KiB ID3v2.3 tag and 90% with a trailer (as cli_vs_floor.py makes them),
once in one folder and once as hard links in FOLDERS folders (the same inodes, so the same page
cache), each command run in turn ROUNDS rounds after a warm-up; the median wall and processor
time, the largest resident set, and the ratio of the tree to the flat folder.

    bench/tree_vs_flat.py [--rounds N] [--files N] [--folders N] [--text] BUILD"""
import argparse, os, resource, shutil, statistics, subprocess, sys, tempfile, time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cli_vs_floor import generate, load  # noqa: E402


def run(command, env):
    start = time.perf_counter()
    process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        raise SystemExit('%s failed with status %d' % (' '.join(command), status))
    return wall * 1000, (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_maxrss / 1024, load()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('build')
    parser.add_argument('--rounds', type=int, default=9)
    parser.add_argument('--files', type=int, default=100000)
    parser.add_argument('--folders', type=int, default=1000)
    parser.add_argument('--text', action='store_true', help='the text listing instead of --json')
    args = parser.parse_args()
    cli = os.path.join(args.build, 'velmora-cli')
    work = tempfile.mkdtemp(prefix='velmora-tree-bench-')
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, 'config'), XDG_STATE_HOME=os.path.join(work, 'state'))
    try:
        flat = os.path.join(work, 'flat')
        generate(flat, args.files, True)
        tree = os.path.join(work, 'tree')
        os.mkdir(tree)
        names = sorted(n for n in os.listdir(flat) if n.endswith('.mp3'))
        per = (len(names) + args.folders - 1) // args.folders
        for f in range(args.folders):
            album = os.path.join(tree, 'Album %04d' % f)
            os.mkdir(album)
            for name in names[f * per:(f + 1) * per]:
                os.link(os.path.join(flat, name), os.path.join(album, name))
        json = [] if args.text else ['--json']
        commands = [('list one folder', [cli, 'list'] + json + [flat]),
                    ('list -r, %d folders' % args.folders, [cli, 'list', '-r'] + json + [tree])]
        for _, command in commands:
            run(command, env)
        results = {name: [] for name, _ in commands}
        for _ in range(args.rounds):
            for name, command in commands:
                results[name].append(run(command, env))
        print('%d files%s, %d rounds' % (args.files, '' if args.text else ', --json', args.rounds))
        print('%-28s %10s %10s %10s %12s' % ('command', 'wall ms', 'cpu ms', 'max RSS MB', 'load'))
        medians = []
        for name, runs in results.items():
            loads = [r[3] for r in runs]
            medians.append(statistics.median(r[0] for r in runs))
            print('%-28s %10.1f %10.1f %10.1f %5.1f-%-5.1f' % (name, medians[-1], statistics.median(r[1] for r in runs),
                                                              max(r[2] for r in runs), min(loads), max(loads)))
        print('tree / flat: %.2fx' % (medians[1] / medians[0]))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
