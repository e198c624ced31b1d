// The fetch job over real HTTP on loopback, against the stand-in server.
#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "platform/http.h"
#include "platform/linux/system/http_timeouts.h"
#include "platform/linux/system/network_check.h"
#include "support/invalidation_recorder.h"
#include "weather_server.h"

namespace tickwell {
namespace {

using namespace std::chrono_literals;
using tools::Fault;
using tools::Misbehaviour;
using tools::Page;

// Pauses of the job shrink to nothing, so ten attempts take no time.
void NoPause(std::uint32_t) {}

class FetchHttpTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.Start("127.0.0.1", 0));
        weatherServer = {"127.0.0.1", static_cast<std::uint16_t>(server.port())};
        platform::HttpTimeouts limits;
        limits.connectMs = 2000;
        limits.transferMs = 5000;
        limits.stallSeconds = 5;
        platform::SetHttpTimeouts(limits);
        UseInternet(platform::SystemInternet());
        ASSERT_TRUE(OpenSession());
        ASSERT_TRUE(OpenConnection());

        AllocateWeatherBuffers();
        std::strcpy(weatherState.today.text, "old today");
        weatherState.today.length = 9;
        weatherState.temperature = -99;
        weatherState.pressure = 0.0;
        weatherState.busy = false;
        mainWindow = &window;
        SetFetchPause(NoPause);
    }

    void TearDown() override {
        if (currentJob != nullptr) {
            WaitForCurrentJob(30s);
            delete currentJob;
            currentJob = nullptr;
        }
        CloseConnection();
        server.Stop();
        mainWindow = nullptr;
        SetFetchPause(nullptr);
        platform::SetHttpTimeouts(platform::HttpTimeouts{});
    }

    static bool WaitForCurrentJob(std::chrono::seconds limit) {
        auto deadline = std::chrono::steady_clock::now() + limit;
        while (currentJob->State() != ThreadState::Finished) {
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
        }
        return true;
    }

    static std::uint32_t RunJob() {
        WeatherFetchJob job;
        return job.Run();
    }

    int RequestsFor(Page page) {
        int count = 0;
        for (const auto& record : server.Requests()) {
            count += record.page == page ? 1 : 0;
        }
        return count;
    }

    void ExpectLampThenWholeWindow() {
        auto calls = window.Calls();
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_TRUE(calls[0].area.has_value());
        EXPECT_FALSE(calls[1].area.has_value());
        EXPECT_FALSE(calls[0].erase || calls[1].erase);
    }

    tools::WeatherServer server;
    fakes::InvalidationRecorder window;
};

TEST_F(FetchHttpTest, SuccessFillsTheStateOverOneConnection) {
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_EQ(weatherState.temperature, 47);
    EXPECT_EQ(weatherState.dewPoint, 18);
    EXPECT_EQ(weatherState.relativeHumidity, 31);
    EXPECT_DOUBLE_EQ(weatherState.pressure, 30.12);
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(std::string(weatherState.today.text, 9), ".Tonight.");
    EXPECT_EQ(std::string(weatherState.outlook.text, 8), "Saturday");
    ExpectLampThenWholeWindow();

    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].path, forecastPath);
    EXPECT_EQ(requests[1].path, roundupPath);
    // Both requests went over the one kept-alive connection.
    EXPECT_EQ(requests[0].remote, requests[1].remote);
}

TEST_F(FetchHttpTest, ForecastFailingTenTimesStillUpdatesTheReadings) {
    server.SetFault(Page::Forecast, Fault{Misbehaviour::NotFound});
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_EQ(RequestsFor(Page::Forecast), 10);
    EXPECT_EQ(RequestsFor(Page::Roundup), 1);
    EXPECT_STREQ(weatherState.today.text, "old today");
    EXPECT_EQ(weatherState.temperature, 47);
    ExpectLampThenWholeWindow();
}

TEST_F(FetchHttpTest, RoundupWithoutTheStationEndsWithTheLampOnly) {
    server.SetFault(Page::Roundup, Fault{Misbehaviour::LacksMark});
    EXPECT_EQ(RunJob(), 0u);
    EXPECT_EQ(RequestsFor(Page::Forecast), 1);
    EXPECT_EQ(RequestsFor(Page::Roundup), 10);
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(weatherState.temperature, -99);
    EXPECT_EQ(std::string(weatherState.today.text, 9), ".Tonight.");
    auto calls = window.Calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_TRUE(calls[0].area.has_value());
    EXPECT_TRUE(calls[1].area.has_value());
}

TEST_F(FetchHttpTest, BrokenAnswersAreRetriedOnAFreshConnection) {
    Fault closing{Misbehaviour::CloseConnection};
    closing.count = 2;
    server.SetFault(Page::Forecast, closing);
    Fault cut{Misbehaviour::CutShort};
    cut.count = 1;
    server.SetFault(Page::Roundup, cut);
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_EQ(RequestsFor(Page::Forecast), 3);
    EXPECT_EQ(std::string(weatherState.today.text, 9), ".Tonight.");
    EXPECT_EQ(weatherState.temperature, 47);
}

TEST_F(FetchHttpTest, OversizedForecastIsCutAtTheBufferAndNeverReadWhole) {
    Fault huge{Misbehaviour::Oversized};
    huge.oversizeBytes = 4 * 1024 * 1024;
    server.SetFault(Page::Forecast, huge);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(RequestsFor(Page::Forecast), 1);
    EXPECT_EQ(std::string(weatherState.outlook.text, 8), "Saturday");
    EXPECT_LT(weatherState.outlook.length, kTextBufferSize);

    // With the marks beyond the first 16383 bytes, no attempt can succeed.
    huge.padAtStart = true;
    huge.oversizeBytes = 64 * 1024;
    server.SetFault(Page::Forecast, huge);
    std::strcpy(weatherState.today.text, "old today");
    EXPECT_EQ(RunJob(), 1u);
    EXPECT_EQ(RequestsFor(Page::Forecast), 11);
    EXPECT_STREQ(weatherState.today.text, "old today");
}

TEST_F(FetchHttpTest, HungServerIsAbandonedWithinTheTimeLimit) {
    platform::HttpTimeouts limits;
    limits.connectMs = 1000;
    limits.transferMs = 300;
    limits.stallSeconds = 1;
    platform::SetHttpTimeouts(limits);
    server.SetFault(Page::Forecast, Fault{Misbehaviour::Hang});
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunJob(), 1u);
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(RequestsFor(Page::Forecast), 10);
    EXPECT_LT(elapsed, 8s);
    EXPECT_GE(elapsed, 2500ms);
    EXPECT_EQ(weatherState.temperature, 47);
}

TEST_F(FetchHttpTest, RetriesAreSpacedOneSecondApart) {
    SetFetchPause(nullptr);
    Fault notFound{Misbehaviour::NotFound};
    notFound.count = 2;
    server.SetFault(Page::Forecast, notFound);
    EXPECT_EQ(RunJob(), 1u);
    auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    for (int i = 1; i < 3; ++i) {
        auto gap = requests[i].when - requests[i - 1].when;
        EXPECT_GE(gap, 990ms);
        EXPECT_LT(gap, 1500ms);
    }
    // The roundup follows the last forecast attempt at once.
    EXPECT_LT(requests[3].when - requests[2].when, 500ms);
}

TEST_F(FetchHttpTest, ShutdownDuringAFetchDoesNotHarmTheJob) {
    server.SetFault(Page::Forecast, Fault{Misbehaviour::Hang});
    ASSERT_TRUE(StartFetch());
    auto deadline = std::chrono::steady_clock::now() + 5s;
    while (RequestsFor(Page::Forecast) == 0 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(RequestsFor(Page::Forecast), 1);

    // What shutdown does while the job still waits for its answer.
    auto closedAt = std::chrono::steady_clock::now();
    CloseConnection();
    ASSERT_TRUE(WaitForCurrentJob(4s));
    EXPECT_LT(std::chrono::steady_clock::now() - closedAt, 4s);
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(weatherState.temperature, -99);
    EXPECT_EQ(RequestsFor(Page::Roundup), 0);
}

TEST(SystemInternetTest, CanConnectAsksTheSystemNotTheServer) {
    // Whether the server answers, is down or has no name, the answer is the
    // system's, and it comes at once: nothing is resolved or connected.
    platform::Internet& internet = platform::SystemInternet();
    const bool system = platform::CheckSystemNetwork().ok;
    tools::WeatherServer server;
    ASSERT_TRUE(server.Start("127.0.0.1", 0));
    const auto port = static_cast<std::uint16_t>(server.port());
    server.Stop();
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(internet.CanConnect("127.0.0.1", port), system);
    EXPECT_EQ(internet.CanConnect("no-such-host.invalid", 80), system);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(500));
}

// Fetches `path` from a server on loopback through the program's HTTP
// library; the body, or null when the send or a read failed.
std::optional<std::string> Fetch(std::uint16_t port, const char* path) {
    platform::Internet& internet = platform::SystemInternet();
    std::unique_ptr<platform::HttpSession> session(internet.OpenSession("Mozilla/4.0"));
    std::unique_ptr<platform::HttpConnection> connection(
        session->Connect("127.0.0.1", port, "tickwell"));
    std::unique_ptr<platform::HttpRequest> request(connection->OpenRequest(path));
    if (!request->Send()) return std::nullopt;
    std::string body;
    char buffer[256];
    std::uint32_t delivered = 0;
    do {
        if (!request->Read(buffer, sizeof buffer, &delivered)) return std::nullopt;
        body.append(buffer, delivered);
    } while (delivered > 0);
    return body;
}

TEST(SystemInternetTest, RedirectsAreFollowedUpToFiveToHttpOnly) {
    httplib::Server server;
    std::atomic<int> requests{0};
    // /hop/N redirects to /hop/N-1; /hop/0 is the page.
    server.Get(R"(/hop/(\d+))", [&](const httplib::Request& request, httplib::Response& response) {
        ++requests;
        const int left = std::stoi(request.matches[1]);
        if (left == 0) {
            response.set_content("the page", "text/plain");
        } else {
            response.set_redirect("/hop/" + std::to_string(left - 1));
        }
    });
    server.Get("/loop", [&](const httplib::Request&, httplib::Response& response) {
        ++requests;
        response.set_redirect("/loop");
    });
    server.Get("/elsewhere", [&](const httplib::Request&, httplib::Response& response) {
        ++requests;
        response.set_redirect("ftp://127.0.0.1/page");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread listener([&] { server.listen_after_bind(); });
    const auto at = static_cast<std::uint16_t>(port);

    struct Case {
        const char* path;
        std::optional<std::string> body;
        int requests;
    };
    const Case cases[] = {
        {"/hop/0", "the page", 1},  {"/hop/5", "the page", 6},       {"/hop/6", std::nullopt, 6},
        {"/loop", std::nullopt, 6}, {"/elsewhere", std::nullopt, 1},
    };
    for (const Case& c : cases) {
        requests = 0;
        EXPECT_EQ(Fetch(at, c.path), c.body) << c.path;
        EXPECT_EQ(requests.load(), c.requests) << c.path;
    }
    server.stop();
    listener.join();
}

TEST(SystemInternetTest, RequestOutlivingItsConnectionFails) {
    tools::WeatherServer server;
    ASSERT_TRUE(server.Start("127.0.0.1", 0));
    platform::HttpSession* session = platform::SystemInternet().OpenSession("Mozilla/4.0");
    ASSERT_NE(session, nullptr);
    platform::HttpConnection* connection =
        session->Connect("127.0.0.1", static_cast<std::uint16_t>(server.port()), "tickwell");
    ASSERT_NE(connection, nullptr);
    platform::HttpRequest* sent = connection->OpenRequest(roundupPath);
    platform::HttpRequest* unsent = connection->OpenRequest(roundupPath);
    ASSERT_TRUE(sent->Send());
    delete connection;
    delete session;

    char buffer[64];
    std::uint32_t delivered = 1;
    EXPECT_FALSE(sent->Read(buffer, sizeof buffer, &delivered));
    EXPECT_EQ(delivered, 0u);
    EXPECT_FALSE(unsent->Send());
    EXPECT_FALSE(unsent->Read(buffer, sizeof buffer, &delivered));
    delete sent;
    delete unsent;
}

TEST(SystemInternetTest, ErrorPagesAreDeliveredInPieces) {
    tools::WeatherServer server;
    server.SetFault(Page::Roundup, Fault{Misbehaviour::NotFound});
    ASSERT_TRUE(server.Start("127.0.0.1", 0));
    platform::HttpSession* session = platform::SystemInternet().OpenSession("Mozilla/4.0");
    platform::HttpConnection* connection =
        session->Connect("127.0.0.1", static_cast<std::uint16_t>(server.port()), "tickwell");
    platform::HttpRequest* request = connection->OpenRequest(roundupPath);
    ASSERT_TRUE(request->Send());
    std::string body;
    char buffer[7];
    std::uint32_t delivered = 0;
    while (request->Read(buffer, sizeof buffer, &delivered) && delivered > 0) {
        EXPECT_LE(delivered, sizeof buffer);
        body.append(buffer, delivered);
    }
    EXPECT_FALSE(body.empty());
    EXPECT_EQ(body.find("DENVER INTL AP"), std::string::npos);
    delete request;
    delete connection;
    delete session;
}

}  // namespace
}  // namespace tickwell
