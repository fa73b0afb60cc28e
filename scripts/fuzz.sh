#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address and undefined-behaviour
# sanitizers) in build-fuzz and runs each for the given number of seconds
# (default 20), as many targets side by side as there are cores, starting
# from tests/fuzz/seeds/<target>/ and a working corpus in
# build-fuzz/corpus/<target>/ that grows from run to run (the seeds are
# never written to). Prints the executions of every target and exits
# non-zero on any finding; libFuzzer leaves the input that did it in
# build-fuzz/findings/<target>/, to be kept in tests/fuzz/regressions/<target>/
# once the fault is mended.
#
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
# Needs clang and libFuzzer: scripts/deps.sh --fuzz
set -uo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ATT_FUZZ_BUILD:-$root/build-fuzz}"
seconds="${1:-20}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(link_reply sequence_file profile_file ini_file graph_command spin_text scpi_line)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DATT_FUZZ=ON -DATT_BUILD_TESTS=OFF -DATT_BUILD_BENCH=OFF "${launcher[@]}" >/dev/null || exit 2
cmake --build "$build" -j"${ATT_FUZZ_JOBS:-2}" --target "${targets[@]/#/fuzz_}" 2>&1 | grep -E 'error|warning: unused' | head -40
[ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz build failed"; exit 2; }

# Longest input of each target: the link's reader needs room for lines past
# its 4096-byte limit, the file readers for files of some size.
max_len() {
    case "$1" in
        link_reply) echo 20000 ;;
        scpi_line) echo 8192 ;;
        sequence_file | profile_file | ini_file) echo 16384 ;;
        *) echo 512 ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# run_one TARGET: fuzzes one target; its outcome line goes to its .result file.
run_one() {
    local t=$1 corpus="$build/corpus/$1" findings="$build/findings/$1" log="$build/fuzz-$1.log"
    mkdir -p "$corpus" "$findings"
    "$build/tests/fuzz/fuzz_$t" "$corpus" "$root/tests/fuzz/seeds/$t" \
        -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
    local rc=$? execs
    execs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    if [ $rc -ne 0 ]; then
        echo "$t: FINDING after ${execs:-?} executions (log $log, input in $findings/)" >"$build/$t.result"
        grep -m5 -E 'ERROR|SUMMARY|check failed|runtime error' "$log" >>"$build/$t.result"
    else
        echo "$t: ${execs:-?} executions in ${seconds} s, no finding" >"$build/$t.result"
    fi
}

# Targets run side by side, as many at a time as there are cores.
parallel="${ATT_FUZZ_PARALLEL:-$(nproc)}"
running=0
for t in "${targets[@]}"; do
    rm -f "$build/$t.result"
    run_one "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$parallel" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

failed=0
for t in "${targets[@]}"; do
    if [ -f "$build/$t.result" ]; then cat "$build/$t.result"; else echo "$t: no result"; failed=1; fi
    grep -q FINDING "$build/$t.result" 2>/dev/null && failed=1
done
exit $failed
