# Starts Xvfb for a package test and exports DISPLAY, sourced by the tests.
#
# The display is TICKWELL_PACKAGE_DISPLAY when given, otherwise a free one
# well above those other tools pick first. A display counts as started only
# once a client has connected to it: a socket file or a display number
# written by Xvfb does not prove that a program can open it (a stale socket
# from a killed server, or one held by another server, looks the same).
# A display that does not answer within 10 s is given up for the next.
#
# The server runs with -noreset. By default it resets when its last client
# leaves and drops a connection still being set up, so a program starting
# while the readiness check or a test's window search disconnects could not
# open the display (4 of 30 starts failed so with xdotool polling).
#
# Needs: the caller's `fail` function and `pids` array, and a work folder
# in $work for the server's log.
start_xvfb() {
    local candidates number pid
    if [ -n "${TICKWELL_PACKAGE_DISPLAY:-}" ]; then
        candidates=${TICKWELL_PACKAGE_DISPLAY#:}
    else
        candidates=$(seq $((300 + $$ % 60)) 399)
    fi
    for number in $candidates; do
        if [ -z "${TICKWELL_PACKAGE_DISPLAY:-}" ] &&
            { [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; }; then
            continue
        fi
        Xvfb ":$number" -screen 0 640x480x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
        pid=$!
        for _ in $(seq 100); do
            if DISPLAY=":$number" xdpyinfo >/dev/null 2>&1; then
                pids+=("$pid")
                export DISPLAY=":$number"
                return 0
            fi
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    cat "$work/xvfb.log" >&2
    fail "Xvfb did not start on a display a program can open"
}
