// The live source's HTTPS client (libcurl) and the live source itself over
// real HTTPS on loopback, against the fake weather service with a
// certificate authority made for the run.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "live/live_setup.h"
#include "live/live_source.h"
#include "nws_fake.h"
#include "platform/https_client.h"

namespace tickwell::live {
namespace {

using namespace std::chrono_literals;
using platform::HttpsClientOptions;
using platform::HttpsResponse;
using tools::nws::NwsFake;
using tools::nws::Scenario;

// One certificate authority and server certificate for the whole program.
class Certificates : public ::testing::Environment {
public:
    void SetUp() override {
        char pattern[] = "/tmp/tickwell-certs-XXXXXX";
        folder = mkdtemp(pattern);
        const std::string command =
            std::string(TICKWELL_SOURCE_DIR) + "/tools/nws_fake/make_test_cert.sh " + folder;
        ASSERT_EQ(std::system(command.c_str()), 0);
    }
    void TearDown() override { std::system(("rm -rf " + folder).c_str()); }
    static std::string folder;
};
std::string Certificates::folder;
const auto* const certificates = ::testing::AddGlobalTestEnvironment(new Certificates);

class LiveHttpsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fake.Start("127.0.0.1", 0, Certificates::folder + "/server.pem",
                               Certificates::folder + "/server.key"));
        base = "https://127.0.0.1:" + std::to_string(fake.port());
    }

    std::unique_ptr<platform::HttpsClient> Client(bool trustTestAuthority = true) {
        LiveEnvironment environment{base, trustTestAuthority ? CaFile() : "", ""};
        HttpsClientOptions options = LiveClientOptions(environment);
        options.connectTimeoutMs = 2000;
        options.totalTimeoutMs = 5000;
        return platform::NewSystemHttpsClient(options);
    }

    static std::string CaFile() { return Certificates::folder + "/ca.pem"; }

    NwsFake fake;
    std::string base;
};

TEST_F(LiveHttpsTest, RequestsAreVerifiedAndNameTheProgram) {
    auto client = Client();
    ASSERT_TRUE(client);
    HttpsResponse response =
        client->Get(base + "/stations/KXYZ", {{"Accept", "application/geo+json"}});
    EXPECT_EQ(response.status, 200);
    ASSERT_NE(response.Header("cache-control"), nullptr);
    EXPECT_EQ(*response.Header("cache-control"), "public, max-age=60");
    EXPECT_NE(response.body.find("Fakeville Test Field"), std::string::npos);
    auto logged = fake.Requests();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_EQ(logged[0].userAgent, UserAgent());
    EXPECT_EQ(logged[0].userAgent.rfind("Tickwell/1.0 (https://", 0), 0u);
    EXPECT_EQ(logged[0].accept, "application/geo+json");

    // By name too: the certificate names localhost.
    EXPECT_EQ(client->Get("https://localhost:" + std::to_string(fake.port()) + "/stations/KXYZ", {})
                  .status,
              200);
    // A 404 is an answer like any other.
    EXPECT_EQ(client->Get(base + "/nowhere", {}).status, 404);

    // Without the test's authority the certificate is refused: no answer.
    auto untrusting = Client(false);
    EXPECT_EQ(untrusting->Get(base + "/stations/KXYZ", {}).status, 0);
    EXPECT_EQ(fake.Requests().size(), 3u);

    // A body over the limit is no answer either.
    HttpsClientOptions small = LiveClientOptions({base, CaFile(), ""});
    small.maxBodyBytes = 100;
    EXPECT_EQ(platform::NewSystemHttpsClient(small)->Get(base + "/stations/KXYZ", {}).status, 0);
}

// The system's roots are looked up in their hashed folder and the extra
// certificates are trusted beside them: the test's authority counts from
// either place, and from neither the server is refused.
TEST_F(LiveHttpsTest, TrustsTheRootsFolderAndTheExtraFileTogether) {
    const std::string roots = Certificates::folder + "/roots";
    const std::string noRoots = Certificates::folder + "/no-roots";
    const std::string makeFolders = "mkdir -p " + roots + " " + noRoots + " && cp " + CaFile() +
                                    " " + roots + "/ && openssl rehash " + roots;
    ASSERT_EQ(std::system(makeFolders.c_str()), 0);
    struct Case {
        const char* name;
        std::string folder;
        std::string extraFile;
        int status;
    };
    const Case cases[] = {
        {"the authority in the roots folder", roots, "", 200},
        {"the authority in the extra file", noRoots, CaFile(), 200},
        {"the authority in both", roots, CaFile(), 200},
        {"the authority in neither", noRoots, "", 0},
    };
    for (const Case& c : cases) {
        HttpsClientOptions options = LiveClientOptions({base, c.extraFile, ""});
        options.systemCaFolder = c.folder;
        options.connectTimeoutMs = 2000;
        options.totalTimeoutMs = 5000;
        auto client = platform::NewSystemHttpsClient(options);
        ASSERT_TRUE(client);
        EXPECT_EQ(client->Get(base + "/stations/KXYZ", {}).status, c.status) << c.name;
    }
}

TEST_F(LiveHttpsTest, AbortEndsAHungRequestAtOnceAndTimeOutsBoundIt) {
    fake.SetScenario(Scenario::Hang);
    auto client = Client();
    HttpsClientOptions quick = LiveClientOptions({base, CaFile(), ""});
    quick.totalTimeoutMs = 1500;
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(platform::NewSystemHttpsClient(quick)->Get(base + "/stations/KXYZ", {}).status, 0);
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_LT(took, 5s);

    std::thread aborter([&] {
        std::this_thread::sleep_for(500ms);
        client->Abort();
    });
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(client->Get(base + "/stations/KXYZ", {}).status, 0);
    took = std::chrono::steady_clock::now() - started;
    aborter.join();
    EXPECT_LT(took, 1500ms);
    // The hung answers end (and are logged) once the scenario changes.
    fake.SetScenario(Scenario::Ok);
    std::this_thread::sleep_for(300ms);
    // Every later request fails at once, without reaching the service.
    const std::size_t before = fake.Requests().size();
    EXPECT_EQ(client->Get(base + "/stations/KXYZ", {}).status, 0);
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(fake.Requests().size(), before);
}

TEST_F(LiveHttpsTest, PagesFromTheServiceInEachScenario) {
    struct Case {
        Scenario scenario;
        const char* station;
        const char* forecastHas;
        const char* roundupHas;  // null: no page at all
    };
    const Case cases[] = {
        {Scenario::Ok, "KXYZ", ".TONIGHT...MOSTLY",
         "DENVER INTL AP MOCLDY    28  13  57 NW15G25   30.23  KXYZ"},
        // The fake's second station differs on every reading.
        {Scenario::Ok, "KBOS", "BOSTON, LOGAN INTERNATIONAL AIRPORT (KBOS)\n",
         "DENVER INTL AP PTCLDY    68  50  53 NW15G25   29.85  KBOS"},
        {Scenario::Ok, "KBOS", ".TONIGHT...PARTLY CLOUDY, WITH A LOW AROUND 48.", "KBOS"},
        {Scenario::Nulls, "KXYZ", ".TONIGHT...MOSTLY", "REMARKS\n\n$$"},
        {Scenario::Old, "KXYZ", ".TONIGHT...MOSTLY", "REMARKS\n\n$$"},
        {Scenario::GridFails, "KXYZ", ".TONIGHT...ZONE TEXT.", "DENVER INTL AP"},
        // No forecast: the page says why.
        {Scenario::Unavailable, "KXYZ", ".NOW...THE WEATHER SERVICE ANSWERS WITH ERRORS (503).",
         nullptr},
        {Scenario::TooMany, "KXYZ", ".NOW...THE WEATHER SERVICE ANSWERS WITH ERRORS (429).",
         nullptr},
        {Scenario::NoStation, "KXYZ", ".NOW...THE WEATHER SERVICE KNOWS NO STATION KXYZ.", nullptr},
    };
    char pattern[] = "/tmp/tickwell-pages-XXXXXX";
    const std::string pages = mkdtemp(pattern);
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(tools::nws::ScenarioName(test.scenario)) + " " + test.station);
        fake.SetScenario(test.scenario);
        LiveSource source(Client(), SystemClock(), LiveOptions{base, pages}, test.station);
        auto forecast = source.ForecastPage();
        ASSERT_TRUE(forecast);
        EXPECT_NE(forecast->find(test.forecastHas), std::string::npos) << *forecast;
        auto roundup = source.RoundupPage();
        EXPECT_EQ(roundup.has_value(), test.roundupHas != nullptr);
        if (roundup && test.roundupHas) {
            EXPECT_NE(roundup->find(test.roundupHas), std::string::npos) << *roundup;
        }
    }
    EXPECT_GT(fake.CountRequests("/stations/KBOS/observations/latest"), 0);
    // The last pages handed out are in the folder.
    EXPECT_EQ(access((pages + "/forecast.txt").c_str(), R_OK), 0);
    EXPECT_EQ(access((pages + "/roundup.txt").c_str(), R_OK), 0);
    std::system(("rm -rf " + pages).c_str());
}

// The service can take 10 s and more for a forecast it has not cached: a
// first byte 8 s late is waited for, within the idle and total limits.
TEST_F(LiveHttpsTest, ASlowFirstByteIsWaitedForWithinTheLimits) {
    struct Case {
        const char* what;
        int delaySeconds;
        std::uint32_t idleMs;  // 0: the live source's own limits
        std::uint32_t totalMs;
        int status;
        platform::HttpsFailure failure;
        std::chrono::milliseconds atMost;
    };
    const Case cases[] = {
        {"8 s with the live source's limits", 8, 0, 0, 200, platform::HttpsFailure::None, 12s},
        {"over the idle limit", 3, 1000, 30000, 0, platform::HttpsFailure::TimedOut, 2500ms},
        {"over the total limit", 3, 25000, 1500, 0, platform::HttpsFailure::TimedOut, 2500ms},
    };
    fake.SetScenario(Scenario::Slow);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.SetDelay(c.delaySeconds);
        HttpsClientOptions options = LiveClientOptions({base, CaFile(), ""});
        if (c.idleMs != 0) {
            options.idleTimeoutMs = c.idleMs;
            options.totalTimeoutMs = c.totalMs;
        }
        auto client = platform::NewSystemHttpsClient(options);
        const auto started = std::chrono::steady_clock::now();
        const HttpsResponse response = client->Get(base + "/stations/KXYZ", {});
        const auto took = std::chrono::steady_clock::now() - started;
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.failure, c.failure);
        EXPECT_LT(took, c.atMost);
        if (c.status == 200) {
            EXPECT_GE(took, std::chrono::seconds(c.delaySeconds));
            EXPECT_NE(response.body.find("Fakeville Test Field"), std::string::npos);
        }
    }
    fake.SetScenario(Scenario::Ok);
}

// Each way of getting no answer is told apart, so the ticker can say why.
TEST_F(LiveHttpsTest, FailuresSayWhy) {
    int closedPort = 0;
    {
        NwsFake closed;
        ASSERT_TRUE(closed.Start("127.0.0.1", 0, Certificates::folder + "/server.pem",
                                 Certificates::folder + "/server.key"));
        closedPort = closed.port();
    }
    // A plain HTTP server that counts the requests a redirect brings it.
    httplib::Server plain;
    std::atomic<int> plainRequests{0};
    plain.Get(".*", [&](const httplib::Request&, httplib::Response& response) {
        ++plainRequests;
        response.set_content("plain", "text/plain");
    });
    const int plainPort = plain.bind_to_any_port("127.0.0.1");
    ASSERT_GT(plainPort, 0);
    std::thread plainThread([&] { plain.listen_after_bind(); });
    const std::string plainUrl = "http://127.0.0.1:" + std::to_string(plainPort) + "/landed";

    HttpsClientOptions small = LiveClientOptions({base, CaFile(), ""});
    small.maxBodyBytes = 100;
    struct Case {
        const char* what;
        std::unique_ptr<platform::HttpsClient> client;
        std::string url;
        int status;
        platform::HttpsFailure failure;
    };
    Case cases[] = {
        {"an answer", Client(), base + "/stations/KXYZ", 200, platform::HttpsFailure::None},
        {"an error is an answer", Client(), base + "/nowhere", 404, platform::HttpsFailure::None},
        {"a name that never resolves", Client(), "https://tickwell-test.invalid/stations/KXYZ", 0,
         platform::HttpsFailure::NameNotFound},
        {"nothing listening", Client(),
         "https://127.0.0.1:" + std::to_string(closedPort) + "/stations/KXYZ", 0,
         platform::HttpsFailure::ConnectFailed},
        {"a certificate from an unknown authority", Client(false), base + "/stations/KXYZ", 0,
         platform::HttpsFailure::Certificate},
        {"a body over the limit", platform::NewSystemHttpsClient(small), base + "/stations/KXYZ", 0,
         platform::HttpsFailure::TooLarge},
        {"from https to plain http", Client(), base + "/_fake/redirect?to=" + plainUrl, 0,
         platform::HttpsFailure::Redirect},
        {"from https to https", Client(), base + "/_fake/redirect?to=" + base + "/stations/KXYZ",
         200, platform::HttpsFailure::None},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.client);
        const HttpsResponse response = c.client->Get(c.url, {});
        EXPECT_EQ(response.status, c.status);
        EXPECT_EQ(response.failure, c.failure);
    }
    EXPECT_EQ(plainRequests.load(), 0) << "a redirect from https reached plain http";
    // Plain http may still be asked for directly, where a test does.
    EXPECT_EQ(Client()->Get(plainUrl, {}).status, 200);

    auto client = Client();
    client->Abort();
    EXPECT_EQ(client->Get(base + "/stations/KXYZ", {}).failure, platform::HttpsFailure::Aborted);
    plain.stop();
    plainThread.join();
}

}  // namespace
}  // namespace tickwell::live
