#!/usr/bin/env bash
# Photographs every window of the program on a virtual X display at a given
# scale factor, reaching each one by keyboard only (accelerators, Tab,
# Space, Ctrl+Tab, Shift+F10), against one simulated rack:
#   window-screens.sh [SCALE [OUT_DIR]]     (default 2, docs/screens-scale2)
# Builds the program first when build/ does not hold it.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scale=${1:-2}
out=$(realpath -m "${2:-docs/screens-scale2}")
prog=build/app/quadrell2x4atts sim=build/tools/simulator/rack-sim
[ -x "$prog" ] && [ -x "$sim" ] ||
    { cmake -S . -B build >/dev/null && cmake --build build -j"$(nproc)" --target quadrell2x4atts rack-sim; }

work=$(mktemp -d)
mkdir -p "$out" "$work/config" "$work/data" "$work/documents" "$work/runtime"
chmod 700 "$work/runtime"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; wait 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 $((1200 * scale))x$((900 * scale))x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"

ip="127.2.$((RANDOM % 250 + 1)).$((RANDOM % 250 + 2))"
"$root/$sim" --att "$ip:10001,id=R1A100,max=935,name=LAB1,att=100" \
    --att "$ip:10002,id=R1A200,max=630,name=LAB2,att=250" \
    --att "$ip:10003,id=R1A300,max=063,name=DUT1,att=20" \
    --att "$ip:10004,id=R1A400,max=935,name=FADE,att=455" >"$work/rack-sim.log" 2>&1 &
pids+=($!)
printf '[rack1]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=%s\r\nname rack=Rack 1\r\n' \
    "$ip" >"$work/bench.cfg"
printf 'ATTS SELECTED\r\n\r\n att3\r\n\r\nACTIONS\r\n#Num\tTime\tAction\tFrom\tTo\tDuration\r\n1\t0\t1\t0\t0\t0\r\n2\t0\t2\t5\t30\t50\r\n3\t50\t3\t0\t10\t20\r\n' \
    >"$work/documents/ramp.sqc"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_DOCUMENTS_DIR="$work/documents"
export XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale
settings="$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera"
mkdir -p "$settings"
printf '[Config]\nLast config file=%s\n[DIR]\nSequences dir=%s/\n' "$work/bench.cfg" "$work/documents" \
    >"$settings/quadrell2x4atts.ini"

# The display has no window manager: each step gives the keyboard to the
# window it drives, and keys go one at a time.
window() {
    bash "$root/scripts/find-window.sh" 10 --sync --onlyvisible --limit 1 --name "$1" ||
        { echo "no window \"$1\"" >&2; import -window root "$out/failed.png"; exit 1; }
}
keys() { local w=$1 k; shift; for k in "$@"; do xdotool windowfocus --sync "$w" key "$k"; sleep 0.25; done; }
# Kept small: 64 colours.
small() { convert "$1" -strip +dither -colors 64 "PNG8:$1"; }
shot() { sleep 0.4; import -window "$1" "$out/$2"; small "$out/$2"; }

"$root/$prog" >"$work/program.log" 2>&1 &
pids+=($!)
config=$(window "Quadrell Configuration")
keys "$config" Tab Tab Tab Tab Tab   # to the "Att 1" box, past the buttons and the tab bar
shot "$config" configuration.png
keys "$config" alt+o
for _ in $(seq 100); do [ "$(grep -c 'STA?' "$work/rack-sim.log" || true)" -ge 4 ] && break; sleep 0.1; done
main=$(window "^Control program")
keys "$main" Tab
shot "$main" main-window.png

keys "$main" Tab space                # from the slide bar to the first Name button
naming=$(window "Name / Rename")
shot "$naming" naming.png
keys "$naming" Escape

keys "$main" alt+s
list=$(window "^Sequence List")
keys "$list" alt+l
dialog=$(window "Select Sequence to Add")
sleep 0.3
xdotool windowfocus --sync "$dialog" type --delay 10 "$work/documents/ramp.sqc"
sleep 1
keys "$dialog" Escape Return          # the name completer's list, then the dialog
sleep 0.5
keys "$list" Down                      # the list has the focus back: first row
shot "$list" sequence-list.png

keys "$list" alt+e
editor=$(window "Sequence Editor")
keys "$editor" Tab Tab Tab Tab Tab
shot "$editor" sequence-editor.png
keys "$editor" ctrl+Tab             # the other page, from inside a row
shot "$editor" sequence-editor-attenuators.png
keys "$editor" Escape

keys "$list" Tab Tab space             # from the list past "&Run" to "Graph"
graph=$(window "Sequencer Graph")
xdotool windowmove --sync "$graph" 0 0
keys "$graph" shift+F10
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$graph")"
import -window root -crop "${WIDTH}x${HEIGHT}+0+0" "$out/graph-menu.png"
small "$out/graph-menu.png"
keys "$graph" Escape
keys "$list" Escape

keys "$main" alt+h
help=$(window "^Help$")
xdotool windowsize --sync "$help" $((480 * scale)) $((300 * scale))
shot "$help" help.png
keys "$help" Escape
keys "$main" alt+e
echo "screenshots at scale $scale: $out"
