#!/bin/bash
# The preview inside a host window of another process, as the display settings start it: the
# saver's child fills the host, gets its ticks, and ends with exit code 0 when the host closes.
# (What such a child draws does not reach the screen under Wine; the Windows-side tests check
# the preview's pixels with a host in their own process.)
# shellcheck source=tests/shell/end_to_end_lib.sh
source "$(dirname "$0")/end_to_end_lib.sh"

start_preview_host

log=$work/saver.log
WINEDEBUG=+msg start_saver "$log" /p "$handle"
wait_ticks "$log" 60 15
kill -0 "$saver_pid" 2>/dev/null || fail "the preview ended by itself: $(tail -n 5 "$log")"

touch "$work/close"
wait_end "$host_pid" 10
[ "$exit_code" = 0 ] || fail "the host gave exit code $exit_code"
wait_end "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "closing the host gave the saver exit code $exit_code (124: still running)"
echo "closing the host ended the saver with exit code 0"

# The host writes through Wine's console: CR LF line ends.
tr -d '\r' <"$host_log" >"$host_log.txt"
host_log=$host_log.txt
cat "$host_log"
read -r _ left top right bottom < <(grep '^hostrect ' "$host_log")
read -r _ child class x y width height style exstyle < <(grep '^child ' "$host_log")
[ "$class" = "TORVEX.kzw" ] || fail "the host's child is of class '$class'"
[ "$x $y" = "0 0" ] || fail "the child stands at $x,$y of the host's client area"
[ "$width x $height" = "$((right - left)) x $((bottom - top))" ] ||
    fail "the child is $width x $height, the host $((right - left)) x $((bottom - top))"
# WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, no extended style.
[ "$style $exstyle" = "56000000 00000000" ] || fail "styles $style $exstyle"

count=$(ticks "$log" "$child")
echo "the preview window $child got $count ticks"
[ "$count" -ge 60 ] || fail "only $count ticks"
