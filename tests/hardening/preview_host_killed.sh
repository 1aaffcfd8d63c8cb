#!/bin/bash
# A preview whose host process is killed outright, not closed: its windows go with it, and the
# saver's child with them, so the saver must end with exit code 0 instead of running on with
# no window to show. Arguments as for tests/shell/end_to_end_*.sh.
source "$(dirname "$0")/../shell/end_to_end_lib.sh"

start_preview_host

WINEDEBUG=${TORVEX_KILL_TRACE:--all} start_saver "$work/saver.log" /p "$handle"
sleep 3
kill -0 "$saver_pid" 2>/dev/null || fail "the preview ended by itself: $(tail -n 5 "$work/saver.log")"

# wine-run.sh execs the loader: the background pid is the host's Windows process itself.
kill -KILL "$host_pid"
wait "$host_pid" 2>/dev/null || true
wait_exit "$saver_pid" 10
[ "$exit_code" = 0 ] ||
    fail "killing the host gave the saver exit code $exit_code (124: still running)" \
        "$(tail -n 20 "$work/saver.log")"
echo "killing the host process ended the saver with exit code 0"
