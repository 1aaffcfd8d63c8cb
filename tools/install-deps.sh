#!/bin/bash
# Installs what a Debian 12 machine lacks to build every preset and run every test. Run as
# root; asks apt only when something is missing.
set -euo pipefail

packages=(
    # native and native32
    cmake ninja-build g++ g++-multilib libgtest-dev googletest libbenchmark-dev libpng-dev
    qemu-user valgrind clang-format
    # fuzz: clang with libFuzzer and the sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # win64 and win32
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
    binutils-mingw-w64-i686 wine64
    # the Windows side's display, input, screenshots, resources and Japanese glyphs
    xvfb xauth xdotool x11-utils imagemagick icoutils fonts-ipafont-gothic locales
    # the icon is drawn by a script
    python3
    # the release: the installer, and a look inside it
    nsis p7zip-full unzip
    # the XScreenSaver hack: Xlib with MIT-SHM, and the real daemon for its tests
    libx11-dev libxext-dev xscreensaver
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: everything is installed"
    exit 0
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
