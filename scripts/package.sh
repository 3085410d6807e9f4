#!/usr/bin/env bash
# Builds the release packages from this checkout into dist/:
#   scenario-tool_VERSION_ARCH.deb                   the Debian package (CPack, DEB)
#   genova_torino_ic514-VERSION-windows-x86_64.zip   the Windows programs (mingw-w64, CPack, ZIP)
#   scenario-descriptions-VERSION.vsix               the VS Code extension (editors/vscode, vsce)
# VERSION is the project's version in CMakeLists.txt. Packages of earlier runs in dist/ go.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh g++ cmake ninja-build libfltk1.3-dev libcli11-dev nlohmann-json3-dev \
  pkg-config help2man dpkg-dev file g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
command -v node >/dev/null && command -v npm >/dev/null || scripts/install-deps.sh nodejs npm

version=$(sed -n 's/^project([a-z0-9_]* VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
extension_version=$(node -p 'require("./editors/vscode/package.json").version')
[ "$version" = "$extension_version" ] || {
  echo "$0: editors/vscode/package.json has version $extension_version, CMakeLists.txt $version" >&2
  exit 1
}

rm -rf dist
cmake --preset package >/dev/null
cmake --build --preset package
cpack --preset deb
cmake --preset windows >/dev/null
cmake --build --preset windows
cpack --preset windows-zip
# The extension's packages come from its lock file alone; their install scripts (a signing
# tool's download) are not needed to pack it.
(cd editors/vscode && npm ci --ignore-scripts --prefer-offline --no-audit --no-fund --loglevel=error &&
  node_modules/.bin/vsce package --skip-license --allow-missing-repository \
    --out "../../dist/scenario-descriptions-$version.vsix" >/dev/null)
# CPack's staging folders.
rm -rf dist/_CPack_Packages
ls -l dist
