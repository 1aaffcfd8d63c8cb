#!/bin/bash
# Sourced by the hack's end-to-end tests: a work folder, private Xvfb displays, bounded waits,
# and the end of every process a test started, by its id.
# shellcheck disable=SC2034  # the variables set here are read by the tests that source this

started_pids=()

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cleanup() {
    local pid
    for pid in "${started_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${started_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT

# wait_for SECONDS WHAT COMMAND...: runs COMMAND until it succeeds, for at most SECONDS.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        if [ "$SECONDS" -ge "$deadline" ]; then
            fail "no $what within $seconds s"
        fi
        sleep 0.05
    done
}

# A folder of the test's own, emptied.
work_dir() {
    WORK=$1
    rm -rf "$WORK"
    mkdir -p "$WORK"
}

display_written() {
    grep -q '^[0-9][0-9]*$' "$1"
}

# start_xvfb NAME SCREEN [ARGS...]: a display of its own (SCREEN as WxHxD); sets DISPLAY.
start_xvfb() {
    local name=$1 screen=$2
    shift 2
    : >"$WORK/$name.display"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$screen" "$@" \
        3>"$WORK/$name.display" 2>"$WORK/$name.xvfb.log" &
    started_pids+=($!)
    XVFB_PID=$!
    wait_for 20 "display from Xvfb $name" display_written "$WORK/$name.display"
    DISPLAY=":$(cat "$WORK/$name.display")"
    export DISPLAY
}

stop_xvfb() {
    kill "$XVFB_PID"
    wait "$XVFB_PID" 2>/dev/null || true
}

process_gone() {
    ! kill -0 "$1" 2>/dev/null
}

file_has() {
    grep -q "$2" "$1" 2>/dev/null
}

# The fraction of pixels that are not pure black, and of those that are.
lit_fraction() {
    convert "$1" -fill white +opaque black -format '%[fx:mean]' info:
}

# Shared memory segments that PID created, however they are marked.
segments_of() {
    ipcs -m -p | awk -v pid="$1" '$3 == pid { print $1 }'
}
