#!/usr/bin/env bash
# Builds Qt (qtbase, the version of the Linux build) for 64-bit Windows with MinGW-w64 from
# Debian's own source package, and QCustomPlot's sources the same way, into a cache outside the
# checkout: ~/.cache/dc-load-logger/qt-<version>-mingw-<hash of this script>. Built once per
# machine (about 40 min on 2 cores); when the cache is present this returns at once.
# Prints the install prefix on its last line. Run as root or with sudo (apt-get).
# QT_MINGW_JOBS sets the build's parallel jobs (default 2).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
cache="${XDG_CACHE_HOME:-$HOME/.cache}/dc-load-logger"
hash="$(sha256sum scripts/build-qt-mingw.sh | cut -c1-12)"

bash scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev \
  qt6-base-dev-tools dpkg-dev >&2
qtver="$(dpkg-query -W -f='${Version}' qt6-base-dev)"   # e.g. 6.4.2+dfsg-10
upstream="${qtver%%+*}"
prefix="$cache/qt-$upstream-mingw-$hash"
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi
# One build at a time: a second caller waits for the first and then finds the cache.
mkdir -p "$cache"
exec 9>"$cache/qt-$upstream-mingw.lock"
flock 9
if [ -f "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)

# Debian's source packages: a deb-src entry of our own for the suite this machine runs.
. /etc/os-release
srclist=/etc/apt/sources.list.d/dc-load-logger-src.list
if [ ! -f "$srclist" ]; then
  printf '%s\n' "# Source packages for building Qt for Windows (dc-load-logger scripts/build-qt-mingw.sh)" \
    "deb-src http://deb.debian.org/debian $VERSION_CODENAME main" \
    "deb-src http://deb.debian.org/debian $VERSION_CODENAME-updates main" \
    "deb-src http://deb.debian.org/debian-security $VERSION_CODENAME-security main" |
    "${sudo[@]}" tee "$srclist" >/dev/null
fi
"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq >&2

src="$cache/src"
mkdir -p "$src"
(
  cd "$src"
  [ -d "qt6-base-$upstream+dfsg" ] || apt-get source -qq "qt6-base=$qtver" >&2
  [ -n "$(ls -d qcustomplot-*/ 2>/dev/null)" ] || apt-get source -qq qcustomplot >&2
)
qtsrc="$src/qt6-base-$upstream+dfsg"
# Without Direct2D, Gui has no DirectWrite font engine or font database, but 6.4.2's Windows
# print engine and platform plugin still call them (undefined references when they link):
# there they need Direct2D too.
sed -i 's/^#if QT_CONFIG(directwrite)$/#if QT_CONFIG(directwrite) \&\& QT_CONFIG(direct2d)/' \
  "$qtsrc/src/printsupport/platform/windows/qprintengine_win.cpp"
sed -i 's/^#if QT_CONFIG(directwrite3)$/#if QT_CONFIG(directwrite3) \&\& QT_CONFIG(direct2d)/' \
  "$qtsrc/src/plugins/platforms/windows/qwindowsintegration.cpp"

# The project's toolchain file, but shared: Qt ships as DLLs (LGPL). Kept in the prefix,
# where Qt's own toolchain file (qt-cmake) looks for it.
build="$cache/qt-build-$hash"
rm -rf "$build" "$prefix"
mkdir -p "$build" "$prefix"
cp cmake/mingw-w64-x86_64.cmake "$prefix/mingw-w64-x86_64.cmake"
cat >"$prefix/toolchain.cmake" <<'EOF'
include("${CMAKE_CURRENT_LIST_DIR}/mingw-w64-x86_64.cmake")
set(CMAKE_EXE_LINKER_FLAGS_INIT "")
set(CMAKE_CROSSCOMPILING_EMULATOR "")
EOF

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$cache"   # a build under another hash finds the same objects
fi
# Debian's host Qt provides moc, rcc, uic and the CMake helpers of the same version. No
# OpenGL (the program draws with the raster engine): dynamic GL and Direct2D go with it.
cmake -S "$qtsrc" -B "$build" -G Ninja --toolchain "$prefix/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_openssl=OFF -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON \
  -DFEATURE_opengl=OFF -DFEATURE_dynamicgl=OFF -DFEATURE_direct2d=OFF "${launcher[@]}" >&2
# What the program needs first (a partial build can be tried out sooner), then the rest.
cmake --build "$build" -j "${QT_MINGW_JOBS:-2}" --target Widgets Network PrintSupport \
  QWindowsIntegrationPlugin QOffscreenIntegrationPlugin QWindowsVistaStylePlugin >&2
cmake --build "$build" -j "${QT_MINGW_JOBS:-2}" >&2
cmake --install "$build" >&2

# The licence texts and where the sources came from, shipped beside the DLLs.
mkdir -p "$prefix/licenses"
cp "$qtsrc"/LICENSES/*.txt "$prefix/licenses/" 2>/dev/null || true
cp "$qtsrc/debian/copyright" "$prefix/licenses/qt6-base.copyright"
qcp="$(ls -d "$src"/qcustomplot-*/ | head -n1)"
cp "$qcp/debian/copyright" "$prefix/licenses/qcustomplot.copyright"
printf '%s\n' "Qt $upstream (qtbase): Debian source package qt6-base $qtver" \
  "QCustomPlot: Debian source package qcustomplot $(cd "$qcp" && dpkg-parsechangelog -S Version)" \
  "Both fetched with: apt-get source qt6-base=$qtver qcustomplot (https://sources.debian.org)" \
  >"$prefix/licenses/SOURCES.txt"
ln -sfn "$qcp" "$prefix/qcustomplot-src"
rm -rf "$build"
touch "$prefix/.complete"
echo "$prefix"
