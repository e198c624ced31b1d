// The fast scanning under the page parsers: the mark search against strstr,
// and the eight-bytes-at-a-time line and sentence-case work against the
// plain character rules, at every alignment and around every word edge.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "app/weather_state.h"
#include "fetch/forecast_parser.h"
#include "fetch/roundup_parser.h"
#include "fetch/text_search.h"

namespace tickwell {
namespace {

std::string RandomText(std::mt19937& random, const std::string& alphabet, std::size_t length) {
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += alphabet[pick(random)];
    return text;
}

// A text as the forecast parser must store it: each CR and LF as a blank,
// then the plain, character-by-character sentence case.
std::string Stored(std::string text) {
    for (char& ch : text) {
        if (ch == '\r' || ch == '\n') ch = ' ';
    }
    ToSentenceCase(text.data());
    return text;
}

TEST(PageScanMarkSearch, FindsWhatStrstrFindsForEveryKeyCharacter) {
    // Texts made of the mark's own letters hold many partial matches,
    // overlapping ones and matches that the terminator cuts short.
    const std::string mark = "DENVER INTL AP";
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        std::string text = RandomText(random, "DENVR ITLAP", random() % 40);
        if (round % 3 == 0) text.insert(random() % (text.size() + 1), mark);
        if (round % 5 == 0) text += mark.substr(0, random() % mark.size());
        for (std::size_t key = 0; key < mark.size(); ++key) {
            ASSERT_EQ(FindInText(text.c_str(), mark, key), std::strstr(text.c_str(), mark.c_str()))
                << "text \"" << text << "\", key " << key;
        }
    }
}

TEST(PageScanMarkSearch, StopsAtTheFirstNulAndNeverMatchesBeforeTheText) {
    const std::string page = std::string("FORE\0FORECAST", 13);
    EXPECT_EQ(FindInText(page.c_str(), "FORECAST", 0), nullptr);
    // The key character right at the start cannot begin a later-keyed match.
    EXPECT_EQ(FindInText("VER INTL AP", "DENVER INTL AP", 3), nullptr);
    const char* text = "VDENVER INTL AP";
    EXPECT_EQ(FindInText(text, "DENVER INTL AP", 3), text + 1);
}

class PageScanForecast : public ::testing::Test {
protected:
    void SetUp() override { AllocateWeatherBuffers(); }
};

// Today's text and the outlook, at every alignment of the page, with line
// breaks, dots, capitals and other bytes falling on every side of every
// word edge, and texts of every length around a word.
TEST_F(PageScanForecast, TextsMatchThePlainRulesAtEveryAlignmentAndLength) {
    std::mt19937 random(11);
    // No letter that starts a weekday name, so that the split stays put.
    const std::string todayAlphabet = "ABCXZ .\r\n\t9b\xC4";
    const std::string outlookAlphabet = "ABCXYZ SMTWF .....\r\n\ta0\x80\xFF";
    for (int round = 0; round < 2000; ++round) {
        const std::string padding(random() % 16, '-');
        const std::string today = ".TONIGHT" + RandomText(random, todayAlphabet, random() % 40);
        const std::string outlook = "MONDAY" + RandomText(random, outlookAlphabet, random() % 60);
        const std::string page =
            padding + "FORECAST\r\n" + today + "\r\n." + outlook + "</pre>" + padding;

        ASSERT_TRUE(ExtractForecast(page.c_str())) << page;
        const std::string expectedToday = Stored(today + "\r\n.");
        ASSERT_EQ(std::string(weatherState.today.text), expectedToday) << page;
        ASSERT_EQ(weatherState.today.length, static_cast<std::int32_t>(expectedToday.size()));
        const std::string expectedOutlook = Stored(outlook);
        ASSERT_EQ(std::string(weatherState.outlook.text), expectedOutlook) << page;
        ASSERT_EQ(weatherState.outlook.length, static_cast<std::int32_t>(expectedOutlook.size()));
    }
}

TEST_F(PageScanForecast, SentenceCarriesAcrossWordEdgesAndEndsOnlyAtADot) {
    // An open sentence runs on through a line break, a long stretch without
    // capitals and a word edge; the dot in the last byte of a word ends it.
    const std::string page =
        "FORECAST\r\n"
        ".MONDAY XXXXXXXX\r\nABC lower lower lower ABC.ABC......A.\r\nB</pre>";
    ASSERT_TRUE(ExtractForecast(page.c_str()));
    EXPECT_STREQ(weatherState.outlook.text,
                 "Monday xxxxxxxx  abc lower lower lower abc.Abc......A.  B");
}

TEST_F(PageScanForecast, LinesOfEveryLengthAndBreakKindLeadToTheFirstPeriod) {
    for (std::size_t lineLength = 0; lineLength < 20; ++lineLength) {
        for (const char* lineBreak : {"\r\n", "\n", "\r", "\r\r\n\n", "\n\r"}) {
            std::string page = "FORECAST";
            for (int line = 0; line < 3; ++line) page += lineBreak + std::string(lineLength, 'x');
            page += std::string(lineBreak) + ".TODAY";
            page += std::string(lineBreak) + " .FRIDAY not a period";
            page += std::string(lineBreak) + ".FRIDAY</pre>";
            ASSERT_TRUE(ExtractForecast(page.c_str())) << lineLength;
            EXPECT_EQ(std::string(weatherState.today.text),
                      Stored(".TODAY" + std::string(lineBreak) + " .FRIDAY not a period" +
                             lineBreak + "."));
            EXPECT_STREQ(weatherState.outlook.text, "Friday");
        }
    }
}

TEST_F(PageScanForecast, BlockEndCutShortByTheEndOfTheTextIsNotFound) {
    std::strcpy(weatherState.outlook.text, "old");
    weatherState.outlook.length = 3;
    for (const char* tail : {"", "<", "</", "</pr", "</pre", "</PRE>"}) {
        const std::string page = std::string("FORECAST\n.MONDAY night\n") + tail;
        EXPECT_FALSE(ExtractForecast(page.c_str())) << tail;
        EXPECT_STREQ(weatherState.today.text, ".");
        EXPECT_STREQ(weatherState.outlook.text, "old");
        EXPECT_EQ(weatherState.outlook.length, 3);
    }
}

TEST(PageScanRoundup, StationIsFoundPastPartialNamesAndNotInACutOne) {
    AllocateWeatherBuffers();
    weatherState.busy = true;
    EXPECT_TRUE(ParseRoundup("DENVER INTL DENVEDENVER INTL AP X 75 40 29 W 30.01F\r\n"));
    EXPECT_EQ(weatherState.temperature, 75);
    EXPECT_DOUBLE_EQ(weatherState.pressure, 30.01);
    weatherState.temperature = 1;
    EXPECT_FALSE(ParseRoundup("DENVER INTL A"));
    EXPECT_FALSE(ParseRoundup("VER INTL AP X 2 3 4 5 6"));
    EXPECT_EQ(weatherState.temperature, 1);
}

}  // namespace
}  // namespace tickwell
