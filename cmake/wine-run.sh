#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs a 64-bit Windows program under Wine in a prefix of the build's own (never ~/.wine).
# The first call makes the prefix; every call makes sure a wineserver with its stdio on
# /dev/null is up, so that a test's own output closes as soon as the test ends.
set -e
prefix=$1
shift
wine=/usr/lib/wine/wine64
export WINEPREFIX="$prefix"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

if [ ! -f "$prefix/.torvex-ready" ]; then
    mkdir -p "$(dirname "$prefix")"
    (
        flock 9
        if [ ! -f "$prefix/.torvex-ready" ]; then
            "$wine" wineboot -i </dev/null >/dev/null 2>&1
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

# A server that lingers for a while after its last client; a second one for the same prefix
# exits at once.
/usr/lib/wine/wineserver -p30 </dev/null >/dev/null 2>&1 || true

exec "$wine" "$@"
