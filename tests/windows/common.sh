# shellcheck shell=bash
# Shared by the Windows end-to-end tests: starting a Windows program under Wine, naming files
# for it, and checking what a run left in its folder. Sourced, not run.
set -euo pipefail

: "${SCENARIO_WINE:?the Wine starter, scripts/windows-wine.sh}"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# A program or library the test needs; `hint` says how to get it.
require_file() {
  local path=$1 hint=$2
  [ -f "$path" ] || fail "missing $path ($hint)"
}

# The installer's window and message box need a display; Wine draws them on X.
require_display() {
  [ -n "${DISPLAY:-}" ] ||
    fail "no X display for the Windows programs' windows: run the tests under xvfb-run -a"
}

# The Windows name of a Unix path: Wine's drive Z: is the Unix root.
windows_path() {
  local path=$1
  printf 'Z:%s' "${path//\//\\}"
}

# Runs a Windows program under Wine with the message box answered and logged to `log`
# (SCENARIO_TEST_MESSAGE_LOG), from the current directory; prints nothing, returns its status.
run_windows() {
  local log=$1
  shift
  SCENARIO_TEST_MESSAGE_LOG=$(windows_path "$log") "$SCENARIO_WINE" "$@"
}

# Fails unless `dir` holds exactly the names given, hidden ones included.
expect_listing() {
  local dir=$1
  shift
  local expected actual
  expected=$(printf '%s\n' "$@" | LC_ALL=C sort)
  actual=$(ls -A "$dir" | LC_ALL=C sort)
  [ "$actual" = "$expected" ] ||
    fail "$dir holds"$'\n'"$actual"$'\n'"instead of"$'\n'"$expected"
}

# Fails unless the file `log` holds exactly `text`.
expect_content() {
  local log=$1 text=$2 what=$3
  local actual=""
  [ -f "$log" ] && actual=$(cat "$log")
  [ "$actual" = "$text" ] || fail "$what: got [$actual], expected [$text]"
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
