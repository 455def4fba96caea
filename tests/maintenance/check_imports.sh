#!/usr/bin/env bash
# Functions that older systems or Wine lack are looked up at run time: a
# static import of any of them would stop the program from loading there.
# The Shell's path to item-ID list conversion is looked up by its ordinal:
# some shell32 versions export it without a name.
#   check_imports.sh PROGRAM.exe
set -euo pipefail
program=$1
imports=$(x86_64-w64-mingw32-objdump -p "$program")
# The import table must have been read at all for the test to mean anything.
grep -qw GetProcAddress <<<"$imports" || { echo "no import table read from $program" >&2; exit 1; }
status=0
for name in IsProcessCritical RtlGetVersion GetDpiForSystem ILCreateFromPathW ILCreateFromPath; do
  if grep -qw "$name" <<<"$imports"; then
    echo "$program imports $name statically" >&2
    status=1
  fi
done
exit $status
