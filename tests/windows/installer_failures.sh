#!/usr/bin/env bash
# The two ways a Windows run ends badly, as a person sees them, from a folder named with letters
# outside Windows-1252: a description with data where the stamps go ends in the message box
# " Errore n. 1250" and a non-zero status, with no compiled file written; a compiled file that
# cannot be written (a folder stands in its place) ends in a message that names it, in full, and
# leaves no temporary file behind.
#
#   installer_failures.sh WINDOWS_INSTALLER ERRORE_PROBE
# shellcheck source=tests/windows/common.sh
source "$(dirname "$0")/common.sh"

windows_installer=$1
errore_probe=$2
require_file "$windows_installer" "cmake --build --preset windows-test"
require_file "$errore_probe" "cmake --build --preset windows-test"
require_display
mkdir "$scratch/elsewhere"

echo "errore: the compiler stops on data where the stamps go"
dir="$scratch/Prova Łódź 東京"
mkdir "$dir"
cp "$errore_probe" "$dir/errore_probe.exe"
status=0
(cd "$scratch/elsewhere" && run_windows "$scratch/errore.txt" "$dir/errore_probe.exe") || status=$?
[ "$status" -eq 1 ] || fail "errore ended with status $status, not 1"
expect_content "$scratch/errore.txt" " Errore n. 1250" "the message box of errore"
# Both descriptions were read and deleted; no compiled file was written.
expect_listing "$dir" errore_probe.exe

echo "a compiled file that cannot be written"
dir="$scratch/Prova Łódź 東京 (2)"
mkdir "$dir" "$dir/GENOVA_TORINO_IC514.dat"
cp "$windows_installer" "$dir/GENOVA_TORINO_IC514.exe"
status=0
(cd "$scratch/elsewhere" && run_windows "$scratch/file.txt" "$dir/GENOVA_TORINO_IC514.exe") ||
  status=$?
[ "$status" -eq 2 ] || fail "the file failure ended with status $status, not 2"
expect_content "$scratch/file.txt" \
  "Installazione interrotta, errore nei file: cannot write $(windows_path "$dir")\\GENOVA_TORINO_IC514.dat: it is a directory" \
  "the message box of the file failure"
# The files written before the failure stay; nothing half-written or temporary is left.
expect_listing "$dir" GENOVA_TORINO_IC514.exe GENOVA_TORINO_IC514.dat GENOVA_TORINO_IC514.sim \
  GENOVA_TORINO_IC514_note.txt GENOVA_TORINO_IC514_rallentamenti.txt \
  GENOVA_TORINO_IC514_scheda_treno.txt GENOVA_TORINO_linea.dat
expect_listing "$dir/GENOVA_TORINO_IC514.dat"
expect_listing "$scratch/elsewhere"
echo "both failures shown and ended as expected"
