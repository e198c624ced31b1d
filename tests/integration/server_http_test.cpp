// The stand-in weather server over real HTTP on loopback: both pages on one
// kept-alive connection, each misbehaviour as a client sees it, fault counts,
// the control endpoints and the request log.
#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <regex>
#include <sstream>
#include <string>

#include "weather_server.h"

namespace tickwell::tools {
namespace {

using std::chrono::milliseconds;
using std::chrono::steady_clock;

const char* const kForecastPath =
    "/cgi-bin-den/webfcst.pl?city=Denver+and+northern+eastern+and+southern+Suburbs";
const char* const kRoundupPath = "/cgi-bin-den/showProduct.pl?title=na&product=rwrco&backto=1";

class ServerHttp : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start());
        ASSERT_GT(server_.port(), 0);
    }

    httplib::Client MakeClient() {
        httplib::Client client("127.0.0.1", server_.port());
        client.set_keep_alive(true);
        // Send the paths as written, as the program's HTTP libraries do.
        client.set_url_encode(false);
        client.set_read_timeout(5, 0);
        return client;
    }

    std::string Control(const std::string& query) {
        auto client = MakeClient();
        auto res = client.Get(("/control/" + query).c_str());
        return res ? std::to_string(res->status) + " " + res->body : "no answer";
    }

    WeatherServer server_;
};

TEST_F(ServerHttp, ServesBothPagesOnOneKeptAliveConnection) {
    auto client = MakeClient();
    auto forecast = client.Get(kForecastPath);
    auto roundup = client.Get(kRoundupPath);
    auto again = client.Get(kForecastPath);
    ASSERT_TRUE(forecast && roundup && again);
    EXPECT_EQ(forecast->status, 200);
    EXPECT_EQ(forecast->body, SamplePage(Page::Forecast));
    EXPECT_EQ(roundup->body, SamplePage(Page::Roundup));
    EXPECT_EQ(forecast->get_header_value("Content-Type"), "text/html");
    EXPECT_EQ(forecast->get_header_value("Content-Length"),
              std::to_string(SamplePage(Page::Forecast).size()));

    const auto requests = server_.Requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].page, Page::Forecast);
    EXPECT_EQ(requests[1].page, Page::Roundup);
    EXPECT_EQ(requests[0].path, kForecastPath);
    EXPECT_EQ(requests[0].remote, requests[1].remote) << "one TCP connection";
    EXPECT_EQ(requests[1].remote, requests[2].remote);
    EXPECT_LE(requests[0].when, requests[1].when);
    EXPECT_EQ(requests[2].status, "200");
}

TEST_F(ServerHttp, AnswersOtherPathsAndQueriesWithNotFound) {
    auto client = MakeClient();
    for (const char* path :
         {"/", "/cgi-bin-den/webfcst.pl", "/cgi-bin-den/webfcst.pl?city=Denver%20and%20northern",
          "/cgi-bin-den/showProduct.pl?title=na&product=rwrco&backto=2",
          "/cgi-bin-den/showProduct.pl?product=rwrco&title=na&backto=1"}) {
        auto res = client.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
        EXPECT_NE(res->body.find("Not Found"), std::string::npos);
    }
    EXPECT_TRUE(server_.Requests().empty()) << "only the two weather pages are recorded";
}

TEST_F(ServerHttp, NeverCompressesThePages) {
    auto client = MakeClient();
    client.set_decompress(false);
    auto res = client.Get(kRoundupPath, {{"Accept-Encoding", "gzip, deflate, br"}});
    ASSERT_TRUE(res);
    EXPECT_FALSE(res->has_header("Content-Encoding"));
    EXPECT_EQ(res->body, SamplePage(Page::Roundup));
}

TEST_F(ServerHttp, ServesPagesSetAtRunTime) {
    server_.SetPage(Page::Roundup, "DENVER INTL AP SUNNY 75 40 29 W10G20 30.01F\n");
    auto client = MakeClient();
    auto res = client.Get(kRoundupPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, "DENVER INTL AP SUNNY 75 40 29 W10G20 30.01F\n");
}

TEST_F(ServerHttp, EachMisbehaviourAsTheClientSeesIt) {
    auto client = MakeClient();
    auto once = [this](Page page, Misbehaviour kind) {
        Fault fault;
        fault.kind = kind;
        fault.count = 1;
        server_.SetFault(page, fault);
    };

    once(Page::Forecast, Misbehaviour::NotFound);
    auto res = client.Get(kForecastPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 404);
    EXPECT_NE(res->body.find("<html>"), std::string::npos);

    once(Page::Forecast, Misbehaviour::EmptyBody);
    res = client.Get(kForecastPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(res->body, "");
    EXPECT_EQ(res->get_header_value("Content-Length"), "0");

    once(Page::Forecast, Misbehaviour::LacksMark);
    res = client.Get(kForecastPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.find("FORECAST"), std::string::npos);
    EXPECT_NE(res->body.find(".TONIGHT..."), std::string::npos);

    once(Page::Roundup, Misbehaviour::LacksMark);
    res = client.Get(kRoundupPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.find("DENVER INTL AP"), std::string::npos);
    EXPECT_NE(res->body.find("BOULDER"), std::string::npos);

    once(Page::Forecast, Misbehaviour::Oversized);
    res = client.Get(kForecastPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.size(), 64u * 1024);
    EXPECT_EQ(res->body.rfind(SamplePage(Page::Forecast).substr(0, 1000), 0), 0u);

    // A cut-short body and a closed connection fail the request; the client
    // then reconnects and gets the page again.
    once(Page::Roundup, Misbehaviour::CutShort);
    res = client.Get(kRoundupPath);
    EXPECT_FALSE(res);
    once(Page::Roundup, Misbehaviour::CloseConnection);
    res = client.Get(kRoundupPath);
    EXPECT_FALSE(res);
    res = client.Get(kRoundupPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, SamplePage(Page::Roundup));

    std::vector<std::string> statuses;
    for (const auto& record : server_.Requests()) statuses.push_back(record.status);
    EXPECT_EQ(statuses, (std::vector<std::string>{"404", "200", "200", "200", "200", "cut",
                                                  "closed", "200"}));
}

TEST_F(ServerHttp, CutShortAnnouncesMoreThanItSends) {
    Fault fault;
    fault.kind = Misbehaviour::CutShort;
    server_.SetFault(Page::Forecast, fault);
    auto client = MakeClient();
    std::string received;
    std::string announced;
    auto res = client.Get(
        kForecastPath,
        [&](const httplib::Response& head) {
            announced = head.get_header_value("Content-Length");
            return true;
        },
        [&](const char* data, std::size_t length) {
            received.append(data, length);
            return true;
        });
    EXPECT_FALSE(res);
    EXPECT_EQ(announced, std::to_string(SamplePage(Page::Forecast).size()));
    EXPECT_EQ(received, SamplePage(Page::Forecast).substr(0, received.size()));
    EXPECT_LT(received.size(), SamplePage(Page::Forecast).size());
}

TEST_F(ServerHttp, FaultCountRunsOutPerPage) {
    Fault fault;
    fault.kind = Misbehaviour::NotFound;
    fault.count = 2;
    server_.SetFault(Page::Forecast, fault);
    auto client = MakeClient();
    std::vector<int> statuses;
    for (const char* path : {kForecastPath, kRoundupPath, kForecastPath, kForecastPath}) {
        auto res = client.Get(path);
        statuses.push_back(res ? res->status : 0);
    }
    EXPECT_EQ(statuses, (std::vector<int>{404, 200, 404, 200}));

    fault.count = -1;
    server_.SetFault(Page::Forecast, fault);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(client.Get(kForecastPath)->status, 404);
    server_.ClearFaults();
    EXPECT_EQ(client.Get(kForecastPath)->status, 200);
}

TEST_F(ServerHttp, SlowAnswerComesAfterItsDelay) {
    Fault fault;
    fault.kind = Misbehaviour::Slow;
    fault.count = 1;
    fault.delayMs = 300;
    server_.SetFault(Page::Roundup, fault);
    auto client = MakeClient();
    const auto start = steady_clock::now();
    auto res = client.Get(kRoundupPath);
    const auto slow = steady_clock::now() - start;
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body, SamplePage(Page::Roundup));
    EXPECT_GE(slow, milliseconds(300));
    EXPECT_LT(slow, milliseconds(2000));
}

TEST_F(ServerHttp, StopReleasesHungAndSlowAnswersPromptly) {
    Fault hang;
    hang.kind = Misbehaviour::Hang;
    server_.SetFault(Page::Forecast, hang);
    Fault slow;
    slow.kind = Misbehaviour::Slow;
    slow.delayMs = 60000;
    server_.SetFault(Page::Roundup, slow);

    auto ask = [this](const char* path) {
        return std::async(std::launch::async, [this, path] {
            auto client = MakeClient();
            client.set_read_timeout(30, 0);
            return static_cast<bool>(client.Get(path));
        });
    };
    auto hung = ask(kForecastPath);
    auto delayed = ask(kRoundupPath);
    // An idle kept-alive connection must not hold up the stop either.
    auto idle = MakeClient();
    ASSERT_TRUE(idle.Get("/control/log"));

    const auto deadline = steady_clock::now() + milliseconds(3000);
    while (server_.Requests().size() < 2 && steady_clock::now() < deadline) {
        std::this_thread::sleep_for(milliseconds(5));
    }
    ASSERT_EQ(server_.Requests().size(), 2u);
    EXPECT_EQ(hung.wait_for(milliseconds(200)), std::future_status::timeout);

    const auto start = steady_clock::now();
    server_.Stop();
    EXPECT_LT(steady_clock::now() - start, milliseconds(1500));
    EXPECT_FALSE(hung.get());
    EXPECT_FALSE(delayed.get());
    for (const auto& record : server_.Requests()) {
        EXPECT_EQ(record.status, record.page == Page::Forecast ? "hung" : "200");
    }
}

TEST_F(ServerHttp, ClearingTheFaultsEndsHungAnswers) {
    Fault hang;
    hang.kind = Misbehaviour::Hang;
    server_.SetFault(Page::Roundup, hang);
    auto hung = std::async(std::launch::async, [this] {
        auto client = MakeClient();
        client.set_read_timeout(30, 0);
        return static_cast<bool>(client.Get(kRoundupPath));
    });
    EXPECT_EQ(hung.wait_for(milliseconds(200)), std::future_status::timeout);
    EXPECT_EQ(Control("clear"), "200 ok\n");
    ASSERT_EQ(hung.wait_for(milliseconds(1000)), std::future_status::ready);
    EXPECT_FALSE(hung.get());
    auto client = MakeClient();
    EXPECT_TRUE(client.Get(kRoundupPath)) << "still serving";
}

TEST_F(ServerHttp, ControlEndpointsChangeBehaviourAtRunTime) {
    auto client = MakeClient();
    EXPECT_EQ(Control("fault?page=roundup&kind=notfound&count=1"), "200 ok\n");
    EXPECT_EQ(client.Get(kRoundupPath)->status, 404);
    EXPECT_EQ(client.Get(kRoundupPath)->status, 200);

    EXPECT_EQ(Control("fault?page=forecast&kind=oversized&count=1&bytes=20000&padstart=1"),
              "200 ok\n");
    auto res = client.Get(kForecastPath);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->body.size(), 20000u);
    EXPECT_EQ(res->body.substr(20000 - SamplePage(Page::Forecast).size()),
              SamplePage(Page::Forecast));

    EXPECT_EQ(Control("fault?page=forecast&kind=empty"), "200 ok\n");
    EXPECT_EQ(Control("clear"), "200 ok\n");
    EXPECT_EQ(client.Get(kForecastPath)->body, SamplePage(Page::Forecast));

    // Down ends the open connection and refuses answers until up again.
    EXPECT_EQ(Control("down"), "200 ok\n");
    EXPECT_FALSE(client.Get(kForecastPath));
    EXPECT_FALSE(client.Get(kRoundupPath));
    EXPECT_EQ(Control("up"), "200 ok\n");
    EXPECT_TRUE(client.Get(kRoundupPath));

    for (const char* bad :
         {"fault?page=weather&kind=hang", "fault?page=roundup&kind=boom",
          "fault?page=roundup&kind=slow&delay=soon", "fault?page=roundup&kind=hang&count=-7"}) {
        EXPECT_EQ(Control(bad).substr(0, 4), "400 ") << bad;
    }
    EXPECT_EQ(Control("nonsense").substr(0, 4), "404 ");
}

TEST_F(ServerHttp, LogsEveryRequestWithTimeRemoteTargetAndStatus) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("tickwell-server-log-" + std::to_string(server_.port()) + ".txt");
    std::filesystem::remove(file);
    server_.SetLogFile(file.string());
    Fault close;
    close.kind = Misbehaviour::CloseConnection;
    close.count = 1;
    server_.SetFault(Page::Roundup, close);

    auto client = MakeClient();
    client.Get(kForecastPath);
    client.Get(kRoundupPath);
    client.Get("/missing");
    const std::string log = Control("log");

    std::ifstream in(file);
    std::stringstream written;
    written << in.rdbuf();
    std::filesystem::remove(file);

    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z 127\.0\.0\.1:\d+ (\S+) (\S+))");
    std::vector<std::string> seen;
    std::string text = written.str();
    for (std::sregex_iterator it(text.begin(), text.end(), line), end; it != end; ++it) {
        seen.push_back((*it)[1].str() + " " + (*it)[2].str());
    }
    EXPECT_EQ(seen, (std::vector<std::string>{std::string(kForecastPath) + " 200",
                                              std::string(kRoundupPath) + " closed", "/missing 404",
                                              "/control/log 200"}));
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
    // The control log was taken before its own line was added.
    EXPECT_EQ(log, "200 " + text.substr(0, text.rfind('\n', text.size() - 2) + 1));
}

}  // namespace
}  // namespace tickwell::tools
