#!/usr/bin/env bash
# The headless monitor with the web view in use: its CPU and the regularity of its polling.
#
#   bench/web/web_cpu.sh [BUILD_DIR] [SECONDS]
#
# Starts tools/inverter-sim on a pseudo-terminal and veltroma-monitor --headless --every-reply
# --web 127.0.0.1:PORT against it, waits until the inverter answers, then for SECONDS (default
# 60) keeps three event-stream clients open and asks ten requests a second (/api/v1/live,
# /metrics, / in turn; bench/web/web_load.py). It prints the monitor's user and system time as a
# share of one core (target under 1 %) and the longest gap between two replies (the polling
# must not notice the clients: at most 3 s). Exits non-zero when a target is missed, a request
# fails, or the monitor does not end with 0.
set -euo pipefail
here=$(dirname "$0")
source "$here/../support/simulated-inverter.sh"

build=${1:-build/default}
seconds=${2:-60}
prepare_headless_benchmark "$build"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
start_simulated_inverter "$sim" "$work"
"$monitor" --headless --every-reply --home "$work/home" --web "127.0.0.1:$port" \
    > "$work/rows.txt" 2> "$work/events.txt" &
monitor_pid=$!

logged() { [[ $(wc -l < "$work/rows.txt") -ge 2 ]]; }
for _ in $(seq 200); do
    logged && break
    sleep 0.1
done
logged || { echo "no rows logged" >&2; cat "$work/events.txt" >&2; exit 1; }
grep -q "web view on http://127.0.0.1:$port/" "$work/events.txt" \
    || { echo "the web view did not start" >&2; cat "$work/events.txt" >&2; exit 1; }

ticks_per_second=$(getconf CLK_TCK)
lines_before=$(wc -l < "$work/rows.txt")
start_ticks=$(cpu_ticks)
start_ns=$(date +%s%N)
load_status=0
python3 "$here/web_load.py" "$port" "$seconds" 3 10 || load_status=$?
end_ticks=$(cpu_ticks)
end_ns=$(date +%s%N)

stop_monitor

# The longest gap between two replies in the measured stretch (one inverter).
gap=$(tail -n +$((lines_before + 1)) "$work/rows.txt" | awk -F'\t' '
    { split($1, d, "T"); split(d[2], t, ":"); s = t[1] * 3600 + t[2] * 60 + t[3]
      if (n++ && s - last > worst) worst = s - last; last = s }
    END { print worst + 0 }')
replies=$(( $(wc -l < "$work/rows.txt") - lines_before ))

failed=0
awk -v ticks=$((end_ticks - start_ticks)) -v hz="$ticks_per_second" \
    -v ns=$((end_ns - start_ns)) -v gap="$gap" -v replies="$replies" 'BEGIN {
        wall = ns / 1e9
        printf "veltroma-monitor --headless --web, 3 streams and 10 requests/s: %.2f %% of one core over %.0f s (%.2f s CPU); %d replies, longest gap between two %d s\n",
               100 * ticks / hz / wall, wall, ticks / hz, replies, gap
        exit !(100 * ticks / hz / wall < 1 && gap <= 3)
    }' || failed=1
if [[ $load_status -ne 0 ]]; then
    echo "the web load failed" >&2
    failed=1
fi
if [[ $status -ne 0 ]]; then
    echo "the monitor ended with exit code $status after SIGTERM" >&2
    exit 1
fi
exit $failed
