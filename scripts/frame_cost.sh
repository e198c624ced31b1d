#!/usr/bin/env bash
# Counts the instructions a ticker frame of tickwell-demo costs in the
# program itself (user space, libraries included), beside those of an
# update of `xclock -digital -update 1`, both under callgrind on one Xvfb
# display in one run. Instruction counts do not depend on the machine's
# load or clock speed, where CPU times on a shared machine vary by a third
# from run to run; the kernel's share (waking up, writing to the X server)
# is left out, and is about the same per wake-up for both programs.
#
# Both programs run WARMUP seconds (default 8) first, so start-up is left
# out; their counts are then zeroed and read SECONDS later (default 20).
# The ticker steps four times a second, xclock updates once.
#
# Usage: scripts/frame_cost.sh [SECONDS] [WARMUP]
# Needs: valgrind, xclock (scripts/install-deps.sh measure).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
warmup=${2:-8}
build=$(pwd)/build/footprint
work=$(mktemp -d /tmp/tickwell-frame-cost-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for tool in valgrind callgrind_control callgrind_annotate xclock Xvfb; do
  command -v "$tool" >/dev/null || { echo "frame_cost: $tool is missing" >&2; exit 1; }
done
echo "frame_cost: building tickwell-demo (RelWithDebInfo, $build)"
cmake -S . -B "$build" --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTICKWELL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tickwell-demo >/dev/null

display=:$((240 + $$ % 50))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

mkdir -p "$work/home/Quillfen/Tickwell"
cd "$work"
env DISPLAY="$display" HOME="$work/home" XDG_CONFIG_HOME="$work/home" \
  valgrind --tool=callgrind --callgrind-out-file="$work/tickwell.out" \
  "$build/platform/linux/tickwell-demo" >/dev/null 2>&1 &
tickwell=$!
pids+=("$tickwell")
env DISPLAY="$display" valgrind --tool=callgrind --callgrind-out-file="$work/xclock.out" \
  xclock -digital -update 1 >/dev/null 2>&1 &
xclock=$!
pids+=("$xclock")
sleep "$warmup"
callgrind_control -z "$tickwell" >/dev/null 2>&1
callgrind_control -z "$xclock" >/dev/null 2>&1
sleep "$seconds"
callgrind_control -d "$tickwell" >/dev/null 2>&1
callgrind_control -d "$xclock" >/dev/null 2>&1
sleep 1

total() { callgrind_annotate "$1" 2>/dev/null | awk '/PROGRAM TOTALS/ {gsub(",", "", $1); print $1}'; }
ticker=$(total "$(ls "$work"/tickwell.out.* | head -n 1)")
clock=$(total "$(ls "$work"/xclock.out.* | head -n 1)")
awk -v t="$ticker" -v c="$clock" -v s="$seconds" 'BEGIN {
  printf "tickwell-demo: %d instructions in %d s, %.0f per ticker frame (4 a second)\n", t, s, t / (4 * s)
  printf "xclock:        %d instructions in %d s, %.0f per update (1 a second)\n", c, s, c / s
  printf "a frame costs %.2f times an update\n", (t / (4 * s)) / (c / s)
}'
