// The cache after the computer slept and after the network came back: kept
// answers go stale but the spacing holds, the time is the system's until
// the service dates an answer again, and only a URL whose request found no
// network may be asked again at once.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "live/api_cache.h"

namespace tickwell::live {
namespace {

using platform::HttpsFailure;
using platform::HttpsResponse;

// 2026-12-07T20:00:00Z.
constexpr std::int64_t kStart = 1796673600;
const std::string kUrl = "https://api.test/stations/KXYZ/observations/latest";

// A suspend stops the monotonic clock (CLOCK_MONOTONIC does not count it)
// while the wall clock goes on.
class SleepingClock : public Clock {
public:
    std::int64_t UnixSeconds() override { return wall; }
    std::int64_t MonotonicSeconds() override { return monotonic; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
    void Advance(std::int64_t seconds) {
        wall += seconds;
        monotonic += seconds;
    }
    void Sleep(std::int64_t seconds) { wall += seconds; }
    std::int64_t wall = kStart;
    std::int64_t monotonic = 1000;
};

// Answers every request with `next`; counts them.
class OneAnswerClient : public platform::HttpsClient {
public:
    HttpsResponse Get(const std::string&, const std::vector<platform::HttpsHeader>& headers,
                      std::size_t) override {
        ++requests;
        revalidated = false;
        for (const auto& header : headers) revalidated |= header.name == "If-Modified-Since";
        return next;
    }
    void Abort() override {}
    HttpsResponse next;
    int requests = 0;
    bool revalidated = false;
};

HttpsResponse Failure(HttpsFailure failure) {
    HttpsResponse response;
    response.failure = failure;
    return response;
}

HttpsResponse Status(int status) {
    HttpsResponse response;
    response.status = status;
    response.body = "{}";
    return response;
}

TEST(LiveNetworkBack, OnlyAUrlWhoseRequestFoundNoNetworkIsAskedAgainAtOnce) {
    const struct {
        const char* label;
        HttpsResponse answer;
        bool lacksNetwork;
    } cases[] = {
        {"name not found", Failure(HttpsFailure::NameNotFound), true},
        {"no connection", Failure(HttpsFailure::ConnectFailed), true},
        {"timed out", Failure(HttpsFailure::TimedOut), true},
        {"certificate", Failure(HttpsFailure::Certificate), false},
        {"a broken answer", Failure(HttpsFailure::Other), false},
        {"too large", Failure(HttpsFailure::TooLarge), false},
        {"503, backing off", Status(503), false},
        {"429, every URL waits", Status(429), false},
        {"an answer", Status(200), false},
    };
    for (const auto& c : cases) {
        SleepingClock clock;
        OneAnswerClient client;
        ApiCache cache(client, clock);
        client.next = c.answer;
        cache.Get(kUrl);
        EXPECT_EQ(cache.LastRequestLackedNetwork(), c.lacksNetwork) << c.label;
        clock.Advance(5);
        // Served from the cache, the outcome says nothing new about the
        // network.
        client.next = Status(200);
        cache.Get(kUrl);
        EXPECT_EQ(client.requests, 1) << c.label;
        EXPECT_EQ(cache.LastRequestLackedNetwork(), c.lacksNetwork) << c.label;
        cache.NetworkBack();
        EXPECT_EQ(cache.NextRequestTime(kUrl) == cache.Now(), c.lacksNetwork) << c.label;
        cache.Get(kUrl);
        EXPECT_EQ(client.requests, c.lacksNetwork ? 2 : 1) << c.label;
        EXPECT_FALSE(cache.LastRequestLackedNetwork()) << c.label;
        // Asked again, the URL keeps the spacing as before.
        cache.NetworkBack();
        cache.Get(kUrl);
        EXPECT_EQ(client.requests, c.lacksNetwork ? 2 : 1) << c.label;
    }
}

TEST(LiveWake, KeptAnswersGoStaleButTheSpacingHolds) {
    const struct {
        const char* label;
        std::int64_t awakeAfter;  // seconds after the answer, on the monotonic clock
        int requestsAtWake;
    } cases[] = {
        {"a sleep soon after the answer: the spacing still holds", 30, 1},
        {"past the spacing: revalidated at once", 90, 2},
    };
    for (const auto& c : cases) {
        SleepingClock clock;
        OneAnswerClient client;
        ApiCache cache(client, clock);
        client.next = Status(200);
        client.next.headers = {{"cache-control", "max-age=900"},
                               {"last-modified", "Mon, 07 Dec 2026 19:55:00 GMT"}};
        cache.Get(kUrl);
        clock.Advance(c.awakeAfter);
        clock.Sleep(8 * 3600);
        cache.Get(kUrl);
        EXPECT_EQ(client.requests, 1) << c.label << ": fresh by the monotonic clock";
        cache.ComputerSlept();
        cache.Get(kUrl);
        EXPECT_EQ(client.requests, c.requestsAtWake) << c.label;
        clock.Advance(60);
        cache.Get(kUrl);
        EXPECT_EQ(client.requests, 2) << c.label;
        EXPECT_TRUE(client.revalidated) << c.label;
    }
}

TEST(LiveWake, TheTimeIsTheSystemsUntilTheServiceDatesAnAnswerAgain) {
    SleepingClock clock;
    OneAnswerClient client;
    ApiCache cache(client, clock);
    client.next = Status(200);
    // The service's clock is ten minutes behind this one.
    client.next.headers = {{"date", "Mon, 07 Dec 2026 19:50:00 GMT"}};
    cache.Get(kUrl);
    EXPECT_EQ(cache.Now(), kStart - 600);
    clock.Sleep(8 * 3600);
    EXPECT_EQ(cache.Now(), kStart - 600) << "the suspend went uncounted";
    cache.ComputerSlept();
    EXPECT_EQ(cache.Now(), kStart + 8 * 3600);
    // No network after waking: still the system's time.
    clock.Advance(60);
    client.next = Failure(HttpsFailure::NameNotFound);
    cache.Get(kUrl);
    EXPECT_EQ(cache.Now(), clock.wall);
    client.next = Status(200);
    client.next.headers = {{"date", "Tue, 08 Dec 2026 03:51:00 GMT"}};
    cache.NetworkBack();
    cache.Get(kUrl);
    EXPECT_EQ(cache.Now(), kStart + 8 * 3600 + 60 - 600);
}

}  // namespace
}  // namespace tickwell::live
