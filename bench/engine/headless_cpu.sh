#!/usr/bin/env bash
# CPU use of the headless monitor while it polls the simulated inverter.
#
#   bench/engine/headless_cpu.sh [BUILD_DIR] [SECONDS]
#
# Starts tools/inverter-sim on a pseudo-terminal and veltroma-monitor --headless against it,
# waits until replies are logged (registration done), then measures the monitor process's user
# and system time over SECONDS (default 60) and prints it as a share of one core. The target
# is under 0.3 %: the receiver and the port's thread sleep until bytes or calls arrive. Exits non-zero when the monitor logs nothing or does not end with code 0.
set -euo pipefail
source "$(dirname "$0")/../support/simulated-inverter.sh"

build=${1:-build/default}
seconds=${2:-60}
prepare_headless_benchmark "$build"

start_simulated_inverter "$sim" "$work"
"$monitor" --headless --every-reply --home "$work/home" > "$work/rows.txt" 2> "$work/events.txt" &
monitor_pid=$!

# The header comes at once; a second line means the inverter is registered and answers.
logged() { [[ $(wc -l < "$work/rows.txt") -ge 2 ]]; }
for _ in $(seq 200); do
    logged && break
    sleep 0.1
done
logged || { echo "no rows logged" >&2; cat "$work/events.txt" >&2; exit 1; }

ticks_per_second=$(getconf CLK_TCK)
rows_before=$(wc -l < "$work/rows.txt")
start_ticks=$(cpu_ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)
rows=$(( $(wc -l < "$work/rows.txt") - rows_before ))

stop_monitor

awk -v ticks=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" \
    -v ns=$((end_ns - start_ns)) -v rows="$rows" 'BEGIN {
        wall = ns / 1e9
        printf "veltroma-monitor --headless: %.2f %% of one core over %.0f s (%.2f s CPU, %d rows)\n",
               100 * ticks / hz / wall, wall, ticks / hz, rows
    }'
if [[ $status -ne 0 ]]; then
    echo "the monitor ended with exit code $status after SIGTERM" >&2
    exit 1
fi
