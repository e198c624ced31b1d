// Loading and saving the five settings through a recording store.
#include <gtest/gtest.h>

#include "settings/settings.h"
#include "support/fake_settings_store.h"

namespace tickwell {
namespace {

using fakes::FakeSettingsStore;
using Writes = std::vector<std::pair<std::string, std::uint32_t>>;

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Leftovers of another test must not pass for loaded values.
        settings = Settings{1, true, true, 11, 12, 2u};
    }

    FakeSettingsStore store;
};

TEST_F(SettingsTest, FirstRunWithoutKeyLoadsDefaults) {
    store.readingFails = true;
    LoadSettings(store);
    EXPECT_EQ(settings.intervalTicks, 3600);
    EXPECT_FALSE(settings.showOutlook);
    EXPECT_FALSE(settings.fastScroll);
    EXPECT_EQ(settings.windowX, 0);
    EXPECT_EQ(settings.windowY, 0);
    // A key that could not be opened is not closed either.
    EXPECT_EQ(store.calls, std::vector<std::string>{"OpenForReading"});
}

TEST_F(SettingsTest, ReadsTheFiveValuesInOrderAndClosesTheKey) {
    store.values = {{"Interval", 480}, {"Outlook", 1}, {"Fast", 1}, {"WinX", 300}, {"WinY", 40}};
    LoadSettings(store);
    EXPECT_EQ(store.calls, (std::vector<std::string>{"OpenForReading", "Read Interval",
                                                     "Read Outlook", "Read Fast", "Read WinX",
                                                     "Read WinY", "Read Scale", "Close"}));
    EXPECT_EQ(settings.intervalTicks, 480);
    EXPECT_TRUE(settings.showOutlook);
    EXPECT_TRUE(settings.fastScroll);
    EXPECT_EQ(settings.windowX, 300);
    EXPECT_EQ(settings.windowY, 40);
}

TEST_F(SettingsTest, MissingOrMalformedValuesKeepTheirDefaults) {
    store.values = {{"Interval", 960}, {"Outlook", 1}, {"WinX", 25}};
    store.unreadable = {"Outlook", "WinX"};
    LoadSettings(store);
    EXPECT_EQ(settings.intervalTicks, 960);
    EXPECT_FALSE(settings.showOutlook);
    EXPECT_FALSE(settings.fastScroll);
    EXPECT_EQ(settings.windowX, 0);
    EXPECT_EQ(settings.windowY, 0);
}

TEST_F(SettingsTest, StoredWordsAreTakenWithoutRangeChecks) {
    // A zero interval is not corrected here; only the dialog clamps it.
    store.values = {{"Interval", 0}, {"Outlook", 7}, {"Fast", 0}};
    LoadSettings(store);
    EXPECT_EQ(settings.intervalTicks, 0);
    EXPECT_TRUE(settings.showOutlook);
    EXPECT_FALSE(settings.fastScroll);
}

TEST_F(SettingsTest, SavesInItsOwnOrderWithFlagsAsZeroOrOne) {
    settings = Settings{3600, true, false, 120, 480, std::nullopt};
    SaveSettings(store);
    EXPECT_EQ(store.calls.front(), "OpenForWriting");
    EXPECT_EQ(store.calls.back(), "Close");
    EXPECT_EQ(
        store.Writes(),
        (Writes{{"Interval", 3600}, {"Outlook", 1}, {"WinX", 120}, {"WinY", 480}, {"Fast", 0}}));
}

TEST_F(SettingsTest, OutlookStoredAsSevenIsSavedBackAsOne) {
    store.values = {{"Outlook", 7}, {"Fast", 0xFFFFFFFFu}};
    LoadSettings(store);
    store.ClearLog();
    SaveSettings(store);
    EXPECT_EQ(store.values["Outlook"], 1u);
    EXPECT_EQ(store.values["Fast"], 1u);
}

TEST_F(SettingsTest, NegativePositionsRoundTripThroughThirtyTwoBitWords) {
    settings.windowX = -1200;
    settings.windowY = -1;
    SaveSettings(store);
    EXPECT_EQ(store.values["WinX"], 0xFFFFFB50u);
    EXPECT_EQ(store.values["WinY"], 0xFFFFFFFFu);
    LoadSettings(store);
    EXPECT_EQ(settings.windowX, -1200);
    EXPECT_EQ(settings.windowY, -1);
}

TEST_F(SettingsTest, FailureToOpenForWritingWritesNothing) {
    store.writingFails = true;
    store.values = {{"Interval", 240}};
    SaveSettings(store);
    EXPECT_EQ(store.calls, std::vector<std::string>{"OpenForWriting"});
    EXPECT_EQ(store.values, (std::map<std::string, std::uint32_t>{{"Interval", 240}}));
}

}  // namespace
}  // namespace tickwell
