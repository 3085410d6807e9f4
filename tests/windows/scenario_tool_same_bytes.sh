#!/usr/bin/env bash
# scenario-tool.exe under Wine compiles the same descriptions into the same bytes as the Linux
# scenario-tool, answers with the same JSON report and the same exit status, given descriptions
# in a folder named with letters outside Windows-1252.
#
#   scenario_tool_same_bytes.sh WINDOWS_TOOL LINUX_TOOL FIXTURES_DIR
# shellcheck source=tests/windows/common.sh
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
  # Each side works in a folder of its own, on descriptions in a subfolder of the same name;
  # the compiled files go to the folder it works in.
  folder="Łódź 東京"
  for side in linux windows; do
    rm -rf "${scratch:?}/$side"
    mkdir -p "$scratch/$side/$folder"
    cp "$fixtures/$line" "$scratch/$side/$folder/"
    if [ -n "$extra" ]; then
      sed "s/^\[fine\]\r\$/$extra\r\n[fine]\r/" "$fixtures/$train" >"$scratch/$side/$folder/$train"
    else
      cp "$fixtures/$train" "$scratch/$side/$folder/"
    fi
  done

  linux_status=0
  # shellcheck disable=SC2086  # the arguments are words
  (cd "$scratch/linux" && "$linux_tool" compile "$folder/$line" "$folder/$train" $arguments \
    >"$scratch/linux.json" 2>"$scratch/linux.err") || linux_status=$?
  windows_status=0
  # shellcheck disable=SC2086
  (cd "$scratch/windows" && "$SCENARIO_WINE" "$windows_tool" compile "$folder/$line" \
    "$folder/$train" $arguments >"$scratch/windows.json" 2>"$scratch/windows.err") ||
    windows_status=$?

  [ "$linux_status" -eq "$expected_status" ] ||
    fail "$name: the Linux tool ended with $linux_status: $(cat "$scratch/linux.err")"
  [ "$windows_status" -eq "$expected_status" ] ||
    fail "$name: the Windows tool ended with $windows_status: $(cat "$scratch/windows.err")"
  # The console's line ends are CR LF on Windows; the report is the same.
  tr -d '\r' <"$scratch/windows.json" | cmp - "$scratch/linux.json" ||
    fail "$name: the reports differ:"$'\n'"$(cat "$scratch/linux.json")"$'\n'"$(cat "$scratch/windows.json")"
  # The same files, inputs and outputs, wherever the tool put them.
  linux_files=$(cd "$scratch/linux" && find . -type f | LC_ALL=C sort)
  windows_files=$(cd "$scratch/windows" && find . -type f | LC_ALL=C sort)
  [ "$windows_files" = "$linux_files" ] ||
    fail "$name: the Windows tool left"$'\n'"$windows_files"$'\n'"instead of"$'\n'"$linux_files"
  while IFS= read -r file; do
    cmp "$scratch/linux/$file" "$scratch/windows/$file" || fail "$name: $file differs"
  done <<<"$linux_files"
done
echo "every case gave the Linux tool's bytes, report and status"
