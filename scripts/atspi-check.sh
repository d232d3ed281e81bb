#!/usr/bin/env bash
# What a screen reader hears: runs the logger under Xvfb with the AT-SPI bus against the load
# bank simulator (127.0.0.1, a free port, records preloaded in its memory) and lets
# scripts/atspi_check.py press Connect and the download button and read the pause reason, the
# chart description and "Record k of n" through AT-SPI, and see the status changes' events.
# Needs xvfb, at-spi2-core, dbus and python3-pyatspi (scripts/install-deps.sh).
# Settings (environment): BUILD_DIR (default build).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
logger="$build/src/ui/dc-load-logger"
sim="$build/tools/loadbank-sim/loadbank-sim"
for p in "$logger" "$sim"; do
  [ -x "$p" ] || { echo "atspi: $p is not built" >&2; exit 1; }
done

if [ -z "${ATSPI_INNER:-}" ]; then
  exec env ATSPI_INNER=1 xvfb-run -a -s "-screen 0 1366x768x24" dbus-run-session -- bash "$0" "$@"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/dcload-atspi.XXXXXX")"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; wait "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

/usr/libexec/at-spi-bus-launcher --launch-immediately >"$work/bus.log" 2>&1 &
pids+=($!)
gsettings set org.gnome.desktop.interface toolkit-accessibility true 2>/dev/null || true

# A two-hour discharge in a minute that trips the load (the pause question), with stored records.
"$sim" --port 0 --speed 150 --duration 400 --preload 12 >"$work/sim.log" 2>&1 </dev/null &
pids+=($!)
port=""
for _ in $(seq 100); do
  port="$(sed -nE 's/^loadbank-sim: listening on 127\.0\.0\.1:([0-9]+)$/\1/p' "$work/sim.log")"
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || { echo "atspi: the simulator did not start" >&2; cat "$work/sim.log" >&2; exit 1; }

mkdir -p "$work/Results"
printf '127.0.0.1\r\n' >"$work/Results/ACIP.txt"   # before the logger starts
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 QT_QPA_PLATFORM=xcb \
  "$logger" --results-dir "$work/Results" --port "$port" --quit-after 300 >"$work/logger.log" 2>&1 </dev/null &
pids+=($!)
/usr/bin/python3 "$root/scripts/atspi_check.py" 200   # Debian's python, where python3-pyatspi lives
