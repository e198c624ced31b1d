// The libcurl client against a hostile or misdirecting HTTPS fake of the
// weather service: redirects stay on the request's own scheme, host and
// port; a body over its cap or sent a byte at a time ends the transfer at
// once and cheaply; an extra certificate file that holds no certificate
// is said so and leaves verification on.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "nws_fake.h"
#include "platform/https_client.h"
#include "platform/linux/standard_error_log.h"
#include "platform/message_log.h"

namespace tickwell::platform {
namespace {

using tools::nws::NwsFake;
using tools::nws::Scenario;

// `text` as a URL's query value.
std::string Escaped(const std::string& text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (unsigned char ch : text) {
        if (std::isalnum(ch) || ch == '/' || ch == '-' || ch == '.' || ch == '_') {
            escaped += static_cast<char>(ch);
        } else {
            escaped += '%';
            escaped += kHex[ch >> 4];
            escaped += kHex[ch & 15];
        }
    }
    return escaped;
}

class HostileHttpsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char pattern[] = "/tmp/tickwell-hostile-XXXXXX";
        folder = mkdtemp(pattern);
        const std::string command =
            std::string(TICKWELL_SOURCE_DIR) + "/tools/nws_fake/make_test_cert.sh " + folder;
        ASSERT_EQ(std::system((command + " >/dev/null 2>&1").c_str()), 0);
    }
    static void TearDownTestSuite() { std::system(("rm -rf " + folder).c_str()); }

    void SetUp() override {
        ASSERT_TRUE(fake.Start("127.0.0.1", 0, folder + "/server.pem", folder + "/server.key"));
        base = "https://127.0.0.1:" + std::to_string(fake.port());
    }

    static std::unique_ptr<HttpsClient> Client(const std::string& caFile) {
        HttpsClientOptions options;
        options.userAgent = "Tickwell/test";
        options.extraCaFile = caFile;
        options.useSystemProxy = false;
        options.connectTimeoutMs = 2000;
        options.totalTimeoutMs = 10000;
        return NewSystemHttpsClient(options);
    }

    static std::string folder;
    NwsFake fake;
    std::string base;
};
std::string HostileHttpsTest::folder;

TEST_F(HostileHttpsTest, RedirectsStayOnTheRequestsOwnSchemeHostAndPort) {
    auto client = Client(folder + "/ca.pem");
    ASSERT_TRUE(client);
    const std::string port = std::to_string(fake.port());
    const std::string station = base + "/stations/KXYZ";
    auto via = [&](const std::string& to) { return base + "/_fake/redirect?to=" + to; };
    // A chain of `count` redirects that ends at the station: each hop's
    // target is the next one's, written as a query value.
    auto Hops = [&](int count) {
        std::string target = "/stations/KXYZ";
        for (int i = 1; i < count; ++i) target = "/_fake/redirect?to=" + Escaped(target);
        return via(Escaped(target));
    };
    struct Case {
        const char* name;
        std::string url;
        int status;
        HttpsFailure failure;
    };
    const std::vector<Case> cases = {
        {"same host", via(station), 200, HttpsFailure::None},
        {"a path only", via("/stations/KXYZ"), 200, HttpsFailure::None},
        {"two hops", Hops(2), 200, HttpsFailure::None},
        {"another host name", via("https://localhost:" + port + "/stations/KXYZ"), 0,
         HttpsFailure::Redirect},
        {"another port", via("https://127.0.0.1:1/stations/KXYZ"), 0, HttpsFailure::Redirect},
        {"https to http", via("http://127.0.0.1:" + port + "/stations/KXYZ"), 0,
         HttpsFailure::Redirect},
        {"six hops", Hops(6), 0, HttpsFailure::Redirect},
        {"five hops", Hops(5), 200, HttpsFailure::None},
    };
    for (const Case& c : cases) {
        const HttpsResponse response = client->Get(c.url, {});
        EXPECT_EQ(response.status, c.status) << c.name;
        EXPECT_EQ(response.failure, c.failure) << c.name;
        if (c.status == 200) {
            EXPECT_NE(response.body.find("\"stationIdentifier\""), std::string::npos) << c.name;
        }
    }
    // Nothing was asked of another address: the fake saw every request
    // that went out, and none but its own.
    for (const tools::nws::LoggedRequest& request : fake.Requests()) {
        EXPECT_EQ(request.target.find("localhost"), std::string::npos);
    }
}

// CPU seconds this thread has used (libcurl runs in the calling thread).
double ThreadCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST_F(HostileHttpsTest, AnAnswerPastItsCapOrInTinyPiecesEndsAtOnce) {
    auto client = Client(folder + "/ca.pem");
    ASSERT_TRUE(client);
    const std::string latest = base + "/stations/KXYZ/observations/latest";
    struct Case {
        Scenario scenario;
        std::size_t cap;
        HttpsFailure failure;
    };
    const std::vector<Case> cases = {
        {Scenario::Deep, 32 * 1024, HttpsFailure::TooLarge},
        {Scenario::Trickle, 32 * 1024, HttpsFailure::Other},
        {Scenario::Trickle, 4 * 1024 * 1024, HttpsFailure::Other},
    };
    for (const Case& c : cases) {
        fake.SetScenario(c.scenario);
        const auto started = std::chrono::steady_clock::now();
        const double cpuBefore = ThreadCpuSeconds();
        const HttpsResponse response = client->Get(latest, {}, c.cap);
        const double cpu = ThreadCpuSeconds() - cpuBefore;
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        EXPECT_EQ(response.status, 0);
        EXPECT_EQ(response.failure, c.failure);
        EXPECT_TRUE(response.body.empty());
        EXPECT_LT(wall, 1.0) << tools::nws::ScenarioName(c.scenario);
        EXPECT_LT(cpu, 0.25) << tools::nws::ScenarioName(c.scenario);
        std::printf("%s, cap %zu: %.3f s, %.3f s of CPU\n", tools::nws::ScenarioName(c.scenario),
                    c.cap, wall, cpu);
    }
    // The same client then reads a sound answer as usual; the cap is the
    // request's, not the client's.
    fake.SetScenario(Scenario::Ok);
    EXPECT_EQ(client->Get(latest, {}, 32 * 1024).status, 200);
    EXPECT_EQ(client->Get(latest, {}, 100).failure, HttpsFailure::TooLarge);
    EXPECT_EQ(client->Get(latest, {}).status, 200);
}

TEST_F(HostileHttpsTest, AnExtraCertificateFileWithoutCertificatesIsSaidSoAndIgnored) {
    const std::string empty = folder + "/empty.pem";
    const std::string garbage = folder + "/garbage.pem";
    const std::string broken = folder + "/broken.pem";
    std::ofstream(empty).close();
    std::ofstream(garbage) << "not a certificate at all\n";
    std::ofstream(broken) << "-----BEGIN CERTIFICATE-----\nAAAA!!!!\n-----END CERTIFICATE-----\n";
    const std::vector<std::string> files = {
        folder + "/missing.pem", folder, empty, garbage, broken, folder + "/odd\x1b[2Jname.pem"};
    // The notes as the Linux program writes them.
    linux_cli::LogToStandardError();
    for (const std::string& file : files) {
        ::testing::internal::CaptureStderr();
        auto client = Client(file);
        const std::string said = ::testing::internal::GetCapturedStderr();
        ASSERT_TRUE(client) << file;
        EXPECT_NE(said.find("tickwell: TICKWELL_CA_FILE "), std::string::npos) << file;
        EXPECT_NE(said.find(": no certificate could be read; trusting the system's roots only\n"),
                  std::string::npos)
            << file;
        EXPECT_EQ(said.find('\x1b'), std::string::npos) << "an escape reached the terminal";
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
        // Verification stays on: the fake's authority is not trusted.
        EXPECT_EQ(client->Get(base + "/stations/KXYZ", {}).failure, HttpsFailure::Certificate)
            << file;
    }
    ::testing::internal::CaptureStderr();
    auto trusting = Client(folder + "/ca.pem");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(trusting->Get(base + "/stations/KXYZ", {}).status, 200);
    SetMessageSink(nullptr);
}

}  // namespace
}  // namespace tickwell::platform
