#!/usr/bin/env bash
# Builds the tests with clang's ThreadSanitizer and runs those where one
# thread reads a tree another is writing: the scan on a worker thread that
# walks and enters folders while a changing tree is scanned (under a private
# Xvfb), the explore view's tree read beside its writer, and live updates
# changing the tree while the view follows it; halts on the
# first report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${LUMENFOLD_TSAN_BUILD:-build-tsan}

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
      -DCMAKE_CXX_FLAGS="-fsanitize=thread -fno-omit-frame-pointer" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" \
      -DLUMENFOLD_BUILD_TESTS=ON -DLUMENFOLD_WERROR=ON >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumenfold_gl_tests lumenfold_unit_tests

source tools/xvfb.sh
start_xvfb
trap stop_xvfb EXIT

export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
ctest --test-dir "$build" --output-on-failure -R '^(EntryScanTest\.Walking|ScanTest\.TheExploreWorkerRead|ScanTest\.TheExploreWorkerGivesTheStartupScansTreeOnLarge|EntryScanTest\.AFolderShown|EntryTree\.AReaderBeside|LiveFolder\.|ExploreLive\.)' "$@"
