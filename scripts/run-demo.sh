#!/usr/bin/env bash
# Builds the program and runs it against simulated racks on loopback:
# rack 1 at 127.0.0.1 and rack 2 at 127.0.0.2, four attenuators each, with a
# ready demo configuration and a private settings folder (nothing of the
# user's own settings is touched).
#
# With a display, the program opens as usual: accept the configuration
# dialog and use it. Without one, it runs under Xvfb: the dialog is
# accepted, the links come up, and, driven by key strokes as an operator
# would, the sequence list gets two demo sequences, runs them with the graph
# shown, exports the graph as JPEG and stops; screenshots of each step are
# saved, and the program is closed (parking every attenuator).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh --demo
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quadrell2x4atts rack-sim

out="$root/demo-out"
shots="$out/screenshots"
rm -rf "$out"
mkdir -p "$shots" "$out/config" "$out/data" "$out/documents"

# Whole-decibel (maximum 63, 31) and tenths (935, 630) attenuators, named.
build/tools/simulator/rack-sim \
    --att 127.0.0.1:10001,id=R1A100,max=935,name=LAB1,att=100 \
    --att 127.0.0.1:10002,id=R1A200,max=630,name=LAB2,att=250 \
    --att 127.0.0.1:10003,id=R1A300,max=063,name=DUT1,att=20 \
    --att 127.0.0.1:10004,id=R1A400,max=935,name=FADE,att=455 \
    --att 127.0.0.2:10001,id=R2A100,max=935,name=RX01,att=0 \
    --att 127.0.0.2:10002,id=R2A200,max=031,name=RX02,att=12 \
    --att 127.0.0.2:10003,id=R2A300,max=630,name=TX01,att=600 \
    --att 127.0.0.2:10004,id=R2A400,max=935,name=TX02,att=935 \
    >"$out/rack-sim.log" 2>&1 &
sim=$!
cleanup() { kill "$sim" 2>/dev/null || true; [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true; }
trap cleanup EXIT

cfg="$out/demo.cfg"
printf '[rack1]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=127.0.0.1\r\nname rack=Rack 1\r\n[rack2]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=127.0.0.2\r\nname rack=Rack 2\r\n' >"$cfg"

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" XDG_DOCUMENTS_DIR="$out/documents"
settings="$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera"
mkdir -p "$settings"
printf '[Config]\nLast config file=%s\n[DIR]\nConfig dir=%s/\nSequences dir=%s/documents/\n' \
    "$cfg" "$out" "$out" >"$settings/quadrell2x4atts.ini"

if [ -n "${DISPLAY:-}" ] && [ "${ATT_DEMO_HEADLESS:-0}" != 1 ]; then
    echo "Simulated racks at 127.0.0.1 and 127.0.0.2 (log: $out/rack-sim.log)."
    build/app/quadrell2x4atts
    exit 0
fi

# Two demo sequences on the whole-decibel attenuators (the smallest maximum,
# 31 dB, sets the unit: whole decibels): a ramp, a step and a repeat on
# DUT1; steps on RX02.
tab=$'\t'
sqc() {  # file, attenuator tags, action rows (fields separated by spaces)
    local file=$1 atts=$2 row
    shift 2
    { printf 'ATTS SELECTED\r\n\r\n%s\r\n\r\nACTIONS\r\n' "$atts"
      printf '#Num\tTime\tAction\tFrom\tTo\tDuration\r\n'
      for row in "$@"; do printf '%s\r\n' "${row// /$tab}"; done; } >"$file"
}
sqc "$out/documents/ramp-dut1.sqc" " att3" "1 0 1 0 0 0" "2 0 2 5 30 50" "3 50 3 0 10 20" \
    "4 70 5 0 2 3" "5 280 3 0 20 30"
sqc "$out/documents/steps-rx02.sqc" " att6" "1 0 3 0 20 15" "2 15 3 0 8 15" "3 30 5 0 1 5"

# No display: a virtual one.
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1600x1000x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Whatever happens, the demo ends: a watchdog stops it after three minutes.
setsid bash -c "sleep 180; echo 'The demo took too long; stopped.' >&2; kill -TERM $$" >/dev/null &
watchdog=$!
cleanup() {
    kill -- "-$watchdog" 2>/dev/null || true
    kill "$sim" 2>/dev/null || true
    [ -n "${prog:-}" ] && kill "$prog" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
}

# The shown window whose title matches $1 (waits up to 15 s; the demo fails
# without it). The virtual display has no window manager: nothing gives a
# new window the keyboard, so each step gives it to the window it drives.
window() {
    timeout "${2:-15}" xdotool search --sync --onlyvisible --limit 1 --name "$1" ||
        { echo "No window \"$1\" appeared (screen: $shots/failed.png)." >&2
          import -window root "$shots/failed.png"; return 1; }
}
# Keys $3... to window $1 until a window titled $2 shows (a window just
# shown may not take keys yet): three tries.
open_with() {
    local try
    for try in 1 2 3; do
        keys "$1" "${@:3}"
        timeout 3 xdotool search --sync --onlyvisible --limit 1 --name "$2" && return 0
    done
    window "$2" 1
}
keys() { xdotool windowfocus --sync "$1" key --delay 80 "${@:2}"; }
gone() {  # waits up to 5 s for the window titled $1 to close
    for _ in $(seq 50); do xdotool search --onlyvisible --name "$1" >/dev/null || return 0; sleep 0.1; done
    echo "The window \"$1\" stayed open." >&2
    return 1
}
shot() { sleep "${2:-0.5}"; import -window root "$shots/$1"; }

# A file dialog titled $2, opened from window $1 with the key $3: the path
# $4 is typed into its name box and confirmed with Enter.
type_into_file_dialog() {
    local owner=$1 title=$2 accel=$3 path=$4 dlg
    dlg=$(open_with "$owner" "$title" "$accel")
    sleep 0.3
    xdotool windowfocus --sync "$dlg" type --delay 10 "$path"
    keys "$dlg" Return
    gone "$title"
}

accept_configuration() {
    local dialog
    dialog=$(window "Quadrell Configuration")
    shot 1-configuration-dialog.png 1
    keys "$dialog" alt+o
    gone "Quadrell Configuration"
    # Wait for the eight attenuators to report their names and values.
    for _ in $(seq 100); do
        [ "$(grep -c 'STA?' "$out/rack-sim.log" || true)" -ge 8 ] && break
        sleep 0.2
    done
    shot 2-front-panel.png 1
}

# "&Sequencer" on the front panel; both demo sequences loaded and selected
# with a click on the first and Shift+Down (the click also closes the name completer's list, which on a
# display without a window manager may outlive its dialog).
list_two_sequences() {
    main=$(window "Control program")
    list=$(open_with "$main" "^Sequence List" alt+s)
    type_into_file_dialog "$list" "Select Sequence to Add" alt+l "$out/documents/ramp-dut1.sqc"
    type_into_file_dialog "$list" "Select Sequence to Add" alt+l "$out/documents/steps-rx02.sqc"
    eval "$(xdotool getwindowgeometry --shell "$list")"
    xdotool mousemove --sync $((X + 100)) $((Y + 16)) click 1
    keys "$list" shift+Down
    shot 3-sequence-list.png
}

# "&Run" (it shares Alt+R with "&Remove": the key gives it the focus, Space
# presses it), then the "Graph" button (it has no accelerator: the mouse).
run_with_graph() {
    open_with "$list" "Sequence List \[Running" alt+r space >/dev/null
    eval "$(xdotool getwindowgeometry --shell "$list")"
    xdotool mousemove --sync $((X + 421)) $((Y + 88)) click 1
    graph=$(window "Sequencer Graph")
    # Beside the front panel, whose boxes follow the run.
    eval "$(xdotool getwindowgeometry --shell "$main")"
    xdotool windowmove --sync "$graph" $((X + WIDTH + 8)) "$Y"
    shot 4-run-with-graph.png 6
}

# The graph's pop-up menu: "Save to bmp or jpg ...", the JPEG file type,
# a typed name.
export_graph_jpeg() {
    local dlg
    eval "$(xdotool getwindowgeometry --shell "$graph")"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    sleep 0.5
    xdotool key Down Return
    dlg=$(window "Save graph image to BMP or JPG")
    sleep 0.3
    # The file type is chosen with the mouse in the list under the name box
    # (first: choosing it keeps only the last part of a typed name), then
    # Alt+N returns to the name box.
    eval "$(xdotool getwindowgeometry --shell "$dlg")"
    xdotool mousemove --sync $((X + 300)) $((Y + HEIGHT - 22)) click 1
    sleep 0.5
    xdotool key Down Return
    keys "$dlg" alt+n
    xdotool type --delay 10 "$out/graph.jpg"
    shot 5-graph-save-dialog.png 0.3
    keys "$dlg" Return
    gone "Save graph image to BMP or JPG"
    for _ in $(seq 30); do [ -s "$out/graph.jpg" ] && break; sleep 0.1; done
    cp "$out/graph.jpg" "$shots/6-exported-graph.jpg" 2>/dev/null ||
        echo "The graph was not exported." >&2
}

# "&Stop", then the list closed with Escape.
stop_and_close_list() {
    keys "$list" alt+s
    window "^Sequence List$" >/dev/null
    keys "$list" Escape
    gone "^Sequence List"
}

build/app/quadrell2x4atts >"$out/program.log" 2>&1 &
prog=$!
accept_configuration
list_two_sequences
run_with_graph
export_graph_jpeg
stop_and_close_list

# Close the program as an operator would; it parks the attenuators.
kill -TERM "$prog"
for _ in $(seq 100); do kill -0 "$prog" 2>/dev/null || break; sleep 0.1; done
parked=$(grep -c 'ATT 0' "$out/rack-sim.log" || true)

echo "Screenshots of the demo are in: $shots"
ls -1 "$shots"
echo "The simulated racks received $parked attenuation commands (the parking at close included); log: $out/rack-sim.log"
