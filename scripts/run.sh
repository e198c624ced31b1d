#!/usr/bin/env bash
# Builds and starts the Tickwell demo: the ticker against the bundled
# sample weather pages, with no network and no set-up.
#
# Usage: scripts/run.sh [--windows] [--shot-only]
#   Installs missing packages (scripts/install-deps.sh linux, or windows),
#   builds the "linux" preset and starts tickwell-demo; with --windows it
#   builds the "win32" preset and starts tickwell-demo.exe under Wine (in the
#   prefix of scripts/wine-env.sh). With a DISPLAY the window opens there.
#   Without one the demo runs under Xvfb: once the first refresh has
#   arrived, a screenshot of the window is written to
#   build/linux/tickwell-screenshot.png (build/win32/... with --windows) and
#   its path printed; the demo then keeps running until Ctrl-C, or ends at
#   once with --shot-only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shot_only=0
windows=0
for argument in "$@"; do
  case $argument in
    --shot-only) shot_only=1 ;;
    --windows) windows=1 ;;
    *) echo "usage: scripts/run.sh [--windows] [--shot-only]" >&2; exit 2 ;;
  esac
done
if [ "$windows" = 1 ]; then
  preset=win32
  build=$root/build/win32
  demo=(wine "$build/tickwell-demo.exe")
  target=tickwell-demo
else
  preset=linux
  build=$root/build/linux
  demo=("$build/platform/linux/tickwell-demo")
  target=tickwell-demo
fi
shot=$build/tickwell-screenshot.png
deps=linux
[ "$windows" = 1 ] && deps=windows

if [ "$(id -u)" = 0 ]; then
  "$root/scripts/install-deps.sh" "$deps"
elif command -v sudo >/dev/null; then
  sudo "$root/scripts/install-deps.sh" "$deps"
else
  echo "run.sh: not root and no sudo; assuming the packages are installed" >&2
fi

cd "$root"
# The build's progress goes to the terminal, one line per step; the whole
# output to a log that is shown when the build fails.
log=$root/build/run-build.log
mkdir -p "$root/build"
echo "run.sh: configuring and building $target for $preset (about 35 s on a cold 2-core machine)"
set +e
{ cmake --preset "$preset" && cmake --build --preset "$preset" --target "$target"; } 2>&1 |
  tee "$log" | { grep --line-buffered -E '^\[ *[0-9]+%\]' | sed -u 's/^/  /' || true; }
status=${PIPESTATUS[0]}
set -e
if [ "$status" != 0 ]; then
  echo "run.sh: the build failed; the end of $log:" >&2
  tail -n 40 "$log" >&2
  exit 1
fi

if [ -n "${DISPLAY:-}" ]; then
  # shellcheck source=wine-env.sh
  [ "$windows" = 1 ] && source "$root/scripts/wine-env.sh"
  exec "${demo[@]}"
fi

# No display: a virtual one on a free number well above the usual ones.
number=150
while [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ]; do
  number=$((number + 1))
done
Xvfb ":$number" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
pids=("$xvfb")
# The demo goes first, so that it does not see its display vanish.
cleanup() {
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT INT TERM
export DISPLAY=":$number"
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$number" ] && break; sleep 0.1; done
if [ "$windows" = 1 ]; then
  # Wine's server and services, started here on this display when none
  # runs yet, are stopped again at the end (before the display goes).
  server_pid=$(cat "${TICKWELL_WINEPREFIX:-$root/build/wineprefix}.server.pid" 2>/dev/null || true)
  server_was_up=0
  [ -n "$server_pid" ] && grep -qs wineserver "/proc/$server_pid/cmdline" && server_was_up=1
  # shellcheck source=wine-env.sh
  source "$root/scripts/wine-env.sh"
  if [ "$server_was_up" = 0 ]; then
    cleanup() {
      for ((i = ${#pids[@]} - 1; i >= 1; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
      wineserver -k 2>/dev/null || true
      kill "${pids[0]}" 2>/dev/null || true
      wait 2>/dev/null || true
    }
  fi
fi

"${demo[@]}" &
pids+=("$!")
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Tickwell$' 2>/dev/null | head -1) && [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "run.sh: the Tickwell window did not appear" >&2; exit 1; }

# The first refresh has arrived when the ticker strip shows text; the clock
# is drawn two seconds after start. Give up waiting after 20 seconds.
started=$SECONDS
for _ in $(seq 80); do
  if [ $((SECONDS - started)) -ge 3 ] && import -window "$window" -depth 8 rgb:- 2>/dev/null |
      python3 -c '
import sys
data = sys.stdin.buffer.read()
strip = [data[(y * 200 + x) * 3:(y * 200 + x) * 3 + 3] for y in range(8, 19) for x in range(28, 195)]
sys.exit(0 if any(p != bytes((45, 45, 45)) for p in strip) else 1)'; then
    break
  fi
  sleep 0.25
done
import -window "$window" "$shot"
echo "Screenshot of the window: $shot"
if [ "$shot_only" = 1 ]; then
  exit 0
fi
echo "Tickwell runs on DISPLAY=:$number; press Ctrl-C to stop it."
wait "${pids[1]}"
