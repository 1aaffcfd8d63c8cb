#!/bin/bash
# The full-screen saver as a user meets it: explosions over black on the whole display, a small
# jiggle of the mouse ignored, a key press ending it with exit code 0.
# shellcheck source=tests/shell/end_to_end_lib.sh
source "$(dirname "$0")/end_to_end_lib.sh"

log=$work/saver.log
# Wine's message trace shows every tick and every input message from outside the program.
WINEDEBUG=+msg start_saver "$log" /s
wait_window "Screen Saver" 20 >/dev/null
wait_until 10 screen_shows_fire || fail "no explosions on the screen within 10 s"

# Three pictures a moment apart: together they must show explosions everywhere.
for i in 1 2 3; do
    import -window root "$shots/full-screen-$i.png"
    sleep 0.4
done
python3 "$here/screen_stats.py" "$shots"/full-screen-{1,2,3}.png || fail "screenshots"

first=$(ticks "$log")
sleep 3
rate=$((($(ticks "$log") - first) / 3))
echo "ticks per second at 1920x1080, counted from Wine's message trace: $rate"
[ "$rate" -ge 20 ] || fail "only $rate ticks per second"

# Within 2 px of where the pointer stood: never a close, however many moves. Each move waits
# until the trace shows it handled (moves waiting in the queue would be merged into one), and
# ticks after the last: a close they asked for would have been handled by then, since posted
# messages come before the timer's.
moves() {
    grep -c "(WM_MOUSEMOVE) hwnd" "$log" || true
}
moves_seen() {
    [ "$(moves)" -ge "$1" ]
}
first_move=$(moves)
for step in "2 1" "-2 -1" "2 1" "-2 -1" "2 1" "-2 -1" "2 1" "-2 -1" "2 1" "-2 -1" "2 1" "-2 -1"; do
    before=$(moves)
    read -r dx dy <<<"$step"
    xdotool mousemove_relative -- "$dx" "$dy"
    wait_until 5 moves_seen $((before + 1)) || fail "the move by $dx,$dy never reached the saver"
done
wait_ticks "$log" $(($(ticks "$log") + 10)) 5
[ "$(grep -c "(WM_CLOSE) hwnd" "$log" || true)" = 0 ] || fail "a small jiggle asked to close"
kill -0 "$saver_pid" 2>/dev/null || fail "a small jiggle ended the saver"
echo "still running, and no close asked, after $(($(moves) - first_move)) small moves"

xdotool key a
wait_end "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "a key press gave exit code $exit_code (124: still running after 5 s)"
echo "a key press ended the saver with exit code 0"
