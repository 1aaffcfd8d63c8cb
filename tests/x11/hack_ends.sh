#!/bin/bash
# How a run of the hack ends. Without a display, with a window id that names no window, on a
# visual it cannot draw: one line on stderr that says so, and exit code 1. Its own window: a
# key, a click and the window manager's close end it with exit code 0, and so does SIGTERM with
# no delay between ticks; before that it draws, on a 16-bit display too.
# Usage: hack_ends.sh TORVEX HOST_WINDOW WORK_DIR
set -euo pipefail
hack=$1 host_window=$2
# shellcheck source=SCRIPTDIR/x11_test_lib.sh
source "$(dirname "$0")/x11_test_lib.sh"
work_dir "$3"

# expect_failure NAME WANTED COMMAND...: exit code 1 and one line on stderr containing WANTED.
expect_failure() {
    local name=$1 wanted=$2
    shift 2
    local status=0
    timeout 30 "$@" >"$WORK/$name.out" 2>"$WORK/$name.err" || status=$?
    [ "$status" -eq 1 ] || fail "$name: exit code $status, not 1"
    local lines
    lines=$(wc -l <"$WORK/$name.err")
    [ "$lines" -eq 1 ] || fail "$name: $lines lines on stderr: $(cat "$WORK/$name.err")"
    grep -qF "$wanted" "$WORK/$name.err" || fail "$name: said '$(cat "$WORK/$name.err")'"
    echo "$name: exit code 1, '$(cat "$WORK/$name.err")'"
}

# A display number that no server has.
free_display=9
while [ -e "/tmp/.X11-unix/X$free_display" ] || [ -e "/tmp/.X$free_display-lock" ]; do
    free_display=$((free_display + 1))
done

expect_failure no-display "DISPLAY is not set" env -u DISPLAY "$hack" -root
expect_failure no-server "cannot open display ':$free_display'" \
    env DISPLAY=":$free_display" "$hack" -window-id 0x1ffff000

start_display depth24 640x480x24
# Resource ids of clients that never connected.
expect_failure no-such-window "no window 0x1ffff000 on this display" \
    "$hack" -window-id 0x1ffff000
expect_failure no-such-screensaver-window "no window 0x1ffff000 on this display" \
    env XSCREENSAVER_WINDOW=0x1ffff000 "$hack" --root
stop_xvfb

start_display depth8 640x480x8
expect_failure pseudocolor "unsupported visual" "$hack"
stop_xvfb

find_own_window() {
    xdotool search --name '^TORVEX$' >"$1"
}

window_lit() {
    import -window "$1" "$2" 2>/dev/null &&
        awk -v f="$(lit_fraction "$2")" 'BEGIN { exit !(f > 0.01) }'
}

# name | Xvfb screen | more hack arguments | how it is ended
cases=(
    "key|640x480x24|-fps|key"
    "click|640x480x16||click"
    "close|640x480x24||close"
    "no-delay|640x480x24|-delay 0|TERM"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name screen hack_args ending <<<"$row"
    start_display "$name" "$screen"
    # shellcheck disable=SC2086  # the hack arguments are words
    "$hack" -geometry 320x240 $hack_args >"$WORK/$name.out" 2>"$WORK/$name.err" &
    pid=$!
    started_pids+=("$pid")
    wait_for 20 "window titled TORVEX ($name)" find_own_window "$WORK/$name.window"
    window=$(head -n 1 "$WORK/$name.window")
    wait_for 20 "explosions in the window ($name)" window_lit "$window" "$WORK/$name.png"
    case $ending in
        key) xdotool mousemove 100 100 key space ;;
        click) xdotool mousemove 100 100 click 1 ;;
        close) "$host_window" close "$(printf '0x%x' "$window")" ;;
        TERM) kill -s TERM "$pid" ;;
    esac
    expect_clean_end "$name" "$pid" "$ending"
    echo "$name: drew at depth ${screen##*x}, ended by $ending with exit code 0"
    stop_xvfb
done
echo "PASS"
