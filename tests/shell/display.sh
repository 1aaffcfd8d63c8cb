#!/bin/bash
# display.sh start|stop BUILD_DIR
# The virtual display of the Windows-side tests: an Xvfb on a free display number, which
# wine-run.sh finds through BUILD_DIR/xvfb.display. Both ends stop the prefix's Wine processes,
# so that none of them keeps talking to a display that is gone or was never there.
set -euo pipefail
action=$1
build=$2
prefix=$build/wineprefix
pidfile=$build/xvfb.pid
displayfile=$build/xvfb.display

stop_wine() {
    if [ -d "$prefix" ]; then
        WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
    fi
}

stop_xvfb() {
    if [ -s "$pidfile" ]; then
        pid=$(cat "$pidfile")
        if kill "$pid" 2>/dev/null; then
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
        fi
    fi
    rm -f "$pidfile" "$displayfile"
}

case $action in
    start)
        stop_wine
        stop_xvfb
        tmp=$(mktemp)
        # -noreset: the pointer stays where it is when the last client goes. -wr: a white root
        # window, so that whatever a full-screen window leaves uncovered shows.
        setsid Xvfb -displayfd 3 -noreset -wr -nolisten tcp -screen 0 1920x1080x24 \
            3>"$tmp" </dev/null >/dev/null 2>&1 &
        echo $! >"$pidfile"
        for _ in $(seq 100); do
            [ -s "$tmp" ] && break
            sleep 0.1
        done
        if [ ! -s "$tmp" ]; then
            echo "Xvfb did not start" >&2
            rm -f "$tmp"
            stop_xvfb
            exit 1
        fi
        tr -d '\n' <"$tmp" >"$displayfile"
        rm -f "$tmp"
        echo "Xvfb on :$(cat "$displayfile")"
        ;;
    stop)
        stop_wine
        stop_xvfb
        ;;
    *)
        echo "usage: $0 start|stop BUILD_DIR" >&2
        exit 2
        ;;
esac
