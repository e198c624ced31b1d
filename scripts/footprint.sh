#!/usr/bin/env bash
# Measures the Linux program's footprint beside xclock under Xvfb.
#
# Runs, side by side on one virtual display for SECONDS (default 60):
#   xclock -digital -update 1                      (one update a second)
#   tickwell-demo, default settings               (four ticker frames a second)
#   tickwell, against tickwell-weather-server --log, refreshing every 10 s
# and prints for each program its proportional set size (PSS, from
# /proc/PID/smaps_rollup, at the end), its CPU time over the measured span
# (utime + stime from /proc/PID/stat, after a 5 s warm-up) and the CPU time
# per redraw; then, from the weather server's log, the requests and TCP
# connections per refresh of the real program.
#
# Usage: scripts/footprint.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
warmup=5
port=${FOOTPRINT_PORT:-18095}
build=$root/build/footprint
work=$(mktemp -d /tmp/tickwell-footprint-XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKWELL_TESTS=OFF \
  -DTICKWELL_SERVER_HOST=127.0.0.1 -DTICKWELL_SERVER_PORT="$port" >/dev/null
cmake --build "$build" -j2 --target tickwell tickwell-demo tickwell-weather-server >/dev/null

display=:$((170 + $$ % 60))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

"$build/tools/tickwell-weather-server" --host 127.0.0.1 --port "$port" --log "$work/server.log" \
  >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done

# Each program gets a configuration folder of its own; the real program
# refreshes every 40 ticks (10 s) so that the log holds several refreshes.
mkdir -p "$work/demo" "$work/real/Quillfen/Tickwell"
printf 'Interval=40\nWinY=100\n' >"$work/real/Quillfen/Tickwell/settings"

xclock -digital -update 1 -geometry +400+300 >/dev/null 2>&1 &
xclock_pid=$!
pids+=($xclock_pid)
XDG_CONFIG_HOME=$work/demo HOME=$work/demo "$build/platform/linux/tickwell-demo" >/dev/null 2>&1 &
demo_pid=$!
pids+=($demo_pid)
XDG_CONFIG_HOME=$work/real HOME=$work/real "$build/platform/linux/tickwell" >/dev/null 2>&1 &
real_pid=$!
pids+=($real_pid)

# utime + stime in clock ticks (fields 14 and 15; the name in field 2 has
# no blanks here).
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
pss_kb() { awk '/^Pss:/ {print $2}' "/proc/$1/smaps_rollup"; }

sleep "$warmup"
for p in $xclock_pid $demo_pid $real_pid; do
  kill -0 "$p" 2>/dev/null || { echo "a program did not start (pid $p)"; exit 1; }
done
declare -A start
for p in $xclock_pid $demo_pid $real_pid; do start[$p]=$(cpu_ticks "$p"); done
sleep "$seconds"
hz=$(getconf CLK_TCK)

report() {  # name pid redraws-per-second
  local ticks=$(( $(cpu_ticks "$2") - ${start[$2]} ))
  local pss
  pss=$(pss_kb "$2")
  awk -v name="$1" -v pss="$pss" -v t="$ticks" -v hz="$hz" -v s="$seconds" -v r="$3" 'BEGIN {
    cpu = 1000 * t / hz
    printf "%-14s PSS %6.1f MB   CPU %7.0f ms in %d s   %5.3f ms per redraw (%d redraws)\n",
      name, pss / 1024, cpu, s, cpu / (r * s), r * s }'
}
echo "measured over ${seconds} s after a ${warmup} s warm-up, display $display"
report "xclock" $xclock_pid 1
report "tickwell-demo" $demo_pid 4
report "tickwell" $real_pid 4

# Where each program's PSS lies: the largest mappings, grouped by file
# (anonymous memory, heap and stack under their own names).
breakdown() {  # name pid
  printf '%s PSS by mapping (KB):' "$1"
  awk '
    /^[0-9a-f]+-[0-9a-f]+ / { file = (NF >= 6) ? $6 : "[anonymous]"; sub(/.*\//, "", file) }
    /^Pss:/ { pss[file] += $2 }
    END { for (f in pss) print pss[f], f }' "/proc/$2/smaps" |
    sort -nr | head -8 | awk '{ printf " %s %d,", $2, $1 } END { print "" }'
}
breakdown "xclock" $xclock_pid
breakdown "tickwell" $real_pid

# Requests and connections per refresh: every forecast request opens a
# refresh; the remote address:port names the TCP connection.
awk '
  $3 ~ /webfcst/ { n++ }
  n > 0 && ($3 ~ /webfcst/ || $3 ~ /showProduct/) {
    requests[n]++
    if (!((n, $2) in seen)) { seen[n, $2] = 1; connections[n]++ }
    if (!($2 in all)) { all[$2] = 1; total++ }
    if ($4 != "200") bad++
  }
  END {
    if (n == 0) { print "no refresh in the server log"; exit 1 }
    r = 0; c = 0
    for (i = 1; i <= n; i++) { r += requests[i]; c += connections[i] }
    printf "tickwell refreshes: %d   requests per refresh %.2f   connections per refresh %.2f   TCP connections in all %d   non-200 answers %d\n",
      n, r / n, c / n, total, bad + 0
  }' "$work/server.log"
