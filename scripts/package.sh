#!/usr/bin/env bash
# Builds the Debian package of the program and lists what it holds.
#   scripts/package.sh [--try] [OUT]      (OUT defaults to package-out/)
# --try also installs the package on this machine with apt-get (root or
# sudo), starts the installed program on a virtual display against a
# simulated rack, accepts its configuration, opens its help, saves
# screenshots to OUT (installed-*.png), closes it and removes the package.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
try=0
[ "${1:-}" = "--try" ] && { try=1; shift; }
out=$(realpath -m "${1:-$root/package-out}")

bash scripts/deps.sh
build="$root/build-package"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DATT_BUILD_TESTS=OFF -DATT_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j "$(nproc)" --target quadrell2x4atts rack-sim 2>&1 | tail -1
rm -rf "$out"
mkdir -p "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
deb=$(ls "$out"/*.deb)
echo "package: $deb"
dpkg-deb -f "$deb" Package Version Section Depends
dpkg-deb -c "$deb" | awk '{print $6}'
[ "$try" = 1 ] || exit 0

# --- installed and started like on an operator's machine
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
name=$(dpkg-deb -f "$deb" Package)
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get install -y -qq "$deb" >/dev/null
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    $sudo apt-get remove -y -qq "$name" >/dev/null && echo "package removed again"
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*" >&2; import -window root "$out/installed-failed.png" 2>/dev/null || true; exit 1; }

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n1 "$work/display")"
"$build/tools/simulator/rack-sim" --rack 127.0.0.3 >"$work/rack-sim.log" 2>&1 &
pids+=($!)
cfg="$work/bench.cfg"
printf '[rack1]\r\nAtt1 Enable=1\r\nAtt2 Enable=1\r\nAtt3 Enable=1\r\nAtt4 Enable=1\r\nIP address=127.0.0.3\r\nname rack=Rack 1\r\n' >"$cfg"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf '[Config]\nLast config file=%s\n' "$cfg" \
    >"$XDG_CONFIG_HOME/ORVELT/Quadrell 2x4 Atts Lintera/quadrell2x4atts.ini"

program_path=$(command -v quadrell2x4atts) || fail "the program is not on the PATH"
echo "installed program: $program_path"
quadrell2x4atts >"$work/program.log" 2>&1 &
program=$!
pids+=("$program")
dialog=$(bash scripts/find-window.sh 15 --sync --onlyvisible --limit 1 --name "Quadrell Configuration") ||
    fail "no configuration dialog"
sleep 0.5
xdotool windowfocus --sync "$dialog" key alt+o
main=$(bash scripts/find-window.sh 15 --sync --onlyvisible --limit 1 --name "Control program") || fail "no main window"
for _ in $(seq 100); do [ "$(grep -c 'STA?' "$work/rack-sim.log" || true)" -ge 4 ] && break; sleep 0.1; done
sleep 0.5
import -window root "$out/installed-front-panel.png"
# The window carries the installed icon (xprop comes with x11-utils).
if command -v xprop >/dev/null; then
    xprop -id "$main" _NET_WM_ICON | grep -q 'Icon (' || fail "the main window has no icon"
    echo "the main window carries the installed icon"
fi
# "&Help" is enabled only when the installed help file was found.
xdotool windowfocus --sync "$main" key alt+h
help=$(bash scripts/find-window.sh 10 --sync --onlyvisible --limit 1 --name "^Help$") || fail "the help did not open"
xdotool windowmove --sync "$help" 600 120
sleep 0.5
import -window root "$out/installed-help.png"
kill -TERM "$program"
for _ in $(seq 100); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the program did not end"
echo "started, showed its front panel and help, and ended: screenshots in $out"
