#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test.
#   scripts/test.sh            normal build in build/
#   ATT_TSAN=1 scripts/test.sh ThreadSanitizer build in build-tsan/
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh

build=build
flags=()
if [ "${ATT_TSAN:-0}" = 1 ]; then
    build=build-tsan
    flags+=(-DATT_TSAN=ON -DATT_BUILD_BENCH=OFF)
    export TSAN_OPTIONS="suppressions=$(pwd)/tests/tsan.supp halt_on_error=1 second_deadlock_stack=1"
fi
jobs=$(nproc)

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${flags[@]}" >/dev/null
cmake --build "$build" -j "$jobs"
cd "$build"
ctest --output-on-failure -j "$jobs" ${ATT_TEST_FILTER:+-R "$ATT_TEST_FILTER"}
