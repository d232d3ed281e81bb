#!/usr/bin/env bash
# make windows-check: builds the core, the load bank model and their unit tests for Windows
# with MinGW-w64 (statically linked) in build-windows/ and runs every test under Wine.
# Installs its own Debian packages first (run as root or with sudo). Ends with the line
# "windows-check: N tests passed under Wine in T s".
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
start=$SECONDS
build=build-windows
wine=/usr/lib/wine/wine64   # Debian's wine64 puts no wine64 on the PATH

bash scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
toolchain=()
[ -f "$build/CMakeCache.txt" ] || toolchain=(--toolchain cmake/mingw-w64-x86_64.cmake)
cmake -S . -B "$build" -G Ninja "${toolchain[@]}" -DCMAKE_BUILD_TYPE=Release \
  -DDCLOAD_BUILD_UI=OFF -DDCLOAD_BUILD_BENCH=OFF -DDCLOAD_GTEST_SOURCE=/usr/src/googletest "${launcher[@]}"
cmake --build "$build" -j2

# A Wine prefix of our own inside the build folder; the first start creates it. No Mono or
# Gecko installers: the tests need neither.
export WINEPREFIX="$PWD/$build/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || "$wine" wineboot --init >/dev/null 2>&1 || true

log="$build/windows-check.log"
set +e
ctest --test-dir "$build" -j2 -V >"$log" 2>&1
rc=$?
set -e
grep -E '^ *[0-9]+/[0-9]+ Test|tests passed' "$log" || true
if [ "$rc" -ne 0 ]; then
  ctest --test-dir "$build" --rerun-failed --output-on-failure >&2 || true
  echo "windows-check: FAILED after $((SECONDS - start)) s (log: $log)" >&2
  exit "$rc"
fi
# Each GoogleTest program ends with "[  PASSED  ] N tests."; the rest are one test each.
cases="$(grep -Eo '\[  PASSED  \] [0-9]+ tests?' "$log" | awk '{s += $4} END {print s + 0}')"
programs="$(grep -Eo 'tests passed, 0 tests failed out of [0-9]+' "$log" | awk '{print $NF}')"
echo "windows-check: $programs test programs ($cases GoogleTest tests) passed under Wine; $((SECONDS - start)) s in all"
