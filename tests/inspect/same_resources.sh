#!/bin/bash
# same_resources.sh SAVER_A SAVER_B
# The two savers carry the same resources, byte for byte: the same list of type, name and
# language, and the same bytes in each. The 32-bit saver, which no test here can run, is held to
# the 64-bit one that the Windows-side tests read back.
set -euo pipefail
a=$1
b=$2
list() { wrestool -l "$1" | sed 's/ \[.*//' | sort; }
[ "$(list "$a")" = "$(list "$b")" ] || {
    echo "FAIL: the resource lists differ:"
    diff <(list "$a") <(list "$b") || true
    exit 1
}
count=0
while read -r type name language; do
    if ! cmp -s <(wrestool -x --raw "$type" "$name" "$language" "$a") \
        <(wrestool -x --raw "$type" "$name" "$language" "$b"); then
        echo "FAIL: resource $type $name $language differs between $a and $b"
        exit 1
    fi
    count=$((count + 1))
done < <(list "$a")
[ "$count" -gt 0 ] || { echo "FAIL: $a has no resources"; exit 1; }
echo "$a and $b: the same $count resources"
