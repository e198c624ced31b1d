// The forecast page the forecast parser reads, made from the periods of a
// gridpoint or zone forecast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "live/time_text.h"

namespace tickwell::live {

struct ForecastPeriod {
    std::string name;  // "Tonight", "Monday Night"
    std::string text;  // detailedForecast, mixed case
    // startTime and endTime, in the station's local offset; not every
    // forecast has them.
    std::optional<TimeStamp> start;
    std::optional<TimeStamp> end = std::nullopt;
};

// The longest page made: under the 16383 bytes the fetch job takes in
// whole (its buffer less the terminator).
constexpr std::size_t kMaxPageBytes = 16382;
// A longer text of one period is cut at a word, so one period can never
// push all the others off the page.
constexpr std::size_t kMaxPeriodTextBytes = 1500;

// properties.periods[] with a name and a detailedForecast, in order; the
// others are skipped.
std::vector<ForecastPeriod> ParsePeriods(const nlohmann::json& forecast);

// `periods` less those whose end is at or before `now`; a period without an
// end stays.
std::vector<ForecastPeriod> WithoutEnded(std::vector<ForecastPeriod> periods, std::int64_t now);

// ".NAME...TEXT" in capitals on one line.
std::string PeriodLine(const ForecastPeriod& period);

// The page: a heading with the page's first capital "FORECAST", a line
// naming the station, then `leadLines` and one line per period, each
// starting with ".", then "</pre>". Whole periods are dropped from the end
// until the page is at most kMaxPageBytes long.
std::string BuildForecastPage(std::string_view stationLine,
                              const std::vector<std::string>& leadLines,
                              const std::vector<ForecastPeriod>& periods);

}  // namespace tickwell::live
