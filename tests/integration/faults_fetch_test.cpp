// The fetch job against a misbehaving weather server: down, coming back,
// slow, hanging, cutting bodies short, answering with errors, oversized
// bodies, NUL bytes, and the connection closed under a running job. The job
// must always end, leave the lamp dark, keep what it could not replace, and
// recover on the next refresh.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "platform/http.h"
#include "platform/linux/system/http_timeouts.h"
#include "support/invalidation_recorder.h"
#include "tests/raster/raster_canvas.h"
#include "tools/weather_server/weather_server.h"

namespace tickwell {
namespace {

using Clock = std::chrono::steady_clock;
using tools::Fault;
using tools::Misbehaviour;
using tools::Page;

// What the sample roundup page's station row holds.
constexpr std::int32_t kSampleTemperature = 47;
constexpr double kSamplePressure = 30.12;

// The pauses the job asks for, recorded instead of slept so that ten
// attempts a page take no time.
std::mutex pausesGuard;
std::vector<std::uint32_t> pauses;
void RecordPause(std::uint32_t milliseconds) {
    std::lock_guard<std::mutex> hold(pausesGuard);
    pauses.push_back(milliseconds);
}

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

class FetchFaults : public ::testing::Test {
protected:
    void SetUp() override {
        AllocateWeatherBuffers();
        weatherState.temperature = 0;
        weatherState.dewPoint = 0;
        weatherState.relativeHumidity = 0;
        weatherState.pressure = 0.0;
        weatherState.busy = false;
        {
            std::lock_guard<std::mutex> hold(pausesGuard);
            pauses.clear();
        }
        // Short limits, so a hanging server costs seconds, not minutes.
        platform::HttpTimeouts limits;
        limits.connectMs = 1000;
        limits.transferMs = 1500;
        limits.stallSeconds = 1;
        platform::SetHttpTimeouts(limits);

        ASSERT_TRUE(server_.Start());
        port_ = server_.port();
        weatherServer = {"127.0.0.1", static_cast<std::uint16_t>(port_)};
        UseInternet(platform::SystemInternet());
        ASSERT_TRUE(OpenSession());
        ASSERT_TRUE(OpenConnection());
        SetFetchPause(RecordPause);
        mainWindow = &window_;
    }

    void TearDown() override {
        server_.Stop();  // releases hung answers
        FinishJob(std::chrono::seconds(60));
        delete currentJob;
        currentJob = nullptr;
        mainWindow = nullptr;
        SetFetchPause(nullptr);
        CloseConnection();
        platform::SetHttpTimeouts(platform::HttpTimeouts{});
    }

    // Waits for the current job; false when it has not finished in time.
    bool FinishJob(Clock::duration limit) {
        const auto deadline = Clock::now() + limit;
        while (currentJob != nullptr && currentJob->State() != ThreadState::Finished) {
            if (Clock::now() > deadline) return false;
        }
        return true;
    }

    // Runs one whole job; returns its duration in seconds.
    double RunJob() {
        window_.Clear();
        const auto start = Clock::now();
        EXPECT_TRUE(StartFetch());
        EXPECT_TRUE(FinishJob(std::chrono::seconds(60))) << "the job did not end";
        return Seconds(Clock::now() - start);
    }

    // The job ended as a success does: the whole window repainted last.
    bool EndedWithSuccess() {
        const auto calls = window_.Calls();
        return !calls.empty() && !calls.back().area.has_value();
    }
    // The job ended as a failure does: only the lamp repainted last.
    bool EndedWithFailure() {
        const auto calls = window_.Calls();
        return !calls.empty() && calls.back().area.has_value() &&
               calls.back().area->left == lampRect.left && calls.back().area->top == lampRect.top;
    }

    int RequestsFor(Page page) {
        int n = 0;
        for (const auto& r : server_.Requests()) n += r.page == page ? 1 : 0;
        return n;
    }

    std::string Today() {
        DataMutexHold hold;
        return weatherState.today.text;
    }
    std::string Outlook() {
        DataMutexHold hold;
        return weatherState.outlook.text;
    }

    void Fail(Page page, Misbehaviour kind, int count = -1) {
        Fault fault;
        fault.kind = kind;
        fault.count = count;
        server_.SetFault(page, fault);
    }

    tools::WeatherServer server_;
    int port_ = 0;
    fakes::InvalidationRecorder window_;
};

TEST_F(FetchFaults, ServerDownAtStartAndInTheMiddleThenBackAgain) {
    // Down from the start: nothing listens on the port.
    server_.Stop();
    // The start-up check does not ask the server, so the program starts
    // and its refreshes find the server once it is back.
    EXPECT_TRUE(CheckInternet());
    const double down = RunJob();
    EXPECT_TRUE(EndedWithFailure());
    EXPECT_FALSE(weatherState.busy.load());
    EXPECT_EQ(weatherState.temperature.load(), 0);
    EXPECT_EQ(Today(), "");
    EXPECT_LT(down, 10.0) << "refused connections fail fast";
    {
        std::lock_guard<std::mutex> hold(pausesGuard);
        // Nine pauses between the forecast attempts, ten 200 ms pauses and
        // nine retries in the roundup phase.
        EXPECT_EQ(pauses.size(), 9u + 10u + 9u);
    }

    // Back: the next refresh fills everything in, on the same connection
    // object the program opened at start-up.
    ASSERT_TRUE(server_.Start("127.0.0.1", port_));
    EXPECT_TRUE(CheckInternet());
    RunJob();
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_EQ(weatherState.temperature.load(), kSampleTemperature);
    EXPECT_NE(Today(), "");

    // Down in the middle of the run: readings and texts stay as they were.
    const std::string today = Today();
    server_.Stop();
    RunJob();
    EXPECT_TRUE(EndedWithFailure());
    EXPECT_FALSE(weatherState.busy.load());
    EXPECT_EQ(weatherState.temperature.load(), kSampleTemperature);
    EXPECT_EQ(weatherState.pressure.load(), kSamplePressure);
    EXPECT_EQ(Today(), today);

    // And back again with new readings: the kept-alive connection that died
    // with the server must not keep the program from reconnecting.
    std::string roundup = tools::SamplePage(Page::Roundup);
    roundup.replace(roundup.find("47 18  31"), 9, "-3 18  31");
    server_.SetPage(Page::Roundup, roundup);
    ASSERT_TRUE(server_.Start("127.0.0.1", port_));
    RunJob();
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_EQ(weatherState.temperature.load(), -3);
}

TEST_F(FetchFaults, SlowAndHangingAnswersAreBoundedAndTheWindowKeepsTicking) {
    Fault slow;
    slow.kind = Misbehaviour::Slow;
    slow.delayMs = 300;
    server_.SetFault(Page::Forecast, slow);
    EXPECT_GT(RunJob(), 0.3);
    EXPECT_TRUE(EndedWithSuccess()) << "an answer within the limits is taken";
    EXPECT_NE(Today(), "");

    // Two forecast answers never come; the third does.
    AllocateWeatherBuffers();
    server_.ClearFaults();
    Fail(Page::Forecast, Misbehaviour::Hang, 2);
    RasterGraphics graphics;
    CreateTickerResources(graphics, nullptr);
    window_.Clear();
    const auto start = Clock::now();
    ASSERT_TRUE(StartFetch());
    // Meanwhile the job counts as running, so "Update now" stays disabled
    // and a due refresh starts nothing; the ticker never waits for it.
    double slowestStep = 0;
    while (Clock::now() - start < std::chrono::milliseconds(1500)) {
        EXPECT_NE(currentJob->State(), ThreadState::Finished);
        EXPECT_FALSE(StartFetch());
        const auto before = Clock::now();
        TickerStep(weatherState.today);
        slowestStep = std::max(slowestStep, Seconds(Clock::now() - before));
        EXPECT_TRUE(weatherState.busy.load());
    }
    ReleaseTickerResources();
    EXPECT_LT(slowestStep, 0.05) << "a ticker step waited for the network";
    ASSERT_TRUE(FinishJob(std::chrono::seconds(20))) << "a hanging server kept the job forever";
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_EQ(RequestsFor(Page::Forecast), 1 + 3);
    EXPECT_NE(Today(), "");
    EXPECT_FALSE(weatherState.busy.load());

    // Refreshing resumes at once.
    RunJob();
    EXPECT_TRUE(EndedWithSuccess());
}

TEST_F(FetchFaults, BrokenAnswersAreRetriedAndNeverStoredHalfway) {
    const std::string pageText = tools::SamplePage(Page::Forecast);

    // A body cut off in the middle, once per page: the retry stores the
    // whole page.
    Fail(Page::Forecast, Misbehaviour::CutShort, 1);
    Fail(Page::Roundup, Misbehaviour::CutShort, 1);
    RunJob();
    EXPECT_TRUE(EndedWithSuccess());
    const std::string today = Today();
    const std::string outlook = Outlook();
    EXPECT_NE(outlook.find("Thursday"), std::string::npos) << outlook;
    EXPECT_EQ(weatherState.pressure.load(), kSamplePressure);

    // A connection closed without an answer, once per page.
    AllocateWeatherBuffers();
    server_.ClearFaults();
    Fail(Page::Forecast, Misbehaviour::CloseConnection, 1);
    Fail(Page::Roundup, Misbehaviour::CloseConnection, 1);
    RunJob();
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_EQ(Today(), today);
    EXPECT_EQ(Outlook(), outlook);
}

TEST_F(FetchFaults, ErrorPagesAndEmptyBodiesChangeNothing) {
    // The forecast answers 404 with an HTML page every time: ten attempts,
    // texts untouched, and the roundup is fetched all the same.
    Fail(Page::Forecast, Misbehaviour::NotFound);
    RunJob();
    EXPECT_EQ(RequestsFor(Page::Forecast), 10);
    EXPECT_EQ(Today(), "");
    EXPECT_EQ(Outlook(), "");
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_EQ(weatherState.temperature.load(), kSampleTemperature);

    // The roundup answers 404, then with empty bodies: the readings stay,
    // the lamp goes dark.
    weatherState.temperature = 5;
    server_.ClearFaults();
    Fail(Page::Roundup, Misbehaviour::NotFound);
    RunJob();
    EXPECT_TRUE(EndedWithFailure());
    EXPECT_FALSE(weatherState.busy.load());
    EXPECT_EQ(weatherState.temperature.load(), 5);
    EXPECT_NE(Today(), "") << "the forecast still arrived";

    server_.ClearFaults();
    Fail(Page::Forecast, Misbehaviour::EmptyBody);
    Fail(Page::Roundup, Misbehaviour::EmptyBody);
    AllocateWeatherBuffers();
    RunJob();
    EXPECT_TRUE(EndedWithFailure());
    EXPECT_EQ(weatherState.temperature.load(), 5);
    EXPECT_EQ(Today(), "");
}

TEST_F(FetchFaults, OversizedBodiesAreReadOnlyAsFarAsTheBufferHolds) {
    // One megabyte with the page at its start: the page is found, the rest
    // is never parsed, and nothing overflows.
    Fault huge;
    huge.kind = Misbehaviour::Oversized;
    huge.oversizeBytes = 1 << 20;
    server_.SetFault(Page::Forecast, huge);
    server_.SetFault(Page::Roundup, huge);
    EXPECT_LT(RunJob(), 10.0);
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_NE(Outlook().find("Thursday"), std::string::npos);
    EXPECT_LT(weatherState.outlook.length, kTextBufferSize);

    // One megabyte with the marks far beyond the buffer: ten failed attempts
    // a page, nothing stored.
    AllocateWeatherBuffers();
    weatherState.temperature = 5;
    huge.padAtStart = true;
    server_.SetFault(Page::Forecast, huge);
    server_.SetFault(Page::Roundup, huge);
    RunJob();
    EXPECT_TRUE(EndedWithFailure());
    EXPECT_EQ(Today(), "");
    EXPECT_EQ(weatherState.temperature.load(), 5);
}

TEST_F(FetchFaults, NulBytesInABodyEndThePageText) {
    std::string forecast = tools::SamplePage(Page::Forecast);
    std::string roundup = tools::SamplePage(Page::Roundup);

    // A NUL before the marks hides them: nothing is stored.
    std::string hidden = forecast;
    hidden.insert(hidden.find("ZONE FORECAST"), 1, '\0');
    server_.SetPage(Page::Forecast, hidden);
    std::string cutName = roundup;
    cutName.insert(cutName.find("DENVER INTL AP") + 14, 1, '\0');
    server_.SetPage(Page::Roundup, cutName);
    RunJob();
    EXPECT_TRUE(EndedWithFailure());
    EXPECT_EQ(Today(), "");
    EXPECT_EQ(weatherState.temperature.load(), 0);

    // A NUL after everything the parsers need changes nothing.
    forecast.insert(forecast.find("</pre>") + 6, std::string("\0\0garbage", 9));
    roundup.insert(roundup.find("DENVER CENTNL"), 1, '\0');
    server_.SetPage(Page::Forecast, forecast);
    server_.SetPage(Page::Roundup, roundup);
    RunJob();
    EXPECT_TRUE(EndedWithSuccess());
    EXPECT_NE(Outlook().find("Thursday"), std::string::npos);
    EXPECT_EQ(weatherState.pressure.load(), kSamplePressure);
}

TEST_F(FetchFaults, ClosingTheConnectionUnderARunningJobEndsItQuietly) {
    // What shutdown does while a job waits for an answer that never comes:
    // close the connection and the session, drop the buffers.
    Fail(Page::Forecast, Misbehaviour::Hang);
    ASSERT_TRUE(StartFetch());
    const auto asked = Clock::now() + std::chrono::seconds(5);
    while (RequestsFor(Page::Forecast) == 0 && Clock::now() < asked) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_EQ(RequestsFor(Page::Forecast), 1);
    const auto closed = Clock::now();
    CloseConnection();
    ReleaseWeatherBuffers();
    ASSERT_TRUE(FinishJob(std::chrono::seconds(10)));
    EXPECT_LT(Seconds(Clock::now() - closed), 3.0) << "closing did not cut the wait short";
    EXPECT_FALSE(weatherState.busy.load());
    EXPECT_EQ(RequestsFor(Page::Forecast), 1) << "no request after the connection closed";
    EXPECT_EQ(RequestsFor(Page::Roundup), 0);
    // The job's remaining attempts found the connection closed and failed.
    EXPECT_TRUE(EndedWithFailure());
    ASSERT_TRUE(OpenSession());
    ASSERT_TRUE(OpenConnection());
}

}  // namespace
}  // namespace tickwell
