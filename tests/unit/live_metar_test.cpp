// Readings taken from the raw METAR report where the weather service's
// decoded values are empty: the remarks' T group in tenths, else the main
// group in whole degrees, the A or Q group for the pressure, and values
// its quality control failed left missing whatever the report says.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "live/metar.h"
#include "live/observation.h"
#include "live/units.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

constexpr double kNone = NAN;

void ExpectReading(const std::optional<double>& read, double expected, const char* what) {
    if (std::isnan(expected)) {
        EXPECT_FALSE(read) << what << " read as " << read.value_or(0);
    } else {
        ASSERT_TRUE(read) << what << " missing";
        EXPECT_NEAR(*read, expected, 0.005) << what;
    }
}

TEST(MetarGroups, TemperatureDewPointAndPressure) {
    struct Case {
        const char* report;
        double temperature, dewPoint, hectopascals;
    };
    const std::vector<Case> cases = {
        // The T group in tenths wins over the main group.
        {"KORD 071951Z 27012KT 10SM FEW250 24/08 A3012 RMK AO2 SLP199 T02440083", 24.4, 8.3,
         1019.98},
        {"KDEN 071953Z 00000KT 10SM CLR M05/M08 A3001 RMK AO2 T10501083", -5.0, -8.3, 1016.26},
        {"KXYZ 071953Z 00000KT M01/M01 RMK T10061011", -0.6, -1.1, kNone},
        {"KXYZ 071953Z 00000KT 02/M01 RMK T0017", 1.7, kNone, kNone},  // no dew point in it
        // The main group alone, with minus signs and without a dew point.
        {"KXYZ 071953Z 00000KT 10SM CLR 24/08 A2992", 24, 8, 1013.21},
        {"KXYZ 071953Z 00000KT M05/M08 A2992", -5, -8, 1013.21},
        {"KXYZ 071953Z 00000KT 00/M00", 0, 0, kNone},
        {"KXYZ 071953Z 00000KT 1/2SM FG M02/", -2, kNone, kNone},
        // The Q group in hectopascals.
        {"EGLL 071950Z 24012KT 9999 SCT030 11/07 Q1013", 11, 7, 1013},
        {"UUEE 071930Z 00000MPS CAVOK M15/M18 Q1031 NOSIG", -15, -18, 1031},
        // Missing groups.
        {"KXYZ 071953Z AUTO 00000KT 10SM CLR", kNone, kNone, kNone},
        {"KXYZ 071953Z 00000KT ///// A//// RMK AO2", kNone, kNone, kNone},
        {"", kNone, kNone, kNone},
        // Garbage: malformed groups, values no weather has, remarks that
        // look like main groups, a T group with a bad sign digit.
        {"KXYZ 2/08 024/08 24/8 24/08X MM5/08 A30X0 Q10133 Q0500 A0950", kNone, kNone, kNone},
        {"KXYZ 071953Z 00000KT RMK 24/08 A3012 Q1013", kNone, kNone, kNone},
        {"KXYZ 071953Z 00000KT 24/08 RMK T22440083 T024400", 24, 8, kNone},
        {"\x01\xff T02440083 \t\n24/08RMK", kNone, kNone, kNone},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.report);
        const MetarReadings readings = ReadMetar(test.report);
        ExpectReading(readings.temperatureC, test.temperature, "temperature");
        ExpectReading(readings.dewPointC, test.dewPoint, "dew point");
        const std::optional<double> hectopascals =
            readings.pressurePa ? std::optional(*readings.pressurePa / 100) : std::nullopt;
        ExpectReading(hectopascals, test.hectopascals, "pressure");
    }
}

json Reading(json value, const char* quality) {
    return {{"value", value}, {"unitCode", "wmoUnit:degC"}, {"qualityControl", quality}};
}

// An observation whose temperature and dew point are as given, with no
// other reading but what the report holds.
json Observation(json temperature, const char* temperatureFlag, json dewPoint,
                 const char* dewPointFlag, const char* pressureFlag, const char* report) {
    return {{"type", "Feature"},
            {"properties",
             {{"timestamp", "2026-12-07T19:53:00+00:00"},
              {"rawMessage", report},
              {"temperature", Reading(temperature, temperatureFlag)},
              {"dewpoint", Reading(dewPoint, dewPointFlag)},
              {"barometricPressure",
               {{"value", nullptr}, {"unitCode", "wmoUnit:Pa"}, {"qualityControl", pressureFlag}}},
              {"relativeHumidity", {{"value", nullptr}, {"unitCode", "wmoUnit:percent"}}}}}};
}

TEST(MetarGroups, OnlyEmptyReadingsAreTakenFromTheReport) {
    // A major airport's answer as the service gave it: every decoded value
    // null, the METAR whole.
    const char* report = "KORD 071951Z 27012KT 10SM FEW250 24/08 A3012 RMK AO2 T02440083";
    struct Case {
        json temperature;
        const char* temperatureFlag;
        json dewPoint;
        const char* dewPointFlag;
        const char* pressureFlag;
        double temperatureC, dewPointC, pressureInches;
        bool humidity;
    };
    const std::vector<Case> cases = {
        {nullptr, "Z", nullptr, "Z", "Z", 24.4, 8.3, 30.12, true},
        {20.0, "V", nullptr, "Z", "Z", 20.0, 8.3, 30.12, true},       // the service's own first
        {nullptr, "X", nullptr, "Z", "Z", kNone, 8.3, 30.12, false},  // failed: stays missing
        {nullptr, "Z", nullptr, "X", "X", 24.4, kNone, kNone, false},
        {30.0, "X", 10.0, "X", "Z", kNone, kNone, 30.12, false},  // failed values are not used
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << test.temperature << test.temperatureFlag << " "
                                        << test.dewPoint << test.dewPointFlag);
        const auto observation =
            ParseObservation(Observation(test.temperature, test.temperatureFlag, test.dewPoint,
                                         test.dewPointFlag, test.pressureFlag, report));
        ASSERT_TRUE(observation);
        ExpectReading(observation->temperatureC, test.temperatureC, "temperature");
        ExpectReading(observation->dewPointC, test.dewPointC, "dew point");
        const std::optional<double> inches =
            observation->pressurePa
                ? std::optional(*observation->pressurePa / kPascalsPerInchOfMercury)
                : std::nullopt;
        ExpectReading(inches, test.pressureInches, "pressure");
        EXPECT_EQ(observation->humidityPercent.has_value(), test.humidity);
    }
    // Worked out from the report's temperature and dew point as from the
    // service's own: 24.4 / 8.3 is 36 %.
    const auto all = ParseObservation(Observation(nullptr, "Z", nullptr, "Z", "Z", report));
    ASSERT_TRUE(all && all->humidityPercent);
    EXPECT_NEAR(*all->humidityPercent, 36.0, 0.6);
}

#ifdef TICKWELL_SOURCE_DIR
TEST(MetarGroups, AgreeWithTheServicesOwnDecodingOfRecordedReports) {
    // Real observations recorded by others: where the service decoded a
    // reading, the report's group gives the same (the T group to the
    // tenth, the main group to the whole degree, the A group to 0.01 inHg).
    const std::filesystem::path folder = TICKWELL_SOURCE_DIR "/../shared/reference/nws/recorded";
    if (!std::filesystem::is_directory(folder)) {
        GTEST_SKIP() << "no recorded answers at " << folder.string();
    }
    int reports = 0;
    for (const char* kind : {"observations", "observation-lists"}) {
        for (const auto& entry : std::filesystem::directory_iterator(folder / kind)) {
            std::ifstream file(entry.path());
            const json body = json::parse(file, nullptr, false);
            const json features =
                body.contains("features") ? body["features"] : json::array({body});
            for (const json& feature : features) {
                const json& properties = feature["properties"];
                const std::string report = properties.value("rawMessage", "");
                if (report.empty()) continue;
                SCOPED_TRACE(report);
                ++reports;
                const MetarReadings readings = ReadMetar(report);
                const bool tenths = report.find(" T0") != std::string::npos ||
                                    report.find(" T1") != std::string::npos;
                const double tolerance = tenths ? 0.051 : 0.51;
                for (const auto& [name, read] : {std::pair{"temperature", readings.temperatureC},
                                                 std::pair{"dewpoint", readings.dewPointC}}) {
                    const json& value = properties[name]["value"];
                    if (!value.is_number()) continue;
                    ASSERT_TRUE(read) << name;
                    EXPECT_NEAR(*read, value.get<double>(), tolerance) << name;
                }
                const json& pressure = properties["barometricPressure"]["value"];
                if (pressure.is_number()) {
                    ASSERT_TRUE(readings.pressurePa);
                    EXPECT_NEAR(*readings.pressurePa, pressure.get<double>(), 20);
                }
            }
        }
    }
    EXPECT_GE(reports, 10);
}
#endif

}  // namespace
}  // namespace tickwell::live
