#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

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

TEST_F(RoundupParserTest, TwoWordFirstColumnShiftsEveryReadingOnePlace) {
    EXPECT_TRUE(ParseRoundup("DENVER INTL AP LGT RAIN  45  40  83 N5  30.11S\r\n"));
    ExpectReadings(0, 45, 40, 0.0);
    EXPECT_FALSE(weatherState.busy);
}

TEST_F(RoundupParserTest, ShortRowRunsIntoTheNextLine) {
    std::string page = std::string("DENVER INTL AP NOT AVBL\r\n") + kBoulderRow;
    EXPECT_TRUE(ParseRoundup(page.c_str()));
    ExpectReadings(0, 0, 70, 31.0);
}

TEST_F(RoundupParserTest, SignsAndOverlongNumbersHaveDefinedValues) {
    EXPECT_TRUE(ParseRoundup("DENVER INTL AP SNOW -5 -12 +80 N5 2.99e1\n"));
    ExpectReadings(-5, -12, 80, 29.9);

    EXPECT_TRUE(ParseRoundup("DENVER INTL AP SNOW 99999999999 -99999999999 12abc N5 x\n"));
    ExpectReadings(std::numeric_limits<std::int32_t>::max(),
                   std::numeric_limits<std::int32_t>::min(), 12, 0.0);
}

TEST_F(RoundupParserTest, StationNameMustMatchInCapitalsAndTheFirstOneCounts) {
    EXPECT_FALSE(ParseRoundup("Denver Intl Ap SUNNY 75 40 29 W10 30.01\n"));
    ExpectReadings(11, 22, 33, 44.5);
    EXPECT_TRUE(weatherState.busy);

    EXPECT_TRUE(ParseRoundup(
        "DENVER INTL AP SUNNY 75 40 29 W10 30.01\nDENVER INTL AP RAIN 1 2 3 W10 4.5\n"));
    ExpectReadings(75, 40, 29, 30.01);
}

TEST_F(RoundupParserTest, TextEndingEarlyKeepsWhatWasAlreadyStored) {
    EXPECT_FALSE(ParseRoundup("DENVER INTL AP"));
    EXPECT_FALSE(ParseRoundup("DENVER INTL AP "));
    EXPECT_FALSE(ParseRoundup("DENVER INTL AP SUNNY"));
    EXPECT_FALSE(ParseRoundup("DENVER INTL AP SUNNY   \r\n"));
    ExpectReadings(11, 22, 33, 44.5);

    EXPECT_FALSE(ParseRoundup("DENVER INTL AP SUNNY 75"));
    ExpectReadings(75, 22, 33, 44.5);

    EXPECT_FALSE(ParseRoundup("DENVER INTL AP SUNNY 76 41 30"));
    ExpectReadings(76, 41, 30, 44.5);

    EXPECT_FALSE(ParseRoundup("DENVER INTL AP SUNNY 77 42 31 W10G20 "));
    ExpectReadings(77, 42, 31, 44.5);
    EXPECT_TRUE(weatherState.busy);
}

TEST_F(RoundupParserTest, TheSeparatorAfterTheNameIsNotExamined) {
    EXPECT_TRUE(ParseRoundup("DENVER INTL APXSUNNY 75 40 29 W10 30.01\n"));
    ExpectReadings(75, 40, 29, 30.01);
}

TEST_F(RoundupParserTest, OnlyBlanksEndATokenSoTabsJoinColumns) {
    EXPECT_TRUE(ParseRoundup("DENVER INTL AP SUNNY\t75 40 29 W10 30.01 31.5\n"));
    ExpectReadings(40, 29, 0, 31.5);
}

TEST(RoundupHelpersTest, SkipWhitespaceAndSkipTokenStopWhereTheyShould) {
    EXPECT_EQ(SkipWhitespace(nullptr), nullptr);
    EXPECT_EQ(SkipWhitespace(" \t\r\n"), nullptr);
    const char* text = " \t\r\nword next";
    EXPECT_EQ(SkipWhitespace(text), text + 4);
    EXPECT_EQ(SkipWhitespace(text + 4), text + 4);

    EXPECT_EQ(SkipToken(nullptr), nullptr);
    EXPECT_EQ(SkipToken("word"), nullptr);
    const char* row = "a\tb\r\nc d";
    EXPECT_EQ(SkipToken(row), row + 6);
    EXPECT_EQ(SkipToken(row + 6), row + 6);
}

}  // namespace
}  // namespace tickwell
