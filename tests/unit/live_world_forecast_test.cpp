// MET Norway's forecasts as the ticker's periods, on real recorded answers
// kept outside this project (../shared/reference/world/metno; see its
// SOURCES.md). The periods expected are worked out here from each
// recording: the windows from 06:00 and 18:00 local time, the highs and
// lows from the instants in them. Then the names and bounds across the
// daylight-saving changes of both hemispheres, with the system's zones.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "live/time_text.h"
#include "live/world_forecast.h"
#include "platform/time_zone.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

const std::string kFolder = TICKWELL_SOURCE_DIR "/../shared/reference/world/metno";
constexpr std::int64_t kHour = 3600;

std::optional<json> ReadAnswer(const std::string& name) {
    std::ifstream file(kFolder + "/" + name);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    json parsed = json::parse(text.str(), nullptr, false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
}

std::int64_t TimeOf(const json& entry) {
    return ParseIsoTime(entry["time"].get<std::string>())->unixSeconds;
}

int Rounded(double value) {
    return static_cast<int>(std::lround(value));
}

const Units kMetric{TemperatureUnit::Celsius, PressureUnit::Hectopascals,
                    WindUnit::KilometresPerHour, ClockStyle::TwentyFourHour};

// Each recording at its first instant, in a zone of a fixed offset over
// the week it covers.
TEST(WorldForecast, RecordedAnswersGiveTheTickersPeriods) {
    struct Case {
        const char* file;
        int offsetHours;
        int weekday;  // of the first instant's local date, 0 = Sunday
    };
    const std::vector<Case> cases = {
        // 2026-02-06 21:00 UTC is Friday 22:00 in Oslo.
        {"oslo-59.9139,10.7522-compact-2026-02-06.json", 1, 5},
        // 2020-07-20 was a Monday; each first instant is on its local Monday.
        {"london-51.5,-0.1-alt25-complete-2020-07-20.json", 1, 1},
        {"beijing-39.9,116.4-compact-2020-07-20.json", 8, 1},
        {"new-york-40.7,-74.0-alt10-compact-2020-07-20.json", -4, 1},
        // Oslo's answer read as if at UTC+8: Saturday 05:00, before dawn.
        {"oslo-59.9139,10.7522-compact-2026-02-06.json", 8, 6},
    };
    const char* week[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                          "Thursday", "Friday", "Saturday"};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.file);
        const std::optional<json> answer = ReadAnswer(test.file);
        if (!answer) {
            GTEST_SKIP() << "no recorded MET Norway answers at " << kFolder;
        }
        const json& series = (*answer)["properties"]["timeseries"];
        const std::int64_t now = TimeOf(series[0]);
        const std::int64_t offset = test.offsetHours * kHour;
        const std::vector<ForecastPeriod> periods = MetNorwayPeriods(
            *answer, now, [&](std::int64_t) { return static_cast<int>(offset); }, kMetric);
        ASSERT_FALSE(periods.empty());

        // The windows, worked out from the local hour of the first instant:
        // today's day and tonight by those names, then the weekdays.
        const std::int64_t local = now + offset;
        const std::int64_t hour = (local % (24 * kHour)) / kHour;
        bool day = hour >= 6 && hour < 18;
        std::int64_t start = local - local % (24 * kHour) +
                             (hour < 6    ? -6
                              : hour < 18 ? 6
                                          : 18) *
                                 kHour -
                             offset;
        std::vector<std::string> names;
        if (hour < 6) names = {"Overnight", "Today", "Tonight"};
        if (day) names = {"Today", "Tonight"};
        if (hour >= 18) names = {"Tonight"};
        for (int d = 1; names.size() < 2 * kForecastDays; ++d) {
            names.push_back(week[(test.weekday + d) % 7]);
            names.push_back(std::string(week[(test.weekday + d) % 7]) + " Night");
        }
        std::size_t checked = 0;
        for (std::size_t n = 0; n < periods.size(); ++n, start += 12 * kHour, day = !day) {
            SCOPED_TRACE(periods[n].name + ": " + periods[n].text);
            EXPECT_EQ(periods[n].name, names[n]);
            ASSERT_TRUE(periods[n].start && periods[n].end);
            EXPECT_EQ(periods[n].start->unixSeconds, start);
            EXPECT_EQ(periods[n].end->unixSeconds, start + 12 * kHour);
            std::optional<double> low, high;
            for (const json& entry : series) {
                const std::int64_t t = TimeOf(entry);
                if (t < std::max(start, now) || t >= start + 12 * kHour) continue;
                const double c = entry["data"]["instant"]["details"]["air_temperature"];
                low = std::min(low.value_or(c), c);
                high = std::max(high.value_or(c), c);
            }
            ASSERT_TRUE(low);
            const std::string words = day ? "High near " + std::to_string(Rounded(*high))
                                          : "Low around " + std::to_string(Rounded(*low));
            EXPECT_NE(periods[n].text.find(words + "."), std::string::npos);
            EXPECT_NE(periods[n].text.find(" wind "), std::string::npos);
            ++checked;
        }
        EXPECT_EQ(checked, 2u * kForecastDays);
    }
}

// The hourly part of the London answer: the first period's amount is the
// sum of its hourly amounts, its sky the commonest hourly symbol.
TEST(WorldForecast, AmountsAndSkyOfTheHourlyPart) {
    const std::optional<json> answer =
        ReadAnswer("london-51.5,-0.1-alt25-complete-2020-07-20.json");
    if (!answer) {
        GTEST_SKIP() << "no recorded MET Norway answers at " << kFolder;
    }
    const json& series = (*answer)["properties"]["timeseries"];
    const std::int64_t now = TimeOf(series[0]);
    const auto periods = MetNorwayPeriods(
        *answer, now, [](std::int64_t) { return 3600; }, kMetric);
    ASSERT_FALSE(periods.empty());
    const std::int64_t end = periods[0].end->unixSeconds;
    double millimetres = 0;
    for (const json& entry : series) {
        if (TimeOf(entry) >= end) break;
        millimetres +=
            entry["data"]["next_1_hours"]["details"]["precipitation_amount"].get<double>();
    }
    SCOPED_TRACE(periods[0].text);
    if (millimetres >= 0.05) {
        char amount[32];
        std::snprintf(amount, sizeof amount, "Precipitation %.1f mm.", millimetres);
        EXPECT_NE(periods[0].text.find(amount), std::string::npos);
    } else {
        EXPECT_EQ(periods[0].text.find("Precipitation"), std::string::npos);
    }
}

TEST(WorldForecast, UnitsAndWords) {
    struct Case {
        const char* code;
        const char* words;
    };
    const std::vector<Case> cases = {
        {"clearsky_day", "Sunny"},
        {"clearsky_night", "Clear"},
        {"fair_polartwilight", "Mostly clear"},
        {"partlycloudy_day", "Partly cloudy"},
        {"lightrainshowers_day", "Light rain showers"},
        {"heavysleetshowersandthunder_night", "Heavy sleet showers and thunder"},
        {"lightssnowshowersandthunder_day", "Light snow showers and thunder"},
        {"snow", "Snow"},
        {"rainandthunder", "Rain and thunder"},
        {"volcano", ""},
        {"", ""},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(SymbolWords(test.code), test.words) << test.code;
    }
    EXPECT_EQ(PrecipitationText(2.54, kMetric), "2.5 mm");
    EXPECT_EQ(PrecipitationText(2.54, Units{}), "0.10 in");
}

// One hourly answer across a change, in the system's zone: the night that
// holds the change is 13 hours long in autumn, and every bound is 06:00 or
// 18:00 on the local clock.
TEST(WorldForecast, AcrossDaylightSavingInBothHemispheres) {
    struct Case {
        const char* zone;
        std::int64_t now;  // a Saturday noon, local
        std::int64_t changeNightStart, changeNightEnd;
    };
    const std::vector<Case> cases = {
        // 2026-10-24 11:00 UTC; BST ends 2026-10-25 01:00 UTC.
        {"Europe/London", 1792839600, 1792861200 /* 10-24 17:00Z */, 1792908000 /* 10-25 06:00Z */},
        // 2026-04-04 01:00 UTC; AEDT ends 2026-04-04 16:00 UTC.
        {"Australia/Sydney", 1775264400, 1775286000 /* 04-04 07:00Z */,
         1775332800 /* 04-04 20:00Z */},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.zone);
        if (!platform::UtcOffsetSeconds(test.zone, test.now)) {
            GTEST_SKIP() << "the system has no zone " << test.zone;
        }
        json series = json::array();
        for (std::int64_t t = test.now - test.now % kHour; t < test.now + 3 * 24 * kHour;
             t += kHour) {
            const LocalTime utc = ToLocalTime(t, 0);
            char stamp[32];
            std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:00:00Z", utc.year, utc.month,
                          utc.day, utc.hour);
            series.push_back({{"time", stamp},
                              {"data",
                               {{"instant",
                                 {{"details",
                                   {{"air_temperature", 10.0},
                                    {"wind_speed", 3.0},
                                    {"wind_from_direction", 225.0}}}}},
                                {"next_1_hours",
                                 {{"summary", {{"symbol_code", "cloudy"}}},
                                  {"details", {{"precipitation_amount", 0.0}}}}}}}});
        }
        const json answer = {{"properties", {{"timeseries", series}}}};
        const ZoneOffset offset = [&](std::int64_t utc) {
            return platform::UtcOffsetSeconds(test.zone, utc).value_or(0);
        };
        const auto periods = MetNorwayPeriods(answer, test.now, offset, kMetric);
        ASSERT_GE(periods.size(), 4u);
        EXPECT_EQ(periods[0].name, "Today");
        EXPECT_EQ(periods[1].name, "Tonight");
        EXPECT_EQ(periods[2].name, "Sunday");
        EXPECT_EQ(periods[3].name, "Sunday Night");
        EXPECT_EQ(periods[1].start->unixSeconds, test.changeNightStart);
        EXPECT_EQ(periods[1].end->unixSeconds, test.changeNightEnd);
        EXPECT_EQ(periods[2].start->unixSeconds, test.changeNightEnd);
        for (const ForecastPeriod& period : periods) {
            for (const TimeStamp& bound : {*period.start, *period.end}) {
                const LocalTime local = ToLocalTime(bound.unixSeconds, bound.offsetMinutes);
                EXPECT_TRUE(local.hour == 6 || local.hour == 18) << period.name;
                EXPECT_EQ(local.minute, 0) << period.name;
            }
        }
        EXPECT_EQ(periods[1].text, "Cloudy. Low around 10. Southwest wind around 11 KM/H.");
    }
}

}  // namespace
}  // namespace tickwell::live
