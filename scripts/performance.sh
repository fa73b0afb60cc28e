#!/usr/bin/env bash
# Runs the benchmarks under build/bench and writes docs/performance.md: each
# figure beside its target, the machine and its load, and every benchmark's
# own output. Not part of the test run: it takes a few minutes and its
# figures depend on the machine.
#   scripts/performance.sh [seconds [NAME...]]   (timed runs; default 60)
# The two benches started together (group) play ten times as long (600 s by
# default: the 10-minute figure).
# With NAMEs (link, timing, ..., service, group: the names in the page's outputs),
# only those benchmarks run; their rows and outputs replace theirs in the
# page, and every other figure stays as it was.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
only=("${@:2}")
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
    if [ ${#only[@]} -gt 0 ] && [[ " ${only[*]} " != *" $name "* ]]; then return; fi
    echo "running ${*#"$bench/"} ..." >&2
    start=$(date +%s)
    (cd "$logs" && "$@") >"$logs/$name" 2>&1 || { cat "$logs/$name" >&2; echo "$name failed" >&2; exit 1; }
    echo "$* (${name}: $(( $(date +%s) - start )) s, load $(load) after)" >"$logs/$name.cmd"
    names+=("$name")
}
# fig NAME REGEX: the first capture of REGEX in NAME's output.
fig() {
    local v
    [ -f "$logs/$1" ] || return 0  # not run this time: no row
    v=$(perl -ne "if (/$2/) { print \$1; exit }" "$logs/$1")
    [ -n "$v" ] || { echo "no figure /$2/ in the output of $1:" >&2; cat "$logs/$1" >&2; exit 1; }
    echo "$v"
}
rows=()
# row AREA MEASURE VALUE UNIT OP LIMIT: a table row; OP is <, <= or -
# (no target figure).
row() {
    local verdict="–" target="–"
    [ -n "$3" ] || return 0
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
run service "$bench/service/bench_service" 30
run group "$bench/service/bench_group_start" $((seconds * 10))
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
svc_fig() { fig service "^service \\(quadrell2x4attsd\\): $1"; }
desk_fig() { fig service "^desktop program on Xvfb: $1"; }
row "Service" "service idle, eight links up, 30 s: CPU" "$(svc_fig "idle CPU $n %")" "% of a core" "<" 0.5
row "Service" "desktop program idle on the same bench (Xvfb): CPU" "$(desk_fig "idle CPU $n %")" "% of a core" - -
row "Service" "service idle: resident memory" "$(svc_fig ".*resident memory $n MB")" MB - -
row "Service" "desktop program idle: resident memory" "$(desk_fig ".*resident memory $n MB")" MB - -
row "Service" "resident memory, service / desktop program" "$(fig service "desktop program's: $n ")" "×" "<" 0.5
row "Service" "service, SCPI set to the wire, p50" "$(svc_fig "SCPI set.*p50 $n ms")" ms - -
row "Service" "service, SCPI set to the wire, p99" "$(svc_fig "SCPI set.*p99 $n ms")" ms "<" 2
row "Service" "desktop program, SCPI set to the wire, p50" "$(desk_fig "SCPI set.*p50 $n ms")" ms - -
row "Service" "desktop program, SCPI set to the wire, p99" "$(desk_fig "SCPI set.*p99 $n ms")" ms "<" 2
armed_fig() { fig group "^armed, one instant, .*$1"; }
plain_fig() { fig group "^two SEQ:RUN lines one after the other, .*$1"; }
row "Group start" "two services armed with one instant: tick skew on the wire, p50" "$(armed_fig "skew p50 $n ms")" ms - -
row "Group start" "two services armed with one instant: tick skew on the wire, p99" "$(armed_fig "p99 $n ms")" ms "<" 1
row "Group start" "two services armed with one instant: tick skew on the wire, max" "$(armed_fig "max $n ms")" ms - -
row "Group start" "two services armed with one instant: skew trend over the run" \
    "$(armed_fig "trend $n ms per minute")" "ms per minute" "<" 0.01
row "Group start" "two SEQ:RUN lines one after the other: tick skew, p50" "$(plain_fig "skew p50 $n ms")" ms - -
row "Group start" "two SEQ:RUN lines one after the other: tick skew, p99" "$(plain_fig "p99 $n ms")" ms - -

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
} >"$logs/page"
if [ ${#only[@]} -gt 0 ] && [ -f "$page" ]; then
    # The new rows and outputs into the page as it was.
    /usr/bin/python3 - "$page" "$logs/page" "$seconds" "${only[@]}" <<'MERGE'
import re, sys
page, fresh_page, seconds, names = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4:]
split = lambda text: text.split('\n## Output of each benchmark\n')
(old_head, old_out), (new_head, new_out) = split(open(page).read()), split(open(fresh_page).read())
key = lambda line: tuple(line.split(' | ')[:2]) if line.startswith('| ') else None
fresh = {key(l): l for l in new_head.splitlines() if key(l)}
lines = [fresh.pop(key(l), l) for l in old_head.splitlines() if not l.startswith('Rows refreshed: ')]
end = max(i for i, l in enumerate(lines) if key(l)) + 1
lines[end:end] = fresh.values()
when = re.search(r'on (\d{4}-\d\d-\d\d \d\d:\d\d UTC)', new_head).group(1)
load = re.search(r'load average (\S+) at the start, (\S+) at the end', new_head).groups()
lines.insert(lines.index('| Area | Measure | Figure | Target | Result |') - 1,
             'Rows refreshed: those of %s by `scripts/performance.sh %s %s` on %s (load average %s at the start, %s at '
             'the end).' % (', '.join(names), seconds, ' '.join(names), when, *load))
section = re.compile(r'\n`[^`\n]*\((\w+): [^\n]*`\n\n```\n.*?\n```\n', re.S)
new_sections = {m.group(1): m.group(0) for m in section.finditer(new_out)}
out = [new_sections.pop(m.group(1), m.group(0)) for m in section.finditer(old_out)]
print('\n'.join(lines) + '\n\n## Output of each benchmark\n' + ''.join(out + list(new_sections.values())), end='')
MERGE
else
    cat "$logs/page"
fi >"$page.new"
mv "$page.new" "$page"
echo "wrote $page"
