#!/bin/bash
# The configure mode: with an empty command line and with /c the about box opens at the top-left
# corner of the screen, its Japanese text drawn, and Escape ends the program with exit code 0.
# A preview running beside it does not keep it from opening: only a full-screen saver does.
# shellcheck source=tests/shell/end_to_end_lib.sh
source "$(dirname "$0")/end_to_end_lib.sh"

caption="TORVEX Version1.00"

# about_painted SHOT: takes the screenshot of the box; whether it shows the face colour, dark
# text and the caption bar's colour (some 8 colours), with the buttons' text as ink on the face.
about_painted() {
    import -window root -crop "${width}x${height}+0+0" +repage "$1" 2>/dev/null || return 1
    colours=$(convert "$1" -format '%k' info:)
    dark=$(convert "$1" -crop "$((width * 2 / 3))x$((height / 2))+$((width / 6))+$((height / 4))" \
        +repage -colorspace gray -threshold 40% -negate -format '%[fx:int(mean*w*h)]' info:)
    [ "$colours" -ge 8 ] && [ "$dark" -ge 60 ]
}

# check_about LABEL ARGS...: the about box of a run with ARGS, then Escape.
check_about() {
    local label=$1 window geometry x y
    shift
    start_saver "$work/about-$label.log" "$@"
    window=$(wait_window "$caption" 10)

    geometry=$(xwininfo -id "$window")
    x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$geometry")
    y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$geometry")
    width=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
    height=$(sed -n 's/^ *Height: *//p' <<<"$geometry")
    [ "$x,$y" = "0,0" ] || fail "'$*': the about box is at $x,$y, not at the top-left corner"
    # 87 x 55 dialog units of a 9 point font, with a caption and a frame: some 130-200 pixels
    # wide and 90-150 high at 96 dpi.
    if [ "$width" -lt 110 ] || [ "$width" -gt 220 ] || [ "$height" -lt 80 ] || [ "$height" -gt 170 ]; then
        fail "'$*': the about box is ${width}x$height"
    fi

    shot="$shots/about-$label.png"
    wait_until 5 about_painted "$shot" ||
        fail "'$*': the about box shows $colours colours, $dark dark pixels in the buttons' band: $shot"
    echo "'$*': about box at 0,0, ${width}x$height, $colours colours, $dark dark pixels; $shot"

    xdotool key Escape
    wait_end "$saver_pid" 5
    [ "$exit_code" = 0 ] || fail "'$*': after Escape the exit code was $exit_code"
    wait_no_window "$caption" 2
}

check_about empty
check_about c /c
echo "the about box opened at the top-left and Escape ended it with 0, for '' and '/c'"

# A running preview is a child window, which the single-instance guard does not see.
start_preview_host
preview_log=$work/preview.log
WINEDEBUG=+msg start_saver "$preview_log" /p "$handle"
preview_pid=$saver_pid
wait_ticks "$preview_log" 20 15
check_about beside-preview /c
kill -0 "$preview_pid" 2>/dev/null || fail "the preview ended while the about box was open"
touch "$work/close"
wait_end "$host_pid" 10
wait_end "$preview_pid" 5
[ "$exit_code" = 0 ] || fail "the preview gave exit code $exit_code"
echo "with a preview running, '/c' showed the about box, and the preview went on"
