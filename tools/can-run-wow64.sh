#!/bin/bash
# can-run-wow64.sh: exit code 0 when this machine can run 32-bit Windows programs under Wine 10
# in its WoW64 mode, which needs the kernel's IA-32 emulation for one 32-bit system call per
# thread. Prints why not otherwise. Some kernels run 64-bit user code only (a paravirtualised
# guest that says "IA-32 emulation off" at boot is one).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O0 -o "$work/probe" "$here/probe/ia32_syscall.c"
"$work/probe"
