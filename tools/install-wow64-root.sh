#!/bin/bash
# install-wow64-root.sh [ROOT]
# Makes the platform on which the 32-bit saver and its tests run: a Debian 13 root with Wine 10,
# whose WoW64 mode runs i686 Windows programs inside a 64-bit process. This kernel loads no 32-bit
# ELF program, so the old 32-bit Wine loader cannot run here, and Debian 12's Wine 8 presents no
# bitmaps in WoW64 mode; Debian 13's Wine needs a newer glibc than the host's, hence a root of its
# own. Nothing of it touches the host: the root is entered with bwrap, which leaves no mount behind.
#
# The root lives outside the repository (default /opt/torvex/wow64-root, or TORVEX_WOW64_ROOT), so
# that every clone on the machine shares it. Idempotent: a finished root is left as it is.
set -euo pipefail

root=${1:-${TORVEX_WOW64_ROOT:-/opt/torvex/wow64-root}}
mirror=${TORVEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}
# Bump when the recipe below changes, so that an older root is made again.
recipe=1

if [ "$(cat "$root/.torvex-ready" 2>/dev/null)" = "$recipe" ]; then
    echo "install-wow64-root: $root is ready"
    exit 0
fi

mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9
if [ "$(cat "$root/.torvex-ready" 2>/dev/null)" = "$recipe" ]; then
    echo "install-wow64-root: $root is ready"
    exit 0
fi

work=$root.tmp
rm -rf "$work"
echo "install-wow64-root: making a Debian 13 root in $root (a few minutes, about 2 GB)"
debootstrap --variant=minbase trixie "$work" "$mirror" >"$root.log" 2>&1 || {
    echo "install-wow64-root: debootstrap failed; its log is $root.log" >&2
    tail -n 20 "$root.log" >&2
    exit 1
}

# in_root COMMAND...: runs a command inside the root being made, as root, with the network.
in_root() {
    bwrap --bind "$work" / --proc /proc --dev /dev --ro-bind /etc/resolv.conf /etc/resolv.conf \
        --setenv DEBIAN_FRONTEND noninteractive --setenv LC_ALL C \
        --setenv PATH /usr/sbin:/usr/bin:/sbin:/bin "$@"
}

{
    # The i386 architecture only inside the root: its libwine carries the i386 PE DLLs.
    in_root dpkg --add-architecture i386
    in_root apt-get update -q --error-on=any
    in_root apt-get install -y -q --no-install-recommends \
        wine64 libwine locales fonts-ipafont-gothic \
        libxrender1 libxrandr2 libxi6 libxcursor1 libxfixes3 libxinerama1 libxcomposite1 \
        libxxf86vm1 </dev/null
    # The i386 PE DLLs of the very same Wine, and nothing else of libwine:i386: with its
    # i386-unix folder present Wine would try the 32-bit loader, which cannot run here.
    # shellcheck disable=SC2016 # dpkg's own field syntax
    version=$(in_root dpkg-query -W -f='${Version}' libwine)
    in_root sh -c "cd /tmp && apt-get download -q libwine:i386=$version &&
        dpkg-deb -x /tmp/libwine_*_i386.deb /tmp/x &&
        cp -a /tmp/x/usr/lib/i386-linux-gnu/wine/i386-windows/. \
            /usr/lib/x86_64-linux-gnu/wine/i386-windows/ &&
        rm -rf /tmp/libwine_*_i386.deb /tmp/x"
    # Wine takes its ANSI code page from the locale: code page 932 needs a Japanese one.
    in_root localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
    in_root apt-get clean
} >>"$root.log" 2>&1 || {
    echo "install-wow64-root: setting up Wine in the root failed; its log is $root.log" >&2
    tail -n 20 "$root.log" >&2
    exit 1
}
[ -f "$work/usr/lib/x86_64-linux-gnu/wine/i386-windows/kernel32.dll" ] || {
    echo "install-wow64-root: no i386 kernel32.dll in the root" >&2
    exit 1
}
[ ! -e "$work/usr/lib/i386-linux-gnu/wine/i386-unix" ] || {
    echo "install-wow64-root: the root holds the 32-bit Unix loader, which cannot run here" >&2
    exit 1
}

echo "$recipe" >"$work/.torvex-ready"
rm -rf "$root"
mv "$work" "$root"
echo "install-wow64-root: $root is ready (Wine $version)"
