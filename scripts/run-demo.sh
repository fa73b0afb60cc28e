#!/usr/bin/env bash
# Builds the program and runs it against simulated racks on loopback:
# rack 1 at 127.0.0.1 and rack 2 at 127.0.0.2, four attenuators each, with a
# ready demo configuration and a private settings folder (nothing of the
# user's own settings is touched).
#
# With a display, the program opens as usual: accept the configuration
# dialog and use it. Without one (or with --tour), it takes the headless
# tour under Xvfb: driven by key strokes and clicks as an operator would
# drive it, the configuration is accepted, the links come up, the PyVISA
# example sets three attenuators over SCPI (port 5025), two demo sequences
# are added to the sequence list, one is shown in the sequence
# editor, both run with the graph shown, the graph is exported as JPEG, the
# run is stopped and the manual is opened in the help window; the program is
# then closed (parking every attenuator). Every step leaves a picture in
# demo-out/tour/, listed with captions in demo-out/tour/index.html. A step
# that fails ends the tour with a non-zero exit status.
#
#   --tour          the headless tour even when a display is present
#   --manual-shots  the tour, then the manual's pictures are copied into
#                   docs/help/ (commit them with the manual)
#   --service       no window at all: the bench as a service
#                   (quadrell2x4attsd) against the same racks, driven by the
#                   PyVISA example over SCPI, then stopped by SIGTERM (which
#                   parks the attenuators); its log lines are shown
# ATT_DEMO_BUILT=1 takes build/ as it is (scripts/test.sh has just built it
# and runs the tests from it meanwhile): nothing is installed or built.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

tour_mode=0
manual_shots=0
service_mode=0
for arg in "$@"; do
    case $arg in
    --tour) tour_mode=1 ;;
    --manual-shots) tour_mode=1; manual_shots=1 ;;
    --service) service_mode=1 ;;
    *) echo "Usage: $0 [--tour | --manual-shots | --service]" >&2; exit 2 ;;
    esac
done
[ "${ATT_DEMO_HEADLESS:-0}" = 1 ] && tour_mode=1

if [ "${ATT_DEMO_BUILT:-0}" != 1 ]; then
    bash scripts/deps.sh --demo
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build -j "$(nproc)" --target quadrell2x4atts quadrell2x4attsd rack-sim
fi

out="$root/demo-out"
rm -rf "$out"
mkdir -p "$out/config" "$out/data" "$out/documents" "$out/runtime"
chmod 700 "$out/runtime"

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
# Ready, or failed (another copy of the demo may hold the ports).
for _ in $(seq 100); do
    grep -q 'rack-sim: ready' "$out/rack-sim.log" 2>/dev/null && break
    kill -0 "$sim" 2>/dev/null || break
    sleep 0.1
done
grep -q 'rack-sim: ready' "$out/rack-sim.log" 2>/dev/null ||
    { echo "The simulated racks did not start:" >&2; cat "$out/rack-sim.log" >&2; exit 1; }

cfg="$out/demo.cfg"
printf '[rack1]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=127.0.0.1\r\nname rack=Rack 1\r\n[rack2]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=127.0.0.2\r\nname rack=Rack 2\r\n' >"$cfg"

export XDG_CONFIG_HOME="$out/config" XDG_DATA_HOME="$out/data" XDG_DOCUMENTS_DIR="$out/documents"
export XDG_RUNTIME_DIR="$out/runtime"
settings="$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera"
mkdir -p "$settings"
# The SCPI server on, on loopback at its usual port, for PyVISA and the like.
printf '[Config]\nLast config file=%s\n[DIR]\nConfig dir=%s/\nSequences dir=%s/documents/\n[Remote]\nSCPI port=5025\nSCPI address=127.0.0.1\n' \
    "$cfg" "$out" "$out" >"$settings/quadrell2x4atts.ini"
scpi_try="docs/scpi-example.py   # PyVISA over SCPI: TCPIP0::127.0.0.1::5025::SOCKET"

if [ "$service_mode" = 1 ]; then
    # As systemd would run it: no display, the configuration file, a
    # records folder; the SCPI port on loopback.
    log="$out/service.log"
    mkdir -p "$out/records"
    env -u DISPLAY build/service/quadrell2x4attsd --config "$cfg" --records "$out/records" \
        --scpi-port 5025 --scpi-address 127.0.0.1 2>"$log" &
    svc=$!
    for _ in $(seq 100); do
        grep -q 'SCPI server listening' "$log" 2>/dev/null && break
        kill -0 "$svc" 2>/dev/null || break
        sleep 0.1
    done
    grep -q 'SCPI server listening' "$log" ||
        { echo "The service did not start:" >&2; cat "$log" >&2; exit 1; }
    until [ "$(grep -c 'STA?' "$out/rack-sim.log" || true)" -ge 8 ]; do sleep 0.1; done
    echo "=== the PyVISA example against the service: $scpi_try"
    rc=0
    /usr/bin/python3 docs/scpi-example.py || rc=$?
    echo "=== SIGTERM: the service parks every attenuator and ends"
    kill -TERM "$svc"
    wait "$svc" || rc=$?
    echo "=== the service's log ($log; journal level prefixes)"
    cat "$log"
    echo "=== the simulated racks received, from the first set on (log: $out/rack-sim.log)"
    grep -E 'ATT 0|STA\?' "$out/rack-sim.log" | sed -n '/ATT 0/,$p'
    exit "$rc"
fi

if [ -n "${DISPLAY:-}" ] && [ "$tour_mode" = 0 ]; then
    echo "Simulated racks at 127.0.0.1 and 127.0.0.2 (log: $out/rack-sim.log)."
    echo "The bench as an instrument, from another terminal: $scpi_try"
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

# The headless tour: a virtual display, the program driven by key presses and
# clicks as an operator would drive it, a picture of every step.
tour="$out/tour"
mkdir -p "$tour"
# A display number that no other server holds: Xvfb picks it and writes it
# to fd 3.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$out/display" >"$out/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 200); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "The virtual display did not start (log: $out/xvfb.log)." >&2; exit 1; }
export DISPLAY=":$(head -n1 "$out/display")"
xdpyinfo >/dev/null 2>&1 || { echo "The virtual display $DISPLAY does not answer (log: $out/xvfb.log)." >&2; exit 1; }

# Whatever happens, the tour ends: a watchdog stops it after 150 seconds.
setsid bash -c "sleep 150; echo 'The tour took too long; stopped.' >&2; kill -TERM $$" >/dev/null &
watchdog=$!
step="start-up"
cleanup() {
    local rc=$?
    kill -- "-$watchdog" 2>/dev/null || true
    kill "$sim" 2>/dev/null || true
    [ -n "${prog:-}" ] && kill "$prog" 2>/dev/null || true
    [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
    [ "$rc" -ne 0 ] && echo "The tour failed at: $step (program log: $out/program.log)." >&2
    exit "$rc"
}
trap cleanup EXIT
trap 'exit 1' TERM

# Window searches go through find-window.sh: a window closing while xdotool
# looks the windows over is no failure.
find_window() { bash "$root/scripts/find-window.sh" "$@"; }
# The shown window whose title matches $1 (waits up to $2 s, 20 by default;
# the tour fails without it). The virtual display has no window manager:
# nothing gives a new window the keyboard, so each step gives it to the
# window it drives.
window() {
    find_window "${2:-20}" --sync --onlyvisible --limit 1 --name "$1" ||
        { echo "No window \"$1\" appeared (screen: $tour/failed.png)." >&2
          import -window root "$tour/failed.png"; return 1; }
}
# Keys $3... to window $1 until a window titled $2 shows (a window just
# shown may not take keys yet): three tries.
open_with() {
    local try
    for try in 1 2 3; do
        keys "$1" "${@:3}"
        find_window 4 --sync --onlyvisible --limit 1 --name "$2" && return 0
    done
    window "$2" 1
}
keys() { xdotool windowfocus --sync "$1" key --delay 80 "${@:2}"; }
gone() {  # waits up to 10 s for the window titled $1 to close
    for _ in $(seq 100); do find_window 5 --onlyvisible --name "$1" >/dev/null || return 0; sleep 0.1; done
    echo "The window \"$1\" stayed open." >&2
    return 1
}
# Polls the command $2... every 0.2 s for up to $1 seconds.
until_true() {
    local limit=$(($1 * 5)); shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.2; done
    return 1
}

# Pictures: $1 the file name (without .png), $3 the caption of the index.
# snap: the window $2 alone (raised first, then given a moment to draw);
# snap_screen: the whole screen, less its empty black border.
caption() { printf '%s\t%s\n' "$1" "$2" >>"$tour/captions.tsv"; }
snap() {
    xdotool windowraise "$2"
    sleep 0.4
    import -window "$2" "$tour/$1.png"
    caption "$1.png" "$3"
}
snap_screen() {
    sleep 0.4
    import -window root png:- | convert - -trim +repage "$tour/$1.png"
    caption "$1.png" "$2"
}
snap_area() {  # the screen within window $2's bounds: a pop-up over it included
    geometry "$2"
    sleep 0.4
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$tour/$1.png"
    caption "$1.png" "$3"
}
place() {  # moves window $1 to $2,$3
    xdotool windowmove --sync "$1" "$2" "$3"
}
geometry() { eval "$(xdotool getwindowgeometry --shell "$1")"; }

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

all_values_read() { [ "$(grep -c 'STA?' "$out/rack-sim.log" || true)" -ge 8 ]; }

accept_configuration() {
    local dialog
    step="the configuration dialog"
    dialog=$(window "Quadrell Configuration")
    snap configuration "$dialog" "The configuration dialog at start-up, holding the last configuration file (demo.cfg): rack 1 at 127.0.0.1 with its four attenuators in use; rack 2 is on the second tab."
    keys "$dialog" alt+o
    gone "Quadrell Configuration"
    step="the front panel"
    main=$(window "Control program")
    # Every attenuator identified, named and read.
    until_true 30 all_values_read ||
        { echo "Not all eight attenuators answered (log: $out/rack-sim.log)." >&2; return 1; }
    sleep 1
    snap front-panel "$main" "The front panel: eight attenuators named in the attenuators themselves (LAB1 ... TX02), with the values read back from them. Boxes in tenths of a decibel show one decimal; DUT1 (63 dB) and RX02 (31 dB) count whole decibels."
}

# The PyVISA example over the SCPI server: three attenuators set, confirmed
# and read back, and the error queue; the front panel shows the values.
try_scpi() {
    step="the SCPI example"
    echo "Try the bench as an instrument: $scpi_try"
    timeout 30 docs/scpi-example.py >"$out/scpi-example.txt" 2>&1 ||
        { echo "The SCPI example failed:" >&2; cat "$out/scpi-example.txt" >&2; return 1; }
    grep -qx '1: 10.0 dB' "$out/scpi-example.txt" ||
        { echo "The SCPI example did not read back 10.0 dB:" >&2; cat "$out/scpi-example.txt" >&2; return 1; }
    sleep 0.5
    snap front-panel-scpi "$main" "The front panel after docs/scpi-example.py (PyVISA, TCPIP0::127.0.0.1::5025::SOCKET) set attenuators 1 to 3 over SCPI: LAB1 10.0, LAB2 20.5, DUT1 57 dB, as if set by hand."
}

# "&Sequencer" on the front panel; both demo sequences added with "&Load...".
list_sequences() {
    step="the sequence list"
    list=$(open_with "$main" "^Sequence List" alt+s)
    type_into_file_dialog "$list" "Select Sequence to Add" alt+l "$out/documents/ramp-dut1.sqc"
    type_into_file_dialog "$list" "Select Sequence to Add" alt+l "$out/documents/steps-rx02.sqc"
    # A click on the first row (it also closes the name completer's list,
    # which on a display without a window manager may outlive its dialog).
    geometry "$list"
    xdotool mousemove --sync $((X + 100)) $((Y + 16)) click 1
    # The first row made current and selected (whether or not the click
    # reached the list).
    keys "$list" End Home
    # Beside the front panel, so that both can be seen during the run.
    geometry "$main"
    local mx=$X my=$Y
    geometry "$list"
    place "$list" $((mx - WIDTH - 8)) "$my"
    snap sequence-list "$list" "The sequence list with the two demo sequences added; the first one is selected."
}

# "&Edit" on the first sequence; closed with Escape (nothing saved).
show_editor() {
    local editor
    step="the sequence editor"
    editor=$(open_with "$list" "Sequence Editor \[ramp-dut1.sqc\]" alt+e)
    snap sequence-editor "$editor" "The sequence editor on ramp-dut1.sqc: a reset, a ramp from 5 to 30 dB over 5 s, a 10 dB step held for 2 s, both repeated three more times, then a 20 dB step."
    keys "$editor" ctrl+Tab
    snap sequence-editor-attenuators "$editor" "The editor's other page: the attenuators the sequence drives, by their front-panel names; here DUT1 (attenuator 3)."
    keys "$editor" Escape
    gone "Sequence Editor"
}

# Both sequences selected (Shift+Down), "&Run" (it shares Alt+R with
# "&Remove": the key gives it the focus, Space presses it), then the "Graph"
# button (no accelerator: the mouse).
run_with_graph() {
    step="the run"
    keys "$list" shift+Down
    open_with "$list" "Sequence List \[Running" alt+r space >/dev/null
    geometry "$list"
    xdotool mousemove --sync $((X + 421)) $((Y + 88)) click 1
    graph=$(window "Sequencer Graph")
    geometry "$main"
    place "$graph" $((X + WIDTH + 8)) "$Y"
    # Some seconds of the run, so that the curves have a shape.
    sleep 7
    snap_screen sequencer-run "A run in progress: the sequence list reads \"Sequence List [Running...]\", the front panel follows the values sent to DUT1 and RX02, and the graph draws their gain over the last 100 seconds."
    snap graph "$graph" "The graph window during the run: one curve per attenuator, gain in dB against time in seconds (0 is now)."
}

# The graph's pop-up menu: "Save to bmp or jpg ...", the JPEG file type,
# a typed name.
export_graph_jpeg() {
    local dlg
    step="the graph export"
    geometry "$graph"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    sleep 0.5
    snap_area graph-menu "$graph" "The graph's pop-up menu (right click on the graph): save as BMP or JPEG, copy to the clipboard, print, and save the curves' values as CSV."
    xdotool key Down Return
    dlg=$(window "Save graph image to BMP or JPG")
    sleep 0.3
    # The file type is chosen with the mouse in the list under the name box
    # (first: choosing it keeps only the last part of a typed name), then
    # Alt+N returns to the name box.
    geometry "$dlg"
    xdotool mousemove --sync $((X + 300)) $((Y + HEIGHT - 22)) click 1
    sleep 0.5
    xdotool key Down Return
    keys "$dlg" alt+n
    xdotool type --delay 10 "$out/graph.jpg"
    snap graph-save "$dlg" "Saving the graph: the JPEG file type chosen, the file name typed."
    keys "$dlg" Return
    gone "Save graph image to BMP or JPG"
    until_true 10 test -s "$out/graph.jpg" || { echo "The graph was not exported." >&2; return 1; }
    sleep 0.3
    [ "$(identify -format '%m' "$out/graph.jpg")" = JPEG ] ||
        { echo "The exported graph is not a JPEG picture." >&2; return 1; }
    cp "$out/graph.jpg" "$tour/exported-graph.jpg"
    caption exported-graph.jpg "The exported JPEG picture, as written by the program: the graph area without the window's frame and status bar."
}

# "&Stop", then the list closed with Escape.
stop_and_close_list() {
    step="stopping the run"
    keys "$list" alt+s
    window "^Sequence List$" >/dev/null
    keys "$list" Escape
    gone "^Sequence List"
}

# The pictures the manual shows, copied into docs/help/ (only with
# --manual-shots), without their metadata.
manual_pictures=(configuration front-panel sequence-list sequence-editor sequence-editor-attenuators graph graph-menu)
publish_manual_pictures() {
    local name
    mkdir -p docs/help
    for name in "${manual_pictures[@]}"; do
        convert "$tour/$name.png" -strip "docs/help/$name.png"
    done
}

# "&Help": the manual in the program's own help window. The help file and
# its pictures (help/ beside it) are taken as they are in docs/: the build
# copies the help file only when it links the program anew.
show_help() {
    local help
    step="the help window"
    cp docs/quadrell2x4atts.html build/app/quadrell2x4atts.html
    if [ -d docs/help ]; then mkdir -p build/app/help && cp docs/help/*.png build/app/help/; fi
    help=$(open_with "$main" "^Help$" alt+h)
    sleep 1
    snap help-window "$help" "The operator's manual in the program's help window (\"&Help\")."
    # ATT_TOUR_HELP_PAGES=n: n more pictures of the manual, a page further
    # down each (to look over the whole manual as the help window shows it).
    local page
    for page in $(seq "${ATT_TOUR_HELP_PAGES:-0}"); do
        keys "$help" Page_Down
        snap "help-page-$page" "$help" "The manual, page $((page + 1))."
    done
}

write_index() {
    {
        printf '<!DOCTYPE html>\n<html lang="en">\n<head><meta charset="utf-8"><title>Demo tour</title></head>\n<body>\n'
        printf '<h1>Demo tour</h1>\n<p>The program against two simulated racks, driven headless; one picture per step.</p>\n'
        local n=0
        while IFS=$'\t' read -r file text; do
            n=$((n + 1))
            text=${text//&/&amp;}; text=${text//</&lt;}; text=${text//>/&gt;}
            printf '<h2>%d. %s</h2>\n<p>%s</p>\n<p><img src="%s" alt="%s"></p>\n' \
                "$n" "${file%.*}" "$text" "$file" "$file"
        done <"$tour/captions.tsv"
        printf '</body>\n</html>\n'
    } >"$tour/index.html"
}

build/app/quadrell2x4atts >"$out/program.log" 2>&1 &
prog=$!
accept_configuration
try_scpi
list_sequences
show_editor
run_with_graph
export_graph_jpeg
stop_and_close_list
if [ "$manual_shots" = 1 ]; then publish_manual_pictures; fi
show_help

# Close the program as an operator would; it parks the attenuators.
step="closing the program"
kill -TERM "$prog"
until_true 20 sh -c "! kill -0 $prog 2>/dev/null" || { echo "The program did not close." >&2; exit 1; }
prog=""
parked=$(grep -c 'ATT 0' "$out/rack-sim.log" || true)
write_index

echo "The simulated racks received $parked attenuation commands (the parking at close included); log: $out/rack-sim.log"
if [ "$manual_shots" = 1 ]; then echo "The manual's pictures were updated in: $root/docs/help"; fi
echo "The tour, one picture per step with captions: $tour/index.html"
