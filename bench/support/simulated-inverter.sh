# Sourced by the CPU benchmarks.
#
#   prepare_headless_benchmark BUILD
#
# Sets `monitor` and `sim` to the program and the simulator of the build folder BUILD (exits 2
# when one is missing) and `work` to a new folder; the script sets `monitor_pid` once it has
# started the monitor. At the end of the script the monitor and the simulator are ended and
# the folder removed.
prepare_headless_benchmark() {
    monitor=$1/src/app/veltroma-monitor
    sim=$1/tools/inverter-sim/inverter-sim
    local exe
    for exe in "$monitor" "$sim"; do
        [[ -x $exe ]] || { echo "missing $exe: build it first" >&2; exit 2; }
    done
    work=$(mktemp -d)
    monitor_pid=
    trap end_headless_benchmark EXIT
}

# The processor time of the running monitor so far, in clock ticks (user and system).
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$monitor_pid/stat"; }

# Ends the monitor as systemd would (SIGTERM) and sets `status` to its exit code.
stop_monitor() {
    kill -TERM "$monitor_pid"
    status=0
    wait "$monitor_pid" || status=$?
    monitor_pid=
}

end_headless_benchmark() {
    [[ -n ${monitor_pid:-} ]] && kill "$monitor_pid" 2>/dev/null || true
    [[ -n ${SIM_PID:-} ]] && kill "$SIM_PID" 2>/dev/null || true
    rm -rf "$work"
}

#
#   start_simulated_inverter SIMULATOR WORK [SIMULATOR OPTION...]
#
# Starts the simulated inverter on the pseudo-terminal WORK/tty and writes a program folder
# WORK/home whose settings name that port. Further arguments go to the simulator (a start
# time, a request log). The simulator ends when the sourcing script ends: the script holds
# its standard input (coprocess SIM, SIM_PID for the cleanup).
start_simulated_inverter() {
    local sim=$1 work=$2 pty_line
    shift 2
    coproc SIM { exec "$sim" --link "$work/tty" --quiet --quit-on-eof "$@"; }
    read -r -t 10 pty_line <&"${SIM[0]}" || { echo "the simulator did not start" >&2; exit 1; }
    [[ $pty_line == PTY* ]] || { echo "unexpected simulator output: $pty_line" >&2; exit 1; }
    # Private, as the program keeps its folder: else the start would tighten it and say so
    # (in a message box, with a window).
    mkdir -m 700 "$work/home"
    (umask 077; printf '[Setting]\r\nLanguage=English\r\nCommNum=%s,9600,8,N,1\r\n' "$work/tty" \
        > "$work/home/setting.ini")
}
