#!/usr/bin/env bash
# Installs every package that building, running and testing Tickwell needs.
# Usage: scripts/install-deps.sh [linux|windows|all|measure]
#   linux:   what the Linux program and its demo need (default)
#   windows: also the Windows cross-compiler and Wine (scripts/run.sh --windows)
#   all:     also the Windows cross-compiler, Wine, and the test tools
#   measure: also what scripts/footprint.sh measures against (xclock and the
#            desktop weather peers) and heaptrack; not needed for testing
#
# Only missing packages are installed, and nothing already installed is
# upgraded. When another apt or dpkg holds the lock, it waits up to 10
# minutes. It prints one line per step; apt's own output goes to a log file
# (TICKWELL_DEPS_LOG, default /tmp/tickwell-install-deps.log), whose end is
# shown when a step fails.
set -euo pipefail
what=${1:-linux}

linux_pkgs=(build-essential cmake pkg-config libfltk1.3-dev libcurl4-openssl-dev
  libcpp-httplib-dev fonts-dejavu-core xvfb imagemagick x11-utils xdotool
  nlohmann-json3-dev libssl-dev openssl
  libfreetype-dev libfontconfig-dev libxcursor-dev libxinerama-dev
  libsystemd-dev libhowardhinnant-date-dev)
test_pkgs=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
  clang-format x11-apps file g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 wine64
  dbus dbus-daemon dbus-bin dunst libnotify-bin python3-dbus python3-gi iproute2 tzdata locales)
# The unit tests' locale defaults run the program in a metric, 24-hour
# locale and in the US one; `locales` brings their sources, localedef makes
# just these two (not the whole of locales-all).
test_locales=(de_DE en_US)
# The Debian package and the Windows installer, and the tools that check them.
linux_pkgs+=(librsvg2-bin dpkg-dev)
test_pkgs+=(nsis lintian appstream desktop-file-utils man-db)
# The test command's compiler cache: its end-to-end trees reuse what the
# main builds compiled.
test_pkgs+=(ccache)
windows_pkgs=(g++-mingw-w64-i686 binutils-mingw-w64-i686 file)
measure_pkgs=(x11-apps wmweather wmweather+ heaptrack)

log=${TICKWELL_DEPS_LOG:-/tmp/tickwell-install-deps.log}
say() { printf 'install-deps: %s\n' "$*"; }
# Runs one step with its output in the log; on failure shows the log's end.
# apt-get waits for the dpkg lock itself (DPkg::Lock::Timeout below); a step
# that still fails on a lock (such as the package lists' lock, which
# `apt-get update` takes) is tried again for up to the same 10 minutes.
step() {
  local description=$1 deadline=$((SECONDS + 600))
  shift
  say "$description"
  while ! "$@" >>"$log" 2>&1; do
    if tail -n 3 "$log" | grep -q 'Could not get lock' && [ $SECONDS -lt $deadline ]; then
      sleep 5
      continue
    fi
    say "failed: $description; the end of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
  done
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

case "$what" in
  linux) want=("${linux_pkgs[@]}") ;;
  windows) want=("${linux_pkgs[@]}" "${windows_pkgs[@]}") ;;
  all) want=("${linux_pkgs[@]}" "${test_pkgs[@]}") ;;
  measure) want=("${linux_pkgs[@]}" "${measure_pkgs[@]}") ;;
  *) echo "usage: $0 [linux|windows|all|measure]" >&2; exit 2 ;;
esac

missing=()
for p in "${want[@]}"; do
  installed "$p" || missing+=("$p")
done
need_wine=0
if [ "$what" = all ] || [ "$what" = windows ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || need_wine=1
  installed wine32:i386 || need_wine=1
fi
need_locales=()
if [ "$what" = all ]; then
  for l in "${test_locales[@]}"; do
    locale -a 2>/dev/null | grep -qx "$l.utf8" || need_locales+=("$l")
  done
fi
if [ ${#missing[@]} -eq 0 ] && [ $need_wine = 0 ] && [ ${#need_locales[@]} -eq 0 ]; then
  say "all ${#want[@]} packages for '$what' are installed"
  exit 0
fi
if [ "$(id -u)" != 0 ]; then
  [ $need_wine = 1 ] && missing+=(wine wine32:i386)
  [ ${#need_locales[@]} -gt 0 ] && say "missing locales: ${need_locales[*]}" >&2
  say "missing: ${missing[*]}" >&2
  say "run this script as root (or with sudo) to install them" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
: >"$log"
# Waits for a lock held by another apt or dpkg instead of failing at once.
apt=(apt-get -o DPkg::Lock::Timeout=600)
install=("${apt[@]}" install -y --no-install-recommends --no-upgrade)
if [ $need_wine = 1 ]; then
  step "adding the i386 architecture for Wine" dpkg --add-architecture i386
fi
if [ ${#missing[@]} -gt 0 ] || [ $need_wine = 1 ]; then
  step "updating the package lists (waits up to 10 minutes for another apt)" "${apt[@]}" update
fi
if [ ${#missing[@]} -gt 0 ]; then
  step "installing ${#missing[@]} missing packages: ${missing[*]}" "${install[@]}" "${missing[@]}"
fi
if [ $need_wine = 1 ]; then
  step "installing Wine (wine, wine32:i386)" "${install[@]}" wine wine32:i386
fi
for l in "${need_locales[@]}"; do
  step "generating the locale $l.UTF-8" localedef -i "$l" -c -f UTF-8 "$l.UTF-8"
done
say "done; apt's output is in $log"
