#!/usr/bin/env python3
"""The long loops of the journal of saves, too long for the test suite (tst_cli_journal runs a
sample of each):

1. SIGKILL at a random moment of `velmora-cli set`, `rename`, `undo` and `undo --batch` (until 200
   kills each, by default, found the command still running) on a folder of 12 files (tagged, untagged, read-only), then the next start: every
   file must be whole, in its old or its new state, under one name, with its mode; then undoing
   what was finished must give back every file byte for byte, name and mode.
2. SIGKILL injected by strace at every call that writes (every pwrite64 of the WAL included) of
   one save of a read-only file and of its undo, checked the same way.
3. Two, four and eight `set` processes at once on different folders, 50 rounds: every change its
   own id, every file listed once per round, and `undo --batch` of each batch gives back the bytes.

Usage: bench/journal_kills.py [BUILD_DIR] [--trials N] [--rounds N] [--seed N]
Prints, per loop, the trials, the failures and the files lost; exits 1 on any failure.
"""

import argparse
import json
import os
import random
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time

WRITING_CALLS = "pwrite64,write,fsync,fdatasync,ftruncate,fchmod,renameat2,linkat,unlinkat,flock"


def trailer(title, artist=b"Red Kettle"):
    fields = b"TAG" + title.ljust(30, b" ")[:30] + artist.ljust(30, b" ")[:30] + b"Album".ljust(30)
    return fields + b"2001" + b"".ljust(30) + bytes([17])


def make_files(folder, count=12):
    for i in range(count):
        path = os.path.join(folder, "%02d song.mp3" % i)
        body = bytes([0xFF, 0xFB]) + bytes((i * 7 + k) % 200 + 20 for k in range(3000))
        with open(path, "wb") as f:
            f.write(body if i % 4 == 1 else body + trailer(b"Song %d" % i))
        if i % 4 == 2:
            os.chmod(path, 0o444)


def snapshot(folder):
    files = {}
    for name in sorted(os.listdir(folder)):
        path = os.path.join(folder, name)
        st = os.lstat(path)
        if stat.S_ISDIR(st.st_mode):
            continue
        with open(path, "rb") as f:
            files[name] = (f.read(), stat.S_IMODE(st.st_mode))
    return files


class Cli:
    def __init__(self, build):
        self.program = os.path.join(build, "velmora-cli")

    def env(self, state):
        env = dict(os.environ)
        env["XDG_STATE_HOME"] = state
        env.pop("VELMORA_TEST_STOP_AT", None)
        return env

    def run(self, args, cwd, state):
        return subprocess.run([self.program] + args, cwd=cwd, env=self.env(state), capture_output=True)

    def start(self, args, cwd, state):
        return subprocess.Popen([self.program] + args, cwd=cwd, env=self.env(state),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def traced(self, args, cwd, state, inject=None, trace=None):
        options = ["strace", "-f", "-qq"]
        options += ["-o", trace] if trace else ["-o", "/dev/null"]
        options += ["-e", "trace=" + WRITING_CALLS] if trace else []
        options += ["-e", "inject=" + inject] if inject else []
        return subprocess.run(options + ["--", self.program] + args, cwd=cwd, env=self.env(state),
                              capture_output=True)


KINDS = {
    # command, preparation
    "set": (["set", ".", "--artist", "Blue Kettle", "--year", "1999"], []),
    "rename": (["rename", "."], [["set", ".", "--artist", "Blue Kettle"]]),
    "undo": (["undo"], [["set", ".", "--artist", "Blue Kettle"], ["rename", "."]]),
    "undo --batch": (["undo", "--batch"], [["set", ".", "--artist", "Blue Kettle"], ["rename", "."]]),
}


class Outcome:
    def __init__(self):
        self.trials = self.failures = self.lost = 0
        self.killed = 0  # trials whose process the kill found still running
        self.notes = []

    def fail(self, text, lost=0):
        self.failures += 1
        self.lost += lost
        if len(self.notes) < 5:
            self.notes.append(text)


def whole_states(cli, prepare, command):
    """The (name, bytes, mode) a whole file may have: before, after each preparation, after the
    command, made on a copy run to the end."""
    with tempfile.TemporaryDirectory() as top:
        folder, state = os.path.join(top, "m"), os.path.join(top, "s")
        os.mkdir(folder)
        make_files(folder)
        allowed = set((n, b, m) for n, (b, m) in snapshot(folder).items())
        for step in prepare + [command]:
            cli.run(step, folder, state)
            allowed |= set((n, b, m) for n, (b, m) in snapshot(folder).items())
        return allowed


def check_after_kill(cli, folder, state, before, allowed, outcome, label):
    restart = cli.run(["history"], folder, state)
    now = snapshot(folder)
    problems = [n for n, (b, m) in now.items() if (n, b, m) not in allowed]
    if restart.returncode != 0 or problems or len(now) != len(before):
        lost = sum(1 for b, _ in before.values() if b not in [x for x, _ in now.values()])
        outcome.fail("%s: restart %d, not whole: %s, %d files of %d; %s" % (
            label, restart.returncode, problems[:3], len(now), len(before), restart.stderr.decode()[:300]), lost)
        return
    for _ in range(8):
        if snapshot(folder) == before:
            return
        cli.run(["undo", "--batch"], folder, state)
    after = snapshot(folder)
    if after != before:
        lost = sum(1 for b, _ in before.values() if b not in [x for x, _ in after.values()])
        outcome.fail("%s: undo did not give everything back" % label, lost)


def random_kills(cli, kind, trials, rng):
    command, prepare = KINDS[kind]
    allowed = whole_states(cli, prepare, command)
    outcome = Outcome()
    # How long the command takes here, so that the kills fall inside it.
    with tempfile.TemporaryDirectory() as top:
        folder, state = os.path.join(top, "m"), os.path.join(top, "s")
        os.mkdir(folder)
        make_files(folder)
        for step in prepare:
            cli.run(step, folder, state)
        started = time.monotonic()
        cli.run(command, folder, state)
        span = (time.monotonic() - started) * 1.2
    # Until trials kills found the command still running (the others came after its end).
    trial = 0
    while outcome.killed < trials and trial < 4 * trials:
        trial += 1
        with tempfile.TemporaryDirectory() as top:
            folder, state = os.path.join(top, "m"), os.path.join(top, "s")
            os.mkdir(folder)
            make_files(folder)
            before = snapshot(folder)
            for step in prepare:
                cli.run(step, folder, state)
            process = cli.start(command, folder, state)
            time.sleep(rng.uniform(0, span))
            process.send_signal(signal.SIGKILL)
            outcome.killed += process.wait() == -signal.SIGKILL
            outcome.trials += 1
            check_after_kill(cli, folder, state, before, allowed, outcome, "%s trial %d" % (kind, trial))
    return outcome


def every_call(cli, command, prepare):
    allowed = whole_states(cli, prepare, command)
    outcome = Outcome()
    with tempfile.TemporaryDirectory() as top:
        folder, state, primer = os.path.join(top, "m"), os.path.join(top, "s"), os.path.join(top, "p")
        os.mkdir(folder)
        os.mkdir(primer)
        make_files(folder)
        make_files(primer)
        cli.run(["set", "02 song.mp3", "--title", "Primer"], primer, state)
        for step in prepare:
            cli.run(step, folder, state)
        trace = os.path.join(top, "trace")
        cli.traced(command, folder, state, trace=trace)
        counts = {}
        with open(trace) as f:
            for line in f:
                call = line.split(" ", 1)[1].strip().split("(", 1)[0] if " " in line else ""
                if call and " " not in call:
                    counts[call] = counts.get(call, 0) + 1
    for call, count in sorted(counts.items()):
        for n in range(1, count + 1):
            with tempfile.TemporaryDirectory() as top:
                folder, state, primer = os.path.join(top, "m"), os.path.join(top, "s"), os.path.join(top, "p")
                os.mkdir(folder)
                os.mkdir(primer)
                make_files(folder)
                make_files(primer)
                before = snapshot(folder)
                cli.run(["set", "02 song.mp3", "--title", "Primer"], primer, state)
                for step in prepare:
                    cli.run(step, folder, state)
                killed = cli.traced(command, folder, state, inject="%s:signal=SIGKILL:when=%d" % (call, n))
                outcome.killed += killed.returncode != 0
                outcome.trials += 1
                check_after_kill(cli, folder, state, before, allowed, outcome, "%s %s #%d" % (" ".join(command), call, n))
    return outcome


def at_once(cli, processes, rounds):
    outcome = Outcome()
    with tempfile.TemporaryDirectory() as top:
        state = os.path.join(top, "s")
        folders = []
        for p in range(processes):
            folder = os.path.join(top, "m%d" % p)
            os.mkdir(folder)
            make_files(folder, 6)
            folders.append(folder)
        before = [snapshot(f) for f in folders]
        for r in range(rounds):
            running = [cli.start(["set", ".", "--title", "Round %d" % r], f, state) for f in folders]
            codes = [p.wait() for p in running]
            if any(codes):
                outcome.fail("round %d: exit statuses %s" % (r, codes))
        changes = json.loads(cli.run(["history", "--json"], top, state).stdout)
        ids = [c["id"] for c in changes]
        listed = {}
        for c in changes:
            key = (c["folder"], c["old_name"])
            listed[key] = listed.get(key, 0) + 1
        outcome.trials = rounds
        if len(set(ids)) != len(ids) or len(ids) != processes * 6 * rounds:
            outcome.fail("%d changes, %d distinct ids, %d expected" % (len(ids), len(set(ids)), processes * 6 * rounds))
        if any(n != rounds for n in listed.values()) or len(listed) != processes * 6:
            outcome.fail("files not listed once per round")
        for _ in range(processes * rounds):
            cli.run(["undo", "--batch"], top, state)
        for f, b in zip(folders, before):
            if snapshot(f) != b:
                outcome.fail("undo --batch did not give %s back" % f, sum(1 for n in b if snapshot(f).get(n) != b[n]))
    return outcome


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "build"))
    parser.add_argument("--trials", type=int, default=200)
    parser.add_argument("--rounds", type=int, default=50)
    parser.add_argument("--seed", type=int, default=27)
    args = parser.parse_args()
    if not shutil.which("strace"):
        sys.exit("strace is needed (scripts/install-deps.sh installs it)")
    cli = Cli(os.path.abspath(args.build))
    rng = random.Random(args.seed)
    results = []
    for kind in KINDS:
        results.append(("random kill, " + kind, random_kills(cli, kind, args.trials, rng)))
    results.append(("every writing call, set", every_call(cli, ["set", "02 song.mp3", "--artist", "Blue Kettle"], [])))
    results.append(("every writing call, undo", every_call(cli, ["undo"], [["set", "02 song.mp3", "--artist", "Blue Kettle"]])))
    for n in (2, 4, 8):
        results.append(("%d processes at once" % n, at_once(cli, n, args.rounds)))
    failed = False
    print("%-28s %7s %7s %9s %11s" % ("loop", "trials", "killed", "failures", "files lost"))
    for name, o in results:
        print("%-28s %7d %7d %9d %11d" % (name, o.trials, o.killed, o.failures, o.lost))
        for note in o.notes:
            print("    " + note)
        failed = failed or o.failures > 0
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
