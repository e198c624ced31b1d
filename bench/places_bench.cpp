// The station search over the whole compiled-in table, for the queries a
// user types into the Location dialog, one keystroke at a time as well as
// whole. Goal: well under a millisecond a query.
#include <benchmark/benchmark.h>

#include <iterator>

#include "places/station_search.h"

namespace tickwell::bench {
namespace {

constexpr const char* kQueries[] = {
    "b",           // one letter: nearly every row matches something
    "bos",         // a prefix, as typed
    "boston",      // a city with a station
    "golden, co",  // a town without one, with its state
    "san juan",    // two words
    "kden",        // an exact id
    "new york",    // a city, and a state of that name
    "xqzv",        // nothing
    "Boston, Massachusetts",
};

void FindStationsBench(benchmark::State& state) {
    const char* query = kQueries[state.range(0)];
    state.SetLabel(query);
    for (auto _ : state) {
        benchmark::DoNotOptimize(places::FindStations(query));
    }
}
BENCHMARK(FindStationsBench)->DenseRange(0, std::size(kQueries) - 1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tickwell::bench
