// The readings of the nearest stations that report, for what the chosen
// station has not given in two hours: which stations are asked, how many,
// which readings are taken, and what the NOW line says of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "live/nearby_stations.h"
#include "live/now_line.h"
#include "live/observation.h"
#include "live/time_text.h"
#include "places/distance.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

constexpr std::int64_t kNow = 1796673600;  // 2026-12-07 20:00 UTC
constexpr double kLatitude = 39.8466;
constexpr double kLongitude = -104.6562;
const std::string kBase = "https://api.test";
const std::string kList = "/gridpoints/BOU/62,60/stations";

json Listed(const std::string& id, double degreesNorth) {
    return {
        {"type", "Feature"},
        {"geometry", {{"type", "Point"}, {"coordinates", {kLongitude, kLatitude + degreesNorth}}}},
        {"properties", {{"stationIdentifier", id}, {"name", id}}}};
}

// A station named only by its URL.
json ById() {
    json station = Listed("", 0.2);
    station["properties"].erase("stationIdentifier");
    station["id"] = "https://api.weather.gov/stations/KAPA";
    return station;
}

// An observation `minutesOld` old with the readings given (null: none).
json Observed(int minutesOld, json temperature, json dewPoint, json pressure) {
    const auto reading = [](json value, const char* unit) {
        return json{{"value", value}, {"unitCode", unit}, {"qualityControl", "V"}};
    };
    const LocalTime utc = ToLocalTime(kNow - minutesOld * 60, 0);
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:00+00:00", utc.year, utc.month,
                  utc.day, utc.hour, utc.minute);
    return {{"type", "Feature"},
            {"properties",
             {{"timestamp", stamp},
              {"textDescription", "Light Snow"},
              {"temperature", reading(temperature, "wmoUnit:degC")},
              {"dewpoint", reading(dewPoint, "wmoUnit:degC")},
              {"barometricPressure", reading(pressure, "wmoUnit:Pa")},
              {"relativeHumidity", reading(nullptr, "wmoUnit:percent")}}}};
}

// The service as the test sets it up, with every URL asked counted.
struct Service {
    std::map<std::string, json> answers;
    std::vector<std::string> asked;

    NearbyStations::Fetch Fetch() {
        return [this](const std::string& url, Endpoint, int* status) {
            asked.push_back(url.substr(kBase.size()));
            auto found = answers.find(url.substr(kBase.size()));
            if (status != nullptr) {
                *status = found != answers.end() ? 200 : 404;
            }
            return found != answers.end() ? found->second : json(json::value_t::discarded);
        };
    }
    void Latest(const std::string& id, json observation) {
        answers["/stations/" + id + "/observations/latest"] = std::move(observation);
    }
    int Count(const std::string& part) const {
        int count = 0;
        for (const std::string& url : asked) {
            count += url.find(part) != std::string::npos ? 1 : 0;
        }
        return count;
    }
};

// KSIL 2 miles north (old observations), KNOP 3 miles (no temperature),
// KNBR 4 miles, KPRS 6 miles (only a pressure), KFAR 35 miles; KOWN is
// the chosen station, listed first as the service does.
Service Neighbourhood() {
    Service service;
    service.answers[kList] = {
        {"type", "FeatureCollection"},
        {"features",
         {Listed("KOWN", 0), Listed("KSIL", 0.029), Listed("KNOP", 0.043), Listed("KNBR", 0.058),
          Listed("KPRS", 0.087), Listed("KFAR", 0.5), json("junk"), Listed("", 0.01)}}};
    service.Latest("KSIL", Observed(180, 1.0, -1.0, 101000));
    service.Latest("KNOP", Observed(5, nullptr, -2.0, 101200));
    service.Latest("KNBR", Observed(10, 5.0, -5.0, nullptr));
    service.Latest("KPRS", Observed(20, nullptr, nullptr, 101900));
    service.Latest("KFAR", Observed(10, 9.0, 1.0, 102000));
    return service;
}

std::optional<Observation> Own(json temperature, json dewPoint, json pressure) {
    return ParseObservation(Observed(3, temperature, dewPoint, pressure));
}

TEST(NearbyStations, TakesWhatTheChosenStationLacksFromTheNearestThatReport) {
    struct Case {
        const char* name;
        std::optional<Observation> own;
        const char* ending;  // how the NOW line ends; "" when nothing is shown
        const char* metric;  // the same with Celsius: distances in kilometres
        int asked;           // latest observations asked of other stations
    };
    const std::vector<Case> cases = {
        {"complete", Own(2.0, -3.0, 101500), ".", ".", 0},
        // Silent: KSIL is old, KNOP has no temperature: at most two new
        // stations a refresh, so KNBR waits for the next one.
        {"silent", std::nullopt, "", "", 2},
        // KSIL's pressure is too old; KNOP's is current, 2.97 miles away.
        {"no pressure", Own(2.0, -3.0, nullptr), ". PRESSURE AT KNOP 3 MI AWAY.",
         ". PRESSURE AT KNOP 5 KM AWAY.", 2},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Service service = Neighbourhood();
        NearbyStations nearby(kBase, service.Fetch());
        nearby.SetPlace("KOWN", kLatitude, kLongitude);
        nearby.SetListPath(kList);
        const std::optional<Observation> shown = nearby.Complete(test.own, kNow);
        EXPECT_EQ(shown ? NearbySentence(*shown) : "", test.ending);
        Units metric;
        metric.temperature = TemperatureUnit::Celsius;
        EXPECT_EQ(shown ? NearbySentence(*shown, metric) : "", test.metric);
        EXPECT_EQ(service.Count("/observations/latest"), test.asked);
        EXPECT_EQ(service.Count("KOWN"), 0);
        EXPECT_EQ(service.Count("KFAR"), 0);
    }
}

TEST(NearbyStations, LaterRefreshesMoveOnAndTheListIsKeptADay) {
    Service service = Neighbourhood();
    NearbyStations nearby(kBase, service.Fetch());
    nearby.SetPlace("KOWN", kLatitude, kLongitude);
    nearby.SetListPath(kList);
    // The first refresh's two pages: KSIL and KNOP asked, nothing shown.
    EXPECT_FALSE(nearby.Complete(std::nullopt, kNow));
    EXPECT_FALSE(nearby.Complete(std::nullopt, kNow + 1));
    EXPECT_EQ(service.Count("/observations/latest"), 2);
    // The next refresh skips the two silent ones: KNBR gives the whole
    // observation and KPRS the pressure it lacks.
    std::optional<Observation> shown = nearby.Complete(std::nullopt, kNow + 60);
    ASSERT_TRUE(shown && shown->nearby);
    EXPECT_EQ(shown->nearby->stationId, "KNBR");
    EXPECT_EQ(shown->nearby->miles, 4);
    EXPECT_NEAR(*shown->temperatureC, 5.0, 1e-9);
    EXPECT_NEAR(*shown->pressurePa, 101900, 1e-9);
    EXPECT_TRUE(shown->humidityPercent);
    EXPECT_EQ(NowLine(shown, std::nullopt, -7 * 60).substr(0, 30),
              ".NOW...LIGHT SNOW. 41 DEGREES.");
    EXPECT_NE(NowLine(shown, std::nullopt, -7 * 60).find("AT KNBR 4 MI AWAY."), std::string::npos);
    EXPECT_EQ(service.Count("KSIL"), 1);
    // A day later the list is read again; the silent ones are asked again.
    EXPECT_EQ(service.Count(kList), 1);
    nearby.Complete(std::nullopt, kNow + 2 * 60 * 60);
    EXPECT_EQ(service.Count(kList), 1);
    nearby.Complete(std::nullopt, kNow + kStationListKeepSeconds + 120);
    EXPECT_EQ(service.Count(kList), 2);
    // Another place forgets the list and asks by its point; so does a
    // place whose named list is not there.
    nearby.SetPlace("KOWN", 40.0, -105.0);
    nearby.Complete(std::nullopt, kNow + kStationListKeepSeconds + 200);
    EXPECT_EQ(service.Count("/points/40,-105/stations"), 1);
    nearby.SetPlace("KOWN", 41.0, -105.0);
    nearby.SetListPath("/gridpoints/BOU/1,1/stations");
    nearby.Complete(std::nullopt, kNow + kStationListKeepSeconds + 300);
    EXPECT_EQ(service.Count("/gridpoints/BOU/1,1/stations"), 1);
    EXPECT_EQ(service.Count("/points/41,-105/stations"), 1);
    nearby.Complete(std::nullopt, kNow + kStationListKeepSeconds + 400);
    EXPECT_EQ(service.Count("/points/41,-105/stations"), 1) << "none there is none for a day";
}

TEST(NearbyStations, StationListsAsTheServiceWritesThem) {
    const json list = {{"type", "FeatureCollection"},
                       {"features",
                        {Listed("kbjc", 0.1),
                         Listed("KBJC X", 0.1),
                         json::array(),
                         ById(),
                         {{"type", "Feature"}, {"properties", {{"stationIdentifier", "KNOG"}}}},
                         Listed("AV085", 200.0)}}};
    const std::vector<ListedStation> stations = ParseStationList(list);
    ASSERT_EQ(stations.size(), 2u);
    EXPECT_EQ(stations[0].id, "KBJC");
    EXPECT_EQ(stations[1].id, "KAPA");
    EXPECT_TRUE(ParseStationList(json("x")).empty());
    EXPECT_EQ(StationListPath(json::parse(R"({"properties": {"observationStations":
        "https://api.weather.gov/gridpoints/BOX/70,82/stations"}})")),
              "/gridpoints/BOX/70,82/stations");
    EXPECT_EQ(StationListPath(json::parse(R"({"properties": {"observationStations": 5}})")), "");
    // Denver's airport to Boulder's: about 31 miles.
    EXPECT_NEAR(places::MilesBetween(39.8617, -104.6731, 40.0394, -105.2253), 31.5, 1.0);
}

}  // namespace
}  // namespace tickwell::live
