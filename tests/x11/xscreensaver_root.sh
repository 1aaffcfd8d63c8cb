#!/bin/bash
# The hack under the real XScreenSaver, run by an ordinary user on a display of its own, with
# the hack as its only program: -activate starts it (with --root and XSCREENSAVER_WINDOW), the
# screen then shows explosions over black, and -deactivate ends the hack's process.
# Usage: xscreensaver_root.sh TORVEX WORK_DIR
set -euo pipefail
hack=$1
# shellcheck source=SCRIPTDIR/x11_test_lib.sh
source "$(dirname "$0")/x11_test_lib.sh"
work_dir "$2"

user=torvex-saver
if ! id "$user" >/dev/null 2>&1; then
    [ "$(id -u)" -eq 0 ] || fail "the user $user is missing and only root can add it"
    useradd -m "$user"
fi
home=$(getent passwd "$user" | cut -d: -f6)
[ -x "$hack" ] || fail "no hack at $hack"

cat >"$WORK/xscreensaver" <<CONFIG
timeout: 0:10:00
lock: False
splash: False
fade: False
unfade: False
mode: one
selected: 0
programs: $hack -root
CONFIG
install -o "$user" -m 644 "$WORK/xscreensaver" "$home/.xscreensaver"

start_display saver 1024x768x24

as_user() {
    runuser -u "$user" -- env -i DISPLAY="$DISPLAY" HOME="$home" PATH=/usr/bin:/bin "$@"
}

as_user xscreensaver -no-splash >"$WORK/xscreensaver.log" 2>&1 &
saver_pid=$!
started_pids+=("$saver_pid")
saver_answers() {
    as_user xscreensaver-command -time >/dev/null 2>&1
}
wait_for 30 "answer from xscreensaver" saver_answers

as_user xscreensaver-command -activate >/dev/null
hack_started() {
    pgrep -u "$user" -x torvex >"$WORK/hack.pid"
}
wait_for 30 "hack started by xscreensaver" hack_started
hack_pid=$(head -n 1 "$WORK/hack.pid")
tr '\0' ' ' <"/proc/$hack_pid/cmdline" >"$WORK/hack.cmdline"
grep -q -- "--root" "$WORK/hack.cmdline" || fail "the hack runs as: $(cat "$WORK/hack.cmdline")"
saver_window=$(tr '\0' '\n' <"/proc/$hack_pid/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[ -n "$saver_window" ] || fail "the hack was started without XSCREENSAVER_WINDOW"
echo "xscreensaver started: $(cat "$WORK/hack.cmdline")with XSCREENSAVER_WINDOW=$saver_window"

# Explosions: some of the screen lit, and a black background around them.
screen_shows_explosions() {
    import -window root "$WORK/screen.png" 2>/dev/null || return 1
    local black lit
    black=$(convert "$WORK/screen.png" -fill white -opaque black -format '%[fx:mean]' info:)
    lit=$(awk -v b="$black" 'BEGIN { print 1 - b }')
    echo "$lit $black" >"$WORK/screen.fractions"
    awk -v l="$lit" -v b="$black" 'BEGIN { exit !(l > 0.01 && b > 0.1) }'
}
wait_for 30 "explosions over black on the screen" screen_shows_explosions
read -r lit black <"$WORK/screen.fractions"
echo "screenshot $WORK/screen.png: $lit of the screen lit, $black pure black"

as_user xscreensaver-command -deactivate >/dev/null
wait_for 15 "end of the hack after -deactivate" gone "$hack_pid"
echo "xscreensaver-command -deactivate: the hack (pid $hack_pid) is gone"

as_user xscreensaver-command -exit >/dev/null
wait_for 15 "end of xscreensaver" gone "$saver_pid"
echo "PASS"
