// The live source against a scripted HTTPS client and a clock that tests
// move by hand: the caching and back-off rules, the fall-backs between the
// service's answers, and an hour of refreshes through the real fetch job.
#include "live/live_source.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "live/api_cache.h"
#include "live/live_internet.h"
#include "support/fake_internet.h"

namespace tickwell::live {
namespace {

using nlohmann::json;
using platform::HttpsHeader;
using platform::HttpsResponse;

constexpr const char* kBase = "https://api.test";
// 2026-12-07T20:00:00Z.
constexpr std::int64_t kStart = 1796673600;

// A wall clock that is right and never steps: the monotonic time is the
// same count; local time is UTC.
class FakeClock : public Clock {
public:
    std::int64_t UnixSeconds() override { return milliseconds / 1000; }
    std::int64_t MonotonicSeconds() override { return milliseconds / 1000; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
    void Advance(std::int64_t seconds) { milliseconds += seconds * 1000; }
    std::int64_t milliseconds = kStart * 1000;
};

struct SentRequest {
    std::string url;
    std::int64_t at;
    std::string ifModifiedSince;
    std::size_t maxBodyBytes = 0;
};

// Answers each URL with what `answer` gives; records every request.
class ScriptedClient : public platform::HttpsClient {
public:
    explicit ScriptedClient(FakeClock& clock) : clock_(clock) {}

    // Like the real clients, a body over the request's cap gives no answer.
    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>& headers,
                      std::size_t maxBodyBytes) override {
        SentRequest sent{url, clock_.UnixSeconds(), "", maxBodyBytes};
        for (const HttpsHeader& header : headers) {
            if (header.name == "If-Modified-Since") sent.ifModifiedSince = header.value;
        }
        requests.push_back(sent);
        if (aborted) return HttpsResponse{};
        HttpsResponse response = answer(url, sent);
        if (response.body.size() > maxBodyBytes) {
            response = HttpsResponse{};
            response.failure = platform::HttpsFailure::TooLarge;
        }
        return response;
    }
    void Abort() override { aborted = true; }

    int Count(const std::string& url) const {
        int count = 0;
        for (const SentRequest& request : requests) count += request.url == url ? 1 : 0;
        return count;
    }

    std::function<HttpsResponse(const std::string&, const SentRequest&)> answer;
    std::vector<SentRequest> requests;
    std::atomic<bool> aborted{false};

private:
    FakeClock& clock_;
};

HttpsResponse Answer(int status, std::string body = "{}", std::vector<HttpsHeader> headers = {}) {
    HttpsResponse response;
    response.status = status;
    response.body = std::move(body);
    response.headers = std::move(headers);
    return response;
}

TEST(LiveCache, FreshnessRevalidationAndOneRequestAMinute) {
    FakeClock clock;
    ScriptedClient client(clock);
    int maxAge = 300;
    client.answer = [&](const std::string&, const SentRequest& sent) {
        if (sent.ifModifiedSince == "Mon, 07 Dec 2026 12:00:00 GMT") {
            return Answer(304, "", {{"cache-control", "max-age=" + std::to_string(maxAge)}});
        }
        return Answer(200, "body",
                      {{"cache-control", "public, max-age=" + std::to_string(maxAge)},
                       {"last-modified", "Mon, 07 Dec 2026 12:00:00 GMT"}});
    };
    ApiCache cache(client, clock);
    const std::string url = std::string(kBase) + "/a";
    struct Step {
        std::int64_t advance;
        int requestsAfter;
    };
    // Fresh for five minutes, then revalidated (304 keeps the body).
    for (const Step& step :
         {Step{0, 1}, Step{100, 1}, Step{199, 1}, Step{1, 2}, Step{299, 2}, Step{1, 3}}) {
        clock.Advance(step.advance);
        const ApiResult result = cache.Get(url);
        EXPECT_EQ(result.status, 200);
        EXPECT_EQ(result.body, "body");
        EXPECT_EQ(client.Count(url), step.requestsAfter) << "at +" << clock.UnixSeconds() - kStart;
    }
    EXPECT_EQ(client.requests.back().ifModifiedSince, "Mon, 07 Dec 2026 12:00:00 GMT");

    // Without max-age, still no more than one request a minute.
    maxAge = 0;
    const std::string other = std::string(kBase) + "/b";
    for (const Step& step : {Step{0, 1}, Step{10, 1}, Step{49, 1}, Step{1, 2}, Step{59, 2}}) {
        clock.Advance(step.advance);
        EXPECT_EQ(cache.Get(other).status, 200);
        EXPECT_EQ(client.Count(other), step.requestsAfter);
    }
}

TEST(LiveCache, FailuresAreServedAgainAndBackOff) {
    FakeClock clock;
    ScriptedClient client(clock);
    std::map<std::string, HttpsResponse> answers;
    client.answer = [&](const std::string& url, const SentRequest&) { return answers[url]; };
    ApiCache cache(client, clock);
    const std::string a = std::string(kBase) + "/a";
    const std::string b = std::string(kBase) + "/b";

    // 503 without Retry-After: one, two, four minutes...
    answers[a] = Answer(503);
    struct Step {
        std::int64_t advance;
        int requestsAfter;
    };
    for (const Step& step : {Step{0, 1}, Step{59, 1}, Step{1, 2}, Step{119, 2}, Step{1, 3},
                             Step{239, 3}, Step{1, 4}}) {
        clock.Advance(step.advance);
        EXPECT_EQ(cache.Get(a).status, 503);
        EXPECT_EQ(client.Count(a), step.requestsAfter) << "at +" << clock.UnixSeconds() - kStart;
    }
    // Back again: the back-off ends with the first success.
    answers[a] = Answer(200, "ok");
    clock.Advance(8 * 60);
    EXPECT_TRUE(cache.Get(a).ok());
    EXPECT_EQ(client.Count(a), 5);

    // 429 with Retry-After holds every URL back, as a date or in seconds.
    answers[b] = Answer(429, "", {{"retry-after", "300"}});
    clock.Advance(60);
    EXPECT_EQ(cache.Get(b).status, 429);
    clock.Advance(120);
    EXPECT_EQ(cache.Get(a).status, 200);  // the last answer of `a`, served again
    EXPECT_EQ(client.Count(a), 5);
    clock.Advance(180);
    answers[b] = Answer(200, "fine");
    EXPECT_EQ(cache.Get(b).body, "fine");
    EXPECT_EQ(client.Count(b), 2);

    // A network failure (no answer) is not retried within the minute either.
    const std::string c = std::string(kBase) + "/c";
    answers[c] = HttpsResponse{};
    EXPECT_EQ(cache.Get(c).status, 0);
    clock.Advance(30);
    EXPECT_EQ(cache.Get(c).status, 0);
    EXPECT_EQ(client.Count(c), 1);

    // Header helpers.
    HttpsResponse expires = Answer(
        200, "",
        {{"expires", "Mon, 07 Dec 2026 20:10:00 GMT"}, {"date", "Mon, 07 Dec 2026 20:00:00 GMT"}});
    EXPECT_EQ(FreshSeconds(expires, kStart), 600);
    EXPECT_EQ(FreshSeconds(Answer(200, "", {{"cache-control", "no-cache, max-age=60"}}), kStart),
              0);
    EXPECT_EQ(RetryAfterSeconds(Answer(503, "", {{"retry-after", "Mon, 07 Dec 2026 20:02:00 GMT"}}),
                                kStart),
              120);
    EXPECT_EQ(RetryAfterSeconds(Answer(503, "", {{"retry-after", "soon"}}), kStart), -1);
}

// A small weather service: a station, its point, a gridpoint and a zone
// forecast and observations, in the service's shapes.
class ServiceScript {
public:
    std::string Observation(std::int64_t time, json temperature, json humidity) const {
        auto value = [](const char* unit, json v) {
            return json{{"unitCode", unit}, {"value", v}};
        };
        json feature = {{"type", "Feature"},
                        {"properties",
                         {{"timestamp", stampFor(time)},
                          {"textDescription", "Clear"},
                          {"temperature", value("wmoUnit:degC", temperature)},
                          {"dewpoint", value("wmoUnit:degC", -5)},
                          {"relativeHumidity", value("wmoUnit:percent", humidity)},
                          {"barometricPressure", value("wmoUnit:Pa", 101600)},
                          {"windDirection", value("wmoUnit:degree_(angle)", 180)},
                          {"windSpeed", value("wmoUnit:km_h-1", 10)},
                          {"windGust", value("wmoUnit:km_h-1", nullptr)}}}};
        return feature.dump();
    }

    static std::string stampFor(std::int64_t time) {
        // Times within the test's day.
        const std::int64_t seconds = time - (kStart - 20 * 3600);
        char stamp[40];
        std::snprintf(stamp, sizeof stamp, "2026-12-07T%02d:%02d:%02d+00:00",
                      static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                      static_cast<int>(seconds % 60));
        return stamp;
    }

    HttpsResponse operator()(const std::string& url, const SentRequest& sent) {
        auto found = overrides.find(url.substr(std::string(kBase).size()));
        if (found != overrides.end()) return found->second;
        const std::string path = url.substr(std::string(kBase).size());
        std::vector<HttpsHeader> cache = {{"cache-control", "max-age=" + std::to_string(maxAge)}};
        if (path == "/stations/KXYZ") {
            return Answer(200,
                          json{{"geometry", {{"coordinates", {-104.6562, 39.8466}}}},
                               {"properties",
                                {{"name", "Test Field"},
                                 {"forecast", "https://api.weather.gov/zones/forecast/COZ040"}}}}
                              .dump(),
                          cache);
        }
        if (path == "/points/39.8466,-104.6562") {
            return Answer(
                200,
                json{{"properties",
                      {{"forecast", "https://elsewhere.example/gridpoints/BOU/62,60/forecast"}}}}
                    .dump(),
                cache);
        }
        auto periods = [](const char* first) {
            return json{{"properties",
                         {{"periods",
                           {{{"name", "Tonight"}, {"detailedForecast", first}},
                            {{"name", "Tuesday"}, {"detailedForecast", "Sunny."}}}}}}}
                .dump();
        };
        if (path == "/gridpoints/BOU/62,60/forecast") return Answer(200, periods("Grid."), cache);
        if (path == "/zones/forecast/COZ040/forecast") return Answer(200, periods("Zone."), cache);
        if (path == "/stations/KXYZ/observations/latest") {
            return Answer(200, Observation(sent.at - 600, latestTemperature, 50), cache);
        }
        if (path == "/stations/KXYZ/observations?limit=10") {
            return Answer(200,
                          "{\"features\":[" + Observation(sent.at - 600, nullptr, 50) + "," +
                              Observation(sent.at - 4200, 3.0, 40) + "]}",
                          cache);
        }
        return Answer(404);
    }

    std::map<std::string, HttpsResponse> overrides;
    json latestTemperature = 10.0;
    int maxAge = 0;
};

struct SourceFixture {
    SourceFixture() {
        auto scripted = std::make_unique<ScriptedClient>(clock);
        client = scripted.get();
        client->answer = std::ref(service);
        source = std::make_unique<LiveSource>(std::move(scripted), clock, LiveOptions{kBase, ""},
                                              "KXYZ");
    }
    FakeClock clock;
    ServiceScript service;
    ScriptedClient* client = nullptr;
    std::unique_ptr<LiveSource> source;
};

TEST(LiveSourcePages, FallBacksBetweenTheServicesAnswers) {
    {
        SourceFixture f;
        auto page = f.source->ForecastPage();
        ASSERT_TRUE(page);
        // The periods carry no times here, so the NOW line says UTC.
        EXPECT_NE(page->find("TEST FIELD (KXYZ)\n.NOW...CLEAR. 50 DEGREES. SOUTH WIND 6 MPH. "
                             "OBSERVED 7:50 PM UTC.\n.TONIGHT...GRID.\n.TUESDAY...SUNNY.\n"),
                  std::string::npos)
            << *page;
        // The gridpoint URL's path is asked of the service's own address.
        EXPECT_EQ(f.client->Count(std::string(kBase) + "/gridpoints/BOU/62,60/forecast"), 1);
        auto roundup = f.source->RoundupPage();
        ASSERT_TRUE(roundup);
        EXPECT_NE(roundup->find("DENVER INTL AP CLEAR     50  23  50 S6        30.00  KXYZ"),
                  std::string::npos);
        // Station and point are asked once for the run.
        f.clock.Advance(3600);
        EXPECT_TRUE(f.source->ForecastPage());
        EXPECT_EQ(f.client->Count(std::string(kBase) + "/stations/KXYZ"), 1);
        EXPECT_EQ(f.client->Count(std::string(kBase) + "/points/39.8466,-104.6562"), 1);
    }
    {
        // The gridpoint forecast fails: the zone's stands in.
        SourceFixture f;
        f.service.overrides["/gridpoints/BOU/62,60/forecast"] = Answer(500);
        auto page = f.source->ForecastPage();
        ASSERT_TRUE(page);
        EXPECT_NE(page->find(".TONIGHT...ZONE.\n"), std::string::npos);
        // Both fail: the forecast shown before stays, with a NOW line that
        // says since when and why.
        f.service.overrides["/zones/forecast/COZ040/forecast"] = Answer(503);
        f.clock.Advance(3600);
        page = f.source->ForecastPage();
        ASSERT_TRUE(page);
        EXPECT_NE(page->find("\n.NOW...NOT UPDATED SINCE 8:00 PM: THE WEATHER SERVICE ANSWERS "
                             "WITH ERRORS (500). NEXT TRY AT 9:15 PM.\n.TONIGHT...ZONE.\n"),
                  std::string::npos)
            << *page;
    }
    {
        // The latest observation lacks the temperature: the newest complete
        // one of the recent list (70 minutes old) is shown.
        SourceFixture f;
        f.service.latestTemperature = nullptr;
        auto roundup = f.source->RoundupPage();
        ASSERT_TRUE(roundup);
        EXPECT_NE(roundup->find("DENVER INTL AP CLEAR     37  23  40"), std::string::npos);
        // Nothing answers at all: a failure, not an empty table.
        f.service.overrides["/stations/KXYZ/observations/latest"] = Answer(503);
        f.service.overrides["/stations/KXYZ/observations?limit=10"] = Answer(503);
        f.clock.Advance(600);
        EXPECT_FALSE(f.source->RoundupPage());
    }
    {
        // An unknown station.
        SourceFixture f;
        f.service.overrides["/stations/KXYZ"] = Answer(404);
        EXPECT_EQ(f.source->CheckStation("KXYZ"), StationCheck::Unknown);
        auto page = f.source->ForecastPage();
        ASSERT_TRUE(page);
        EXPECT_NE(page->find("\n.NOW...THE WEATHER SERVICE KNOWS NO STATION KXYZ. RIGHT-CLICK TO "
                             "CHOOSE YOUR LOCATION.\n"),
                  std::string::npos)
            << *page;
        f.service.overrides["/stations/KABC"] = Answer(503);
        EXPECT_EQ(f.source->CheckStation("KABC"), StationCheck::Unreachable);
    }
}

// The fetch job's pauses move the fake clock instead of sleeping.
FakeClock* jobClock = nullptr;
void AdvanceJobClock(std::uint32_t milliseconds) {
    jobClock->milliseconds += milliseconds;
}

TEST(LiveSourcePages, AnHourOfOneMinuteRefreshesAndUpdateNowStaysPolite) {
    struct Case {
        const char* what;
        std::function<void(ServiceScript&)> setUp;
        bool readingsShown;
    };
    const std::vector<Case> cases = {
        {"the service answers", [](ServiceScript&) {}, true},
        {"the service answers 503 to everything",
         [](ServiceScript& s) {
             for (const char* path : {"/stations/KXYZ", "/stations/KXYZ/observations/latest",
                                      "/stations/KXYZ/observations?limit=10"}) {
                 s.overrides[path] = Answer(503);
             }
         },
         false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        SourceFixture f;
        test.setUp(f.service);
        fakes::FakeInternet system;
        LiveInternet internet(*f.source, system);
        UseInternet(internet);
        AllocateWeatherBuffers();
        jobClock = &f.clock;
        SetFetchPause(AdvanceJobClock);
        ASSERT_TRUE(CheckInternet());
        ASSERT_TRUE(OpenSession());
        ASSERT_TRUE(OpenConnection());
        weatherState.temperature = -99;

        // Each minute: the timed refresh and "Update now" chosen five times.
        for (int minute = 0; minute < 60; ++minute) {
            const std::int64_t minuteStart = kStart * 1000 + minute * 60000;
            if (f.clock.milliseconds < minuteStart) f.clock.milliseconds = minuteStart;
            for (int run = 0; run < 6; ++run) {
                WeatherFetchJob job;
                job.Run();
                f.clock.milliseconds += 1000;
            }
        }
        EXPECT_EQ(weatherState.temperature == 50, test.readingsShown);

        // No URL more than once a minute (at most 60 of each in the hour,
        // a few more as the last pauses run past it), station and point once.
        std::map<std::string, std::vector<std::int64_t>> times;
        for (const SentRequest& request : f.client->requests)
            times[request.url].push_back(request.at);
        for (const auto& [url, at] : times) {
            for (std::size_t i = 1; i < at.size(); ++i) {
                EXPECT_GE(at[i] - at[i - 1], 60) << url;
            }
            EXPECT_LE(at.size(), 70u) << url;
        }
        if (test.readingsShown) {
            EXPECT_EQ(times[std::string(kBase) + "/stations/KXYZ"].size(), 1u);
        } else {
            // Backing off: far fewer than one a minute.
            EXPECT_LE(f.client->requests.size(), 3u * 12u);
        }

        // Shutdown aborts the client; a request still held fails.
        platform::HttpRequest* held = OpenWeatherRequest(roundupPath);
        ASSERT_NE(held, nullptr);
        EXPECT_EQ(OpenWeatherRequest("/other"), nullptr);
        CloseConnection();
        EXPECT_TRUE(f.client->aborted);
        f.clock.Advance(3600);
        EXPECT_FALSE(held->Send());
        std::uint32_t delivered = 0;
        char buffer[16];
        EXPECT_FALSE(held->Read(buffer, sizeof buffer, &delivered));
        delete held;
        SetFetchPause(nullptr);
        UseInternet(platform::SystemInternet());
    }
}

// --- Hostile or broken answers. ---

const std::string kLatest = "/stations/KXYZ/observations/latest";

// The fixture's observation of `at`, stamped `stamp` instead.
std::string Restamped(const ServiceScript& service, std::int64_t at, const std::string& stamp,
                      json temperature) {
    json feature = json::parse(service.Observation(at, std::move(temperature), 50));
    feature["properties"]["timestamp"] = stamp;
    return feature.dump();
}

TEST(LiveHostile, NoAnswerStaysFreshPastItsCeilingNorHoldsAUrlPastAnHour) {
    // The service says every answer is fresh for 31 years: observations are
    // asked again after a quarter of an hour, the forecast after an hour.
    SourceFixture f;
    f.service.maxAge = 999999999;
    const std::string grid = std::string(kBase) + "/gridpoints/BOU/62,60/forecast";
    ASSERT_TRUE(f.source->ForecastPage());
    EXPECT_NE(f.source->RoundupPage()->find("CLEAR     50"), std::string::npos);
    f.service.latestTemperature = 20.0;
    f.clock.Advance(14 * 60);
    EXPECT_NE(f.source->RoundupPage()->find("CLEAR     50"), std::string::npos);
    f.clock.Advance(60);
    EXPECT_NE(f.source->RoundupPage()->find("CLEAR     68"), std::string::npos);
    EXPECT_EQ(f.client->Count(grid), 1);
    f.clock.Advance(45 * 60);
    ASSERT_TRUE(f.source->ForecastPage());
    EXPECT_EQ(f.client->Count(grid), 2);

    // Each answer's request carried its endpoint's cap.
    for (const SentRequest& sent : f.client->requests) {
        const Endpoint endpoint =
            sent.url.find("/observations/latest") != std::string::npos ? Endpoint::LatestObservation
            : sent.url.find("/observations?") != std::string::npos     ? Endpoint::ObservationList
            : sent.url.find("/gridpoints/") != std::string::npos       ? Endpoint::GridForecast
            : sent.url.find("/alerts/") != std::string::npos           ? Endpoint::Alerts
            : sent.url.find("/points/") != std::string::npos           ? Endpoint::Points
                                                                       : Endpoint::Station;
        EXPECT_EQ(sent.maxBodyBytes, LimitsOf(endpoint).maxBodyBytes) << sent.url;
    }

    // An Expires far ahead is cut the same way.
    FakeClock clock;
    ScriptedClient client(clock);
    std::map<std::string, HttpsResponse> answers;
    client.answer = [&](const std::string& url, const SentRequest&) { return answers[url]; };
    ApiCache cache(client, clock);
    const std::string a = std::string(kBase) + "/a";
    const std::string b = std::string(kBase) + "/b";
    answers[a] = Answer(200, "{}", {{"expires", "Fri, 31 Dec 9999 23:59:59 GMT"}});
    const AnswerLimits observations = LimitsOf(Endpoint::LatestObservation);
    struct Step {
        std::int64_t advance;
        int requestsAfter;
    };
    for (const Step& step : {Step{0, 1}, Step{899, 1}, Step{1, 2}}) {
        clock.Advance(step.advance);
        EXPECT_TRUE(cache.Get(a, observations).ok());
        EXPECT_EQ(client.Count(a), step.requestsAfter);
    }

    // Retry-After of 31 years, or a date in the year 9999: an hour at most,
    // for the URL and, after 429, for every URL.
    const std::vector<HttpsResponse> holds = {
        Answer(429, "", {{"retry-after", "999999999"}}),
        Answer(503, "", {{"retry-after", "Fri, 31 Dec 9999 23:59:59 GMT"}}),
        Answer(429, "", {{"retry-after", "Fri, 31 Dec 9999 23:59:59 GMT"}}),
    };
    for (const HttpsResponse& hold : holds) {
        clock.Advance(3600);
        answers[a] = hold;
        answers[b] = Answer(200, "{}");
        const int askedA = client.Count(a);
        const int askedB = client.Count(b);
        EXPECT_EQ(cache.Get(a).status, hold.status);
        clock.Advance(3599);
        cache.Get(a);
        EXPECT_EQ(client.Count(a), askedA + 1);
        // Held back, `b` gets its last outcome served again, unasked.
        cache.Get(b);
        EXPECT_EQ(client.Count(b), askedB + (hold.status == 429 ? 0 : 1));
        clock.Advance(1);
        answers[a] = Answer(200, "{}");
        EXPECT_TRUE(cache.Get(a).ok());
        EXPECT_EQ(client.Count(a), askedA + 2);
    }
}

TEST(LiveHostile, ABrokenBodyIsNeitherKeptNorRevalidated) {
    const AnswerLimits limits = LimitsOf(Endpoint::LatestObservation);
    struct Case {
        const char* name;
        std::string body;
    };
    const std::vector<Case> cases = {
        {"nested [", std::string(33, '[') + std::string(33, ']')},
        {"nested {\"a\":",
         [] {
             std::string body;
             for (int i = 0; i < 33; ++i) body += "{\"a\":";
             return body + "0" + std::string(33, '}');
         }()},
        {"too many values",
         [&] {
             std::string body = "[";
             for (std::size_t i = 0; i < limits.maxValues; ++i) body += "0,";
             return body + "0]";
         }()},
        {"over the cap",
         [&] {
             // Built by appending: the i686 compiler's restrict check
             // misreads a chain of + here.
             std::string body(limits.maxBodyBytes + 2, 'a');
             body.front() = '"';
             body.back() = '"';
             return body;
         }()},
        {"not JSON", "<html>Service busy</html>"},
        {"cut short", "{\"properties\":{\"timestamp\":\"2026-12-07T19:50:00+00:00\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFixture f;
        f.service.overrides[kLatest] = Answer(200, c.body,
                                              {{"cache-control", "max-age=3600"},
                                               {"last-modified", "Mon, 07 Dec 2026 19:00:00 GMT"}});
        const std::string latest = std::string(kBase) + kLatest;
        // The recent list stands in: its complete observation is 70 minutes
        // old.
        EXPECT_NE(f.source->RoundupPage()->find("CLEAR     37"), std::string::npos);
        EXPECT_EQ(f.client->Count(latest), 1);
        // Within the minute, the service is not asked again...
        f.clock.Advance(30);
        EXPECT_NE(f.source->RoundupPage()->find("CLEAR     37"), std::string::npos);
        EXPECT_EQ(f.client->Count(latest), 1);
        // ...but after it, though the answer claimed an hour's freshness,
        // and without If-Modified-Since: the broken body was not kept.
        f.service.overrides.erase(kLatest);
        f.clock.Advance(31);
        EXPECT_NE(f.source->RoundupPage()->find("CLEAR     50"), std::string::npos);
        EXPECT_EQ(f.client->Count(latest), 2);
        EXPECT_EQ(f.client->requests.back().url, latest);
        EXPECT_EQ(f.client->requests.back().ifModifiedSince, "");
    }
}

TEST(LiveHostile, AnObservationFromTheFutureIsNotCurrentNorTheLastSeen) {
    struct Case {
        const char* name;
        std::int64_t lead;  // seconds after the service's time
        bool current;
    };
    const std::vector<Case> cases = {
        {"a year ahead", 365 * 86400, false},
        {"11 minutes ahead", 11 * 60, false},
        {"9 minutes ahead", 9 * 60, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceFixture f;
        const std::int64_t taken = kStart + c.lead;
        const std::string stamp =
            c.lead > 86400 ? "2027-12-07T20:00:00+00:00" : ServiceScript::stampFor(taken);
        f.service.overrides[kLatest] =
            Answer(200, Restamped(f.service, taken, stamp, 30.0), {{"cache-control", "max-age=0"}});
        // 30 C is 86 F; otherwise the recent list's 3 C (37 F) is shown.
        EXPECT_NE(f.source->RoundupPage()->find(c.current ? "CLEAR     86" : "CLEAR     37"),
                  std::string::npos);

        // Then the service gives sound answers, which are shown; and once
        // those grow old, the NOW line names the last of them, never the
        // one from the future.
        f.service.overrides.erase(kLatest);
        f.clock.Advance(120);
        EXPECT_NE(f.source->RoundupPage()->find("CLEAR     50"), std::string::npos);
        const std::string old = Restamped(f.service, kStart, "2026-12-07T17:00:00+00:00", 5.0);
        f.service.overrides[kLatest] = Answer(200, old);
        f.service.overrides["/stations/KXYZ/observations?limit=10"] =
            Answer(200, "{\"features\":[" + old + "]}");
        f.clock.Advance(120);
        const std::string page = f.source->ForecastPage().value_or("");
        if (c.current) {
            // Nine minutes ahead was accepted as the newest seen.
            EXPECT_NE(page.find(".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN 8:09 PM"),
                      std::string::npos)
                << page;
        } else {
            EXPECT_NE(page.find(".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN 7:52 PM"),
                      std::string::npos)
                << page;
        }
    }
    // The rule at its edges.
    Observation observation;
    observation.time = kStart + kMaxObservationLeadSeconds;
    EXPECT_TRUE(IsCurrent(observation, kStart));
    observation.time += 1;
    EXPECT_FALSE(IsCurrent(observation, kStart));
    EXPECT_TRUE(IsFuture(observation, kStart));
}

}  // namespace
}  // namespace tickwell::live

namespace tickwell::live {
namespace {

// The user's units reach the pages: the gridpoint forecast asked for in SI
// units with Celsius, the NOW line, the roundup row and the status line's
// times in the chosen units; a change drops the forecast kept for a
// failing service, which is in the old units.
TEST(LiveSourceUnits, SiForecastAndPagesInTheChosenUnits) {
    const Units metric{TemperatureUnit::Celsius, PressureUnit::Hectopascals,
                       WindUnit::KilometresPerHour, ClockStyle::TwentyFourHour};
    const std::string grid = std::string(kBase) + "/gridpoints/BOU/62,60/forecast";
    SourceFixture f;
    f.service.overrides["/gridpoints/BOU/62,60/forecast?units=si"] =
        f.service(grid, SentRequest{grid, 0, "", 0});
    f.source->SetUnits(metric);
    auto page = f.source->ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_NE(page->find(".NOW...CLEAR. 10 DEGREES CELSIUS. SOUTH WIND 10 KM/H. OBSERVED 19:50 "
                         "UTC.\n.TONIGHT...GRID.\n"),
              std::string::npos)
        << *page;
    EXPECT_EQ(f.client->Count(grid + "?units=si"), 1);
    EXPECT_EQ(f.client->Count(grid), 0);
    auto roundup = f.source->RoundupPage();
    ASSERT_TRUE(roundup);
    EXPECT_NE(roundup->find("DENVER INTL AP CLEAR     10  -5  50 S10       1016   KXYZ"),
              std::string::npos)
        << *roundup;

    // Back to the US units: the plain URL, and a forecast kept from then on.
    f.source->SetUnits(Units{});
    f.clock.Advance(3600);
    page = f.source->ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(f.client->Count(grid), 1);
    EXPECT_NE(page->find(".NOW...CLEAR. 50 DEGREES. SOUTH WIND 6 MPH. OBSERVED 8:50 PM UTC."),
              std::string::npos)
        << *page;
    // Every forecast fails: after a change of units the US forecast is not
    // kept; the status line says why in 24-hour time.
    f.service.overrides["/gridpoints/BOU/62,60/forecast?units=si"] = Answer(500);
    f.service.overrides["/zones/forecast/COZ040/forecast"] = Answer(503);
    f.source->SetUnits(metric);
    f.clock.Advance(3600);
    page = f.source->ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->find(".TONIGHT...GRID."), std::string::npos) << *page;
    EXPECT_NE(page->find(".NOW...THE WEATHER SERVICE ANSWERS WITH ERRORS (500). NEXT TRY AT "
                         "22:15."),
              std::string::npos)
        << *page;
}

}  // namespace
}  // namespace tickwell::live
