# shellcheck shell=bash
# Sourced by the end-to-end scripts: end_to_end_*.sh SAVER HOST SHOTS WINE_RUN PREFIX
# SAVER is torvex.scr, HOST the preview host program, SHOTS the folder for screenshots, and
# WINE_RUN PREFIX the Wine runner with its prefix. The display is the one wine-run.sh uses.
set -euo pipefail
saver=$1
host_program=$2
shots=$3
wine_run=("$4" "$5")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tools/lib/session.sh
source "$here/../../tools/lib/session.sh"
# In the build tree, which a sandboxed Wine runner sees at the same path.
work=$(mktemp -d "$(dirname "$5")/e2e.XXXXXX")
mkdir -p "$shots"

if [ -z "${DISPLAY:-}" ]; then
    DISPLAY=:$(cat "$(dirname "$5")/xvfb.display")
    export DISPLAY
fi

# The children still running; a pid leaves the list when it is waited for, since it may then
# be given to another program.
pids=()
cleanup_hooks=()
cleanup() {
    for hook in "${cleanup_hooks[@]}"; do
        "$hook" || true
    done
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    # A key left pressed by a failed step would repeat into every later window.
    xdotool keyup Return space a 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# On standard error, so that a failure inside a command substitution still shows.
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# start_saver LOG ARGS...: the saver in the background; its pid in saver_pid.
start_saver() {
    local log=$1
    shift
    "${wine_run[@]}" "$saver" "$@" </dev/null >"$log" 2>&1 &
    saver_pid=$!
    pids+=("$saver_pid")
}

# host_handle: the handle the host printed, from one reading of its log.
host_handle() {
    handle=$(sed -n 's/^host \([0-9][0-9]*\)[^0-9].*/\1/p' "$host_log" 2>/dev/null)
    [ -n "$handle" ]
}

# start_preview_host: the preview host program in the background, writing into $work; its pid
# in host_pid, its log in host_log, and the handle of its window in handle.
start_preview_host() {
    host_log=$work/host.log
    "${wine_run[@]}" "$host_program" "Z:${work//\//\\}" </dev/null >"$host_log" 2>&1 &
    host_pid=$!
    pids+=("$host_pid")
    wait_until 10 host_handle || fail "the host printed no handle: $(cat "$host_log")"
}

# wait_end PID SECONDS: wait_exit for a child of this script, which then leaves the list of
# children to stop.
wait_end() {
    wait_exit "$1" "$2"
    if [ "$exit_code" != 124 ]; then
        local kept=() pid
        for pid in "${pids[@]}"; do
            [ "$pid" = "$1" ] || kept+=("$pid")
        done
        pids=("${kept[@]}")
    fi
}

# wait_window NAME SECONDS: the X window of that exact name, once it is mapped.
wait_window() {
    wait_window_id "$1" "$2" || fail "no window named '$1' within $2 s"
    echo "$window_id"
}

no_window() {
    [ -z "$(find_window "$1")" ]
}

# wait_no_window NAME SECONDS: fails unless no window of that exact name is mapped within SECONDS.
wait_no_window() {
    wait_until "$2" no_window "$1" || fail "the window '$1' is still shown after $2 s"
}

# run_quick SECONDS ARGS...: runs the saver in the foreground and fails unless it ends with
# exit code 0 within SECONDS.
run_quick() {
    local limit=$1
    shift
    local started code
    started=$(date +%s%N)
    code=0
    timeout "$limit" "${wine_run[@]}" "$saver" "$@" </dev/null >/dev/null 2>&1 || code=$?
    [ "$code" = 0 ] || fail "'$*' ended with $code (124: still running after $limit s)"
    echo "'$*' ended with 0 after $((($(date +%s%N) - started) / 1000000)) ms"
}

# ticks LOG [HWND]: the WM_TIMER messages that Wine's message trace shows (for the window).
ticks() {
    grep -c "(WM_TIMER) hwnd ${2:+$2 }" "$1" || true
}

has_ticks() {
    [ "$(ticks "$1")" -ge "$2" ]
}

# wait_ticks LOG COUNT SECONDS: fails unless the trace shows at least COUNT ticks within SECONDS.
wait_ticks() {
    wait_until "$3" has_ticks "$1" "$2" || fail "only $(ticks "$1") ticks in the trace after $3 s"
}
