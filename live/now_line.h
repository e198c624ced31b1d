// The ".NOW..." line: the current weather in words at the head of today's
// text, from the same observation the readouts show, with its local time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/forecast_page.h"
#include "live/observation.h"
#include "live/time_text.h"
#include "live/units.h"

namespace tickwell::live {

// ".NOW...MOSTLY CLOUDY. 47 DEGREES. NORTHWEST WIND 15 MPH, GUSTS 25.
// OBSERVED 3:53 PM." for a current observation, with a sentence naming the
// readings it lacks ("NO DEW POINT OR HUMIDITY REPORTED."); without one,
// when the last observation was taken; empty when there never was one.
// Times are written at `offsetMinutes` from UTC, or in UTC (and say so) when
// that is unknown. Temperature, wind and times in `units` ("8 DEGREES
// CELSIUS.", "WIND 24 KM/H", "OBSERVED 15:53.").
std::string NowLine(const std::optional<Observation>& current,
                    const std::optional<Observation>& lastSeen,
                    const std::optional<int>& offsetMinutes, const Units& units = {});

// How the NOW line ends: "." for the chosen station's own observation; for
// one taken from another station " AT KBJC 4 MI AWAY.", or when only some
// readings are, ". PRESSURE AT KBJC 4 MI AWAY."; in kilometres ("6 KM
// AWAY.") where `units` give distances so.
std::string NearbySentence(const Observation& observation, const Units& units = {});

// "NO PRESSURE REPORTED.", "NO DEW POINT, HUMIDITY OR PRESSURE REPORTED.":
// which of the readings besides the temperature `observation` lacks; empty
// when it lacks none.
std::string MissingReadingsSentence(const Observation& observation);

// The words that tell a new user how to pick a place.
constexpr std::string_view kLocationHint = "RIGHT-CLICK TO CHOOSE YOUR LOCATION.";

// `nowLine` with the location hint at its end, or the hint as a NOW line of
// its own when there is no NOW line.
std::string WithLocationHint(const std::string& nowLine);

// The station's offset from UTC at `time`, from the offsets the service
// writes its local times with: the forecast period that started last at or
// before `time` (the first period when none did); nothing without periods
// that carry a time.
std::optional<int> OffsetAt(std::int64_t time, const std::vector<ForecastPeriod>& periods);

}  // namespace tickwell::live
