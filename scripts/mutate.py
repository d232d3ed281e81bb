#!/usr/bin/env python3
"""Plants the faults of scripts/mutants.tsv one at a time and tells which ones the tests catch.

Each fault replaces one line pattern (that must occur exactly once in its file). The file is
always restored from its original bytes afterwards, also on Ctrl+C or an error. Only what the
change touches is rebuilt (ninja in its own build folder), then the tests run, the fastest
first, stopping at the first failure.

  scripts/mutate.py                  every fault
  scripts/mutate.py ID [ID ...]      only these
  scripts/mutate.py --list           the faults and whether each pattern is still found
"""
import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TARGETS = ["src/all", "tools/loadbank-sim/all", "tests/all"]  # no benchmarks
SLOW_SECONDS = 1.0  # tests slower than this run after all the others


class Fault:
    def __init__(self, fields, line_no):
        self.id, self.file, self.pattern, self.replacement, self.what = fields
        self.line_no = line_no

    def matches(self):
        """How often the pattern occurs in its file (-1 when the file is gone)."""
        try:
            with open(os.path.join(ROOT, self.file), "rb") as f:
                return f.read().count(self.pattern.encode())
        except FileNotFoundError:
            return -1


def read_faults(path):
    faults = []
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 5:
                sys.exit(f"{path}:{n}: expected 5 TAB-separated fields, found {len(fields)}")
            faults.append(Fault(fields, n))
    ids = [f.id for f in faults]
    if len(ids) != len(set(ids)):
        sys.exit(f"{path}: fault ids must be unique")
    return faults


def run(cmd, log, timeout=None, env=None):
    """Runs cmd in its own process group, output to log; True when it succeeded, None on timeout."""
    log.write(f"$ {' '.join(cmd)}\n")
    log.flush()
    p = subprocess.Popen(cmd, cwd=ROOT, stdout=log, stderr=subprocess.STDOUT, env=env,
                         start_new_session=True)
    try:
        return p.wait(timeout=timeout) == 0
    except subprocess.TimeoutExpired:
        return None
    finally:
        if p.poll() is None:  # timeout, Ctrl+C or an error: nothing of the run may linger
            os.killpg(p.pid, signal.SIGKILL)
            p.wait()


class Runner:
    def __init__(self, args):
        self.args = args
        self.build = os.path.join(ROOT, args.build_dir)
        self.logs = os.path.join(self.build, "mutate-logs")
        self.env = dict(os.environ, QT_QPA_PLATFORM="offscreen", CCACHE_BASEDIR=os.path.dirname(ROOT))
        self.slow = []

    def configure(self):
        if os.path.exists(os.path.join(self.build, "build.ninja")):
            return
        cmd = ["cmake", "--preset", "default", "-B", self.build]
        if shutil.which("ccache"):
            cmd.append("-DCMAKE_CXX_COMPILER_LAUNCHER=ccache")
        with open(os.path.join(ROOT, ".mutate-configure.log"), "w") as log:
            ok = run(cmd, log, env=self.env)
        os.remove(os.path.join(ROOT, ".mutate-configure.log")) if ok else None
        if not ok:
            sys.exit("mutate: cmake configure failed (see .mutate-configure.log)")

    def compile(self, log):
        return run(["ninja", "-C", self.build, f"-j{self.args.jobs}"] + TARGETS, log, env=self.env)

    def tests(self, log):
        """True when every test passed, False when one failed, None when a run hung.

        A failing test is run again on its own, twice: a fault fails it every time, a test that
        depends on how busy the machine is passes. Such a failure is not counted (the stage is
        run once more), and a stage that keeps failing only so is "flaky"."""
        self.caught_by = ""
        base = ["ctest", "--test-dir", self.build, f"-j{self.args.test_jobs}", "--stop-on-failure",
                "--timeout", str(self.args.test_timeout), "--output-on-failure"]
        names = "|".join("^" + re.escape(n) + "$" for n in self.slow)
        stages = [base + ["-E", names], base + ["-R", names]] if self.slow else [base]
        if self.args.tests:  # only the tests a change is about
            stages = [base + ["-R", self.args.tests]]
        for cmd in stages:
            for attempt in (1, 2):
                start = os.path.getsize(log.name)
                ok = run(cmd, log, timeout=self.args.run_timeout, env=self.env)
                if ok is not False:
                    if ok is None:
                        return None
                    break
                self.caught_by = failed_test(log.name, start)
                again = ["ctest", "--test-dir", self.build, "--timeout", str(self.args.test_timeout),
                         "--repeat", "until-fail:2", "-R", "^" + re.escape(self.caught_by) + "$"]
                if not self.caught_by or run(again, log, timeout=self.args.run_timeout, env=self.env) is not True:
                    return False
                log.write(f"mutate: {self.caught_by} passed twice on its own: not counted\n")
                log.flush()
            else:
                return "flaky"
        return True

    def learn_slow_tests(self):
        """Tests that took longer than SLOW_SECONDS in the last run, from CTest's own record."""
        path = os.path.join(self.build, "Testing", "Temporary", "CTestCostData.txt")
        self.slow = []
        if os.path.exists(path):
            with open(path) as f:
                for line in f:
                    parts = line.split()
                    if len(parts) == 3 and float(parts[2]) > SLOW_SECONDS:
                        self.slow.append(parts[0])

    def baseline(self):
        with open(os.path.join(self.logs, "baseline.log"), "w") as log:
            if not self.compile(log):
                sys.exit("mutate: the unchanged code does not build (see mutate-logs/baseline.log)")
            self.learn_slow_tests()
            if self.tests(log) not in (True, "flaky"):
                sys.exit("mutate: the unchanged suite fails (see mutate-logs/baseline.log)")
        self.learn_slow_tests()

    def try_fault(self, fault):
        path = os.path.join(ROOT, fault.file)
        if fault.matches() != 1:
            return "pattern not found"
        with open(path, "rb") as f:
            original = f.read()
        try:
            with open(path, "wb") as f:
                f.write(original.replace(fault.pattern.encode(), fault.replacement.encode(), 1))
            os.utime(path)
            with open(os.path.join(self.logs, fault.id + ".log"), "w") as log:
                if not self.compile(log):
                    return "no compile"
                passed = self.tests(log)
        finally:
            with open(path, "wb") as f:
                f.write(original)
            os.utime(path)  # newer than the mutant's objects: the next build takes it again
        if passed is None:
            return "caught (hang)"
        if passed == "flaky":
            return "NOT caught (only a flaky test failed)"
        return "NOT caught" if passed else "caught"


def failed_test(log_path, start):
    """The first test CTest reports as failed in the log after offset start."""
    with open(log_path, errors="replace") as f:
        f.seek(start)
        m = re.search(r"Test\s+#\d+: (\S+) \.+[^\n*]*\*\*\*(?!Skipped)", f.read())  # a skip is no failure
    return m.group(1) if m else ""


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("ids", nargs="*", help="run only these faults")
    ap.add_argument("--list", action="store_true", help="list the faults and whether each is found")
    ap.add_argument("--faults", default="scripts/mutants.tsv")
    ap.add_argument("--build-dir", default="build-mutate")
    ap.add_argument("--tests", metavar="REGEX", help="run only the ctest tests whose names match")
    ap.add_argument("-j", "--jobs", type=int, default=1, help="build jobs (default 1)")
    ap.add_argument("--test-jobs", type=int, default=2, help="ctest jobs (default 2)")
    ap.add_argument("--test-timeout", type=int, default=60, help="seconds per test without its own")
    ap.add_argument("--run-timeout", type=int, default=300, help="seconds per ctest run: more is a hang")
    args = ap.parse_args()

    faults = read_faults(os.path.join(ROOT, args.faults))
    if args.list:
        for f in faults:
            n = f.matches()
            state = "ok" if n == 1 else "pattern not found" if n <= 0 else f"pattern found {n} times"
            print(f"{f.id:24} {f.file:40} {state:18} {f.what}")
        return 0
    unknown = set(args.ids) - {f.id for f in faults}
    if unknown:
        sys.exit("mutate: unknown fault id(s): " + ", ".join(sorted(unknown)))
    chosen = [f for f in faults if not args.ids or f.id in args.ids]

    # SIGTERM ends the run like Ctrl+C: through the finally blocks that restore the files.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    r = Runner(args)
    r.configure()
    os.makedirs(r.logs, exist_ok=True)
    start = time.monotonic()
    r.baseline()
    print(f"mutate: unchanged suite green in {time.monotonic() - start:.0f} s; "
          f"{len(r.slow)} slow tests run last", flush=True)

    counts = {"caught": 0, "NOT caught": 0, "no compile": 0, "pattern not found": 0}
    missed = []
    for i, fault in enumerate(chosen, 1):
        t0 = time.monotonic()
        verdict = r.try_fault(fault)
        kind = next(k for k in counts if verdict.startswith(k))
        counts[kind] += 1
        if kind == "NOT caught":
            missed.append(fault.id + ("(flaky)" if verdict != kind else ""))
        by = f"  (by {r.caught_by})" if kind == "caught" and r.caught_by else ""
        print(f"[{i:3}/{len(chosen)}] {verdict:17} {fault.id:22} {time.monotonic() - t0:5.0f} s  "
              f"{fault.what}{by}", flush=True)

    tried = len(chosen) - counts["pattern not found"] - counts["no compile"]
    print(f"mutate: {counts['caught']} of {tried} caught ({counts['NOT caught']} not caught, "
          f"{counts['no compile']} no compile, {counts['pattern not found']} not found) "
          f"in {time.monotonic() - start:.0f} s")
    if missed:
        print("not caught: " + " ".join(missed))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main())
    except KeyboardInterrupt:
        sys.exit("mutate: interrupted; every file was restored")
