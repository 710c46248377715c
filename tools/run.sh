#!/usr/bin/env bash
# Installs what is missing, builds build/ and runs the viewer: the explore
# view of the demo folder, or with VIEW=plain the plain view.
# With a reachable display the viewer runs in the foreground. Without one it
# runs under a private Xvfb: after a few seconds a PNG of the window is saved,
# Escape ends the viewer, and the picture's path is printed.
# The viewer's exit code is passed through.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/install-deps.sh run

build=${LUMENFOLD_RUN_BUILD:-build}  # another folder only for trying the script out
build_type=${CMAKE_BUILD_TYPE:-RelWithDebInfo}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build "$build" -j "$(nproc)" --target lumenfold lumenfold-shot

view=${VIEW:-explore}
case "$view" in
    explore) viewer_args=(--explore) ;;
    plain) viewer_args=() ;;
    *)
        echo "VIEW is explore or plain, not '$view'." >&2
        exit 2
        ;;
esac

display_usable() {
    [ -n "${DISPLAY:-}" ] || return 1
    # xdpyinfo may be missing; lumenfold-shot only needs to connect, so ask it
    # for a window that does not exist with no waiting.
    local out
    out=$("$build/lumenfold-shot" --title "lumenfold display probe $$" --timeout 0 2>&1 || true)
    case "$out" in
        *"cannot open display"*) return 1 ;;
    esac
    return 0
}

if display_usable; then
    exec "$build/lumenfold" "${viewer_args[@]}"
fi

echo "No usable display: running the viewer under Xvfb and saving a screenshot."
source tools/xvfb.sh
unset DISPLAY
start_xvfb

viewer_pid=
cleanup() {
    if [ -n "$viewer_pid" ] && kill -0 "$viewer_pid" 2>/dev/null; then
        kill "$viewer_pid" 2>/dev/null || true
        wait "$viewer_pid" 2>/dev/null || true
    fi
    stop_xvfb
}
trap cleanup EXIT

"$build/lumenfold" "${viewer_args[@]}" &
viewer_pid=$!

screenshot="$root/$build/lumenfold-screenshot.png"
rm -f "$screenshot"
shot_status=0
"$build/lumenfold-shot" --title Lumenfold --timeout 30 --delay 3 --out "$screenshot" --key Escape || shot_status=$?

# Escape ends the viewer at once; give it a bounded time, then stop it.
viewer_status=
for _ in $(seq 1 100); do
    if ! kill -0 "$viewer_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if kill -0 "$viewer_pid" 2>/dev/null; then
    echo "The viewer did not end after Escape; stopping it." >&2
    kill "$viewer_pid" 2>/dev/null || true
fi
wait "$viewer_pid" && viewer_status=0 || viewer_status=$?
viewer_pid=

if [ "$shot_status" -ne 0 ]; then
    echo "No screenshot was taken (lumenfold-shot exit code $shot_status); viewer exit code $viewer_status." >&2
    [ "$viewer_status" -ne 0 ] && exit "$viewer_status"
    exit 1
fi
if [ "$viewer_status" -ne 0 ]; then
    echo "The viewer ended with exit code $viewer_status." >&2
    exit "$viewer_status"
fi
echo "Screenshot: $screenshot"
