#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test in a
# normal build; on request also under AddressSanitizer + UndefinedBehavior-
# Sanitizer and ThreadSanitizer. Each pass has a build folder of its own.
#   scripts/test.sh                    the normal pass (build/); what CI runs
#   ATT_SANITIZERS=1 scripts/test.sh   all three passes (build/, build-asan/, build-tsan/)
#   ATT_ASAN=1 scripts/test.sh         the AddressSanitizer + UBSan pass only
#   ATT_TSAN=1 scripts/test.sh         the ThreadSanitizer pass only
#   ATT_TEST_FILTER=regex              runs only the matching tests, in every pass
#   ATT_TSAN_FILTER=regex              limits the ThreadSanitizer pass of the full
#                                      run to the matching tests (default: all)
# Benchmarks are built in the normal pass only. A failing pass stops the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh

jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

# Sanitizer settings; harmless for the passes that do not use them.
# Leaks and undefined behaviour fail the test; the suppression files list only
# findings inside libraries that are not built with the sanitizers, each with
# its reason.
export ASAN_OPTIONS="detect_leaks=1 halt_on_error=1 detect_stack_use_after_return=1 check_initialization_order=1 strict_init_order=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp print_suppressions=0"
export UBSAN_OPTIONS="suppressions=$root/tests/ubsan.supp print_stacktrace=1 halt_on_error=1"
export TSAN_OPTIONS="suppressions=$root/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1"

timings=()

# run_pass NAME BUILD-FOLDER TEST-FILTER CMAKE-FLAGS...
run_pass() {
    local name=$1 build=$2 filter=$3
    shift 3
    local start=$SECONDS
    echo "=== $name: build in $build/"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
    cmake --build "$build" -j "$jobs"
    local built=$SECONDS
    echo "=== $name: tests"
    (cd "$build" && ctest --output-on-failure -j "$jobs" ${filter:+-R "$filter"})
    timings+=("$name: build $((built - start)) s, tests $((SECONDS - built)) s")
    echo "=== $name: passed (build $((built - start)) s, tests $((SECONDS - built)) s)"
}

filter=${ATT_TEST_FILTER:-}
asan=(-DATT_ASAN=ON -DATT_TSAN=OFF -DATT_BUILD_BENCH=OFF)
tsan=(-DATT_TSAN=ON -DATT_ASAN=OFF -DATT_BUILD_BENCH=OFF)

if [ "${ATT_ASAN:-0}" = 1 ]; then
    run_pass "AddressSanitizer+UBSan" build-asan "$filter" "${asan[@]}"
elif [ "${ATT_TSAN:-0}" = 1 ]; then
    run_pass "ThreadSanitizer" build-tsan "$filter" "${tsan[@]}"
else
    run_pass "Normal" build "$filter" -DATT_ASAN=OFF -DATT_TSAN=OFF
    if [ "${ATT_SANITIZERS:-0}" = 1 ]; then
        run_pass "AddressSanitizer+UBSan" build-asan "$filter" "${asan[@]}"
        run_pass "ThreadSanitizer" build-tsan "${ATT_TSAN_FILTER:-$filter}" "${tsan[@]}"
    fi
fi

echo "=== all passes green"
printf '    %s\n' "${timings[@]}"
