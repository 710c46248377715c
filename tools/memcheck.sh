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
[ -x "$viewer" ] || { echo "memcheck: $viewer not built" >&2; exit 1; }

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

window=
for _ in $(seq 1 600); do
    window=$(xdotool search --onlyvisible --name '^Lumenfold$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
done
if [ -z "$window" ]; then
    echo "memcheck: the viewer's window did not appear" >&2
    cat "$log" >&2
    exit 1
fi

xdotool windowfocus --sync "$window" 2>/dev/null || true
xdotool keydown Up; sleep 2; xdotool keyup Up
xdotool keydown Left; sleep 1; xdotool keyup Left
xdotool keydown b; sleep 1; xdotool keyup b
xdotool key Escape

status=0
wait "$pid" || status=$?
grep -E "ERROR SUMMARY|definitely lost" "$log" || true
if [ "$status" -ne 0 ]; then
    echo "memcheck: exit code $status" >&2
    grep -B2 -A30 -E "^==[0-9]+== (Invalid|Conditional|Use of uninit|Syscall param)" "$log" | head -200 >&2 || true
    exit 1
fi
echo "memcheck: no errors in our code"
