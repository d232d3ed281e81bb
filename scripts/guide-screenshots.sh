#!/usr/bin/env bash
# Takes the operator's guide's pictures (docs/guide/*.png): starts the load bank simulator on a
# free loopback port, runs the logger offscreen with --guide-screenshots in a scratch Results
# folder, and keeps the pictures only when every one was taken.
# Settings (environment): BUILD_DIR (default build), GUIDE_DIR (default docs/guide).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
out="${GUIDE_DIR:-$root/docs/guide}"
logger="$build/src/ui/dc-load-logger"
sim="$build/tools/loadbank-sim/loadbank-sim"
for p in "$logger" "$sim"; do
  [ -x "$p" ] || { echo "guide: $p is not built; run 'make guide-screenshots'" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/dcload-guide.XXXXXX")"
sim_pid=""
cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A 2-hour discharge in about 50 s, so the run trips the load and the pause dialog opens.
: >"$work/sim.log"
"$sim" --port 0 --speed 150 --duration 600 >"$work/sim.log" 2>&1 </dev/null &
sim_pid=$!
port=""
for _ in $(seq 100); do
  port="$(sed -nE 's/^loadbank-sim: listening on 127\.0\.0\.1:([0-9]+)$/\1/p' "$work/sim.log")"
  [ -n "$port" ] && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$port" ]; then
  echo "guide: the simulator did not start:" >&2
  cat "$work/sim.log" >&2
  exit 1
fi
echo "guide: load bank simulator on 127.0.0.1:$port"

mkdir -p "$work/Results" "$work/shots"
printf '127.0.0.1\r\n' >"$work/Results/ACIP.txt"
# The offscreen screen is 800x800 unless told otherwise: a 1366x768 laptop screen, so the
# windows open and are fitted as on a laptop (the logger places each picture's window itself).
cat >"$work/screen.json" <<'JSON'
{ "screens": [ { "name": "laptop", "x": 0, "y": 0, "width": 1366, "height": 768,
                 "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1 } ] }
JSON
QT_QPA_PLATFORM="offscreen:configfile=$work/screen.json" timeout --kill-after=10 300 \
  "$logger" --results-dir "$work/Results" --port "$port" --guide-screenshots "$work/shots" </dev/null

mkdir -p "$out"
rm -f "$out"/*.png
cp "$work/shots"/*.png "$out/"
echo "guide: $(ls "$out"/*.png | wc -l) pictures in $out"
