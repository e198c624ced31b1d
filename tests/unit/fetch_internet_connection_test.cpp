#include <gtest/gtest.h>

#include "fetch/internet_connection.h"
#include "support/fake_internet.h"

namespace tickwell {
namespace {

class InternetConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        weatherServer = {"weather.example", 8080};
        UseInternet(internet);
    }
    void TearDown() override { CloseConnection(); }

    fakes::FakeInternet internet;
};

TEST_F(InternetConnectionTest, CheckAsksAboutTheWeatherServer) {
    EXPECT_TRUE(CheckInternet());
    EXPECT_EQ(internet.ConnectedHost(), "weather.example");
    EXPECT_EQ(internet.ConnectedPort(), 8080);
    internet.SetReachable(false);
    EXPECT_FALSE(CheckInternet());
    EXPECT_EQ(internet.LiveSessions(), 0);

    // A server on loopback needs no network, whatever the system says.
    for (const char* host : {"127.0.0.1", "127.0.1.1", "localhost", "::1"}) {
        weatherServer = {host, 8080};
        EXPECT_TRUE(CheckInternet()) << host;
    }
    // A name that only starts like a loopback address is some other host.
    for (const char* host : {"128.0.0.1", "127.0.0.1.example.com", "127.evil"}) {
        weatherServer = {host, 8080};
        EXPECT_FALSE(CheckInternet()) << host;
    }
}

TEST_F(InternetConnectionTest, SessionAndConnectionCarryTheFixedParameters) {
    ASSERT_TRUE(OpenSession());
    EXPECT_EQ(internet.UserAgent(), "Mozilla/4.0");
    ASSERT_TRUE(OpenConnection());
    EXPECT_EQ(internet.ConnectedHost(), "weather.example");
    EXPECT_EQ(internet.ConnectedPort(), 8080);
    EXPECT_FALSE(internet.UserName().empty());

    platform::HttpRequest* request = OpenWeatherRequest("/page");
    ASSERT_NE(request, nullptr);
    delete request;

    CloseConnection();
    EXPECT_EQ(httpConnection, nullptr);
    EXPECT_EQ(internetSession, nullptr);
    EXPECT_EQ(internet.LiveConnections(), 0);
    EXPECT_EQ(internet.LiveSessions(), 0);
    EXPECT_EQ(OpenWeatherRequest("/page"), nullptr);
}

TEST_F(InternetConnectionTest, FailuresAreReportedAndTheSessionCanBeClosedAlone) {
    internet.SetSessionFails(true);
    EXPECT_FALSE(OpenSession());
    EXPECT_EQ(internetSession, nullptr);
    EXPECT_FALSE(OpenConnection());

    internet.SetSessionFails(false);
    internet.SetConnectFails(true);
    ASSERT_TRUE(OpenSession());
    EXPECT_FALSE(OpenConnection());
    EXPECT_EQ(httpConnection, nullptr);
    CloseSession();
    EXPECT_EQ(internet.LiveSessions(), 0);
}

}  // namespace
}  // namespace tickwell
