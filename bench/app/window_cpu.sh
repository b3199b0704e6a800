#!/usr/bin/env bash
# CPU use of the main window while it shows the simulated inverter's live values.
#
#   bench/app/window_cpu.sh [BUILD_DIR] [SECONDS] [PLOT_DAYS]
#
# Starts tools/inverter-sim on a pseudo-terminal (its day at noon, so the values move and the
# curve stands high) and the shipped veltroma-monitor under xvfb-run on a 1400 x 900 screen,
# and drives the real window from outside as a user does: Return answers the start dialog
# with OK, a click switches "Communication Connect" on; the registration switches the
# inverter's curve on. Once the inverter answers its polls, the monitor process's user and
# system time over SECONDS (default 60) is printed as a share of one core. Processor time of
# the process, not wall time: the measure holds on a loaded machine. The target is under
# 0.5 %; exits 1 over it.
#
# PLOT_DAYS (default 0) fills the realtime plot with that many days of one-second points
# first, as weeks of running leave it. The shipped program has no way to put weeks of points
# into its plot short of running for weeks, so for PLOT_DAYS above 0 the window measured is
# the screenshot tool's (tools/app-shots: the same form, plot and engine, which fills the
# plot and then switches the connection on itself); the result line says which.
#
# WINDOW_CPU_SHOT=FILE saves a picture of the screen at the end of the measure.
set -euo pipefail

build=${1:-build/default}
seconds=${2:-60}
plot_days=${3:-0}
monitor=$build/src/app/veltroma-monitor
shots=$build/tools/app-shots/veltroma-app-shots
sim=$build/tools/inverter-sim/inverter-sim

if [[ -z ${WINDOW_CPU_DISPLAY:-} ]]; then
    window_exe=$monitor
    (( plot_days > 0 )) && window_exe=$shots
    for exe in "$window_exe" "$sim"; do
        [[ -x $exe ]] || { echo "missing $exe: build it first" >&2; exit 2; }
    done
    for tool in xvfb-run xdotool; do
        command -v "$tool" > /dev/null || { echo "$tool is needed" >&2; exit 2; }
    done
    # The rest runs on the virtual screen, where xdotool can reach the window.
    WINDOW_CPU_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1400x900x24" "$0" "$@"
fi

source "$(dirname "$0")/../support/simulated-inverter.sh"

target_percent=0.5
# The main window's size is pinned (1156 x 650 with its frame); the middle of the
# "Communication Connect" switch, from the window's top left corner.
connect_x=226
connect_y=538

work=$(mktemp -d)
window_pid=
cleanup() {
    [[ -n $window_pid ]] && kill "$window_pid" 2>/dev/null || true
    [[ -n ${SIM_PID:-} ]] && kill "$SIM_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "$1" >&2
    [[ -s $work/out.txt ]] && cat "$work/out.txt" >&2
    exit 1
}

# Waits up to $1 seconds for the request log to hold a realtime reply.
wait_for_realtime_reply() {
    local log
    for _ in $(seq $(($1 * 10))); do
        kill -0 "$window_pid" 2>/dev/null || fail "the window ended early"
        log=$(< "$work/sim.log")
        [[ $log == *" rep realtime "* ]] && return 0
        sleep 0.1
    done
    return 1
}

# The window of the program of width at least $1, once it is shown; waits up to $2 seconds.
find_window() {
    local id
    for _ in $(seq $(($2 * 10))); do
        kill -0 "$window_pid" 2>/dev/null || fail "the window ended early"
        for id in $(xdotool search --onlyvisible --pid "$window_pid" --name . 2>/dev/null || true); do
            local WIDTH=0
            eval "$(xdotool getwindowgeometry --shell "$id")"
            (( WIDTH >= $1 )) && { echo "$id"; return 0; }
        done
        sleep 0.1
    done
    return 1
}

start_simulated_inverter "$sim" "$work" --start-time 12:00 --log "$work/sim.log"

if (( plot_days > 0 )); then
    program="screenshot tool's window"
    # Long enough for the filling, the registration and the measure.
    "$shots" window "$work/home" "$work/window.png" --connect \
        --wait $((seconds + 60 + plot_days * 8)) --fill-plot "$plot_days" > "$work/out.txt" 2>&1 &
    window_pid=$!
    wait_for_realtime_reply $((60 + plot_days * 8)) || fail "the inverter was not registered"
else
    program=veltroma-monitor
    "$monitor" --home "$work/home" > "$work/out.txt" 2>&1 &
    window_pid=$!
    # The start dialog: OK is its default button.
    dialog=$(find_window 1 30) || fail "the start dialog did not show"
    xdotool windowfocus --sync "$dialog" key Return
    frame=$(find_window 1000 30) || fail "the main window did not show"
    xdotool mousemove --window "$frame" "$connect_x" "$connect_y" click 1
    # The pointer leaves the window, as the user's hand leaves the mouse.
    xdotool mousemove 1399 899
    wait_for_realtime_reply 30 || fail "the inverter was not registered (did the click miss the connect switch?)"
fi
# The progress bar closes and the first values and lamps come in.
sleep 5

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$window_pid/stat"; }
ticks_per_second=$(getconf CLK_TCK)
start_ticks=$(cpu_ticks) || fail "the window ended early"
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(cpu_ticks) || fail "the window ended early"
end_ns=$(date +%s%N)
[[ -n ${WINDOW_CPU_SHOT:-} ]] && import -window root "$WINDOW_CPU_SHOT"
kill "$window_pid" 2>/dev/null || true
wait "$window_pid" 2>/dev/null || true
window_pid=

awk -v ticks=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" -v ns=$((end_ns - start_ns)) \
    -v days="$plot_days" -v target="$target_percent" -v program="$program" 'BEGIN {
        wall = ns / 1e9
        share = 100 * ticks / hz / wall
        printf "%s, %d days in the plot: %.2f %% of one core over %.0f s (%.2f s CPU, target < %.1f %%)\n",
               program, days, share, wall, ticks / hz, target
        exit share < target ? 0 : 1
    }'
