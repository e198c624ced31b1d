// The user's units: the conversions and their rounding at the edges, the
// clock on both dials, the pages made in each unit (read back by the
// parsers as the readouts show them), and the four settings as stored.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "fetch/roundup_parser.h"
#include "live/alerts.h"
#include "live/now_line.h"
#include "live/roundup_page.h"
#include "live/status_line.h"
#include "live/stored_units.h"
#include "live/units.h"
#include "support/fake_settings_store.h"

namespace tickwell::live {
namespace {

constexpr Units kMetric24{TemperatureUnit::Celsius, PressureUnit::Hectopascals,
                          WindUnit::KilometresPerHour, ClockStyle::TwentyFourHour};

// Monday 2026-12-07 00:00:00 UTC.
constexpr std::int64_t kMondayMidnightUtc = 1796601600;

TEST(UnitsConversion, TemperaturesRoundFromTheServicesOwnValue) {
    struct Case {
        double celsius;
        TemperatureUnit unit;
        int shown;
    };
    const std::vector<Case> cases = {
        {-0.5, TemperatureUnit::Celsius, -1},  // half away from zero
        {-0.4, TemperatureUnit::Celsius, 0},   // never "-0"
        {-0.5, TemperatureUnit::Fahrenheit, 31},
        {0.5, TemperatureUnit::Celsius, 1},
        {21.5, TemperatureUnit::Celsius, 22},
        // 37.0 C is 98.6 F: 99, where a rounded Fahrenheit turned back
        // into Celsius and rounded again would not tell 36.9 from 37.2.
        {37.0, TemperatureUnit::Fahrenheit, 99},
        {36.9, TemperatureUnit::Celsius, 37},
        {-17.78, TemperatureUnit::Fahrenheit, 0},  // -0.004 F
        {-40.0, TemperatureUnit::Fahrenheit, -40},
        {-40.0, TemperatureUnit::Celsius, -40},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TemperatureReading(c.unit, c.celsius), c.shown)
            << c.celsius << " C in " << TemperatureLetter(c.unit);
    }
}

TEST(UnitsConversion, PressureInWholeHectopascalsOrInchesWithTwoDecimals) {
    struct Case {
        double pascals;
        const char* hectopascals;
        const char* inches;
    };
    const std::vector<Case> cases = {
        {101325.0, "1013", "29.92"},  // 1013.25 hPa
        {29.92 * kPascalsPerInchOfMercury, "1013", "29.92"},
        {101350.0, "1014", "29.93"},  // 1013.5 hPa rounds up
        {99949.0, "999", "29.51"},
        {108500.0, "1085", "32.04"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PressureText(PressureUnit::Hectopascals, c.pascals), c.hectopascals) << c.pascals;
        EXPECT_EQ(PressureText(PressureUnit::InchesOfMercury, c.pascals), c.inches) << c.pascals;
    }
}

TEST(UnitsConversion, WindInEachUnitCalmBelowOneOfIt) {
    struct Case {
        double metresPerSecond;
        std::optional<double> gustMetresPerSecond;
        WindUnit unit;
        long speed;
        std::optional<long> gust;
        const char* text;
    };
    const std::vector<Case> cases = {
        // 0.4 m/s is 1.44 km/h: one km/h, calm in the larger units.
        {0.4, std::nullopt, WindUnit::MetresPerSecond, 0, std::nullopt, "CALM"},
        {0.4, std::nullopt, WindUnit::KilometresPerHour, 1, std::nullopt, "N1"},
        {0.4, std::nullopt, WindUnit::MilesPerHour, 0, std::nullopt, "CALM"},
        {0.4, std::nullopt, WindUnit::Knots, 0, std::nullopt, "CALM"},
        {10.0, 15.0, WindUnit::MetresPerSecond, 10, 15, "N10G15"},
        {10.0, 15.0, WindUnit::KilometresPerHour, 36, 54, "N36G54"},
        {10.0, 15.0, WindUnit::MilesPerHour, 22, 34, "N22G34"},
        {10.0, 15.0, WindUnit::Knots, 19, 29, "N19G29"},
        // A gust under one of the unit is no gust.
        {1.2, 0.9, WindUnit::MetresPerSecond, 1, std::nullopt, "N1"},
    };
    for (const Case& c : cases) {
        Observation observation;
        observation.windDirectionDegrees = 0;
        observation.windSpeedKmh = MetresPerSecondToKilometresPerHour(c.metresPerSecond);
        if (c.gustMetresPerSecond) {
            observation.windGustKmh = MetresPerSecondToKilometresPerHour(*c.gustMetresPerSecond);
        }
        const std::optional<WindMph> wind = WindInUnit(observation, c.unit);
        ASSERT_TRUE(wind.has_value());
        EXPECT_EQ(wind->speed, c.speed) << c.metresPerSecond << " m/s in " << WindUnitText(c.unit);
        EXPECT_EQ(wind->gust, c.gust) << c.metresPerSecond << " m/s in " << WindUnitText(c.unit);
        EXPECT_EQ(WindText(observation, c.unit), c.text);
    }
    EXPECT_DOUBLE_EQ(KnotsToKilometresPerHour(10.0), 18.52);
}

TEST(UnitsClock, BothDialsAtMidnightNoonAndTheEdges) {
    struct Case {
        int hour, minute;
        const char* twelve;
        const char* twentyFour;
    };
    const std::vector<Case> cases = {
        {0, 0, "12:00 AM", "00:00"},   {0, 1, "12:01 AM", "00:01"},  {9, 5, "9:05 AM", "09:05"},
        {11, 59, "11:59 AM", "11:59"}, {12, 0, "12:00 PM", "12:00"}, {13, 0, "1:00 PM", "13:00"},
        {23, 59, "11:59 PM", "23:59"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClockText(c.hour, c.minute, ClockStyle::TwelveHour), c.twelve);
        EXPECT_EQ(ClockText(c.hour, c.minute, ClockStyle::TwentyFourHour), c.twentyFour);
        char readout[kReadoutTextSize];
        FormatClock24(c.hour, c.minute, readout);
        EXPECT_STREQ(readout, c.twentyFour);
    }
    char readout[kReadoutTextSize];
    FormatHectopascals(1013.0, readout);
    EXPECT_STREQ(readout, "1013");
    FormatHectopascals(999.0, readout);
    EXPECT_STREQ(readout, "0999");
    FormatHectopascals(std::numeric_limits<double>::infinity(), readout);
    EXPECT_STREQ(readout, "----");
}

TEST(UnitsClock, AlertEndsAndStatusTimesOnTheTwentyFourHourClock) {
    // Mountain standard time, UTC-7.
    const int offset = -7 * 60;
    struct Case {
        std::int64_t localSeconds;  // after Monday 00:00 local
        const char* twelve;
        const char* twentyFour;
    };
    const std::vector<Case> cases = {
        {(24 + 17) * 3600 + 45 * 60, "UNTIL 5:45 PM TUESDAY", "UNTIL 17:45 TUESDAY"},
        {12 * 3600, "UNTIL NOON MONDAY", "UNTIL 12:00 MONDAY"},
        {48 * 3600, "UNTIL MIDNIGHT TUESDAY NIGHT", "UNTIL 00:00 WEDNESDAY"},
        {6 * 3600, "UNTIL 6 AM MONDAY", "UNTIL 06:00 MONDAY"},
    };
    for (const Case& c : cases) {
        Alert alert;
        alert.event = "Winter Storm Warning";
        alert.until = TimeStamp{kMondayMidnightUtc - offset * 60 + c.localSeconds, offset};
        EXPECT_EQ(AlertLine(alert), std::string(".WINTER STORM WARNING...") + c.twelve + ".");
        EXPECT_EQ(AlertLine(alert, ClockStyle::TwentyFourHour),
                  std::string(".WINTER STORM WARNING...") + c.twentyFour + ".");
    }
    const std::int64_t evening = kMondayMidnightUtc - offset * 60 + 22 * 3600 + 30 * 60;
    EXPECT_EQ(LocalTimeText(evening, evening, offset), "10:30 PM");
    EXPECT_EQ(LocalTimeText(evening, evening, offset, ClockStyle::TwentyFourHour), "22:30");
    EXPECT_EQ(LocalTimeText(evening + 3 * 3600, evening, offset, ClockStyle::TwentyFourHour),
              "01:30 TUESDAY");
}

Observation Afternoon() {
    Observation observation;
    observation.time = kMondayMidnightUtc + (15 + 7) * 3600 + 53 * 60;  // 3:53 PM MST
    observation.description = "Mostly Cloudy";
    observation.temperatureC = -0.5;
    observation.dewPointC = -6.7;
    observation.humidityPercent = 64.6;
    observation.pressurePa = 101325.0;
    observation.windDirectionDegrees = 315;
    observation.windSpeedKmh = 24.1;
    observation.windGustKmh = 40.2;
    return observation;
}

TEST(UnitsPages, NowLineInEachChoice) {
    const std::optional<Observation> current = Afternoon();
    const std::optional<int> offset = -7 * 60;
    struct Case {
        Units units;
        const char* line;
    };
    const std::vector<Case> cases = {
        {Units{},
         ".NOW...MOSTLY CLOUDY. 31 DEGREES. NORTHWEST WIND 15 MPH, GUSTS 25. OBSERVED 3:53 PM."},
        {kMetric24,
         ".NOW...MOSTLY CLOUDY. -1 DEGREES CELSIUS. NORTHWEST WIND 24 KM/H, GUSTS 40. "
         "OBSERVED 15:53."},
        {Units{TemperatureUnit::Celsius, PressureUnit::InchesOfMercury, WindUnit::Knots,
               ClockStyle::TwelveHour},
         ".NOW...MOSTLY CLOUDY. -1 DEGREES CELSIUS. NORTHWEST WIND 13 KT, GUSTS 22. "
         "OBSERVED 3:53 PM."},
        {Units{TemperatureUnit::Fahrenheit, PressureUnit::Hectopascals, WindUnit::MetresPerSecond,
               ClockStyle::TwentyFourHour},
         ".NOW...MOSTLY CLOUDY. 31 DEGREES. NORTHWEST WIND 7 M/S, GUSTS 11. OBSERVED 15:53."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NowLine(current, current, offset, c.units), c.line);
    }
    EXPECT_EQ(NowLine(std::nullopt, current, offset, kMetric24),
              ".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN 15:53 MONDAY.");
}

// The roundup page in each unit, read back by the roundup parser as the
// readouts get it.
TEST(UnitsPages, RoundupReadingsReachTheReadoutsInTheChosenUnits) {
    AllocateWeatherBuffers();
    struct Case {
        Units units;
        int temperature, dewPoint;
        double pressure;
    };
    const std::vector<Case> cases = {
        {Units{}, 31, 20, 29.92},
        {kMetric24, -1, -7, 1013.0},
    };
    for (const Case& c : cases) {
        const std::string page = BuildRoundupPage(Afternoon(), "KDEN", c.units);
        ASSERT_TRUE(ParseRoundup(page.c_str())) << page;
        EXPECT_EQ(weatherState.temperature.load(), c.temperature) << page;
        EXPECT_EQ(weatherState.dewPoint.load(), c.dewPoint) << page;
        EXPECT_EQ(weatherState.relativeHumidity.load(), 65) << page;
        EXPECT_DOUBLE_EQ(weatherState.pressure.load(), c.pressure) << page;
    }
}

TEST(UnitsSettings, StoredTextsOverTheLocalesDefaultsUnknownOnesIgnored) {
    const Units us{};
    const Units metric = LocaleUnits(true, true);
    EXPECT_EQ(metric, kMetric24);
    EXPECT_EQ(LocaleUnits(false, false), us);
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> stored;
        Units defaults;
        Units loaded;
    };
    const std::vector<Case> cases = {
        {"nothing stored: the locale's", {}, metric, metric},
        {"nothing stored, US locale", {}, us, us},
        {"all four over a metric locale",
         {{"TemperatureUnit", "F"}, {"PressureUnit", "inHg"}, {"WindUnit", "kn"}, {"Clock", "12"}},
         metric,
         Units{TemperatureUnit::Fahrenheit, PressureUnit::InchesOfMercury, WindUnit::Knots,
               ClockStyle::TwelveHour}},
        {"one stored, the rest the locale's",
         {{"WindUnit", "m/s"}},
         us,
         Units{TemperatureUnit::Fahrenheit, PressureUnit::InchesOfMercury,
               WindUnit::MetresPerSecond, ClockStyle::TwelveHour}},
        {"unknown values: as if absent",
         {{"TemperatureUnit", "c"},
          {"PressureUnit", "mmHg"},
          {"WindUnit", "kmh"},
          {"Clock", "24 "}},
         us,
         us},
        {"unknown beside known",
         {{"TemperatureUnit", "Kelvin"}, {"Clock", "24"}},
         us,
         Units{TemperatureUnit::Fahrenheit, PressureUnit::InchesOfMercury, WindUnit::MilesPerHour,
               ClockStyle::TwentyFourHour}},
    };
    for (const Case& c : cases) {
        fakes::FakeSettingsStore store;
        for (const auto& [name, value] : c.stored) {
            store.texts[name] = value;
        }
        EXPECT_EQ(LoadUnits(store, c.defaults), c.loaded) << c.what;
    }
    fakes::FakeSettingsStore unreadable;
    unreadable.readingFails = true;
    EXPECT_EQ(LoadUnits(unreadable, metric), metric);
}

TEST(UnitsSettings, SavedTextsReadBackAndLeaveTheOtherSettings) {
    fakes::FakeSettingsStore store;
    store.values["Interval"] = 960;
    store.texts["Station"] = "KBOS";
    const std::vector<Units> all = {
        Units{},
        kMetric24,
        Units{TemperatureUnit::Celsius, PressureUnit::InchesOfMercury, WindUnit::Knots,
              ClockStyle::TwelveHour},
        Units{TemperatureUnit::Fahrenheit, PressureUnit::Hectopascals, WindUnit::MetresPerSecond,
              ClockStyle::TwentyFourHour},
    };
    for (const Units& units : all) {
        SaveUnits(store, units);
        EXPECT_EQ(LoadUnits(store, units == kMetric24 ? Units{} : kMetric24), units);
    }
    EXPECT_EQ(store.texts["TemperatureUnit"], "F");
    EXPECT_EQ(store.texts["PressureUnit"], "hPa");
    EXPECT_EQ(store.texts["WindUnit"], "m/s");
    EXPECT_EQ(store.texts["Clock"], "24");
    EXPECT_EQ(store.values["Interval"], 960u);
    EXPECT_EQ(store.texts["Station"], "KBOS");
}

}  // namespace
}  // namespace tickwell::live
