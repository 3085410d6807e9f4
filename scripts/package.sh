#!/usr/bin/env bash
# Builds the release packages from this checkout into dist/:
#   scenario-tool_VERSION_ARCH.deb                   the Debian package (CPack, DEB)
#   genova_torino_ic514-VERSION-windows-x86_64.zip   the Windows programs (mingw-w64, CPack, ZIP)
# VERSION is the project's version in CMakeLists.txt. Packages of earlier runs in dist/ go.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build libfltk1.3-dev libcli11-dev nlohmann-json3-dev \
  pkg-config help2man dpkg-dev file g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64

rm -rf dist
cmake --preset package >/dev/null
cmake --build --preset package
cpack --preset deb
cmake --preset windows >/dev/null
cmake --build --preset windows
cpack --preset windows-zip
# CPack's staging folders.
rm -rf dist/_CPack_Packages
ls -l dist
