#!/usr/bin/env bash
# The program on a virtual X display against a simulated rack: the
# configuration dialog and the main window open centred on the screen, the
# front panel comes up (a screenshot is left in OUT_DIR), a refresh asked
# over a private session bus with gdbus reconnects that one attenuator, a
# run armed over the bus shows as armed and starts at the instant it is
# given, and the keyboard alone opens the sequence windows, the graph's pop-up menu and
# the help window, and the program closes when told to.
#   desktop-check.sh PROGRAM RACK_SIM OUT_DIR
# Exits with 77 (skipped) when Xvfb is not installed.
set -euo pipefail
prog=$1 simulator=$2 out=$3
# Window searches: a window closing while xdotool looks the windows over is
# no failure (see the script).
finder="$(cd "$(dirname "$0")/../.." && pwd)/scripts/find-window.sh"
. "$(dirname "$0")/program-start.sh"
find_window() { bash "$finder" "$@"; }

command -v Xvfb >/dev/null || { echo "Xvfb is not installed: skipped"; exit 77; }
for tool in xdotool import dbus-daemon gdbus; do
    command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 1; }
done

rm -rf "$out"
mkdir -p "$out/config" "$out/data" "$out/documents" "$out/runtime"
chmod 700 "$out/runtime"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; }
trap cleanup EXIT
fail() { echo "FAILED: $*"; echo "--- program output"; cat "$out/program.log" 2>/dev/null || true; exit 1; }
# Waits up to 10 s for a file to hold a line.
wait_line() { for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }
# True when the window's centre lies within 3 pixels of the screen's.
centred() {
    local X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    read -r SW SH < <(xdotool getdisplaygeometry)
    echo "$2: ${WIDTH}x${HEIGHT} at $X,$Y on ${SW}x${SH}"
    local dx=$((2 * X + WIDTH - SW)) dy=$((2 * Y + HEIGHT - SH))
    [ "${dx#-}" -le 6 ] && [ "${dy#-}" -le 6 ]
}

# A display and a session bus of this test's own.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
pids+=($!)
wait_line "$out/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$out/display")"
dbus-daemon --session --nofork --print-address=3 3>"$out/bus" 2>/dev/null &
pids+=($!)
wait_line "$out/bus" || fail "dbus-daemon did not start"
export DBUS_SESSION_BUS_ADDRESS
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$out/bus")

# One simulated rack on a loopback address that no other test uses.
start_rack_sim 127.1 --monotonic --rack @IP

cfg="$out/check.cfg"
printf '[rack1]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=%s\r\nname rack=Rack 1\r\n' "$ip" >"$cfg"
export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" XDG_DOCUMENTS_DIR="$out/documents"
export XDG_RUNTIME_DIR="$out/runtime" QT_QPA_PLATFORM=xcb
settings="$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera"
mkdir -p "$settings"
printf '[Config]\nLast config file=%s\n' "$cfg" >"$settings/$(basename "$prog").ini"

"$prog" >"$out/program.log" 2>&1 &
program=$!
pids+=("$program")

dialog=$(find_window 10 --sync --limit 1 --name "Quadrell Configuration") || fail "no configuration dialog"
sleep 0.3
centred "$dialog" "configuration dialog" || fail "configuration dialog not centred"
xdotool windowfocus --sync "$dialog" key alt+o

# The four attenuators connect, identify and report their values.
links_up_and_main 4
centred "$main" "main window" || fail "main window not centred"
sleep 0.3
import -window root "$out/front-panel.png"

# Another program asks for attenuator 2 to be refreshed.
idn2() { grep -c ":10002 *IDN?" "$out/rack-sim.log" || true; }
[ "$(idn2)" -eq 1 ] || fail "attenuator 2 identified $(idn2) times before the refresh"
gdbus call --session --dest org.orvelt.Quadrell2x4Atts --object-path /FrontPanel \
    --method org.orvelt.Quadrell2x4Atts.FrontPanel.RefreshLink 2 >/dev/null || fail "gdbus call refused"
for _ in $(seq 100); do [ "$(idn2)" -ge 2 ] && break; sleep 0.1; done
[ "$(idn2)" -ge 2 ] || fail "attenuator 2 was not reconnected"
[ "$(grep -c ":10001 *IDN?" "$out/rack-sim.log")" -eq 1 ] || fail "attenuator 1 was reconnected too"

# The keyboard alone reaches the sequence windows, the graph's pop-up menu
# and the help window (the display has no window manager: each key goes to
# the window it is meant for).
keys() { local w=$1 k; shift; for k in "$@"; do xdotool windowfocus --sync "$w" key "$k"; sleep 0.3; done; }
shown() { find_window 10 --sync --onlyvisible --limit 1 --name "$1" || fail "no window \"$1\"" >&2; }
closed() {
    for _ in $(seq 50); do find_window 5 --onlyvisible --name "$1" >/dev/null || return 0; sleep 0.1; done
    fail "the window \"$1\" stayed open"
}
# Another program arms a run, sees it armed, and starts it 1.5 s ahead.
armed_file="$out/documents/armed.sqc"
printf 'ATTS SELECTED\r\n\r\n att1\r\n\r\nACTIONS\r\n#Num\tTime\tAction\tFrom\tTo\tDuration\r\n1\t0\t2\t0\t20\t10\r\n' >"$armed_file"
bus() { gdbus call --session --dest org.orvelt.Quadrell2x4Atts --object-path /FrontPanel \
    --method "org.orvelt.Quadrell2x4Atts.FrontPanel.$1" "${@:2}" >/dev/null || fail "gdbus $1 refused"; }
sent() { grep -c ":10001 *ATT 0 " "$out/rack-sim.log" || true; }
before=$(sent)
bus LoadSequences "['$armed_file']"
armed=$(find_window 10 --sync --onlyvisible --limit 1 --name "^Sequence List \[Armed\.\.\.\]$") || fail "no armed list"
import -window root "$out/armed.png"
# The program counts on the monotonic clock from the moment it takes the
# instant; the wire (stamped on that clock) is judged against the instant as
# converted here, so a system clock corrected meanwhile moves nothing.
read -r instant steady_instant < <(/usr/bin/python3 -c 'import time
i = round(time.time() + 1.5, 3)
print(f"{i:.3f} {time.monotonic() + i - time.time():.6f}")')
bus StartSequencesAt "$instant"
sleep 0.5
[ "$(sent)" -eq "$before" ] || fail "the armed run sent before its instant"
closed "^Sequence List"  # the run has ended and the window opened for it closed
[ "$(sent)" -ge $((before + 3)) ] || fail "the armed run did not play"
first=$(grep ":10001 *ATT 0 " "$out/rack-sim.log" | sed -n "$((before + 1))p" | cut -d' ' -f1)
/usr/bin/python3 -c "import sys; e = float(sys.argv[1]) - float(sys.argv[2]); print(f'first command {e * 1000:.1f} ms after the instant'); sys.exit(not 0 <= e < 0.1)" \
    "$first" "$steady_instant" || fail "the first command left at $first for the instant $steady_instant (monotonic)"

keys "$main" alt+s
list=$(shown "^Sequence List$")
keys "$list" Tab Tab space               # from the list past "&Run" to "Graph"
graph=$(shown "^Sequencer Graph$")
keys "$graph" shift+F10
xdotool key Down Return                  # the menu's first item: save the picture
save=$(shown "^Save graph image to BMP or JPG$")
keys "$save" Escape
closed "^Save graph image"
keys "$list" alt+e
editor=$(shown "^Sequence Editor")
keys "$editor" Escape
closed "^Sequence Editor"
keys "$list" Escape
closed "^Sequence List"
keys "$main" alt+h
help=$(shown "^Help$")
import -window root "$out/keyboard.png"
keys "$help" Escape
closed "^Help$"

# Told to end, the program parks the attenuators and exits.
kill -TERM "$program"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not end"
echo "passed; screenshot: $out/front-panel.png"
