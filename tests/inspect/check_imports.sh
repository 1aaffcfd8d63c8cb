#!/bin/bash
# check_imports.sh OBJDUMP EXE x86|x64 TABLE
# Holds every import of a shipped saver against TABLE (windows-minimum-imports.txt): a function
# that the table does not list for this build is not in the stated minimum Windows, and fails.
# The PE header must state that minimum too: OS and subsystem version 5.1 for x86 (Windows XP),
# 5.2 for x64 (Windows XP x64 and Server 2003).
set -euo pipefail
objdump=$1
exe=$2
arch=$3
table=$4

headers=$("$objdump" -p "$exe")
# "DLL function" per import; an import by ordinal as "#N" (objdump prints the ordinal of a
# 64-bit image in hexadecimal, zero-filled).
imports=$(awk -F'\t' '
    /^\tDLL Name: / { dll = toupper(substr($0, 12)); next }
    /^$/ { dll = "" }
    dll != "" && /^\t[0-9a-f]+\t/ {
        n = split($3, field, " ")
        if (n >= 2 && field[2] != "<none>") { print dll, field[2] } else { print dll, "ordinal", field[1] }
    }' <<<"$headers" | sort -u)

fail=0
count=0
while read -r dll name ordinal; do
    if [ "$name" = ordinal ]; then
        if [[ $ordinal == 0* && ${#ordinal} -gt 5 ]]; then
            ordinal=$((16#$ordinal))
        fi
        name="#$ordinal"
    fi
    count=$((count + 1))
    if ! awk -v d="$dll" -v f="$name" -v a="$arch" '
        $1 == d && $2 == f && ($3 == "both" || $3 == a) { found = 1 }
        END { exit !found }' "$table"; then
        echo "FAIL: $exe imports $dll $name, which is not listed for $arch in $(basename "$table")"
        fail=1
    fi
done <<<"$imports"

case $arch in
    x86) expected=5.1 ;;
    x64) expected=5.2 ;;
    *) echo "usage: check_imports.sh OBJDUMP EXE x86|x64 TABLE" >&2; exit 2 ;;
esac
for field in MajorOSystemVersion MajorSubsystemVersion; do
    minor_field=${field/Major/Minor}
    version=$(awk -v m="$field" -v n="$minor_field" '
        $1 == m { major = $2 } $1 == n { minor = $2 } END { print major "." minor }' <<<"$headers")
    if [ "$version" != "$expected" ]; then
        echo "FAIL: $exe states $field $version, not $expected"
        fail=1
    fi
done

[ "$count" -gt 0 ] || { echo "FAIL: $exe lists no imports"; exit 1; }
[ "$fail" = 0 ] || exit 1
echo "$exe: $count imports, all in the table for $arch; OS and subsystem version $expected"
