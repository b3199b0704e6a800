#!/usr/bin/env bash
# CPU use of the main window while it shows the simulated inverter's live values.
#
#   bench/app/window_cpu.sh [BUILD_DIR] [SECONDS] [PLOT_DAYS]
#
# Starts tools/inverter-sim on a pseudo-terminal and the window under Xvfb (through
# veltroma-app-shots: OK in the start dialog, Communication Connect on, the inverter's curve
# shown). PLOT_DAYS (default 0) fills the realtime plot with that many days of one-second
# points first, as weeks of running leave it. Once the inverter is registered, the window
# process's user and system time over SECONDS (default 60) is printed as a share of one core.
# Processor time of the process, not wall time: the measure holds on a loaded machine. The
# target is under 1 %, with an empty plot and with 31 days in it. Exits 1 over the target.
set -euo pipefail
source "$(dirname "$0")/../support/simulated-inverter.sh"

build=${1:-build/default}
seconds=${2:-60}
plot_days=${3:-0}
target_percent=1.0
shots=$build/tools/app-shots/veltroma-app-shots
sim=$build/tools/inverter-sim/inverter-sim
for exe in "$shots" "$sim"; do
    [[ -x $exe ]] || { echo "missing $exe: build it first" >&2; exit 2; }
done
command -v xvfb-run > /dev/null || { echo "xvfb-run is needed" >&2; exit 2; }

work=$(mktemp -d)
window_pid=
cleanup() {
    [[ -n $window_pid ]] && kill "$window_pid" 2>/dev/null || true
    [[ -n ${SIM_PID:-} ]] && kill "$SIM_PID" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

start_simulated_inverter "$sim" "$work"
# Long enough for the filling, the registration and the measure.
wait_seconds=$((seconds + 60 + plot_days * 8))
xvfb-run -a -s "-screen 0 1366x768x24" \
    "$shots" window "$work/home" "$work/window.png" --connect --wait "$wait_seconds" \
    --fill-plot "$plot_days" > "$work/out.txt" 2>&1 &
runner=$!

# The window process is the child of xvfb-run named after the tool.
for _ in $(seq 100); do
    window_pid=$(pgrep -P "$runner" -f veltroma-app-shots || true)
    [[ -n $window_pid ]] && break
    sleep 0.1
done
[[ -n $window_pid ]] || { echo "the window did not start" >&2; cat "$work/out.txt" >&2; exit 1; }

cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$window_pid/stat"; }
ticks_per_second=$(getconf CLK_TCK)
# The filling takes a minute or more of processor time; once a five-second window costs
# under a tenth of a second the plot is full and the connection has been switched on. The
# registration is over fifteen seconds later.
for _ in $(seq 200); do
    before=$(cpu_ticks) || { echo "the window ended early" >&2; cat "$work/out.txt" >&2; exit 1; }
    sleep 5
    after=$(cpu_ticks) || { echo "the window ended early" >&2; cat "$work/out.txt" >&2; exit 1; }
    (( (after - before) * 10 < ticks_per_second )) && break
done
sleep 15
kill -0 "$window_pid" 2>/dev/null || { echo "the window ended early" >&2; cat "$work/out.txt" >&2; exit 1; }

start_ticks=$(cpu_ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)
kill "$window_pid" 2>/dev/null || true
wait "$runner" 2>/dev/null || true
window_pid=

awk -v ticks=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" -v ns=$((end_ns - start_ns)) \
    -v days="$plot_days" -v target="$target_percent" 'BEGIN {
        wall = ns / 1e9
        share = 100 * ticks / hz / wall
        printf "main window, %d days in the plot: %.2f %% of one core over %.0f s (%.2f s CPU, target < %.1f %%)\n",
               days, share, wall, ticks / hz, target
        exit share < target ? 0 : 1
    }'
