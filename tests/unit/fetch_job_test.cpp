#include "fetch/fetch_job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "fetch/internet_connection.h"
#include "support/fake_internet.h"
#include "support/invalidation_recorder.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;
using fakes::FakeResponse;

const char* const kForecastPage =
    "<pre>\nZONE FORECAST PRODUCT\n.TONIGHT...CLEAR.\n.MONDAY...SUNNY.\n</pre>\n";
const char* const kRoundupPage = "<pre>\nDENVER INTL AP SUNNY 75 40 29 W10G20 30.01F\n</pre>\n";

std::mutex pausesMutex;
std::vector<std::uint32_t> pauses;

void RecordPause(std::uint32_t milliseconds) {
    std::lock_guard<std::mutex> hold(pausesMutex);
    pauses.push_back(milliseconds);
}

std::vector<std::uint32_t> Pauses() {
    std::lock_guard<std::mutex> hold(pausesMutex);
    return pauses;
}

FakeResponse Body(std::string body, std::uint32_t chunk = 0) {
    FakeResponse response;
    response.body = std::move(body);
    response.chunk = chunk;
    return response;
}

// A forecast page padded with blanks before its end tag to `size` bytes.
std::string PaddedForecast(std::size_t size) {
    std::string head = "FORECAST\n.TONIGHT...CLEAR.\n.MONDAY...SUNNY.";
    std::string tail = "</pre>";
    return head + std::string(size - head.size() - tail.size(), ' ') + tail;
}

class FetchJobTest : public ::testing::Test {
protected:
    void SetUp() override {
        AllocateWeatherBuffers();
        std::strcpy(weatherState.today.text, "old today");
        weatherState.today.length = 9;
        weatherState.temperature = 1;
        weatherState.dewPoint = 2;
        weatherState.relativeHumidity = 3;
        weatherState.pressure = 4.0;
        weatherState.busy = false;
        {
            std::lock_guard<std::mutex> hold(pausesMutex);
            pauses.clear();
        }
        SetFetchPause(RecordPause);
        internet = std::make_unique<fakes::FakeInternet>();
        UseInternet(*internet);
        window.Clear();
        internet->SetResponse(forecastPath, Body(kForecastPage));
        internet->SetResponse(roundupPath, Body(kRoundupPage));
        ASSERT_TRUE(OpenSession());
        ASSERT_TRUE(OpenConnection());
        mainWindow = &window;
    }

    void TearDown() override {
        internet->ReleaseSends();
        if (currentJob != nullptr) {
            while (currentJob->State() != ThreadState::Finished) {
            }
            delete currentJob;
            currentJob = nullptr;
        }
        CloseConnection();
        mainWindow = nullptr;
        SetFetchPause(nullptr);
    }

    static std::uint32_t RunJob() {
        WeatherFetchJob job;
        return job.Run();
    }

    int Opened(const char* path) {
        int count = 0;
        for (const std::string& opened : internet->OpenedPaths()) {
            count += opened == path ? 1 : 0;
        }
        return count;
    }

    void ExpectInvalidations(bool success) {
        auto calls = window.Calls();
        ASSERT_EQ(calls.size(), 2u);
        ASSERT_TRUE(calls[0].area.has_value());
        EXPECT_EQ(calls[0].area->left, lampRect.left);
        EXPECT_EQ(calls[0].area->bottom, lampRect.bottom);
        EXPECT_FALSE(calls[0].erase);
        EXPECT_EQ(calls[1].area.has_value(), !success);
        EXPECT_FALSE(calls[1].erase);
    }

    // Starts afresh within one test: a new fake library and connection.
    void Reset() {
        TearDown();
        SetUp();
    }

    std::unique_ptr<fakes::FakeInternet> internet;
    fakes::InvalidationRecorder window;
};

TEST_F(FetchJobTest, BothPagesFineUpdateEverythingAndRepaintTheWholeWindow) {
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_STREQ(weatherState.today.text, ".Tonight...Clear. .");
    EXPECT_STREQ(weatherState.outlook.text, "Monday...Sunny. ");
    EXPECT_EQ(weatherState.temperature, 75);
    EXPECT_DOUBLE_EQ(weatherState.pressure, 30.01);
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(internet->OpenedPaths(), (std::vector<std::string>{forecastPath, roundupPath}));
    EXPECT_EQ(Pauses(), (std::vector<std::uint32_t>{200}));
    EXPECT_EQ(internet->LiveRequests(), 0);
    ExpectInvalidations(true);
}

TEST_F(FetchJobTest, ForecastFailingEveryAttemptStillFetchesTheReadings) {
    const std::vector<FakeResponse> failures = [] {
        FakeResponse notOpened;
        notOpened.openFails = true;
        FakeResponse notSent = Body(kForecastPage);
        notSent.sendFails = true;
        FakeResponse unread = Body(kForecastPage);
        unread.readFails = true;
        return std::vector<FakeResponse>{notOpened, notSent, unread, Body(""),
                                         Body("no heading on this page")};
    }();
    for (const FakeResponse& failure : failures) {
        Reset();
        internet->SetResponse(forecastPath, failure);
        EXPECT_EQ(RunJob(), 1u);
        EXPECT_EQ(Opened(forecastPath), 10);
        EXPECT_STREQ(weatherState.today.text, "old today");
        EXPECT_EQ(weatherState.temperature, 75);
        std::vector<std::uint32_t> expected(9, 1000);
        expected.push_back(200);
        EXPECT_EQ(Pauses(), expected);
        ExpectInvalidations(true);
    }
}

TEST_F(FetchJobTest, ForecastSucceedingOnALaterAttemptStopsRetrying) {
    internet->QueueResponse(forecastPath, Body(""));
    internet->QueueResponse(forecastPath, Body("FORECAST without periods"));
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_EQ(Opened(forecastPath), 3);
    EXPECT_EQ(Pauses(), (std::vector<std::uint32_t>{1000, 1000, 200}));
}

TEST_F(FetchJobTest, RoundupWithoutTheStationClearsBusyAndRepaintsOnlyTheLamp) {
    internet->SetResponse(roundupPath, Body("<pre>\nBOULDER CLOUDY 70 38 31 CALM 30.05\n</pre>"));
    EXPECT_EQ(RunJob(), 0u);
    EXPECT_STREQ(weatherState.today.text, ".Tonight...Clear. .");
    EXPECT_EQ(Opened(roundupPath), 10);
    EXPECT_EQ(weatherState.temperature, 1);
    EXPECT_FALSE(weatherState.busy);
    std::vector<std::uint32_t> expected{200};
    for (int i = 0; i < 9; ++i) {
        expected.push_back(1000);
        expected.push_back(200);
    }
    EXPECT_EQ(Pauses(), expected);
    ExpectInvalidations(false);
}

TEST_F(FetchJobTest, ForecastReadingStopsOnceLessThanTheHeadroomIsLeft) {
    internet->SetResponse(forecastPath, Body(PaddedForecast(20000), 1000));
    EXPECT_EQ(RunJob(), 1u);
    std::vector<fakes::FakeRead> reads;
    for (const fakes::FakeRead& read : internet->Reads()) {
        if (read.path == forecastPath) {
            reads.push_back(read);
        }
    }
    // Each of the ten attempts (the end tag lies beyond what is read): 16
    // reads of 1000 bytes, then one of the last 383 bytes of room, and no
    // read after that.
    ASSERT_EQ(reads.size(), 170u);
    for (std::size_t i = 0; i < reads.size(); ++i) {
        EXPECT_EQ(reads[i].capacity, 16383u - 1000u * (i % 17));
    }
    EXPECT_EQ(reads[16].delivered, 383u);
    EXPECT_STREQ(weatherState.today.text, ".Tonight...Clear. .");
    EXPECT_EQ(Opened(forecastPath), 10);
}

TEST_F(FetchJobTest, ForecastOfExactlyTheHeadroomLimitIsReadToItsEnd) {
    for (std::size_t size : {16128u, 16129u}) {
        Reset();
        internet->SetResponse(forecastPath, Body(PaddedForecast(size), 1000));
        EXPECT_EQ(RunJob(), 1u);
        std::vector<fakes::FakeRead> reads;
        for (const fakes::FakeRead& read : internet->Reads()) {
            if (read.path == forecastPath) {
                reads.push_back(read);
            }
        }
        EXPECT_EQ(Opened(forecastPath), 1);
        EXPECT_EQ(weatherState.outlook.length, static_cast<std::int32_t>(size - 34));
        if (size == 16128u) {
            // The last read finds the end of the body.
            ASSERT_EQ(reads.size(), 18u);
            EXPECT_EQ(reads.back().capacity, 255u);
            EXPECT_EQ(reads.back().delivered, 0u);
        } else {
            ASSERT_EQ(reads.size(), 17u);
            EXPECT_EQ(reads.back().delivered, 129u);
        }
    }
}

TEST_F(FetchJobTest, RoundupIsParsedFromItsSingleReadOnly) {
    // The library hands out 20 bytes a call: the station row never arrives.
    internet->SetResponse(roundupPath, Body(kRoundupPage, 20));
    EXPECT_EQ(RunJob(), 0u);
    int roundupReads = 0;
    for (const fakes::FakeRead& read : internet->Reads()) {
        if (read.path == roundupPath) {
            ++roundupReads;
            EXPECT_EQ(read.capacity, 16383u);
        }
    }
    EXPECT_EQ(roundupReads, 10);

    // A station row beyond the 16383 bytes of one read is never found.
    Reset();
    internet->SetResponse(roundupPath, Body(std::string(16380, ' ') + kRoundupPage));
    EXPECT_EQ(RunJob(), 0u);
    EXPECT_EQ(Opened(roundupPath), 10);
}

TEST_F(FetchJobTest, WithoutAConnectionOrWindowEveryAttemptFailsQuietly) {
    CloseConnection();
    mainWindow = nullptr;
    weatherState.busy = true;
    EXPECT_EQ(RunJob(), 0u);
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(Pauses().size(), 28u);  // 9 + 9 retry pauses, 10 read pauses
}

TEST_F(FetchJobTest, StartFetchRefusesWhileAJobRunsAndReplacesAFinishedOne) {
    internet->HoldSends();
    ASSERT_TRUE(StartFetch());
    WeatherFetchJob* first = currentJob;
    ASSERT_TRUE(internet->WaitForHeldSend(5s));
    EXPECT_TRUE(weatherState.busy);
    EXPECT_EQ(window.Calls().size(), 1u);

    EXPECT_FALSE(StartFetch());
    EXPECT_EQ(currentJob, first);
    EXPECT_EQ(first->State(), ThreadState::Running);

    internet->ReleaseSends();
    while (first->State() != ThreadState::Finished) {
    }
    EXPECT_EQ(weatherState.temperature, 75);
    ExpectInvalidations(true);

    ASSERT_TRUE(StartFetch());
    EXPECT_NE(currentJob, nullptr);
    while (currentJob->State() != ThreadState::Finished) {
    }
    EXPECT_EQ(Opened(roundupPath), 2);
}

TEST_F(FetchJobTest, ClosingTheConnectionUnderARunningJobFailsItsRequests) {
    internet->HoldSends();
    ASSERT_TRUE(StartFetch());
    ASSERT_TRUE(internet->WaitForHeldSend(5s));
    CloseConnection();
    internet->ReleaseSends();
    while (currentJob->State() != ThreadState::Finished) {
    }
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(weatherState.temperature, 1);
    EXPECT_EQ(internet->LiveRequests(), 0);
    EXPECT_EQ(Opened(forecastPath), 1);
}

}  // namespace
}  // namespace tickwell
