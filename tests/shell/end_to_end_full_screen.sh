#!/bin/bash
# The full-screen saver as a user meets it: explosions over black on the whole display, a small
# jiggle of the mouse ignored, a key press ending it with exit code 0.
source "$(dirname "$0")/end_to_end_lib.sh"

log=$work/saver.log
# Wine's message trace shows every tick from outside the program.
WINEDEBUG=+msg start_saver "$log" /s
wait_window "Screen Saver" 20 >/dev/null
sleep 2

for i in 1 2 3; do
    import -window root "$shots/full-screen-$i.png"
    sleep 0.4
done
python3 "$here/screen_stats.py" "$shots"/full-screen-{1,2,3}.png || fail "screenshots"

first=$(ticks "$log" "")
sleep 3
rate=$((($(ticks "$log" "") - first) / 3))
echo "ticks per second at 1920x1080, counted from Wine's message trace: $rate"
[ "$rate" -ge 20 ] || fail "only $rate ticks per second"

# Within 2 px of where the pointer stood: never a close, however many moves.
for _ in 1 2 3 4 5 6; do
    xdotool mousemove_relative -- 2 1
    xdotool mousemove_relative -- -2 -1
done
sleep 1
kill -0 "$saver_pid" 2>/dev/null || fail "a small jiggle ended the saver"
echo "still running after 12 small moves"

xdotool key a
wait_exit "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "a key press gave exit code $exit_code (124: still running after 5 s)"
echo "a key press ended the saver with exit code 0"
