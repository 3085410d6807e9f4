#!/usr/bin/env bash
# Measures the language server (`scenario-tool lsp`, release build) through a protocol client:
# a keystroke to its diagnostics on the carried scenario and on a generated 1,000,000 m line,
# beside a `check` process on the same files. Prints the figures (docs/performance.md).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev \
  libfltk1.3-dev libbenchmark-dev
command -v node >/dev/null && command -v npm >/dev/null || scripts/install-deps.sh nodejs npm

cmake --preset release >/dev/null
cmake --build --preset release --target scenario-tool
cmake --preset bench >/dev/null
cmake --build build/bench --target scenario_write_generated
(cd tests/editor && npm ci --no-audit --no-fund --loglevel=error)
SCENARIO_WRITE_GENERATED=$PWD/build/bench/bench/scenario_write_generated \
  node tests/editor/lsp_bench.mjs
