#!/usr/bin/env bash
# Builds the Windows program for the stand-in weather server on
# 127.0.0.1:PORT (the classic source), builds that server natively, and runs
# the end-to-end scenarios with `wine tickwell.exe` under Xvfb, in the Wine
# prefix build/wineprefix-e2e (TICKWELL_E2E_WINEPREFIX). The program's
# registry key there is cleared first, so the runs start from the defaults.
# Then the shipped programs (the win32 preset's tickwell.exe on the live
# source, and tickwell-demo.exe) run against the HTTPS fake of the weather
# service (wine_live_e2e.py).
# Usage: tests/e2e/wine_run.sh [tickwell_e2e.py options...]
#   TICKWELL_E2E_WINE_PORT   the port (default 18081, beside the Linux runs' 18080)
#   --screenshot F / --dialog-screenshot F   save the window's and the dialog's pictures
#   TICKWELL_E2E_FIRST_DISPLAY=N   the tests' X servers take display numbers
#                            N to N+9 only (beside other runs on one machine)
#   TICKWELL_WINE_BITS=64    the same tests with the 64-bit test build (the
#                            win64 preset) under the 64-bit Wine, in the prefix
#                            build/wineprefix64-e2e: for a kernel that runs no
#                            32-bit programs
# Last, the window on a dense screen (wine_dpi_e2e.py, with the demo).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
port=${TICKWELL_E2E_WINE_PORT:-18081}
if [ "${TICKWELL_WINE_BITS:-32}" = 64 ]; then
  toolchain=$root/cmake/mingw-x86_64.cmake
  preset=win64
  win_build=${TICKWELL_E2E_WIN32_BUILD:-$root/build/win64-e2e}
  default_prefix=$root/build/wineprefix64-e2e
else
  toolchain=$root/cmake/mingw-i686.cmake
  preset=win32
  win_build=${TICKWELL_E2E_WIN32_BUILD:-$root/build/win32-e2e}
  default_prefix=$root/build/wineprefix-e2e
fi
live_build=$root/build/$preset
server_build=${TICKWELL_E2E_SERVER_BUILD:-$root/build/win32-e2e-server}

cmake -S "$root" -B "$win_build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release -DTICKWELL_TESTS=OFF -DTICKWELL_SOURCE=classic \
  -DTICKWELL_SERVER_HOST=127.0.0.1 -DTICKWELL_SERVER_PORT="$port" >/dev/null
cmake --build "$win_build" -j2 --target tickwell >/dev/null
# The stand-in server is a native program; the Linux build's serves when it exists.
server=$root/build/linux/tools/tickwell-weather-server
if [ ! -x "$server" ]; then
  cmake -S "$root" -B "$server_build" -DCMAKE_BUILD_TYPE=Release -DTICKWELL_TESTS=OFF >/dev/null
  cmake --build "$server_build" -j2 --target tickwell-weather-server >/dev/null
  server=$server_build/tools/tickwell-weather-server
fi
# The live programs as shipped, and the fake of the weather service.
(cd "$root" && cmake --preset "$preset" >/dev/null &&
  cmake --build --preset "$preset" --target tickwell tickwell-demo tickwell-post-message tickwell-shell-standin >/dev/null)
fake=$root/build/linux/tools/tickwell-nws-fake
if [ ! -x "$fake" ]; then
  cmake -S "$root" -B "$server_build" -DCMAKE_BUILD_TYPE=Release -DTICKWELL_TESTS=OFF >/dev/null
  cmake --build "$server_build" -j2 --target tickwell-nws-fake >/dev/null
  fake=$server_build/tools/tickwell-nws-fake
fi

# A Wine prefix of the tests' own, so that the settings they leave behind
# never reach the prefix people run the Windows program in (build/wineprefix).
export TICKWELL_WINEPREFIX=${TICKWELL_E2E_WINEPREFIX:-$default_prefix}
# shellcheck source=../../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
wine reg delete 'HKCU\Software\Quillfen\Tickwell' /f >/dev/null 2>&1 || true

python3 "$root/tests/e2e/wine_e2e.py" --program "$win_build/tickwell.exe" \
  --server "$server" --port "$port" "$@"
python3 "$root/tests/e2e/faults_network.py" --wine --program "$win_build/tickwell.exe" \
  --server "$server" --port "$port"
python3 "$root/tests/e2e/wine_live_e2e.py" --program "$live_build/tickwell.exe" \
  --demo "$live_build/tickwell-demo.exe" --fake "$fake" \
  --make-cert "$root/tools/nws_fake/make_test_cert.sh"
# TICKWELL_CA_FILE and the user's root store: never for the real service's
# address; what a killed run left is taken out at the next start.
python3 "$root/tests/e2e/wine_roots_e2e.py" --program "$live_build/tickwell.exe" \
  --fake "$fake" --make-cert "$root/tools/nws_fake/make_test_cert.sh"
# The Location dialog (right-click, Location..., "boston", Enter) and --station.
python3 "$root/tests/e2e/wine_location_e2e.py" --program "$live_build/tickwell.exe" \
  --fake "$fake" --make-cert "$root/tools/nws_fake/make_test_cert.sh" \
  --shot "$root/build/e2e-shots/location-windows.png"
# The units as REG_SZ values, from the locale and from the Units dialog.
python3 "$root/tests/e2e/wine_units_e2e.py" --program "$live_build/tickwell.exe" \
  --fake "$fake" --make-cert "$root/tools/nws_fake/make_test_cert.sh" \
  --shots "$root/build/e2e-shots"
# Woken from sleep (WM_POWERBROADCAST posted to the window) with the refresh
# interval at an hour: the new readings within 30 s.
python3 "$root/tests/e2e/wine_wake_e2e.py" --program "$live_build/tickwell.exe" \
  --post-message "$live_build/tests/tickwell-post-message.exe" --fake "$fake" \
  --make-cert "$root/tools/nws_fake/make_test_cert.sh"
# The window at 192 and 96 dpi and with Scale=3; it leaves the density as it was.
python3 "$root/tests/e2e/wine_dpi_e2e.py" --program "$live_build/tickwell-demo.exe" \
  --shots "$root/build/e2e-shots"
# The warnings' balloons counted in Wine's notification area, the icon's
# temperature, the icon back after a stand-in Explorer's TaskbarCreated, a
# click on the icon or a balloon bringing the ticker to the front, no icon
# left after the close, no balloon after a restart (stops the prefix's
# wineserver: keep it last).
python3 "$root/tests/e2e/wine_notifications_e2e.py" --program "$live_build/tickwell.exe" \
  --fake "$fake" --make-cert "$root/tools/nws_fake/make_test_cert.sh" \
  --shell-standin "$live_build/tests/tickwell-shell-standin.exe" \
  --post-message "$live_build/tests/tickwell-post-message.exe" \
  --shot "$root/build/e2e-shots/notifications-windows.png"
