// The close while a fetch job still runs: the job is waited for, with its
// pauses between attempts cut short, and the program returns normally.
// Each run is a child process (a death test), so that a close that ends the
// process at once shows as the wrong exit code instead of ending the tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "app/startup.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "platform/threads.h"
#include "support/fake_settings_store.h"
#include "support/fake_window.h"

namespace tickwell {
namespace {

// What the child's exit code says.
constexpr int kReturnedAfterTheJob = 42;
constexpr int kJobStillRunning = 43;
constexpr int kTooSlow = 44;
constexpr int kFailedExitCode = 45;

// The connection opens no requests, so each attempt of the job fails at
// once and the job spends its time in the real one-second pauses between
// its twenty attempts. The window closes while the job is in one of them.
[[noreturn]] void CloseDuringRetryPauses() {
    fakes::OfflineInternet internet;
    UseInternet(internet);
    SetFetchPause(nullptr);
    fakes::CallLog log;
    fakes::FakeDesktop desktop{log};
    fakes::FakeSettingsStore store;
    std::chrono::steady_clock::time_point closed;
    desktop.loopScript = [&closed](fakes::FakeWindow&, WindowHandlers&) {
        platform::Sleep(300);
        closed = std::chrono::steady_clock::now();
    };
    const int exitCode = RunTickwell(desktop, store);
    const auto took = std::chrono::steady_clock::now() - closed;
    if (exitCode != 0) std::_Exit(kFailedExitCode);
    if (currentJob == nullptr || currentJob->State() != ThreadState::Finished) {
        std::_Exit(kJobStillRunning);
    }
    std::_Exit(took < std::chrono::milliseconds(400) ? kReturnedAfterTheJob : kTooSlow);
}

TEST(ShutdownTest, ClosingDuringRetryPausesWaitsForTheJobThenReturns) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // Exit code 0 would mean the close gave up waiting and ended the
    // process at once.
    EXPECT_EXIT(CloseDuringRetryPauses(), testing::ExitedWithCode(kReturnedAfterTheJob), "");
}

}  // namespace
}  // namespace tickwell
