// The forecast outside the US: MET Norway's locationforecast 2.0
// ("compact" or "complete") for a point, written as the ticker's periods:
// "Tonight", then "Monday", "Monday Night", ... for seven days, each day
// from 06:00 to 18:00 and each night from 18:00 to 06:00 in the place's
// time zone, with the sky and precipitation in words, the high or the low,
// the wind and the precipitation amount, in the user's units.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/forecast_page.h"
#include "live/units.h"

namespace tickwell::live {

// Seconds east of UTC the place keeps at a UTC instant (Unix seconds).
using ZoneOffset = std::function<int(std::int64_t utc)>;

constexpr int kForecastDays = 7;

// The credit MET Norway asks for, shown with its forecasts.
constexpr std::string_view kMetNorwayCredit = "Weather forecast from MET Norway";

// The periods from `now` on: the one `now` falls in first ("Today",
// "Tonight", or before 06:00 "Overnight"), then one after the other while the answer has
// temperatures for them, at most kForecastDays days ahead. Each carries its start and end. Nothing
// when the answer has no time series.
std::vector<ForecastPeriod> MetNorwayPeriods(const nlohmann::json& answer, std::int64_t now,
                                             const ZoneOffset& offset, const Units& units);

// A symbol_code in words ("lightrainshowers_day" is "Light rain showers";
// "clearsky_day" "Sunny", "clearsky_night" "Clear"); empty for a code
// this program does not know.
std::string SymbolWords(std::string_view symbolCode);

// The precipitation amount as the periods write it: millimetres, or
// inches where the user reads temperatures in Fahrenheit.
std::string PrecipitationText(double millimetres, const Units& units);

}  // namespace tickwell::live
