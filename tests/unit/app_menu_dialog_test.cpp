// The context menu's items and marks, the Preferences dialog's conversion
// of the interval, and the parsing of the dialog's number field.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>

#include "app/context_menu.h"
#include "app/dialog_number.h"
#include "app/preferences_dialog.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"
#include "support/fetch_gate.h"

namespace tickwell {
namespace {

using fakes::CallLog;
using fakes::FakeDialogControls;
using fakes::FakeSettingsStore;
using fakes::FakeWindow;
using fakes::MenuItem;
using fakes::OfflineInternet;

using fakes::GatedPause;
using fakes::SetGate;
using fakes::WaitForFetch;

// ---- the context menu ----

class ContextMenuTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static OfflineInternet internet;
        UseInternet(internet);
        SetFetchPause(GatedPause);
    }

    void SetUp() override { settings = Settings{}; }

    void TearDown() override {
        SetGate(true);
        WaitForFetch();
    }

    std::uint32_t FlagsOf(int commandId) const {
        for (const MenuItem& item : window.menuItems) {
            if (item.commandId == commandId) return item.flags;
        }
        ADD_FAILURE() << "no item " << commandId;
        return 0xFFFF;
    }

    CallLog log;
    FakeWindow window{log};
};

TEST_F(ContextMenuTest, SixItemsInOrderTrackedAtThePointThenDestroyed) {
    ShowContextMenu(window, 640, 12);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{
                                 "CreatePopupMenu",
                                 "AppendItem &Today's Forecast 40001 8",
                                 "AppendItem &Outlook Forecast 40002 0",
                                 "AppendItem &Faster Display 40005 0",
                                 "AppendSeparator",
                                 "AppendItem &Update now 40004 0",
                                 "AppendItem &Preferences... 40003 0",
                                 "Track 640,12",
                                 "DestroyMenu",
                             }));
}

TEST_F(ContextMenuTest, MarksFollowTheCurrentSettings) {
    settings.showOutlook = true;
    settings.fastScroll = true;
    ShowContextMenu(window, 0, 0);
    EXPECT_EQ(FlagsOf(IDM_TODAY), MenuEnabled);
    EXPECT_EQ(FlagsOf(IDM_OUTLOOK), MenuChecked);
    EXPECT_EQ(FlagsOf(IDM_FASTER), MenuChecked);
    EXPECT_EQ(FlagsOf(IDM_PREFERENCES), MenuEnabled);
}

TEST_F(ContextMenuTest, UpdateNowIsDisabledNotGreyedWhileAJobRuns) {
    SetGate(false);
    WaitForFetch();
    ASSERT_TRUE(StartFetch());
    ShowContextMenu(window, 0, 0);
    EXPECT_EQ(FlagsOf(IDM_UPDATE_NOW), MenuDisabled);
    EXPECT_EQ(FlagsOf(IDM_UPDATE_NOW) & MenuGrayed, 0u);
    SetGate(true);
    WaitForFetch();
    ShowContextMenu(window, 0, 0);
    EXPECT_EQ(FlagsOf(IDM_UPDATE_NOW), MenuEnabled);
}

TEST_F(ContextMenuTest, UpdateNowIsEnabledWithoutAnyJob) {
    WaitForFetch();
    delete currentJob;
    currentJob = nullptr;
    ShowContextMenu(window, 0, 0);
    EXPECT_EQ(FlagsOf(IDM_UPDATE_NOW), MenuEnabled);
}

// ---- the Preferences dialog ----

class PreferencesTest : public ::testing::Test {
protected:
    void SetUp() override { settings = Settings{}; }

    // Opens the dialog on `intervalTicks` and returns what the field shows.
    std::string Open(std::int32_t intervalTicks) {
        settings.intervalTicks = intervalTicks;
        EXPECT_TRUE(dialog.OnInit(controls));
        return controls.fieldText[IDC_INTERVAL_EDIT];
    }

    // Types `text` into the field and presses OK; returns the saved ticks.
    std::int32_t Accept(const std::string& text) {
        Open(kDefaultIntervalTicks);
        controls.fieldText[IDC_INTERVAL_EDIT] = text;
        store.ClearLog();
        dialog.OnCommand(controls, 1, 0);
        EXPECT_TRUE(controls.ended);
        EXPECT_EQ(controls.result, 1);
        EXPECT_EQ(store.values["Interval"], static_cast<std::uint32_t>(settings.intervalTicks));
        return settings.intervalTicks;
    }

    CallLog log;
    FakeDialogControls controls{log};
    FakeSettingsStore store;
    PreferencesDialog dialog{store};
};

TEST_F(PreferencesTest, InitialisationShowsWholeMinutesThenShowsTheDialog) {
    EXPECT_EQ(Open(3600), "15");
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{"SetUnsigned 1000 15", "ShowNormal"}));
    EXPECT_EQ(Open(3839), "15");
    EXPECT_EQ(Open(239), "0");
    EXPECT_EQ(Open(0), "0");
    EXPECT_EQ(Open(32640), "136");
}

TEST_F(PreferencesTest, OkClampsTheMinutesAndConvertsToTicks) {
    EXPECT_EQ(Accept("15"), 3600);
    EXPECT_EQ(Accept("0"), 240);
    EXPECT_EQ(Accept(""), 240);
    EXPECT_EQ(Accept("abc"), 240);
    EXPECT_EQ(Accept("1"), 240);
    EXPECT_EQ(Accept("136"), 32640);
    EXPECT_EQ(Accept("137"), 32640);
    EXPECT_EQ(Accept("4294967295"), 32640);
    // Too large for 32 bits: read as the maximum, not as 0 (which would
    // have saved a single minute).
    EXPECT_EQ(Accept("99999999999"), 32640);
}

TEST_F(PreferencesTest, OkSavesAllFiveSettingsThenEnds) {
    settings.windowX = -8;
    Open(3600);
    controls.fieldText[IDC_INTERVAL_EDIT] = "20";
    dialog.OnCommand(controls, 1, 0);
    EXPECT_EQ(store.Writes().size(), 5u);
    EXPECT_EQ(store.values["Interval"], 4800u);
    EXPECT_EQ(store.values["WinX"], 0xFFFFFFF8u);
    const std::vector<std::string> entries = log.Entries();
    EXPECT_EQ(entries[entries.size() - 2], "GetUnsigned 1000");
    EXPECT_EQ(entries.back(), "End 1");
}

TEST_F(PreferencesTest, CancelEndsWithTwoAndChangesNothing) {
    Open(3600);
    controls.fieldText[IDC_INTERVAL_EDIT] = "40";
    dialog.OnCommand(controls, 2, 0);
    EXPECT_EQ(controls.result, 2);
    EXPECT_EQ(settings.intervalTicks, 3600);
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(PreferencesTest, OnlyClicksCountForOkAndCancel) {
    Open(3600);
    controls.fieldText[IDC_INTERVAL_EDIT] = "40";
    dialog.OnCommand(controls, 1, 1);
    dialog.OnCommand(controls, 2, 5);
    dialog.OnCommand(controls, IDC_INTERVAL_EDIT, 0x300);
    EXPECT_FALSE(controls.ended);
    EXPECT_EQ(settings.intervalTicks, 3600);
    EXPECT_TRUE(store.calls.empty());
}

TEST_F(PreferencesTest, LinkButtonsOpenTheirUrlsAndKeepTheDialogOpen) {
    dialog.OnCommand(controls, IDC_VISIT_WEB_PAGE, 0);
    dialog.OnCommand(controls, IDC_SEND_EMAIL, 0);
    EXPECT_EQ(log.Entries(), (std::vector<std::string>{std::string("OpenUrl ") + URL_WEB_PAGE,
                                                       std::string("OpenUrl ") + URL_EMAIL}));
    EXPECT_FALSE(controls.ended);
}

// ---- reading the number field ----

TEST(DialogNumberTest, ReadsLeadingDigitsAfterBlanks) {
    bool tooLarge = true;
    EXPECT_EQ(ParseUnsignedField("42", &tooLarge), 42u);
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(ParseUnsignedField("  \t7 minutes", nullptr), 7u);
    EXPECT_EQ(ParseUnsignedField("12abc", nullptr), 12u);
    EXPECT_EQ(ParseUnsignedField("007", nullptr), 7u);
}

TEST(DialogNumberTest, TextWithoutLeadingDigitsReadsZero) {
    bool tooLarge = true;
    EXPECT_EQ(ParseUnsignedField("", &tooLarge), 0u);
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(ParseUnsignedField(nullptr, nullptr), 0u);
    EXPECT_EQ(ParseUnsignedField("-5", nullptr), 0u);
    EXPECT_EQ(ParseUnsignedField("x1", nullptr), 0u);
}

TEST(DialogNumberTest, NumbersBeyondThirtyTwoBitsAreFlagged) {
    bool tooLarge = false;
    EXPECT_EQ(ParseUnsignedField("4294967295", &tooLarge), 4294967295u);
    EXPECT_FALSE(tooLarge);
    EXPECT_EQ(ParseUnsignedField("4294967296", &tooLarge), 0u);
    EXPECT_TRUE(tooLarge);
    EXPECT_EQ(ParseUnsignedField("123456789012345678901234567890", &tooLarge), 0u);
    EXPECT_TRUE(tooLarge);
}

}  // namespace
}  // namespace tickwell
