#!/usr/bin/env bash
# Builds the whole test suite (address and undefined-behaviour sanitizers on) and runs it; then
# the live viewer's page in a real browser; then the language server with a protocol client and
# with Neovim; then the Windows build's suite under Wine, which compares its programs with
# these, and its language server with the same protocol client; then makes the release packages
# and tries them (the Debian package is installed and removed again).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build libgtest-dev libgmock-dev libfltk1.3-dev \
  libcli11-dev nlohmann-json3-dev pkg-config xvfb xauth librsvg2-bin
cmake --preset test >/dev/null
cmake --build --preset test
ctest --preset test
scripts/browser-test.sh
scripts/editor-test.sh
scripts/windows-test.sh
scripts/editor-wine-test.sh
scripts/package-test.sh
