#!/bin/bash
# run-saver.sh [--win32]
# Builds the saver and runs it full screen under Wine: the 64-bit one, or with --win32 the
# 32-bit one we ship, under the WoW64 Wine of tools/install-wow64-root.sh. Without a display it
# runs it on a virtual one for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

preset=win64
runner=$root/cmake/wine-run.sh
case ${1:-} in
    "") ;;
    --win32)
        preset=win32
        runner=$root/cmake/wine-wow64-run.sh
        ;;
    *)
        echo "usage: run-saver.sh [--win32]" >&2
        exit 2
        ;;
esac

bash tools/install-deps.sh
if [ "$preset" = win32 ] && ! why=$(bash tools/can-run-wow64.sh 2>&1); then
    echo "run-saver: this machine cannot run the 32-bit saver: $why" >&2
    exit 1
fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target torvex_scr

saver=$root/build/$preset/shell/torvex.scr
prefix=$root/build/run-$preset/wineprefix
run=("$runner" "$prefix")

# The first run makes the Wine prefix (some seconds); do it before the saver starts. The server
# it leaves behind knows no display: end it, so that the saver's session starts on the right one.
"${run[@]}" cmd /c exit </dev/null >/dev/null 2>&1 || true
"${run[@]}" --kill-server >/dev/null 2>&1 || true

if [ -n "${DISPLAY:-}" ]; then
    echo "Running $saver full screen; a key, a click or a real mouse movement ends it."
    exec "${run[@]}" "$saver" /s
fi

# shellcheck source=tools/lib/session.sh
source "$root/tools/lib/session.sh"
shots=$root/build/screenshots
mkdir -p "$shots"
shot=$shots/torvex-saver-$preset.png
work=$(mktemp -d)
xvfb_pid=
saver_pid=
cleanup() {
    if [ -n "$saver_pid" ]; then
        "${run[@]}" --kill-server >/dev/null 2>&1 || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

start_xvfb "$work" 1920x1080
"${run[@]}" "$saver" /s </dev/null >/dev/null 2>&1 &
saver_pid=$!
wait_window_id "Screen Saver" 40 || { echo "the saver showed no window" >&2; exit 1; }
# A few seconds of explosions, once they show.
wait_until 20 screen_shows_fire || { echo "the saver drew no explosions" >&2; exit 1; }
sleep 3
import -window root "$shot"
xdotool key a
wait_exit "$saver_pid" 10
if [ "$exit_code" != 0 ]; then
    echo "the saver did not end on a key press with exit code 0 ($exit_code; 124: still running)" >&2
    exit 1
fi
saver_pid=
echo "No display here: the saver ran on a virtual 1920x1080 display for a few seconds and ended"
echo "on a key press with exit code 0. Screenshot: $shot"
