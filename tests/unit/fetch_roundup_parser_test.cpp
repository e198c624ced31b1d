#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "app/weather_state.h"
#include "fetch/roundup_parser.h"

namespace tickwell {
namespace {

class RoundupParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        weatherState.temperature = 11;
        weatherState.dewPoint = 22;
        weatherState.relativeHumidity = 33;
        weatherState.pressure = 44.5;
        weatherState.busy = true;
    }

    void ExpectReadings(std::int32_t temperature, std::int32_t dewPoint, std::int32_t humidity,
                        double pressure) {
        EXPECT_EQ(weatherState.temperature, temperature);
        EXPECT_EQ(weatherState.dewPoint, dewPoint);
        EXPECT_EQ(weatherState.relativeHumidity, humidity);
        EXPECT_DOUBLE_EQ(weatherState.pressure, pressure);
    }
};

const char* const kBoulderRow = "BOULDER        CLOUDY    70  38  31 CALM      30.05R\r\n";

TEST_F(RoundupParserTest, WorkedExampleStoresAllFourReadingsAndClearsBusy) {
    std::string page =
        std::string("<pre>\r\nDENVER INTL AP SUNNY     75  40  29 W10G20    30.01F\r\n") +
        kBoulderRow + "</pre>";
    EXPECT_TRUE(ParseRoundup(page.c_str()));
    ExpectReadings(75, 40, 29, 30.01);
    EXPECT_FALSE(weatherState.busy);
}

// Rows the parser must read, each with the readings it stores.
TEST_F(RoundupParserTest, ReadsTheRowWhateverTheSkyColumnHolds) {
    struct Case {
        const char* page;
        std::int32_t temperature, dewPoint, humidity;
        double pressure;
    };
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    const Case cases[] = {
        // Two words, none, three: the temperature is the first number.
        {"DENVER INTL AP LGT RAIN  45  40  83 N5  30.11S\r\n", 45, 40, 83, 30.11},
        {"DENVER INTL AP   45  40  83 N5  30.11S\r\n", 45, 40, 83, 30.11},
        {"DENVER INTL AP LGT SNOW FOG 20 18 92 CALM 29.80F\n", 20, 18, 92, 29.8},
        // Signs and points start numbers; a dash alone or a word does not.
        {"DENVER INTL AP SNOW -5 -12 +80 N5 2.99e1\n", -5, -12, 80, 29.9},
        {"DENVER INTL AP - N/A +.5 -.5 .7 N5 .99\n", 0, 0, 0, 0.99},
        {"DENVER INTL AP X -5 +7 0x1F W 0x1p4\r\n", -5, 7, 0, 16.0},
        // Overlong numbers have defined values.
        {"DENVER INTL AP SNOW 99999999999 -99999999999 12abc N5 1e400\n", kMax, kMin, 12, HUGE_VAL},
        // The first occurrence of the name counts, and the character after
        // the name is passed over unexamined.
        {"DENVER INTL AP SUNNY 75 40 29 W10 30.01\nDENVER INTL AP RAIN 1 2 3 W10 4.5\n", 75, 40, 29,
         30.01},
        {"DENVER INTL APXSUNNY 75 40 29 W10 30.01\n", 75, 40, 29, 30.01},
        {"DENVER INTL AP7 75 40 29 W10 30.01\n", 75, 40, 29, 30.01},
    };
    for (const Case& c : cases) {
        SetUp();
        EXPECT_TRUE(ParseRoundup(c.page)) << c.page;
        EXPECT_EQ(weatherState.temperature, c.temperature) << c.page;
        EXPECT_EQ(weatherState.dewPoint, c.dewPoint) << c.page;
        EXPECT_EQ(weatherState.relativeHumidity, c.humidity) << c.page;
        EXPECT_DOUBLE_EQ(weatherState.pressure, c.pressure) << c.page;
        EXPECT_FALSE(weatherState.busy) << c.page;
        EXPECT_TRUE(weatherState.hasReadings) << c.page;
    }
}

// Rows the parser must refuse: nothing is stored and the busy period goes on.
TEST_F(RoundupParserTest, RowsWithoutAllReadingsStoreNothing) {
    const std::string notAvailable = std::string("DENVER INTL AP NOT AVBL\r\n") + kBoulderRow;
    const char* const pages[] = {
        notAvailable.c_str(),
        "Denver Intl Ap SUNNY 75 40 29 W10 30.01\n",  // the name is matched in capitals
        "DENVER INTL AP",
        "DENVER INTL AP ",
        "DENVER INTL AP\r\n 75 40 29 W10 30.01\n",  // the row ends at the name
        "DENVER INTL AP\n75 40 29 W10 30.01\n",
        "DENVER INTL AP SUNNY   \r\n",
        "DENVER INTL AP SUNNY 75",
        "DENVER INTL AP SUNNY 76 41 30",
        "DENVER INTL AP SUNNY 77 42 31 W10G20 ",
        "DENVER INTL AP SUNNY 77 42 31 W10G20\r\n30.01\n",  // the pressure is on the next line
        "DENVER INTL AP SUNNY 75 M 29 W10 30.01\n",         // a dew point that is no number
        "DENVER INTL AP SUNNY 75 40 -- W10 30.01\n",
        "DENVER INTL AP SUNNY 75 40 29 W10 M\n",
        "DENVER INTL AP SUNNY 75 40 29 W10 -.F\n",
        "DENVER INTL AP SUNNY 75 40 29 W10 nan\n",
        // A tab belongs to its token: "SUNNY\t75" is a word, so the numbers
        // shift and the "humidity" is W10.
        "DENVER INTL AP SUNNY\t75 40 29 W10 30.01 31.5\n",
    };
    for (const char* page : pages) {
        SetUp();
        weatherState.hasReadings = false;
        EXPECT_FALSE(ParseRoundup(page)) << page;
        ExpectReadings(11, 22, 33, 44.5);
        EXPECT_TRUE(weatherState.busy) << page;
        EXPECT_FALSE(weatherState.hasReadings) << page;
    }
}

}  // namespace
}  // namespace tickwell
