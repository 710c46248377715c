#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and passes every test and gate:
#   1. every tracked C++ file is formatted as .clang-format says;
#   2. the test suite (unit, GL and end-to-end tests) under a private Xvfb;
#   3. the GL and end-to-end tests again on sdl12-compat, the SDL 1.2 built on SDL 2;
#   4. the same suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#      and the scan on a worker thread under ThreadSanitizer;
#   5. the fuzzers of the model reader and the solver, for a bounded time;
#   6. the real viewer under valgrind's memcheck;
#   7. the Debian package, installed and started (needs root or sudo).
# LUMENFOLD_GATES=none runs only steps 1 and 2. Arguments go to the first ctest run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh test

build=${LUMENFOLD_TEST_BUILD:-build}
cmake -S . -B "$build" -DLUMENFOLD_BUILD_TESTS=ON -DLUMENFOLD_WERROR=ON
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

formatting() {
    git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
}

# Debian installs sdl12-compat's libSDL-1.2.so.0 in a folder of its own, so the
# loader takes it instead of the classic library only when pointed there.
sdl12_compat_dir=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
on_sdl12_compat() {
    local binary
    for binary in "$build/tests/lumenfold_gl_tests" "$build/tests/e2e/lumenfold_e2e"; do
        if ! LD_LIBRARY_PATH=$sdl12_compat_dir ldd "$binary" | grep "libSDL-1.2.so.0 => $sdl12_compat_dir/" >/dev/null; then
            echo "$binary does not load libSDL-1.2.so.0 from $sdl12_compat_dir" >&2
            return 1
        fi
    done
    LD_LIBRARY_PATH=$sdl12_compat_dir suite -L 'gl|e2e'
}

suite() {
    (
        source tools/xvfb.sh
        start_xvfb
        trap stop_xvfb EXIT
        ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
    )
}

stage "Formatting" formatting
stage "Test suite" suite "$@"
if [ "${LUMENFOLD_GATES:-all}" != none ]; then
    stage "GL and end-to-end tests on sdl12-compat" on_sdl12_compat
    stage "Test suite with sanitizers" tools/sanitize.sh
    stage "Scan on a worker thread with ThreadSanitizer" tools/tsan.sh
    stage "Fuzzing" tools/fuzz.sh
    stage "Memcheck of the viewer" tools/memcheck.sh "$build"
    stage "Debian package" tools/package-test.sh
fi

echo
[ $failed -eq 0 ] || echo "Failed: ${failures[*]}"
echo "gates: $passed passed, $failed failed"
[ $failed -eq 0 ]
