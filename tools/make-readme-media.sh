#!/bin/bash
# Makes the README's picture and animation with torvex-render from a fixed clock, so that this
# command always gives the same files:
#   docs/media/torvex.png  a 960x540 screen after 80 ticks
#   docs/media/torvex.gif  ticks 151-270 of a 960x540 screen, every second one at half size,
#                          25 frames a second (2.4 s; the saver itself runs some 100 ticks a second)
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native --target torvex-render
render=build/native/tools/torvex-render
clock=20261210:10
media=docs/media
mkdir -p "$media"
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT

"$render" --clock "$clock" --size 960x540 --ticks 80 --out "$media/torvex.png"
"$render" --clock "$clock" --size 960x540 --ticks 270 --frames "$frames"
# Before tick 150 most blasts are still waiting for their first turn.
mapfile -t shown < <(find "$frames" -name 'tick-*.png' | sort | sed -n '151,270p' | awk 'NR % 2 == 1')
convert -delay 4 -loop 0 "${shown[@]}" -resize 50% +dither -colors 32 -layers Optimize \
    "$media/torvex.gif"
ls -l "$media"
