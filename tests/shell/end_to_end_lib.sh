# Sourced by the end-to-end scripts: end_to_end_*.sh SAVER HOST SHOTS WINE_RUN PREFIX
# SAVER is torvex.scr, HOST the preview host program, SHOTS the folder for screenshots, and
# WINE_RUN PREFIX the Wine runner with its prefix. The display is the one wine-run.sh uses.
set -euo pipefail
saver=$1
host_program=$2
shots=$3
wine_run=("$4" "$5")
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
mkdir -p "$shots"

if [ -z "${DISPLAY:-}" ]; then
    DISPLAY=:$(cat "$(dirname "$5")/xvfb.display")
    export DISPLAY
fi

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

fail() {
    echo "FAIL: $*"
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

# start_preview_host: the preview host program in the background, writing into $work; its pid
# in host_pid, its log in host_log, and the handle of its window in handle.
start_preview_host() {
    host_log=$work/host.log
    "${wine_run[@]}" "$host_program" "Z:${work//\//\\}" </dev/null >"$host_log" 2>&1 &
    host_pid=$!
    pids+=("$host_pid")
    for _ in $(seq 100); do
        grep -q '^host ' "$host_log" && break
        sleep 0.1
    done
    handle=$(sed -n 's/^host \([0-9]*\).*/\1/p' "$host_log")
    [ -n "$handle" ] || fail "the host printed no handle: $(cat "$host_log")"
}

# wait_exit PID SECONDS: sets exit_code to the exit code of PID, or to 124 if it still runs
# after SECONDS. (Not in a subshell: only this shell can wait for its children.)
wait_exit() {
    local pid=$1 limit=$2
    for _ in $(seq $((limit * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            exit_code=0
            wait "$pid" || exit_code=$?
            return
        fi
        sleep 0.1
    done
    exit_code=124
}

# wait_window NAME SECONDS: the X window of that exact name, once it is mapped.
wait_window() {
    local name=$1 limit=$2 id
    for _ in $(seq $((limit * 10))); do
        id=$(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return
        fi
        sleep 0.1
    done
    fail "no window named '$name' within $limit s"
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

# ticks LOG HWND: the WM_TIMER messages that Wine's message trace shows for the window.
ticks() {
    grep -c "(WM_TIMER) hwnd ${2:+$2 }" "$1" || true
}
