#!/bin/bash
# The full-screen saver when the desktop settings ask for a password and there is no
# PASSWORD.CPL to ask it: every close request says so and the saver stays. With the setting
# gone, a key press ends it.
# shellcheck source=tests/shell/end_to_end_lib.sh
source "$(dirname "$0")/end_to_end_lib.sh"

key='HKCU\Control Panel\desktop'
saved=$work/desktop.reg
"${wine_run[@]}" reg export "$key" "Z:${saved//\//\\}" </dev/null >/dev/null 2>&1 || rm -f "$saved"
restore_setting() {
    "${wine_run[@]}" reg delete "$key" /v ScreenSaveUsePassword /f </dev/null >/dev/null 2>&1
    if [ -f "$saved" ]; then
        "${wine_run[@]}" reg import "Z:${saved//\//\\}" </dev/null >/dev/null 2>&1
    fi
}
cleanup_hooks+=(restore_setting)
"${wine_run[@]}" reg add "$key" /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f \
    </dev/null >/dev/null 2>&1 || fail "cannot set the password setting"

log=$work/saver.log
WINEDEBUG=+msg start_saver "$log" /s
wait_window "Screen Saver" 20 >/dev/null
wait_ticks "$log" 10 10
for attempt in 1 2; do
    xdotool key a
    wait_window "設定値取得エラー" 10 >/dev/null
    import -window root "$shots/password-unverifiable-$attempt.png"
    xdotool key Return
    wait_no_window "設定値取得エラー" 5
    # Ticks after the box went: the saver is still running.
    wait_ticks "$log" $(($(ticks "$log") + 10)) 5
    kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended after close request $attempt"
    echo "close request $attempt: the message came, the saver stayed"
done

restore_setting
xdotool key a
wait_end "$saver_pid" 5
[ "$exit_code" = 0 ] || fail "without the setting a key gave exit code $exit_code"
echo "without the setting a key press ended the saver with exit code 0"
