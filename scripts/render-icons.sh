#!/usr/bin/env bash
# Renders the application icon's hicolor PNG sizes from its SVG into
# packaging/icons/hicolor/NxN/apps. Run after changing the SVG and commit the
# PNGs (the build and the package take them as they are). Needs rsvg-convert
# (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
svg=org.orvelt.Quadrell2x4Atts.svg
for size in 16 24 32 48 64 128 256; do
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "hicolor/${size}x${size}/apps/${svg%.svg}.png"
done
echo "rendered: $(ls hicolor | tr '\n' ' ')"
