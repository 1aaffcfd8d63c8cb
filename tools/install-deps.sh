#!/bin/bash
# Installs what a Debian 12 machine lacks to build every preset and run every test. Run as
# root; asks apt only when something is missing.
set -euo pipefail

packages=(
    # native and native32
    cmake ninja-build g++ g++-multilib libgtest-dev googletest libbenchmark-dev libpng-dev
    qemu-user valgrind clang-format shellcheck
    # fuzz: clang with libFuzzer and the sanitizer runtimes
    clang-14 libclang-rt-14-dev
    # win64 and win32: the posix-thread compilers for the test programs (GoogleTest), the
    # win32-thread ones to link the saver (no winpthreads, which needs Vista); the 32-bit
    # platform's root is made with debootstrap and entered with bwrap
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-win32
    g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine64
    debootstrap bubblewrap
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
    echo "install-deps: every package is installed"
else
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
fi

# The platform of the 32-bit saver's tests, where the kernel can run 32-bit user code.
here=$(cd "$(dirname "$0")" && pwd)
if why=$(bash "$here/can-run-wow64.sh" 2>&1); then
    bash "$here/install-wow64-root.sh"
else
    echo "install-deps: no WoW64 Wine root: $why; the 32-bit saver is built and inspected, not run"
fi
