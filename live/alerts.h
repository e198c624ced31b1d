// Active weather alerts (watches, warnings, advisories) for the station's
// place, as period lines at the head of the forecast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/time_text.h"
#include "live/units.h"

namespace tickwell::live {

// More would crowd the ticker.
constexpr std::size_t kMaxAlerts = 5;

struct Alert {
    std::string event;  // "Winter Storm Warning"
    // 0 Extreme, 1 Severe, 2 Moderate, 3 anything else.
    int severityRank = 3;
    std::optional<TimeStamp> onset;
    // When the event ends (`ends`); many alerts give none.
    std::optional<TimeStamp> until;
    // When the message itself runs out (`expires`): an alert without an end
    // is left out from then on.
    std::optional<TimeStamp> expires;
};

// 0 for "Extreme", 1 "Severe", 2 "Moderate", 3 anything else.
int SeverityRank(std::string_view severity);

// The actual (not test, exercise or draft) alerts of an /alerts/active
// FeatureCollection still in force at `now`, most severe first, then by
// onset (earliest first), one for each line shown (the same event from
// several zones or offices is one line), at most kMaxAlerts of them.
std::vector<Alert> ParseAlerts(const nlohmann::json& collection, std::int64_t now);

// ".WINTER STORM WARNING...UNTIL 6 PM MONDAY." in the offset the alert's own
// time carries ("UNTIL 18:00 MONDAY" on the 24-hour clock); "...IN
// EFFECT." without an end.
std::string AlertLine(const Alert& alert, ClockStyle clock = ClockStyle::TwelveHour);

// "6 PM MONDAY", "6:30 AM SUNDAY", "NOON MONDAY", and for 00:00 the night
// that ends then, as the service words it: "MIDNIGHT TUESDAY NIGHT" for the
// start of Wednesday. On the 24-hour clock always the time and its day:
// "18:00 MONDAY", "12:00 MONDAY", "00:00 WEDNESDAY".
std::string HourAndDay(const TimeStamp& time, ClockStyle clock = ClockStyle::TwelveHour);
// "3:53 PM", or "15:53" on the 24-hour clock.
std::string ClockTime(const TimeStamp& time, ClockStyle clock = ClockStyle::TwelveHour);

}  // namespace tickwell::live
