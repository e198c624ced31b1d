#!/usr/bin/env bash
# Builds the Windows installer and tries it under Wine as a user would,
# silently: it installs per user without administrator rights, registers
# its uninstaller, the installed program starts, and the uninstaller removes
# the program, its shortcut, its start at login and its Uninstall entry,
# keeping the settings unless asked to remove them.
#
# Usage: tests/package/windows_installer_test.sh [--screenshot FILE]
#   TICKWELL_WINE_BITS=64         the 64-bit installer (tickwell-setup-<version>-x64.exe,
#                                 the win64 build) under the 64-bit Wine, for a kernel
#                                 that runs no 32-bit programs
#   TICKWELL_PACKAGE_WIN32_BUILD  the configured Windows build (default build/win32,
#                                 build/win64 for the 64-bit installer)
#   TICKWELL_PACKAGE_WINEPREFIX   the test's own Wine prefix (default build/wineprefix-package,
#                                 build/wineprefix64-package for the 64-bit installer)
#   TICKWELL_PACKAGE_DISPLAY      the X display to start Xvfb on (default: a free one)
#   TICKWELL_PACKAGE_PORT         the stand-in weather server's port (default 18481), for
#                                 the demo that shows the uninstaller closing a running
#                                 ticker (when the Linux build has the server)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# The installer, its uninstaller and the program are all of one kind.
if [ "${TICKWELL_WINE_BITS:-32}" = 64 ]; then
    preset=win64 suffix=-x64 default_prefix=$root/build/wineprefix64-package
    machine="PE32+ executable (GUI) x86-64"
else
    preset=win32 suffix= default_prefix=$root/build/wineprefix-package
    machine="PE32 executable (GUI) Intel 80386"
fi
is_machine() { case $(file -b "$1") in "$machine"*) return 0 ;; *) return 1 ;; esac; }
build=${TICKWELL_PACKAGE_WIN32_BUILD:-$root/build/$preset}
port=${TICKWELL_PACKAGE_PORT:-18481}
server=$root/build/linux/tools/tickwell-weather-server
screenshot=
[ "${1:-}" = --screenshot ] && screenshot=$2

work=$(mktemp -d /tmp/tickwell-setup-XXXXXX)
pids=()
cleanup() {
    # The prefix's Wine server and everything it runs, then the X server.
    if [ -n "${WINEPREFIX:-}" ]; then wineserver -k 2>/dev/null || true; fi
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "windows_installer_test: FAILED: $*" >&2
    exit 1
}
note() { echo "windows_installer_test: $*"; }

# --- The installer ----------------------------------------------------------
[ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset "$preset" >/dev/null)
cmake --build "$build" --target windows-installer >"$work/build.log" 2>&1 ||
    { cat "$work/build.log"; fail "the installer did not build"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
setup=$build/tickwell-setup-$version$suffix.exe
[ -f "$setup" ] || fail "no $setup"
is_machine "$setup" || fail "$(basename "$setup") is $(file -b "$setup"), not a $machine"
note "built $(basename "$setup") ($(stat -c %s "$setup") bytes): $(file -b "$setup")"

# --- Wine, on an X server of its own -----------------------------------------
# shellcheck source=xvfb.sh
source "$root/tests/package/xvfb.sh"
start_xvfb
export TICKWELL_WINEPREFIX=${TICKWELL_PACKAGE_WINEPREFIX:-$default_prefix}
# shellcheck source=../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
# Wine would turn the Start-menu shortcut into a menu entry of this machine's
# desktop; the test leaves the machine's menus alone.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickwell'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
settings_key='HKCU\Software\Quillfen\Tickwell'

windows_folder() { winepath -u "$(wine cmd /c echo "%$1%" 2>/dev/null | tr -d '\r')" 2>/dev/null; }
# The data of one registry value, or nothing when it is not there.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}
reg_key_exists() { wine reg query "$1" >/dev/null 2>&1; }

install_dir=$(windows_folder LOCALAPPDATA)/Programs/Tickwell
shortcut=$(windows_folder APPDATA)/Microsoft/Windows/Start\ Menu/Programs/Tickwell.lnk

# What an earlier run may have left.
wine reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
wine reg delete "$run_key" /v Tickwell /f >/dev/null 2>&1 || true
wine reg delete "$settings_key" /f >/dev/null 2>&1 || true
rm -rf "$install_dir" "$shortcut"

# Runs the uninstaller silently and waits for it: it copies itself out of
# the folder it removes and returns at once.
uninstall() {
    wine "$install_dir/uninstall.exe" /S "$@" >/dev/null 2>&1 || fail "uninstall.exe $*"
    for _ in $(seq 200); do
        [ ! -e "$install_dir" ] && ! reg_key_exists "$uninstall_key" && return 0
        sleep 0.1
    done
    fail "the uninstaller left $(ls -A "$install_dir" 2>/dev/null) or its Uninstall entry"
}

# --- Install with the start at login ----------------------------------------
wine "$setup" /S /AUTOSTART >/dev/null 2>&1 || fail "the silent install failed"
[ -f "$install_dir/tickwell.exe" ] || fail "no tickwell.exe in $install_dir"
[ -f "$install_dir/uninstall.exe" ] || fail "no uninstall.exe in $install_dir"
grep -q "CC BY 4.0" "$install_dir/NOTICES.txt" 2>/dev/null ||
    fail "no data notices (NOTICES.txt) in $install_dir"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
cmp -s "$install_dir/tickwell.exe" "$build/installer/tickwell.exe" ||
    fail "the installed program is not the stripped build"
for program in tickwell.exe uninstall.exe; do
    is_machine "$install_dir/$program" ||
        fail "the installed $program is $(file -b "$install_dir/$program"), not a $machine"
done

windows_dir=$(winepath -w "$install_dir" 2>/dev/null | tr -d '\r')
while IFS='|' read -r name expected; do
    actual=$(reg_value "$uninstall_key" "$name")
    [ "$actual" = "$expected" ] || fail "Uninstall $name is '$actual', not '$expected'"
done <<EOF
DisplayName|Tickwell
DisplayVersion|$version
Publisher|Quillfen
InstallLocation|$windows_dir
UninstallString|"$windows_dir\\uninstall.exe"
QuietUninstallString|"$windows_dir\\uninstall.exe" /S
NoModify|0x1
NoRepair|0x1
EOF
size=$(reg_value "$uninstall_key" EstimatedSize)
[ $((size)) -ge 100 ] || fail "EstimatedSize is '$size' KB"
[ "$(reg_value "$run_key" Tickwell)" = "\"$windows_dir\\tickwell.exe\" --at-login" ] ||
    fail "the start at login is '$(reg_value "$run_key" Tickwell)'"
reg_key_exists 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tickwell' &&
    fail "the installer wrote to HKEY_LOCAL_MACHINE"
note "installed per user in $windows_dir, listed under $uninstall_key"

# --- The installed program starts -------------------------------------------
# Without a network the program either shows its window or says in its
# error box that it has no connection; either is its own window.
wine "$install_dir/tickwell.exe" >/dev/null 2>&1 &
program=$!
window=
for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^Tickwell( Error)?$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 "$program" 2>/dev/null || fail "the installed program ended without a window"
    sleep 0.1
done
[ -n "$window" ] || fail "no window of the installed program appeared"
sleep 1
title=$(xdotool getwindowname "$window")
read -r left top size < <(xwininfo -id "$window" | awk '/Absolute upper-left X:/ {x=$4}
    /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w "x" h}')
if [ -n "$screenshot" ]; then
    mkdir -p "$(dirname "$screenshot")"
    width=${size%x*} height=${size#*x}
    x=$((left > 8 ? left - 8 : 0)) y=$((top > 8 ? top - 8 : 0))
    import -window root -crop "$((width + 16))x$((height + 16))+$x+$y" +repage "$screenshot"
fi
if [ "$title" = Tickwell ]; then
    note "the installed program shows its window ($size)"
else
    note "the installed program starts and reports that it has no network ('$title', $size)"
fi

# --- Uninstall, keeping the settings ------------------------------------------
# The station is the one setting the program never writes, so it stands for
# the user's settings here: the tickers the uninstaller closes save theirs.
wine reg add "$settings_key" /v Station /t REG_SZ /d KBOS /f >/dev/null 2>&1
# A running program can't be removed, so the uninstaller closes it first:
# the installed one (on its window or its error box) and, where the demo can
# run against the stand-in server, a ticker showing weather.
demo=
if [ -x "$server" ] && [ -f "$build/tickwell-demo.exe" ]; then
    "$server" --port "$port" >/dev/null 2>&1 &
    pids+=($!)
    wine "$build/tickwell-demo.exe" "$port" >/dev/null 2>&1 &
    demo=$!
    for _ in $(seq 150); do
        xdotool search --onlyvisible --name '^Tickwell$' >/dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool search --onlyvisible --name '^Tickwell$' >/dev/null 2>&1 ||
        fail "the demo showed no window"
fi
uninstall
if [ -n "$demo" ]; then
    for _ in $(seq 50); do kill -0 "$demo" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$demo" 2>/dev/null && fail "the running ticker was not closed by the uninstaller"
    wait "$demo" 2>/dev/null || true
    note "the uninstaller closed the running ticker"
fi
for _ in $(seq 50); do kill -0 "$program" 2>/dev/null || break; sleep 0.1; done
kill -0 "$program" 2>/dev/null && fail "the uninstaller did not close the installed program"
wait "$program" 2>/dev/null || true
[ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu shortcut"
[ -z "$(reg_value "$run_key" Tickwell)" ] || fail "the uninstaller left the start at login"
[ "$(reg_value "$settings_key" Station)" = KBOS ] || fail "the uninstaller removed the settings"
note "the uninstaller removed the program and its entries and kept the settings"

# --- Install without the start at login; uninstall with the settings ---------
wine "$setup" /S >/dev/null 2>&1 || fail "the second silent install failed"
[ -f "$install_dir/tickwell.exe" ] || fail "the second install has no tickwell.exe"
[ -z "$(reg_value "$run_key" Tickwell)" ] || fail "the program starts at login without /AUTOSTART"
uninstall /REMOVESETTINGS
reg_key_exists "$settings_key" && fail "/REMOVESETTINGS kept the settings"
note "/REMOVESETTINGS removed the settings"
echo "windows_installer_test: passed"
