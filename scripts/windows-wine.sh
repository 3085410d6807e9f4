#!/usr/bin/env bash
# Runs a program of the Windows build under Wine, the way the Windows tests start them:
#
#   scripts/windows-wine.sh [--prefix DIR] PROGRAM.exe [ARGUMENTS...]
#   scripts/windows-wine.sh [--prefix DIR] --init      only make the prefix, once
#
# DIR is the Wine prefix, the emulated Windows installation (default: the WINEPREFIX variable,
# else build/windows-test/wine-prefix). It is made on first use, under a lock so that tests
# started together make it once. Wine's own diagnostics are off, and Wine is told not to offer
# to install its .NET and HTML add-ons, so nothing waits for an answer.
#
# Unix file names are taken as UTF-8 (LC_ALL=C.UTF-8 unless LC_ALL is set), so that Windows
# names with any letters map to the same names on disk. A caller that sets LC_ALL to another
# UTF-8 locale also changes Windows' code page, e.g. ja_JP.UTF-8 gives code page 932.
set -euo pipefail

prefix=${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/windows-test/wine-prefix}
if [ "${1:-}" = --prefix ]; then
  prefix=$2
  shift 2
fi
# Wine takes only an absolute prefix.
prefix=$(realpath -m "$prefix")
if [ $# -eq 0 ]; then
  echo "usage: $0 [--prefix DIR] PROGRAM.exe [ARGUMENTS...] | --init" >&2
  exit 2
fi
for tool in wine wineboot wineserver; do
  if ! command -v "$tool" >/dev/null; then
    echo "$0: $tool is not installed; the Windows tests need Wine:" \
      "scripts/install-deps.sh wine wine64" >&2
    exit 127
  fi
done

export WINEPREFIX=$prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LC_ALL=${LC_ALL:-C.UTF-8}

mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    started=$(date +%s)
    if ! wineboot -i >"$prefix.log" 2>&1; then
      cat "$prefix.log" >&2
      echo "$0: could not make the Wine prefix $prefix" >&2
      exit 1
    fi
    wineserver -w
    echo "Wine prefix made in $(($(date +%s) - started)) s: $prefix" >&2
  fi
) 9>"$prefix.lock"

[ "$1" = --init ] && exit 0
# Wine's server stays up for 30 s after its last program ends (3 s by default): tests start
# programs one after another, and starting the server anew costs each of them time. It is
# already up when this fails.
wineserver -p30 </dev/null >/dev/null 2>&1 || true

# Wine's server and the service processes a program starts outlive it and keep whatever output
# they were handed open; a test runner reading the program's output through a pipe would wait
# for them. The program writes to files instead, passed on once it has ended.
output=$(mktemp)
errors=$(mktemp)
trap 'rm -f "$output" "$errors"' EXIT
status=0
wine "$@" </dev/null >"$output" 2>"$errors" || status=$?
cat "$output"
cat "$errors" >&2
exit "$status"
