#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test four ways, each
# pass with a build folder of its own:
#   normal      build/        the program as shipped (benchmarks built too),
#                             then the headless demo tour (scripts/run-demo.sh)
#   asan        build-asan/   AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan        build-tsan/   ThreadSanitizer
#   fuzz        build-fuzz/   each libFuzzer target for ATT_FUZZ_SECONDS (20)
# This is what CI runs. Variables for a developer's shorter run:
#   ATT_PASSES="normal tsan"   runs only the named passes, in that order
#   ATT_TEST_FILTER=regex      runs only the matching tests, in every pass
# A failing pass stops the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

passes=${ATT_PASSES:-normal asan tsan fuzz}
case " $passes " in
    *" fuzz "*) bash scripts/deps.sh --fuzz ;;
    *) bash scripts/deps.sh ;;
esac

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

# suite_pass NAME BUILD-FOLDER CMAKE-FLAGS...
suite_pass() {
    local name=$1 build=$2
    shift 2
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

# The tour drives the real program on a virtual display; it fails on a step
# that does not happen. Its pictures and index.html stay in demo-out/tour/.
tour_pass() {
    local start=$SECONDS
    echo "=== tour: scripts/run-demo.sh --tour"
    if ! bash scripts/run-demo.sh --tour >demo-tour.log 2>&1; then
        tail -30 demo-tour.log
        echo "=== tour failed (log: demo-tour.log)"
        return 1
    fi
    tail -2 demo-tour.log
    timings+=("tour: $((SECONDS - start)) s")
}

fuzz_pass() {
    local start=$SECONDS
    echo "=== fuzz: ${ATT_FUZZ_SECONDS:-20} s per target"
    ATT_FUZZ_BUILD="$root/build-fuzz" bash scripts/fuzz.sh "${ATT_FUZZ_SECONDS:-20}"
    timings+=("fuzz: $((SECONDS - start)) s")
}

for pass in $passes; do
    case $pass in
        normal)
            suite_pass "Normal" build -DATT_ASAN=OFF -DATT_TSAN=OFF -DATT_BUILD_BENCH=ON
            [ -z "$filter" ] && tour_pass
            ;;
        asan) suite_pass "AddressSanitizer+UBSan" build-asan -DATT_ASAN=ON -DATT_TSAN=OFF -DATT_BUILD_BENCH=OFF ;;
        tsan) suite_pass "ThreadSanitizer" build-tsan -DATT_TSAN=ON -DATT_ASAN=OFF -DATT_BUILD_BENCH=OFF ;;
        fuzz) fuzz_pass ;;
        *) echo "unknown pass '$pass' (normal, asan, tsan, fuzz)" >&2; exit 2 ;;
    esac
done

echo "=== all passes green"
printf '    %s\n' "${timings[@]}"
