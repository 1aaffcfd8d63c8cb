#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]
# wine-run.sh PREFIX --kill-server
# Runs a Windows program under Wine in a prefix of the build's own (never ~/.wine), or ends
# every Wine process of that prefix. The first call makes the prefix; every call makes sure a
# wineserver with its stdio on /dev/null is up, so that a test's own output closes as soon as
# the test ends. Without a DISPLAY, the display that the tests' Xvfb wrote beside the prefix is
# used. The host's Wine runs 64-bit programs; wine-wow64-run.sh runs this script inside the
# root whose Wine runs 32-bit ones, with TORVEX_WINE naming its loader.
set -e
prefix=$1
shift
wine=${TORVEX_WINE:-/usr/lib/wine/wine64}
wineserver=$(dirname "$wine")/wineserver
build=$(dirname "$prefix")
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ "${1:-}" = --kill-server ]; then
    exec "$wineserver" -k
fi

if [ -z "${DISPLAY:-}" ] && [ -s "$build/xvfb.display" ]; then
    DISPLAY=:$(cat "$build/xvfb.display")
    export DISPLAY
fi

# Wine takes its ANSI code page from the Unix locale, and the texts are code page 932: a
# Japanese locale, generated once into the build folder if the system has none.
locales=$build/locale
if locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    locales=
elif [ ! -d "$locales/ja_JP.UTF-8" ]; then
    mkdir -p "$locales"
    (
        flock 9
        if [ ! -d "$locales/ja_JP.UTF-8" ]; then
            if localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8.tmp" >/dev/null 2>&1; then
                mv "$locales/ja_JP.UTF-8.tmp" "$locales/ja_JP.UTF-8"
            fi
        fi
    ) 9>"$locales.lock"
fi
if [ -n "$locales" ]; then
    export LOCPATH="$locales"
fi
export LANG=ja_JP.UTF-8
export LC_ALL=ja_JP.UTF-8

if [ ! -f "$prefix/.torvex-ready" ]; then
    mkdir -p "$build"
    (
        flock 9
        if [ ! -f "$prefix/.torvex-ready" ]; then
            WINEDLLOVERRIDES="mscoree,mshtml=" "$wine" wineboot -i </dev/null >/dev/null 2>&1
            # No winedbg dialog on a crash (it would hang the run), and no 2 s wait on every
            # hidden window, with the keyboard focus given to Wine's windows (no window manager
            # on Xvfb).
            "$wine" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
                </dev/null >/dev/null 2>&1
            "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
                </dev/null >/dev/null 2>&1
            touch "$prefix/.torvex-ready"
        fi
    ) 9>"$prefix.lock"
fi

# A server that lingers for a while after its last client (a second one for the same prefix
# exits at once with status 2). When this call started it, Wine's own services come up now with
# their stdio on /dev/null: started by the test program they would inherit its output and hold
# ctest's pipe open until the server exits.
if "$wineserver" -p30 </dev/null >/dev/null 2>&1; then
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || true
fi

exec "$wine" "$@"
