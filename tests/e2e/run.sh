#!/usr/bin/env bash
# Builds a tree whose programs talk to the stand-in weather server on
# 127.0.0.1:18080 (the classic source) and runs the end-to-end scenarios
# under Xvfb; then the live program against the HTTPS fake of the weather
# service.
# Usage: tests/e2e/run.sh [tickwell_e2e.py options...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${TICKWELL_E2E_BUILD:-$root/build/e2e}
port=${TICKWELL_E2E_PORT:-18080}

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTICKWELL_SERVER_HOST=127.0.0.1 -DTICKWELL_SERVER_PORT="$port" -DTICKWELL_SOURCE=classic >/dev/null
cmake --build "$build" -j2 --target tickwell tickwell-weather-server tickwell-canvas-check >/dev/null

python3 "$root/tests/e2e/tickwell_e2e.py" --build "$build" --port "$port" "$@"
python3 "$root/tests/e2e/faults_network.py" --build "$build" --port "$port"

# The live program (the default build) against the HTTPS fake of the
# weather service, on ports of its own (the Windows runs use the next one).
live_build=${TICKWELL_E2E_LIVE_BUILD:-$root/build/linux}
[ -f "$live_build/CMakeCache.txt" ] || (cd "$root" && cmake --preset linux >/dev/null)
cmake --build "$live_build" -j2 --target tickwell tickwell-nws-fake >/dev/null
python3 "$root/tests/e2e/live_e2e.py" --build "$live_build" --port "$((port + 10))" \
  ${TICKWELL_E2E_LIVE_DISPLAY:+--display "$TICKWELL_E2E_LIVE_DISPLAY"}
# Closing the program during slow TLS handshakes: each close within 1 s.
python3 "$root/tests/e2e/close_stress_e2e.py" --build "$live_build" --closes 16 --parallel 8 \
  --servers handshake
# Hostile answers of the service (deep nesting, one-byte chunks, a year
# ahead): cheap refreshes, readings and memory come back; about 30 s.
python3 "$root/tests/e2e/hostile_e2e.py" --build "$live_build" --port "$((port + 30))" \
  ${TICKWELL_E2E_HOSTILE_DISPLAY:+--display "$TICKWELL_E2E_HOSTILE_DISPLAY"}
# Desktop notifications of warnings: a private session bus, dunst and
# dbus-monitor against the fake's storm steps; about 20 s.
python3 "$root/tests/e2e/notifications_e2e.py" --build "$live_build" --port "$((port + 40))" \
  --shot "$root/build/e2e-shots/notifications-linux.png" \
  ${TICKWELL_E2E_NOTIFICATIONS_DISPLAY:+--display "$TICKWELL_E2E_NOTIFICATIONS_DISPLAY"}
# A silent chosen station (observations 3 h old, none, or unknown to the
# service): the nearest reporting station's readings, named on the NOW
# line, and the requests a refresh costs; about 20 s.
python3 "$root/tests/e2e/nearby_e2e.py" --build "$live_build" --port "$((port + 60))" \
  ${TICKWELL_E2E_NEARBY_DISPLAY:+--display "$TICKWELL_E2E_NEARBY_DISPLAY"}
# The Location dialog of the live program, against a fake of its own.
python3 "$root/tests/e2e/location_e2e.py" --build "$live_build" --port "$((port + 20))" \
  --shot "$root/build/e2e-shots/location-linux.png" \
  ${TICKWELL_E2E_LOCATION_DISPLAY:+--display "$TICKWELL_E2E_LOCATION_DISPLAY"}
# The user's units from the settings file, the locale (LC_ALL) and the
# Units dialog, against a fake of their own; about 15 s.
python3 "$root/tests/e2e/units_e2e.py" --build "$live_build" --port "$((port + 50))" \
  --shots "$root/build/e2e-shots" \
  ${TICKWELL_E2E_UNITS_DISPLAY:+--display "$TICKWELL_E2E_UNITS_DISPLAY"}

# Refreshes on waking from sleep (a stand-in of logind on a private bus) and
# when the network comes back (a namespace's route; needs root, skipped
# without), with the refresh interval at an hour; about 30 s.
python3 "$root/tests/e2e/wake_network_e2e.py" --build "$live_build" --port "$((port + 40))" \
  ${TICKWELL_E2E_WAKE_DISPLAY:+--display "$TICKWELL_E2E_WAKE_DISPLAY"}

# A station outside the US: the METAR and MET Norway's forecast from the
# same fake.
python3 "$root/tests/e2e/world_e2e.py" --build "$live_build" --port "$((port + 40))" \
  ${TICKWELL_E2E_WORLD_DISPLAY:+--display "$TICKWELL_E2E_WORLD_DISPLAY"}

# A start at login before the network is up: the autostart entry's command
# in a network namespace whose route comes later (needs root; skipped without).
python3 "$root/tests/e2e/login_network_e2e.py" --build "$live_build"
