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

# The first run makes the Wine prefix (some seconds); do it before the saver starts.
$run cmd /c exit </dev/null >/dev/null 2>&1 || true

if [ -n "${DISPLAY:-}" ]; then
    echo "Running $saver full screen; a key, a click or a real mouse movement ends it."
    exec $run "$saver" /s
fi

shots=$PWD/build/screenshots
mkdir -p "$shots"
shot=$shots/torvex-saver.png
# shellcheck disable=SC2016
xvfb-run -a -s "-screen 0 1920x1080x24 -noreset" bash -c '
    set -e
    '"$run"' "'"$saver"'" /s &
    sleep 6
    import -window root "'"$shot"'"
    xdotool key space
    wait
' </dev/null
echo "No display here: the saver ran on a virtual 1920x1080 display; screenshot: $shot"
