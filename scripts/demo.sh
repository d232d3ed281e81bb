#!/usr/bin/env bash
# Runs the logger against the load bank simulator on 127.0.0.1:2200, with a fresh demo
# Results folder whose address file points at the simulator.
#  - With a display ($DISPLAY or $WAYLAND_DISPLAY): the window opens; press Connect.
#  - Without one: the window runs offscreen, connects after 1 s, quits after 25 s, saves a
#    screenshot, and the Results files it wrote are shown.
# Settings (environment): BUILD_DIR (default build), DEMO_RESULTS (default ./demo-results),
# DEMO_SECONDS (offscreen run time, default 25), DEMO_SCREENSHOT (default demo-screenshot.png in the Results folder,
# so a clean checkout stays clean),
# DEMO_SIM_ARGS (simulator options, default "--speed 120": a 2-hour discharge in a minute).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
results="${DEMO_RESULTS:-$PWD/demo-results}"
seconds="${DEMO_SECONDS:-25}"
screenshot="${DEMO_SCREENSHOT:-$results/demo-screenshot.png}"
port=2200
logger="$build/src/ui/dc-load-logger"
sim="$build/tools/loadbank-sim/loadbank-sim"

if [ ! -x "$logger" ]; then
  echo "demo: $logger is not built; run 'make demo'" >&2
  exit 1
fi

# A fresh Results folder. Refuse to empty a folder that holds anything but logger files.
case "$results" in /|"$HOME"|"$HOME"/) echo "demo: refusing to use $results" >&2; exit 1 ;; esac
if [ -d "$results" ]; then
  if find "$results" -mindepth 1 -maxdepth 1 \
       ! -name 'DC_Result_*.txt' ! -name 'DC_CSV_*.csv' ! -name 'DCCount.txt' ! -name 'ACIP.txt' \
       ! -name 'demo-screenshot.png' \
       | grep -q .; then
    echo "demo: $results holds other files; set DEMO_RESULTS to another folder" >&2
    exit 1
  fi
  rm -rf "$results"
fi
mkdir -p "$results"
printf '127.0.0.1\r\n' >"$results/ACIP.txt"

port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

sim_pid=""
sim_log="$(mktemp "${TMPDIR:-/tmp}/loadbank-sim.XXXXXX.log")"
stop_sim() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$sim_log"
}
trap stop_sim EXIT
trap 'exit 130' INT TERM

if [ ! -x "$sim" ]; then
  echo "demo: note: simulator $sim is not built; the logger runs without a load bank"
elif port_open; then
  echo "demo: note: something already listens on 127.0.0.1:$port; using it as the load bank"
else
  # shellcheck disable=SC2086
  "$sim" --port "$port" ${DEMO_SIM_ARGS---speed 120} >"$sim_log" 2>&1 </dev/null &
  sim_pid=$!
  for _ in $(seq 50); do
    port_open && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  if port_open; then
    echo "demo: load bank simulator running on 127.0.0.1:$port (pid $sim_pid)"
  else
    echo "demo: note: the simulator did not start; its output:" >&2
    cat "$sim_log" >&2 || true
    sim_pid=""
  fi
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "demo: starting the logger; Results folder $results. Press Connect."
  "$logger" --results-dir "$results"
  exit $?
fi

echo "demo: no display: running the logger offscreen for ${seconds}s"
mkdir -p "$(dirname "$screenshot")"
rm -f "$screenshot"
rc=0
QT_QPA_PLATFORM=offscreen timeout --kill-after=10 $((seconds + 60)) \
  "$logger" --results-dir "$results" --connect-after 1 --quit-after "$seconds" \
  --screenshot "$screenshot" </dev/null || rc=$?
if [ "$rc" -ne 0 ]; then
  echo "demo: the logger exited with status $rc" >&2
fi

echo
if [ -f "$screenshot" ]; then
  echo "demo: screenshot: $screenshot"
else
  echo "demo: no screenshot was written" >&2
  [ "$rc" -ne 0 ] || rc=1
fi
echo "demo: Results folder: $results"
ls -l "$results" | sed 's/^/  /'

newest() { ls -t "$results"/$1 2>/dev/null | head -n 1 || true; }
for pattern in 'DC_Result_*.txt' 'DC_CSV_*.csv'; do
  f="$(newest "$pattern")"
  if [ -n "$f" ]; then
    echo
    echo "demo: first lines of $(basename "$f") ($(wc -l <"$f") lines):"
    head -n 5 "$f" | tr -d '\r' | sed 's/^/  /'
  else
    echo "demo: no $pattern written"
  fi
done
exit "$rc"
