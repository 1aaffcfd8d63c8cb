#!/bin/bash
# can-run-wow64.sh: exit code 0 when this machine can run 32-bit Windows programs under Wine 10
# in its WoW64 mode, which runs 32-bit user code in a 64-bit process and makes one 32-bit system
# call per thread. Prints why not otherwise. Some machines run 64-bit user code only (a
# paravirtualised guest that says "IA-32 emulation off" at boot is one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O0 -no-pie -o "$work/probe" "$here/probe/ia32_user_code.c"
"$work/probe"
