#!/usr/bin/env bash
# Builds the fuzz targets with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer: the two page parsers, and the readers of the
# weather service's JSON with the pages the live source builds from it.
# Seeds their corpora and runs them side by side for a bounded time. Fails on any crash, leak, sanitizer report or
# broken invariant; the input that caused it is left in build/fuzz/crashes/
# and belongs in fuzz/regressions/ once the fault is fixed.
#
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
out=$root/build/fuzz
cxx=${CXX_FUZZ:-clang++-14}

# The parsers with what they need (the weather state and the platform's
# mutex), and the display and software canvas to draw what they store.
sources=(app/weather_state.cpp app/window_handle.cpp fetch/forecast_parser.cpp
  fetch/roundup_parser.cpp display/*.cpp tests/raster/*.cpp platform/linux/system/threads.cpp)
# The live source's JSON readers and page builders (not its network parts).
live_sources=(live/observation.cpp live/station.cpp live/alerts.cpp live/forecast_page.cpp
  live/roundup_page.cpp live/now_line.cpp live/time_text.cpp live/page_text.cpp
  live/humidity.cpp live/metar.cpp live/json_check.cpp live/answer_limits.cpp
  live/json_fields.cpp live/words.cpp live/alert_messages.cpp live/warning_watch.cpp
  live/units.cpp live/nearby_stations.cpp places/distance.cpp
  live/world_metar.cpp live/world_forecast.cpp)
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -I"$root"
  -fsanitize=address,undefined -fno-sanitize-recover=all)

mkdir -p "$out/obj" "$out/crashes"
objects=()
live_objects=()
for s in "${sources[@]}" "${live_sources[@]}"; do
  o=$out/obj/$(echo "$s" | tr / _).o
  # Coverage guides the fuzzer through the program's own logic; the software
  # canvas and the threads only serve it, so they are built without.
  case $s in
    platform/* | tests/*) extra=(-O2) ;;
    *) extra=(-fsanitize=fuzzer-no-link) ;;
  esac
  "$cxx" "${flags[@]}" "${extra[@]}" -c "$s" -o "$o"
  case $s in
    live/*) live_objects+=("$o") ;;
    *) objects+=("$o") ;;
  esac
done

targets=(forecast roundup live_json)
for t in "${targets[@]}"; do
  "$cxx" "${flags[@]}" -fsanitize=fuzzer "fuzz/${t}_fuzzer.cpp" "${objects[@]}" \
    "${live_objects[@]}" -lpthread -o "$out/${t}_fuzzer"
done

# Seeds: the stand-in server's sample pages, the hand-made edge inputs, and
# every input that once found a fault. The working corpus keeps what earlier
# runs learnt.
seed() {
  local target=$1 page=$2 corpus=$out/corpus/$1
  mkdir -p "$corpus"
  cp -f fuzz/seeds/"$target"/* "$corpus"/ 2>/dev/null || true
  cp -f fuzz/regressions/* "$corpus"/ 2>/dev/null || true
  if [ -f "tools/weather_server/pages/$page" ]; then
    cp -f "tools/weather_server/pages/$page" "$corpus/sample-$page"
  fi
}
seed forecast forecast.html
seed roundup roundup.html
mkdir -p "$out/corpus/live_json"
cp -f fuzz/seeds/live/* "$out/corpus/live_json"/

status=0
pids=()
for t in "${targets[@]}"; do
  (
    cd "$out"
    # Inputs up to a little over the page buffer, so the cut at 16383
    # bytes is exercised too. -rss_limit_mb stays below the machine's
    # share of memory for the fuzzers running at once.
    "./${t}_fuzzer" "corpus/$t" -dict="$root/fuzz/${t%_json}.dict" -max_len=17000 \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 \
      -artifact_prefix="crashes/$t-" >"$t.log" 2>&1
  ) &
  pids+=($!)
done
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$out/$t.log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz $t: ${seconds}s, $runs inputs, no finding"
  else
    status=1
    echo "fuzz $t: FAILED (log: $out/$t.log)"
    grep -E 'ERROR|SUMMARY|Test unit written' "$out/$t.log" | head -20 || true
  fi
done
exit $status
