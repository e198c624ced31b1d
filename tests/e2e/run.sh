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
# The Location dialog of the live program, against a fake of its own.
python3 "$root/tests/e2e/location_e2e.py" --build "$live_build" --port "$((port + 20))" \
  --shot "$root/build/e2e-shots/location-linux.png" \
  ${TICKWELL_E2E_LOCATION_DISPLAY:+--display "$TICKWELL_E2E_LOCATION_DISPLAY"}

# A station outside the US: the METAR and MET Norway's forecast from the
# same fake.
python3 "$root/tests/e2e/world_e2e.py" --build "$live_build" --port "$((port + 40))" \
  ${TICKWELL_E2E_WORLD_DISPLAY:+--display "$TICKWELL_E2E_WORLD_DISPLAY"}

# A start at login before the network is up: the autostart entry's command
# in a network namespace whose route comes later (needs root; skipped without).
python3 "$root/tests/e2e/login_network_e2e.py" --build "$live_build"
