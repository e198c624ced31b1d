#!/usr/bin/env bash
# Builds the benchmarks in an optimised build of their own and runs them.
# The parse benchmark's "vs_memchr" counter is the parse time of both pages
# divided by one memchr pass over the same bytes (goal: at most 2).
#
# Usage: scripts/bench.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DTICKWELL_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tickwell_bench >/dev/null
"$build/bench/tickwell_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_min_time=0.2 "$@"
