// The fake's answers for the services outside the US: the aviation
// weather API's METARs (/api/data/metar?ids=...&format=json) and MET
// Norway's locationforecast (/weatherapi/locationforecast/2.0/compact), in
// their real shapes, with values easy to tell apart on the readouts.
#pragma once

#include <cstdint>
#include <string>

namespace tickwell::tools::nws {

// The readings every fake METAR carries: 14 C, dew point 9 C, 1021 hPa,
// wind from 250 degrees at 12 knots, gusting 22, broken clouds.
constexpr double kFakeMetarTemperatureC = 14;
constexpr double kFakeMetarDewPointC = 9;
constexpr double kFakeMetarHectopascals = 1021;

// One report for each id of the comma-separated `ids` (at most ten),
// taken 20 minutes before `now`; an id of "XXXX" gets none.
std::string MetarJson(const std::string& ids, std::int64_t now);

// Nine days of forecast for the point: hourly for two days, then every
// six hours, from the hour of `now`.
std::string MetNorwayJson(double latitude, double longitude, std::int64_t now);

}  // namespace tickwell::tools::nws
