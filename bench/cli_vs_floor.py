#!/usr/bin/env python3
"""Whole processes against the C floor: each command run in turn, ROUNDS rounds, so that the load of
a shared machine falls on all alike; the median wall and processor time of each, and the load
average (1 minute) seen at each run.

    bench/cli_vs_floor.py [--rounds N] [--files N ...] [--other NAME=VELMORA_CLI] [--unique-tags] BUILD

BUILD holds velmora-cli and bench/velmora-cfloor. The folders (sparse MP3-sized files, 90% with a
trailer, and the same with a 1 KiB ID3v2.3 tag of six frames at the start, as bench_scan makes
them; with --unique-tags also one whose ID3v2 frames differ in every file) are generated in a
temporary folder and removed at the end. id3tool is run when installed,
given the file names (the shell's listing not counted: in its favour). --other adds another
velmora-cli (say, a build of the version before) to the same rounds."""
import argparse, os, resource, shutil, statistics, subprocess, sys, tempfile, time


def trailer(i):
    def field(text, width):
        return text[:width].ljust(width, b' ')
    return (b'TAG' + field(b'Title number %d' % i, 30) + field(b'Artist %d' % (i % 97), 30)
            + field(b'Album %d' % (i % 13), 30) + field(b'%d' % (1960 + i % 60), 4)
            + field(b'generated', 30) + bytes([i % 130]))


def id3v2(i, unique=False):
    def frame(fid, contents):
        return fid + len(contents).to_bytes(4, 'big') + b'\0\0' + contents
    if unique:  # no frame the same in two files: nothing for the reader's memo of frames
        frames = (frame(b'TIT2', b'\0Title number %d' % i) + frame(b'TPE1', b'\0Artist %d' % i)
                  + frame(b'TALB', b'\0Album %d' % i) + frame(b'TYER', b'\0%d' % (1000 + i % 9000))
                  + frame(b'COMM', b'\0eng\0generated %d' % i) + frame(b'TCON', b'\0Genre %d' % i))
    else:
        frames = (frame(b'TIT2', b'\0Title number %d' % i) + frame(b'TPE1', b'\0Artist %d' % (i % 97))
                  + frame(b'TALB', b'\0Album %d' % (i % 13)) + frame(b'TYER', b'\0%d' % (1960 + i % 60))
                  + frame(b'COMM', b'\0eng\0generated') + frame(b'TCON', b'\0(%d)' % (i % 130)))
    return b'ID3\x03\x00\x00\x00\x00\x07\x76' + frames.ljust(1014, b'\0')


def generate(folder, count, with_id3v2, unique=False):
    os.mkdir(folder)
    for i in range(count):
        size = 3_000_000 + (i * 7919) % 4_000_000
        with open(os.path.join(folder, 'Track %06d - Generated Song.mp3' % i), 'wb') as f:
            f.truncate(size)
            if with_id3v2:
                f.write(id3v2(i, unique))
            if i % 10:
                f.seek(size - 128)
                f.write(trailer(i))
    for other in ('cover.jpg', 'playlist.m3u', 'notes.txt', 'folder.ini'):
        with open(os.path.join(folder, other), 'wb') as f:
            f.truncate(2048)


def load():
    with open('/proc/loadavg') as f:
        return float(f.read().split()[0])


def run(command, env):
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    subprocess.run(command, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall * 1000, cpu * 1000, load()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('build')
    parser.add_argument('--rounds', type=int, default=15)
    parser.add_argument('--files', type=int, nargs='+', default=[1000, 10000])
    parser.add_argument('--other', action='append', default=[])
    parser.add_argument('--unique-tags', action='store_true',
                        help='also folders whose ID3v2 frames differ in every file')
    args = parser.parse_args()
    clis = [('velmora-cli', os.path.join(args.build, 'velmora-cli'))]
    clis += [tuple(other.split('=', 1)) for other in args.other]
    cfloor = os.path.join(args.build, 'bench', 'velmora-cfloor')
    id3tool = shutil.which('id3tool')
    work = tempfile.mkdtemp(prefix='velmora-cli-bench-')
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, 'config'), XDG_STATE_HOME=os.path.join(work, 'state'))
    try:
        commands = []
        kinds = [(False, False), (True, False)] + ([(True, True)] if args.unique_tags else [])
        for count in args.files:
            for with_id3v2, unique in kinds:
                suffix = (' id3v2' if with_id3v2 else '') + (' unique' if unique else '')
                folder = os.path.join(work, 'files%d%s' % (count, suffix.replace(' ', '-')))
                generate(folder, count, with_id3v2, unique)
                tag = '%d%s' % (count, suffix)
                commands.append(('C floor, ' + tag, [cfloor, folder]))
                commands.append(('C floor + head, ' + tag, [cfloor, '--head', folder]))
                for name, cli in clis:
                    commands.append(('%s list, %s' % (name, tag), [cli, 'list', folder]))
                    commands.append(('%s list --json, %s' % (name, tag), [cli, 'list', '--json', folder]))
                if id3tool:
                    names = sorted(os.path.join(folder, n) for n in os.listdir(folder) if n.endswith('.mp3'))
                    commands.append(('id3tool, ' + tag, [id3tool] + names))
        for _, command in commands:  # warm: every file in the page cache, every program paged in
            run(command, env)
        results = {name: [] for name, _ in commands}
        for _ in range(args.rounds):
            for name, command in commands:
                results[name].append(run(command, env))
        print('%-44s %10s %10s %12s' % ('command', 'wall ms', 'cpu ms', 'load'))
        for name, runs in results.items():
            loads = [r[2] for r in runs]
            print('%-44s %10.1f %10.1f %5.1f-%-5.1f' % (name, statistics.median(r[0] for r in runs),
                                                         statistics.median(r[1] for r in runs), min(loads), max(loads)))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == '__main__':
    sys.exit(main())
