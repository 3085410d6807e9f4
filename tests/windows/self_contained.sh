#!/usr/bin/env bash
# Each Windows program is one file that runs on a bare 64-bit Windows: a PE32+ x86-64 image
# of the expected subsystem (the installer windowed, the tool a console program) that imports
# only DLLs every Windows has, so no runtime DLL has to travel beside it.
#
#   self_contained.sh OBJDUMP PROGRAM:SUBSYSTEM...    (SUBSYSTEM: gui or console)
set -euo pipefail

objdump=$1
shift
# Windows' own DLLs; the C runtime msvcrt.dll is one of them, and ws2_32.dll, the sockets the
# viewer's server listens on.
system_dlls="kernel32.dll user32.dll gdi32.dll msvcrt.dll advapi32.dll shell32.dll ole32.dll ws2_32.dll"
status=0
for entry in "$@"; do
  program=${entry%:*}
  expected=${entry##*:}
  headers=$("$objdump" -p "$program")
  grep -q "file format pei-x86-64" <<<"$headers" || {
    echo "FAIL: $program is not a 64-bit Windows program"
    status=1
  }
  case $expected in
    gui) subsystem="(Windows GUI)" ;;
    console) subsystem="(Windows CUI)" ;;
  esac
  grep -q "^Subsystem.*$subsystem" <<<"$headers" || {
    echo "FAIL: $program is not of the subsystem $subsystem"
    status=1
  }
  imports=$(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]')
  [ -n "$imports" ] || {
    echo "FAIL: no imports found in $program"
    status=1
  }
  for dll in $imports; do
    if [[ " $system_dlls " != *" $dll "* ]]; then
      echo "FAIL: $program needs $dll, which Windows does not have"
      status=1
    fi
  done
  echo "$(basename "$program"): imports" $imports
done
exit $status
