// Start-up and shutdown against a fake desktop, a fake store and an HTTP
// library that fails where a test asks it to.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/startup.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"

namespace tickwell {
namespace {

using fakes::CallLog;
using fakes::FakeDesktop;
using fakes::FakeSettingsStore;
using fakes::FakeWindow;
using fakes::OfflineInternet;

void NoPause(std::uint32_t) {}

void WaitForFetch() {
    while (currentJob != nullptr && currentJob->State() != ThreadState::Finished) {
    }
}

class StartupTest : public ::testing::Test {
protected:
    static void TearDownTestSuite() {
        // The program leaves its last job to the end of the process; a
        // test program ends its thread properly.
        WaitForFetch();
        delete currentJob;
        currentJob = nullptr;
    }

    void SetUp() override {
        UseInternet(internet);
        SetFetchPause(NoPause);
        settings = Settings{};
        // The fetch job must be done with the window before the test ends.
        desktop.loopScript = [](FakeWindow&, WindowHandlers&) { WaitForFetch(); };
    }

    void TearDown() override {
        WaitForFetch();
        mainWindow = nullptr;
        if (exitCode == 1) {
            // A failed start leaves its drawing objects and an open session
            // to the end of the process; this process goes on testing.
            ReleaseTickerResources();
            DeleteLabelFont();
            CloseConnection();
        }
    }

    int Run() {
        exitCode = RunTickwell(desktop, store);
        return exitCode;
    }

    // Checks a failed start: one error box with `messageId`, exit code 1,
    // no window.
    void ExpectFailure(int messageId) {
        EXPECT_EQ(Run(), 1);
        EXPECT_EQ(log.Count("ShowErrorBox"), 1);
        EXPECT_EQ(log.Count("ShowErrorBox " + std::to_string(messageId)), 1);
        EXPECT_EQ(log.Count("ShowMainWindow"), 0);
        EXPECT_EQ(log.Count("RunMessageLoop"), 0);
        EXPECT_EQ(internet.connectionsOpen, 0);
        EXPECT_EQ(internet.sessionsOpen, 0);
        // Nothing was saved: the store was only read.
        EXPECT_EQ(store.Writes().size(), 0u);
    }

    OfflineInternet internet;
    CallLog log;
    FakeDesktop desktop{log};
    FakeSettingsStore store;
    int exitCode = -1;
};

// ---- failures ----

TEST_F(StartupTest, NoInternetShowsOneBoxAndOpensNothing) {
    internet.canConnect = false;
    ExpectFailure(IDS_ERROR_INTERNET);
    EXPECT_EQ(log.Count("RegisterWindowClass"), 0);
}

TEST_F(StartupTest, ClassRegistrationFailureShowsItsBox) {
    desktop.registerFails = true;
    ExpectFailure(IDS_ERROR_REGISTER_CLASS);
}

TEST_F(StartupTest, SessionFailureShowsTheInternetBox) {
    internet.sessionOpens = false;
    ExpectFailure(IDS_ERROR_INTERNET);
}

TEST_F(StartupTest, ConnectionFailureShowsTheServerBoxAndClosesTheSession) {
    internet.connectionOpens = false;
    ExpectFailure(IDS_ERROR_SERVER);
}

TEST_F(StartupTest, WindowCreationFailureShowsItsBox) {
    desktop.createFails = true;
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(log.Count("ShowErrorBox"), 1);
    EXPECT_EQ(log.Count("ShowErrorBox " + std::to_string(IDS_ERROR_CREATE_WINDOW)), 1);
    EXPECT_EQ(log.Count("ShowMainWindow"), 0);
    EXPECT_EQ(log.Count("RunMessageLoop"), 0);
}

// ---- a whole run ----

TEST_F(StartupTest, NormalRunGoesThroughTheStepsInOrderAndExitsWithZero) {
    store.values = {{"Interval", 480}, {"WinX", 30}, {"WinY", 40}};
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(store.calls.front(), "OpenForReading");
    const std::vector<std::string> steps = {
        "CreateFixedFont 13",
        "CreateFixedFont 10",
        "InitCommonControls",
        "RegisterWindowClass",
        "ScreenSize",
        "CreateMainWindow 30,40 200x45",
        "CreateCloseButton",
        "StartTimer 1 250",
        "ShowMainWindow",
        "RunMessageLoop",
        "Close",
        "ScreenPosition",
        "StopTimer",
        "PostQuit 0",
        "LoopEnded",
    };
    int at = 0;
    for (const std::string& step : steps) {
        const int found = log.Find(step, at);
        EXPECT_GE(found, at) << step;
        at = found < 0 ? at : found + 1;
    }
    EXPECT_EQ(log.Count("ShowErrorBox"), 0);
    EXPECT_EQ(internet.connectionsOpen, 0);
    EXPECT_EQ(internet.sessionsOpen, 0);
}

TEST_F(StartupTest, ShutdownSavesThePositionRecordedAtDestruction) {
    desktop.loopScript = [](FakeWindow& window, WindowHandlers&) {
        WaitForFetch();
        window.position = Point{321, 123};
    };
    store.values = {{"Fast", 1}};
    Run();
    EXPECT_EQ(store.values["WinX"], 321u);
    EXPECT_EQ(store.values["WinY"], 123u);
    EXPECT_EQ(store.values["Interval"], 3600u);
    EXPECT_EQ(store.values["Fast"], 1u);
    EXPECT_EQ(store.calls.back(), "Close");
}

TEST_F(StartupTest, ShutdownReleasesEveryDrawingObjectInItsOrder) {
    const int before = fakes::LiveNamedObjects();
    Run();
    EXPECT_EQ(fakes::LiveNamedObjects(), before);
    // The fonts go first, then the strip's bitmap and brush.
    const std::vector<std::string> deleted = fakes::DeletedNamedObjects();
    ASSERT_GE(deleted.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(deleted.end() - 4, deleted.end()),
              (std::vector<std::string>{"font 13", "font 10", "bitmap 170x15", "brush 2D2D2D"}));
}

TEST_F(StartupTest, ReadoutsAreCreatedAfterTheWindowIsShown) {
    Run();
    const int shown = log.Find("ShowMainWindow");
    // The readouts make their pens with the lit and unlit colours.
    EXPECT_GT(log.Find("CreatePen 00FFDC"), shown);
    EXPECT_EQ(log.Find("CreatePen 00FFDC"), log.Find("CreatePen"));
}

// ---- placing the window ----

struct Placement {
    int savedX, savedY, expectedX, expectedY;
};

class PlacementTest : public StartupTest, public ::testing::WithParamInterface<Placement> {};

TEST_P(PlacementTest, SavedPositionIsMovedOntoTheScreen) {
    const Placement placement = GetParam();
    store.values = {{"WinX", static_cast<std::uint32_t>(placement.savedX)},
                    {"WinY", static_cast<std::uint32_t>(placement.savedY)}};
    desktop.screen = Point{1024, 768};
    Run();
    EXPECT_EQ(log.Count("CreateMainWindow " + std::to_string(placement.expectedX) + "," +
                        std::to_string(placement.expectedY) + " 200x45"),
              1);
}

INSTANTIATE_TEST_SUITE_P(
    Positions, PlacementTest,
    ::testing::Values(Placement{100, 200, 100, 200}, Placement{-5, -1200, 0, 0},
                      Placement{824, 723, 824, 723}, Placement{825, 724, 824, 723},
                      Placement{5000, 5000, 824, 723}, Placement{-3000, 9000, 0, 723}));

TEST(ClampWindowPositionTest, ScreenNarrowerThanTheWindowWins) {
    // The lower bound is applied first, so a tiny screen leaves the window
    // flush with its right edge even if that edge lies left of 0.
    settings.windowX = 50;
    settings.windowY = -10;
    ClampWindowPosition(Point{150, 30});
    EXPECT_EQ(settings.windowX, -50);
    EXPECT_EQ(settings.windowY, -15);
}

}  // namespace
}  // namespace tickwell
