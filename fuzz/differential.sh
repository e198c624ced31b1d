#!/usr/bin/env bash
# Builds the differential fuzz target (the program's page parsers against
# the plain reference versions in fuzz/reference_parsers.cpp) with
# libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, and runs it.
# Any difference in a result, a position or a DataMutex hold stops it and
# leaves the input in build/fuzz-diff/crashes/.
#
# Usage: fuzz/differential.sh [seconds]   (default 120; FUZZ_DIFF_OUT sets
# the build folder, build/fuzz-diff by default)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-120}
out=${FUZZ_DIFF_OUT:-$root/build/fuzz-diff}
cxx=${CXX_FUZZ:-clang++-14}
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -I"$root"
  -fsanitize=address,undefined -fno-sanitize-recover=all -fsanitize=fuzzer)

mkdir -p "$out/corpus" "$out/crashes"
"$cxx" "${flags[@]}" fuzz/parsers_diff_fuzzer.cpp fuzz/reference_parsers.cpp \
  app/weather_state.cpp fetch/forecast_parser.cpp fetch/roundup_parser.cpp \
  -o "$out/parsers_diff_fuzzer"

# One corpus and one dictionary for both parsers: every input runs through
# both of them.
for f in fuzz/seeds/*/* fuzz/regressions/* tools/weather_server/pages/*.html; do
  case $f in *.md) continue ;; esac
  cp -f "$f" "$out/corpus/$(echo "$f" | tr / _)"
done
cat fuzz/forecast.dict fuzz/roundup.dict >"$out/both.dict"

cd "$out"
./parsers_diff_fuzzer corpus -dict=both.dict -max_len=17000 -max_total_time="$seconds" \
  -timeout=10 -rss_limit_mb=1024 -print_final_stats=1 -artifact_prefix=crashes/diff- \
  >diff.log 2>&1 || { grep -E 'ERROR|SUMMARY|Test unit written' diff.log | head -20; exit 1; }
runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' diff.log | grep -o '[0-9]*$' || echo '?')
echo "differential fuzz: ${seconds}s, $runs inputs, no difference"
