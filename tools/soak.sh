#!/bin/bash
# soak.sh [--minutes N | --seconds N] [--saver PATH] [--prefix-from DIR] [--runner WINE_RUNNER]
#         [--warmup SECONDS] [--allow-kb KB]
# Runs the real saver, torvex.scr /s, under Wine on a 1920x1080 Xvfb of its own for the given
# time (default 10 minutes), sampling the Windows process's resident memory (VmRSS) from
# /proc once a second. After the warm-up (default: a quarter of the run, at least 15 s and at
# most 120 s) the memory may not grow: the median of the last ten samples may exceed the median
# of the first ten after warm-up by at most --allow-kb (default 1024 kB). The screen must keep
# changing, and a key press must end the saver with exit code 0.
#
# It works in a copy of the build's Wine prefix, with its own display and wineserver, so that
# it neither disturbs nor is disturbed by the tests running beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

seconds=600
saver=$root/build/win64/shell/torvex.scr
prefix_from=$root/build/win64/wineprefix
runner=$root/cmake/wine-run.sh
warmup=
allow_kb=1024
while [ $# -gt 0 ]; do
    case $1 in
        --minutes) seconds=$(($2 * 60)); shift 2 ;;
        --seconds) seconds=$2; shift 2 ;;
        --saver) saver=$2; shift 2 ;;
        --prefix-from) prefix_from=$2; shift 2 ;;
        --runner) runner=$2; shift 2 ;;
        --warmup) warmup=$2; shift 2 ;;
        --allow-kb) allow_kb=$2; shift 2 ;;
        *) echo "usage: soak.sh [--minutes N | --seconds N] [--saver PATH] [--prefix-from DIR]" \
               "[--runner WINE_RUNNER] [--warmup SECONDS] [--allow-kb KB]" >&2
           exit 2 ;;
    esac
done
if [ -z "$warmup" ]; then
    warmup=$((seconds / 4))
    [ "$warmup" -ge 15 ] || warmup=15
    [ "$warmup" -le 120 ] || warmup=120
fi
if [ "$seconds" -lt $((warmup + 20)) ]; then
    echo "soak: $seconds s leaves too little after a warm-up of $warmup s" >&2
    exit 2
fi
[ -f "$saver" ] || { echo "soak: no saver at $saver (build the win64 preset)" >&2; exit 2; }

# Beside the prefix it copies, inside the build tree that a sandboxed Wine runner can see.
work_parent=$(dirname "$prefix_from")
[ -d "$work_parent" ] || work_parent=${TMPDIR:-/tmp}
work=$(mktemp -d "$work_parent/soak.XXXXXX")
prefix=$work/wineprefix
xvfb_pid=
launcher_pid=
wine_run=("$runner" "$prefix")
# shellcheck source=tools/lib/session.sh
source "$root/tools/lib/session.sh"
cleanup() {
    if [ -n "$launcher_pid" ]; then
        kill "$launcher_pid" 2>/dev/null || true
    fi
    if [ -d "$prefix" ]; then
        "${wine_run[@]}" --kill-server >/dev/null 2>&1 || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "soak: FAIL: $*"
    exit 1
}

if [ -f "$prefix_from/.torvex-ready" ]; then
    cp -a "$prefix_from" "$prefix"
    rm -f "$prefix"/wineserver* 2>/dev/null || true
fi
# The build's locale for code page 932, when it has one (wine-run.sh makes it otherwise).
if [ -d "$(dirname "$prefix_from")/locale" ]; then
    cp -a "$(dirname "$prefix_from")/locale" "$work/locale"
fi

start_xvfb "$work" 1920x1080 || fail "Xvfb did not start"

# A password setting left behind by another run would keep the key press from ending the saver.
"${wine_run[@]}" reg delete 'HKCU\Control Panel\desktop' /v ScreenSaveUsePassword /f \
    </dev/null >/dev/null 2>&1 || true

"${wine_run[@]}" "$saver" /s </dev/null >"$work/saver.log" 2>&1 &
launcher_pid=$!

# The first sample as soon as the saver's Windows process runs, before its window is made. The
# runner execs Wine's loader, which execs its preloader (and a sandboxed runner starts it as a
# child): the process is the one whose command line names the saver, taken from one reading.
wait_windows_pid "$launcher_pid" "$(basename "$saver")" 10 ||
    fail "no process of the saver within 10 s: $(tail -n 5 "$work/saver.log")"
saver_pid=$found_pid
saver_name=$(basename "$saver")

# The saver's resident memory; nothing once it has gone (its pid may then name another program).
rss() {
    names_program "$saver_pid" "$saver_name" || return 0
    sed -n 's/^VmRSS:[[:space:]]*\([0-9]*\) kB/\1/p' "/proc/$saver_pid/status" 2>/dev/null
}

samples=()
shots=()
reported=0
start=$(date +%s)
next=$start
while :; do
    now=$(date +%s)
    elapsed=$((now - start))
    [ "$elapsed" -lt "$seconds" ] || break
    kb=$(rss)
    [ -n "$kb" ] || fail "the saver ended by itself after $elapsed s: $(tail -n 5 "$work/saver.log")"
    samples+=("$elapsed $kb")
    if [ $((elapsed / 60)) -ge "$reported" ]; then
        echo "soak: $elapsed s: VmRSS $kb kB"
        reported=$((elapsed / 60 + 1))
    fi
    # One screenshot after the warm-up and one near the end; a slow second may skip a value.
    if { [ ${#shots[@]} -eq 0 ] && [ "$elapsed" -ge "$warmup" ]; } ||
        { [ ${#shots[@]} -eq 1 ] && [ "$elapsed" -ge $((seconds - 3)) ]; }; then
        shots+=("$(import -window root -display "$DISPLAY" rgb:- 2>/dev/null | md5sum | cut -c1-32)")
    fi
    next=$((next + 1))
    sleep_for=$((next - $(date +%s)))
    [ "$sleep_for" -le 0 ] || sleep "$sleep_for"
done

# Medians of ten samples: one slow second of the allocator is no trend.
median_of() {
    printf '%s\n' "$@" | sort -n | sed -n "$((($# + 1) / 2))p"
}
after=()
for s in "${samples[@]}"; do
    read -r t kb <<<"$s"
    [ "$t" -lt "$warmup" ] || after+=("$kb")
done
[ ${#after[@]} -ge 20 ] || fail "only ${#after[@]} samples after the warm-up"
first_kb=${samples[0]#* }
warm_kb=$(median_of "${after[@]:0:10}")
end_kb=$(median_of "${after[@]: -10}")
peak_kb=$(printf '%s\n' "${after[@]}" | sort -n | tail -n 1)
growth=$((end_kb - warm_kb))
echo "soak: ${#samples[@]} samples over $seconds s; VmRSS at start $first_kb kB, after the" \
    "$warmup s warm-up $warm_kb kB, at the end $end_kb kB (peak $peak_kb kB): growth $growth kB," \
    "allowed $allow_kb kB"

[ ${#shots[@]} -eq 2 ] || fail "took ${#shots[@]} screenshots, not 2"
[ "${shots[0]}" != "${shots[1]}" ] || fail "the screen did not change between the screenshots"
[ "${shots[0]}" != "$(printf '' | md5sum | cut -c1-32)" ] || fail "no screenshot could be taken"

xdotool key a
wait_exit "$launcher_pid" 10
launcher_pid_done=$launcher_pid
launcher_pid=
[ "$exit_code" = 0 ] ||
    fail "a key press gave exit code $exit_code (124: still running) from $launcher_pid_done"
echo "soak: a key press ended the saver with exit code 0"

[ "$growth" -le "$allow_kb" ] || fail "VmRSS grew by $growth kB after the warm-up"
echo "soak: passed"
