#!/usr/bin/env bash
# The Windows installer, started under Wine in a folder of its own, leaves the same six files,
# byte for byte, as the Linux installer started in another: from a plain folder, from one named
# with letters outside Windows-1252, and with Windows set to the double-byte code page 932.
#
#   installer_same_bytes.sh WINDOWS_INSTALLER LINUX_INSTALLER CODE_PAGE_PROBE
# shellcheck source=tests/windows/common.sh
source "$(dirname "$0")/common.sh"

windows_installer=$1
linux_installer=$2
code_page_probe=$3
require_file "$windows_installer" "cmake --build --preset windows-test"
require_file "$code_page_probe" "cmake --build --preset windows-test"
require_file "$linux_installer" "the Linux test build: cmake --preset test && cmake --build --preset test"
require_display

scenario_files=(
  GENOVA_TORINO_IC514.dat GENOVA_TORINO_IC514.sim GENOVA_TORINO_IC514_note.txt
  GENOVA_TORINO_IC514_rallentamenti.txt GENOVA_TORINO_IC514_scheda_treno.txt
  GENOVA_TORINO_linea.dat)

# Started from another directory: the files go next to the program, not into the current one.
mkdir "$scratch/elsewhere" "$scratch/linux"
cp "$linux_installer" "$scratch/linux/genova_torino_ic514"
(cd "$scratch/elsewhere" && env -u DISPLAY "$scratch/linux/genova_torino_ic514") ||
  fail "the Linux installer ended with status $?"
expect_listing "$scratch/linux" genova_torino_ic514 "${scenario_files[@]}"

# folder name | LC_ALL of the Wine run (its language sets Windows' code page) | that code page
runs=(
  "Scenario|C.UTF-8|1252"
  "Prova Łódź 東京|C.UTF-8|1252"
  "Prova Łódź 東京 cp932|ja_JP.UTF-8|932"
)
n=0
for run in "${runs[@]}"; do
  IFS='|' read -r folder locale code_page <<<"$run"
  n=$((n + 1))
  echo "run $n: folder '$folder', LC_ALL=$locale"
  if [ "$locale" != C.UTF-8 ]; then
    locale -a | tr -d - | grep -qix "${locale//-/}" ||
      fail "the $locale locale is missing (scripts/windows-test.sh makes it)"
  fi
  # The run means something only if Windows really works in that code page there.
  page=$(cd "$scratch/elsewhere" && LC_ALL=$locale "$SCENARIO_WINE" "$code_page_probe" | tr -d '\r')
  [ "$page" = "$code_page" ] || fail "Wine works in code page $page with $locale, not $code_page"
  dir="$scratch/$folder"
  mkdir "$dir"
  cp "$windows_installer" "$dir/GENOVA_TORINO_IC514.exe"
  log="$scratch/messages-$n.txt"
  status=0
  (cd "$scratch/elsewhere" && LC_ALL=$locale run_windows "$log" "$dir/GENOVA_TORINO_IC514.exe") ||
    status=$?
  [ "$status" -eq 0 ] || fail "run $n ended with status $status; messages: $(cat "$log" 2>/dev/null)"
  expect_content "$log" "" "run $n showed a message"
  expect_listing "$dir" GENOVA_TORINO_IC514.exe "${scenario_files[@]}"
  for file in "${scenario_files[@]}"; do
    cmp "$scratch/linux/$file" "$dir/$file" || fail "run $n: $file differs from the Linux build's"
  done
  expect_listing "$scratch/elsewhere"
done
echo "every run left the Linux build's bytes"
