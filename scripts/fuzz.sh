#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address and undefined-behaviour
# sanitizers) in build-fuzz and runs each for the given number of seconds
# (default 20), starting from tests/fuzz/seeds/<target>/ and a working corpus
# in build-fuzz/corpus/<target>/ that grows from run to run (the seeds are
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
[ ${#targets[@]} -eq 0 ] && targets=(link_reply sequence_file ini_file graph_command spin_text)

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
        sequence_file | ini_file) echo 16384 ;;
        *) echo 512 ;;
    esac
}

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
failed=0
summary=()
for t in "${targets[@]}"; do
    corpus="$build/corpus/$t"
    findings="$build/findings/$t"
    mkdir -p "$corpus" "$findings"
    log="$build/fuzz-$t.log"
    "$build/tests/fuzz/fuzz_$t" "$corpus" "$root/tests/fuzz/seeds/$t" \
        -max_total_time="$seconds" -max_len="$(max_len "$t")" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$findings/" -print_final_stats=1 >"$log" 2>&1
    rc=$?
    execs=$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')
    if [ $rc -ne 0 ]; then
        failed=1
        summary+=("$t: FINDING after ${execs:-?} executions (log $log, input in $findings/)")
        grep -m5 -E 'ERROR|SUMMARY|check failed|runtime error' "$log"
    else
        summary+=("$t: ${execs:-?} executions in ${seconds} s, no finding")
    fi
done
printf '%s\n' "${summary[@]}"
exit $failed
