#!/usr/bin/env bash
# Writes the manual page scenario-tool(1), compressed as Debian wants it, from the tool's own
# help: the program's --help through help2man, and each command's --help (the list of
# commands taken from the program's help) as the COMMANDS section and, for their exit
# statuses, the EXIT STATUS section. A command added, or an option or a status changed, shows
# in the page at the next build; only the hand-written frame (packaging/scenario-tool.h2m)
# stays as it is.
#
#   man-page.sh TOOL FRAME.h2m VERSION OUTPUT.1.gz
set -euo pipefail

tool=$1 frame=$2 version=$3 output=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Help text as roff that is shown as it is: backslashes and minus signs escaped, a line that
# would start a request guarded.
as_roff() {
  sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"
}

# The commands, from the "Subcommands:" block of the program's help.
commands=$("$tool" --help | awk '/^Subcommands:/ { inside = 1; next }
  inside && /^  [a-z]/ { print $1; next }
  inside && !/^ / { inside = 0 }')
[ -n "$commands" ] || {
  echo "$0: $tool --help lists no commands" >&2
  exit 1
}

generated=$work/commands.h2m
{
  echo "[COMMANDS]"
  for command in $commands; do
    echo ".SS \"$command\""
    echo ".nf"
    "$tool" "$command" --help | as_roff
    echo ".fi"
  done
  # After the frame's EXIT STATUS text.
  echo "[EXIT STATUS]"
  for command in $commands; do
    statuses=$("$tool" "$command" --help | awk '/^Exit status/ { inside = 1; print; next }
      inside && /^  / { print; next }
      inside { inside = 0 }')
    [ -n "$statuses" ] || {
      echo "$0: $tool $command --help gives no exit statuses" >&2
      exit 1
    }
    echo ".SS \"$command\""
    echo ".nf"
    as_roff <<<"$statuses"
    echo ".fi"
  done
} >"$generated"

help2man --no-info --section=1 --version-string="$version" \
  --include="$frame" --include="$generated" --output="$work/scenario-tool.1" "$tool"
gzip -9n <"$work/scenario-tool.1" >"$output"
