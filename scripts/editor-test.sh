#!/usr/bin/env bash
# The language server (`scenario-tool lsp`) with real clients: a protocol client from npm
# (vscode-jsonrpc, pinned in tests/editor/package-lock.json) and Debian's Neovim, headless, with
# its built-in client; both against the release build of the tool. Then the VS Code extension's
# grammar (editors/vscode), on its fixtures, with vscode-tmgrammar-test pinned in its lock file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build pkg-config libcli11-dev nlohmann-json3-dev \
  libfltk1.3-dev neovim
command -v node >/dev/null && command -v npm >/dev/null || scripts/install-deps.sh nodejs npm

cmake --preset release >/dev/null
cmake --build --preset release --target scenario-tool
(cd tests/editor && npm ci --no-audit --no-fund --loglevel=error && npm test)
(cd editors/vscode && npm ci --ignore-scripts --prefer-offline --no-audit --no-fund --loglevel=error &&
  node --check extension.js && npm test)
