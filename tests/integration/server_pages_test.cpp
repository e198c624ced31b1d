// The bundled sample pages and the altered pages the server sends: the
// program's parsers rely on the marks and columns checked here.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fault_names.h"
#include "page_variants.h"
#include "weather_server.h"

namespace tickwell::tools {
namespace {

// The lines of a text, split at LF.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const auto end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return lines;
}

// The blank-separated tokens after the station name and its one separator,
// counted across line ends as the program's roundup reader counts them.
std::vector<std::string> TokensAfterStation(const std::string& page, std::size_t count) {
    const auto at = page.find("DENVER INTL AP");
    std::vector<std::string> tokens;
    if (at == std::string::npos) return tokens;
    std::size_t p = at + 15;
    while (tokens.size() < count && p < page.size()) {
        while (p < page.size() && std::string(" \t\r\n").find(page[p]) != std::string::npos) ++p;
        const auto end = std::min(page.find(' ', p), page.size());
        tokens.push_back(page.substr(p, end - p));
        p = end;
    }
    return tokens;
}

TEST(ServerSamplePages, ForecastHoldsHeadingPeriodsAndBlockEnd) {
    const std::string& page = SamplePage(Page::Forecast);
    ASSERT_LT(page.size(), 16383u);
    EXPECT_EQ(page.find('\r'), std::string::npos) << "the pages use LF line ends";

    // The first "FORECAST" is the heading inside the preformatted block.
    const auto heading = page.find("FORECAST");
    ASSERT_NE(heading, std::string::npos);
    EXPECT_GT(heading, page.find("<pre>"));
    EXPECT_EQ(page.find("FORECAST", heading + 1), std::string::npos);

    // The first period line after the heading is tonight; the first period
    // named after a weekday is Saturday; the block ends after the "$$".
    const auto lines = Lines(page.substr(heading));
    std::vector<std::string> periods;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (!lines[i].empty() && lines[i][0] == '.') periods.push_back(lines[i]);
    }
    ASSERT_GE(periods.size(), 4u);
    EXPECT_EQ(periods[0].rfind(".TONIGHT...", 0), 0u);
    EXPECT_EQ(periods[1].rfind(".SATURDAY...", 0), 0u);
    const auto outlookStart = page.find("\n.SATURDAY...");
    EXPECT_NE(page.find("$$\n</pre>", outlookStart), std::string::npos);
}

TEST(ServerSamplePages, RoundupStationRowGivesTheExpectedReadings) {
    const std::string& page = SamplePage(Page::Roundup);
    ASSERT_LT(page.size(), 4096u) << "one read of the page must take in the station row";
    const auto first = page.find("DENVER INTL AP");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(page.find("DENVER INTL AP", first + 1), std::string::npos);

    const auto tokens = TokensAfterStation(page, 6);
    ASSERT_EQ(tokens.size(), 6u);
    EXPECT_EQ(tokens[0], "PTSUNNY");
    EXPECT_EQ(std::atoi(tokens[1].c_str()), 47);
    EXPECT_EQ(std::atoi(tokens[2].c_str()), 18);
    EXPECT_EQ(std::atoi(tokens[3].c_str()), 31);
    EXPECT_EQ(tokens[4], "NW13G22");
    EXPECT_DOUBLE_EQ(std::strtod(tokens[5].c_str(), nullptr), 30.12);
}

TEST(ServerPageVariants, WithoutMarkRemovesOnlyTheMark) {
    const std::string forecast = WithoutMark(SamplePage(Page::Forecast), Page::Forecast);
    EXPECT_EQ(forecast.find("FORECAST"), std::string::npos);
    EXPECT_NE(forecast.find(".TONIGHT..."), std::string::npos);

    const std::string roundup = WithoutMark(SamplePage(Page::Roundup), Page::Roundup);
    EXPECT_EQ(roundup.find("DENVER INTL AP"), std::string::npos);
    EXPECT_NE(roundup.find("\nDENVER CENTNL "), std::string::npos);
    EXPECT_NE(roundup.find("\nBOULDER "), std::string::npos);
    EXPECT_EQ(roundup.size() + 53, SamplePage(Page::Roundup).size()) << "exactly one row removed";

    EXPECT_EQ(WithoutMark("DENVER INTL AP X\nDENVER INTL AP Y", Page::Roundup), "");
}

TEST(ServerPageVariants, OversizedKeepsThePageIntactAndHitsTheSizeExactly) {
    const std::string& page = SamplePage(Page::Forecast);
    for (std::size_t bytes : {std::size_t{16384}, std::size_t{65536}, std::size_t{65537}}) {
        const std::string after = Oversized(page, bytes, false);
        ASSERT_EQ(after.size(), bytes);
        const auto pre = page.find("</pre>") + 6;
        EXPECT_EQ(after.substr(0, pre), page.substr(0, pre));
        EXPECT_EQ(after.substr(after.size() - 15), page.substr(page.size() - 15));

        const std::string before = Oversized(page, bytes, true);
        ASSERT_EQ(before.size(), bytes);
        EXPECT_EQ(before.substr(bytes - page.size()), page);
        const std::string padding = before.substr(0, bytes - page.size());
        EXPECT_EQ(padding.find("FORECAST"), std::string::npos);
        EXPECT_EQ(padding.find("</pre>"), std::string::npos);
        EXPECT_EQ(padding.find("\n."), std::string::npos);
    }
    EXPECT_EQ(Oversized(page, 100, false), page) << "a longer page is left as it is";
}

TEST(ServerFaultNames, ReadsPageKindAndNumbers) {
    const auto full = ParsePageFault("roundup=oversized:2:150:70000");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->page, Page::Roundup);
    EXPECT_EQ(full->fault.kind, Misbehaviour::Oversized);
    EXPECT_EQ(full->fault.count, 2);
    EXPECT_EQ(full->fault.delayMs, 150);
    EXPECT_EQ(full->fault.oversizeBytes, 70000u);

    const auto bare = ParsePageFault("forecast=hang");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->fault.kind, Misbehaviour::Hang);
    EXPECT_EQ(bare->fault.count, -1);

    for (const char* bad :
         {"", "forecast", "weather=hang", "forecast=explode", "forecast=slow:", "forecast=slow:x",
          "forecast=slow:-2", "forecast=slow:1:-5", "forecast=slow:1:2:3:4", "forecast=slow:1 "}) {
        EXPECT_FALSE(ParsePageFault(bad)) << bad;
    }
    for (auto kind : {Misbehaviour::None, Misbehaviour::NotFound, Misbehaviour::EmptyBody,
                      Misbehaviour::CutShort, Misbehaviour::CloseConnection, Misbehaviour::Slow,
                      Misbehaviour::Hang, Misbehaviour::LacksMark, Misbehaviour::Oversized}) {
        EXPECT_EQ(MisbehaviourFromName(MisbehaviourName(kind)), kind);
    }
}

TEST(ServerLoadPages, ReplacesBothPagesOnlyWhenBothExist) {
    const auto folder =
        std::filesystem::temp_directory_path() /
        ("tickwell-pages-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "forecast.html") << "forecast page";
    WeatherServer server;
    EXPECT_FALSE(server.LoadPages(folder.string()));
    std::ofstream(folder / "roundup.html") << "roundup page";
    EXPECT_TRUE(server.LoadPages(folder.string()));
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tickwell::tools
