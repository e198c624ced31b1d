// The METARs of the aviation weather service's data API, read from real
// recorded answers kept outside this project (../shared/reference/world/
// metar; see its SOURCES.md): wind given in m/s, variable wind, CAVOK, a
// missing altimeter, temperatures below zero and the older answer shape;
// and the choice of the report to show.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "live/world_metar.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

const std::string kFolder = TICKWELL_SOURCE_DIR "/../shared/reference/world/metar";

std::optional<json> ReadAnswer(const std::string& name) {
    std::ifstream file(kFolder + "/" + name);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    json parsed = json::parse(text.str(), nullptr, false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
}

#define READ_OR_SKIP(var, name)                                     \
    const std::optional<json> var = ReadAnswer(name);               \
    if (!var) {                                                     \
        GTEST_SKIP() << "no recorded METAR answers at " << kFolder; \
    }

const MetarReport* Find(const std::vector<MetarReport>& reports, const std::string& id,
                        std::int64_t time = 0) {
    for (const MetarReport& report : reports) {
        if (report.id == id && (time == 0 || report.observation.time == time)) return &report;
    }
    return nullptr;
}

// The relative humidity by the Magnus form, worked out here on its own.
double Humidity(double t, double td) {
    return 100 * std::exp(17.625 * td / (243.04 + td)) / std::exp(17.625 * t / (243.04 + t));
}

constexpr double kKmhPerKnot = 1.852;

TEST(WorldMetar, RecordedReportsReadAsObservations) {
    struct Case {
        const char* file;
        const char* id;
        std::int64_t time;  // 0: the only report of the station
        double temperature, dewPoint;
        std::optional<double> hectopascals;
        std::optional<double> direction;  // none: variable
        double knots;
        const char* description;
        const char* what;
    };
    const std::vector<Case> cases = {
        {"UUEE-2026-06-10T06.json", "UUEE", 0, 25, 13, 1013, 280, 6, "Clear",
         "28003MPS: 3 m/s given as 6 knots; CAVOK"},
        {"LFMI-LFML-LFTH-2026-08-21T0700.json", "LFTH", 0, 21, 20, 1008, std::nullopt, 3, "",
         "VRB03KT; ///CB leaves no cover"},
        {"LFMI-LFML-LFTH-2026-08-22T0730.json", "LFML", 0, 22, 13, std::nullopt, 310, 11, "Clear",
         "Q//// leaves no altim"},
        {"KTYS-2026-01-15T13-negative.json", "KTYS", 0, -5.6, -13.9, 1014.3, 310, 7, "Mostly Clear",
         "M06/M14"},
        {"MKJP-KMIA-KFLL-2026-05-30T16.json", "KFLL", 0, 30, 22.8, 1015.3, 0, 0, "Overcast",
         "calm"},
        {"LEJR-hours6-2023-10-27-oldformat.json", "LEJR", 1698411600, 21, 13, 1015, std::nullopt, 2,
         "", "the older shape, VRB02KT"},
        {"WSSS-YMML-YBBN-VHHH-2026-09-27T12.json", "YMML", 1790512200, 9, 7, 1035, 190, 7,
         "Mostly Cloudy", "southern hemisphere, SPECI"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.id) + ": " + test.what);
        READ_OR_SKIP(answer, test.file);
        const std::vector<MetarReport> reports = ParseMetarReports(*answer);
        const MetarReport* report = Find(reports, test.id, test.time);
        ASSERT_NE(report, nullptr);
        const Observation& o = report->observation;
        ASSERT_TRUE(o.temperatureC && o.dewPointC && o.humidityPercent);
        EXPECT_DOUBLE_EQ(*o.temperatureC, test.temperature);
        EXPECT_DOUBLE_EQ(*o.dewPointC, test.dewPoint);
        EXPECT_NEAR(*o.humidityPercent, Humidity(test.temperature, test.dewPoint), 0.01);
        EXPECT_EQ(o.pressurePa.has_value(), test.hectopascals.has_value());
        if (test.hectopascals) {
            EXPECT_NEAR(*o.pressurePa, *test.hectopascals * 100, 1e-6);
        }
        EXPECT_EQ(o.windDirectionDegrees, test.direction);
        ASSERT_TRUE(o.windSpeedKmh);
        EXPECT_NEAR(*o.windSpeedKmh, test.knots * kKmhPerKnot, 1e-9);
        EXPECT_FALSE(o.windGustKmh);
        EXPECT_EQ(o.description, test.description);
        EXPECT_TRUE(o.HasReadings() || !test.hectopascals);
    }
}

TEST(WorldMetar, TheOlderShapeAndItsTimes) {
    READ_OR_SKIP(answer, "LEJR-hours6-2023-10-27-oldformat.json");
    const std::vector<MetarReport> reports = ParseMetarReports(*answer);
    EXPECT_EQ(reports.size(), answer->size());
    // Without obsTime the time comes from "2023-10-27 15:30:00" (UTC).
    json first = (*answer)[0];
    first.erase("obsTime");
    const std::vector<MetarReport> fromText = ParseMetarReports(json::array({first}));
    ASSERT_EQ(fromText.size(), 1u);
    EXPECT_EQ(fromText[0].observation.time, 1698420600);  // 2023-10-27 15:30 UTC
    // The newest of the twelve is shown while it is under two hours old.
    const std::optional<MetarReport> shown = ChooseMetar(reports, {"LEJR"}, 1698420600 + 600);
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->observation.time, 1698420600);
    EXPECT_FALSE(ChooseMetar(reports, {"LEJR"}, 1698420600 + 2 * 3600 + 1));
}

TEST(WorldMetar, TheChosenAirportElseTheNearestCurrentOne) {
    READ_OR_SKIP(answer, "WSSS-YMML-YBBN-VHHH-2026-09-27T12.json");
    const std::vector<MetarReport> reports = ParseMetarReports(*answer);
    const std::int64_t now = 1790512200 + 15 * 60;
    struct Case {
        std::vector<std::string> byNearness;
        std::int64_t now;
        std::optional<std::string> shown;
    };
    const std::vector<Case> cases = {
        {{"YMML", "YBBN"}, now, "YMML"},
        {{"YMEN", "YMML"}, now, "YMML"},  // the chosen airport sent nothing
        {{"YMEN"}, now, std::nullopt},
        {{"YBBN", "YMML"}, 1790510400 + 2 * 3600 + 60, "YMML"},  // YBBN's is too old
        // The SPECI stamped 11 minutes ahead is in the future: the one
        // before it is shown.
        {{"YMML"}, 1790512200 - 11 * 60, "YMML"},
        {{"YMML"}, 1790511480 - 11 * 60, std::nullopt},
    };
    for (const Case& test : cases) {
        const std::optional<MetarReport> shown = ChooseMetar(reports, test.byNearness, test.now);
        EXPECT_EQ(shown ? std::optional(shown->id) : std::nullopt, test.shown);
        if (shown) {
            EXPECT_LE(shown->observation.time, test.now + 10 * 60);
        }
    }
}

TEST(WorldMetar, HostileAnswersGiveNothingOrLess) {
    const std::vector<std::string> answers = {
        "null",
        "{}",
        "[1, \"a\", null, []]",
        "[{\"icaoId\": \"EGLL\"}]",
        "[{\"obsTime\": 1790512200, \"temp\": 9}]",
        "[{\"icaoId\": \"EGLL\", \"obsTime\": -5}]",
        "[{\"icaoId\": \"EGLL\", \"reportTime\": \"yesterday\"}]",
    };
    for (const std::string& text : answers) {
        EXPECT_TRUE(ParseMetarReports(json::parse(text)).empty()) << text;
    }
    const auto odd = ParseMetarReports(json::parse(
        R"([{"icaoId":"EGLL","obsTime":1790512200,"temp":"9","dewp":30,"altim":5000,
             "wdir":720,"wspd":-3,"wgst":1e9,"wxString":42}])"));
    ASSERT_EQ(odd.size(), 1u);
    const Observation& o = odd[0].observation;
    EXPECT_FALSE(o.temperatureC || o.dewPointC || o.humidityPercent || o.pressurePa ||
                 o.windDirectionDegrees || o.windSpeedKmh || o.windGustKmh);
}

}  // namespace
}  // namespace tickwell::live
