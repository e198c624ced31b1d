// The live source's start-up both programs share: its options from the
// environment, the station of --station checked with a scripted weather
// service, and the errors it hands back for the program to show.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/live_startup.h"
#include "app/station_choice.h"
#include "live/now_line.h"

namespace tickwell {
namespace {

using platform::HttpsHeader;
using platform::HttpsResponse;

constexpr const char* kBase = "https://api.test";

live::EnvironmentLookup Lookup(std::map<std::string, std::string> variables) {
    return [variables](const char* name) {
        const auto found = variables.find(name);
        return found != variables.end() ? found->second : std::string();
    };
}

TEST(LiveStartupOptions, EnvironmentAndApiAddress) {
    struct Case {
        std::map<std::string, std::string> variables;
        std::string apiBase;
        std::int64_t spacing;
    };
    const std::int64_t standard = live::ApiCache::kMinRequestSpacing;
    const Case cases[] = {
        {{}, "https://api.weather.gov", standard},
        {{{"TICKWELL_API_BASE", "https://127.0.0.1:18181//"}}, "https://127.0.0.1:18181", standard},
        // The spacing is for fakes of the service: never the real one.
        {{{"TICKWELL_REQUEST_SPACING", "2"}}, "https://api.weather.gov", standard},
        {{{"TICKWELL_API_BASE", "https://api.weather.gov/"}, {"TICKWELL_REQUEST_SPACING", "2"}},
         "https://api.weather.gov",
         standard},
        {{{"TICKWELL_API_BASE", "http://fake"}, {"TICKWELL_REQUEST_SPACING", "2"}},
         "http://fake",
         2},
        {{{"TICKWELL_API_BASE", "http://fake"}, {"TICKWELL_REQUEST_SPACING", "0"}},
         "http://fake",
         1},
        {{{"TICKWELL_API_BASE", "http://fake"}, {"TICKWELL_REQUEST_SPACING", "99"}},
         "http://fake",
         standard},
        {{{"TICKWELL_API_BASE", "http://fake"}, {"TICKWELL_REQUEST_SPACING", "-5"}},
         "http://fake",
         standard},
        {{{"TICKWELL_API_BASE", "http://fake"}, {"TICKWELL_REQUEST_SPACING", "600"}},
         "http://fake",
         standard},
    };
    for (const Case& c : cases) {
        const live::LiveEnvironment environment = live::ReadLiveEnvironment(Lookup(c.variables));
        EXPECT_EQ(environment.apiBase, c.apiBase);
        EXPECT_EQ(environment.requestSpacing, c.spacing) << c.apiBase;
    }
    const live::LiveEnvironment files = live::ReadLiveEnvironment(
        Lookup({{"TICKWELL_CA_FILE", "/tmp/ca.pem"}, {"TICKWELL_PAGE_DIR", "/tmp/pages"}}));
    EXPECT_EQ(files.extraCaFile, "/tmp/ca.pem");
    EXPECT_EQ(files.pageDir, "/tmp/pages");
    EXPECT_EQ(files.metarBase, live::kDefaultMetarBase);
    EXPECT_EQ(files.metNorwayBase, live::kDefaultMetNorwayBase);
    const live::LiveEnvironment world =
        live::ReadLiveEnvironment(Lookup({{"TICKWELL_METAR_BASE", "https://127.0.0.1:1/"},
                                          {"TICKWELL_METNO_BASE", "https://localhost:2//"}}));
    EXPECT_EQ(world.metarBase, "https://127.0.0.1:1");
    EXPECT_EQ(world.metNorwayBase, "https://localhost:2");

    struct Address {
        const char* base;
        const char* host;  // null: no address
        std::uint16_t port;
    };
    const Address addresses[] = {
        {"https://api.weather.gov", "api.weather.gov", 443},
        {"http://localhost", "localhost", 80},
        {"https://127.0.0.1:18181/api", "127.0.0.1", 18181},
        {"https://[::1]:8443", "[::1]", 8443},
        {"https://[::1]", "[::1]", 443},
        {"https://host:0", nullptr, 0},
        {"https://host:65536", nullptr, 0},
        {"https://host:12a", nullptr, 0},
        {"https://host:", nullptr, 0},
        {"https://", nullptr, 0},
        {"ftp://host", nullptr, 0},
        {"api.weather.gov", nullptr, 0},
    };
    for (const Address& a : addresses) {
        const std::optional<live::HostPort> address = live::BaseHostPort(a.base);
        ASSERT_EQ(address.has_value(), a.host != nullptr) << a.base;
        if (address) {
            EXPECT_EQ(address->host, a.host);
            EXPECT_EQ(address->port, a.port) << a.base;
        }
    }
}

// A clock that stands still at a moment of the scripted service's day.
class StillClock : public live::Clock {
public:
    std::int64_t UnixSeconds() override { return 1796673600; }
    std::int64_t MonotonicSeconds() override { return 1000; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
};

// The service knows KDEN and KXYZ, has never heard of KNONE and cannot be
// reached about KDOWN; it gives a zone forecast and no readings.
class StationService : public platform::HttpsClient {
public:
    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>&,
                      std::size_t) override {
        HttpsResponse response;
        const std::string path = url.substr(std::string(kBase).size());
        if (path == "/stations/KDEN" || path == "/stations/KXYZ") {
            response.status = 200;
            response.body = R"({"geometry":{"coordinates":[-104.6,39.8]},"properties":{)"
                            R"("name":"Field","forecast":"https://x/zones/forecast/COZ040"}})";
        } else if (path == "/zones/forecast/COZ040/forecast") {
            response.status = 200;
            response.body = R"({"properties":{"periods":[{"name":"Tonight",)"
                            R"("detailedForecast":"Clear."}]}})";
        } else if (path == "/stations/KNONE") {
            response.status = 404;
        } else if (path != "/stations/KDOWN") {
            response.status = 503;
        }
        return response;
    }
    void Abort() override {}
};

// A store that holds the station setting as text, as both programs' do.
class StationStore : public SettingsStore {
public:
    bool OpenForReading() override { return true; }
    bool Read(const char*, std::uint32_t*) override { return false; }
    bool OpenForWriting() override { return false; }
    void Write(const char*, std::uint32_t) override {}
    bool ReadText(const char* name, std::string* value) override {
        if (station.empty() || std::string(name) != "Station") return false;
        *value = station;
        return true;
    }
    void Close() override {}
    std::string station;
};

TEST(LiveStartupStation, RequestedStationCheckedSavedAndShown) {
    struct Case {
        const char* requested;  // null: no --station
        bool chosenBefore;
        const char* shown;
        const char* saved;  // "": nothing saved
        bool hint;
        const char* message;  // "": none
        StartupMessage::Kind kind;
    };
    using Kind = StartupMessage::Kind;
    const Case cases[] = {
        {nullptr, true, "KDEN", "", false, "", Kind::Error},
        {nullptr, false, "KDEN", "", true, "", Kind::Error},
        {"KXYZ", false, "KXYZ", "KXYZ", false, "", Kind::Error},
        {"KNONE", true, "KDEN", "", false,
         "the weather service knows no station KNONE; keeping station KDEN", Kind::Error},
        // A refused station is no choice: a new user still learns how.
        {"KNONE", false, "KDEN", "", true, "knows no station KNONE", Kind::Error},
        {"KDOWN", false, "KDOWN", "KDOWN", false,
         "could not reach the weather service to check station KDOWN; using it anyway", Kind::Note},
        // A station outside the US is known from the table: the weather
        // service (which answers 503 here) is not asked.
        {"EGLL", false, "EGLL", "EGLL", false, "", Kind::Error},
    };
    StillClock clock;
    for (const Case& c : cases) {
        const std::string name = c.requested ? c.requested : "(none)";
        live::LiveSource source(std::make_unique<StationService>(), clock,
                                live::LiveOptions{kBase, "", 1}, "KDEN");
        std::vector<std::string> saved;
        SetStationHandler({});
        const std::vector<StartupMessage> messages = SetUpStation(
            source, c.requested ? std::optional<std::string>(c.requested) : std::nullopt,
            c.chosenBefore, [&saved](const std::string& id) { saved.push_back(id); });

        EXPECT_EQ(source.StationId(), c.shown) << name;
        EXPECT_EQ(saved, *c.saved ? std::vector<std::string>{c.saved} : std::vector<std::string>{})
            << name;
        ASSERT_EQ(messages.size(), *c.message ? 1u : 0u) << name;
        if (*c.message) {
            EXPECT_NE(messages[0].text.find(c.message), std::string::npos) << messages[0].text;
            EXPECT_EQ(messages[0].kind, c.kind) << name;
        }
        const std::string page = source.ForecastPage().value_or("");
        EXPECT_EQ(page.find(live::kLocationHint) != std::string::npos, c.hint) << page;
        // Either way the Location dialog's choices reach the source.
        EXPECT_TRUE(StationChoiceOffered()) << name;
    }
    SetStationHandler({});
}

TEST(LiveStartupStation, WhetherAStationWasEverChosen) {
    StationStore store;
    for (const auto& [stored, chosen] : std::vector<std::pair<std::string, bool>>{
             {"", false}, {"KBOS", true}, {" phnl ", true}, {"K$$", false}, {"12", false}}) {
        store.station = stored;
        EXPECT_EQ(StationWasChosen(store), chosen) << stored;
    }
}

TEST(LiveStartup, AnApiBaseThatIsNoWebAddressStopsTheStart) {
    StationStore store;
    live::LiveEnvironment environment;
    environment.apiBase = "ftp://\x1b[2Jhost";
    std::vector<std::string> saved;
    const LiveStartup startup = StartLiveWeather(
        environment, store, std::string("KXYZ"),
        [&saved](const std::string& id) { saved.push_back(id); }, platform::SystemInternet());
    EXPECT_FALSE(startup.started);
    ASSERT_EQ(startup.messages.size(), 1u);
    EXPECT_EQ(startup.messages[0].kind, StartupMessage::Kind::Error);
    EXPECT_EQ(startup.messages[0].text,
              "TICKWELL_API_BASE is not an http or https address: ftp://\x1b[2Jhost");
    EXPECT_TRUE(saved.empty());
}

}  // namespace
}  // namespace tickwell
