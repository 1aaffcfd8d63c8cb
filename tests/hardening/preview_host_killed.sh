#!/bin/bash
# A preview whose host process is killed outright, not closed: its windows go with it, and the
# saver's child with them, so the saver must end with exit code 0 instead of running on with
# no window to show. Arguments as for tests/shell/end_to_end_*.sh.
# shellcheck source=tests/shell/end_to_end_lib.sh
source "$(dirname "$0")/../shell/end_to_end_lib.sh"

start_preview_host

log=$work/saver.log
WINEDEBUG=+msg start_saver "$log" /p "$handle"
wait_ticks "$log" 20 15
kill -0 "$saver_pid" 2>/dev/null || fail "the preview ended by itself: $(tail -n 5 "$log")"

# The host's Windows process itself, not the runner around it.
wait_windows_pid "$host_pid" "$(basename "$host_program")" 5 || fail "no Windows process of the host"
kill -KILL "$found_pid"
wait_end "$host_pid" 10
wait_end "$saver_pid" 10
[ "$exit_code" = 0 ] ||
    fail "killing the host gave the saver exit code $exit_code (124: still running)" \
        "$(grep -v ' (WM_TIMER) ' "$log" | tail -n 20)"
echo "killing the host process ended the saver with exit code 0"
