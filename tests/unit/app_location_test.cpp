// The Location item and dialog: the menu offers it last only with a station
// handler (the live source), OK takes the highlighted or first match or a
// typed id, and a choice is saved, clears what the window shows of the old
// station and switches the source without ever showing a result that a job
// still running at the choice brings for the old station.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/context_menu.h"
#include "app/location_dialog.h"
#include "app/main_window.h"
#include "app/station_choice.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "places/station_search.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/fake_internet.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"
#include "support/fetch_world.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;
using fakes::CallLog;
using fakes::FakeGraphics;
using fakes::FakeLocationControls;
using fakes::FakeResponse;
using fakes::FakeSettingsStore;
using fakes::FakeWindow;
using fakes::RecordingCanvas;

// The pages the fake library serves: whatever a job fetches stands for
// "the station the source showed when the job asked".
const char* const kForecastPage =
    "<pre>\nZONE FORECAST PRODUCT\n.TONIGHT...CLEAR.\n.MONDAY...SUNNY.\n</pre>\n";
const char* const kRoundupPage = "<pre>\nDENVER INTL AP SUNNY 75 40 29 W10G20 30.01F\n</pre>\n";

CallLog sharedLog;
FakeGraphics graphics(sharedLog);

using fakes::WaitForJob;

// ---- the dialog's logic ----

struct DialogCase {
    const char* label;
    std::string typed;
    int highlighted;     // the list's highlight when OK is pressed
    bool ends;           // OK closes the dialog
    std::string chosen;  // the station taken; "#n" means the n-th match's id
    // The field's text at OK when it changed without a report, else null.
    const char* unreported = nullptr;
};

TEST(LocationDialogTest, OkTakesTheHighlightedOrFirstMatchOrAnIdOrStaysOpen) {
    ASSERT_FALSE(places::FindStations("boston").empty()) << "the station table is missing";
    ASSERT_TRUE(places::FindStations("qzq9x").empty()) << "an id the table must not know";
    const DialogCase cases[] = {
        {"first match when none is highlighted", "boston", -1, true, "KBOS"},
        {"the highlighted match", "boston", 1, true, "#1"},
        {"a highlight past the list counts as none", "boston", 99, true, "KBOS"},
        {"case and blanks do not matter", "  BOSTON ", -1, true, "KBOS"},
        {"an id the table does not know is taken as is", "qzq9x", -1, true, "QZQ9X"},
        {"nonsense that is no id keeps the dialog open", "@@ ??", -1, false, ""},
        {"a long word is no id either", "qzqzqzqzqzqz", -1, false, ""},
        {"an empty field keeps the dialog open", "", -1, false, ""},
        {"OK reads the field as it is", "boston", 0, true, "QZQ9X", "qzq9x"},
        {"a huge paste is cut before the search", "boston" + std::string(1 << 20, ' ') + "zzz", -1,
         true, "KBOS"},
    };
    for (const DialogCase& c : cases) {
        CallLog log;
        FakeLocationControls controls(log);
        LocationDialog dialog;
        dialog.OnInit(controls);
        EXPECT_TRUE(controls.lines.empty()) << c.label;
        controls.Type(dialog, c.typed);
        controls.highlighted = c.highlighted;
        if (c.unreported != nullptr) controls.query = c.unreported;
        dialog.OnOk(controls);
        EXPECT_EQ(controls.ended, c.ends) << c.label;
        std::string expected = c.chosen;
        if (!expected.empty() && expected[0] == '#') {
            expected = places::FindStations(c.typed).at(std::stoul(expected.substr(1))).id;
        }
        EXPECT_EQ(dialog.chosenStation(), expected) << c.label;
        if (c.ends) {
            EXPECT_EQ(controls.result, kLocationOk) << c.label;
        }
    }
}

TEST(LocationDialogTest, EveryChangeListsTheMatchLinesBestFirst) {
    CallLog log;
    FakeLocationControls controls(log);
    LocationDialog dialog;
    dialog.OnInit(controls);
    controls.Type(dialog, "bos");
    controls.Type(dialog, "boston");
    EXPECT_EQ(log.Count("SetMatchLines"), 3) << "OnInit and each change";
    const std::vector<places::StationMatch> matches = places::FindStations("boston");
    ASSERT_EQ(controls.lines.size(), matches.size());
    for (std::size_t i = 0; i < matches.size(); ++i) {
        EXPECT_EQ(controls.lines[i], places::MatchLine(matches[i]));
    }
    EXPECT_EQ(controls.lines[0].rfind("KBOS  Boston, MA  ", 0), 0u) << controls.lines[0];
    EXPECT_LE(controls.lines.size(), places::kMaxMatches);
    controls.Type(dialog, "");
    EXPECT_TRUE(controls.lines.empty());
}

// ---- the menu, the command and the switch ----

class LocationChoiceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        internet = new fakes::FakeInternet;
        fakes::OpenFetchWorld(*internet, graphics);
    }

    static void TearDownTestSuite() {
        internet->ReleaseSends();
        fakes::CloseFetchWorld();
    }

    void SetUp() override {
        settings = Settings{};
        tickCount = 0;
        internet->SetResponse(forecastPath, Body(kForecastPage));
        internet->SetResponse(roundupPath, Body(kRoundupPage));
        mainWindow = &window;
        window.handlers = &logic;
        // The window shows KDEN's weather, fetched in full.
        StartFetch();
        WaitForJob();
        ASSERT_TRUE(weatherState.hasReadings);
        ASSERT_GT(weatherState.today.length, 0);
        sharedLog.Clear();
    }

    void TearDown() override {
        internet->ReleaseSends();
        WaitForJob();
        ResetStationChoice();
    }

    static FakeResponse Body(const char* body) {
        FakeResponse response;
        response.body = body;
        return response;
    }

    // Installs a handler that records what it is asked, as "save KBOS" and
    // "use KBOS", with `station` shown at first.
    void InstallHandler(const std::string& station = "KDEN") {
        StationHandler handler;
        handler.station = station;
        handler.save = [this](const std::string& id) { events.push_back("save " + id); };
        handler.use = [this](const std::string& id) { events.push_back("use " + id); };
        SetStationHandler(std::move(handler));
    }

    // Chooses Location... and plays the user: types `typed`, then OK (or
    // Cancel when `ok` is false). Returns the dialog's result.
    int ChooseFromMenu(const std::string& typed, bool ok = true) {
        window.locationScript = [&](LocationProcedure& dialog, FakeLocationControls& controls) {
            controls.Type(dialog, typed);
            if (ok) {
                dialog.OnOk(controls);
            } else {
                dialog.OnCancel(controls);
            }
        };
        logic.OnCommand(window, IDM_LOCATION, 0);
        return window.lastLocationDialog ? window.lastLocationDialog->result : -1;
    }

    // Bars, and both texts empty and started over behind the blanks (a
    // tick since has stepped the chosen one a blank further).
    static bool WindowIsClear() {
        return !weatherState.hasReadings && weatherState.today.length == 0 &&
               weatherState.outlook.length == 0 && weatherState.today.text[0] == '\0' &&
               weatherState.today.position < 0 && weatherState.outlook.position < 0;
    }

    static int Fetches() {
        int count = 0;
        for (const std::string& path : internet->OpenedPaths()) {
            count += path == roundupPath ? 1 : 0;
        }
        return count;
    }

    void Paint() {
        RecordingCanvas canvas(sharedLog, "window");
        logic.OnPaint(canvas);
    }

    static fakes::FakeInternet* internet;
    FakeSettingsStore store;
    FakeWindow window{sharedLog};
    MainWindowLogic logic{graphics, store};
    std::vector<std::string> events;
};

fakes::FakeInternet* LocationChoiceTest::internet = nullptr;

TEST_F(LocationChoiceTest, TheMenuOffersLocationLastOnlyWithAStationHandler) {
    struct {
        const char* label;
        bool live;
        std::size_t items;  // separators included
    } const cases[] = {{"classic: the six items", false, 6}, {"live: Location... last", true, 8}};
    for (const auto& c : cases) {
        ResetStationChoice();
        if (c.live) InstallHandler();
        ShowContextMenu(window, 10, 10);
        ASSERT_EQ(window.menuItems.size(), c.items) << c.label;
        EXPECT_EQ(window.menuItems[5].commandId, IDM_PREFERENCES) << c.label;
        if (c.live) {
            EXPECT_TRUE(window.menuItems[6].separator) << c.label;
            EXPECT_EQ(window.menuItems.back().text, "&Location...");
            EXPECT_EQ(window.menuItems.back().commandId, IDM_LOCATION);
            EXPECT_EQ(window.menuItems.back().flags, MenuEnabled);
        }
    }
    ResetStationChoice();
    logic.OnCommand(window, IDM_LOCATION, 0);
    EXPECT_EQ(sharedLog.Count("RunLocationDialog"), 0) << "no dialog without the live source";
}

TEST_F(LocationChoiceTest, OkSavesSwitchesClearsAndFetchesTheNewStationAtOnce) {
    InstallHandler();
    const int before = Fetches();
    tickCount = 500;
    // The new station's job waits in its first request until the window
    // has been looked at, so it cannot fill it first.
    internet->HoldSends();
    EXPECT_EQ(ChooseFromMenu("boston"), kLocationOk);
    EXPECT_EQ(events, (std::vector<std::string>{"save KBOS", "use KBOS"}));
    ASSERT_TRUE(internet->WaitForHeldSend(10s));
    EXPECT_TRUE(WindowIsClear()) << "bars and empty texts until the new station's reading";
    EXPECT_FALSE(StationSwitchPending());
    EXPECT_EQ(tickCount, 0) << "the interval counts from the new fetch";
    EXPECT_GE(sharedLog.Find("Invalidate all"), 0);
    internet->ReleaseSends();
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 1);
    EXPECT_TRUE(weatherState.hasReadings) << "the new station's reading arrives";
    EXPECT_TRUE(store.calls.empty()) << "the five settings are not rewritten";
}

TEST_F(LocationChoiceTest, ATypedIdIsTakenAsIsAndCancelChangesNothing) {
    InstallHandler();
    EXPECT_EQ(ChooseFromMenu("qzq9x"), kLocationOk);
    EXPECT_EQ(events, (std::vector<std::string>{"save QZQ9X", "use QZQ9X"}));
    WaitForJob();
    events.clear();
    const int before = Fetches();
    EXPECT_EQ(ChooseFromMenu("boston", false), kLocationCancel);
    EXPECT_TRUE(events.empty());
    EXPECT_TRUE(weatherState.hasReadings);
    EXPECT_GT(weatherState.today.length, 0);
    EXPECT_EQ(Fetches(), before);
}

TEST_F(LocationChoiceTest, TheSameStationAgainOnlyRefreshes) {
    InstallHandler("KBOS");
    const int before = Fetches();
    internet->HoldSends();
    ChooseFromMenu("boston");
    EXPECT_EQ(events, (std::vector<std::string>{"save KBOS", "use KBOS"}));
    ASSERT_TRUE(internet->WaitForHeldSend(10s));
    EXPECT_TRUE(weatherState.hasReadings) << "the readings stay while they refresh";
    EXPECT_GT(weatherState.today.length, 0);
    internet->ReleaseSends();
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 1);
}

TEST_F(LocationChoiceTest, AJobRunningAtTheChoiceNeverGetsItsOldStationShown) {
    InstallHandler();
    internet->HoldSends();
    ASSERT_TRUE(StartFetch());
    ASSERT_TRUE(internet->WaitForHeldSend(5s));
    ChooseStation(window, "KBOS");
    // Saved at once; the source is left alone while the job may hold it.
    EXPECT_EQ(events, (std::vector<std::string>{"save KBOS"}));
    EXPECT_TRUE(StationSwitchPending());
    EXPECT_TRUE(WindowIsClear());
    logic.OnTimer(window);
    EXPECT_TRUE(StationSwitchPending()) << "the job still runs";

    // The old job ends with the old station's reading and forecast ...
    internet->ReleaseSends();
    WaitForJob();
    ASSERT_TRUE(weatherState.hasReadings);
    // ... which neither a paint before the next tick nor that tick shows.
    Paint();
    EXPECT_TRUE(WindowIsClear());
    const int before = Fetches();
    logic.OnTimer(window);
    EXPECT_EQ(events, (std::vector<std::string>{"save KBOS", "use KBOS"}));
    EXPECT_FALSE(StationSwitchPending());
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 1) << "the new station's fetch ran";
    EXPECT_TRUE(weatherState.hasReadings);
}

TEST_F(LocationChoiceTest, ChoicesWhileAJobRunsEndWithTheLastOne) {
    struct {
        const char* label;
        std::vector<std::string> choices;
        bool clears;
    } const cases[] = {
        {"away and back again still fetches afresh", {"KBOS", "KDEN"}, true},
        {"two new stations: the last wins", {"KBOS", "PHNL"}, true},
        {"the shown station only refreshes", {"KDEN"}, false},
    };
    for (const auto& c : cases) {
        InstallHandler();
        events.clear();
        internet->HoldSends();
        ASSERT_TRUE(StartFetch());
        ASSERT_TRUE(internet->WaitForHeldSend(5s));
        for (const std::string& id : c.choices) ChooseStation(window, id);
        internet->ReleaseSends();
        WaitForJob();
        // The new fetch is held so that it can't fill the window before
        // the check.
        internet->HoldSends();
        logic.OnTimer(window);
        EXPECT_EQ(events.back(), "use " + c.choices.back()) << c.label;
        EXPECT_EQ(WindowIsClear(), c.clears) << c.label;
        EXPECT_TRUE(FetchIsRunning()) << c.label;
        internet->ReleaseSends();
        WaitForJob();
    }
}

}  // namespace
}  // namespace tickwell
