#!/usr/bin/env bash
# The VS Code extension as an editor installs it: the .vsix holds the manifest of this release,
# the grammar, the language's settings and the client with every package it loads at run time,
# and none of the grammar's test fixtures.
#
#   vscode_extension.sh PACKAGE.vsix VERSION
set -euo pipefail
vsix=$(realpath "$1")
version=$2
fail() {
  echo "vscode_extension.sh: $*" >&2
  exit 1
}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

(cd "$scratch" && cmake -E tar xf "$vsix")
root=$scratch/extension
for file in package.json extension.js language-configuration.json \
  syntaxes/scenario-description.tmLanguage.json README.md; do
  [ -f "$root/$file" ] || fail "the package has no extension/$file"
done
[ ! -e "$root/test" ] || fail "the package carries the grammar's test fixtures"
manifest_version=$(node -p "require('$root/package.json').version")
[ "$manifest_version" = "$version" ] || fail "the manifest gives version $manifest_version"
# The extension's script with every package it requires, resolved from the unpacked folder as
# the editor loads it; the editor's own API module is given as an empty stand-in.
node -e "
  const Module = require('module');
  const stand_in = new Proxy(function () {}, { get: (t, key) => key === 'then' ? undefined : stand_in });
  const resolve = Module._resolveFilename;
  Module._resolveFilename = function (request, ...rest) {
    return request === 'vscode' ? 'vscode' : resolve.call(this, request, ...rest);
  };
  require.cache.vscode = { id: 'vscode', filename: 'vscode', loaded: true, exports: stand_in };
  const extension = require('$root/extension.js');
  if (typeof extension.activate !== 'function') process.exit(1);
" || fail "the extension's script cannot be loaded from the package"
node -e "JSON.parse(require('fs').readFileSync('$root/syntaxes/scenario-description.tmLanguage.json'))" ||
  fail "the grammar is not JSON"
echo "vsix: $(cmake -E tar tf "$vsix" | wc -l) files, version $version"
