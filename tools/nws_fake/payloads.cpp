#include "payloads.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>

namespace tickwell::tools::nws {

namespace {

using nlohmann::json;

// The default place: next to Denver's airport, seven hours west of UTC in
// winter.
constexpr FakePlace kFakeville = {
    "Fakeville Test Field",
    39.8466,
    -104.6562,
    "COZ040",
    "America/Denver",
    "BOU",
    62,
    60,
    -7 * 60,
    "Mostly cloudy, with a low around 21. Northwest wind 10 to 15 mph.",
    "Mostly Cloudy",
    -2.5,
    -10.6,
    57.4,
    102371};

// Boston's airport, five hours west of UTC in winter, with readings that
// differ from Fakeville's on every readout.
constexpr FakePlace kBoston = {"Boston, Logan International Airport",
                               42.3606,
                               -71.0097,
                               "MAZ015",
                               "America/New_York",
                               "BOX",
                               71,
                               90,
                               -5 * 60,
                               "Partly cloudy, with a low around 48. Southwest wind around 10 mph.",
                               "Partly Cloudy",
                               20.0,
                               10.0,
                               52.5,
                               101100};

// The station 4 miles north of every place, which reports when the chosen
// one does not; readings unlike both others'.
constexpr FakePlace kNearby = {"Nearby Reporting Station",
                               39.9046,
                               -104.6562,
                               "COZ040",
                               "America/Denver",
                               "BOU",
                               62,
                               60,
                               -7 * 60,
                               "",
                               "Light Snow",
                               5.0,
                               -5.0,
                               48.4,
                               101900};

struct Neighbour {
    const char* id;
    double degreesNorth;
};
// About 2, 4 and 35 miles north.
constexpr Neighbour kNeighbours[] = {{"KSIL", 0.029}, {"KNBR", 0.058}, {"KFAR", 0.5}};

json Measured(const char* unit, json value) {
    return json{{"unitCode", unit}, {"value", value}, {"qualityControl", "V"}};
}

json Observation(const std::string& base, const std::string& id, ObservationKind kind,
                 std::int64_t time, double temperatureDrop) {
    const FakePlace& place = PlaceOfStation(id);
    const bool nulls = kind == ObservationKind::Nulls;
    if (kind == ObservationKind::Warmer) temperatureDrop -= 12.5;
    auto value = [nulls](double number) { return nulls ? json(nullptr) : json(number); };
    const std::string stamp = IsoTime(time, 0);
    return json{
        {"id", base + "/stations/" + id + "/observations/" + stamp},
        {"type", "Feature"},
        {"geometry", {{"type", "Point"}, {"coordinates", {place.longitude, place.latitude}}}},
        {"properties",
         {{"station", base + "/stations/" + id},
          {"timestamp", stamp},
          {"textDescription", nulls ? "" : place.description},
          {"temperature", Measured("wmoUnit:degC", value(place.temperatureC - temperatureDrop))},
          {"dewpoint", Measured("wmoUnit:degC", value(place.dewPointC))},
          {"windDirection", Measured("wmoUnit:degree_(angle)", value(315))},
          {"windSpeed", Measured("wmoUnit:km_h-1", value(24.1))},
          {"windGust", Measured("wmoUnit:km_h-1", value(40.2))},
          {"barometricPressure", Measured("wmoUnit:Pa", value(place.pressurePa))},
          {"seaLevelPressure", Measured("wmoUnit:Pa", value(place.pressurePa + 129))},
          {"relativeHumidity", Measured("wmoUnit:percent", value(place.humidityPercent))}}}};
}

std::int64_t ObservationTime(ObservationKind kind, std::int64_t now) {
    // A little before now, on a whole minute; three hours back when old, a
    // year ahead from the future.
    const std::int64_t age = kind == ObservationKind::Old      ? 3 * 3600
                             : kind == ObservationKind::Future ? -365 * 86400
                                                               : 7 * 60;
    return (now - age) / 60 * 60;
}

json Period(int number, const char* name, bool daytime, std::int64_t start, int offsetMinutes,
            const char* text) {
    return json{{"number", number},
                {"name", name},
                {"startTime", IsoTime(start, offsetMinutes)},
                {"endTime", IsoTime(start + 12 * 3600, offsetMinutes)},
                {"isDaytime", daytime},
                {"temperature", 40},
                {"temperatureUnit", "F"},
                {"detailedForecast", text}};
}

// "42.3606" and "-71.0097" from "42.3606,-71.0097"; false when not two
// numbers.
bool ReadPoint(const std::string& latLon, double* latitude, double* longitude) {
    char* end = nullptr;
    *latitude = std::strtod(latLon.c_str(), &end);
    if (end == latLon.c_str() || *end != ',') {
        return false;
    }
    const char* second = end + 1;
    *longitude = std::strtod(second, &end);
    return end != second && *end == '\0';
}

}  // namespace

const FakePlace& PlaceOfStation(const std::string& id) {
    if (IsListedNeighbour(id)) {
        return kNearby;
    }
    return id == "KBOS" ? kBoston : kFakeville;
}

bool IsListedNeighbour(const std::string& id) {
    for (const Neighbour& neighbour : kNeighbours) {
        if (id == neighbour.id) {
            return true;
        }
    }
    return false;
}

ObservationKind KindOfStation(const std::string& id, ObservationKind silent) {
    if (id == "KSIL") {
        return ObservationKind::Old;
    }
    return IsListedNeighbour(id) ? ObservationKind::Fresh : silent;
}

std::string StationListJson(const std::string& base, double latitude, double longitude) {
    json features = json::array();
    for (const Neighbour& neighbour : kNeighbours) {
        const double north = latitude + neighbour.degreesNorth;
        const std::string url = base + "/stations/" + neighbour.id;
        features.push_back(
            {{"id", url},
             {"type", "Feature"},
             {"geometry", {{"type", "Point"}, {"coordinates", {longitude, north}}}},
             {"properties",
              {{"@id", url},
               {"@type", "wx:ObservationStation"},
               {"stationIdentifier", neighbour.id},
               {"name", std::string(kNearby.name) + " " + neighbour.id},
               {"timeZone", "America/Denver"},
               {"distance",
                {{"unitCode", "wmoUnit:m"}, {"value", neighbour.degreesNorth * 111195.0}}},
               {"bearing", {{"unitCode", "wmoUnit:degree_(angle)"}, {"value", 0}}},
               {"forecast", base + "/zones/forecast/COZ040"}}}});
    }
    return json{{"type", "FeatureCollection"},
                {"features", features},
                {"observationStations",
                 [&] {
                     json urls = json::array();
                     for (const Neighbour& neighbour : kNeighbours) {
                         urls.push_back(base + "/stations/" + neighbour.id);
                     }
                     return urls;
                 }()}}
        .dump();
}

std::string GridStationListJson(const std::string& base, const std::string& office) {
    const FakePlace& place = PlaceOfOffice(office);
    return StationListJson(base, place.latitude, place.longitude);
}

std::string PointStationListJson(const std::string& base, const std::string& latLon) {
    double latitude = 0;
    double longitude = 0;
    if (!ReadPoint(latLon, &latitude, &longitude)) {
        return std::string();
    }
    return StationListJson(base, latitude, longitude);
}

const FakePlace& PlaceAtPoint(const std::string& latLon) {
    double latitude = 0;
    double longitude = 0;
    if (ReadPoint(latLon, &latitude, &longitude) && std::fabs(latitude - kBoston.latitude) < 0.01 &&
        std::fabs(longitude - kBoston.longitude) < 0.01) {
        return kBoston;
    }
    return kFakeville;
}

const FakePlace& PlaceOfOffice(const std::string& office) {
    return office == kBoston.gridId ? kBoston : kFakeville;
}

std::string IsoTime(std::int64_t unixSeconds, int offsetMinutes) {
    const std::time_t local = static_cast<std::time_t>(unixSeconds + offsetMinutes * 60);
    std::tm parts{};
    gmtime_r(&local, &parts);
    char text[96];
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d",
                  parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                  parts.tm_min, parts.tm_sec, offsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return text;
}

std::string StationJson(const std::string& base, const std::string& id) {
    const FakePlace& place = PlaceOfStation(id);
    return json{
        {"id", base + "/stations/" + id},
        {"type", "Feature"},
        {"geometry", {{"type", "Point"}, {"coordinates", {place.longitude, place.latitude}}}},
        {"properties",
         {{"@id", base + "/stations/" + id},
          {"stationIdentifier", id},
          {"name", place.name},
          {"timeZone", place.timeZone},
          {"forecast", base + "/zones/forecast/" + place.zone},
          {"county", base + "/zones/county/" + place.zone}}}}
        .dump();
}

std::string PointsJson(const std::string& base, const std::string& latLon) {
    const FakePlace& place = PlaceAtPoint(latLon);
    const std::string grid = base + "/gridpoints/" + place.gridId + "/" +
                             std::to_string(place.gridX) + "," + std::to_string(place.gridY);
    return json{{"id", base + "/points/" + latLon},
                {"type", "Feature"},
                {"properties",
                 {{"gridId", place.gridId},
                  {"gridX", place.gridX},
                  {"gridY", place.gridY},
                  {"forecast", grid + "/forecast"},
                  {"forecastHourly", grid + "/forecast/hourly"},
                  {"forecastZone", base + "/zones/forecast/" + place.zone},
                  {"observationStations", grid + "/stations"},
                  {"timeZone", place.timeZone}}}}
        .dump();
}

std::string GridForecastJson(const FakePlace& place, std::int64_t now, bool si) {
    const std::int64_t start = now / 3600 * 3600;
    const int offset = place.offsetMinutes;
    json periods = json::array();
    if (si) {
        periods.push_back(Period(1, "Tonight", false, start, offset,
                                 "Mostly cloudy, with a low around -4. North wind 10 to 15 km/h."));
        periods.push_back(Period(2, "Tuesday", true, start + 12 * 3600, offset,
                                 "Sunny, with a high near 7. West wind around 13 km/h."));
        return json{
            {"type", "Feature"},
            {"properties",
             {{"units", "si"}, {"updateTime", IsoTime(now - 3600, 0)}, {"periods", periods}}}}
            .dump();
    }
    periods.push_back(Period(1, "Tonight", false, start, offset, place.firstPeriodText));
    periods.push_back(Period(2, "Tuesday", true, start + 12 * 3600, offset,
                             "Sunny, with a high near 45. West wind around 8 mph."));
    periods.push_back(Period(3, "Tuesday Night", false, start + 24 * 3600, offset,
                             "Partly cloudy, with a low around 25."));
    periods.push_back(Period(4, "Wednesday", true, start + 36 * 3600, offset,
                             "Chance of snow after 11am. Cloudy, with a high near 33."));
    periods.push_back(Period(5, "Wednesday Night", false, start + 48 * 3600, offset,
                             "Snow likely. Cloudy, with a low around 18."));
    periods.push_back(Period(6, "Thursday", true, start + 60 * 3600, offset,
                             "Mostly sunny, with a high near 38."));
    return json{{"type", "Feature"},
                {"properties",
                 {{"units", "us"}, {"updateTime", IsoTime(now - 3600, 0)}, {"periods", periods}}}}
        .dump();
}

std::string ZoneForecastJson(std::int64_t now) {
    (void)now;
    json periods = json::array();
    periods.push_back({{"number", 1},
                       {"name", "Rest Of Today"},
                       {"detailedForecast", "Zone text. Partly sunny. Highs around 40."}});
    periods.push_back({{"number", 2},
                       {"name", "Tonight"},
                       {"detailedForecast", "Zone text. Mostly cloudy. Lows around 20."}});
    periods.push_back({{"number", 3},
                       {"name", "Friday"},
                       {"detailedForecast", "Zone text. Sunny. Highs in the mid 40s."}});
    return json{
        {"type", "Feature"},
        {"properties",
         {{"zone", "COZ040"}, {"updated", "2026-12-07T12:00:00+00:00"}, {"periods", periods}}}}
        .dump();
}

std::string LatestObservationJson(const std::string& base, const std::string& id,
                                  ObservationKind kind, std::int64_t now) {
    return Observation(base, id, kind, ObservationTime(kind, now), 0).dump();
}

std::string ObservationListJson(const std::string& base, const std::string& id,
                                ObservationKind kind, std::int64_t now, int limit) {
    json features = json::array();
    const std::int64_t newest = ObservationTime(kind, now);
    for (int i = 0; i < limit && i < 10; ++i) {
        features.push_back(Observation(base, id, kind, newest - i * 3600, i));
    }
    return json{{"type", "FeatureCollection"}, {"features", features}}.dump();
}

std::string AlertsJson(bool withAlerts, std::int64_t now) {
    json features = json::array();
    if (withAlerts) {
        // The Moderate one first, so that ordering by severity shows.
        features.push_back(
            {{"type", "Feature"},
             {"properties",
              {{"event", "Wind Advisory"},
               {"status", "Actual"},
               {"severity", "Moderate"},
               {"onset", IsoTime(now - 3600, kFakeville.offsetMinutes)},
               {"ends", IsoTime((now / 3600 + 5) * 3600, kFakeville.offsetMinutes)},
               {"expires", IsoTime((now / 3600 + 2) * 3600, kFakeville.offsetMinutes)},
               {"headline", "Wind Advisory issued by NWS Boulder CO"}}}});
        features.push_back(
            {{"type", "Feature"},
             {"properties",
              {{"event", "Winter Storm Warning"},
               {"status", "Actual"},
               {"severity", "Severe"},
               {"onset", IsoTime(now - 1800, kFakeville.offsetMinutes)},
               {"ends", IsoTime((now / 3600 + 20) * 3600, kFakeville.offsetMinutes)},
               {"expires", IsoTime((now / 3600 + 3) * 3600, kFakeville.offsetMinutes)},
               {"headline", "Winter Storm Warning issued by NWS Boulder CO"}}}});
    }
    return json{{"type", "FeatureCollection"},
                {"title", "Current watches, warnings, and advisories"},
                {"features", features}}
        .dump();
}

namespace {

json StormAlert(const std::string& id, const std::string& type, const std::string& event,
                const std::string& severity, std::int64_t sent, std::int64_t ends,
                const std::string& headline, const std::vector<std::string>& references) {
    const int offset = kFakeville.offsetMinutes;
    json referenced = json::array();
    for (const std::string& each : references) {
        referenced.push_back({{"identifier", each}, {"sender", "w-nws.webmaster@noaa.gov"}});
    }
    return {{"type", "Feature"},
            {"id", "https://api.weather.gov/alerts/" + id},
            {"properties",
             {{"id", id},
              {"status", "Actual"},
              {"messageType", type},
              {"event", event},
              {"severity", severity},
              {"sent", IsoTime(sent, offset)},
              {"effective", IsoTime(sent, offset)},
              {"onset", IsoTime(sent, offset)},
              {"expires", IsoTime(ends, offset)},
              {"ends", IsoTime(ends, offset)},
              {"headline", headline},
              {"description", "At 412 PM, a storm was located near Fakeville. HAZARD...Wind."},
              {"instruction", "Take shelter now. Move to an interior room."},
              {"references", referenced}}}};
}

}  // namespace

std::string StormAlertsJson(int step, std::int64_t now) {
    // Times in whole hours, so every answer within the hour is the same.
    const std::int64_t hour = now / 3600 * 3600;
    const std::string tornado = "urn:oid:2.49.0.1.840.0.fake.tornado.1";
    const std::string tornadoUpdate = "urn:oid:2.49.0.1.840.0.fake.tornado.2";
    json features = json::array();
    if (step == 1) {
        features.push_back(StormAlert(tornado, "Alert", "Tornado Warning", "Extreme", hour - 600,
                                      hour + 7200, "Tornado Warning issued by NWS Boulder CO", {}));
    } else if (step == 2) {
        features.push_back(
            StormAlert(tornadoUpdate, "Update", "Tornado Warning", "Extreme", hour - 300,
                       hour + 7200, "Tornado Warning remains in effect for Fakeville", {tornado}));
    } else {
        features.push_back(StormAlert("urn:oid:2.49.0.1.840.0.fake.tornado.3", "Cancel",
                                      "Tornado Warning", "Minor", hour - 120, hour + 7200,
                                      "The Tornado Warning has been cancelled",
                                      {tornado, tornadoUpdate}));
    }
    for (const char* id :
         {"urn:oid:2.49.0.1.840.0.fake.storm.001.1", "urn:oid:2.49.0.1.840.0.fake.storm.002.1"}) {
        features.push_back(StormAlert(id, "Alert", "Severe Thunderstorm Warning", "Severe",
                                      hour - 900, hour + 5400,
                                      "Severe Thunderstorm Warning issued by NWS Boulder CO", {}));
    }
    features.push_back(StormAlert("urn:oid:2.49.0.1.840.0.fake.wind.1", "Alert", "Wind Advisory",
                                  "Moderate", hour - 1200, hour + 10800,
                                  "Wind Advisory issued by NWS Boulder CO", {}));
    return json{{"type", "FeatureCollection"}, {"features", features}}.dump();
}

std::string ProblemJson(int status, const std::string& title) {
    return json{{"correlationId", "fake"},
                {"title", title},
                {"type", "https://api.weather.gov/problems/" + title},
                {"status", status},
                {"detail", "An unexpected problem has occurred."}}
        .dump();
}

}  // namespace tickwell::tools::nws
