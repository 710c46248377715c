#!/usr/bin/env bash
# Installs what is missing, builds, and passes every test and gate:
#   1. the test suite (unit, GL and end-to-end tests) under a private Xvfb;
#   2. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. the fuzzers of the model reader and the solver, for a bounded time;
#   4. the real viewer under valgrind's memcheck;
#   5. the Debian package, installed and started (needs root or sudo).
# LUMENFOLD_GATES=none runs only step 1. Arguments go to the first ctest run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh test

build=${LUMENFOLD_TEST_BUILD:-build}
cmake -S . -B "$build" -DLUMENFOLD_BUILD_TESTS=ON
cmake --build "$build" -j "$(nproc)"

passed=0
failed=0
failures=()
stage() {
    local name=$1
    shift
    echo
    echo "==== $name"
    local started=$SECONDS
    if "$@"; then
        passed=$((passed + 1))
        echo "==== $name: passed in $((SECONDS - started)) s"
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "==== $name: FAILED after $((SECONDS - started)) s"
    fi
}

suite() {
    (
        source tools/xvfb.sh
        start_xvfb
        trap stop_xvfb EXIT
        ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
    )
}

stage "Test suite" suite "$@"
if [ "${LUMENFOLD_GATES:-all}" != none ]; then
    stage "Test suite with sanitizers" tools/sanitize.sh
    stage "Fuzzing" tools/fuzz.sh
    stage "Memcheck of the viewer" tools/memcheck.sh "$build"
    stage "Debian package" tools/package-test.sh
fi

echo
[ $failed -eq 0 ] || echo "Failed: ${failures[*]}"
echo "gates: $passed passed, $failed failed"
[ $failed -eq 0 ]
