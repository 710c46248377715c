#!/usr/bin/env bash
# Builds everything with clang's AddressSanitizer and UndefinedBehaviorSanitizer
# (halting on the first report) and runs the whole test suite on it, end-to-end
# tests included, under a private Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${LUMENFOLD_ASAN_BUILD:-build-asan}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
      -DLUMENFOLD_SANITIZE=ON -DLUMENFOLD_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)"

source tools/xvfb.sh
start_xvfb
trap stop_xvfb EXIT

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$root/tools/lsan.supp:print_suppressions=0"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
