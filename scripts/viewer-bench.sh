#!/usr/bin/env bash
# Measures the live viewer in a real browser (Debian's chromium through playwright-core): first
# paint of the carried scenario, a save to the new picture on the page, and a generated line of
# 1,000,000 m with 1000 signals served, drawn and panned. Prints the figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev \
  libfltk1.3-dev libbenchmark-dev chromium fonts-dejavu-core
command -v node >/dev/null && command -v npm >/dev/null || scripts/install-deps.sh nodejs npm

cmake --preset release >/dev/null
cmake --build --preset release --target scenario-tool
cmake --preset bench >/dev/null
cmake --build build/bench --target scenario_write_generated
(cd tests/browser && npm ci --no-audit --no-fund --loglevel=error)
SCENARIO_WRITE_GENERATED=$PWD/build/bench/bench/scenario_write_generated \
  node tests/browser/viewer_bench.mjs
