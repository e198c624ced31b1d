// The source of the stations outside the US against a scripted client: the
// pages it makes from a METAR and MET Norway's recorded Oslo answer, and
// how seldom it asks (METARs ten minutes apart at the soonest, the forecast
// not before it expires nor before its gap and random part have passed).

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "live/time_text.h"
#include "live/world_source.h"

namespace tickwell::live {
namespace {

using platform::HttpsHeader;
using platform::HttpsResponse;

// 2026-02-06 21:10 UTC, ten minutes into MET Norway's recorded Oslo answer.
constexpr std::int64_t kStart = 1770412200;
const std::string kOslo = TICKWELL_SOURCE_DIR
    "/../shared/reference/world/metno/oslo-59.9139,10.7522-compact-2026-02-06.json";

class StepClock : public Clock {
public:
    std::int64_t UnixSeconds() override { return now; }
    std::int64_t MonotonicSeconds() override { return now; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
    std::int64_t now = kStart;
};

struct Sent {
    std::string url;
    std::int64_t at;
    std::string ifModifiedSince;
};

class Service : public platform::HttpsClient {
public:
    explicit Service(StepClock& clock) : clock_(clock) {}
    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>& headers,
                      std::size_t) override {
        Sent sent{url, clock_.now, ""};
        for (const HttpsHeader& header : headers) {
            if (header.name == "If-Modified-Since") sent.ifModifiedSince = header.value;
        }
        sent_->push_back(sent);
        return answer(sent);
    }
    void Abort() override {}
    std::function<HttpsResponse(const Sent&)> answer;
    std::shared_ptr<std::vector<Sent>> sent_ = std::make_shared<std::vector<Sent>>();

private:
    StepClock& clock_;
};

std::string HttpDate(std::int64_t t) {
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const LocalTime u = ToLocalTime(t, 0);
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:00 GMT", days[u.weekday], u.day,
                  months[u.month - 1], u.year, u.hour, u.minute);
    return text;
}

// A METAR of Gardermoen 20 minutes old: -6 C, dew point -9 C, 1012 hPa,
// variable wind at 3 knots.
std::string Metar(std::int64_t now) {
    return "[{\"icaoId\":\"ENGM\",\"obsTime\":" + std::to_string(now / 60 * 60 - 20 * 60) +
           ",\"temp\":-6,\"dewp\":-9,\"altim\":1012,\"wdir\":\"VRB\",\"wspd\":3,"
           "\"cover\":\"OVC\",\"wxString\":\"-SN\"}]";
}

struct Fixture {
    StepClock clock;
    Service* service = nullptr;
    std::unique_ptr<WorldSource> source;
    std::string forecast;
    std::int64_t forecastModified = kStart - 600;

    explicit Fixture(std::int64_t jitter = 0) {
        std::ifstream file(kOslo);
        std::stringstream text;
        text << file.rdbuf();
        forecast = text.str();
        auto client = std::make_unique<Service>(clock);
        service = client.get();
        service->answer = [this](const Sent& sent) {
            HttpsResponse response;
            response.status = 200;
            response.headers = {{"date", HttpDate(clock.now)}};
            if (sent.url.find("/api/data/metar?") != std::string::npos) {
                response.body = Metar(clock.now);
            } else if (sent.ifModifiedSince == HttpDate(forecastModified)) {
                response.status = 304;
                response.headers.push_back({"expires", HttpDate(clock.now + 1800)});
            } else {
                response.body = forecast;
                response.headers.push_back({"expires", HttpDate(clock.now + 1800)});
                response.headers.push_back({"last-modified", HttpDate(forecastModified)});
            }
            return response;
        };
        WorldOptions options;
        options.metarBase = "https://metar.test";
        options.metNorwayBase = "https://metno.test";
        options.units = Units{TemperatureUnit::Celsius, PressureUnit::Hectopascals,
                              WindUnit::MetresPerSecond, ClockStyle::TwentyFourHour};
        options.forecastJitter = jitter;
        source = std::make_unique<WorldSource>(std::move(client), clock, options);
    }
    bool HaveRecording() const { return !forecast.empty(); }
};

TEST(WorldSource, ServesTheStationsOutsideTheUs) {
    EXPECT_TRUE(WorldSource::Serves("EGLL"));
    EXPECT_TRUE(WorldSource::Serves("ENGM"));
    EXPECT_FALSE(WorldSource::Serves("KBOS"));
    EXPECT_FALSE(WorldSource::Serves("TJSJ"));
    EXPECT_FALSE(WorldSource::Serves("ZZZZ"));
    Fixture f;
    EXPECT_FALSE(f.source->RoundupPage("ZZZZ"));
    EXPECT_TRUE(f.service->sent_->empty());
}

TEST(WorldSource, PagesFromTheMetarAndTheForecast) {
    Fixture f;
    if (!f.HaveRecording()) GTEST_SKIP() << "no recorded MET Norway answer at " << kOslo;
    const std::optional<std::string> roundup = f.source->RoundupPage("ENGM");
    ASSERT_TRUE(roundup);
    // In the user's units: Celsius, hectopascals and metres a second.
    EXPECT_NE(roundup->find("LGTSNOW   -6  -9  79 VRB2      1012   ENGM"), std::string::npos)
        << *roundup;

    const std::optional<std::string> page = f.source->ForecastPage("ENGM");
    ASSERT_TRUE(page);
    SCOPED_TRACE(*page);
    for (const char* part :
         {"OSLO AIRPORT, GARDERMOEN, OSLO, NO (ENGM)",
          ".NOW...LIGHT SNOW. -6 DEGREES CELSIUS. VARIABLE WIND 2 M/S. OBSERVED 21:50.",
          ".TONIGHT...", ".SATURDAY...", ".SATURDAY NIGHT...", " M/S.",
          ".CREDIT...WEATHER FORECAST FROM MET NORWAY"}) {
        EXPECT_NE(page->find(part), std::string::npos) << part;
    }
    EXPECT_EQ(page->find("ALERT"), std::string::npos);
    // One METAR request for the station and its neighbours; the forecast
    // for its coordinates to four decimals.
    const std::vector<Sent>& sent = *f.service->sent_;
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(std::regex_match(
        sent[0].url,
        std::regex(R"(https://metar\.test/api/data/metar\?ids=ENGM(,[A-Z]{4})*&format=json)")))
        << sent[0].url;
    EXPECT_TRUE(std::regex_match(
        sent[1].url,
        std::regex(
            R"(https://metno\.test/weatherapi/locationforecast/2\.0/compact\?lat=60\.\d{4}&lon=11\.\d{4})")))
        << sent[1].url;

    // Units changed in the dialog reach the pages at once, from the answers
    // already at hand: -6 C is 21 F, -9 C 16 F, 1012 hPa 29.88 inHg.
    f.source->SetUnits(Units{});
    const std::optional<std::string> usRoundup = f.source->RoundupPage("ENGM");
    ASSERT_TRUE(usRoundup);
    EXPECT_NE(usRoundup->find("LGTSNOW   21  16  79 VRB3      29.88  ENGM"), std::string::npos)
        << *usRoundup;
    const std::optional<std::string> usPage = f.source->ForecastPage("ENGM");
    ASSERT_TRUE(usPage);
    EXPECT_NE(usPage->find(".NOW...LIGHT SNOW. 21 DEGREES. VARIABLE WIND 3 MPH. OBSERVED 9:50 PM."),
              std::string::npos)
        << *usPage;
    EXPECT_EQ(f.service->sent_->size(), 2u) << "a change of units asks nothing again";
}

TEST(WorldSource, AsksSeldom) {
    constexpr std::int64_t kJitter = 7 * 60;
    Fixture f(kJitter);
    if (!f.HaveRecording()) GTEST_SKIP() << "no recorded MET Norway answer at " << kOslo;
    // Both pages every minute for three hours, as the shortest refresh and
    // repeated "Update now" would ask.
    for (int minute = 0; minute < 180; ++minute, f.clock.now += 60) {
        ASSERT_TRUE(f.source->RoundupPage("ENGM"));
        ASSERT_TRUE(f.source->ForecastPage("ENGM"));
    }
    std::vector<std::int64_t> metars, forecasts;
    for (const Sent& sent : *f.service->sent_) {
        const bool metar = sent.url.find("/api/data/metar?") != std::string::npos;
        (metar ? metars : forecasts).push_back(sent.at);
        if (!metar && forecasts.size() > 1) {
            EXPECT_EQ(sent.ifModifiedSince, HttpDate(f.forecastModified));
        }
    }
    EXPECT_EQ(metars.size(), 18u);
    for (std::size_t i = 1; i < metars.size(); ++i) EXPECT_GE(metars[i] - metars[i - 1], 600);
    // Expires says half an hour; the gap and its random part hold it back
    // to 37 minutes.
    ASSERT_GE(forecasts.size(), 2u);
    for (std::size_t i = 1; i < forecasts.size(); ++i) {
        EXPECT_GE(forecasts[i] - forecasts[i - 1], 1800 + kJitter);
        EXPECT_LE(forecasts[i] - forecasts[i - 1], 1800 + kJitter + 60);
    }
}

}  // namespace
}  // namespace tickwell::live
