#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under its own Xvfb.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh test

build=${LUMENFOLD_TEST_BUILD:-build}
cmake -S . -B "$build" -DLUMENFOLD_BUILD_TESTS=ON
cmake --build "$build" -j "$(nproc)"

source tools/xvfb.sh
start_xvfb
trap stop_xvfb EXIT

ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
