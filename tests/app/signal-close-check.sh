#!/usr/bin/env bash
# The program told to end by SIGTERM while the sequence list is open and a
# run is going, on a virtual X display against three simulated attenuators:
# nothing of the run goes out after the park values, every attenuator is
# parked at the common maximum by two verified sets (each "ATT 0 630" read
# back with "STA?"), the run's description ends "program closed", the
# settings are written and the program exits with status 0.
#   signal-close-check.sh PROGRAM RACK_SIM OUT_DIR
# Exits with 77 (skipped) when Xvfb is not installed.
set -euo pipefail
prog=$1 simulator=$2 out=$3
finder="$(cd "$(dirname "$0")/../.." && pwd)/scripts/find-window.sh"
. "$(dirname "$0")/program-start.sh"
find_window() { bash "$finder" "$@"; }

command -v Xvfb >/dev/null || { echo "Xvfb is not installed: skipped"; exit 77; }
command -v xdotool >/dev/null || { echo "missing: xdotool"; exit 1; }

rm -rf "$out"
mkdir -p "$out/config" "$out/data" "$out/documents" "$out/runtime"
chmod 700 "$out/runtime"
pids=()
cleanup() { for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT
fail() { echo "FAILED: $*"; echo "--- program output"; cat "$out/program.log" 2>/dev/null || true; exit 1; }
wait_line() { for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
wait_line "$out/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$out/display")"

# Three attenuators on a loopback address of this test's own; the smallest
# maximum, 63.0 dB, is the park value.
start_rack_sim 127.2 --att "@IP:10001,id=S1A100,max=935,att=100" --att "@IP:10002,id=S1A200,max=630,att=250" \
    --att "@IP:10003,id=S1A300,max=630,att=40"

cfg="$out/check.cfg"
printf '[rack1]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=0\r\nIP address=%s\r\nname rack=Rack 1\r\n' "$ip" >"$cfg"
# A one-minute ramp on the three attenuators, in tenths: never 63.0 dB.
tab=$'\t'
seq_file="$out/documents/ramp.sqc"
printf 'ATTS SELECTED\r\n\r\n att1 att2 att3\r\n\r\nACTIONS\r\n#Num\tTime\tAction\tFrom\tTo\tDuration\r\n1%s0%s2%s0%s500%s600\r\n' \
    "$tab" "$tab" "$tab" "$tab" "$tab" >"$seq_file"

# The program's SCPI server starts the run, in the list window the operator
# opened.
scpi_port=$((20000 + RANDOM % 20000))
export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" XDG_DOCUMENTS_DIR="$out/documents"
export XDG_RUNTIME_DIR="$out/runtime" QT_QPA_PLATFORM=xcb DBUS_SESSION_BUS_ADDRESS="unix:path=$out/no-bus"
settings="$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera"
ini="$settings/$(basename "$prog").ini"
mkdir -p "$settings"
printf '[Config]\nLast config file=%s\n[DIR]\nSequences dir=%s/documents/\n[Remote]\nSCPI port=%s\nSCPI address=%s\n' \
    "$cfg" "$out" "$scpi_port" "$ip" >"$ini"

"$prog" >"$out/program.log" 2>&1 &
program=$!
pids+=("$program")

dialog=$(find_window 10 --sync --limit 1 --name "Quadrell Configuration") || fail "no configuration dialog"
sleep 0.3
xdotool windowfocus --sync "$dialog" key alt+o
links_up_and_main 3
sleep 0.5
xdotool windowfocus --sync "$main" key alt+s
find_window 10 --sync --onlyvisible --limit 1 --name "^Sequence List$" >/dev/null || fail "no sequence list"

exec 5<>"/dev/tcp/$ip/$scpi_port" || fail "no SCPI server"
printf 'SEQ:RUN "%s"\n*OPC?\n' "$seq_file" >&5
read -r -t 10 opc <&5 || fail "no answer to *OPC?"
# The run is under way: a few of its values have reached every attenuator.
runs() { grep -c ":1000$1 *ATT 0" "$out/rack-sim.log" || true; }
for _ in $(seq 100); do [ "$(runs 1)" -ge 3 ] && [ "$(runs 2)" -ge 3 ] && [ "$(runs 3)" -ge 3 ] && break; sleep 0.1; done
[ "$(runs 3)" -ge 3 ] || fail "the run did not start (SCPI said $opc)"
import -window root "$out/running.png" 2>/dev/null || true

kill -TERM "$program"
status=""
for _ in $(seq 150); do
    if ! kill -0 "$program" 2>/dev/null; then
        wait "$program" && status=0 || status=$?
        break
    fi
    sleep 0.1
done
[ -n "$status" ] || { import -window root "$out/not-ended.png" 2>/dev/null || true; fail "the program did not end"; }
exec 5<&-

# Per attenuator: from the first park value on, only the park value goes
# out, twice at least, each read back.
for k in 1 2 3; do
    lines=$(grep ":1000$k " "$out/rack-sim.log" | sed 's/^ *[0-9.]* *[^ ]* *//' | grep -E '^(ATT|STA)' |
        sed -n '/^ATT 0 630$/,$p' | tr '\n' '|')
    echo "attenuator $k after the park began: $lines"
    [ -n "$lines" ] || fail "attenuator $k was not parked"
    echo "$lines" | grep -qE '^(ATT 0 630\|STA\?\|){2,}$' ||
        fail "attenuator $k: not two read-back park sets, or a run value after them"
done
[ "$status" -eq 0 ] || fail "exit status $status"
json=$(ls "$out"/documents/*.json 2>/dev/null | head -n1)
[ -n "$json" ] || fail "no run description"
grep -q '"program closed"' "$json" || fail "the run description does not say \"program closed\": $(cat "$json")"
grep -q '^Config dir' "$ini" || fail "the settings were not written"
echo "passed"
