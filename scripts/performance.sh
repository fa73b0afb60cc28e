#!/usr/bin/env bash
# Runs the benchmarks under build/bench and writes docs/performance.md: each
# figure beside its target, the machine and its load, and every benchmark's
# own output. Not part of the test run: it takes a few minutes and its
# figures depend on the machine.
#   scripts/performance.sh [seconds]   (timed runs; default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
bench="$root/build/bench"
page="$root/docs/performance.md"

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DATT_BUILD_BENCH=ON >/dev/null
cmake --build build -j "$(nproc)" 2>&1 | tail -1
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$logs/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"

load() { cut -d' ' -f1 /proc/loadavg; }
names=()
# run NAME PROGRAM ARGS...: the program's output goes to $logs/NAME.
run() {
    local name=$1 start
    shift
    echo "running ${*#"$bench/"} ..." >&2
    start=$(date +%s)
    (cd "$logs" && "$@") >"$logs/$name" 2>&1 || { cat "$logs/$name" >&2; echo "$name failed" >&2; exit 1; }
    echo "$* (${name}: $(( $(date +%s) - start )) s, load $(load) after)" >"$logs/$name.cmd"
    names+=("$name")
}
# fig NAME REGEX: the first capture of REGEX in NAME's output.
fig() {
    local v
    v=$(perl -ne "if (/$2/) { print \$1; exit }" "$logs/$1")
    [ -n "$v" ] || { echo "no figure /$2/ in the output of $1:" >&2; cat "$logs/$1" >&2; exit 1; }
    echo "$v"
}
rows=()
# row AREA MEASURE VALUE UNIT OP LIMIT: a table row; OP is <, <= or -
# (no target figure).
row() {
    local verdict="–" target="–"
    if [ "$5" != "-" ]; then
        target="$5 $6 $4"
        if awk -v v="$3" -v l="$6" -v op="$5" 'BEGIN { v = v < 0 ? -v : v; exit !(op == "<" ? v < l : v <= l) }'; then
            verdict="met"
        else
            verdict="**missed**"
        fi
    fi
    rows+=("| $1 | $2 | $3 $4 | $target | $verdict |")
}

load_start=$(load)
run link "$bench/link/bench_link_latency" 1000
run timing "$bench/sequencer/bench_sequencer_timing" "$seconds"
run panel "$bench/frontpanel/bench_panel_timing" "$seconds"
run panel_hidden "$bench/frontpanel/bench_panel_timing" "$seconds" hidden
run frontpanel "$bench/frontpanel/bench_frontpanel" 30 200
run scpi "$bench/remote/bench_scpi" "$seconds"
run draw "$bench/graph/bench_graph_draw"
run longrun "$bench/graph/bench_graph_longrun"
run compile "$bench/sequencer/bench_sequencer_compile"
run editor "$bench/sequencer/bench_editor_open"
run soak "$bench/frontpanel/bench_soak" 1
load_end=$(load)

n='([0-9.+-]+)'
row "Tick timing" "sequencer over one link, tick jitter p99 (one core kept busy)" \
    "$(fig timing "tick jitter.*p99 $n ms")" ms "<" 5
row "Tick timing" "sequencer over one link, cumulative drift" "$(fig timing "cumulative drift.*: $n ms")" ms "<" 2
row "Tick timing" "whole program, eight attenuators, graph shown: jitter p99" \
    "$(fig panel "pooled\): p50 [0-9.]+ ms, p99 $n ms")" ms "<" 2
row "Tick timing" "whole program, eight attenuators, graph hidden: jitter p99" \
    "$(fig panel_hidden "pooled\): p50 [0-9.]+ ms, p99 $n ms")" ms "<" 2
row "Tick timing" "whole program, graph shown: GUI thread CPU" "$(fig panel "GUI thread CPU: $n %")" "% of a core" - -
row "Command latency" "link, posted command to the wire, p99" "$(fig link "p99 $n ")" ms "<" 2
row "Command latency" "front panel, settled box change to the attenuator, p99" \
    "$(fig frontpanel "settled change.*p99 $n ")" ms "<" 5
row "Command latency" "SCPI set to the attenuator, p99" "$(fig scpi "command at the attenuator.*p99 $n ")" ms "<" 2
row "Command latency" "SCPI query round trip, p99" "$(fig scpi "query round trip.*p99 $n ")" ms - -
row "Tick timing" "whole program, no SCPI clients: jitter p99" "$(fig scpi "without clients p50 [0-9.]+ ms, p99 $n ms")" ms "<" 2
row "Tick timing" "whole program, 8 SCPI clients at 100 queries/s each: jitter p99" \
    "$(fig scpi "with 8 querying clients p50 [0-9.]+ ms, p99 $n ms")" ms "<" 2
row "Idle CPU" "eight connected idle links, 30 s" "$(fig frontpanel "CPU $n %")" "% of a core" "<" 3
row "Graph redraw" "full redraw, 8 curves × 3000 points" "$(fig draw "full redraw.*: $n ms a pass")" ms "<" 5
row "Graph redraw" "GUI time per tick, window shown, p99" "$(fig draw "GUI time per tick.*p99 $n ms")" ms "<" 10
row "Graph redraw" "seven days of ticks: tick cost end / start" "$(fig longrun "ratio $n,")" "×" "<=" 1.2
row "Compile" "400 rows × 9999 ticks" "$(fig compile "^compile:.* in $n s")" s "<" 0.5
row "Compile" "memory added by compiling" "$(fig compile "MB for the whole process, $n MB added")" MB "<" 100
row "Compile" "largest accepted file (512 KB) analysed" "$(fig compile "largest accepted file.*analysed in $n s")" s "<" 0.2
row "Editor" "sequence editor shown, 400-row file" "$(fig editor "400-row file: *$n ms")" ms - -
row "Soak" "one day of ticks: GUI tick cost at the end, mean" "$(fig soak "at the end: *mean $n us")" µs - -
row "Soak" "one day of ticks: tick cost end / start, mean" "$(fig soak "ratio end\/start: mean $n,")" "×" "<=" 1.2
row "Soak" "one day of ticks: tick cost end / start, p99" "$(fig soak "ratio end\/start: mean [0-9.]+, p99 $n")" "×" "<=" 1.2
row "Soak" "one day of ticks: resident memory end / warm-up" "$(fig soak "resident memory:.*ratio $n")" "×" - -

{
    echo "# Performance"
    echo
    echo "Generated by \`scripts/performance.sh $seconds\` from the programs under \`bench/\`"
    echo "(build type RelWithDebInfo) on $(date -u '+%Y-%m-%d %H:%M UTC'). Do not edit by hand: run the script again."
    echo
    echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores,"
    echo "$(awk '/MemTotal/ { printf "%.1f GB", $2 / 1048576 }' /proc/meminfo) memory; load average $load_start at the start, $load_end at the end."
    echo "Timed runs last $seconds s. A machine shared with other work misses the"
    echo "timing targets that an idle one meets: compare the load before judging a figure."
    echo
    echo "| Area | Measure | Figure | Target | Result |"
    echo "|---|---|---|---|---|"
    printf '%s\n' "${rows[@]}"
    echo
    echo "## Output of each benchmark"
    for name in "${names[@]}"; do
        echo
        echo "\`$(sed "s|$bench/||" "$logs/$name.cmd")\`"
        echo
        echo '```'
        grep -v -e '^QStandardPaths' -e 'propagateSizeHints' "$logs/$name" | sed 's|/tmp/[^ "]*|TMP|g'
        echo '```'
    done
} >"$page"
echo "wrote $page"
