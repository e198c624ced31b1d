// The readings the live source takes from observations as the weather
// service really sends them (null readings, the older unit codes, values
// its quality control failed, the altimeter only in the METAR report), and
// the alert and forecast rules that follow what is actually in force:
// actual alerts only, one line per event and end, the night a midnight ends.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "live/alerts.h"
#include "live/forecast_page.h"
#include "live/live_source.h"
#include "live/now_line.h"
#include "live/observation.h"
#include "live/roundup_page.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

// Monday 2026-12-07 20:00:00 UTC.
constexpr std::int64_t kNow = 1796673600;

std::string Stamp(std::int64_t unixSeconds) {
    const std::int64_t seconds = unixSeconds - (kNow - 20 * 3600);  // within the test's day
    char text[40];
    std::snprintf(text, sizeof text, "2026-12-07T%02d:%02d:00+00:00",
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60));
    return text;
}

// An observation Feature `minutesOld` minutes before kNow; `readings` maps
// a property to [value, unit code, quality flag].
json ObservationAt(int minutesOld, const std::map<std::string, json>& readings,
                   const std::string& report = "") {
    json properties = {{"timestamp", Stamp(kNow - minutesOld * 60)},
                       {"textDescription", "Haze"},
                       {"rawMessage", report}};
    for (const auto& [name, reading] : readings) {
        properties[name] = {
            {"value", reading[0]}, {"unitCode", reading[1]}, {"qualityControl", reading[2]}};
    }
    return json{{"type", "Feature"}, {"properties", properties}};
}

json Reading(json value, const char* unit, const char* quality = "V") {
    return json::array({value, unit, quality});
}

TEST(LiveReadings, DerivedHumidityAndDewPointAgreeWithTheService) {
    // The service's own recorded pairs (KBHM, KTAN, KFLL, KMPV, KDCA) and
    // two from the edges: the derived value of each is within 1 % and 1 °F.
    struct Case {
        double temperature, dewPoint, humidity;
    };
    const std::vector<Case> cases = {{13.9, -5.6, 25.431914614748},
                                     {27, 21, 69.735359877774},
                                     {22.8, 18.3, 75.770935807607},
                                     {33.3, 20, 45.667749904806},
                                     {-1, -7, 63.771213893297},
                                     {-30, -33, 74.6},
                                     {40, 10, 16.2}};
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << test.temperature << " / " << test.dewPoint);
        auto noHumidity = ParseObservation(
            ObservationAt(10, {{"temperature", Reading(test.temperature, "wmoUnit:degC")},
                               {"dewpoint", Reading(test.dewPoint, "wmoUnit:degC")},
                               {"relativeHumidity", Reading(nullptr, "wmoUnit:percent")}}));
        ASSERT_TRUE(noHumidity && noHumidity->humidityPercent);
        EXPECT_NEAR(*noHumidity->humidityPercent, test.humidity, 1.0);
        auto noDewPoint = ParseObservation(
            ObservationAt(10, {{"temperature", Reading(test.temperature, "wmoUnit:degC")},
                               {"dewpoint", Reading(nullptr, "wmoUnit:degC", "Z")},
                               {"relativeHumidity", Reading(test.humidity, "wmoUnit:percent")}}));
        ASSERT_TRUE(noDewPoint && noDewPoint->dewPointC);
        EXPECT_NEAR(*noDewPoint->dewPointC * 9 / 5, test.dewPoint * 9 / 5, 1.0);
    }
    // Nothing to derive from: no temperature, or a humidity of zero.
    auto lone =
        ParseObservation(ObservationAt(10, {{"dewpoint", Reading(5, "wmoUnit:degC")},
                                            {"relativeHumidity", Reading(0, "wmoUnit:percent")}}));
    EXPECT_FALSE(lone->temperatureC || lone->humidityPercent.value_or(0) > 0);
    auto dry = ParseObservation(ObservationAt(
        10, {{"temperature", Reading(5, "wmoUnit:degC")}, {"relativeHumidity", Reading(0, "")}}));
    EXPECT_FALSE(dry->dewPointC);
}

TEST(LiveReadings, PressureFromTheAltimeterGroupOfTheReport) {
    struct Case {
        const char* report;
        json pressure;       // barometricPressure in Pa
        const char* inches;  // "" when there is none
    };
    const std::vector<Case> cases = {
        {"KMPV 191751Z AUTO VRB05KT 10SM CLR 33/20 A3030 RMK AO2 SLP254", nullptr, "30.30"},
        {"KFLL 022353Z 02004KT 10SM FEW026 23/18 A3008", nullptr, "30.08"},
        {"KXYZ 071953Z 00000KT A2992 RMK A3100", nullptr, "29.92"},
        {"KXYZ A3030", 101860, "30.08"},  // the service's own reading comes first
        {"KXYZ 071953Z 00000KT 10SM CLR 20/10 RMK A3030", nullptr, ""},  // only in remarks
        {"KXYZ A30301 A30X0 XA3030 A303 A3030/ Q101", nullptr, ""},      // malformed
        {"KXYZ A0950", nullptr, ""},                                     // not weather
        {"", nullptr, ""},
    };
    for (const Case& test : cases) {
        auto observation = ParseObservation(ObservationAt(
            10, {{"barometricPressure", Reading(test.pressure, "wmoUnit:Pa")}}, test.report));
        ASSERT_TRUE(observation);
        EXPECT_EQ(observation->pressurePa ? InchesOfMercury(*observation->pressurePa) : "",
                  test.inches)
            << test.report;
    }
}

TEST(LiveReadings, OldAndNewUnitCodesAndTheQualityFlag) {
    struct Case {
        const char* property;
        json value;
        const char* unit;
        const char* quality;
        double expected;  // in this program's unit; NAN when missing
    };
    const std::vector<Case> cases = {
        {"temperature", 20, "wmoUnit:degC", "V", 20},
        {"temperature", 20, "unit:degC", "qc:V", 20},
        {"temperature", 68, "unit:degF", "V", 20},
        {"temperature", 293.15, "wmoUnit:K", "C", 20},
        {"temperature", 20, "unit:furlong", "V", NAN},
        {"temperature", 20, "wmoUnit:degC", "X", NAN},
        {"temperature", 20, "unit:degC", "qc:X", NAN},
        {"relativeHumidity", 87.2, "unit:percent", "qc:C", 87.2},
        {"barometricPressure", 100980, "unit:Pa", "qc:V", 100980},
        {"barometricPressure", 1009.8, "wmoUnit:hPa", "V", 100980},
        {"barometricPressure", 100980, "wmoUnit:Pa", "X", NAN},
        {"windSpeed", 2.1, "unit:m_s-1", "qc:V", 7.56},
        {"windSpeed", 7.56, "unit:km_h-1", "qc:V", 7.56},
        {"windDirection", 110, "unit:degree_(angle)", "qc:V", 110},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message()
                     << test.property << " " << test.unit << " " << test.quality);
        auto observation = ParseObservation(
            ObservationAt(10, {{test.property, Reading(test.value, test.unit, test.quality)}}));
        ASSERT_TRUE(observation);
        const std::map<std::string, std::optional<double>> read = {
            {"temperature", observation->temperatureC},
            {"relativeHumidity", observation->humidityPercent},
            {"barometricPressure", observation->pressurePa},
            {"windSpeed", observation->windSpeedKmh},
            {"windDirection", observation->windDirectionDegrees}};
        const std::optional<double> value = read.at(test.property);
        if (std::isnan(test.expected)) {
            EXPECT_FALSE(value);
        } else {
            ASSERT_TRUE(value);
            EXPECT_NEAR(*value, test.expected, 1e-6);
        }
    }
}

// Complete readings besides those a case leaves out.
std::map<std::string, json> Readings(json temperature, json dewPoint, json humidity,
                                     json pressure) {
    return {{"temperature", Reading(temperature, "wmoUnit:degC")},
            {"dewpoint", Reading(dewPoint, "wmoUnit:degC")},
            {"relativeHumidity", Reading(humidity, "wmoUnit:percent")},
            {"barometricPressure", Reading(pressure, "wmoUnit:Pa")},
            {"windSpeed", Reading(0, "wmoUnit:km_h-1")}};
}

TEST(LiveReadings, EachReadingFromTheNewestCurrentObservationThatHasIt) {
    const json null = nullptr;
    struct Case {
        const char* what;
        json latest;
        std::vector<json> list;
        // Expected row values, or an empty row when none is written.
        std::string row;
        std::string nowLine;
    };
    const std::vector<Case> cases = {
        {"the latest alone",
         ObservationAt(20, Readings(27, 21, 69.7, 100745)),
         {},
         "81  70  70 CALM      29.75",
         ".NOW...HAZE. 81 DEGREES. CALM WIND. OBSERVED 7:40 PM UTC."},
        {"pressure from the list, dew point worked out from the humidity",
         ObservationAt(20, Readings(27, null, 69.7, null)),
         {ObservationAt(20, Readings(27, null, 69.7, null)),
          ObservationAt(80, Readings(25, 20, 74, 100000))},
         "81  70  70 CALM      29.53",
         ".NOW...HAZE. 81 DEGREES. CALM WIND. OBSERVED 7:40 PM UTC."},
        {"the latest lacks the temperature: the list's newest with one leads",
         ObservationAt(5, Readings(null, null, null, 101000)),
         {ObservationAt(30, Readings(10, null, null, null)),
          ObservationAt(60, Readings(12, 2, null, 100000))},
         "50  36  50 CALM      29.83",
         ".NOW...HAZE. 50 DEGREES. CALM WIND. OBSERVED 7:30 PM UTC."},
        {"no humidity or dew point in two hours: no row, and the NOW line says so",
         ObservationAt(20, Readings(27, null, null, 100880)),
         {ObservationAt(20, Readings(27, null, null, 100880)),
          ObservationAt(121, Readings(26, 20, 70, 100800))},
         "",
         ".NOW...HAZE. 81 DEGREES. CALM WIND. NO DEW POINT OR HUMIDITY REPORTED. OBSERVED 7:40 "
         "PM UTC."},
        {"nothing but a temperature",
         ObservationAt(20, {{"temperature", Reading(3, "unit:degC")}}),
         {},
         "",
         ".NOW...HAZE. 37 DEGREES. NO DEW POINT, HUMIDITY OR PRESSURE REPORTED. OBSERVED 7:40 PM "
         "UTC."},
        {"no temperature in two hours",
         ObservationAt(20, Readings(null, 5, 50, 100000)),
         {ObservationAt(130, Readings(26, 20, 70, 100800))},
         "",
         ".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN 7:40 PM MONDAY UTC."},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const auto parsedLatest = ParseObservation(test.latest);
        const auto list = ParseObservations(json{{"features", test.list}});
        const auto current = ChooseCurrent(parsedLatest, list, kNow);
        const std::string page = BuildRoundupPage(current, "KXYZ");
        if (test.row.empty()) {
            EXPECT_EQ(page.find(kRoundupRowName), std::string::npos) << page;
        } else {
            EXPECT_NE(page.find(test.row + "  KXYZ\n"), std::string::npos) << page;
        }
        EXPECT_EQ(NowLine(current, parsedLatest, std::nullopt), test.nowLine);
    }
}

json AlertJson(const char* event, const char* status, json ends, json expires,
               const char* severity = "Moderate") {
    return json{{"properties",
                 {{"event", event},
                  {"status", status},
                  {"severity", severity},
                  {"ends", ends},
                  {"expires", expires}}}};
}

TEST(LiveReadings, AlertsInForceOnceEachWithTheServicesMidnight) {
    const json null = nullptr;
    // Colorado, seven hours behind UTC: kNow is 1 PM Monday.
    const char* tonight = "2026-12-07T22:00:00-07:00";
    const char* tuesdayMidnight = "2026-12-09T00:00:00-07:00";  // the start of Wednesday
    const char* passed = "2026-12-07T12:59:00-07:00";
    struct Case {
        const char* what;
        std::vector<json> features;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"only actual alerts",
         {AlertJson("Tsunami Warning", "Test", tonight, null, "Extreme"),
          AlertJson("Flood Watch", "Exercise", tonight, null),
          AlertJson("Flood Warning", "Draft", tonight, null),
          AlertJson("Wind Advisory", "System", tonight, null),
          AlertJson("Heat Advisory", "actual", tonight, null),
          json{{"properties", {{"event", "Frost Advisory"}, {"ends", tonight}}}},
          AlertJson("Winter Storm Watch", "Actual", tonight, null)},
         {".WINTER STORM WATCH...UNTIL 10 PM MONDAY."}},
        {"the same event and end from three zones is one line",
         {AlertJson("Air Quality Alert", "Actual", null, tonight, "Unknown"),
          AlertJson("Air Quality Alert", "Actual", null, tonight, "Unknown"),
          AlertJson("Wind Advisory", "Actual", tonight, null),
          AlertJson("Wind Advisory", "Actual", tuesdayMidnight, null),
          AlertJson("Air Quality Alert", "Actual", null, tuesdayMidnight, "Unknown")},
         {".WIND ADVISORY...UNTIL 10 PM MONDAY.", ".WIND ADVISORY...UNTIL MIDNIGHT TUESDAY NIGHT.",
          ".AIR QUALITY ALERT...IN EFFECT."}},
        {"repeats go before the five-line limit",
         {AlertJson("Flood Warning", "Actual", tonight, null, "Severe"),
          AlertJson("Flood Warning", "Actual", tonight, null, "Severe"),
          AlertJson("Flood Warning", "Actual", tonight, null, "Severe"),
          AlertJson("Flood Watch", "Actual", tonight, null),
          AlertJson("Wind Advisory", "Actual", tonight, null),
          AlertJson("Heat Advisory", "Actual", tonight, null),
          AlertJson("Dense Fog Advisory", "Actual", tonight, null),
          AlertJson("Frost Advisory", "Actual", tonight, null, "Minor")},
         {".FLOOD WARNING...UNTIL 10 PM MONDAY.", ".FLOOD WATCH...UNTIL 10 PM MONDAY.",
          ".WIND ADVISORY...UNTIL 10 PM MONDAY.", ".HEAT ADVISORY...UNTIL 10 PM MONDAY.",
          ".DENSE FOG ADVISORY...UNTIL 10 PM MONDAY."}},
        {"without an end: in effect until the message expires",
         {AlertJson("Special Weather Statement", "Actual", null, tonight),
          AlertJson("Tropical Cyclone Statement", "Actual", null, passed),
          AlertJson("Hydrologic Outlook", "Actual", null, null),
          AlertJson("Coastal Flood Advisory", "Actual", passed, tonight),
          AlertJson("Rip Current Statement", "Actual", tonight, passed)},
         {".SPECIAL WEATHER STATEMENT...IN EFFECT.", ".HYDROLOGIC OUTLOOK...IN EFFECT.",
          ".RIP CURRENT STATEMENT...UNTIL 10 PM MONDAY."}},
    };
    for (const Case& test : cases) {
        std::vector<std::string> lines;
        for (const Alert& alert : ParseAlerts(json{{"features", test.features}}, kNow)) {
            lines.push_back(AlertLine(alert));
        }
        EXPECT_EQ(lines, test.lines) << test.what;
    }
    struct Midnight {
        const char* time;
        const char* words;
    };
    for (const Midnight& test : {Midnight{"2026-12-09T00:00:00-07:00", "MIDNIGHT TUESDAY NIGHT"},
                                 Midnight{"2026-12-07T00:00:00-10:00", "MIDNIGHT SUNDAY NIGHT"},
                                 Midnight{"2026-12-13T00:00:00+00:00", "MIDNIGHT SATURDAY NIGHT"},
                                 Midnight{"2026-12-09T00:01:00-07:00", "12:01 AM WEDNESDAY"},
                                 Midnight{"2026-12-08T23:59:00-07:00", "11:59 PM TUESDAY"}}) {
        EXPECT_EQ(HourAndDay(*ParseIsoTime(test.time)), test.words) << test.time;
    }
}

TEST(LiveReadings, PeriodsThatHaveEndedAreLeftOut) {
    const json forecast = {
        {"properties",
         {{"periods",
           {{{"name", "This Morning"},
             {"detailedForecast", "Sunny."},
             {"startTime", "2026-12-07T06:00:00-07:00"},
             {"endTime", "2026-12-07T12:00:00-07:00"}},
            {{"name", "This Afternoon"},
             {"detailedForecast", "Windy."},
             {"startTime", "2026-12-07T12:00:00-07:00"},
             {"endTime", "2026-12-07T13:00:00-07:00"}},
            {{"name", "Tonight"},
             {"detailedForecast", "Clear."},
             {"startTime", "2026-12-07T18:00:00-07:00"},
             {"endTime", "2026-12-08T06:00:00-07:00"}},
            {{"name", "Tuesday"}, {"detailedForecast", "Cold."}, {"endTime", "soon"}}}}}}};
    std::vector<std::string> names;
    for (const ForecastPeriod& period : WithoutEnded(ParsePeriods(forecast), kNow)) {
        names.push_back(period.name);
    }
    // The afternoon ends at 1 PM, which is now; a period without a readable end stays.
    EXPECT_EQ(names, (std::vector<std::string>{"Tonight", "Tuesday"}));
    EXPECT_EQ(WithoutEnded(ParsePeriods(forecast), kNow - 7 * 3600).size(), 4u);
}

// The live source with every answer from a map of paths; a path it lacks
// answers 404.
class MapClient : public platform::HttpsClient {
public:
    platform::HttpsResponse Get(const std::string& url, const std::vector<platform::HttpsHeader>&,
                                std::size_t) override {
        requested.push_back(url);
        platform::HttpsResponse response;
        auto found = bodies.find(url.substr(std::string("https://api.test").size()));
        response.status = found == bodies.end() ? 404 : 200;
        response.body = found == bodies.end() ? "{}" : found->second;
        return response;
    }
    void Abort() override {}
    std::map<std::string, std::string> bodies;
    std::vector<std::string> requested;
};

class FixedClock : public Clock {
public:
    std::int64_t UnixSeconds() override { return kNow; }
    std::int64_t MonotonicSeconds() override { return kNow; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
};

TEST(LiveReadings, TheSourceAsksForActualAlertsAndShowsTheLocationHint) {
    FixedClock clock;
    auto owned = std::make_unique<MapClient>();
    MapClient& client = *owned;
    client.bodies["/stations/KXYZ"] = json{
        {"geometry", {{"coordinates", {-104.6562, 39.8466}}}},
        {"properties",
         {{"name", "Test Field"}}}}.dump();
    client.bodies["/points/39.8466,-104.6562"] =
        json{{"properties", {{"forecast", "https://api.test/gridpoints/BOU/1,1/forecast"}}}}.dump();
    client.bodies["/gridpoints/BOU/1,1/forecast"] =
        json{{"properties", {{"periods", {{{"name", "Tonight"}, {"detailedForecast", "Clear."}}}}}}}
            .dump();
    client.bodies["/alerts/active?status=actual&point=39.8466,-104.6562"] = json{
        {"features",
         {AlertJson("Wind Advisory", "Actual", nullptr,
                    "2026-12-07T22:00:00-07:00")}}}.dump();
    LiveSource source(std::move(owned), clock, LiveOptions{"https://api.test", "", 0}, "KXYZ");
    source.SetLocationHint(true);

    // No observation at all: the hint is a NOW line of its own.
    auto page = source.ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("\n.WIND ADVISORY...IN EFFECT.\n.NOW...RIGHT-CLICK TO CHOOSE "
                         "YOUR LOCATION.\n.TONIGHT...CLEAR.\n"),
              std::string::npos)
        << *page;

    // With an observation, the hint ends its NOW line; choosing a station
    // ends it. The time is in the offset of the alert's expiry, the periods
    // having no times.
    client.bodies["/stations/KXYZ/observations/latest"] =
        ObservationAt(20, Readings(27, 21, 69.7, 100745)).dump();
    page = source.ForecastPage();
    EXPECT_NE(page->find("\n.NOW...HAZE. 81 DEGREES. CALM WIND. OBSERVED 12:40 PM. RIGHT-CLICK "
                         "TO CHOOSE YOUR LOCATION.\n"),
              std::string::npos)
        << *page;
    source.UseStation("KXYZ");
    page = source.ForecastPage();
    EXPECT_NE(page->find("\n.NOW...HAZE. 81 DEGREES. CALM WIND. OBSERVED 12:40 PM.\n"),
              std::string::npos)
        << *page;
}

}  // namespace
}  // namespace tickwell::live
