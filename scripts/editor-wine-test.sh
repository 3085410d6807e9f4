#!/usr/bin/env bash
# The Windows build's language server under Wine, driven by the same protocol client as the
# Linux one (tests/editor/lsp.test.mjs): the framing, binary standard streams and paths of
# Windows. Run by scripts/test.sh after scripts/windows-test.sh, whose Wine prefix it uses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh cmake ninja-build g++-mingw-w64-x86-64 libcli11-dev nlohmann-json3-dev \
  binutils-mingw-w64-x86-64 wine wine64
command -v node >/dev/null && command -v npm >/dev/null || scripts/install-deps.sh nodejs npm

cmake --preset windows >/dev/null
cmake --build --preset windows --target scenario-tool
prefix=$PWD/build/windows-test/wine-prefix
scripts/windows-wine.sh --prefix "$prefix" --init
work=$(mktemp -d)
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
# The server talks through its standard input and output, which windows-wine.sh keeps for
# itself: Wine runs it here with the pipes of the test.
cat >"$work/scenario-tool" <<WRAPPER
#!/usr/bin/env bash
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
exec wine $PWD/build/windows/bin/scenario-tool.exe "\$@"
WRAPPER
chmod +x "$work/scenario-tool"
(cd tests/editor && npm ci --no-audit --no-fund --loglevel=error &&
  SCENARIO_TOOL=$work/scenario-tool node --test --test-concurrency=1 lsp.test.mjs)
