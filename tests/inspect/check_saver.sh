#!/bin/bash
# check_saver.sh OBJDUMP SAVER MAGIC
# The shipped saver from the outside, beyond check_pe.sh: a GUI program, InitCommonControls
# imported from COMCTL32 by ordinal 17 (the one export every COMCTL32 has had), and the
# resources the system and the about box look up: dialog 101 and icon group 102, in Japanese
# (1041). Used where the saver cannot run (the 32-bit build), and on the 64-bit one alike.
set -uo pipefail
objdump=$1
saver=$2
magic=$3
here=$(cd "$(dirname "$0")" && pwd)

fail=0
bash "$here/check_pe.sh" "$objdump" "$saver" "$magic" "Windows GUI" || fail=1

# The import table of COMCTL32: exactly one entry, by ordinal 17, no name. The thunk holds the
# ordinal flag (the top bit) and the ordinal; objdump prints the ordinal column in decimal for
# PE32 and in hex for PE32+, so the thunk is what is compared.
comctl32=$("$objdump" -p "$saver" | awk '
    /DLL Name:/ { inside = (toupper($3) == "COMCTL32.DLL"); next }
    inside && /Hint\/Ord/ { next }
    inside && NF == 0 { inside = 0 }
    inside { print }')
entries=$(grep -c . <<<"$comctl32" || true)
if [ "$entries" != 1 ] || ! grep -Eq '^[[:space:]]*8(0{5}|0{13})11[[:space:]]+[0-9a-f]+[[:space:]]+<none>' <<<"$comctl32"; then
    echo "FAIL: $saver does not import COMCTL32 by ordinal 17 alone; its entries:"
    echo "$comctl32"
    fail=1
fi

resources=$(wrestool -l "$saver" 2>&1)
for wanted in "--type=5 --name=101 --language=1041 " "--type=14 --name=102 --language=1041 "; do
    if ! grep -qF -- "$wanted" <<<"$resources"; then
        echo "FAIL: $saver has no resource '$wanted'; wrestool lists:"
        echo "$resources"
        fail=1
    fi
done
# The dialog and the icon group under no other language, where a lookup could pick them first.
for type_name in "--type=5 --name=101 " "--type=14 --name=102 "; do
    count=$(grep -cF -- "$type_name" <<<"$resources" || true)
    if [ "$count" != 1 ]; then
        echo "FAIL: $saver has $count resources '$type_name'"
        fail=1
    fi
done

[ "$fail" = 0 ] && echo "$saver: COMCTL32 ordinal 17; dialog 101 and icon group 102 in 1041"
exit $fail
