#!/usr/bin/env bash
# Checks a built .deb (make package): lists it, checks its files and dependencies, validates
# the desktop entry and the AppStream metainfo, and runs both programs from the unpacked
# package with no display. One line per check; the last line has ctest's form
# ("N% tests passed, F tests failed out of T") so that CI counts the checks like tests.
# Usage: scripts/package-check.sh PACKAGE.deb
set -uo pipefail

deb="${1:?usage: package-check.sh PACKAGE.deb}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
version="$(sed -nE 's/^project\(dc_load_logger VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
if [ ! -f "$deb" ]; then
  echo "package-check: no package $deb" >&2
  exit 1
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/dcload-package.XXXXXX")"
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() {   # check NAME COMMAND...: runs it, shows its output indented
  local name="$1" out rc
  shift
  out="$("$@" 2>&1)"
  rc=$?
  [ -z "$out" ] || sed 's/^/    /' <<<"$out"
  if [ "$rc" -eq 0 ]; then
    echo "package-check: ok   $name"
    passed=$((passed + 1))
  else
    echo "package-check: FAIL $name (exit $rc)"
    failed=$((failed + 1))
  fi
}

echo "package-check: $deb"
dpkg-deb --info "$deb" | sed 's/^/    /'
echo "package-check: contents"
dpkg-deb --contents "$deb" | sed 's/^/    /'
dpkg-deb -x "$deb" "$work/root"
r="$work/root"

has_files() {
  local f missing=0
  for f in usr/bin/dc-load-logger usr/bin/loadbank-sim \
           usr/share/applications/dc-load-logger.desktop \
           usr/share/icons/hicolor/scalable/apps/dc-load-logger.svg \
           usr/share/icons/hicolor/256x256/apps/dc-load-logger.png \
           usr/share/man/man1/dc-load-logger.1.gz usr/share/man/man1/loadbank-sim.1.gz \
           usr/share/doc/dc-load-logger/copyright usr/share/doc/dc-load-logger/guide.md \
           usr/share/doc/dc-load-logger/README.md; do
    [ -s "$r/$f" ] || { echo "missing: /$f"; missing=1; }
  done
  ls "$r"/usr/share/metainfo/*.metainfo.xml >/dev/null 2>&1 || { echo "missing: metainfo"; missing=1; }
  return "$missing"
}
check "every file in place" has_files

depends_from_binaries() {
  local d
  d="$(dpkg-deb --field "$deb" Depends)"
  echo "Depends: $d"
  grep -q 'libqt6widgets6' <<<"$d" && grep -q 'libc6' <<<"$d" && grep -q 'qt6-qpa-plugins' <<<"$d"
}
check "dependencies computed from the binaries" depends_from_binaries
check "file name dc-load-logger_${version}_$(dpkg --print-architecture).deb" \
  test "$(basename "$deb")" = "dc-load-logger_${version}_$(dpkg --print-architecture).deb"

check "desktop-file-validate" desktop-file-validate "$r/usr/share/applications/dc-load-logger.desktop"
check "appstreamcli validate --no-net" appstreamcli validate --no-net "$r"/usr/share/metainfo/*.metainfo.xml

icon_png() { file "$r/usr/share/icons/hicolor/256x256/apps/dc-load-logger.png" | grep '256 x 256'; }
check "256 px PNG icon" icon_png
man_pages() {
  local p
  for p in dc-load-logger loadbank-sim; do
    zcat "$r/usr/share/man/man1/$p.1.gz" | grep -E "^\.TH \"?${p^^}\"? \"?1\"?" || return 1
  done
  # the report command's options, each of them
  zcat "$r/usr/share/man/man1/dc-load-logger.1.gz" | grep -q 'rated\\-minutes' || return 1
  # and no path of the build tree
  ! zcat "$r/usr/share/man/man1/dc-load-logger.1.gz" | sed 's/\\-/-/g' | grep -F "$root"
}
check "manual pages, section 1" man_pages
copyright_line() {
  local line
  line="$(grep -m1 '^Copyright ' "$root/README.md")"
  echo "$line"
  [ -n "$line" ] && grep -qF "$line" "$r/usr/share/doc/dc-load-logger/copyright"
}
check "the README's copyright line in the copyright file" copyright_line

# Run from the unpacked tree, with no display and no offscreen platform set.
headless() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"; }
version_text() {
  local out
  out="$(headless "$r/usr/bin/dc-load-logger" --version)" || return 1
  echo "$out"
  [ "$out" = "dc-load-logger $version" ]
}
check "dc-load-logger --version without a display" version_text
logger_help() { headless "$r/usr/bin/dc-load-logger" --help | grep -- '--results-dir'; }
check "dc-load-logger --help without a display" logger_help
sim_help() { headless "$r/usr/bin/loadbank-sim" --help | sed -n 1,3p; }  # sed reads it all: no broken pipe
check "loadbank-sim --help" sim_help

# Nothing in the programs points back at the build or source tree.
no_build_paths() {
  local bin bad=0
  for bin in "$r"/usr/bin/*; do
    if grep -aqF "$root" "$bin"; then echo "$(basename "$bin") names $root"; bad=1; fi
    if readelf -d "$bin" | grep -E 'RPATH|RUNPATH'; then bad=1; fi
  done
  return "$bad"
}
check "no build-tree paths or RPATH in the programs" no_build_paths

total=$((passed + failed))
echo
echo "$(( total ? 100 * passed / total : 0 ))% tests passed, $failed tests failed out of $total"
[ "$failed" -eq 0 ]
