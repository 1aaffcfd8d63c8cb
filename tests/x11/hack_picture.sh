#!/bin/bash
# The hack on displays of its own: after N ticks of a given clock the window holds exactly
# torvex-render's buffer after N ticks, in a window of its own (through shared memory, and
# through the socket when the server has no MIT-SHM), on the root window, and in another
# program's window, which it follows to a new size. Each run is ended as the case says (SIGTERM,
# SIGINT, the window's destruction) and must exit 0, silently, leaving no shared memory. With
# -fps the picture differs only in the top-left corner, where the rate is drawn.
# Usage: hack_picture.sh TORVEX TORVEX_RENDER HOST_WINDOW WORK_DIR
set -euo pipefail
hack=$1 render=$2 host_window=$3
# shellcheck source=SCRIPTDIR/x11_test_lib.sh
source "$(dirname "$0")/x11_test_lib.sh"
work_dir "$4"

ticks=40

# The rate's corner: a line of the server's fixed font at the top left.
fps_corner=319,23

differing_pixels() {
    compare -metric AE "$1" "$2" null: 2>&1 || true
}

# Reads the window back and compares it with torvex-render at the size the hack reported.
check_picture() {
    local name=$1 clock=$2 line=$3 fps=${4:-}
    local size window
    size=$(sed -n 's/.* at \([0-9]*x[0-9]*\) on window .*/\1/p' <<<"$line")
    window=$(sed -n 's/.* on window \(0x[0-9a-f]*\)$/\1/p' <<<"$line")
    if [ -z "$size" ] || [ -z "$window" ]; then
        fail "$name: the hack said '$line'"
    fi
    import -window "$window" "$WORK/$name-$size-screen.png"
    "$render" --clock "$clock" --size "$size" --ticks "$ticks" --out "$WORK/$name-$size-render.png"
    local screen=$WORK/$name-$size-screen.png reference=$WORK/$name-$size-render.png
    if [ -n "$fps" ]; then
        [ "$(differing_pixels "$screen" "$reference")" != 0 ] || fail "$name: no rate drawn"
        # Outside the corner the picture is the effect's.
        convert "$screen" -fill black -draw "rectangle 0,0 $fps_corner" "$screen.outside.png"
        convert "$reference" -fill black -draw "rectangle 0,0 $fps_corner" \
            "$reference.outside.png"
        screen=$screen.outside.png reference=$reference.outside.png
    fi
    local differing
    differing=$(differing_pixels "$screen" "$reference")
    [ "$differing" = "0" ] || fail "$name: $differing pixels differ from torvex-render at $size"
    local lit
    lit=$(lit_fraction "$WORK/$name-$size-screen.png")
    awk -v f="$lit" 'BEGIN { exit !(f > 0.01) }' || fail "$name: only $lit of the picture is lit"
    echo "$name: $size on window $window is torvex-render's picture after $ticks ticks" \
        "${fps:+outside the rate corner}"
}

stop_line() {
    grep "^torvex: stopped after $ticks ticks at ${2:-}" "$1" | tail -n 1
}

has_stop_line() {
    [ -n "$(stop_line "$1" "${2:-}")" ]
}

# name | Xvfb screen | more Xvfb arguments | where it draws | more hack arguments |
# shared memory | how it ends
cases=(
    "own-shm|640x480x24||own||yes|TERM"
    "own-socket|640x480x24|-extension MIT-SHM|own||no|INT"
    "own-fps|640x480x24||own|-fps|yes|TERM"
    "root|400x300x24||root||yes|TERM"
    "host|640x480x24||host||yes|destroy"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name screen xvfb_args where hack_args shared ending <<<"$row"
    # shellcheck disable=SC2086  # the Xvfb arguments are words
    start_display "$name" "$screen" $xvfb_args
    clock=1000:16
    host_pid=
    case $where in
        own) target=(-geometry 320x240) ;;
        root) target=(-root) ;;
        host)
            "$host_window" 300x200 >"$WORK/$name.host" &
            host_pid=$!
            started_pids+=("$host_pid")
            wait_for 20 "host window" file_has "$WORK/$name.host" '^0x'
            target=(-window-id "$(head -n 1 "$WORK/$name.host")")
            # A clock that stands still starts the effect alike at every size.
            clock=5000:0
            ;;
    esac
    # shellcheck disable=SC2086  # the hack's arguments are words
    "$hack" "${target[@]}" $hack_args -clock "$clock" -ticks "$ticks" \
        >"$WORK/$name.out" 2>"$WORK/$name.err" &
    pid=$!
    started_pids+=("$pid")
    wait_for 60 "stop after $ticks ticks ($name)" has_stop_line "$WORK/$name.out"
    check_picture "$name" "$clock" "$(stop_line "$WORK/$name.out")" "$hack_args"

    segments=$(segments_of "$pid")
    if [ "$shared" = yes ]; then
        [ -n "$segments" ] || fail "$name: the hack draws without shared memory"
    else
        [ -z "$segments" ] || fail "$name: shared memory $segments on a server without MIT-SHM"
    fi

    if [ "$where" = host ]; then
        window=${target[1]}
        xdotool windowsize "$window" 360 240
        wait_for 60 "restart at 360x240 ($name)" has_stop_line "$WORK/$name.out" 360x240
        check_picture "$name" "$clock" "$(stop_line "$WORK/$name.out" 360x240)"
    fi

    case $ending in
        TERM | INT) kill -s "$ending" "$pid" ;;
        destroy) kill "$host_pid" ;;
    esac
    expect_clean_end "$name" "$pid" "$ending"
    [ -z "$(segments_of "$pid")" ] || fail "$name: shared memory left behind"
    echo "$name: ended by $ending, exit code 0, no shared memory left"
    stop_xvfb
done
echo "PASS"
