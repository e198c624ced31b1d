// The pages the live source makes from the weather service's JSON, read back
// by the program's own parsers. The JSON is written here in the shapes of
// api.weather.gov's answers (an observation Feature as in a capture of
// /stations/KBKF/observations/latest, forecast periods as in
// /gridpoints/{office}/{x},{y}/forecast).
#include <gtest/gtest.h>

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/forecast_parser.h"
#include "fetch/roundup_parser.h"
#include "live/forecast_page.h"
#include "live/observation.h"
#include "live/page_text.h"
#include "live/roundup_page.h"
#include "live/station.h"
#include "live/time_text.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

// 2024-04-30T14:58:00Z, the time of the captured observation.
constexpr std::int64_t kObservedAt = 1714489080;

json Value(const char* unit, json value) {
    return json{{"unitCode", unit}, {"value", value}, {"qualityControl", "V"}};
}

// An observation Feature; every reading may be a number or null.
json ObservationJson(json temperature, json dewPoint, json humidity, json pressure, json direction,
                     json speed, json gust, std::string description,
                     std::string timestamp = "2024-04-30T14:58:00+00:00") {
    return json{{"type", "Feature"},
                {"properties",
                 {{"timestamp", timestamp},
                  {"textDescription", description},
                  {"temperature", Value("wmoUnit:degC", temperature)},
                  {"dewpoint", Value("wmoUnit:degC", dewPoint)},
                  {"relativeHumidity", Value("wmoUnit:percent", humidity)},
                  {"barometricPressure", Value("wmoUnit:Pa", pressure)},
                  {"windDirection", Value("wmoUnit:degree_(angle)", direction)},
                  {"windSpeed", Value("wmoUnit:km_h-1", speed)},
                  {"windGust", Value("wmoUnit:km_h-1", gust)}}}};
}

struct RowCase {
    const char* what;
    json observation;
    const char* row;  // the expected table row
    std::int32_t temperature, dewPoint, humidity;
    double pressure;
};

TEST(LivePages, RoundupRowsConvertAndParseBack) {
    const json null = nullptr;
    const std::vector<RowCase> cases = {
        {"the capture: calm, fractional humidity",
         ObservationJson(10.2, 1.8, 55.971627023442, 101190, 0, 0, null, "Mostly Clear"),
         "DENVER INTL AP MOCLEAR   50  35  56 CALM      29.88  KBKF", 50, 35, 56, 29.88},
        {"below freezing, halves round away from zero",
         ObservationJson(-2.5, -10.6, 57.5, 102371, 315, 24.1, 40.2, "Mostly Cloudy"),
         "DENVER INTL AP MOCLDY    28  13  58 NW15G25   30.23  KBKF", 28, 13, 58, 30.23},
        {"deep cold: three-character temperatures, variable wind",
         ObservationJson(-40, -45.3, 100, 104000, null, 8, null, "Light Snow and Fog/Mist"),
         "DENVER INTL AP LGTSNOWF -40 -50 100 VRB5      30.71  KBKF", -40, -50, 100, 30.71},
        {"heat: a long description is cut, a 359-degree wind is north",
         ObservationJson(43.4, 21.1, 28.4, 99500, 359, 1.61, null,
                         "Thunderstorms and Rain in Vicinity"),
         "DENVER INTL AP TSTMRAIN 110  70  28 N1        29.38  KBKF", 110, 70, 28, 29.38},
        {"an empty description and a wind just under 1 mph",
         ObservationJson(0, -0.3, 99.6, 101325, 90, 1.6, 30, ""),
         "DENVER INTL AP N/A       32  31 100 CALM      29.92  KBKF", 32, 31, 100, 29.92},
    };
    for (const RowCase& test : cases) {
        SCOPED_TRACE(test.what);
        std::optional<Observation> observation = ParseObservation(test.observation);
        ASSERT_TRUE(observation);
        ASSERT_TRUE(observation->HasReadings());
        const std::string page = BuildRoundupPage(observation, "KBKF");
        EXPECT_NE(page.find(std::string(test.row) + "\n"), std::string::npos) << page;

        weatherState.busy = true;
        ASSERT_TRUE(ParseRoundup(page.c_str()));
        EXPECT_EQ(weatherState.temperature, test.temperature);
        EXPECT_EQ(weatherState.dewPoint, test.dewPoint);
        EXPECT_EQ(weatherState.relativeHumidity, test.humidity);
        EXPECT_DOUBLE_EQ(weatherState.pressure, test.pressure);
        EXPECT_FALSE(weatherState.busy);
    }
}

TEST(LivePages, MissingOrOldReadingsNeverMakeARow) {
    const json null = nullptr;
    const json complete = ObservationJson(10, 0, 50, 101000, 180, 10, null, "Clear");
    const std::int64_t now = kObservedAt + 10 * 60;
    struct Case {
        const char* what;
        json observation;
        std::int64_t now;
    };
    json stringValue = complete;
    stringValue["properties"]["temperature"]["value"] = "12";
    // Without a dew point or humidity, neither can be worked out.
    json noValue = complete;
    noValue["properties"]["dewpoint"].erase("value");
    noValue["properties"]["relativeHumidity"]["value"] = null;
    json unknownUnit = complete;
    unknownUnit["properties"]["barometricPressure"]["unitCode"] = "wmoUnit:furlong";
    json absurd = complete;
    absurd["properties"]["temperature"]["value"] = 1e300;
    const std::vector<Case> cases = {
        {"null temperature", ObservationJson(null, 0, 50, 101000, 0, 0, 0, "Clear"), now},
        {"null humidity and dew point", ObservationJson(10, null, null, 101000, 0, 0, 0, "Clear"),
         now},
        {"null pressure", ObservationJson(10, 0, 50, null, 0, 0, 0, "Clear"), now},
        {"a value given as text", stringValue, now},
        {"no value at all", noValue, now},
        {"a unit this program does not know", unknownUnit, now},
        {"a temperature no weather has", absurd, now},
        {"two hours and a second old", complete, kObservedAt + 2 * 3600 + 1},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        std::optional<Observation> observation = ParseObservation(test.observation);
        ASSERT_TRUE(observation);
        const std::optional<Observation> current = ChooseCurrent(observation, {}, test.now);
        EXPECT_FALSE(current && current->HasReadings());
        const std::string page = BuildRoundupPage(current, "KBKF");
        EXPECT_EQ(page.find(kRoundupRowName), std::string::npos);
        weatherState.temperature = 77;
        EXPECT_FALSE(ParseRoundup(page.c_str()));
        EXPECT_EQ(weatherState.temperature, 77);
    }
    // Exactly two hours old is still current.
    EXPECT_TRUE(ChooseCurrent(ParseObservation(complete), {}, kObservedAt + 2 * 3600));
    // Not an observation at all.
    for (const json& broken : {json(nullptr), json::array(), json{{"properties", 5}},
                               json{{"properties", {{"timestamp", "yesterday"}}}}}) {
        EXPECT_FALSE(ParseObservation(broken));
    }
}

TEST(LivePages, NewestCompleteRecentObservationStandsInForAnIncompleteLatest) {
    const json null = nullptr;
    const auto latest = ParseObservation(
        ObservationJson(12, null, null, 101000, 0, 0, null, "Clear", "2024-04-30T14:58:00+00:00"));
    const json recent = {
        {"type", "FeatureCollection"},
        {"features",
         {ObservationJson(12, null, null, 101000, 0, 0, null, "Clear", "2024-04-30T14:58:00+00:00"),
          ObservationJson(11, 1, 60, 101000, 0, 0, null, "Clear", "2024-04-30T13:58:00+00:00"),
          ObservationJson(9, 1, 70, 101000, 0, 0, null, "Clear", "2024-04-30T12:58:00+00:00"),
          json{{"type", "Feature"}}}}};
    const std::vector<Observation> list = ParseObservations(recent);
    ASSERT_EQ(list.size(), 3u);
    // The latest gives the time and the temperature, the newest of the list
    // with them the dew point and the humidity.
    auto current = ChooseCurrent(latest, list, kObservedAt + 60);
    ASSERT_TRUE(current && current->HasReadings());
    EXPECT_EQ(current->time, kObservedAt);
    EXPECT_DOUBLE_EQ(*current->temperatureC, 12);
    EXPECT_DOUBLE_EQ(*current->humidityPercent, 60);
    // Three hours on, the complete ones are too old.
    current = ChooseCurrent(latest, list, kObservedAt - 3600 + 2 * 3600 + 1);
    EXPECT_FALSE(current && current->HasReadings());
}

std::vector<ForecastPeriod> WeekOfPeriods() {
    return {{"This Afternoon", "Sunny, with a high near 61.", {}},
            {"Tonight", "Mostly clear, with a low around 35.\nNorthwest wind 5 mph.", {}},
            {"Monday", "Partly sunny. High near 58.", {}},
            {"Monday Night", "A chance of snow. Low around 28.", {}},
            {"Tuesday", "Sunny and warmer.", {}}};
}

TEST(LivePages, ForecastPageParsesIntoTodayAndOutlook) {
    const std::string page =
        BuildForecastPage("Denver International Airport (KDEN)", {}, WeekOfPeriods());
    // The heading's FORECAST is the page's first, and nothing closes the
    // text early.
    EXPECT_LT(page.find("FORECAST"), page.find("DENVER INTERNATIONAL AIRPORT (KDEN)"));
    EXPECT_EQ(page.find("$$"), std::string::npos);
    EXPECT_NE(page.find("\n.TONIGHT...MOSTLY CLEAR, WITH A LOW AROUND 35. NORTHWEST WIND 5 MPH.\n"),
              std::string::npos);

    AllocateWeatherBuffers();
    ASSERT_TRUE(ExtractForecast(page.c_str()));
    EXPECT_STREQ(weatherState.today.text,
                 ".This afternoon...Sunny, with a high near 61. .Tonight...Mostly clear, with a "
                 "low around 35. Northwest wind 5 mph. .");
    EXPECT_EQ(std::string(weatherState.outlook.text).rfind("Monday...Partly sunny.", 0), 0u);
    EXPECT_NE(std::string(weatherState.outlook.text).find(".Tuesday...Sunny and warmer."),
              std::string::npos);
}

TEST(LivePages, ForecastPageStaysWithinTheFetchBuffer) {
    // A huge period text is cut at a word; many periods are dropped whole
    // from the end.
    std::vector<ForecastPeriod> periods = WeekOfPeriods();
    std::string huge;
    for (int i = 0; i < 5000; ++i) huge += "Snow. ";
    periods[1].text = huge;
    for (int i = 0; i < 40; ++i) {
        periods.push_back({"Wednesday", std::string(900, 'x') + " end", {}});
    }
    const std::string page = BuildForecastPage("Station", {}, periods);
    EXPECT_LE(page.size(), kMaxPageBytes);
    EXPECT_NE(page.find("\n.TONIGHT...SNOW. SNOW."), std::string::npos);
    EXPECT_NE(page.find("SNOW....\n"), std::string::npos);
    EXPECT_EQ(page.substr(page.size() - 21), "</pre></body></html>\n");
    // Whole lines only: every line between the station and the end is a period.
    std::size_t lines = 0;
    for (std::size_t at = page.find("\n.", 0); at != std::string::npos;
         at = page.find("\n.", at + 1)) {
        ++lines;
    }
    EXPECT_GT(lines, 10u);
    AllocateWeatherBuffers();
    EXPECT_TRUE(ExtractForecast(page.c_str()));
}

TEST(LivePages, ServiceTextBecomesOneLineOfAsciiCapitals) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Mostly sunny, high near 61.", "MOSTLY SUNNY, HIGH NEAR 61."},
        {"  two\r\n\tlines \n", "TWO LINES"},
        {"Caf\xC3\xA9 Se\xC3\xB1or \xC3\x86", "CAFE SENOR A"},
        {"Temp 20\xC2\xB0 \xE2\x80\x94 ok \xF0\x9F\x8C\xA7", "TEMP 20 OK"},
        {"bad \xC3 \xFF\xFE bytes\x01\x7F", "BAD BYTES"},
        {"</pre> $$", "</PRE> $$"},
        {"", ""},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(PageLine(input), expected) << input;
    }
    EXPECT_EQ(CutAtWord("one two three", 9), "one...");
    EXPECT_EQ(CutAtWord("one two", 20), "one two");
}

TEST(LivePages, ZoneForecastPeriodsAndBrokenForecasts) {
    const json zone = {
        {"properties",
         {{"updated", "2026-09-26T20:54:00+00:00"},
          {"periods",
           {{{"number", 1}, {"name", "Rest Of Today"}, {"detailedForecast", "Breezy."}},
            {{"number", 2}, {"name", "Tonight"}, {"detailedForecast", nullptr}},
            {{"number", 3}, {"name", 7}, {"detailedForecast", "Windy."}},
            {{"number", 4}, {"name", "Sunday"}, {"detailedForecast", "Sunny."}}}}}}};
    const std::vector<ForecastPeriod> periods = ParsePeriods(zone);
    ASSERT_EQ(periods.size(), 2u);
    EXPECT_EQ(periods[0].name, "Rest Of Today");
    EXPECT_EQ(periods[1].name, "Sunday");
    for (const json& broken : {json(nullptr), json{{"properties", nullptr}},
                               json{{"properties", {{"periods", "none"}}}}}) {
        EXPECT_TRUE(ParsePeriods(broken).empty());
    }
}

TEST(LivePages, StationIdsMetadataAndPoints) {
    const std::vector<std::pair<std::string, std::string>> ids = {{"KDEN", "KDEN"},
                                                                  {" kbos ", "KBOS"},
                                                                  {"phnl", "PHNL"},
                                                                  {"K12", "K12"},
                                                                  {"KA1B2", "KA1B2"},
                                                                  {"KD", ""},
                                                                  {"KDENVR", "KDENVR"},
                                                                  {"1ABC", ""},
                                                                  {"ncsc4", "NCSC4"},
                                                                  {"AV08512345", "AV08512345"},
                                                                  {"AV085123456", ""},
                                                                  {"K-EN", ""},
                                                                  {"", ""},
                                                                  {"KD\xC3\x89N", ""}};
    for (const auto& [text, expected] : ids) {
        EXPECT_EQ(NormalizeStationId(text).value_or(""), expected) << text;
    }
    const json station = {
        {"geometry", {{"type", "Point"}, {"coordinates", {-104.65622, 39.84658}}}},
        {"properties",
         {{"name", "Denver International Airport"},
          {"forecast", "https://api.weather.gov/zones/forecast/COZ040"}}}};
    auto parsed = ParseStation(station, "KDEN");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->zoneId, "COZ040");
    EXPECT_EQ(PointsPath(parsed->latitude, parsed->longitude), "/points/39.8466,-104.6562");
    EXPECT_EQ(PointsPath(21.3, -157.92), "/points/21.3,-157.92");
    EXPECT_FALSE(ParseStation(json{{"geometry", {{"coordinates", {500, 10}}}}}, "KDEN"));
    EXPECT_FALSE(ParseStation(json{{"geometry", {{"coordinates", {"a", "b"}}}}}, "KDEN"));
    EXPECT_EQ(UrlPath("https://api.weather.gov/gridpoints/BOU/62,60/forecast"),
              "/gridpoints/BOU/62,60/forecast");
    EXPECT_EQ(UrlPath("ftp://x/y"), "");
    EXPECT_EQ(UrlPath("https://host/with space"), "");
}

TEST(LivePages, TimeStamps) {
    EXPECT_EQ(ParseIsoTime("2024-04-30T14:58:00+00:00")->unixSeconds, kObservedAt);
    EXPECT_EQ(ParseIsoTime("2024-04-30T08:58:00-06:00")->unixSeconds, kObservedAt);
    EXPECT_EQ(ParseIsoTime("2024-04-30T08:58:00-06:00")->offsetMinutes, -360);
    EXPECT_EQ(ParseIsoTime("2024-04-30T14:58:00.250Z")->unixSeconds, kObservedAt);
    for (const char* bad : {"", "2024-04-30", "2024-13-30T14:58:00Z", "2024-04-30T14:58:00",
                            "2024-04-30T14:58:00+5", "2024-04-30T14:58:00+00:00junk"}) {
        EXPECT_FALSE(ParseIsoTime(bad)) << bad;
    }
    EXPECT_EQ(ParseHttpDate("Tue, 30 Apr 2024 14:58:00 GMT"), kObservedAt);
    EXPECT_FALSE(ParseHttpDate("Tue, 30 Foo 2024 14:58:00 GMT"));
    const LocalTime local = ToLocalTime(kObservedAt, -360);
    EXPECT_EQ(local.hour, 8);
    EXPECT_EQ(local.day, 30);
    EXPECT_EQ(local.weekday, 2);              // a Tuesday
    EXPECT_EQ(ToLocalTime(0, -600).day, 31);  // Hawaii, the evening before
}

}  // namespace
}  // namespace tickwell::live
