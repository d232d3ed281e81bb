#!/usr/bin/env bash
# Installs the Debian packages needed to build the .deb (make package) on top of the build
# dependencies: manual pages from --help, the icon's PNG, shared-library dependencies, and the
# two validators. Only what is missing is installed. Run as root or with sudo available.
set -euo pipefail

packages=(
  help2man            # manual pages from --help
  librsvg2-bin        # rsvg-convert: the 256 px PNG icon from the SVG
  dpkg-dev            # dpkg-shlibdeps: the package's dependencies from the binaries
  desktop-file-utils  # desktop-file-validate
  appstream           # appstreamcli validate
  file                # CPack's Debian generator looks at the binaries with it
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-package-deps: all ${#packages[@]} packages present"
  exit 0
fi

echo "install-package-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null 2>&1; then
  sudo=(sudo)
else
  echo "install-package-deps: not root and no sudo; install these packages first: ${missing[*]}" >&2
  exit 1
fi

"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" </dev/null
echo "install-package-deps: done"
