# Sourced by the scripts: start_xvfb starts a private virtual display and exports
# DISPLAY; stop_xvfb ends it.
start_xvfb() {
    local displayfd_file
    displayfd_file=$(mktemp)
    # -noreset: otherwise the server resets whenever its last client leaves, and a
    # client connecting in that moment (parallel tests) fails to open the display.
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset +extension GLX 3>"$displayfd_file" >/dev/null 2>&1 &
    LUMENFOLD_XVFB_PID=$!
    local tries=0
    while [ ! -s "$displayfd_file" ]; do
        tries=$((tries + 1))
        if [ $tries -gt 100 ] || ! kill -0 "$LUMENFOLD_XVFB_PID" 2>/dev/null; then
            echo "Xvfb did not start" >&2
            rm -f "$displayfd_file"
            return 1
        fi
        sleep 0.1
    done
    export DISPLAY=":$(head -n1 "$displayfd_file")"
    rm -f "$displayfd_file"
}

stop_xvfb() {
    if [ -n "${LUMENFOLD_XVFB_PID:-}" ]; then
        kill "$LUMENFOLD_XVFB_PID" 2>/dev/null || true
        wait "$LUMENFOLD_XVFB_PID" 2>/dev/null || true
        LUMENFOLD_XVFB_PID=
    fi
}
