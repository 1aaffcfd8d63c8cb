#!/bin/bash
# check_pe.sh OBJDUMP EXE MAGIC SUBSYSTEM
# Checks a built Windows executable from the outside, the way it is shipped: its PE magic
# ("PE32" or "PE32+"), its subsystem ("Windows GUI" or "Windows CUI"), and that it imports only
# DLLs of the system, so that it runs without anything beside it.
set -euo pipefail
objdump=$1
exe=$2
magic=$3
subsystem=$4

headers=$("$objdump" -p "$exe")
fail=0

actual_magic=$(sed -n 's/^Magic[[:space:]]*[0-9a-f]*[[:space:]]*(\(.*\))$/\1/p' <<<"$headers")
if [ "$actual_magic" != "$magic" ]; then
    echo "FAIL: $exe is '$actual_magic', expected '$magic'"
    fail=1
fi

actual_subsystem=$(sed -n 's/^Subsystem[[:space:]]*[0-9a-f]*[[:space:]]*(\(.*\))$/\1/p' <<<"$headers")
if [ "$actual_subsystem" != "$subsystem" ]; then
    echo "FAIL: $exe has subsystem '$actual_subsystem', expected '$subsystem'"
    fail=1
fi

system_dlls=" KERNEL32.DLL MSVCRT.DLL USER32.DLL GDI32.DLL ADVAPI32.DLL SHELL32.DLL COMCTL32.DLL WINMM.DLL "
dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
if [ -z "$dlls" ]; then
    echo "FAIL: $exe lists no imports at all"
    fail=1
fi
for dll in $dlls; do
    upper=$(tr '[:lower:]' '[:upper:]' <<<"$dll")
    if [[ "$system_dlls" != *" $upper "* ]]; then
        echo "FAIL: $exe imports $dll, which is not a system DLL"
        fail=1
    fi
done

echo "$exe: $actual_magic, $actual_subsystem, imports: $(tr "\n" " " <<<"$dlls")"
exit $fail
