// The live source's sense of time and what it says when the service fails
// it: spacing and back-off on the monotonic clock whatever the PC's clock
// does, the service's own time from its Date header, the status lines for
// each kind of failure, and the last forecast kept with a line that says
// since when nothing could be updated.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/fetch_job.h"
#include "fetch/forecast_parser.h"
#include "fetch/internet_connection.h"
#include "live/api_cache.h"
#include "live/live_internet.h"
#include "live/live_source.h"
#include "live/status_line.h"
#include "support/fake_internet.h"

namespace tickwell::live {
namespace {

using nlohmann::json;
using platform::HttpsFailure;
using platform::HttpsHeader;
using platform::HttpsResponse;

constexpr const char* kBase = "https://api.test";
// Monday 2026-12-07T20:00:00Z: 1 PM at the station (UTC-7).
constexpr std::int64_t kStart = 1796673600;
constexpr int kStationOffset = -7 * 60;

// The PC's clock, which a test may set wrong or step, beside the true time
// that only the monotonic clock follows.
class SteppedClock : public Clock {
public:
    std::int64_t UnixSeconds() override { return trueTime + wallError; }
    std::int64_t MonotonicSeconds() override { return trueTime - kStart + 5000; }
    int LocalOffsetMinutes(std::int64_t) override { return localOffset; }
    void Advance(std::int64_t seconds) { trueTime += seconds; }
    std::int64_t trueTime = kStart;
    std::int64_t wallError = 0;
    int localOffset = -5 * 60;
};

std::string HttpDate(std::int64_t time) {
    const LocalTime t = ToLocalTime(time, 0);
    static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[t.weekday], t.day,
                  kMonths[t.month - 1], t.year, t.hour, t.minute, static_cast<int>(time % 60));
    return text;
}

std::string IsoTime(std::int64_t time, int offsetMinutes) {
    const LocalTime t = ToLocalTime(time, offsetMinutes);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00%c%02d:%02d", t.year, t.month,
                  t.day, t.hour, t.minute, offsetMinutes < 0 ? '-' : '+',
                  std::abs(offsetMinutes) / 60, std::abs(offsetMinutes) % 60);
    return text;
}

HttpsResponse Answer(int status, std::string body = "{}", std::vector<HttpsHeader> headers = {}) {
    HttpsResponse response;
    response.status = status;
    response.body = std::move(body);
    response.headers = std::move(headers);
    return response;
}

HttpsResponse NoAnswer(HttpsFailure why) {
    HttpsResponse response;
    response.failure = why;
    return response;
}

// Answers by URL path through `answer`; records the monotonic time of
// every request.
class ScriptedClient : public platform::HttpsClient {
public:
    explicit ScriptedClient(SteppedClock& clock) : clock_(clock) {}
    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>&,
                      std::size_t) override {
        const std::string path = url.substr(std::string(kBase).size());
        sent.push_back({path, clock_.MonotonicSeconds()});
        return answer(path);
    }
    void Abort() override {}
    int Count(const std::string& path) const {
        int count = 0;
        for (const auto& request : sent) count += request.first == path ? 1 : 0;
        return count;
    }
    std::function<HttpsResponse(const std::string&)> answer;
    std::vector<std::pair<std::string, std::int64_t>> sent;

private:
    SteppedClock& clock_;
};

// Spacing, freshness and back-off count monotonic seconds: a wall clock
// stepped back does not stop requests, one stepped forward does not skip
// a wait.
TEST(LiveClockSteps, SpacingFreshnessAndBackOffIgnoreTheWallClock) {
    struct Step {
        const char* what;
        std::int64_t wallStep;  // added to the PC's clock
        std::int64_t passes;    // true seconds that pass
        int requestsAfter;
    };
    struct Case {
        const char* what;
        HttpsResponse answer;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"no max-age: one request a minute",
         Answer(200, "x"),
         {{"first", 0, 0, 1},
          {"the PC's clock jumps an hour ahead", 3600, 10, 1},
          {"a minute after the first", 0, 50, 2},
          {"the PC's clock goes back two hours", -7200, 30, 2},
          {"a minute after the second", 0, 30, 3},
          {"and every minute after", -86400, 60, 4}}},
        {"max-age 300: fresh for five minutes",
         Answer(200, "x", {{"cache-control", "max-age=300"}}),
         {{"first", 0, 0, 1},
          {"the PC's clock goes back a day", -86400, 60, 1},
          {"the PC's clock jumps a day ahead", 2 * 86400, 60, 1},
          {"five minutes after the first", 0, 180, 2}}},
        {"503: one, two, four minutes",
         Answer(503),
         {{"first", 0, 0, 1},
          {"the PC's clock jumps an hour ahead", 3600, 59, 1},
          {"a minute on", 0, 1, 2},
          {"the PC's clock goes back an hour", -3600, 119, 2},
          {"two minutes on", 0, 1, 3},
          {"four minutes less one second", 7200, 239, 3},
          {"four minutes on", 0, 1, 4}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SteppedClock clock;
        ScriptedClient client(clock);
        client.answer = [&](const std::string&) { return c.answer; };
        ApiCache cache(client, clock);
        for (const Step& step : c.steps) {
            clock.wallError += step.wallStep;
            clock.Advance(step.passes);
            cache.Get(std::string(kBase) + "/a");
            EXPECT_EQ(client.Count("/a"), step.requestsAfter) << step.what;
        }
    }
}

TEST(LiveClockSteps, NowIsTheServicesDatePlusMonotonicTime) {
    SteppedClock clock;
    clock.wallError = 3 * 3600;  // the PC's clock is three hours fast
    ScriptedClient client(clock);
    std::string date = HttpDate(kStart);
    client.answer = [&](const std::string&) {
        return Answer(200, "x", {{"date", date}, {"cache-control", "max-age=0"}});
    };
    ApiCache cache(client, clock);
    // Before any answer: the PC's clock.
    EXPECT_EQ(cache.Now(), kStart + 3 * 3600);
    cache.Get(std::string(kBase) + "/a");
    EXPECT_EQ(cache.Now(), kStart);
    clock.Advance(125);
    clock.wallError = -86400;  // stepping the PC's clock changes nothing
    EXPECT_EQ(cache.Now(), kStart + 125);
    // A later answer's Date takes over; one that is not a date is ignored.
    date = HttpDate(kStart + 200);
    cache.Get(std::string(kBase) + "/b");
    EXPECT_EQ(cache.Now(), kStart + 200);
    clock.Advance(10);
    date = "yesterday";
    cache.Get(std::string(kBase) + "/c");
    EXPECT_EQ(cache.Now(), kStart + 210);
    // The next request of a URL just asked goes out a minute on.
    EXPECT_EQ(cache.NextRequestTime(std::string(kBase) + "/c"), kStart + 270);
    EXPECT_EQ(cache.NextRequestTime(std::string(kBase) + "/never"), kStart + 210);
}

// A small weather service with a station, its point, a gridpoint forecast
// and observations, whose answers carry the true time as their Date.
class Service {
public:
    explicit Service(SteppedClock& clock) : clock_(clock) {}

    HttpsResponse operator()(const std::string& path) {
        if (failEverything || path == failing) return failure;
        std::vector<HttpsHeader> headers = {{"date", HttpDate(clock_.trueTime)},
                                            {"cache-control", "max-age=0"}};
        if (path == "/stations/" + knownStation) {
            return Answer(200,
                          json{{"geometry", {{"coordinates", {-104.6562, 39.8466}}}},
                               {"properties", {{"name", "Test Field"}}}}
                              .dump(),
                          headers);
        }
        if (path == "/points/39.8466,-104.6562") {
            return Answer(
                200,
                json{{"properties", {{"forecast", "https://x/gridpoints/BOU/1,2/forecast"}}}}
                    .dump(),
                headers);
        }
        if (path == "/gridpoints/BOU/1,2/forecast") return Answer(200, Forecast(), headers);
        if (path == "/stations/" + knownStation + "/observations/latest") {
            return Answer(200, Observation(kStart - 600), headers);
        }
        if (path.rfind("/alerts/active", 0) == 0) return Answer(200, "{\"features\":[]}", headers);
        return Answer(404, "{}", headers);
    }

    // Periods at the station's offset: one that ended ten minutes before the
    // test starts, one that ends half an hour after, then the night and
    // Tuesday.
    static std::string Forecast() {
        auto period = [](const char* name, std::int64_t start, std::int64_t end, const char* text) {
            return json{{"name", name},
                        {"startTime", IsoTime(start, kStationOffset)},
                        {"endTime", IsoTime(end, kStationOffset)},
                        {"detailedForecast", text}};
        };
        return json{{"properties",
                     {{"periods",
                       {period("This Morning", kStart - 25200, kStart - 600, "Foggy."),
                        period("This Afternoon", kStart - 600, kStart + 1800, "Sunny."),
                        period("Tonight", kStart + 1800, kStart + 45000, "Clear."),
                        period("Tuesday", kStart + 45000, kStart + 88200, "Windy.")}}}}}
            .dump();
    }

    static std::string Observation(std::int64_t time) {
        auto value = [](const char* unit, double v) {
            return json{{"unitCode", unit}, {"value", v}};
        };
        return json{{"properties",
                     {{"timestamp", IsoTime(time, 0)},
                      {"textDescription", "Clear"},
                      {"temperature", value("wmoUnit:degC", 10)},
                      {"dewpoint", value("wmoUnit:degC", -5)},
                      {"relativeHumidity", value("wmoUnit:percent", 34)},
                      {"barometricPressure", value("wmoUnit:Pa", 101600)}}}}
            .dump();
    }

    std::string knownStation = "KXYZ";
    // One path that fails, or every one.
    std::string failing;
    bool failEverything = false;
    HttpsResponse failure = NoAnswer(HttpsFailure::NameNotFound);

private:
    SteppedClock& clock_;
};

struct Fixture {
    Fixture() : service(clock) {
        auto scripted = std::make_unique<ScriptedClient>(clock);
        client = scripted.get();
        client->answer = std::ref(service);
        source = std::make_unique<LiveSource>(std::move(scripted), clock, LiveOptions{kBase, ""},
                                              "KXYZ");
    }
    SteppedClock clock;
    Service service;
    ScriptedClient* client = nullptr;
    std::unique_ptr<LiveSource> source;
};

bool Holds(const std::optional<std::string>& page, const std::string& text) {
    return page && page->find(text) != std::string::npos;
}

// With the service's Date right, a PC clock three hours off in either
// direction still shows the current observation and the periods that have
// not ended.
TEST(LiveClockSteps, APcClockThreeHoursOffStillGivesTheRightPage) {
    for (const std::int64_t error : {std::int64_t{3 * 3600}, std::int64_t{-3 * 3600}}) {
        SCOPED_TRACE(error);
        Fixture f;
        f.clock.wallError = error;
        // The first answer (the station) brings the service's time.
        auto page = f.source->ForecastPage();
        ASSERT_TRUE(page);
        EXPECT_TRUE(Holds(page, ".NOW...CLEAR. 50 DEGREES. OBSERVED 12:50 PM.\n")) << *page;
        EXPECT_FALSE(Holds(page, ".THIS MORNING...")) << *page;
        EXPECT_TRUE(Holds(page, ".THIS AFTERNOON...SUNNY.\n.TONIGHT...")) << *page;
        EXPECT_TRUE(Holds(f.source->RoundupPage(), "50  23  34"));
    }
}

TEST(LiveStatusLines, EachKindOfFailureIsSaidWithTheNextTry) {
    struct Case {
        const char* what;
        std::string failingPath;
        HttpsResponse answer;
        const char* line;  // the NOW line, after ".NOW..."
    };
    const std::string station = "/stations/KXYZ";
    const std::string grid = "/gridpoints/BOU/1,2/forecast";
    const std::vector<Case> cases = {
        {"name not found", station, NoAnswer(HttpsFailure::NameNotFound),
         "THE WEATHER SERVICE CANNOT BE REACHED (NAME NOT FOUND). NEXT TRY AT 3:15 PM."},
        {"refused", station, NoAnswer(HttpsFailure::ConnectFailed),
         "THE WEATHER SERVICE CANNOT BE REACHED (NO CONNECTION). NEXT TRY AT 3:15 PM."},
        {"timed out", station, NoAnswer(HttpsFailure::TimedOut),
         "THE WEATHER SERVICE CANNOT BE REACHED (TIMED OUT). NEXT TRY AT 3:15 PM."},
        {"certificate", station, NoAnswer(HttpsFailure::Certificate),
         "THE WEATHER SERVICE CANNOT BE REACHED (CERTIFICATE NOT TRUSTED). NEXT TRY AT 3:15 PM."},
        {"too large", station, NoAnswer(HttpsFailure::TooLarge),
         "THE WEATHER SERVICE CANNOT BE REACHED (ANSWER TOO LARGE). NEXT TRY AT 3:15 PM."},
        {"redirect", station, NoAnswer(HttpsFailure::Redirect),
         "THE WEATHER SERVICE CANNOT BE REACHED (REDIRECTED). NEXT TRY AT 3:15 PM."},
        {"other", station, NoAnswer(HttpsFailure::Other),
         "THE WEATHER SERVICE CANNOT BE REACHED (NETWORK ERROR). NEXT TRY AT 3:15 PM."},
        {"503", station, Answer(503),
         "THE WEATHER SERVICE ANSWERS WITH ERRORS (503). NEXT TRY AT 3:15 PM."},
        // Retry-After 1000 s: the refresh after it, the second from now.
        {"429", station, Answer(429, "{}", {{"retry-after", "1000"}}),
         "THE WEATHER SERVICE ANSWERS WITH ERRORS (429). NEXT TRY AT 3:30 PM."},
        {"unknown station", station, Answer(404),
         "THE WEATHER SERVICE KNOWS NO STATION KXYZ. RIGHT-CLICK TO CHOOSE YOUR LOCATION."},
        {"a station without coordinates", station, Answer(200, "{\"properties\":{}}"),
         "THE WEATHER SERVICE GIVES NO FORECAST FOR KXYZ. NEXT TRY AT 3:15 PM."},
        {"the gridpoint forecast times out", grid, NoAnswer(HttpsFailure::TimedOut),
         "THE WEATHER SERVICE CANNOT BE REACHED (TIMED OUT). NEXT TRY AT 3:15 PM."},
    };
    AllocateWeatherBuffers();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fixture f;
        f.service.failing = c.failingPath;
        f.service.failure = c.answer;
        auto page = f.source->ForecastPage();
        ASSERT_TRUE(page);
        // Without a forecast, times are the system's local time (UTC-5).
        EXPECT_TRUE(Holds(page, std::string("\n.NOW...") + c.line + "\n")) << *page;
        EXPECT_TRUE(Holds(page, std::string("\n.MONDAY...") + c.line + "\n")) << *page;
        // The parser reads it: the status as today's text and as the outlook.
        ASSERT_TRUE(ExtractForecast(page->c_str()));
        const std::string today = weatherState.today.text;
        EXPECT_EQ(today.rfind(".Now...The weather service ", 0), 0u) << today;
        EXPECT_EQ(std::string(weatherState.outlook.text).rfind("Monday...The weather service", 0),
                  0u);
    }
    // Aborted at shutdown: no page at all.
    Fixture f;
    f.service.failing = station;
    f.service.failure = NoAnswer(HttpsFailure::Aborted);
    EXPECT_FALSE(f.source->ForecastPage());
}

TEST(LiveStatusLines, NextTryFollowsTheRefreshIntervalAndTheCachesWait) {
    struct Case {
        std::int64_t allowedIn;  // seconds from now the cache lets a request go
        std::int64_t refresh;
        std::int64_t nextIn;
    };
    const Case cases[] = {
        {0, 900, 900},     {60, 900, 900}, {900, 900, 900}, {901, 900, 1800}, {3600, 900, 3600},
        {3601, 900, 4500}, {120, 60, 120}, {121, 60, 180},  {0, 0, 0},        {300, 0, 300},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(NextTryTime(kStart, kStart + c.allowedIn, c.refresh), kStart + c.nextIn)
            << c.allowedIn << " " << c.refresh;
    }
    EXPECT_EQ(LocalTimeText(kStart + 900, kStart, kStationOffset), "1:15 PM");
    EXPECT_EQ(LocalTimeText(kStart + 12 * 3600, kStart, kStationOffset), "1:00 AM TUESDAY");
    EXPECT_EQ(LocalTimeText(kStart - 14 * 3600, kStart, kStationOffset), "11:00 PM SUNDAY");
}

// Once a forecast was shown, a failed refresh keeps it, with a NOW line
// that says since when and why; a new station never shows the old one's.
TEST(LiveStatusLines, TheLastForecastIsKeptUntilTheStationChanges) {
    Fixture f;
    auto page = f.source->ForecastPage();
    ASSERT_TRUE(Holds(page, ".TONIGHT...CLEAR."));

    f.clock.Advance(3600);
    f.service.failEverything = true;
    f.service.failure = NoAnswer(HttpsFailure::TimedOut);
    page = f.source->ForecastPage();
    // In the station's time, known from its forecast.
    EXPECT_TRUE(Holds(page,
                      "TEST FIELD (KXYZ)\n.NOW...NOT UPDATED SINCE 1:00 PM: THE WEATHER "
                      "SERVICE CANNOT BE REACHED (TIMED OUT). NEXT TRY AT 2:15 PM.\n"))
        << *page;
    EXPECT_TRUE(Holds(page, ".TONIGHT...CLEAR.\n.TUESDAY...WINDY.\n")) << *page;
    // The afternoon has ended since.
    EXPECT_FALSE(Holds(page, ".THIS AFTERNOON...")) << *page;
    // No observation: the readings fail as after any failed refresh.
    EXPECT_FALSE(f.source->RoundupPage());

    // An hour's refresh interval puts the next try an hour on; a day on,
    // the time since names its day, and with every period ended only the
    // trouble is told, as the outlook too.
    f.source->SetRefreshSeconds(3600);
    f.clock.Advance(86400);
    page = f.source->ForecastPage();
    EXPECT_TRUE(Holds(page,
                      "TEST FIELD (KXYZ)\n.NOW...NOT UPDATED SINCE 1:00 PM MONDAY: THE "
                      "WEATHER SERVICE CANNOT BE REACHED (TIMED OUT). NEXT TRY AT 3:00 PM.\n"
                      ".TUESDAY...THE WEATHER SERVICE CANNOT BE REACHED (TIMED OUT). NEXT "
                      "TRY AT 3:00 PM.\n"))
        << *page;
    EXPECT_FALSE(Holds(page, "WINDY")) << *page;

    // Another station: its own trouble, nothing of the old forecast, times
    // in the system's zone (UTC-5) again.
    f.source->UseStation("KABC");
    page = f.source->ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_FALSE(Holds(page, "TONIGHT")) << *page;
    EXPECT_TRUE(Holds(page,
                      "\nKABC\n.NOW...THE WEATHER SERVICE CANNOT BE REACHED (TIMED OUT). "
                      "NEXT TRY AT 5:00 PM.\n.TUESDAY..."))
        << *page;
}

// Through the real fetch job: with the service unreachable from the start
// the ticker's text says why, the readings stay as they were and the job
// reports a failed refresh (the lamp goes out).
TEST(LiveStatusLines, TheFetchJobShowsTheStatusAndKeepsTheReadings) {
    Fixture f;
    f.service.failEverything = true;
    fakes::FakeInternet system;
    LiveInternet internet(*f.source, system);
    UseInternet(internet);
    AllocateWeatherBuffers();
    SetFetchPause([](std::uint32_t) {});
    ASSERT_TRUE(CheckInternet());
    ASSERT_TRUE(OpenSession());
    ASSERT_TRUE(OpenConnection());
    weatherState.temperature = 71;
    weatherState.hasReadings = true;

    WeatherFetchJob job;
    EXPECT_EQ(job.Run(), 0u);
    EXPECT_FALSE(weatherState.busy);
    EXPECT_EQ(weatherState.temperature, 71);
    EXPECT_EQ(std::string(weatherState.today.text),
              ".Now...The weather service cannot be reached (name not found). Next try at 3:15 "
              "pm. .");
    // One request of the station for the whole job, retries included.
    EXPECT_EQ(f.client->Count("/stations/KXYZ"), 1);

    CloseConnection();
    SetFetchPause(nullptr);
    UseInternet(platform::SystemInternet());
}

}  // namespace
}  // namespace tickwell::live
