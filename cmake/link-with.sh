#!/bin/sh
# link-with.sh LINKER COMPILER ARGS...
# A launcher for a link rule: runs LINKER, a compiler driver of the same version, in place of the
# COMPILER that the rule names, with the same arguments. The saver links with the win32-thread
# runtime while everything is compiled, and the test programs are linked, with the posix one.
linker=$1
shift 2
exec "$linker" "$@"
