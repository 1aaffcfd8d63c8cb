# shellcheck shell=bash
# shellcheck disable=SC2034 # xvfb_pid, found_pid, window_id and exit_code are results for the caller
# Sourced by the scripts that run the saver on a virtual display (the end-to-end tests, the soak,
# the run command): starting Xvfb, waiting on conditions with a bound, and finding and ending
# processes without mistaking another program for ours. Every wait here decides from one reading
# of its condition, so a condition that flickers while a program execs cannot fail a run that has
# already seen it hold.

# start_xvfb FOLDER SIZE [XVFB OPTIONS...]: an Xvfb on a free display number, in a session of its
# own; sets xvfb_pid and exports DISPLAY. SIZE is WxH (24 bits deep) or WxHxDEPTH; the display's
# number and its log go into FOLDER. -noreset: the pointer stays where it is when the last
# client goes.
start_xvfb() {
    local folder=$1 size=$2
    shift 2
    [[ $size == *x*x* ]] || size=${size}x24
    local numberfile=$folder/xvfb.number
    rm -f "$numberfile"
    setsid Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "$size" "$@" \
        3>"$numberfile" </dev/null >/dev/null 2>"$folder/xvfb.log" &
    xvfb_pid=$!
    # Xvfb writes the number once it accepts clients.
    if ! wait_until 10 test -s "$numberfile"; then
        echo "Xvfb did not start" >&2
        return 1
    fi
    DISPLAY=:$(tr -d '\n' <"$numberfile")
    export DISPLAY
}

# wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; 1 when it has not
# after SECONDS.
wait_until() {
    local limit=$1
    shift
    local tries=$((limit * 10))
    while [ "$tries" -gt 0 ]; do
        if "$@"; then
            return 0
        fi
        tries=$((tries - 1))
        sleep 0.1
    done
    return 1
}

# names_program PID NAME: whether PID's command line, read once, names NAME.
names_program() {
    local line
    line=$(tr '\0' ' ' <"/proc/$1/cmdline" 2>/dev/null) || return 1
    [[ $line == *"$2"* ]]
}

# windows_pid PID NAME: the Wine process, PID or one of its descendants, that runs the Windows
# program NAME: its command line names NAME and its executable is Wine's (the runner script and
# a sandbox around it name the program too). Nothing while there is none yet.
windows_pid() {
    local pid=$1 name=$2 child exe children=()
    read -r -a children < <(cat "/proc/$pid/task/"*/children 2>/dev/null | tr '\n' ' ')
    for child in "${children[@]}"; do
        if windows_pid "$child" "$name"; then
            return 0
        fi
    done
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null) || return 1
    if [[ ${exe##*/} == wine* ]] && names_program "$pid" "$name"; then
        echo "$pid"
        return 0
    fi
    return 1
}

# wait_windows_pid PID NAME SECONDS: windows_pid once there is one; sets found_pid.
wait_windows_pid() {
    local pid=$1 name=$2 limit=$3 tries
    tries=$((limit * 10))
    while [ "$tries" -gt 0 ]; do
        if found_pid=$(windows_pid "$pid" "$name"); then
            return 0
        fi
        tries=$((tries - 1))
        sleep 0.1
    done
    return 1
}

# stop_process PID NAME: ends PID and waits up to 5 s for it to go, but only while its command
# line still names NAME: a pid read from a file may since have been given to another program.
stop_process() {
    local pid=$1 name=$2
    names_program "$pid" "$name" || return 0
    kill "$pid" 2>/dev/null || return 0
    wait_until 5 gone "$pid" || true
}

# gone PID: whether no process has that pid (a child of this shell stays until it is waited for).
gone() {
    ! kill -0 "$1" 2>/dev/null
}

# wait_exit PID SECONDS: sets exit_code to the exit code of PID, a child of this shell, or to
# 124 if it still runs after SECONDS. (Not in a subshell: only this shell can wait for its
# children.)
wait_exit() {
    local pid=$1 limit=$2 tries
    tries=$((limit * 10))
    while [ "$tries" -gt 0 ]; do
        if ! kill -0 "$pid" 2>/dev/null; then
            exit_code=0
            wait "$pid" || exit_code=$?
            return
        fi
        tries=$((tries - 1))
        sleep 0.1
    done
    exit_code=124
}

# find_window NAME: the first mapped X window of exactly that name, if any.
find_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# wait_window_id NAME SECONDS: sets window_id to the mapped X window of that exact name; 1 when
# none was mapped within SECONDS.
wait_window_id() {
    local name=$1 limit=$2 tries
    tries=$((limit * 10))
    while [ "$tries" -gt 0 ]; do
        window_id=$(find_window "$name")
        if [ -n "$window_id" ]; then
            return 0
        fi
        tries=$((tries - 1))
        sleep 0.1
    done
    return 1
}

# screen_shows_fire: whether the screen, read once, is partly lit and mostly dark, as the
# saver's picture is (a white root window, or a black window before the first tick, is not).
screen_shows_fire() {
    local share
    share=$(import -window root png:- 2>/dev/null |
        convert - -colorspace gray -threshold 8% -format '%[fx:mean]' info: 2>/dev/null) ||
        return 1
    awk -v s="$share" 'BEGIN { exit !(s > 0.002 && s < 0.6) }'
}
