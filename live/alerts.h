// Active weather alerts (watches, warnings, advisories) for the station's
// place, as period lines at the head of the forecast.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "live/time_text.h"

namespace tickwell::live {

// More would crowd the ticker.
constexpr std::size_t kMaxAlerts = 5;

struct Alert {
    std::string event;  // "Winter Storm Warning"
    // 0 Extreme, 1 Severe, 2 Moderate, 3 anything else.
    int severityRank = 3;
    std::optional<TimeStamp> onset;
    // `ends`, or `expires` when the alert gives no end.
    std::optional<TimeStamp> until;
};

// The alerts of an /alerts/active FeatureCollection still in force at
// `now`, most severe first, then by onset (earliest first), at most
// kMaxAlerts of them.
std::vector<Alert> ParseAlerts(const nlohmann::json& collection, std::int64_t now);

// ".WINTER STORM WARNING...UNTIL 6 PM MONDAY." in the offset the alert's own
// time carries; "...IN EFFECT." without one.
std::string AlertLine(const Alert& alert);

// "6 PM MONDAY", "6:30 AM SUNDAY".
std::string HourAndDay(const TimeStamp& time);
// "3:53 PM".
std::string ClockTime(const TimeStamp& time);

}  // namespace tickwell::live
