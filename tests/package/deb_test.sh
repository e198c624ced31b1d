#!/usr/bin/env bash
# Builds the Debian package and checks it as a user and as Debian would:
# lintian reports no error or warning, the control fields name the
# dependencies dpkg-shlibdeps found, the desktop entry, AppStream metadata
# and manual page validate, every icon has its size, and the program
# unpacked from the package starts and shows its window under Xvfb without
# a network, and turns its autostart entry on and off.
#
# Usage: tests/package/deb_test.sh [--screenshot FILE]
#   TICKWELL_PACKAGE_BUILD    the configured Linux build (default build/linux)
#   TICKWELL_PACKAGE_DISPLAY  the X display to start Xvfb on (default: a free one)
#   TICKWELL_PACKAGE_PORT     a loopback port nothing listens on (default 18480)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TICKWELL_PACKAGE_BUILD:-$root/build/linux}
port=${TICKWELL_PACKAGE_PORT:-18480}
screenshot=
[ "${1:-}" = --screenshot ] && screenshot=$2

work=$(mktemp -d /tmp/tickwell-deb-XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "deb_test: FAILED: $*" >&2
    exit 1
}
note() { echo "deb_test: $*"; }

# --- The package -----------------------------------------------------------
[ -f "$build/CMakeCache.txt" ] || cmake --preset linux >/dev/null
cmake --build "$build" --target package-deb >"$work/build.log" 2>&1 ||
    { cat "$work/build.log"; fail "the package did not build"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb=$build/packages/tickwell_${version}_${arch}.deb
[ -f "$deb" ] || fail "no $deb"
note "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# lintian runs as whoever runs the tests; its remark about root is not
# about the package.
lintian --fail-on error,warning "$deb" >"$work/lintian.txt" 2>&1 ||
    { cat "$work/lintian.txt"; fail "lintian"; }
grep -v 'running with root privileges' "$work/lintian.txt" || true
note "lintian: no errors or warnings"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = tickwell ] || fail "Package is $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version is $(field Version), not $version"
depends=$(field Depends)
# FLTK is linked into the program; the libraries it draws with are not.
for library in libc6 libcurl4 libx11-6 libxft2 libsystemd0; do
    grep -q "\\b$library\\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
# Every dependency is a package this machine has, so its name is real.
for package in $(tr ',' '\n' <<<"$depends" | sed 's/(.*//'); do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        fail "Depends names $package, which is not installed here"
done

# --- Its files --------------------------------------------------------------
tree=$work/root
dpkg-deb -x "$deb" "$tree"
program=$tree/usr/bin/tickwell
file "$program" | grep -q ', stripped' || fail "the program is not stripped: $(file "$program")"
[ "$(stat -c %a "$program")" = 755 ] || fail "the program's mode is $(stat -c %a "$program")"

for size in 16 22 24 32 48 64 128 256; do
    icon=$tree/usr/share/icons/hicolor/${size}x${size}/apps/tickwell.png
    [ -f "$icon" ] || fail "no ${size}x${size} icon"
    actual=$(identify -format '%wx%h' "$icon")
    [ "$actual" = "${size}x${size}" ] || fail "the ${size}x${size} icon is $actual"
done
cmp -s "$tree/usr/share/icons/hicolor/scalable/apps/tickwell.svg" "$root/resources/tickwell.svg" ||
    fail "the scalable icon is not resources/tickwell.svg"

desktop=$tree/usr/share/applications/org.quillfen.Tickwell.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=tickwell' "$desktop" || fail "the desktop entry does not run tickwell"
grep -qx 'Icon=tickwell' "$desktop" || fail "the desktop entry does not name the icon"

metainfo=$tree/usr/share/metainfo/org.quillfen.Tickwell.metainfo.xml
appstreamcli validate --no-net "$metainfo" >"$work/appstream.txt" 2>&1 ||
    { cat "$work/appstream.txt"; fail "appstreamcli validate"; }
note "appstreamcli: $(tail -n 1 "$work/appstream.txt" | sed 's/^[^A-Za-z]*//')"
grep -q "<release version=\"$version\"" "$metainfo" ||
    fail "the metadata's newest release is not $version"
changelog_version=$(gzip -dc "$tree/usr/share/doc/tickwell/changelog.gz" | sed -n '1s/^tickwell (\([^)]*\)).*/\1/p')
[ "$changelog_version" = "$version" ] || fail "the changelog's newest entry is $changelog_version"
grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    "$tree/usr/share/doc/tickwell/copyright" || fail "the copyright file is not machine-readable"

manual=$tree/usr/share/man/man1/tickwell.1.gz
warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$manual" 2>&1 >/dev/null)
[ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$manual" 2>/dev/null | col -b)
grep -qF "Tickwell $version" <<<"$text" || fail "the manual page is not the one of version $version"
for topic in --station --at-login --help --version '--autostart on' SETTINGS Interval Outlook Fast WinX WinY \
    Station Scale ENVIRONMENT TICKWELL_API_BASE TICKWELL_CA_FILE TICKWELL_PAGE_DIR \
    TICKWELL_SCALE https_proxy no_proxy FILES Quillfen/Tickwell/settings; do
    grep -qF -- "$topic" <<<"$text" || fail "the manual page does not cover $topic"
done

# --- The unpacked program ---------------------------------------------------
home=$work/home
mkdir -p "$home"
run_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config"
    TICKWELL_API_BASE="https://127.0.0.1:$port" TICKWELL_SCALE=1 LC_ALL=C.UTF-8)

# Autostart on writes an entry that runs exactly this program; off removes it.
entry=$home/.config/autostart/tickwell.desktop
"${run_env[@]}" "$program" --autostart on >/dev/null || fail "--autostart on"
grep -qx "Exec=$program --at-login" "$entry" || fail "the autostart entry does not run $program --at-login"
desktop-file-validate "$entry" || fail "the autostart entry does not validate"
"${run_env[@]}" "$program" --autostart off >/dev/null || fail "--autostart off"
[ ! -e "$entry" ] || fail "--autostart off left $entry"

# --version, where the program has it, names the package's version.
has_version=0
if out=$("${run_env[@]}" timeout 5 "$program" --version 2>/dev/null) && [ -n "$out" ]; then
    grep -qF "$version" <<<"$out" || fail "--version says '$out', not $version"
    has_version=1
fi

# Without a display it says which one it could not open, and fails.
for number in $(seq 400 499); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] || break
done
status=0
"${run_env[@]}" DISPLAY=":$number" timeout 10 "$program" >/dev/null 2>"$work/nodisplay.txt" || status=$?
[ "$status" != 0 ] && [ "$status" != 124 ] || fail "without a display the program's exit code is $status"
grep -qF "cannot open display \":$number\"" "$work/nodisplay.txt" ||
    fail "without a display the program said: $(cat "$work/nodisplay.txt")"

# shellcheck source=xvfb.sh
source "$root/tests/package/xvfb.sh"
start_xvfb
display=$DISPLAY
xenv=(env DISPLAY="$display")
program_ended() {
    cat "$work/program.log"
    if "${xenv[@]}" xdpyinfo >/dev/null 2>&1; then
        fail "the program ended while its display $display answers"
    fi
    cat "$work/xvfb.log"
    fail "the program ended, and its display $display no longer answers"
}

# The weather service is a loopback port nothing listens on, so the program
# starts without a network: it shows its window and keeps it; a program that
# checks for a connection before its window (one without --version) may
# instead report that in its error box.
"${run_env[@]}" DISPLAY="$display" "$program" >"$work/program.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")
window=
for _ in $(seq 100); do
    window=$("${xenv[@]}" xdotool search --onlyvisible --name '^Tickwell( Error)?$' 2>/dev/null |
        head -n 1 || true)
    [ -n "$window" ] && break
    kill -0 "$program_pid" 2>/dev/null || program_ended
    sleep 0.1
done
[ -n "$window" ] || fail "no window of the program appeared"
title=$("${xenv[@]}" xdotool getwindowname "$window")
read -r left top size < <("${xenv[@]}" xwininfo -id "$window" | awk '/Absolute upper-left X:/ {x=$4}
    /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w "x" h}')
sleep 2
kill -0 "$program_pid" 2>/dev/null || program_ended
if [ "$title" = Tickwell ]; then
    [ "$size" = 200x45 ] || fail "the window is $size, not 200x45"
    note "the installed program shows its 200x45 window and keeps it without a network"
else
    [ "$has_version" = 0 ] || fail "the program showed '$title' instead of its window"
    note "the installed program starts and reports that it has no network ('$title', $size)"
fi
if [ -n "$screenshot" ]; then
    mkdir -p "$(dirname "$screenshot")"
    # The window and a few pixels around it.
    width=${size%x*} height=${size#*x}
    x=$((left > 8 ? left - 8 : 0)) y=$((top > 8 ? top - 8 : 0))
    "${xenv[@]}" import -window root -crop "$((width + 16))x$((height + 16))+$x+$y" +repage \
        "$screenshot"
fi
echo "deb_test: passed"
