// The head of the live forecast: active alerts as period lines, most severe
// first, and the NOW line with the observation's local time; and the live
// source's readers on JSON of every wrong type. Alerts are written here in
// the shape of api.weather.gov's /alerts/active features.
#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/forecast_parser.h"
#include "live/alerts.h"
#include "live/forecast_page.h"
#include "live/now_line.h"
#include "live/observation.h"
#include "live/roundup_page.h"
#include "live/station.h"
#include "live/time_text.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

// Monday 2026-12-07 20:00:00 UTC: 1 PM in Colorado, 10 AM in Hawaii.
constexpr std::int64_t kNow = 1796673600;

json AlertFeature(const char* event, const char* severity, json onset, json ends,
                  json expires = nullptr) {
    return json{{"type", "Feature"},
                {"properties",
                 {{"event", event},
                  {"status", "Actual"},
                  {"severity", severity},
                  {"onset", onset},
                  {"ends", ends},
                  {"expires", expires},
                  {"headline", std::string(event) + " issued by NWS"}}}};
}

std::vector<std::string> Lines(const json& features) {
    std::vector<std::string> lines;
    for (const Alert& alert : ParseAlerts(json{{"features", features}}, kNow)) {
        lines.push_back(AlertLine(alert));
    }
    return lines;
}

TEST(LiveAlerts, OrderedBySeverityThenOnsetEndedOnesDropped) {
    struct Case {
        const char* what;
        json features;
        std::vector<std::string> lines;
    };
    const std::string longEvent(300, 'W');
    const std::vector<Case> cases = {
        {"none", json::array(), {}},
        {"each severity, given out of order; ends in Colorado time",
         {AlertFeature("Wind Advisory", "Moderate", "2026-12-07T10:00:00-07:00",
                       "2026-12-07T18:00:00-07:00"),
          AlertFeature("Special Weather Statement", "Minor", nullptr, nullptr,
                       "2026-12-07T15:30:00-07:00"),
          AlertFeature("Tornado Warning", "Extreme", "2026-12-07T12:50:00-07:00",
                       "2026-12-07T13:45:00-07:00"),
          AlertFeature("Winter Storm Warning", "Severe", "2026-12-07T11:00:00-07:00",
                       "2026-12-09T00:00:00-07:00"),
          AlertFeature("Air Quality Alert", "Unknown", nullptr, nullptr)},
         {".TORNADO WARNING...UNTIL 1:45 PM MONDAY.",
          ".WINTER STORM WARNING...UNTIL MIDNIGHT TUESDAY NIGHT.",
          ".WIND ADVISORY...UNTIL 6 PM MONDAY.", ".SPECIAL WEATHER STATEMENT...IN EFFECT.",
          ".AIR QUALITY ALERT...IN EFFECT."}},
        {"ended (by its end, or by its expiry without one) and nameless ones go",
         {AlertFeature("Frost Advisory", "Moderate", nullptr, "2026-12-07T12:59:59-07:00"),
          AlertFeature("Dense Fog Advisory", "Moderate", nullptr, nullptr,
                       "2026-12-07T20:00:00+00:00"),
          AlertFeature("", "Severe", nullptr, nullptr), json{{"properties", 3}}, json(7),
          AlertFeature("Flood Watch", "Moderate", nullptr, "2026-12-08T12:00:00-07:00")},
         {".FLOOD WATCH...UNTIL NOON TUESDAY."}},
        {"same severity: the earlier onset first, Hawaii time",
         {AlertFeature("High Surf Advisory", "Moderate", "2026-12-07T06:00:00-10:00",
                       "2026-12-08T18:00:00-10:00"),
          AlertFeature("Wind Advisory", "Moderate", "2026-12-07T02:00:00-10:00",
                       "2026-12-07T18:00:00-10:00")},
         {".WIND ADVISORY...UNTIL 6 PM MONDAY.", ".HIGH SURF ADVISORY...UNTIL 6 PM TUESDAY."}},
        {"many: the five most severe, each line once; a long event is cut",
         {AlertFeature("Flood Watch", "Moderate", nullptr, nullptr),
          AlertFeature("Flood Warning", "Severe", nullptr, nullptr),
          AlertFeature("Flood Warning", "Severe", nullptr, nullptr),
          AlertFeature(longEvent.c_str(), "Extreme", nullptr, nullptr),
          AlertFeature("Flood Warning", "Severe", nullptr, nullptr),
          AlertFeature("Flood Warning", "Severe", nullptr, "2026-12-08T12:00:00-07:00"),
          AlertFeature("Flood Watch", "Moderate", nullptr, nullptr),
          AlertFeature("Wind Advisory", "Moderate", nullptr, nullptr),
          AlertFeature("Heat Advisory", "Minor", nullptr, nullptr),
          AlertFeature("Frost Advisory", "Minor", nullptr, nullptr)},
         {"." + longEvent.substr(0, 77) + "......IN EFFECT.", ".FLOOD WARNING...IN EFFECT.",
          ".FLOOD WARNING...UNTIL NOON TUESDAY.", ".FLOOD WATCH...IN EFFECT.",
          ".WIND ADVISORY...IN EFFECT."}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(Lines(test.features), test.lines) << test.what;
    }
    EXPECT_TRUE(ParseAlerts(json::array(), kNow).empty());
    EXPECT_TRUE(ParseAlerts(json{{"features", "x"}}, kNow).empty());
}

Observation Observed(std::int64_t time, double temperature, double speed, double direction) {
    Observation observation;
    observation.time = time;
    observation.description = "Mostly Cloudy";
    observation.temperatureC = temperature;
    observation.dewPointC = -10;
    observation.humidityPercent = 50;
    observation.pressurePa = 101000;
    observation.windSpeedKmh = speed;
    if (direction >= 0) observation.windDirectionDegrees = direction;
    return observation;
}

TEST(LiveNowLine, CurrentLastOrNoObservationAtTheStationsTime) {
    // 2026-12-07T22:53:00Z.
    const std::int64_t observed = kNow + 2 * 3600 + 53 * 60;
    Observation gusty = Observed(observed, 8.3, 24.14, 315);
    gusty.windGustKmh = 40.23;
    Observation calm = Observed(observed, -0.5, 0.5, 0);
    calm.description = "";
    Observation variable = Observed(observed, 30, 8, -1);
    Observation noWind = Observed(observed, 30, 0, 0);
    noWind.windSpeedKmh.reset();
    struct Case {
        const char* what;
        std::optional<Observation> current, last;
        std::optional<int> offset;
        std::string line;
    };
    const std::vector<Case> cases = {
        {"fresh, Colorado", gusty, gusty, -420,
         ".NOW...MOSTLY CLOUDY. 47 DEGREES. NORTHWEST WIND 15 MPH, GUSTS 25. OBSERVED 3:53 PM."},
        {"fresh, Hawaii", gusty, gusty, -600,
         ".NOW...MOSTLY CLOUDY. 47 DEGREES. NORTHWEST WIND 15 MPH, GUSTS 25. OBSERVED 12:53 PM."},
        {"calm, no description, offset unknown", calm, calm, std::nullopt,
         ".NOW...31 DEGREES. CALM WIND. OBSERVED 10:53 PM UTC."},
        {"variable wind, half an hour ahead of UTC", variable, variable, 330,
         ".NOW...MOSTLY CLOUDY. 86 DEGREES. VARIABLE WIND 5 MPH. OBSERVED 4:23 AM."},
        {"no wind reported", noWind, noWind, -420,
         ".NOW...MOSTLY CLOUDY. 86 DEGREES. OBSERVED 3:53 PM."},
        {"none current: when the last was taken", std::nullopt, gusty, -420,
         ".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN 3:53 PM MONDAY."},
        {"never any", std::nullopt, std::nullopt, -420, ""},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(NowLine(test.current, test.last, test.offset), test.line) << test.what;
    }
}

TEST(LiveNowLine, OffsetFromThePeriodsAroundADaylightSavingChange) {
    // Colorado, 2026-03-08: 2 AM MST becomes 3 AM MDT (09:00 UTC).
    auto period = [](const char* start) {
        return ForecastPeriod{"Period", "Text.", ParseIsoTime(start)};
    };
    const std::vector<ForecastPeriod> periods = {period("2026-03-07T18:00:00-07:00"),
                                                 period("2026-03-08T06:00:00-06:00"),
                                                 period("2026-03-08T18:00:00-06:00")};
    const std::int64_t beforeChange = ParseIsoTime("2026-03-08T08:30:00Z")->unixSeconds;
    const std::int64_t afterChange = ParseIsoTime("2026-03-08T12:30:00Z")->unixSeconds;
    const std::int64_t beforeAll = ParseIsoTime("2026-03-07T12:00:00Z")->unixSeconds;
    EXPECT_EQ(OffsetAt(beforeChange, periods), -420);
    EXPECT_EQ(OffsetAt(afterChange, periods), -360);
    EXPECT_EQ(OffsetAt(beforeAll, periods), -420);
    EXPECT_FALSE(OffsetAt(afterChange, {ForecastPeriod{"Zone", "No times.", std::nullopt}}));
    EXPECT_EQ(ClockTime(TimeStamp{afterChange, -360}), "6:30 AM");
    EXPECT_EQ(HourAndDay(TimeStamp{beforeChange, -420}), "1:30 AM SUNDAY");
}

TEST(LiveNowLine, AlertsAndNowOpenTodaysTextOnAPageThatStaysSmall) {
    std::vector<std::string> lead = {".TORNADO WARNING...UNTIL 1:45 PM MONDAY.",
                                     ".NOW...SUNNY. 50 DEGREES. OBSERVED 1:05 PM."};
    const std::vector<ForecastPeriod> periods = {{"This Afternoon", "Sunny.", std::nullopt},
                                                 {"Tuesday", "Windy.", std::nullopt}};
    std::string page = BuildForecastPage("Test Field (KXYZ)", lead, periods);
    EXPECT_NE(page.find("(KXYZ)\n.TORNADO WARNING...UNTIL 1:45 PM MONDAY.\n.NOW...SUNNY."),
              std::string::npos);
    AllocateWeatherBuffers();
    ASSERT_TRUE(ExtractForecast(page.c_str()));
    // The program's sentence case keeps the first capital after a number.
    EXPECT_STREQ(weatherState.today.text,
                 ".Tornado warning...Until 1:45 pm monday. .Now...Sunny. 50 Degrees. Observed "
                 "1:05 pm. .This afternoon...Sunny. .");
    // Five alerts at their longest and a week of long periods still fit.
    lead.assign(5, "." + std::string(80, 'A') + "...UNTIL 12:45 PM WEDNESDAY.");
    std::vector<ForecastPeriod> week;
    for (int i = 0; i < 14; ++i) {
        week.push_back(
            {"Wednesday Night", std::string(kMaxPeriodTextBytes + 50, 'b'), std::nullopt});
    }
    page = BuildForecastPage("Test Field (KXYZ)", lead, week);
    EXPECT_LE(page.size(), kMaxPageBytes);
    EXPECT_NE(page.find(lead[4]), std::string::npos);
}

}  // namespace
}  // namespace tickwell::live

namespace tickwell::live {
namespace {

// Every field the live source reads, replaced in turn by a value of every
// other JSON type: nothing crashes, and what comes out still makes pages
// the parsers accept or refuse cleanly.
TEST(LiveUntrustedJson, EveryFieldOfEveryTypeIsHandled) {
    const json observation = {
        {"type", "Feature"},
        {"properties",
         {{"timestamp", "2026-12-07T20:00:00+00:00"},
          {"textDescription", "Clear"},
          {"temperature", {{"unitCode", "wmoUnit:degC"}, {"value", 1.5}}},
          {"dewpoint", {{"unitCode", "wmoUnit:degC"}, {"value", -3}}},
          {"relativeHumidity", {{"unitCode", "wmoUnit:percent"}, {"value", 70}}},
          {"barometricPressure", {{"unitCode", "wmoUnit:Pa"}, {"value", 101000}}},
          {"windDirection", {{"unitCode", "wmoUnit:degree_(angle)"}, {"value", 90}}},
          {"windSpeed", {{"unitCode", "wmoUnit:km_h-1"}, {"value", 20}}},
          {"windGust", {{"unitCode", "wmoUnit:km_h-1"}, {"value", 30}}}}}};
    const json station = {
        {"geometry", {{"coordinates", {-104.6, 39.8}}}},
        {"properties", {{"name", "Field"}, {"forecast", "https://x/zones/forecast/COZ040"}}}};
    const json forecast = {{"properties",
                            {{"periods",
                              {{{"name", "Tonight"},
                                {"detailedForecast", "Clear."},
                                {"startTime", "2026-12-07T18:00:00-07:00"}}}}}}};
    const json alerts = {{"features",
                          {{{"properties",
                             {{"event", "Wind Advisory"},
                              {"severity", "Moderate"},
                              {"onset", "2026-12-07T10:00:00-07:00"},
                              {"ends", "2026-12-07T18:00:00-07:00"}}}}}}};
    const std::vector<json> replacements = {
        nullptr, true, -1e308, 7, "text", json::array(), json::object(), json::array({1, 2})};

    // Each JSON pointer to a value or container, leaves and branches alike.
    auto pointers = [](const json& document) {
        std::vector<json::json_pointer> found;
        const json flat = document.flatten();
        for (const auto& item : flat.items()) {
            json::json_pointer pointer(item.key());
            while (!pointer.empty()) {
                found.push_back(pointer);
                pointer = pointer.parent_pointer();
            }
        }
        return found;
    };
    auto variants = [&](const json& document) {
        std::vector<json> all = {document};
        for (const json::json_pointer& pointer : pointers(document)) {
            for (const json& replacement : replacements) {
                json changed = document;
                changed[pointer] = replacement;
                all.push_back(changed);
            }
        }
        return all;
    };
    constexpr std::int64_t now = 1796673600 + 600;
    int pages = 0;
    for (const json& variant : variants(observation)) {
        auto parsed = ParseObservation(variant);
        const auto current =
            ChooseCurrent(parsed, ParseObservations(json{{"features", {variant}}}), now);
        const std::string page = BuildRoundupPage(current, "KXYZ");
        EXPECT_LE(page.size(), kMaxPageBytes);
        EXPECT_EQ(page.find(kRoundupRowName) != std::string::npos,
                  current.has_value() && current->HasReadings());
        NowLine(current, parsed, -420);
        ++pages;
    }
    for (const json& variant : variants(station)) {
        if (auto parsed = ParseStation(variant, "KXYZ")) {
            EXPECT_FALSE(PointsPath(parsed->latitude, parsed->longitude).empty());
        }
    }
    for (const json& variant : variants(forecast)) {
        const auto periods = ParsePeriods(variant);
        EXPECT_LE(BuildForecastPage("Field", {}, periods).size(), kMaxPageBytes);
        OffsetAt(now, periods);
    }
    for (const json& variant : variants(alerts)) {
        for (const Alert& alert : ParseAlerts(variant, now)) {
            EXPECT_EQ(AlertLine(alert)[0], '.');
        }
    }
    EXPECT_GT(pages, 100);
}

}  // namespace
}  // namespace tickwell::live
