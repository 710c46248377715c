#!/usr/bin/env bash
# Runs the real viewer under valgrind's memcheck on a private Xvfb: a short walk,
# then Escape. Fails on any invalid read or write, or use of uninitialised values,
# that is not suppressed in tools/memcheck.supp (which holds only entries that
# belong to the GL driver, SDL or X).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build}
viewer="$build/lumenfold"
for program in "$viewer" "$build/lumenfold-shot"; do
    [ -x "$program" ] || { echo "memcheck: $program not built" >&2; exit 1; }
done

source tools/xvfb.sh
start_xvfb
log=$(mktemp)
trap 'stop_xvfb; rm -f "$log"' EXIT

# The interpreting software rasteriser: valgrind cannot follow code that the
# JIT rasteriser generates at run time.
GALLIUM_DRIVER=softpipe valgrind --tool=memcheck --error-exitcode=99 \
    --suppressions=tools/memcheck.supp --track-origins=yes --num-callers=30 \
    --log-file="$log" "$viewer" >/dev/null &
pid=$!

# A short walk, a turn and a look back, then Escape; the window may take a
# couple of minutes to show under valgrind.
if ! "$build/lumenfold-shot" --title Lumenfold --timeout 300 \
        --hold Up=2 --hold Left=1 --hold b=1 --key Escape; then
    echo "memcheck: the viewer's window did not appear or took no keys" >&2
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    cat "$log" >&2
    exit 1
fi

status=0
wait "$pid" || status=$?
grep -E "ERROR SUMMARY|definitely lost" "$log" || true
if [ "$status" -ne 0 ]; then
    echo "memcheck: exit code $status" >&2
    grep -B2 -A30 -E "^==[0-9]+== (Invalid|Conditional|Use of uninit|Syscall param)" "$log" | head -200 >&2 || true
    exit 1
fi
echo "memcheck: no errors in our code"
