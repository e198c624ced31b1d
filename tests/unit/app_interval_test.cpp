// The refresh interval reaches the live source as a value handed over when
// a fetch job starts, never read from the settings on the job's thread: the
// Preferences dialog changes it again and again while refreshes run (a data
// race ThreadSanitizer would report), and the next job's NOW line follows
// the last interval accepted.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/live_startup.h"
#include "app/preferences_dialog.h"
#include "app/weather_state.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "live/clock.h"
#include "live/live_internet.h"
#include "live/live_source.h"
#include "live/status_line.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"
#include "support/fake_internet.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"

namespace tickwell {
namespace {

// Monday 2 March 2026, noon UTC; the station's clock is UTC.
constexpr std::int64_t kNow = 1772452800;

class FixedClock : public live::Clock {
public:
    std::int64_t UnixSeconds() override { return kNow; }
    std::int64_t MonotonicSeconds() override { return 1000; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
};

// The service never answers, a little later each time, so that the job
// spends its time in requests while the dialog runs.
class UnreachableService : public platform::HttpsClient {
public:
    platform::HttpsResponse Get(const std::string&, const std::vector<platform::HttpsHeader>&,
                                std::size_t) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        platform::HttpsResponse response;
        response.failure = platform::HttpsFailure::TimedOut;
        return response;
    }
    void Abort() override {}
};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void WaitForJob() {
    while (FetchIsRunning()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

// The user types `minutes` into Preferences and presses OK.
void AcceptInterval(SettingsStore& store, std::uint32_t minutes) {
    fakes::CallLog log;
    fakes::FakeDialogControls controls(log);
    PreferencesDialog dialog(store);
    dialog.OnInit(controls);
    controls.fieldText[IDC_INTERVAL_EDIT] = std::to_string(minutes);
    dialog.OnCommand(controls, 1, 0);
    ASSERT_TRUE(controls.ended);
}

TEST(IntervalHandover, PreferencesChangeTheIntervalWhileRefreshesRun) {
    FixedClock clock;
    live::LiveSource source(std::make_unique<UnreachableService>(), clock,
                            live::LiveOptions{"https://api.test", "", 0}, "KXYZ");
    fakes::FakeInternet system;
    live::LiveInternet internet(source, system);
    UseInternet(internet);
    SetFetchPause([](std::uint32_t) {});
    AllocateWeatherBuffers();
    ASSERT_TRUE(OpenSession());
    ASSERT_TRUE(OpenConnection());
    HandIntervalToSource(source);
    settings = Settings{};
    fakes::FakeSettingsStore store;

    for (int round = 0; round < 20; ++round) {
        ASSERT_TRUE(StartFetch());
        // Several changes while the job asks the service.
        for (std::uint32_t minutes : {1u, 136u, 7u + static_cast<std::uint32_t>(round)}) {
            AcceptInterval(store, minutes);
        }
        WaitForJob();
    }

    // The job that starts after the last OK shows its interval: the next
    // try is 136 minutes on (longer than any back-off of the service).
    AcceptInterval(store, 136);
    ASSERT_TRUE(StartFetch());
    WaitForJob();
    const std::string expected =
        Lower("Next try at " + live::LocalTimeText(kNow + 136 * 60, kNow, 0));
    std::string shown;
    {
        DataMutexHold hold;
        shown = Lower(weatherState.today.text);
    }
    EXPECT_NE(shown.find(expected), std::string::npos)
        << "shown: " << shown << "\nexpected: " << expected;

    SetJobStartHandler(nullptr);
    CloseConnection();
    CloseSession();
    SetFetchPause(nullptr);
    UseInternet(platform::SystemInternet());
    delete currentJob;
    currentJob = nullptr;
}

}  // namespace
}  // namespace tickwell
