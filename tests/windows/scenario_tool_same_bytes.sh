#!/usr/bin/env bash
# scenario-tool.exe under Wine compiles the same descriptions into the same bytes as the Linux
# scenario-tool, answers with the same JSON report and the same exit status, working in a folder
# named with letters outside Windows-1252.
#
#   scenario_tool_same_bytes.sh WINDOWS_TOOL LINUX_TOOL FIXTURES_DIR
source "$(dirname "$0")/common.sh"

windows_tool=$1
linux_tool=$2
fixtures=$3
require_file "$windows_tool" "cmake --build --preset windows-test"
require_file "$linux_tool" "the Linux test build: cmake --preset test && cmake --build --preset test"

line=COLLE_MARE_linea.txt
train=COLLE_MARE_R2041-.txt
# A signal in the route's first 50 m, where the stamps go.
stamped_signal='segnale,  10,  1, 1, 1,  0, 0,  1,  1,1,0, 0'

# case name | arguments after "compile LINE TRAIN" | status | the train's extra record
cases=(
  "compiled|--json|0|"
  "without the track plan|--no-track-plan --json|0|"
  "data where the stamps go|--json|2|$stamped_signal"
)
for case in "${cases[@]}"; do
  IFS='|' read -r name arguments expected_status extra <<<"$case"
  echo "case: $name"
  for side in linux windows; do
    dir="$scratch/$side Łódź 東京"
    rm -rf "$dir"
    mkdir "$dir"
    cp "$fixtures/$line" "$dir/"
    if [ -n "$extra" ]; then
      sed "s/^\[fine\]\r\$/$extra\r\n[fine]\r/" "$fixtures/$train" >"$dir/$train"
    else
      cp "$fixtures/$train" "$dir/"
    fi
  done

  linux_status=0
  # shellcheck disable=SC2086  # the arguments are words
  (cd "$scratch/linux Łódź 東京" && "$linux_tool" compile "$line" "$train" $arguments \
    >"$scratch/linux.json" 2>"$scratch/linux.err") || linux_status=$?
  windows_status=0
  # shellcheck disable=SC2086
  (cd "$scratch/windows Łódź 東京" && "$SCENARIO_WINE" "$windows_tool" compile "$line" "$train" \
    $arguments >"$scratch/windows.json" 2>"$scratch/windows.err") || windows_status=$?

  [ "$linux_status" -eq "$expected_status" ] ||
    fail "$name: the Linux tool ended with $linux_status: $(cat "$scratch/linux.err")"
  [ "$windows_status" -eq "$expected_status" ] ||
    fail "$name: the Windows tool ended with $windows_status: $(cat "$scratch/windows.err")"
  # The console's line ends are CR LF on Windows; the report is the same.
  tr -d '\r' <"$scratch/windows.json" | cmp - "$scratch/linux.json" ||
    fail "$name: the reports differ:"$'\n'"$(cat "$scratch/linux.json")"$'\n'"$(cat "$scratch/windows.json")"
  linux_files=$(ls -A "$scratch/linux Łódź 東京")
  expect_listing "$scratch/windows Łódź 東京" $linux_files
  for file in $linux_files; do
    cmp "$scratch/linux Łódź 東京/$file" "$scratch/windows Łódź 東京/$file" ||
      fail "$name: $file differs"
  done
done
echo "every case gave the Linux tool's bytes, report and status"
