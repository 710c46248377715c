#!/usr/bin/env bash
# Builds the benchmarks in their own folder, checks their generators, and prints
# every figure beside its reference from one run under a private Xvfb.
#   tools/bench.sh [--quick] [--cold] [--huge[=PATH]] [Google Benchmark flags, e.g. --benchmark_filter=scan]
# --cold (root only) adds the scans from a cold cache, dropping the page cache before each run.
# --huge adds ten million entries (minutes to make and remove; --huge=PATH keeps the tree at PATH).
# The generated trees and model file go to $TMPDIR (default /tmp), so that
# choice decides which file system the scan is measured on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh bench

build=${LUMENFOLD_BENCH_BUILD:-build-bench}
# The default build type, so the figures are those of the shipped binary.
cmake -S . -B "$build" -DLUMENFOLD_BUILD_BENCH=ON -DLUMENFOLD_BUILD_TESTS=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumenfold-bench lumenfold_bench_tests

"$build/bench/lumenfold_bench_tests" --gtest_brief=1

source tools/xvfb.sh
start_xvfb
trap stop_xvfb EXIT

echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'); temporary files in ${TMPDIR:-/tmp}"
"$build/bench/lumenfold-bench" --benchmark_color=false "$@"
