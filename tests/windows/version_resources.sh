#!/usr/bin/env bash
# Each Windows program carries the file properties Windows shows: the project's release as its
# file and product version, both as numbers and as text, its own file name and a description.
# The resources are read back from the built executables with windres.
#
#   version_resources.sh WINDRES VERSION PROGRAM...
set -euo pipefail

windres=$1
version=$2
shift 2
IFS=. read -r major minor patch <<<"$version"
numbers="$major, $minor, $patch, 0"
status=0
for program in "$@"; do
  resources=$("$windres" --input-format=coff --output-format=rc --input="$program")
  name=$(basename "$program")
  for expected in "FILEVERSION $numbers" "PRODUCTVERSION $numbers" \
    "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    "VALUE \"OriginalFilename\", \"$name\"" "VALUE \"FileDescription\", \""; do
    if ! grep -qF "$expected" <<<"$resources"; then
      echo "FAIL: $name lacks [$expected] in its resources:"$'\n'"$resources"
      status=1
    fi
  done
  echo "$name: $(grep -oE '(File|Product)Version", "[^"]*"' <<<"$resources" | paste -sd ' ')"
done
exit $status
