#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/weather_state.h"
#include "fetch/forecast_parser.h"

namespace tickwell {
namespace {

class ForecastParserTest : public ::testing::Test {
protected:
    void SetUp() override {
        AllocateWeatherBuffers();
        SetText(weatherState.today, "old today");
        SetText(weatherState.outlook, "old outlook");
    }

    static void SetText(ScrollText& scroll, const char* text) {
        std::strcpy(scroll.text, text);
        scroll.length = static_cast<std::int32_t>(std::strlen(text));
    }

    static std::string Today() { return weatherState.today.text; }
    static std::string Outlook() { return weatherState.outlook.text; }

    void ExpectUnchanged() {
        EXPECT_EQ(Today(), "old today");
        EXPECT_EQ(weatherState.today.length, 9);
        EXPECT_EQ(Outlook(), "old outlook");
        EXPECT_EQ(weatherState.outlook.length, 11);
    }
};

const char* const kWorkedExample =
    "<html><head><title>Zone product</title></head><body><pre>\r\n"
    "ZONE FORECAST PRODUCT\r\n"
    "DENVER AND NORTHERN...EASTERN AND SOUTHERN SUBURBS-\r\n"
    "\r\n"
    ".TONIGHT...MOSTLY CLEAR. LOWS 35 TO 40.\r\n"
    ".SATURDAY...SUNNY. HIGHS IN THE MID 60S.\r\n"
    ".SATURDAY NIGHT...CLEAR.\r\n"
    "$$\r\n"
    "</pre></body></html>\r\n";

TEST_F(ForecastParserTest, WorkedExampleGivesBothTextsAndLengths) {
    weatherState.today.position = 7;
    weatherState.outlook.position = 3;

    EXPECT_TRUE(ExtractForecast(kWorkedExample));

    EXPECT_EQ(Today(), ".Tonight...Mostly clear. Lows 35 to 40.  .");
    EXPECT_EQ(weatherState.today.length, 42);
    EXPECT_EQ(Outlook(), "Saturday...Sunny. Highs in the mid 60s.  .Saturday night...Clear.  $$  ");
    EXPECT_EQ(weatherState.outlook.length, 71);
    // The scroll positions belong to the ticker.
    EXPECT_EQ(weatherState.today.position, 7);
    EXPECT_EQ(weatherState.outlook.position, 3);
}

TEST_F(ForecastParserTest, FirstPeriodNamedAfterAWeekdayLeavesTodayAsTheDotAlone) {
    EXPECT_TRUE(ExtractForecast("FORECAST\r\n.SATURDAY...SUNNY.\r\n.SUNDAY...CLOUDY.\r\n</pre>"));
    EXPECT_EQ(Today(), ".");
    EXPECT_EQ(weatherState.today.length, 1);
    EXPECT_EQ(Outlook(), "Saturday...Sunny.  .Sunday...Cloudy.  ");
}

TEST_F(ForecastParserTest, SplitFallsOnTheFirstWeekdayPeriodWhateverItsSuffixOrCase) {
    EXPECT_TRUE(
        ExtractForecast("FORECAST\n.TODAY...RAIN.\n.TONIGHT...SNOW.\n.THIS AFTERNOON...WIND.\n"
                        ".CHRISTMAS DAY...COLD.\n.Monday night...CLEAR.\n.TUESDAY...SUN.\n</pre>"));
    EXPECT_EQ(Today(),
              ".Today...Rain. .Tonight...Snow. .This afternoon...Wind. .Christmas day...Cold. .");
    EXPECT_EQ(Outlook(), "Monday night...Clear. .Tuesday...Sun. ");
}

TEST_F(ForecastParserTest, OnlyALineStartingWithADotIsAPeriod) {
    // The blank before the dot makes the second line ordinary text, both
    // for the first period and for the weekday period.
    EXPECT_TRUE(
        ExtractForecast("FORECAST\n .SUNDAY...NOT A PERIOD.\n.TODAY...RAIN.\n .FRIDAY...NOR THIS.\n"
                        ".SATURDAY...SUN.\n</pre>"));
    EXPECT_EQ(Today(), ".Today...Rain.  .Friday...Nor this. .");
    EXPECT_EQ(Outlook(), "Saturday...Sun. ");
}

TEST_F(ForecastParserTest, DotsInsideAPeriodLineAreNeverCandidates) {
    EXPECT_TRUE(ExtractForecast("FORECAST\n.TONIGHT...SUNDAY IS NEAR.\n.MONDAY...DRY.\n</pre>"));
    EXPECT_EQ(Outlook(), "Monday...Dry. ");
}

TEST_F(ForecastParserTest, HeadingIsMatchedInCapitalsAnywhereEvenInMarkup) {
    // "Forecast" in mixed case is not the heading.
    EXPECT_FALSE(ExtractForecast("Zone Forecast\n.TONIGHT...CLEAR.\n.MONDAY...DRY.\n</pre>"));
    ExpectUnchanged();

    // The first capital FORECAST, here in the title, starts the search.
    EXPECT_TRUE(ExtractForecast(
        "<title>ZONE FORECASTS</title>\n.TONIGHT...CLEAR.\n.MONDAY...DRY.\n</pre>"));
    EXPECT_EQ(Today(), ".Tonight...Clear. .");
}

TEST_F(ForecastParserTest, MissingBlockEndReplacesTodayOnly) {
    EXPECT_FALSE(ExtractForecast("FORECAST\n.TONIGHT...CLEAR.\n.MONDAY...DRY.\n$$\n"));
    EXPECT_EQ(Today(), ".Tonight...Clear. .");
    EXPECT_EQ(weatherState.today.length, 19);
    EXPECT_EQ(Outlook(), "old outlook");
    EXPECT_EQ(weatherState.outlook.length, 11);
}

TEST_F(ForecastParserTest, BlockEndInCapitalsOrBeforeTheWeekdayDoesNotCount) {
    EXPECT_FALSE(ExtractForecast("FORECAST\n</pre>\n.TONIGHT...CLEAR.\n.MONDAY...DRY.\n</PRE>\n"));
    EXPECT_EQ(Today(), ".Tonight...Clear. .");
    EXPECT_EQ(Outlook(), "old outlook");
}

TEST_F(ForecastParserTest, MissingMarksLeaveBothTextsUnchanged) {
    EXPECT_FALSE(ExtractForecast(""));
    EXPECT_FALSE(ExtractForecast("no heading here\n.MONDAY...DRY.\n</pre>"));
    EXPECT_FALSE(ExtractForecast("ZONE FORECAST"));
    EXPECT_FALSE(ExtractForecast("ZONE FORECAST\r\n\r\n"));
    EXPECT_FALSE(ExtractForecast("ZONE FORECAST\nno period line\n</pre>"));
    EXPECT_FALSE(ExtractForecast("FORECAST\n.TONIGHT...CLEAR.\n.TODAY...RAIN.\n</pre>"));
    EXPECT_FALSE(ExtractForecast("FORECAST\n.TONIGHT...CLEAR.\n.MON\n"));
    ExpectUnchanged();
}

TEST_F(ForecastParserTest, LineBreaksBecomeOneBlankEachAndOtherBytesAreKept) {
    EXPECT_TRUE(ExtractForecast("FORECAST\r\n.TONIGHT\t<b>\xE9\r\n\r\n\n.FRIDAY\n\r</pre>"));
    EXPECT_EQ(Today(), ".Tonight\t<b>\xE9     .");
    EXPECT_EQ(Outlook(), "Friday  ");
    EXPECT_EQ(weatherState.outlook.length, 8);
}

TEST(ForecastHelpersTest, NextLineSkipsLineBreaksButNotBlankLines) {
    const char* text = "one\r\n\r\n\ntwo\n   \nthree";
    const char* two = NextLine(text);
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(std::string(two, 3), "two");
    const char* blanks = NextLine(two);
    ASSERT_NE(blanks, nullptr);
    EXPECT_EQ(blanks[0], ' ');
    const char* three = NextLine(blanks);
    ASSERT_NE(three, nullptr);
    EXPECT_STREQ(three, "three");
    EXPECT_EQ(NextLine(three), nullptr);
    EXPECT_EQ(NextLine("last line\r\n"), nullptr);
    EXPECT_EQ(NextLine(nullptr), nullptr);
}

TEST(ForecastHelpersTest, IsDayNameComparesEachNameOverItsOwnLength) {
    EXPECT_TRUE(IsDayName("SATURDAY..."));
    EXPECT_TRUE(IsDayName("Fridays"));
    EXPECT_TRUE(IsDayName("wEdNeSdAy"));
    EXPECT_TRUE(IsDayName("MONDAY NIGHT"));
    EXPECT_FALSE(IsDayName("MON"));
    EXPECT_FALSE(IsDayName("SUNDA"));
    EXPECT_FALSE(IsDayName("TODAY"));
    EXPECT_FALSE(IsDayName(" SUNDAY"));
    EXPECT_FALSE(IsDayName(""));
}

TEST(ForecastHelpersTest, SentenceCaseKeepsTheFirstCapitalOfEachSentence) {
    char text[] = "HIGHS 70S. 2. WINDS NW 10 MPH.\nNEXT LINE";
    ToSentenceCase(text);
    EXPECT_STREQ(text, "Highs 70s. 2. Winds nw 10 mph.\nNext line");

    char leading[] = "  DENVER AND BOULDER";
    ToSentenceCase(leading);
    EXPECT_STREQ(leading, "  Denver and boulder");

    char accented[] = "A\xC9Z";
    ToSentenceCase(accented);
    EXPECT_STREQ(accented, "A\xC9z");
}

}  // namespace
}  // namespace tickwell
