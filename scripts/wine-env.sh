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
#
# TICKWELL_WINE_BITS=64 runs the 64-bit test build (the win64 preset) with
# the 64-bit Wine instead, in a 64-bit prefix (build/wineprefix64 unless
# TICKWELL_WINEPREFIX says otherwise): for a kernel that runs no 32-bit
# programs. `wine` (and `wine-stable`, which Wine's own tools such as
# wineboot call) then name /usr/lib/wine/wine64, through two small scripts
# put first in PATH.

tickwell_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${TICKWELL_WINE_BITS:-32}" = 64 ]; then
    export WINEPREFIX=${TICKWELL_WINEPREFIX:-$tickwell_root/build/wineprefix64}
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    tickwell_wine_bin=$WINEPREFIX.bin
    mkdir -p "$tickwell_wine_bin"
    for tickwell_name in wine wine-stable; do
        if [ ! -x "$tickwell_wine_bin/$tickwell_name" ]; then
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$tickwell_wine_bin/$tickwell_name.$$"
            chmod +x "$tickwell_wine_bin/$tickwell_name.$$"
            mv -f "$tickwell_wine_bin/$tickwell_name.$$" "$tickwell_wine_bin/$tickwell_name"
        fi
    done
    case ":$PATH:" in
        *":$tickwell_wine_bin:"*) ;;
        *) export PATH="$tickwell_wine_bin:$PATH" ;;
    esac
else
    export WINEPREFIX=${TICKWELL_WINEPREFIX:-$tickwell_root/build/wineprefix}
    export WINEARCH=win32
fi
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
        # One wineserver for the whole session; `wineserver -k` stops it.
        local pidfile=$WINEPREFIX.server.pid pid
        pid=$(cat "$pidfile" 2>/dev/null || true)
        if [ -n "$pid" ] && grep -qs wineserver "/proc/$pid/cmdline"; then
            return 0
        fi
        setsid wineserver -f -p </dev/null >>"$WINEPREFIX/wineserver.log" 2>&1 9>&- &
        echo $! >"$pidfile"
        # Wait for its socket, so that the program below does not start a
        # server of its own.
        local socket
        socket="server-$(stat -c %D "$WINEPREFIX")-$(printf %x "$(stat -c %i "$WINEPREFIX")")/socket"
        for _ in $(seq 50); do
            compgen -G "/tmp/wine-*/$socket" >/dev/null && break
            sleep 0.1
        done
        # Wine's own services (services.exe, winedevice.exe, ...) start with
        # the first program and live as long as the server. Started here,
        # they hold no caller's output open: a test runner that waits for
        # the end of a test's output would otherwise wait for them forever.
        wine wineboot </dev/null >/dev/null 2>&1 9>&- || true
    ) 9>"$WINEPREFIX.lock"
}

tickwell_wine_display() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    [ -n "${DISPLAY:-}" ] && return 0
    local display=${TICKWELL_WINE_DISPLAY:-:95}
    local number=${display#:}
    (
        flock 9
        if ! { [ -f "/tmp/.X$number-lock" ] && kill -0 "$(tr -d ' ' <"/tmp/.X$number-lock")" 2>/dev/null; }; then
            setsid Xvfb "$display" -screen 0 800x600x24 -nolisten tcp -noreset </dev/null \
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
    # Sourced: set up and keep the exported variables. The display comes
    # first: Wine's desktop process, started with the server, needs it.
    tickwell_wine_display
    tickwell_wine_setup
    return 0 2>/dev/null
fi

tickwell_wine_display
tickwell_wine_setup || {
    echo "wine-env.sh: could not create the Wine prefix $WINEPREFIX" >&2
    exit 1
}
if [ $# -eq 0 ]; then
    names="WINEPREFIX WINEARCH WINEDEBUG WINEDLLOVERRIDES DISPLAY"
    [ "$WINEARCH" = win64 ] && names="$names WINELOADER PATH"
    for name in $names; do
        printf 'export %s=%q\n' "$name" "${!name}"
    done
    exit 0
fi
exec wine "$@"
