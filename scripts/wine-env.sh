#!/usr/bin/env bash
# The Wine environment of the Windows build: a 32-bit prefix under
# build/wineprefix and one wineserver that stays alive between programs, so
# that each test program starts in a fraction of a second.
#
# Three ways to use it; all of them create the prefix first if needed
# (idempotent: a prefix that exists is reused, a running server is kept):
#   source scripts/wine-env.sh        exports WINEPREFIX, WINEARCH, ...
#   scripts/wine-env.sh               sets up and prints the export lines
#   scripts/wine-env.sh PROGRAM ARGS  runs `wine PROGRAM ARGS` in the prefix
#                                     (the cross-build's test emulator)
# TICKWELL_WINEPREFIX overrides the prefix folder. Windows need an X
# server: without DISPLAY the script starts one Xvfb on display
# $TICKWELL_WINE_DISPLAY (:95 unless set) and keeps it for later runs.

tickwell_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${TICKWELL_WINEPREFIX:-$tickwell_root/build/wineprefix}
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

tickwell_wine_setup() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    # Two callers may set up at once (ctest -j): one creates, the other waits.
    (
        flock 9
        if [ ! -f "$WINEPREFIX/system.reg" ]; then
            wineboot -i >/dev/null 2>&1 || return 1
            # Without a window manager Wine draws window captions itself only
            # when its windows are not managed: the Preferences dialog then
            # shows its caption under a bare X server.
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
        fi
        # One wineserver for the whole session; `wineserver -k` stops it. A
        # second `wineserver -p` for a prefix whose server runs exits at once.
        setsid wineserver -p </dev/null >>"$WINEPREFIX/wineserver.log" 2>&1 9>&- &
    ) 9>"$WINEPREFIX.lock"
}

tickwell_wine_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local display=${TICKWELL_WINE_DISPLAY:-:95}
    local number=${display#:}
    (
        flock 9
        if ! { [ -f "/tmp/.X$number-lock" ] && kill -0 "$(tr -d ' ' <"/tmp/.X$number-lock")" 2>/dev/null; }; then
            setsid Xvfb "$display" -screen 0 800x600x24 -nolisten tcp </dev/null \
                >"$WINEPREFIX.xvfb.log" 2>&1 9>&- &
            for _ in 1 2 3 4 5 6 7 8 9 10; do
                [ -e "/tmp/.X11-unix/X$number" ] && break
                sleep 0.2
            done
        fi
    ) 9>"$WINEPREFIX.xvfb.lock"
    export DISPLAY=$display
}

if [ "${BASH_SOURCE[0]}" != "$0" ]; then
    # Sourced: set up and keep the exported variables.
    tickwell_wine_setup
    tickwell_wine_display
    return 0 2>/dev/null
fi

tickwell_wine_setup || {
    echo "wine-env.sh: could not create the Wine prefix $WINEPREFIX" >&2
    exit 1
}
tickwell_wine_display
if [ $# -eq 0 ]; then
    for name in WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES DISPLAY; do
        printf 'export %s=%q\n' "$name" "${!name}"
    done
    exit 0
fi
exec wine "$@"
