#!/bin/bash
# The XScreenSaver hack's CPU share on a virtual 1920x1080 display: utime + stime of the hack and
# of the X server, read from /proc over 10 s of a running hack, and its tick rate over 1000 ticks.
# Usage: hack-cpu.sh [BUILD_DIR] (default build/native, built already)
set -euo pipefail
cd "$(dirname "$0")/.."
hack=${1:-build/native}/x11/torvex
seconds=10
work=$(mktemp -d)
pids=()
cleanup() {
    local i
    # The hacks first, then their display.
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
        kill "${pids[i]}" 2>/dev/null || true
        wait "${pids[i]}" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || { echo "hack-cpu: gave up waiting" >&2; exit 1; }
        sleep 0.05
    done
}

Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1920x1080x24 3>"$work/display" 2>/dev/null &
xvfb=$!
pids+=("$xvfb")
wait_for 20 grep -q '^[0-9][0-9]*$' "$work/display"
DISPLAY=":$(cat "$work/display")"
export DISPLAY

# Clock ticks of CPU time, user and system, of a process.
cpu_ticks() {
    awk '{ print $14 + $15 }' "/proc/$1/stat"
}

"$hack" -root -ticks 1000 >"$work/ticks.out" &
pids+=($!)
start=$(date +%s.%N)
wait_for 120 grep -q "stopped after 1000 ticks" "$work/ticks.out"
end=$(date +%s.%N)
kill "${pids[-1]}"
rate=$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.1f", 1000 / (e - s) }')

"$hack" -root >/dev/null &
hack_pid=$!
pids+=("$hack_pid")
# Sampled once it ticks: past the frame synthesis, explosions are on the screen.
screen_lit() {
    import -window root "$work/screen.png" 2>/dev/null &&
        [ "$(convert "$work/screen.png" -fill white +opaque black -format '%[fx:mean>0.01]' info:)" = 1 ]
}
wait_for 30 screen_lit
hz=$(getconf CLK_TCK)
hack0=$(cpu_ticks "$hack_pid")
xvfb0=$(cpu_ticks "$xvfb")
t0=$(date +%s.%N)
sleep "$seconds"
hack1=$(cpu_ticks "$hack_pid")
xvfb1=$(cpu_ticks "$xvfb")
t1=$(date +%s.%N)
awk -v h="$((hack1 - hack0))" -v x="$((xvfb1 - xvfb0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" \
    -v rate="$rate" 'BEGIN {
        wall = t1 - t0
        printf "1920x1080, 10 ms period: %s ticks/s over 1000 ticks (start-up included)\n", rate
        printf "over %.2f s: hack %.1f%% of one core, Xvfb %.1f%% of one core\n",
            wall, 100 * h / hz / wall, 100 * x / hz / wall
    }'
