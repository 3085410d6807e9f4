#!/usr/bin/env bash
# The Windows zip as a player gets it: it holds the two programs, the README and the documents
# in one folder and nothing else; unpacked, scenario-tool.exe gives the release and compiles the
# carried scenario under Wine, and GENOVA_TORINO_IC514.exe, run where it was unpacked, writes
# its six files there, the compiled ones the same bytes as the tool's. Needs an X display
# (xvfb-run -a) for the installer's window.
#
#   windows_zip.sh PACKAGE.zip VERSION
# shellcheck source=tests/windows/common.sh
SCENARIO_WINE=${SCENARIO_WINE:-$(cd "$(dirname "$0")/../.." && pwd)/scripts/windows-wine.sh}
source "$(dirname "$0")/../windows/common.sh"

zip=$(realpath "$1")
version=$2
require_display

top=$(basename "$zip" .zip)
# Every document of the checkout's docs/ folder goes into the zip.
source_root=$(cd "$(dirname "$0")/../.." && pwd)
mapfile -t documents < <(cd "$source_root" && find docs -type f)
expected=$(printf "$top/%s\n" GENOVA_TORINO_IC514.exe scenario-tool.exe README.md \
  "${documents[@]}" | LC_ALL=C sort)
# CMake lists a zip's folders too; only the files count.
listing=$(cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort)
[ "$listing" = "$expected" ] ||
  fail "the zip holds"$'\n'"$listing"$'\n'"instead of"$'\n'"$expected"
echo "zip: $(wc -l <<<"$listing") files in $top/"

(cd "$scratch" && cmake -E tar xf "$zip")
folder=$scratch/$top

got=$(cd "$folder" && "$SCENARIO_WINE" scenario-tool.exe --version | tr -d '\r')
[[ $got =~ ^scenario-tool\ ${version//./\\.}(\ \([^()]+\))?$ ]] ||
  fail "scenario-tool.exe --version gave [$got], not release $version"
echo "scenario-tool.exe --version: $got"

mkdir "$scratch/sources"
(cd "$scratch" && "$SCENARIO_WINE" "$folder/scenario-tool.exe" write-sources sources >/dev/null &&
  "$SCENARIO_WINE" "$folder/scenario-tool.exe" compile --out sources \
    sources/GENOVA_TORINO_linea.txt sources/GENOVA_TORINO_IC514-.txt >/dev/null) ||
  fail "scenario-tool.exe could not write and compile the carried scenario"

status=0
(cd "$folder" && run_windows "$scratch/messages.log" GENOVA_TORINO_IC514.exe) || status=$?
[ "$status" -eq 0 ] || fail "GENOVA_TORINO_IC514.exe ended with status $status"
expect_content "$scratch/messages.log" "" "the installer's messages"
expect_listing "$folder" GENOVA_TORINO_IC514.exe scenario-tool.exe README.md docs \
  GENOVA_TORINO_IC514_note.txt GENOVA_TORINO_IC514_rallentamenti.txt \
  GENOVA_TORINO_IC514_scheda_treno.txt GENOVA_TORINO_linea.dat GENOVA_TORINO_IC514.sim \
  GENOVA_TORINO_IC514.dat
for file in GENOVA_TORINO_linea.dat GENOVA_TORINO_IC514.sim GENOVA_TORINO_IC514.dat; do
  cmp "$folder/$file" "$scratch/sources/$file" ||
    fail "$file from the installer differs from scenario-tool.exe's"
done
echo "PASS: $zip holds both programs, and both run from it"
