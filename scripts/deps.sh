#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the demo need,
# only those that are missing; uses sudo when not root.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev libgl-dev
    libjpeg62-turbo-dev libsimpleini-dev
    # The service: sd_notify, and systemd-analyze that checks its unit file.
    libsystemd-dev systemd
    googletest libgtest-dev
    fonts-liberation2
    # Tests: a private session bus (dbus-daemon, gdbus).
    dbus-daemon libglib2.0-bin
    # The scripting example that a test runs (docs/remote-example.py).
    python3-dbus
    # The SCPI example that a test runs with PyVISA (docs/scpi-example.py).
    python3-pyvisa python3-pyvisa-py
    # The end-to-end test and the demo: the program on a virtual display,
    # driven with xdotool and photographed with ImageMagick's import.
    xvfb xdotool imagemagick
    # The package check: cpack finds the shared-library dependencies with
    # file and dpkg-shlibdeps, and the menu entry is validated.
    file dpkg-dev desktop-file-utils
)
for arg in "$@"; do
    case $arg in
        # The demo also waits for its virtual display with xdpyinfo.
        --demo) packages+=(x11-utils) ;;
        # The fuzz targets (scripts/fuzz.sh) need clang and its libFuzzer runtime.
        --fuzz) packages+=(clang libclang-rt-14-dev) ;;
        *) echo "Usage: $0 [--demo] [--fuzz]" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
