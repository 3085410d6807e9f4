#!/usr/bin/env bash
# The live viewer (`scenario-tool serve`) in a real browser: Debian's chromium, driven by
# playwright-core from npm (no browser is downloaded), against the release build of the tool.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev \
  libfltk1.3-dev chromium fonts-dejavu-core
command -v node >/dev/null && command -v npm >/dev/null || scripts/install-deps.sh nodejs npm

cmake --preset release >/dev/null
cmake --build --preset release --target scenario-tool
(cd tests/browser && npm ci --no-audit --no-fund --loglevel=error && npm test)
