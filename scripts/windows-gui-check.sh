#!/usr/bin/env bash
# make windows-gui-check: the Windows logger (scripts/windows-package.sh) run for real under
# Wine in Xvfb, against the simulator on 127.0.0.1, next to the same run of the Linux logger:
#  - the result and CSV files of both runs hold the same bytes (but for the PC clock's stamps,
#    which may land a second apart);
#  - the Windows window's picture (build-windows-gui/gui-check/windows.png, copied by hand to
#    docs/windows-screenshot.png for the guide) is as large as Linux's and not blank;
#  - --report on one result file prints the same figures on both systems and its PDF
#    (pdftotext) holds the same text;
#  - the setup installs silently (/S) into a fresh Wine prefix and the installed program runs.
# The runs happen in a network namespace of their own holding only the loopback interface.
# Ends with the line "windows-gui-check: passed in T s".
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
build=build-windows-gui
version="$(sed -n 's/^project.dc_load_logger VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
wine=/usr/lib/wine/wine64
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

if [ -z "${DCLOAD_IN_NETNS:-}" ]; then
  start=$SECONDS
  bash scripts/install-deps.sh wine64 fonts-wine xvfb xauth poppler-utils python3 iproute2 \
    qt6-base-dev libqcustomplot-dev libgl-dev fonts-dejavu-core
  bash scripts/windows-package.sh
  # The Linux side: the same program from the default build folder.
  [ -f build/CMakeCache.txt ] || cmake --preset default >/dev/null
  cmake --build build -j2 --target dc-load-logger loadbank-sim
  # Everything below talks only to 127.0.0.1: no other interface exists there.
  DCLOAD_IN_NETNS=1 DCLOAD_CHECK_START=$start exec unshare -n bash -c \
    'ip link set lo up && exec bash "$0"' "$0"
fi

start=${DCLOAD_CHECK_START:-$SECONDS}
work="$root/$build/gui-check"
rm -rf "$work"
mkdir -p "$work"
stage="$root/$build/dc-load-logger-$version"
sim=build/tools/loadbank-sim/loadbank-sim
fail() { echo "windows-gui-check: FAILED: $*" >&2; exit 1; }

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for prefix in "$work/wine" "$work/wine-setup"; do
    [ -d "$prefix" ] && WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true
  done
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port_open() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A simulator of its own for each run: the replies then come in the same order. Its test time
# stands still, so what it says does not depend on when it is asked.
start_sim() {
  local port="$1"
  "$sim" --port "$port" --speed 0 --start-at 3600 >"$work/sim-$port.log" 2>&1 </dev/null &
  pids+=($!)
  for _ in $(seq 100); do port_open "$port" && return 0; sleep 0.1; done
  fail "the simulator did not start on port $port"
}

# A Results folder whose address file points at the simulator before the logger starts.
results_folder() {
  mkdir -p "$1"
  printf '127.0.0.1\r\n' >"$1/ACIP.txt"
}

# The display for Wine, with a window manager-free screen as large as a laptop's.
display=""
for n in $(seq 90 120); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  if [ -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || fail "no Xvfb display"
export DISPLAY=$display

# A fresh Wine prefix. Wine has none of Windows' interface fonts and would draw the window with
# a serif face: the ones Qt asks for become DejaVu Sans, the Linux program's font.
new_prefix() {
  export WINEPREFIX="$1"
  "$wine" wineboot --init >/dev/null 2>&1 || true
  local face
  for face in "MS Shell Dlg" "MS Shell Dlg 2" "Tahoma" "Segoe UI" "MS Sans Serif" "Arial"; do
    "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "DejaVu Sans" /f >/dev/null 2>&1
  done
}

run_seconds=23
# --- the Linux run
port="$(free_port)"
start_sim "$port"
results_folder "$work/linux"
QT_QPA_PLATFORM=offscreen build/src/ui/dc-load-logger --results-dir "$work/linux" --port "$port" \
  --connect-after 3 --quit-after "$run_seconds" --screenshot "$work/linux.png" >"$work/linux.log" 2>&1 ||
  fail "the Linux logger ended with an error (log: $work/linux.log)"

# --- the Windows run, from the staged folder, Results folder inside the Wine prefix
new_prefix "$work/wine"
port="$(free_port)"
start_sim "$port"
results_folder "$WINEPREFIX/drive_c/R"
"$wine" "$stage/dc-load-logger.exe" --results-dir 'C:\R' --port "$port" --connect-after 3 \
  --quit-after "$run_seconds" --screenshot 'C:\windows.png' >"$work/windows.log" 2>&1 ||
  fail "the Windows logger ended with an error (log: $work/windows.log)"
cp "$WINEPREFIX/drive_c/windows.png" "$work/windows.png" 2>/dev/null || fail "no Windows screenshot"

# --- the files of both runs
python3 - "$work/linux" "$WINEPREFIX/drive_c/R" <<'EOF' || fail "the files differ"
import re, sys
lin, win = sys.argv[1], sys.argv[2]
def lines(path):   # each with its own line end (CR CR LF in result files)
    with open(path, "rb") as f:
        parts = f.read().split(b"\n")
    return [p + b"\n" for p in parts[:-1]] + ([parts[-1]] if parts[-1] else [])
# Both files carry the PC's clock in whole seconds since Connect: six digits at the end of a
# result line, at the start of a CSV line. A poll landing either side of a second boundary may
# stamp one second apart; everything else is compared byte for byte.
stamp = {"DC_Result_2.txt": rb"^(.*)(\d{6})(\r*\n)$", "DC_CSV_2.csv": rb"^()(\d{6})(,.*\r\n)$"}
for name, pattern in stamp.items():
    a, b = lines(f"{lin}/{name}"), lines(f"{win}/{name}")
    n = min(len(a), len(b))   # the runs end within a reading of each other
    if n < 15 or abs(len(a) - len(b)) > 2:
        sys.exit(f"{name}: {len(a)} lines on Linux, {len(b)} on Windows")
    shifted = 0
    for i in range(n):
        x, y = re.match(pattern, a[i], re.S), re.match(pattern, b[i], re.S)
        if not (x and y):
            sys.exit(f"{name} line {i + 1}: no time stamp: {a[i]!r} / {b[i]!r}")
        if abs(int(x[2]) - int(y[2])) > 1 or x[1] != y[1] or x[3] != y[3]:
            sys.exit(f"{name} line {i + 1}: {a[i]!r} on Linux, {b[i]!r} on Windows")
        shifted += x[2] != y[2]
    print(f"windows-gui-check: {name}: {n} lines, same bytes ({shifted} PC stamps a second apart)")
for name in ("ACIP.txt", "DCCount.txt"):
    if open(f"{lin}/{name}", "rb").read() != open(f"{win}/{name}", "rb").read():
        sys.exit(f"{name} differs")
EOF

# --- the pictures: the same size, and a window with more than a few colours in it
python3 - "$work/linux.png" "$work/windows.png" <<'EOF' || fail "the Windows screenshot"
import struct, sys, zlib
def png(path):
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, w = 8, b"", 0
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        if kind == b"IHDR":
            w, h, depth, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            idat += body
        pos += 12 + size
    bpp = {2: 3, 6: 4}[colour]
    raw, colours, stride, prev, i = zlib.decompress(idat), set(), w * bpp, bytearray(w * bpp), 0
    for _ in range(h):   # undo the row filters
        f, row = raw[i], bytearray(raw[i + 1:i + 1 + stride]); i += 1 + stride
        for x in range(stride):
            a = row[x - bpp] if x >= bpp else 0; b = prev[x]; c = prev[x - bpp] if x >= bpp else 0
            if f == 1: row[x] = (row[x] + a) & 255
            elif f == 2: row[x] = (row[x] + b) & 255
            elif f == 3: row[x] = (row[x] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c; pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[x] = (row[x] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        colours.update(bytes(row[x:x + 3]) for x in range(0, stride, bpp * 7))
        prev = row
    return w, h, len(colours)
lw, lh, _ = png(sys.argv[1])
ww, wh, wc = png(sys.argv[2])
print(f"windows-gui-check: window {ww}x{wh} px with {wc} colours sampled (Linux {lw}x{lh})")
if abs(ww - lw) > lw // 10 or abs(wh - lh) > lh // 10 or wc < 16:
    sys.exit("the window picture is blank or of another size")
EOF
echo "windows-gui-check: the window's picture: $build/gui-check/windows.png (the guide's docs/windows-screenshot.png)"

# --- the report of one result file on both systems: a discharge run through at 1200 times
# real time by the Linux logger, so that the end voltage is reached
port="$(free_port)"
"$sim" --port "$port" --speed 1200 >"$work/sim-report.log" 2>&1 </dev/null &
pids+=($!)
for _ in $(seq 100); do port_open "$port" && break; sleep 0.1; done
results_folder "$work/discharge"
QT_QPA_PLATFORM=offscreen build/src/ui/dc-load-logger --results-dir "$work/discharge" --port "$port" \
  --connect-after 1 --quit-after 9 >"$work/discharge.log" 2>&1 || fail "the Linux discharge run"
report_args=(--cells 24 --rated-ah 100 --end-volts 1.9 --site "Check")
mkdir -p "$WINEPREFIX/drive_c/Report"
cp "$work/discharge/DC_Result_2.txt" "$WINEPREFIX/drive_c/Report/DC_Result_2.txt"
build/src/ui/dc-load-logger --report "$work/discharge/DC_Result_2.txt" --out "$work/linux.pdf" \
  --results-dir "$work/discharge" "${report_args[@]}" >"$work/report-linux.txt" || fail "Linux --report"
"$wine" "$stage/dc-load-logger.exe" --report 'C:\Report\DC_Result_2.txt' --out 'C:\report.pdf' \
  --results-dir 'C:\R' "${report_args[@]}" 2>"$work/report-windows.err" | tr -d '\r' >"$work/report-windows.txt" || fail "Windows --report"
diff "$work/report-linux.txt" "$work/report-windows.txt" || fail "--report printed other figures on Windows"
[ -s "$work/report-linux.txt" ] || fail "--report printed nothing"
pdftotext -layout "$work/linux.pdf" "$work/linux-pdf.txt"
pdftotext -layout "$WINEPREFIX/drive_c/report.pdf" "$work/windows-pdf.txt" || fail "no Windows report PDF"
grep -q "Battery Discharge Test Report" "$work/windows-pdf.txt" || fail "the Windows PDF holds no report text"
# Every figure of the page above the charts, in order (the layout may space them apart). The
# charts' axes are left out: a tick label that does not quite fit is dropped, and the two
# systems' font engines measure the same font a little differently.
numbers() { awk '/^[[:space:]]*[0-9.]+[[:space:]]*$/ {exit} {print}' "$1" | grep -oE '[0-9]+([.:][0-9]+)*' | tr '\n' ' '; }
[ "$(numbers "$work/linux-pdf.txt")" = "$(numbers "$work/windows-pdf.txt")" ] ||
  fail "the report PDFs hold other figures (diff $work/linux-pdf.txt $work/windows-pdf.txt)"
echo "windows-gui-check: --report: same figures and PDF text on both systems"

# --- the setup, silently, into a fresh prefix; then the installed program runs the same way
WINEPREFIX="$work/wine" /usr/lib/wine/wineserver -k 2>/dev/null || true
new_prefix "$work/wine-setup"
"$wine" "$root/$build/dc-load-logger-$version-setup.exe" /S >"$work/setup.log" 2>&1 || fail "the setup failed"
installed="$WINEPREFIX/drive_c/Program Files/DC Load Logger"
[ -f "$installed/dc-load-logger.exe" ] && [ -f "$installed/uninstall.exe" ] || fail "nothing installed in $installed"
[ ! -e "$WINEPREFIX/drive_c/Results" ] || fail "the setup made C:/Results"
find "$WINEPREFIX/drive_c" -iname 'DC Load Logger.lnk' | grep -q . || fail "no Start menu entry"
port="$(free_port)"
start_sim "$port"
results_folder "$WINEPREFIX/drive_c/R"
"$wine" "$installed/dc-load-logger.exe" --results-dir 'C:\R' --port "$port" --connect-after 1 \
  --quit-after 6 >"$work/installed.log" 2>&1 || fail "the installed logger ended with an error"
[ "$(grep -c . "$WINEPREFIX/drive_c/R/DC_Result_2.txt" 2>/dev/null)" -ge 2 ] || fail "the installed logger wrote no readings"
# In place (_?=): no copy of itself in a temporary folder.
"$wine" "$installed/uninstall.exe" /S _?="C:\\Program Files\\DC Load Logger" >/dev/null 2>&1 || fail "the uninstaller failed"
# Wine may hand back before the uninstaller is done: wait for the files to go (at most 60 s).
for _ in $(seq 600); do
  [ -z "$(ls -A "$installed" 2>/dev/null | grep -vx uninstall.exe)" ] && break
  sleep 0.1
done
[ -z "$(ls -A "$installed" 2>/dev/null | grep -vx uninstall.exe)" ] || fail "the uninstaller left $(ls -A "$installed" | head -n 5 | tr '\n' ' ')"
[ -f "$WINEPREFIX/drive_c/R/DC_Result_2.txt" ] || fail "the uninstaller removed the results"
echo "windows-gui-check: setup /S installed, ran and uninstalled"
echo "windows-gui-check: passed in $((SECONDS - start)) s"
