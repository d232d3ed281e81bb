#!/usr/bin/env python3
"""Kills the logger (SIGKILL) a few milliseconds after it logged its first reading, again and
again, against the simulator on loopback; counts the runs that appended to an older run's
result file. Usage: scripts/kill-runs.py [RUNS] [BUILD_DIR]"""
import glob, os, random, re, signal, subprocess, sys, tempfile, time

runs = int(sys.argv[1]) if len(sys.argv) > 1 else 150
build = sys.argv[2] if len(sys.argv) > 2 else "build"
results = os.path.join(tempfile.mkdtemp(prefix="dcload-kill-"), "Results")
os.makedirs(results)
with open(os.path.join(results, "ACIP.txt"), "wb") as f:
    f.write(b"127.0.0.1\r\n")

sim = subprocess.Popen([f"{build}/tools/loadbank-sim/loadbank-sim", "--port", "0"],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
port = int(re.search(r"127\.0\.0\.1:(\d+)", sim.stdout.readline()).group(1))
env = dict(os.environ, QT_QPA_PLATFORM="offscreen")

def sizes():
    return {p: os.path.getsize(p) for p in glob.glob(os.path.join(results, "DC_Result_*.txt"))}

def counter():
    try:
        with open(os.path.join(results, "DCCount.txt"), "rb") as f:
            return f.read()
    except OSError:
        return None

mixed = empty = 0
for i in range(runs):
    before, count = sizes(), counter()
    logger = subprocess.Popen([f"{build}/src/ui/dc-load-logger", "--results-dir", results, "--port", str(port),
                               "--connect-after", "0"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 20
    while counter() == count and time.monotonic() < deadline:  # the first reading starts a run
        time.sleep(0.001)
    time.sleep(random.uniform(0, 0.02))
    logger.send_signal(signal.SIGKILL)
    logger.wait()
    after = sizes()
    mixed += any(before.get(p, 0) > 0 and after[p] != before[p] for p in after)
    empty += counter() in (None, b"")
sim.terminate()
print(f"{runs} runs killed: {mixed} appended to an older run's result file, "
      f"{empty} left the counter file empty or missing; {len(sizes())} result files in {results}")
