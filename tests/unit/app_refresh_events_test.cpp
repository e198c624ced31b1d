// Refreshes out of turn: waking from sleep always brings one, a network
// change only after a refresh that failed for want of the network and once
// the network has settled; a running job goes first; without the live
// source's hooks nothing happens; and the regular refresh counts its
// interval from the refresh out of turn.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/refresh_events.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "settings/settings.h"
#include "support/fake_internet.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"
#include "support/fetch_world.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;
using Time = std::chrono::steady_clock::time_point;

const char* const kForecastPage =
    "<pre>\nZONE FORECAST PRODUCT\n.TONIGHT...CLEAR.\n.MONDAY...SUNNY.\n</pre>\n";
const char* const kRoundupPage = "<pre>\nDENVER INTL AP SUNNY 75 40 29 W10G20 30.01F\n</pre>\n";

fakes::CallLog sharedLog;
fakes::FakeGraphics graphics(sharedLog);

using fakes::WaitForJob;

class RefreshEventsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        internet = new fakes::FakeInternet;
        fakes::OpenFetchWorld(*internet, graphics);
        fakes::FakeResponse forecast;
        forecast.body = kForecastPage;
        internet->SetResponse(forecastPath, forecast);
        fakes::FakeResponse roundup;
        roundup.body = kRoundupPage;
        internet->SetResponse(roundupPath, roundup);
    }

    static void TearDownTestSuite() {
        internet->ReleaseSends();
        fakes::CloseFetchWorld();
    }

    void SetUp() override {
        settings = Settings{};
        tickCount = 0;
        mainWindow = &window;
        window.handlers = &logic;
        ResetRefreshEvents();
    }

    void TearDown() override {
        internet->ReleaseSends();
        WaitForJob();
        ResetRefreshEvents();
    }

    // Hooks that record their calls, as "woke" and "networkBack".
    void InstallHooks() {
        RefreshHooks hooks;
        hooks.lackedNetwork = [this] {
            calls.push_back("lackedNetwork");
            return lackedNetwork;
        };
        hooks.woke = [this] { calls.push_back("woke"); };
        hooks.networkBack = [this] { calls.push_back("networkBack"); };
        SetRefreshHooks(std::move(hooks));
    }

    // Requests of the fetch job's second page: one per fetch.
    static int Fetches() {
        int count = 0;
        for (const std::string& path : internet->OpenedPaths()) count += path == roundupPath;
        return count;
    }

    static fakes::FakeInternet* internet;
    fakes::FakeSettingsStore store;
    fakes::FakeWindow window{sharedLog};
    MainWindowLogic logic{graphics, store};
    std::vector<std::string> calls;
    bool lackedNetwork = false;
};

fakes::FakeInternet* RefreshEventsTest::internet = nullptr;

TEST_F(RefreshEventsTest, EachEventRefreshesOnlyWhenItCallsForIt) {
    const Time t0 = std::chrono::steady_clock::now();
    struct Case {
        const char* label;
        bool hooks;
        std::vector<SystemEvent> events;
        bool lackedNetwork;
        std::chrono::milliseconds after;  // from the events to the tick
        bool fetches;
        std::vector<std::string> calls;
        // The event still waits for a later tick.
        bool waits = false;
    } const cases[] = {
        {"woken: kept answers go stale, and a fetch",
         true,
         {SystemEvent::Woke},
         false,
         0ms,
         true,
         {"woke"}},
        {"without the live source's hooks, nothing",
         false,
         {SystemEvent::Woke},
         true,
         3s,
         false,
         {}},
        {"the network back after a failure for want of it",
         true,
         {SystemEvent::NetworkChanged},
         true,
         kNetworkSettleTime,
         true,
         {"lackedNetwork", "networkBack"}},
        {"a network change while the refreshes succeed",
         true,
         {SystemEvent::NetworkChanged},
         false,
         3s,
         false,
         {"lackedNetwork"}},
        {"the network not settled yet",
         true,
         {SystemEvent::NetworkChanged},
         true,
         1s,
         false,
         {},
         true},
        {"woken with the network changing: the wake-up goes at once",
         true,
         {SystemEvent::NetworkChanged, SystemEvent::Woke},
         true,
         0ms,
         true,
         {"woke"},
         true},
        {"woken once the network settled: one fetch for both",
         true,
         {SystemEvent::Woke, SystemEvent::NetworkChanged, SystemEvent::NetworkChanged},
         true,
         5s,
         true,
         {"woke", "lackedNetwork", "networkBack"}},
    };
    for (const Case& c : cases) {
        ResetRefreshEvents();
        calls.clear();
        if (c.hooks) InstallHooks();
        lackedNetwork = c.lackedNetwork;
        for (SystemEvent event : c.events) NoteSystemEvent(event, t0);
        const int before = Fetches();
        EXPECT_EQ(StartEventRefresh(t0 + c.after), c.fetches) << c.label;
        WaitForJob();
        EXPECT_EQ(Fetches(), before + (c.fetches ? 1 : 0)) << c.label;
        EXPECT_EQ(calls, c.calls) << c.label;
        // What was taken, or dropped, is gone, even once a refresh fails for
        // want of the network.
        lackedNetwork = true;
        EXPECT_EQ(StartEventRefresh(t0 + 1min), c.waits) << c.label;
        WaitForJob();
    }
}

TEST_F(RefreshEventsTest, TheNetworkSettlesFromItsLastChange) {
    InstallHooks();
    lackedNetwork = true;
    const Time t0 = std::chrono::steady_clock::now();
    NoteSystemEvent(SystemEvent::NetworkChanged, t0);
    NoteSystemEvent(SystemEvent::NetworkChanged, t0 + 1500ms);
    EXPECT_FALSE(StartEventRefresh(t0 + 2500ms)) << "1 s after the last change";
    EXPECT_TRUE(StartEventRefresh(t0 + 3500ms));
    EXPECT_EQ(calls, (std::vector<std::string>{"lackedNetwork", "networkBack"}));
}

TEST_F(RefreshEventsTest, ARunningJobGoesFirstAndItsOutcomeDecides) {
    InstallHooks();
    const Time t0 = std::chrono::steady_clock::now();
    for (bool failedForWantOfNetwork : {true, false}) {
        calls.clear();
        lackedNetwork = false;
        internet->HoldSends();
        ASSERT_TRUE(StartFetch());
        ASSERT_TRUE(internet->WaitForHeldSend(5s));
        NoteSystemEvent(SystemEvent::NetworkChanged, t0);
        NoteSystemEvent(SystemEvent::Woke, t0);
        EXPECT_FALSE(StartEventRefresh(t0 + 5s));
        EXPECT_TRUE(calls.empty()) << "the source is not asked while the job holds it";
        // The job ends, having failed for want of the network (or not).
        lackedNetwork = failedForWantOfNetwork;
        internet->ReleaseSends();
        WaitForJob();
        EXPECT_TRUE(StartEventRefresh(t0 + 5s));
        WaitForJob();
        std::vector<std::string> expected = {"woke", "lackedNetwork"};
        if (failedForWantOfNetwork) expected.push_back("networkBack");
        EXPECT_EQ(calls, expected);
    }
}

TEST_F(RefreshEventsTest, TheRegularRefreshCountsItsIntervalFromTheRefreshOutOfTurn) {
    InstallHooks();
    settings.intervalTicks = 40;
    tickCount = 30;
    const int before = Fetches();
    NoteSystemEvent(SystemEvent::Woke);
    logic.OnTimer(window);
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 1);
    EXPECT_EQ(tickCount, 1);
    // The next regular fetch comes a whole interval after that one, which
    // is the time the status line names as the next try.
    for (int tick = 0; tick < 39; ++tick) logic.OnTimer(window);
    EXPECT_EQ(Fetches(), before + 1);
    logic.OnTimer(window);
    WaitForJob();
    EXPECT_EQ(Fetches(), before + 2);
}

TEST_F(RefreshEventsTest, WatchersNoteEventsWhileTheHeartbeatTakesThem) {
    InstallHooks();
    lackedNetwork = true;
    std::atomic<int> running{3};
    std::vector<std::thread> watchers;
    for (int watcher = 0; watcher < 3; ++watcher) {
        watchers.emplace_back([watcher, &running] {
            for (int event = 0; event < 2000; ++event) {
                NoteSystemEvent(watcher == 0 ? SystemEvent::Woke : SystemEvent::NetworkChanged);
            }
            running -= 1;
        });
    }
    int refreshes = 0;
    auto tick = [&refreshes] {
        refreshes += StartEventRefresh(std::chrono::steady_clock::now() + 10s) ? 1 : 0;
    };
    while (running > 0) tick();
    for (std::thread& watcher : watchers) watcher.join();
    WaitForJob();
    tick();
    WaitForJob();
    EXPECT_GE(refreshes, 1);
    EXPECT_FALSE(StartEventRefresh(std::chrono::steady_clock::now() + 10s)) << "all were taken";
}

}  // namespace
}  // namespace tickwell
