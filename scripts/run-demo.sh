#!/usr/bin/env bash
# Builds the program and runs it against simulated racks on loopback:
# rack 1 at 127.0.0.1 and rack 2 at 127.0.0.2, four attenuators each, with a
# ready demo configuration and a private settings folder (nothing of the
# user's own settings is touched).
#
# With a display, the program opens as usual: accept the configuration
# dialog and use it. Without one, it runs under Xvfb: the dialog is
# accepted, the links come up, screenshots of the front panel are saved, and
# the program is closed (parking every attenuator).
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
build/tools/rack-sim \
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

# No display: a virtual one.
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$out/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

build/app/quadrell2x4atts >"$out/program.log" 2>&1 &
prog=$!

dialog=$(xdotool search --sync --limit 1 --name "Quadrell Configuration")
sleep 1
import -window root "$shots/1-configuration-dialog.png"
xdotool windowfocus --sync "$dialog" key alt+o

# Wait for the eight attenuators to report their names and values.
for _ in $(seq 100); do
    [ "$(grep -c 'STA?' "$out/rack-sim.log" || true)" -ge 8 ] && break
    sleep 0.2
done
sleep 1
import -window root "$shots/2-front-panel.png"

# Close the program as an operator would; it parks the attenuators.
kill -TERM "$prog"
for _ in $(seq 100); do kill -0 "$prog" 2>/dev/null || break; sleep 0.1; done
parked=$(grep -c 'ATT 0' "$out/rack-sim.log" || true)

echo "Screenshots of the demo are in: $shots"
ls -1 "$shots"
echo "The simulated racks received $parked attenuation commands (the parking at close included); log: $out/rack-sim.log"
