// The roundup page the roundup parser reads, made from one observation: the
// legacy table's header line and one row in its columns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "live/observation.h"
#include "live/units.h"

namespace tickwell::live {

// The row name the roundup parser looks for; the chosen station's row
// carries it, whatever the station.
constexpr std::string_view kRoundupRowName = "DENVER INTL AP";

// Conversions into the table's units, rounded half away from zero.
int FahrenheitFromCelsius(double celsius);
int RoundedPercent(double percent);
std::string InchesOfMercury(double pascals);  // two decimals
// The wind in whole units of `unit`, as both pages give it: a speed of 0 is
// calm (under 1 of the unit, gusts or not); a gust only when one of 1 or
// more was measured. Nothing without a wind speed.
struct WindMph {
    long speed = 0;
    std::optional<long> gust;
};
std::optional<WindMph> WindInUnit(const Observation& observation, WindUnit unit);
std::optional<WindMph> WindInMph(const Observation& observation);
// "NW13G22", "CALM", "VRB5" in `unit`; "N/A" without a wind speed.
std::string WindText(const Observation& observation, WindUnit unit = WindUnit::MilesPerHour);
// The description as one word of capitals ("MOCLDY", "LGTRAIN"); "N/A" when
// it is empty.
std::string SkyWord(std::string_view description);

// The table row for `observation` (which has all four readings), labelled
// with kRoundupRowName: temperature, dew point, wind and pressure in
// `units`, so the readouts show what the parser reads as it is.
std::string RoundupRow(const Observation& observation, const Units& units = {});

// The whole page: header and, when there is a current observation, its row
// with the station's id (letters and digits only) as its remark. The
// station's name is left out: a name that reads like the row label would be
// taken for the row.
std::string BuildRoundupPage(const std::optional<Observation>& current, std::string_view stationId,
                             const Units& units = {});

}  // namespace tickwell::live
