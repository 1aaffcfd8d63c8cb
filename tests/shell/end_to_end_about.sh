#!/bin/bash
# The configure mode: with an empty command line and with /c the about box opens at the top-left
# corner of the screen, its Japanese text drawn, and Escape ends the program with exit code 0.
source "$(dirname "$0")/end_to_end_lib.sh"

caption="TORVEX Version1.00"
for tail in "" /c; do
    label=${tail:-empty}
    label=${label#/}
    start_saver "$work/about-$label.log" $tail
    window=$(wait_window "$caption" 10)

    geometry=$(xwininfo -id "$window")
    x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$geometry")
    y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$geometry")
    width=$(sed -n 's/^ *Width: *//p' <<<"$geometry")
    height=$(sed -n 's/^ *Height: *//p' <<<"$geometry")
    [ "$x,$y" = "0,0" ] || fail "'$tail': the about box is at $x,$y, not at the top-left corner"
    # 87 x 55 dialog units of a 9 point font, with a caption and a frame: some 130-200 pixels
    # wide and 90-150 high at 96 dpi.
    if [ "$width" -lt 110 ] || [ "$width" -gt 220 ] || [ "$height" -lt 80 ] || [ "$height" -gt 170 ]; then
        fail "'$tail': the about box is ${width}x$height"
    fi

    # Let the box paint, then keep what the screen shows of it.
    sleep 0.5
    shot="$shots/about-$label.png"
    import -window root -crop "${width}x${height}+0+0" +repage "$shot"
    # Not blank: the face colour, dark text and the caption bar's colour all present. The text
    # of the buttons must be ink on the face: count dark pixels in the button band.
    colours=$(convert "$shot" -format '%k' info:)
    [ "$colours" -ge 8 ] || fail "'$tail': the about box shows $colours colours only: $shot"
    dark=$(convert "$shot" -crop "$((width * 2 / 3))x$((height / 2))+$((width / 6))+$((height / 4))" \
        +repage -colorspace gray -threshold 40% -negate -format '%[fx:int(mean*w*h)]' info:)
    [ "$dark" -ge 60 ] || fail "'$tail': $dark dark pixels in the buttons' band: $shot"
    echo "'$tail': about box at 0,0, ${width}x$height, $colours colours, $dark dark pixels; $shot"

    xdotool key Escape
    wait_exit "$saver_pid" 5
    [ "$exit_code" = 0 ] || fail "'$tail': after Escape the exit code was $exit_code"
    [ -z "$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null || true)" ] ||
        fail "'$tail': the about box is still shown after the program ended"
done
echo "the about box opened at the top-left and Escape ended it with 0, for '' and '/c'"
