#!/usr/bin/env bash
# Writes the manual's two example profiles into docs/profiles/ and, beside
# each, its timeline as seqplay prints it (FILE.csv -> FILE.timeline.txt):
#   handover.csv   attenuator 1 from 0 to 60 dB while attenuator 2 goes from
#                  60 to 0 dB, over 10 s, a state every 0.5 s;
#   path-loss.csv  a 30 s drive-test path-loss trace on attenuator 3, a
#                  value for every tick in half-decibel steps, each line
#                  written only when the value changes.
#
# Usage: scripts/profile-examples.sh [build folder, default build]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
seqplay="$build/tools/seqplay/seqplay"
out="$root/docs/profiles"
mkdir -p "$out"

awk 'BEGIN {
    printf "# Handover: attenuator 1 from 0 to 60 dB, attenuator 2 from 60 to 0 dB, over 10 s.\r\n"
    printf "time_s,att1,att2\r\n"
    for (i = 0; i <= 20; i++) printf "%.1f,%d,%d\r\n", i * 0.5, i * 3, 60 - i * 3
}' > "$out/handover.csv"

# Path loss of a receiver driving away from the cell and back: a log-distance
# law (exponent 3.5) from 100 m to 1.5 km, with 3 dB of slow fading, rounded
# to the half-decibel step of a tenths attenuator. A value holds until the
# next line: only the ticks where it changes are written.
awk 'BEGIN {
    printf "# Path loss, drive test: 30 s on the 0.1 s tick, attenuator 3.\r\n"
    printf "time_s,att3\r\n"
    last = -1
    for (t = 0; t <= 300; t++) {
        s = t / 10.0
        d = 100 + 1400 * (s <= 15 ? s / 15 : (30 - s) / 15)
        loss = 35 * log(d / 100) / log(10) + 3 * sin(s * 1.3) + 3 * sin(s * 0.37 + 1)
        v = int((loss + 10) * 2 + 0.5) / 2
        if (v < 0) v = 0
        cell = (v == last) ? "" : sprintf("%.1f", v)
        if (t == 0 || cell != "" || t == 300) printf "%.1f,%s\r\n", s, (cell == "" && t == 300) ? sprintf("%.1f", v) : cell
        last = v
    }
}' > "$out/path-loss.csv"

for f in handover path-loss; do
    "$seqplay" "$out/$f.csv" | sed "s|$out/||" > "$out/$f.timeline.txt"
done
wc -l "$out"/*.csv "$out"/*.timeline.txt
