#!/bin/bash
# Builds the saver and runs it full screen under Wine. Without a display it runs it on a virtual
# one for a few seconds and saves a screenshot.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target torvex_scr

saver=$PWD/build/win64/shell/torvex.scr
run="$PWD/cmake/wine-run.sh $PWD/build/run/wineprefix"

# The first run makes the Wine prefix (some seconds); do it before the saver starts. The server
# it leaves behind knows no display: end it, so that the saver's session starts on the right one.
$run cmd /c exit </dev/null >/dev/null 2>&1 || true
WINEPREFIX=$PWD/build/run/wineprefix /usr/lib/wine/wineserver -k 2>/dev/null || true

if [ -n "${DISPLAY:-}" ]; then
    echo "Running $saver full screen; a key, a click or a real mouse movement ends it."
    exec $run "$saver" /s
fi

shots=$PWD/build/screenshots
mkdir -p "$shots"
shot=$shots/torvex-saver.png
export saver run shot
# The whole virtual session is bounded, so that a saver that does not end cannot hang the run.
timeout 120 xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bash -c '
    set -e
    $run "$saver" /s </dev/null >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 400); do
        xdotool search --onlyvisible --name "^Screen Saver\$" >/dev/null 2>&1 && break
        sleep 0.1
    done
    sleep 4
    import -window root "$shot"
    xdotool key a
    for _ in $(seq 100); do
        kill -0 $pid 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 $pid 2>/dev/null; then
        echo "the saver did not end on a key press; stopping it" >&2
        WINEPREFIX=${run##* } /usr/lib/wine/wineserver -k || true
        exit 1
    fi
    wait $pid
' </dev/null
echo "No display here: the saver ran on a virtual 1920x1080 display for a few seconds and ended"
echo "on a key press. Screenshot: $shot"
