// Thousands of fetch jobs against a fast local stand-in server, while the
// test thread plays the user-interface thread: it steps and draws the ticker
// and paints the whole window on the software canvas between the jobs'
// writes. Every picture of the state it sees must be whole: readings from
// one page or the other, ticker windows cut from one text or the other.
//
// TICKWELL_STRESS_JOBS sets the number of jobs (default 2000) and
// TICKWELL_STRESS_SECONDS a time budget after which no new job starts
// (default 30 s, 45 s under ThreadSanitizer); at least 100 jobs must run.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/fetch_job.h"
#include "fetch/forecast_parser.h"
#include "fetch/internet_connection.h"
#include "fetch/roundup_parser.h"
#include "platform/http.h"
#include "support/fake_settings_store.h"
#include "support/invalidation_recorder.h"
#include "tests/raster/raster_canvas.h"
#include "tools/weather_server/weather_server.h"

#if defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define TICKWELL_UNDER_TSAN 1
#endif
#endif
#if defined(__SANITIZE_THREAD__)
#define TICKWELL_UNDER_TSAN 1
#endif

namespace tickwell {
namespace {

using tools::Page;

int FromEnvironment(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && std::atoi(text) > 0 ? std::atoi(text) : fallback;
}

int JobCount() {
    return FromEnvironment("TICKWELL_STRESS_JOBS", 2000);
}

std::chrono::seconds TimeBudget() {
#ifdef TICKWELL_UNDER_TSAN
    return std::chrono::seconds(FromEnvironment("TICKWELL_STRESS_SECONDS", 45));
#else
    return std::chrono::seconds(FromEnvironment("TICKWELL_STRESS_SECONDS", 30));
#endif
}

constexpr int kMinimumJobs = 100;
constexpr int kFramesPerLook = 16;

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// One version of both pages and what the parsers make of it.
struct Variant {
    std::string forecastPage;
    std::string roundupPage;
    std::string today;
    std::string outlook;
    std::int32_t temperature = 0;
    std::int32_t dewPoint = 0;
    std::int32_t humidity = 0;
    double pressure = 0;
};

Variant Parsed(std::string forecast, std::string roundup) {
    Variant v;
    v.forecastPage = std::move(forecast);
    v.roundupPage = std::move(roundup);
    EXPECT_TRUE(ExtractForecast(v.forecastPage.c_str()));
    EXPECT_TRUE(ParseRoundup(v.roundupPage.c_str()));
    v.today = weatherState.today.text;
    v.outlook = weatherState.outlook.text;
    v.temperature = weatherState.temperature;
    v.dewPoint = weatherState.dewPoint;
    v.humidity = weatherState.relativeHumidity;
    v.pressure = weatherState.pressure;
    return v;
}

// Every window a ticker step can cut from `text`: the lead-in or gap, the
// text, the gap and the text again.
std::string Scrolled(const std::string& text) {
    const std::string gap(20, ' ');
    return gap + text + gap + text;
}

class StressFetch : public ::testing::Test {
protected:
    void SetUp() override {
        AllocateWeatherBuffers();
        const std::string forecast = tools::SamplePage(Page::Forecast);
        const std::string roundup = tools::SamplePage(Page::Roundup);
        variants_[0] = Parsed(forecast, roundup);
        // The second version differs in every reading and in the length of
        // both texts.
        variants_[1] = Parsed(
            Replaced(Replaced(forecast, "PARTLY CLOUDY. LOWS 35 TO 40.", "CLEAR."),
                     ".THURSDAY...SUNNY. HIGHS IN THE MID 60S.",
                     ".THURSDAY...SUNNY.\n.FRIDAY...BREEZY AND MUCH COLDER. HIGHS 40 TO 45."),
            Replaced(roundup, "47 18  31 NW13G22   30.12R", "-12 -20 88 NW13G22   29.47S"));
        ASSERT_NE(variants_[0].today.size(), variants_[1].today.size());
        ASSERT_NE(variants_[0].outlook.size(), variants_[1].outlook.size());
        for (const Variant& v : variants_) {
            windows_today_.push_back(Scrolled(v.today));
            windows_outlook_.push_back(Scrolled(v.outlook));
        }
        AllocateWeatherBuffers();

        ASSERT_TRUE(server_.Start());
        weatherServer = {"127.0.0.1", static_cast<std::uint16_t>(server_.port())};
        UseInternet(platform::SystemInternet());
        ASSERT_TRUE(OpenSession());
        ASSERT_TRUE(OpenConnection());
        SetFetchPause([](std::uint32_t) {});
        mainWindow = &window_;

        CreateTickerResources(graphics_, CreateLabelFont);
        CreateReadouts(graphics_);
        lampBusyBrush = graphics_.CreateSolidBrush(kLampBusyColor);
        lampIdleBrush = graphics_.CreateSolidBrush(kLampIdleColor);
        client_ = graphics_.CreateWindowCanvas(kWindowWidth - 2, kWindowHeight - 2, 0xC0C0C0);
    }

    void TearDown() override {
        WaitForJob();
        delete currentJob;
        currentJob = nullptr;
        mainWindow = nullptr;
        SetFetchPause(nullptr);
        CloseConnection();
        server_.Stop();
        client_.reset();
        delete lampBusyBrush;
        delete lampIdleBrush;
        lampBusyBrush = lampIdleBrush = nullptr;
        DestroyReadouts();
        DeleteLabelFont();
        ReleaseTickerResources();
    }

    void Serve(const Variant& v) {
        server_.SetPage(Page::Forecast, v.forecastPage);
        server_.SetPage(Page::Roundup, v.roundupPage);
    }

    void WaitForJob() {
        while (currentJob != nullptr && currentJob->State() != ThreadState::Finished) {
        }
    }

    // What the user-interface thread does while a job runs: a tick's worth
    // of scrolling and a whole paint, checking what it saw.
    void TickAndPaint(bool showOutlook) {
        ScrollText& scroll = showOutlook ? weatherState.outlook : weatherState.today;
        const auto& windows = showOutlook ? windows_outlook_ : windows_today_;
        TickerStep(scroll);
        const std::string window = TickerWindow;
        bool found = false;
        for (const std::string& all : windows)
            found = found || all.find(window) != std::string::npos;
        ASSERT_TRUE(found) << "a ticker window cut from no whole text: [" << window << "]";
        logic_.OnPaint(*client_);

        // Each reading, read once without the lock, is whole.
        const std::int32_t temperature = weatherState.temperature;
        const double pressure = weatherState.pressure;
        ASSERT_TRUE(temperature == variants_[0].temperature ||
                    temperature == variants_[1].temperature)
            << temperature;
        ASSERT_TRUE(pressure == variants_[0].pressure || pressure == variants_[1].pressure)
            << pressure;
    }

    tools::WeatherServer server_;
    Variant variants_[2];
    std::vector<std::string> windows_today_;
    std::vector<std::string> windows_outlook_;
    fakes::InvalidationRecorder window_;
    RasterGraphics graphics_;
    fakes::FakeSettingsStore store_;
    MainWindowLogic logic_{graphics_, store_};
    std::unique_ptr<RasterCanvas> client_;
};

TEST_F(StressFetch, ManyJobsLeaveWholeStateAndReuseOneConnection) {
    const int wanted = JobCount();
    const auto start = std::chrono::steady_clock::now();
    const auto deadline = start + TimeBudget();
    std::int64_t frames = 0;
    int jobs = 0;
    for (int job = 0; job < wanted && std::chrono::steady_clock::now() < deadline; ++job) {
        jobs = job + 1;
        const Variant& v = variants_[job % 2];
        Serve(v);
        window_.Clear();
        ASSERT_TRUE(StartFetch()) << "job " << job;
        // While the job runs the window keeps drawing.
        // A burst of frames between two looks at the job's state (each look
        // pauses 1 ms), so that frames overlap the job's writes.
        do {
            for (int i = 0; i < kFramesPerLook; ++i) {
                TickAndPaint(job % 3 == 0);
                ++frames;
                if (HasFatalFailure()) return;
            }
        } while (currentJob->State() != ThreadState::Finished);
        TickAndPaint(job % 3 != 0);
        if (HasFatalFailure()) return;

        // The finished job stored its own version whole, lowered the lamp
        // and asked for the whole window to be repainted last.
        ASSERT_FALSE(weatherState.busy.load()) << "job " << job;
        ASSERT_EQ(weatherState.temperature.load(), v.temperature) << "job " << job;
        ASSERT_EQ(weatherState.dewPoint.load(), v.dewPoint);
        ASSERT_EQ(weatherState.relativeHumidity.load(), v.humidity);
        ASSERT_EQ(weatherState.pressure.load(), v.pressure);
        {
            DataMutexHold hold;
            ASSERT_EQ(weatherState.today.text, v.today) << "job " << job;
            ASSERT_EQ(weatherState.outlook.text, v.outlook) << "job " << job;
        }
        const auto calls = window_.Calls();
        ASSERT_GE(calls.size(), 2u);
        ASSERT_FALSE(calls.back().area.has_value()) << "job " << job;
        ASSERT_FALSE(calls.back().erase);
    }
    EXPECT_GE(jobs, std::min(wanted, kMinimumJobs)) << "too few jobs ran within the time budget";
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // Two requests per refresh, and each refresh's two on one connection.
    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), static_cast<std::size_t>(2 * jobs));
    std::set<std::string> connections;
    int split = 0;
    for (std::size_t i = 0; i + 1 < requests.size(); i += 2) {
        EXPECT_EQ(requests[i].page, Page::Forecast);
        EXPECT_EQ(requests[i + 1].page, Page::Roundup);
        split += requests[i].remote != requests[i + 1].remote ? 1 : 0;
        connections.insert(requests[i].remote);
        connections.insert(requests[i + 1].remote);
    }
    EXPECT_EQ(split, 0) << "refreshes whose two requests used two connections";
    std::printf(
        "%d jobs in %.2f s (%.2f ms each), %lld ticker frames and paints in between, "
        "%zu TCP connections\n",
        jobs, seconds, 1000.0 * seconds / jobs, static_cast<long long>(frames), connections.size());
}

}  // namespace
}  // namespace tickwell
