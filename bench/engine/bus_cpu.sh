#!/usr/bin/env bash
# Several inverters on one bus: the headless monitor's CPU use, how often each inverter's
# values refresh, and whether every inverter records every 180 s.
#
#   bench/engine/bus_cpu.sh [BUILD_DIR] [SECONDS] [UNITS]
#
# Starts tools/inverter-sim with UNITS inverters (default 6) on one pseudo-terminal, their
# serial numbers in the program's setting.ini, and veltroma-monitor --headless --every-reply
# against it. Once every inverter has answered it measures over SECONDS (default 400) the
# monitor's user and system time as a share of one core (target under 0.3 %), the longest gap
# between two replies of the same inverter (target at most 16 s), and, from the month files
# read back with the program's own --export-csv, the rows each inverter recorded (target: one
# every 180 s). Exits non-zero when a target is missed or the monitor does not end with 0.
set -euo pipefail
source "$(dirname "$0")/../support/simulated-inverter.sh"

build=${1:-build/default}
seconds=${2:-400}
units=${3:-6}
prepare_headless_benchmark "$build"

# Noon, so that every plant gives power; unit k has the serial VT2400012 and the digit 2 + k.
start_simulated_inverter "$sim" "$work" --units "$units" --start-time 12:00
{
    printf '[Inverters]\r\nCount=%d\r\n' "$units"
    for k in $(seq "$units"); do printf 'Serial%d=VT2400012%d\r\n' "$k" $((2 + k)); done
} >> "$work/home/setting.ini"
"$monitor" --headless --every-reply --home "$work/home" > "$work/rows.txt" 2> "$work/events.txt" &
monitor_pid=$!

answered() { awk -F'\t' 'NR > 1 { seen[$2] = 1 } END { exit length(seen) < n }' n="$units" "$work/rows.txt"; }
for _ in $(seq 600); do
    answered && break
    sleep 0.1
done
answered || { echo "not every inverter answered" >&2; cat "$work/events.txt" >&2; exit 1; }

ticks_per_second=$(getconf CLK_TCK)
lines_before=$(wc -l < "$work/rows.txt")
start_ticks=$(cpu_ticks)
start_ns=$(date +%s%N)
sleep "$seconds"
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)

stop_monitor

# The longest gap between two replies of one inverter in the measured stretch.
gap=$(tail -n +$((lines_before + 1)) "$work/rows.txt" | awk -F'\t' '
    { split($1, d, "T"); split(d[2], t, ":"); s = t[1] * 3600 + t[2] * 60 + t[3]
      if ($2 in last && s - last[$2] > worst) worst = s - last[$2]; last[$2] = s }
    END { print worst + 0 }')

failed=0
awk -v ticks=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" \
    -v ns=$((end_ns - start_ns)) -v gap="$gap" -v units="$units" 'BEGIN {
        wall = ns / 1e9
        printf "veltroma-monitor --headless, %d inverters: %.2f %% of one core over %.0f s (%.2f s CPU); longest gap between replies of one inverter %d s\n",
               units, 100 * ticks / hz / wall, wall, ticks / hz, gap
        exit !(100 * ticks / hz / wall < 0.3 && gap <= 16)
    }' || failed=1

# Rows recorded per inverter: at least one per whole 180 s of the run.
expected=$(( seconds / 180 ))
for k in $(seq "$units"); do
    month=$(ls "$work/home/Data/Inverter$k/"*.xls)
    rows=$("$monitor" --export-csv "$month" --home "$work/home" | awk 'NR > 1' | wc -l)
    echo "inverter $k: $rows rows recorded"
    (( rows >= expected )) || failed=1
done
if [[ $status -ne 0 ]]; then
    echo "the monitor ended with exit code $status after SIGTERM" >&2
    exit 1
fi
exit $failed
