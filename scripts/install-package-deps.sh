#!/usr/bin/env bash
# Installs the Debian packages needed to build the .deb (make package) on top of the build
# dependencies: manual pages from --help, the icon's PNG, shared-library dependencies, and the
# two validators. Only what is missing is installed. Run as root or with sudo available.
set -euo pipefail

exec bash "$(dirname "${BASH_SOURCE[0]}")/install-deps.sh" \
  help2man            `# manual pages from --help` \
  librsvg2-bin        `# rsvg-convert: the 256 px PNG icon from the SVG` \
  dpkg-dev            `# dpkg-shlibdeps: the package's dependencies from the binaries` \
  desktop-file-utils  `# desktop-file-validate` \
  appstream           `# appstreamcli validate` \
  file                `# CPack's Debian generator looks at the binaries with it`
