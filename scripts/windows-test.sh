#!/usr/bin/env bash
# The Windows build's test suite: cross-builds the installer, scenario-tool and the tests for
# 64-bit Windows with mingw-w64, and runs them under Wine on a virtual X display. The end-to-end
# tests compare the Windows programs' files with those of the Linux test build (build/test), so
# scripts/test.sh runs this after the Linux suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64 googletest libcli11-dev \
  nlohmann-json3-dev binutils-mingw-w64-x86-64 wine wine64 xvfb xauth locales

# One run works with Windows in code page 932, which Wine takes from a Japanese locale.
if ! locale -a | tr -d - | grep -qix ja_JP.utf8; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi

cmake --preset windows >/dev/null
cmake --build --preset windows
cmake --preset windows-test >/dev/null
prefix=$PWD/build/windows-test/wine-prefix
# Wine's server outlives the tests' programs by a little; it goes with this script.
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true' EXIT
started=$(date +%s)
scripts/windows-wine.sh --prefix "$prefix" --init
echo "Wine prefix ready after $(($(date +%s) - started)) s"
cmake --build --preset windows-test
xvfb-run -a ctest --preset windows-test
