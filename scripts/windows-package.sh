#!/usr/bin/env bash
# make windows-package: the logger and the simulator for 64-bit Windows, built with MinGW-w64
# against Qt built from Debian's sources (scripts/build-qt-mingw.sh, cached outside the
# checkout), in build-windows-gui/. Makes
#   build-windows-gui/dc-load-logger-<version>-setup.exe   the setup (NSIS)
#   build-windows-gui/dc-load-logger-<version>-windows.zip the same files, for PCs where
#                                                          installing is not allowed
# from the folder build-windows-gui/dc-load-logger-<version>/, which runs as it is.
# Installs its own Debian packages first (run as root or with sudo).
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
start=$SECONDS
build=build-windows-gui
version="$(sed -n 's/^project.dc_load_logger VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"

bash scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  nsis zip fonts-dejavu-core
qt="$(bash scripts/build-qt-mingw.sh | tail -n 1)"

launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# Qt's wrapper chain-loads the project's toolchain (static C++ runtime, Qt itself as DLLs).
"$qt/bin/qt-cmake" -S . -B "$build" -G Ninja -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DQCUSTOMPLOT_SOURCE_DIR="$qt/qcustomplot-src" \
  -DDCLOAD_BUILD_TESTS=OFF -DDCLOAD_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target dc-load-logger loadbank-sim

name="dc-load-logger-$version"
stage="$build/$name"
rm -rf "$stage"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/fonts" "$stage/licenses"
cp "$build/src/ui/dc-load-logger.exe" "$build/tools/loadbank-sim/loadbank-sim.exe" "$stage/"
for module in Core Gui Widgets Network PrintSupport; do
  cp "$qt/bin/Qt6$module.dll" "$stage/"
done
# qwindows: the window; qoffscreen: --report, which draws without one.
cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
cp "$qt/plugins/styles/"*.dll "$stage/styles/"
# Qt's DLLs need MinGW's runtime DLLs.
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  path="$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")"
  [ -f "$path" ] || path="/usr/x86_64-w64-mingw32/lib/$dll"
  cp "$path" "$stage/"
done
# Plugins and fonts beside the program (the offscreen platform reads fonts/).
printf '[Paths]\r\nPrefix = .\r\nPlugins = .\r\nLibraries = .\r\n' >"$stage/qt.conf"
cp /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf "$stage/fonts/"
cp "$qt/licenses/"* "$stage/licenses/"
cp /usr/share/doc/fonts-dejavu-core/copyright "$stage/licenses/fonts-dejavu.copyright"
x86_64-w64-mingw32-strip "$stage"/*.exe

# Every DLL a shipped file imports is shipped or part of Windows.
missing=0
while IFS= read -r dll; do
  if [ ! -f "$stage/$dll" ] && ! [[ "${dll,,}" =~ ^(kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|ws2_32|winmm|comdlg32|imm32|version|winspool\.drv|uxtheme|dwmapi|shlwapi|shcore|winhttp|setupapi|netapi32|userenv|mpr|iphlpapi|dnsapi|crypt32|secur32|bcrypt|d3d9|d3d11|d3d12|dxgi|dwrite|d2d1|opengl32|wtsapi32|authz|msvcrt|ntdll|comctl32|rpcrt4|api-ms-win-.*)\.dll$|^winspool\.drv$ ]]; then
    echo "windows-package: $dll is imported but not shipped" >&2
    missing=1
  fi
done < <(find "$stage" -name '*.exe' -o -name '*.dll' | xargs -n1 x86_64-w64-mingw32-objdump -p |
         sed -n 's/^\s*DLL Name: //p' | sort -u)
[ "$missing" -eq 0 ]

# The setup's uninstaller removes exactly the files it installed.
filelist="$root/$build/uninstall-files.nsh"
(cd "$stage" && find . -type f | sort | sed 's|^\./||; s|/|\\|g; s|.*|  Delete "$INSTDIR\\&"|' &&
 find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g; s|.*|  RMDir "$INSTDIR\\&"|') >"$filelist"
setup="$root/$build/$name-setup.exe"
makensis -V2 -DVERSION="$version" -DSTAGE="$root/$stage" -DOUTFILE="$setup" -DFILELIST="$filelist" \
  packaging/windows/installer.nsi
zipfile="$root/$build/$name-windows.zip"
rm -f "$zipfile"
(cd "$build" && zip -qr -X "$zipfile" "$name")
echo "windows-package: $build/$name-setup.exe ($(du -k "$setup" | cut -f1) KiB) and" \
  "$build/$name-windows.zip ($(du -k "$zipfile" | cut -f1) KiB) in $((SECONDS - start)) s"
