// A place chosen as a town: the Location dialog carries the town found with
// the station, the settings keep it beside the station, and the live source
// asks for the town's forecast and alerts and the station's observations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/location_dialog.h"
#include "live/live_source.h"
#include "live/place.h"
#include "support/fake_window.h"

namespace tickwell {
namespace {

using nlohmann::json;

// A store of named texts, as the settings file and the registry keep them.
class TextStore : public SettingsStore {
public:
    bool OpenForReading() override { return true; }
    bool Read(const char*, std::uint32_t*) override { return false; }
    bool OpenForWriting() override { return true; }
    void Write(const char*, std::uint32_t) override {}
    bool ReadText(const char* name, std::string* value) override {
        auto found = texts.find(name);
        if (found == texts.end() || found->second.empty()) return false;
        *value = found->second;
        return true;
    }
    void Close() override {}
    std::map<std::string, std::string> texts;
};

TEST(PlaceChoice, SavedBesideTheStationAndReadBack) {
    const live::Place golden{"Golden, CO", 39.75554, -105.22110};
    TextStore store;
    store.texts["Station"] = "KBJC";
    EXPECT_FALSE(live::LoadPlace(store)) << "settings with only Station= have no place";
    for (const live::PlaceText& text : live::PlaceSettingTexts(golden)) {
        store.texts[text.name] = text.value;
    }
    EXPECT_EQ(store.texts["PlaceLat"], "39.75554");
    EXPECT_EQ(store.texts["PlaceLon"], "-105.22110");
    EXPECT_EQ(live::LoadPlace(store), golden);
    for (const live::PlaceText& text : live::PlaceSettingTexts(std::nullopt)) {
        store.texts[text.name] = text.value;
    }
    EXPECT_FALSE(live::LoadPlace(store)) << "a station chosen by itself clears the place";

    struct Case {
        const char* name;
        const char* latitude;
        const char* longitude;
    };
    const std::string longName(live::kMaxPlaceNameBytes + 1, 'x');
    const Case refused[] = {{"Golden, CO", "39,75", "-105.2"}, {"Golden, CO", "95", "-105.2"},
                            {"Golden, CO", "39.7", "-185"},    {"Golden, CO", "nan", "1"},
                            {"Golden, CO", "39.7 ", "-105.2"}, {"Gol\nden", "39.7", "-105.2"},
                            {longName.c_str(), "39.7", "1"},   {"Golden, CO", "", "-105.2"}};
    for (const Case& c : refused) {
        store.texts = {{"Place", c.name}, {"PlaceLat", c.latitude}, {"PlaceLon", c.longitude}};
        EXPECT_FALSE(live::LoadPlace(store)) << c.name << " " << c.latitude << " " << c.longitude;
    }
}

TEST(PlaceChoice, TheDialogCarriesTheTownAStationWasFoundThrough) {
    struct Case {
        const char* typed;
        const char* place;  // "" for none
    };
    const Case cases[] = {{"golden co", "Golden, CO"}, {"kbos", ""}, {"boston", ""}, {"qzq9x", ""}};
    for (const Case& c : cases) {
        fakes::CallLog log;
        fakes::FakeLocationControls controls(log);
        LocationDialog dialog;
        dialog.OnInit(controls);
        controls.Type(dialog, c.typed);
        dialog.OnOk(controls);
        ASSERT_TRUE(controls.ended) << c.typed;
        EXPECT_EQ(dialog.chosenPlace() ? dialog.chosenPlace()->name : "", c.place) << c.typed;
        if (dialog.chosenPlace()) {
            // Golden lies west of Denver, 12 miles from KBJC.
            EXPECT_NEAR(dialog.chosenPlace()->latitude, 39.76, 0.05);
            EXPECT_NEAR(dialog.chosenPlace()->longitude, -105.22, 0.05);
        }
    }
}

// ---- the live source at a place ----

class StillClock : public live::Clock {
public:
    std::int64_t UnixSeconds() override { return 1796673600; }
    std::int64_t MonotonicSeconds() override { return 1796673600; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
};

class PathClient : public platform::HttpsClient {
public:
    platform::HttpsResponse Get(const std::string& url, const std::vector<platform::HttpsHeader>&,
                                std::size_t) override {
        const std::string path = url.substr(std::string("https://api.test").size());
        asked.push_back(path);
        platform::HttpsResponse response;
        auto found = answers.find(path.substr(0, path.find('?')));
        response.status = found != answers.end() ? 200 : 404;
        response.body = found != answers.end() ? found->second : "{}";
        return response;
    }
    void Abort() override {}
    std::map<std::string, std::string> answers;
    std::vector<std::string> asked;
};

TEST(PlaceChoice, TheTownsForecastAndAlertsWithTheStationsReadings) {
    StillClock clock;
    auto owned = std::make_unique<PathClient>();
    PathClient& client = *owned;
    const auto forecast = [](const char* text) {
        return json{
            {"properties", {{"periods", {{{"name", "Tonight"}, {"detailedForecast", text}}}}}}}
            .dump();
    };
    client.answers = {
        {"/stations/KBJC", json{{"geometry", {{"coordinates", {-105.117, 39.909}}}},
                                {"properties", {{"name", "Metro"}}}}
                               .dump()},
        {"/points/39.909,-105.117",
         json{{"properties", {{"forecast", "https://api.test/gridpoints/BOU/50,60/forecast"}}}}
             .dump()},
        {"/points/39.7555,-105.2211",
         json{{"properties", {{"forecast", "https://api.test/gridpoints/BOU/44,58/forecast"}}}}
             .dump()},
        {"/gridpoints/BOU/50,60/forecast", forecast("Airport.")},
        {"/gridpoints/BOU/44,58/forecast", forecast("Town.")},
        {"/alerts/active", json{{"features", json::array()}}.dump()},
    };
    live::LiveSource source(std::move(owned), clock, {"https://api.test", ""}, "KBJC");
    source.UsePlace(live::Place{"Golden, CO", 39.7555, -105.2211});
    std::optional<std::string> page = source.ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("GOLDEN, CO (KBJC)\n"), std::string::npos) << *page;
    EXPECT_NE(page->find(".TONIGHT...TOWN."), std::string::npos) << *page;
    const auto asked = [&client](const std::string& path) {
        return std::count(client.asked.begin(), client.asked.end(), path);
    };
    EXPECT_EQ(asked("/alerts/active?status=actual&point=39.7555,-105.2211"), 1);
    EXPECT_EQ(asked("/stations/KBJC/observations/latest"), 1);
    EXPECT_EQ(asked("/points/39.909,-105.117"), 0);
    // Back to the station's own place.
    source.UsePlace(std::nullopt);
    page = source.ForecastPage();
    ASSERT_TRUE(page);
    EXPECT_NE(page->find("METRO (KBJC)\n.TONIGHT...AIRPORT."), std::string::npos) << *page;
}

}  // namespace
}  // namespace tickwell
