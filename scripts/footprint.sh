#!/usr/bin/env bash
# Measures the Linux program's footprint beside xclock and two Debian desktop
# weather programs, under Xvfb, in one run.
#
# Programs:
#   tickwell        the live source against the local HTTPS fake
#                   (tickwell-nws-fake) when the tree has it; otherwise the
#                   classic program against tickwell-weather-server
#   tickwell-demo   with its embedded stand-in server
#   xclock          xclock -digital -update 1
#   wmweather       wmweather -s KDEN, fetching its weather report over
#                   HTTPS as it does every time: its fixed address goes
#                   through a loopback CONNECT proxy (--proxy) to the local
#                   fake, so it loads its trust store and makes the TLS
#                   handshake, then refuses the fake's certificate, which is
#                   not one of the system's (classic runs: the closed port)
#   wmweather-offline  wmweather -s KDEN pointed at a closed loopback port:
#                   it never gets as far as TLS
#   wmweather+      wmweather+ -s KDEN
# All with default settings and a home folder of their own. This machine
# has no route to the weather services, and wmweather+ is pointed at a
# closed loopback port besides (its -*-uri options), so no program reaches
# the internet.
#
# Two phases, REPS repetitions each (default 3):
#   side by side  all five on one display at once
#   alone         each of ALONE (default "tickwell wmweather
#                 wmweather-offline") by itself,
#                 the programs taking turns, since a process's PSS depends
#                 on what else maps the same libraries
# For each program and repetition: PSS and RSS (/proc/PID/smaps_rollup)
# SECONDS (default 60) after its start, CPU time per second from 5 s after
# the start to then (the scheduler's run time of all its threads,
# /proc/PID/task/*/schedstat), and the time from its start until its first
# window is mapped. Prints the raw figures, then a table of medians and
# ranges (min to max).
#
# Usage: scripts/footprint.sh [SECONDS] [REPS]
# Needs: scripts/install-deps.sh measure (xclock, wmweather, wmweather+).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
reps=${2:-3}
alone=${ALONE:-tickwell wmweather wmweather-offline}
warmup=5
port=${FOOTPRINT_PORT:-18095}
closed_port=1  # nothing listens on it
wmweather_proxy=127.0.0.1:$closed_port
build=$root/build/footprint
work=$(mktemp -d /tmp/tickwell-footprint-XXXXXX)
raw=$work/raw.tsv
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

for tool in xclock wmweather wmweather+ xdotool Xvfb; do
  command -v "$tool" >/dev/null || { echo "footprint: $tool is missing (scripts/install-deps.sh measure)" >&2; exit 1; }
done

# The live program and its HTTPS fake, when the tree has them.
source=classic
[ -f tools/nws_fake/make_test_cert.sh ] && source=live
targets=(tickwell tickwell-demo)
if [ $source = live ]; then targets+=(tickwell-nws-fake); else targets+=(tickwell-weather-server); fi
echo "footprint: building ${targets[*]} (RelWithDebInfo, $build)"
cmake -S . -B "$build" --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKWELL_TESTS=OFF \
  -DTICKWELL_SOURCE=$source -DTICKWELL_SERVER_HOST=127.0.0.1 -DTICKWELL_SERVER_PORT="$port" >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

display=:$((170 + $$ % 60))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp -noreset >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY=$display

# The weather server the real program talks to.
tickwell_env=()
if [ $source = live ]; then
  bash tools/nws_fake/make_test_cert.sh "$work/certs" >/dev/null 2>&1
  "$build/tools/tickwell-nws-fake" --port 0 --cert "$work/certs/server.pem" \
    --key "$work/certs/server.key" >"$work/fake.out" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 50); do grep -q '^port ' "$work/fake.out" 2>/dev/null && break; sleep 0.1; done
  fake_port=$(awk '/^port /{print $2; exit}' "$work/fake.out")
  tickwell_env=(TICKWELL_API_BASE="https://127.0.0.1:$fake_port" TICKWELL_CA_FILE="$work/certs/ca.pem")
  proxy_port=$((port + 1))
  python3 tests/e2e/connect_proxy.py "$proxy_port" "$work/proxy.log" --to "$fake_port" >/dev/null &
  pids+=($!)
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$proxy_port") 2>/dev/null && break; sleep 0.1; done
  wmweather_proxy=127.0.0.1:$proxy_port
else
  "$build/tools/tickwell-weather-server" --host 127.0.0.1 --port "$port" >/dev/null 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break; sleep 0.1; done
fi

# name: command and the title of its window (an extended regular expression).
declare -A title=([tickwell]='^Tickwell$' [tickwell-demo]='^Tickwell$' [xclock]='^xclock$'
  [wmweather]='^wmweather$' [wmweather-offline]='^wmweather$' [wmweather+]='^wmweather\+$')
# Runs in a background subshell, which becomes the program (exec), so that
# its PID is the program's.
# Each program has a place of its own on the screen, none covering another
# (wmweather+ takes no position and sits at the top left).
launch() {  # name home
  local home=$2
  mkdir -p "$home/Quillfen/Tickwell"
  case $1 in
    tickwell) printf 'WinX=100\nWinY=0\n' >"$home/Quillfen/Tickwell/settings"
      exec env HOME="$home" XDG_CONFIG_HOME="$home" "${tickwell_env[@]}" \
      "$build/platform/linux/tickwell" ;;
    tickwell-demo) printf 'WinX=100\nWinY=100\n' >"$home/Quillfen/Tickwell/settings"
      exec env HOME="$home" XDG_CONFIG_HOME="$home" "$build/platform/linux/tickwell-demo" ;;
    xclock) exec env HOME="$home" xclock -digital -update 1 -geometry +400+300 ;;
    wmweather) exec env HOME="$home" wmweather -s KDEN --proxy="$wmweather_proxy" \
      --geometry=+300+0 ;;
    wmweather-offline) exec env HOME="$home" wmweather -s KDEN --proxy=127.0.0.1:$closed_port \
      --geometry=+300+0 ;;
    wmweather+)
      local uri=http://127.0.0.1:$closed_port/%s
      exec env HOME="$home" wmweather+ -s KDEN -metar-uri "$uri" -avn-uri "$uri" -eta-uri "$uri" \
        -mrf-uri "$uri" -warning-uri "$uri" ;;
  esac
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }
windows() { { xdotool search --onlyvisible --name "${title[$1]}" 2>/dev/null || true; } | sort; }
# CPU time in microseconds, summed over the process's threads: the
# scheduler's own count, exact where utime and stime come in 10 ms ticks.
cpu_us() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ns += $1} END {printf "%d", ns / 1000}'; }

# Starts a program and waits (up to 15 s) for a window of its title that was
# not there before; sets started_pid, started_ms and map_ms.
start() {  # name home
  local before
  before=$(windows "$1")
  started_ms=$(now_ms)
  launch "$1" "$2" >/dev/null 2>&1 &
  started_pid=$!
  pids+=("$started_pid")
  map_ms=NA
  for _ in $(seq 750); do
    if [ -n "$(comm -13 <(echo "$before") <(windows "$1"))" ]; then
      map_ms=$(($(now_ms) - started_ms))
      break
    fi
    sleep 0.02
  done
}

# Measures programs started together: NAMES... ; appends to the raw file.
measure() {  # phase rep names...
  local phase=$1 rep=$2
  shift 2
  local -A pid start_ms map cpu0
  local name
  for name in "$@"; do
    start "$name" "$work/home/$phase-$rep-$name"
    pid[$name]=$started_pid
    start_ms[$name]=$started_ms
    map[$name]=$map_ms
  done
  local first=${start_ms[$1]} settle
  settle=$(((first + warmup * 1000 - $(now_ms)) / 1000 + 1))
  [ "$settle" -gt 0 ] && sleep "$settle"
  for name in "$@"; do cpu0[$name]=$(cpu_us "${pid[$name]}"); done
  local span_start
  span_start=$(now_ms)
  for name in "$@"; do
    # Wait until this program has run SECONDS, then read it.
    local due=$((${start_ms[$name]} + seconds * 1000)) wait_ms
    wait_ms=$((due - $(now_ms)))
    [ $wait_ms -gt 0 ] && sleep "$(awk -v m=$wait_ms 'BEGIN{printf "%.3f", m / 1000}')"
    if ! kill -0 "${pid[$name]}" 2>/dev/null; then
      echo "footprint: $name ended early" >&2
      exit 1
    fi
    local used_us span_ms
    used_us=$(($(cpu_us "${pid[$name]}") - ${cpu0[$name]}))
    span_ms=$(($(now_ms) - span_start))
    awk -v phase="$phase" -v rep="$rep" -v name="$name" -v map="${map[$name]}" \
      -v used="$used_us" -v span="$span_ms" '
      /^Pss:/ { pss = $2 } /^Rss:/ { rss = $2 }
      END { printf "%s\t%s\t%s\t%.2f\t%.2f\t%.2f\t%s\n", phase, rep, name, pss / 1024, rss / 1024,
                   used / 1000 / (span / 1000), map }' "/proc/${pid[$name]}/smaps_rollup" >>"$raw"
  done
  for name in "$@"; do kill "${pid[$name]}" 2>/dev/null || true; done
  for name in "$@"; do wait "${pid[$name]}" 2>/dev/null || true; done
  sleep 1
}

echo "footprint: $reps repetitions, ${seconds} s each, on $display; tickwell: $source source"
printf 'phase\trep\tprogram\tpss_mb\trss_mb\tcpu_ms_per_s\tmap_ms\n' >"$raw"
for rep in $(seq "$reps"); do
  echo "footprint: side by side, repetition $rep"
  measure side-by-side "$rep" tickwell tickwell-demo xclock wmweather wmweather+
  for name in $alone; do
    echo "footprint: $name alone, repetition $rep"
    measure alone "$rep" "$name"
  done
done

echo
cat "$raw"
echo
if [ -f "$work/proxy.log" ]; then
  echo "footprint: wmweather's tunnels to the fake: $(grep -c ' 200$' "$work/proxy.log" || true)"
  echo
fi
python3 - "$raw" "$seconds" <<'EOF'
import csv, statistics, sys
rows = list(csv.DictReader(open(sys.argv[1]), delimiter="\t"))
seconds = sys.argv[2]
def cell(values, digits):
    values = sorted(float(v) for v in values if v != "NA")
    if not values:
        return "n/a"
    f = f"{{:.{digits}f}}"
    return f"{f.format(statistics.median(values))} ({f.format(values[0])} to {f.format(values[-1])})"
print(f"| phase | program | PSS at {seconds} s, MB | RSS at {seconds} s, MB | CPU, ms per s | first window mapped, ms |")
print("|---|---|---|---|---|---|")
seen = []
for row in rows:
    key = (row["phase"], row["program"])
    if key not in seen:
        seen.append(key)
medians = {}
for phase, program in seen:
    group = [r for r in rows if (r["phase"], r["program"]) == (phase, program)]
    medians[(phase, program)] = statistics.median(float(r["pss_mb"]) for r in group)
    print(f"| {phase} | {program} | {cell([r['pss_mb'] for r in group], 2)} | "
          f"{cell([r['rss_mb'] for r in group], 2)} | {cell([r['cpu_ms_per_s'] for r in group], 2)} | "
          f"{cell([r['map_ms'] for r in group], 0)} |")
print()
for phase in ("alone", "side-by-side"):
    for peer in ("wmweather", "wmweather-offline"):
        if (phase, "tickwell") in medians and (phase, peer) in medians:
            ratio = medians[(phase, "tickwell")] / medians[(phase, peer)]
            print(f"{phase}: PSS of tickwell / PSS of {peer} (medians) = {ratio:.2f} (goal: at most 1.30)")
EOF
