// The ".NOW..." line: the current weather in words at the head of today's
// text, from the same observation the readouts show, with its local time.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "live/forecast_page.h"
#include "live/observation.h"
#include "live/time_text.h"

namespace tickwell::live {

// ".NOW...MOSTLY CLOUDY. 47 DEGREES. NORTHWEST WIND 15 MPH, GUSTS 25.
// OBSERVED 3:53 PM." for a current observation; without one, when the last
// observation was taken; empty when there never was one. Times are written
// at `offsetMinutes` from UTC, or in UTC (and say so) when that is unknown.
std::string NowLine(const std::optional<Observation>& current,
                    const std::optional<Observation>& lastSeen,
                    const std::optional<int>& offsetMinutes);

// The station's offset from UTC at `time`, from the offsets the service
// writes its local times with: the forecast period that started last at or
// before `time` (the first period when none did); nothing without periods
// that carry a time.
std::optional<int> OffsetAt(std::int64_t time, const std::vector<ForecastPeriod>& periods);

}  // namespace tickwell::live
