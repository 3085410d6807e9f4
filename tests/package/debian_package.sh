#!/usr/bin/env bash
# The Debian package as a user gets it: lintian finds no error in it; `apt-get install` puts the
# tool, its manual page, the installer and the documents in place; the tool gives the release
# and compiles the carried scenario into the same bytes as the packaged installer writes; the
# manual page, read with man, has every command's help and exit statuses; `apt-get remove`
# takes every file away again. Installs the package on this machine, so it needs root (or
# sudo).
#
#   debian_package.sh PACKAGE.deb VERSION
set -euo pipefail

deb=$(realpath "$1")
version=$2
package=scenario-tool

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

installed() {
  dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null | grep -qx installed
}

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
scratch=$(mktemp -d)
cleanup() {
  # A failed run leaves nothing installed behind it.
  if installed; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq "$package" >/dev/null || true
  fi
  rm -rf "$scratch"
}

installed && fail "$package is installed already; remove it before this test"
trap cleanup EXIT

echo "lintian:"
# lintian reports on standard output; an error is a failure, warnings are shown.
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian found an error in $deb"

[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] ||
  fail "the package is release $(dpkg-deb -f "$deb" Version), not $version"

DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >"$scratch/apt.log" 2>&1 ||
  fail "apt-get install failed:"$'\n'"$(cat "$scratch/apt.log")"
dpkg-query -L "$package" >"$scratch/files"
for path in /usr/bin/scenario-tool /usr/lib/scenario-tool/genova_torino_ic514 \
  /usr/share/man/man1/scenario-tool.1.gz /usr/share/doc/scenario-tool/README.md \
  /usr/share/doc/scenario-tool/copyright /usr/share/doc/scenario-tool/changelog.gz \
  /usr/share/doc/scenario-tool/docs/limits.md; do
  grep -qx "$path" "$scratch/files" || fail "the package does not hold $path"
  [ -f "$path" ] || fail "$path is not there after apt-get install"
done

# The installed programs, found as a user finds them.
got=$(cd / && scenario-tool --version)
[[ $got =~ ^scenario-tool\ ${version//./\\.}(\ \([^()]+\))?$ ]] ||
  fail "scenario-tool --version gave [$got], not release $version"
echo "scenario-tool --version: $got"

# The tool compiles the descriptions it writes into the files the installer writes itself.
mkdir "$scratch/sources" "$scratch/compiled" "$scratch/installed"
scenario-tool write-sources "$scratch/sources" >/dev/null || fail "write-sources failed"
scenario-tool compile --out "$scratch/compiled" "$scratch/sources/GENOVA_TORINO_linea.txt" \
  "$scratch/sources/GENOVA_TORINO_IC514-.txt" >/dev/null ||
  fail "scenario-tool compile failed"
cp /usr/lib/scenario-tool/genova_torino_ic514 "$scratch/installed/"
env -u DISPLAY "$scratch/installed/genova_torino_ic514" || fail "the installer failed"
for file in GENOVA_TORINO_linea.dat GENOVA_TORINO_IC514.sim GENOVA_TORINO_IC514.dat; do
  cmp "$scratch/compiled/$file" "$scratch/installed/$file" ||
    fail "$file from scenario-tool differs from the installer's"
done

# The manual page as man shows it, in plain ASCII and without its bold and underlining; text
# compared with its spacing made single, as man indents it.
LC_ALL=C MANWIDTH=100 man scenario-tool 2>"$scratch/man.err" | sed 's/.\x08//g' >"$scratch/man.txt" ||
  fail "man scenario-tool failed: $(cat "$scratch/man.err")"
[ ! -s "$scratch/man.err" ] || fail "man scenario-tool warned: $(cat "$scratch/man.err")"
flat() { tr -s ' \n' ' '; }
man_text=$(flat <"$scratch/man.txt")
[[ $man_text == *"scenario-tool $version"* ]] || fail "the manual page does not give release $version"
commands=$(scenario-tool --help | awk '/^Subcommands:/ { inside = 1; next }
  inside && /^  [a-z]/ { print $1 }')
[ -n "$commands" ] || fail "scenario-tool --help lists no commands"
for command in $commands; do
  help=$(scenario-tool "$command" --help | flat)
  [[ $man_text == *"$help"* ]] || fail "the manual page does not have \`$command --help' as it is"
  statuses=$(scenario-tool "$command" --help | awk '/^Exit status/ { inside = 1; print; next }
    inside && /^  / { print; next }
    inside { inside = 0 }' | flat)
  [ -n "$statuses" ] || fail "\`$command --help' gives no exit statuses"
  # Once in the command's help, once more under EXIT STATUS.
  count=$(grep -o -F -- "$statuses" <<<"$man_text" | wc -l)
  [ "$count" -ge 2 ] || fail "the manual page's EXIT STATUS lacks the statuses of $command"
done
echo "man scenario-tool: $(wc -l <"$scratch/man.txt") lines; commands: ${commands//$'\n'/ }"

DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq "$package" >"$scratch/apt.log" 2>&1 ||
  fail "apt-get remove failed:"$'\n'"$(cat "$scratch/apt.log")"
status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || echo not-installed)
[ "$status" = not-installed ] || fail "after apt-get remove, $package is $status"
while read -r path; do
  [ -d "$path" ] || [ ! -e "$path" ] || fail "$path is still there after apt-get remove"
done <"$scratch/files"
echo "PASS: $deb installs, works, has its manual page and removes cleanly"
