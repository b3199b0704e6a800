#!/usr/bin/env bash
# Installs the build into a temporary prefix, as a user without root would, and checks the
# installed tree with the desktop's own validators and the service unit's sandbox with
# systemd's rating; then runs the installed program: its version, and headless against the
# simulated inverter with a temporary per-user data folder, where its files must appear,
# private to the user, and none in the prefix.
#   install-check.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
sim_pid=""
monitor_pid=""
cleanup() {
  [ -n "$monitor_pid" ] && kill "$monitor_pid" 2>/dev/null || true
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

id=org.veltroma.Monitor
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

echo "== installed tree"
expected=(
  bin/veltroma-monitor
  share/applications/$id.desktop
  share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/man/man1/veltroma-monitor.1
  share/doc/veltroma-monitor/README.md
  share/doc/veltroma-monitor/LICENSE
  share/doc/veltroma-monitor/copyright
  share/doc/veltroma-monitor/changelog.gz
  share/doc/veltroma-monitor/docs/main-window.png
  lib/systemd/system/veltroma-monitor@.service
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "missing $file"
done
[ -x "$prefix/bin/veltroma-monitor" ] || fail "bin/veltroma-monitor is not executable"
for size in 16 48 256; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png
  # Width and height are the big-endian words at bytes 16 and 20 of a PNG.
  dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4 "x" $7*256+$8}')
  [ "$dims" = "${size}x${size}" ] || fail "$png is $dims"
done
# Only the program and its documentation: no test, benchmark or tool leaks into the prefix.
unexpected=$(cd "$prefix" && find . -type f | sed 's|^\./||' | grep -v -e '^share/' -e '^bin/veltroma-monitor$' \
  -e '^lib/systemd/system/veltroma-monitor@\.service$' || true)
[ -z "$unexpected" ] || fail "unexpected files installed: $unexpected"

echo "== validators"
desktop-file-validate "$prefix/share/applications/$id.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
unit_file=$prefix/lib/systemd/system/veltroma-monitor@.service
# Read whole before it is matched: under pipefail a grep -q that leaves early would let
# SIGPIPE fail the writer.
unit=$(<"$unit_file")
grep -qx "ExecStart=$prefix/bin/veltroma-monitor --headless" <<<"$unit" \
  || fail "the service unit does not start the installed program headless"
command -v systemd-analyze >/dev/null || fail "systemd-analyze is not installed (Debian package systemd)"
# Checks the unit's syntax and that its ExecStart names an executable; its man page is
# not in the system's manual until the package is installed.
systemd-analyze verify --man=no "$unit_file"

echo "== service sandbox"
security=$(systemd-analyze security --offline=yes "$unit_file" 2>&1) || { echo "$security"; fail "systemd-analyze security"; }
exposure=$(sed -n 's/.*Overall exposure level for [^:]*: \([0-9][0-9.]*\) .*/\1/p' <<<"$security")
[ -n "$exposure" ] || { echo "$security"; fail "no overall exposure level in the analysis"; }
echo "exposure level $exposure (at most 2.5)"
awk -v level="$exposure" 'BEGIN { exit !(level <= 2.5) }' \
  || { echo "$security"; fail "the service unit is rated $exposure, above 2.5"; }
# A better rating must not cost the logger what it needs: its port, its folder, the network.
for line in 'SupplementaryGroups=dialout' 'DeviceAllow=char-ttyS rw' 'DeviceAllow=char-ttyUSB rw' \
            'DeviceAllow=char-ttyACM rw' 'ReadWritePaths=-/home/%i/.local/share/veltroma-monitor' \
            'RestrictAddressFamilies=AF_UNIX AF_INET AF_INET6'; do
  grep -qxF "$line" <<<"$unit" || fail "the service unit lacks $line"
done
! grep -qE '^(PrivateDevices|PrivateNetwork)=(yes|true|1)$' <<<"$unit" \
  || fail "the service unit takes away the serial devices or the network"

echo "== installed program"
program=$prefix/bin/veltroma-monitor
version=$("$program" --version)
echo "$version"
[[ "$version" =~ ^Veltroma\ monitor\ 3\.00(\ \(revision\ [0-9A-Za-z._-]+\))?$ ]] || fail "--version says '$version'"
help=$("$program" --help)
grep -q 'XDG_DATA_HOME/veltroma-monitor' <<<"$help" || fail "--help does not state the program folder rule"
# Every option of --help is in the man page.
for option in $(grep -oE '^ +(-[A-Za-z], )?--[a-z-]+' <<<"$help" | grep -oE -- '--[a-z-]+'); do
  grep -qF -- "${option//-/\\-}" "$prefix/share/man/man1/veltroma-monitor.1" || fail "man page lacks $option"
done

# A folder that cannot be made is said, not met with silence.
touch "$work/not-a-folder"
set +e
"$program" --headless --home "$work/not-a-folder/veltroma" >/dev/null 2>"$work/blocked.err"
status=$?
set -e
[ "$status" -eq 1 ] || fail "an unusable program folder ended the program with $status"
grep -q "program folder $work/not-a-folder/veltroma/ cannot be created" "$work/blocked.err" \
  || fail "no clear message for an unusable program folder: $(cat "$work/blocked.err")"

echo "== headless with a per-user data folder"
export HOME=$work/home XDG_DATA_HOME=$work/data
mkdir -p "$HOME"
folder=$XDG_DATA_HOME/veltroma-monitor
before=$(cd "$prefix" && find . -printf '%p %s %T@\n' | sort)

# First start: the folder and its files are made; the default port COM1 may not exist here.
# With the usual umask they would be readable by everyone; the program makes them private.
umask 0022
set +e
timeout -s TERM 10 "$program" --headless >"$work/first.out" 2>"$work/first.err"
status=$?
set -e
[ "$status" -eq 0 ] || [ "$status" -eq 1 ] || [ "$status" -eq 124 ] || { cat "$work/first.err"; fail "first start ended with $status"; }
[ -f "$folder/setting.ini" ] || fail "no setting.ini in $folder"
[ -n "$(ls -A "$folder/Language")" ] || fail "no language files in $folder/Language"
mode_is() { [ "$(stat -c %a "$1")" = "$2" ] || fail "$1 is $(stat -c %a "$1"), not $2"; }
mode_is "$folder" 700
mode_is "$folder/setting.ini" 600

simulator=$build/tools/inverter-sim/inverter-sim
"$simulator" --link "$work/ttyV" --instant --quiet --log "$work/sim.log" </dev/null >"$work/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do [ -e "$work/ttyV" ] && break; sleep 0.1; done
[ -e "$work/ttyV" ] || fail "the simulator did not start"
printf '[Setting]\r\nLanguage=English\r\nCommNum=%s,9600,8,N,1\r\n' "$work/ttyV" >"$folder/setting.ini"

"$program" --headless >"$work/headless.out" 2>"$work/headless.err" &
monitor_pid=$!
# Registration, then polls: the port came from the setting.ini in the data folder.
for _ in $(seq 300); do
  grep -q 'poll-realtime' "$work/sim.log" 2>/dev/null && break
  kill -0 "$monitor_pid" 2>/dev/null || break
  sleep 0.1
done
grep -q 'poll-realtime' "$work/sim.log" || { cat "$work/headless.err"; fail "the inverter was never polled"; }
kill -0 "$monitor_pid" 2>/dev/null || { cat "$work/headless.err"; fail "the headless program ended early"; }
kill -TERM "$monitor_pid"
set +e
wait "$monitor_pid"
status=$?
set -e
monitor_pid=""
[ "$status" -eq 0 ] || { cat "$work/headless.err"; fail "headless ended with $status after SIGTERM"; }
month_files=$(find "$folder/Data" -name '*.xls')
[ -n "$month_files" ] || fail "no month file in $folder/Data"
mode_is "$folder/Data" 700
for file in $month_files; do mode_is "$file" 600; done

after=$(cd "$prefix" && find . -printf '%p %s %T@\n' | sort)
[ "$before" = "$after" ] || fail "the program wrote into the installed tree: $(diff <(echo "$before") <(echo "$after"))"
echo "files in $folder:"
(cd "$folder" && find . -type f | sort)
echo "install check passed"
