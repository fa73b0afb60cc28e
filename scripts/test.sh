#!/usr/bin/env bash
# Installs what is missing, then builds and runs the tests.
#
#   bash scripts/test.sh         the quick run: the normal build, the whole
#                                suite and the headless demo tour
#   bash scripts/test.sh --all   everything, as CI runs it: the normal pass
#                                with the benchmarks built and the long
#                                lifecycle test in full, then the suite under
#                                the sanitizers and the fuzz targets
#
# Passes, each with a build folder of its own:
#   normal      build/        the program as shipped, the suite, and the demo
#                             tour (scripts/run-demo.sh) beside the suite;
#                             with --all the benchmarks too
#   asan        build-asan/   AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan        build-tsan/   ThreadSanitizer
#   fuzz        build-fuzz/   each libFuzzer target for ATT_FUZZ_SECONDS (20)
# Variables for a developer's shorter run:
#   ATT_PASSES="normal tsan"   runs only the named passes, in that order
#   ATT_TEST_FILTER=regex      runs only the matching tests, in every pass
#                              (and no tour)
#   ATT_LIFECYCLE_CYCLES=n     start and close cycles of the lifecycle test
#                              (5 in the quick run, 50 with --all)
#   ATT_TEST_JOBS=n            tests run side by side in the normal pass
#                              (default 4 per core: most tests wait on
#                              sockets and timers, not on the processor)
# A failing pass stops the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

all=0
for arg in "$@"; do
    case $arg in
        --all) all=1 ;;
        *) echo "Usage: $0 [--all]" >&2; exit 2 ;;
    esac
done
if [ "$all" = 1 ]; then
    passes=${ATT_PASSES:-normal asan tsan fuzz}
    bench=ON
    export ATT_LIFECYCLE_CYCLES=${ATT_LIFECYCLE_CYCLES:-50}
else
    passes=${ATT_PASSES:-normal}
    bench=OFF
    export ATT_LIFECYCLE_CYCLES=${ATT_LIFECYCLE_CYCLES:-5}
fi

# --demo: what the tour needs besides; --fuzz: clang and libFuzzer.
deps=()
case " $passes " in *" normal "*) deps+=(--demo) ;; esac
case " $passes " in *" fuzz "*) deps+=(--fuzz) ;; esac
bash scripts/deps.sh "${deps[@]}"

jobs=$(nproc)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
    # Paths below the checkout are hashed relative to it, so that a second
    # clone of the same sources reuses the cache.
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
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
filter=${ATT_TEST_FILTER:-}

# The tour drives the real program on a virtual display; it fails on a step
# that does not happen. Its pictures and index.html stay in demo-out/tour/.
# It runs beside the suite (its simulated racks are on 127.0.0.1 and
# 127.0.0.2, which no test uses) from the build just made.
tour=""
tour_start() {
    echo "=== tour: scripts/run-demo.sh --tour (log: demo-tour.log), beside the tests"
    tour_began=$(date +%s)
    ATT_DEMO_BUILT=1 bash scripts/run-demo.sh --tour >demo-tour.log 2>&1 &
    tour=$!
}
tour_wait() {
    [ -n "$tour" ] || return 0
    local rc=0
    wait "$tour" || rc=$?
    tour=""
    if [ "$rc" -ne 0 ]; then
        tail -30 demo-tour.log
        echo "=== tour failed (log: demo-tour.log)"
        return 1
    fi
    tail -2 demo-tour.log
    # Its own length: the log is last written as the tour ends.
    timings+=("tour: $(($(stat -c %Y demo-tour.log) - tour_began)) s, beside the tests")
}
trap '[ -n "$tour" ] && kill "$tour" 2>/dev/null; true' EXIT

# suite_pass NAME BUILD-FOLDER TEST-JOBS WITH-TOUR CMAKE-FLAGS...
suite_pass() {
    local name=$1 build=$2 test_jobs=$3 with_tour=$4
    shift 4
    local start=$SECONDS
    echo "=== $name: build in $build/"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
    cmake --build "$build" -j "$jobs"
    local built=$SECONDS
    [ "$with_tour" = 1 ] && tour_start
    echo "=== $name: tests ($test_jobs side by side)"
    local rc=0
    (cd "$build" && ctest --output-on-failure -j "$test_jobs" ${filter:+-R "$filter"}) || rc=$?
    local tested=$SECONDS
    tour_wait || rc=1
    [ "$rc" -eq 0 ] || exit "$rc"
    timings+=("$name: build $((built - start)) s, tests $((tested - built)) s")
    echo "=== $name: passed (build $((built - start)) s, tests $((tested - built)) s)"
}

fuzz_pass() {
    local start=$SECONDS
    echo "=== fuzz: ${ATT_FUZZ_SECONDS:-20} s per target"
    ATT_FUZZ_BUILD="$root/build-fuzz" bash scripts/fuzz.sh "${ATT_FUZZ_SECONDS:-20}"
    timings+=("fuzz: $((SECONDS - start)) s")
}

echo "=== $([ "$all" = 1 ] && echo "full run" || echo "quick run"): $passes; lifecycle test: $ATT_LIFECYCLE_CYCLES cycles"
for pass in $passes; do
    case $pass in
        normal)
            suite_pass "Normal" build "${ATT_TEST_JOBS:-$((4 * jobs))}" "$([ -z "$filter" ] && echo 1 || echo 0)" \
                -DATT_ASAN=OFF -DATT_TSAN=OFF -DATT_BUILD_BENCH=$bench ;;
        asan) suite_pass "AddressSanitizer+UBSan" build-asan "$jobs" 0 -DATT_ASAN=ON -DATT_TSAN=OFF -DATT_BUILD_BENCH=OFF ;;
        tsan) suite_pass "ThreadSanitizer" build-tsan "$jobs" 0 -DATT_TSAN=ON -DATT_ASAN=OFF -DATT_BUILD_BENCH=OFF ;;
        fuzz) fuzz_pass ;;
        *) echo "unknown pass '$pass' (normal, asan, tsan, fuzz)" >&2; exit 2 ;;
    esac
done

echo "=== all passes green"
printf '    %s\n' "${timings[@]}"
