#!/usr/bin/env bash
# Runs the GL and end-to-end suites N times in a row on classic SDL 1.2 and
# then on sdl12-compat, with one busy process beside them (a loop that keeps a
# core busy, as on a CI machine doing something else), and prints one line per
# run and a closing "N passed, N failed". Not part of make test.
#   tools/soak.sh [N]          (N defaults to 5)
# LUMENFOLD_SOAK_BUILD names the build folder (default build-soak); it is
# configured and built when missing. A failed run's ctest output is kept in
# <build>/soak-logs/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

runs=${1:-5}
if ! [[ $runs =~ ^[1-9][0-9]*$ ]]; then
    echo "usage: tools/soak.sh [N], N a whole number from 1" >&2
    exit 2
fi
build=${LUMENFOLD_SOAK_BUILD:-build-soak}
jobs=${LUMENFOLD_SOAK_JOBS:-2}

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DLUMENFOLD_BUILD_TESTS=ON -DLUMENFOLD_WERROR=ON >/dev/null
fi
cmake --build "$build" -j "$jobs" >/dev/null

sdl12_compat_dir=/usr/lib/$(gcc -print-multiarch)/sdl12-compat
logs="$build/soak-logs"
mkdir -p "$logs"

source tools/xvfb.sh
busy_pid=
# The busy process's own status (143) must not become the script's.
cleanup() {
    local status=$?
    if [ -n "$busy_pid" ]; then
        kill "$busy_pid" 2>/dev/null || true
        wait "$busy_pid" 2>/dev/null || true
    fi
    stop_xvfb
    exit $status
}
trap cleanup EXIT
start_xvfb
sh -c 'while :; do :; done' &
busy_pid=$!

passed=0
failed=0
run() {
    local sdl=$1 number=$2
    local log="$logs/$sdl-$number.log"
    local started=$SECONDS
    local status=0
    if [ "$sdl" = sdl12-compat ]; then
        LD_LIBRARY_PATH=$sdl12_compat_dir ctest --test-dir "$build" -L 'gl|e2e' -j "$jobs" --output-on-failure >"$log" 2>&1 || status=$?
    else
        ctest --test-dir "$build" -L 'gl|e2e' -j "$jobs" --output-on-failure >"$log" 2>&1 || status=$?
    fi
    local summary
    summary=$(grep -E '^[0-9]+% tests passed' "$log" || echo "no summary")
    if [ $status -eq 0 ]; then
        passed=$((passed + 1))
        echo "run $number on $sdl: passed ($summary) in $((SECONDS - started)) s"
        rm -f "$log"
    else
        failed=$((failed + 1))
        local which
        which=$(sed -n '/The following tests FAILED:/,$p' "$log" | grep -E '^\s+[0-9]+ - ' | sed -E 's/^\s+[0-9]+ - //; s/ \(.*//' | tr '\n' ' ')
        echo "run $number on $sdl: FAILED ($summary) in $((SECONDS - started)) s: ${which:-see $log}"
    fi
}

for sdl in classic sdl12-compat; do
    for ((number = 1; number <= runs; ++number)); do
        run "$sdl" "$number"
    done
done
echo "$passed passed, $failed failed"
[ $failed -eq 0 ]
