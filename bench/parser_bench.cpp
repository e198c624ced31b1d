// Parsing both full-size pages, against a plain memchr pass over the same
// bytes. The goal is a parse within twice the memchr pass; the ratio is
// printed as the counter "vs_memchr" of the parse benchmark.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>

#include "app/weather_state.h"
#include "bench/bench_pages.h"
#include "fetch/forecast_parser.h"
#include "fetch/roundup_parser.h"

namespace tickwell::bench {
namespace {

bool PagesReady(benchmark::State& state) {
    if (FullSizeForecastPage().empty() || FullSizeRoundupPage().empty()) {
        state.SkipWithError("sample pages not found in " TICKWELL_PAGES_DIR);
        return false;
    }
    AllocateWeatherBuffers();
    return true;
}

// Looks for a byte that no page holds, so the whole of both pages is read.
void ScanBoth(const std::string& forecast, const std::string& roundup) {
    benchmark::DoNotOptimize(std::memchr(forecast.data(), '\x01', forecast.size() + 1));
    benchmark::DoNotOptimize(std::memchr(roundup.data(), '\x01', roundup.size() + 1));
}

void ParseBoth(const std::string& forecast, const std::string& roundup) {
    benchmark::DoNotOptimize(ExtractForecast(forecast.c_str()));
    benchmark::DoNotOptimize(ParseRoundup(roundup.c_str()));
}

// Seconds per call of `work`, timed over enough calls to be stable.
template <typename Work>
double SecondsPerCall(Work work) {
    using Clock = std::chrono::steady_clock;
    constexpr int kCalls = 20000;
    const auto start = Clock::now();
    for (int i = 0; i < kCalls; ++i) work();
    return std::chrono::duration<double>(Clock::now() - start).count() / kCalls;
}

void BM_MemchrBothPages(benchmark::State& state) {
    if (!PagesReady(state)) return;
    const std::string& forecast = FullSizeForecastPage();
    const std::string& roundup = FullSizeRoundupPage();
    for (auto _ : state) ScanBoth(forecast, roundup);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(forecast.size() + roundup.size()));
}
BENCHMARK(BM_MemchrBothPages);

void BM_ParseBothPages(benchmark::State& state) {
    if (!PagesReady(state)) return;
    const std::string& forecast = FullSizeForecastPage();
    const std::string& roundup = FullSizeRoundupPage();
    if (!ExtractForecast(forecast.c_str()) || !ParseRoundup(roundup.c_str())) {
        state.SkipWithError("a sample page does not parse");
        return;
    }
    for (auto _ : state) ParseBoth(forecast, roundup);
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(forecast.size() + roundup.size()));
    // The ratio, measured side by side in the same process so that both
    // figures see the same caches and clock.
    const double memchrTime = SecondsPerCall([&] { ScanBoth(forecast, roundup); });
    const double parseTime = SecondsPerCall([&] { ParseBoth(forecast, roundup); });
    state.counters["vs_memchr"] = parseTime / memchrTime;
    state.counters["page_bytes"] = static_cast<double>(forecast.size() + roundup.size());
}
BENCHMARK(BM_ParseBothPages);

// What the parsers used to start with: the standard library's substring
// search for the two marks, and nothing else.
void BM_FindMarksOnly(benchmark::State& state) {
    if (!PagesReady(state)) return;
    const std::string& forecast = FullSizeForecastPage();
    const std::string& roundup = FullSizeRoundupPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::strstr(forecast.c_str(), "FORECAST"));
        benchmark::DoNotOptimize(std::strstr(roundup.c_str(), "DENVER INTL AP"));
    }
}
BENCHMARK(BM_FindMarksOnly);

// The least any parser of a NUL-terminated page of unknown length can do:
// one strchr pass that stops only at the terminator. The parsers find their
// marks this way, so this is their floor beside the memchr pass.
void BM_StrchrBothPages(benchmark::State& state) {
    if (!PagesReady(state)) return;
    const std::string& forecast = FullSizeForecastPage();
    const std::string& roundup = FullSizeRoundupPage();
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::strchr(forecast.c_str(), '\x01'));
        benchmark::DoNotOptimize(std::strchr(roundup.c_str(), '\x01'));
    }
}
BENCHMARK(BM_StrchrBothPages);

// The six holds of DataMutex that parsing both pages takes (two for the
// texts, four for the readings), empty: a cost the memchr pass does not
// carry.
void BM_SixDataMutexHolds(benchmark::State& state) {
    if (!PagesReady(state)) return;
    for (auto _ : state) {
        for (int hold = 0; hold < 6; ++hold) {
            DataMutexHold held;
            benchmark::ClobberMemory();
        }
    }
}
BENCHMARK(BM_SixDataMutexHolds);

void BM_ParseForecastPage(benchmark::State& state) {
    if (!PagesReady(state)) return;
    const std::string& forecast = FullSizeForecastPage();
    for (auto _ : state) benchmark::DoNotOptimize(ExtractForecast(forecast.c_str()));
}
BENCHMARK(BM_ParseForecastPage);

void BM_ParseRoundupPage(benchmark::State& state) {
    if (!PagesReady(state)) return;
    const std::string& roundup = FullSizeRoundupPage();
    for (auto _ : state) benchmark::DoNotOptimize(ParseRoundup(roundup.c_str()));
}
BENCHMARK(BM_ParseRoundupPage);

}  // namespace
}  // namespace tickwell::bench
