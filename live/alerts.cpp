#include "live/alerts.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

#include "live/json_fields.h"
#include "live/page_text.h"
#include "live/words.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

constexpr std::size_t kMaxEventBytes = 80;

// Whether `a` goes before `b`: more severe, then the earlier onset, an alert
// without an onset last.
bool Precedes(const Alert& a, const Alert& b) {
    if (a.severityRank != b.severityRank) {
        return a.severityRank < b.severityRank;
    }
    if (a.onset.has_value() != b.onset.has_value()) {
        return a.onset.has_value();
    }
    return a.onset && a.onset->unixSeconds < b.onset->unixSeconds;
}

// An alert is over once its end has passed, or, without an end, once its
// message has expired.
bool HasEnded(const Alert& alert, std::int64_t now) {
    if (alert.until) {
        return alert.until->unixSeconds <= now;
    }
    return alert.expires && alert.expires->unixSeconds <= now;
}

// Keeps the first of the alerts that would read as the same line (the same
// event with the same shown end, as when several zones or offices issue
// it), so the order stays the most severe first.
void DropRepeatedLines(std::vector<Alert>& alerts) {
    std::vector<std::string> seen;
    std::vector<Alert> kept;
    for (Alert& alert : alerts) {
        std::string line = AlertLine(alert);
        if (std::find(seen.begin(), seen.end(), line) == seen.end()) {
            seen.push_back(std::move(line));
            kept.push_back(std::move(alert));
        }
    }
    alerts = std::move(kept);
}

}  // namespace

int SeverityRank(std::string_view severity) {
    if (severity == "Extreme") return 0;
    if (severity == "Severe") return 1;
    if (severity == "Moderate") return 2;
    return 3;
}

std::vector<Alert> ParseAlerts(const json& collection, std::int64_t now) {
    std::vector<Alert> alerts;
    const json* features = ArrayField(collection, "features");
    if (features == nullptr) {
        return alerts;
    }
    for (const json& feature : *features) {
        const json* found = ObjectField(feature, "properties");
        if (found == nullptr) {
            continue;
        }
        const json& properties = *found;
        // Tests, exercises and drafts are not weather; the request asks for
        // actual alerts only, and this holds whatever the answer.
        if (StringField(properties, "status") != "Actual") {
            continue;
        }
        Alert alert;
        alert.event = StringField(properties, "event");
        if (PageLine(alert.event).empty()) {
            continue;
        }
        alert.severityRank = SeverityRank(StringField(properties, "severity"));
        alert.onset = TimeField(properties, "onset");
        if (!alert.onset) {
            alert.onset = TimeField(properties, "effective");
        }
        alert.until = TimeField(properties, "ends");
        alert.expires = TimeField(properties, "expires");
        if (HasEnded(alert, now)) {
            continue;
        }
        alerts.push_back(std::move(alert));
    }
    std::stable_sort(alerts.begin(), alerts.end(), Precedes);
    DropRepeatedLines(alerts);
    if (alerts.size() > kMaxAlerts) {
        alerts.resize(kMaxAlerts);
    }
    return alerts;
}

std::string ClockTime(const TimeStamp& time, ClockStyle clock) {
    const LocalTime local = ToLocalTime(time.unixSeconds, time.offsetMinutes);
    return ClockText(local.hour, local.minute, clock);
}

std::string HourAndDay(const TimeStamp& time, ClockStyle clock) {
    const LocalTime local = ToLocalTime(time.unixSeconds, time.offsetMinutes);
    if (clock == ClockStyle::TwentyFourHour) {
        return ClockTime(time, clock) + " " + std::string(DayName(local.weekday));
    }
    if (local.hour == 0 && local.minute == 0) {
        // The end of the day before: "MIDNIGHT WEDNESDAY" would read as the
        // end of Wednesday.
        return "MIDNIGHT " + std::string(DayName(local.weekday - 1)) + " NIGHT";
    }
    std::string text;
    if (local.hour == 12 && local.minute == 0) {
        text = "NOON";
    } else if (local.minute == 0) {
        text = std::to_string(local.hour % 12 == 0 ? 12 : local.hour % 12) +
               (local.hour < 12 ? " AM" : " PM");
    } else {
        text = ClockTime(time);
    }
    return text + " " + std::string(DayName(local.weekday));
}

std::string AlertLine(const Alert& alert, ClockStyle clock) {
    std::string line(".");
    line += CutAtWord(PageLine(alert.event), kMaxEventBytes);
    line += "...";
    if (alert.until) {
        line += "UNTIL ";
        line += HourAndDay(*alert.until, clock);
    } else {
        line += "IN EFFECT";
    }
    line += '.';
    return line;
}

}  // namespace tickwell::live
