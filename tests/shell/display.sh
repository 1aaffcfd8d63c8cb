#!/bin/bash
# display.sh start|stop BUILD_DIR [RUNNER...]
# The virtual display of the Windows-side tests: an Xvfb on a free display number, which
# wine-run.sh finds through BUILD_DIR/xvfb.display. Both ends stop the prefix's Wine processes
# (through RUNNER, the Wine runner of the build, when given), so that none of them keeps talking
# to a display that is gone or was never there.
set -euo pipefail
action=$1
build=$2
shift 2
runner=("$@")
prefix=$build/wineprefix
pidfile=$build/xvfb.pid
displayfile=$build/xvfb.display
# shellcheck source=tools/lib/session.sh
source "$(dirname "$0")/../../tools/lib/session.sh"

stop_wine() {
    if [ -d "$prefix" ] && [ ${#runner[@]} -gt 0 ]; then
        "${runner[@]}" "$prefix" --kill-server >/dev/null 2>&1 || true
    fi
}

stop_xvfb() {
    # The pid of an earlier run: only an Xvfb is stopped, should the pid since name another.
    if [ -s "$pidfile" ]; then
        stop_process "$(cat "$pidfile")" Xvfb
    fi
    rm -f "$pidfile" "$displayfile"
}

case $action in
    start)
        stop_wine
        stop_xvfb
        # -wr: a white root window, so that whatever a full-screen window leaves uncovered shows.
        start_xvfb "$build" 1920x1080 -wr || { stop_xvfb; exit 1; }
        echo "$xvfb_pid" >"$pidfile"
        echo "${DISPLAY#:}" >"$displayfile"
        echo "Xvfb on $DISPLAY"
        ;;
    stop)
        stop_wine
        stop_xvfb
        ;;
    *)
        echo "usage: $0 start|stop BUILD_DIR [RUNNER...]" >&2
        exit 2
        ;;
esac
