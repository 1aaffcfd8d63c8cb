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

# shellcheck source=tools/lib/session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/lib/session.sh"

# wait_for SECONDS WHAT COMMAND...: wait_until, failing with what did not come.
wait_for() {
    local seconds=$1 what=$2
    shift 2
    wait_until "$seconds" "$@" || fail "no $what within $seconds s"
}

# A folder of the test's own, emptied.
work_dir() {
    WORK=$1
    rm -rf "$WORK"
    mkdir -p "$WORK"
}

# start_display NAME SCREEN [ARGS...]: start_xvfb in a folder of its own (SCREEN as WxHxD); sets
# DISPLAY and XVFB_PID.
start_display() {
    local name=$1 screen=$2
    shift 2
    mkdir -p "$WORK/$name.xvfb"
    start_xvfb "$WORK/$name.xvfb" "$screen" "$@" || fail "Xvfb $name did not start"
    XVFB_PID=$xvfb_pid
    started_pids+=("$XVFB_PID")
}

stop_xvfb() {
    kill "$XVFB_PID"
    wait "$XVFB_PID" 2>/dev/null || true
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

# Waits for the hack NAME (pid PID, a child of this shell, ended by HOW) and fails unless it
# ended with exit code 0 and wrote nothing to $WORK/NAME.err.
expect_clean_end() {
    local name=$1 pid=$2 how=$3 status=0
    wait_for 10 "end of the hack ($name, $how)" gone "$pid"
    wait "$pid" || status=$?
    [ "$status" -eq 0 ] || fail "$name: ended by $how with exit code $status"
    [ ! -s "$WORK/$name.err" ] || fail "$name: the hack wrote: $(cat "$WORK/$name.err")"
}
