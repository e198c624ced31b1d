// The station search over the whole compiled-in table, for the queries a
// user types into the Location dialog, one keystroke at a time as well as
// whole. Goal: well under a millisecond a query. On Linux, also what the
// first searches add to the memory of the program (the table is read-only
// data of the executable, read in only when a search touches it).
#include <benchmark/benchmark.h>

#include <fstream>
#include <iterator>
#include <string>

#include "places/station_search.h"

#if defined(__linux__)
#include <unistd.h>
#endif

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
    "london",            // a city of several airports, abroad
    "sydney australia",  // a city and its country
};

#if defined(__linux__)
// The Pss, in kB, of this program's mappings of its own executable file.
double ExecutablePssKb() {
    char exe[4096] = {};
    if (readlink("/proc/self/exe", exe, sizeof exe - 1) <= 0) {
        return 0;
    }
    std::ifstream smaps("/proc/self/smaps");
    std::string line;
    bool ours = false;
    double kb = 0;
    while (std::getline(smaps, line)) {
        const std::size_t dash = line.find('-');
        if (dash != std::string::npos && dash < 17 && line.find(' ') > dash) {
            ours = line.size() >= std::string(exe).size() && line.ends_with(exe);
        } else if (ours && line.starts_with("Pss:")) {
            kb += std::stod(line.substr(4));
        }
    }
    return kb;
}

// Registered first, so that it runs before any other search: the
// executable's Pss before and after searching for every query above once.
void TableMemoryBench(benchmark::State& state) {
    for (auto _ : state) {
        const double before = ExecutablePssKb();
        for (const char* query : kQueries) {
            benchmark::DoNotOptimize(places::FindStations(query));
        }
        state.counters["added_kB"] = ExecutablePssKb() - before;
    }
}
BENCHMARK(TableMemoryBench)->Iterations(1);
#endif

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
