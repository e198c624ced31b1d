#!/usr/bin/env bash
# Installs every package that building, running and testing Tickwell needs.
# Usage: scripts/install-deps.sh [linux|windows|all]
#   linux: what the Linux program and its demo need (default)
#   windows: also the Windows cross-compiler and Wine (scripts/run.sh --windows)
#   all:   also the Windows cross-compiler, Wine, and the test and measurement tools
set -euo pipefail
what=${1:-linux}

linux_pkgs=(build-essential cmake pkg-config libfltk1.3-dev libcurl4-openssl-dev
  libcpp-httplib-dev fonts-dejavu-core xvfb imagemagick x11-utils xdotool
  nlohmann-json3-dev libssl-dev openssl)
test_pkgs=(libgtest-dev libgmock-dev libbenchmark-dev clang-14 libclang-rt-14-dev
  clang-format x11-apps file g++-mingw-w64-i686 binutils-mingw-w64-i686)
# The Debian package and the Windows installer, and the tools that check them.
linux_pkgs+=(librsvg2-bin dpkg-dev)
test_pkgs+=(nsis lintian appstream desktop-file-utils man-db)

missing=()
want=("${linux_pkgs[@]}")
[ "$what" = all ] && want+=("${test_pkgs[@]}")
[ "$what" = windows ] && want+=(g++-mingw-w64-i686 binutils-mingw-w64-i686 file)
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
need_wine=0
if [ "$what" = all ] || [ "$what" = windows ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || need_wine=1
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' || need_wine=1
fi
[ ${#missing[@]} -eq 0 ] && [ $need_wine = 0 ] && exit 0

export DEBIAN_FRONTEND=noninteractive
if [ $need_wine = 1 ]; then
  dpkg --add-architecture i386
fi
apt-get update -qq
[ ${#missing[@]} -gt 0 ] && apt-get install -y -qq --no-install-recommends "${missing[@]}"
if [ $need_wine = 1 ]; then
  apt-get install -y -qq --no-install-recommends wine wine32:i386
fi
exit 0
