#!/usr/bin/env bash
# Installs the Debian packages needed to build, test, fuzz and demo the logger, or the packages
# named as arguments (the packaging and Windows scripts pass their own lists).
# Only what is missing is installed; when everything is present this returns at once.
# Run as root or with sudo available.
set -euo pipefail

packages=(
  cmake
  ninja-build
  g++
  clang               # libFuzzer builds
  libclang-rt-14-dev  # clang's sanitizer and libFuzzer runtimes
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  qt6-base-dev
  libqcustomplot-dev
  libgl-dev           # needed by Qt6Gui's CMake package
  xvfb                # optional display for the demo
  xauth
  at-spi2-core        # the accessibility bus: scripts/atspi-check.sh
  python3-pyatspi
  fonts-dejavu-core   # text in offscreen screenshots
  dbus-daemon         # dbus-run-session: a private session bus for the keep-awake test
)

[ $# -eq 0 ] || packages=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-deps: not root and no sudo; install these packages first: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
# Another apt run (another build, unattended upgrades) may hold the lock: wait for it, do not fail.
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
  "${missing[@]}" </dev/null
echo "install-deps: done"
