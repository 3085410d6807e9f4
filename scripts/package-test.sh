#!/usr/bin/env bash
# Makes the release packages (scripts/package.sh) and tries them as their users would: the
# Debian package installed on this machine, used and removed again; the Windows zip listed and
# both its programs run under Wine. Run by scripts/test.sh after the Windows suite, whose Wine
# prefix it uses.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/package.sh
scripts/install-deps.sh lintian man-db wine wine64 xvfb xauth

version=$(sed -n 's/^project([a-z0-9_]* VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[ -n "$version" ] || {
  echo "$0: no project version in CMakeLists.txt" >&2
  exit 1
}
tests/package/debian_package.sh "dist/scenario-tool_${version}_$(dpkg --print-architecture).deb" \
  "$version"
tests/package/vscode_extension.sh "dist/scenario-descriptions-$version.vsix" "$version"

prefix=$PWD/build/windows-test/wine-prefix
# Wine's server outlives the programs by a little; it goes with this script.
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true' EXIT
WINEPREFIX=$prefix xvfb-run -a tests/package/windows_zip.sh \
  "dist/genova_torino_ic514-$version-windows-x86_64.zip" "$version"
