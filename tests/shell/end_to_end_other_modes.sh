#!/bin/bash
# The runs that show no saver: a second start of any mode beside a running full-screen saver,
# a tail without a switch, the password change, and a preview of a handle that names no window.
# shellcheck source=tests/shell/end_to_end_lib.sh
source "$(dirname "$0")/end_to_end_lib.sh"

# Beside a running full-screen saver every mode ends at once. MPR.DLL is kept away, so that a
# password change that got past the guard would stop at its message box instead of ending.
start_saver "$work/saver.log" /s
wait_window "Screen Saver" 20 >/dev/null
for tail in /s /S -p "/p 1234" /c "" /a; do
    read -r -a args <<<"$tail"
    WINEDLLOVERRIDES="mscoree,mshtml,mpr=" run_quick 10 "${args[@]}"
done
kill -0 "$saver_pid" 2>/dev/null || fail "the running saver ended"
[ "$(xdotool search --onlyvisible --name '^Screen Saver$' | wc -l)" = 1 ] ||
    fail "more than one saver window"
xdotool key space
wait_end "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "the first saver gave exit code $exit_code"

# Nothing to run: silent exit.
run_quick 10 /x
run_quick 10 help

# The password change: Wine's own MPR.DLL has a stub that returns at once; without any MPR.DLL
# the message says so.
run_quick 10 /a
WINEDLLOVERRIDES="mscoree,mshtml,mpr=" start_saver "$work/change.log" /a
wait_window "TORVEX" 10 >/dev/null
import -window root "$shots/change-password-without-mpr.png"
xdotool key Return
wait_end "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "after the MPR.DLL message the exit code was $exit_code"
echo "'/a' without MPR.DLL showed its message and ended with 0"

# A preview handle that names no window: the creation failure, in Japanese.
start_saver "$work/bad-preview.log" /p 999999
wait_window "初期化エラー" 10 >/dev/null
import -window root "$shots/creation-failure.png"
# Wine gives its windows the keyboard focus: Return reaches the box's OK button.
xdotool key Return
wait_end "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "after the message the exit code was $exit_code"
echo "'/p 999999' showed '初期化エラー' and ended with 0"
