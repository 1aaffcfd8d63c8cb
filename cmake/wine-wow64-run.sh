#!/bin/bash
# wine-wow64-run.sh PREFIX PROGRAM [ARGS...]
# wine-wow64-run.sh PREFIX --kill-server
# The counterpart of wine-run.sh for 32-bit Windows programs: runs wine-run.sh inside the
# Debian 13 root of tools/install-wow64-root.sh (TORVEX_WOW64_ROOT, default
# /opt/torvex/wow64-root), whose Wine runs i686 programs in its WoW64 mode. bwrap enters the
# root in a mount namespace of its own, so nothing stays mounted on the host. It binds what a
# run needs: /proc, /dev, /sys (read-only), the X socket folder, the source tree (read-only) and
# the folder of the prefix at their own paths, and the folder of a program that lies elsewhere.
# The root's own /tmp holds the wineserver's socket, so every run of a prefix meets one server.
set -euo pipefail
root=${TORVEX_WOW64_ROOT:-/opt/torvex/wow64-root}
prefix=$1
build=$(dirname "$prefix")
here=$(cd "$(dirname "$0")" && pwd)
source_tree=$(dirname "$here")

if [ ! -f "$root/.torvex-ready" ]; then
    echo "wine-wow64-run.sh: no WoW64 Wine root at $root (bash tools/install-wow64-root.sh)" >&2
    exit 127
fi
mkdir -p "$build" /tmp/.X11-unix

inside() {
    [[ $1 == "$source_tree"/* || $1 == "$build"/* ]]
}
binds=(--ro-bind "$source_tree" "$source_tree" --bind "$build" "$build")
if [ $# -ge 2 ] && [ -f "$2" ] && ! inside "$2"; then
    folder=$(cd "$(dirname "$2")" && pwd)
    binds+=(--ro-bind "$folder" "$folder")
fi
directory=/
if inside "$PWD/"; then
    directory=$PWD
fi

exec bwrap --bind "$root" / --proc /proc --dev-bind /dev /dev --ro-bind /sys /sys \
    --bind /tmp/.X11-unix /tmp/.X11-unix "${binds[@]}" --chdir "$directory" \
    --setenv PATH /usr/local/bin:/usr/bin:/bin \
    /bin/sh "$here/wine-run.sh" "$@"
