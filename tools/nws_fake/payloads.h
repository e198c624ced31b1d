// The answers of the fake weather service: JSON in the shapes of
// api.weather.gov (station, points, gridpoint and zone forecasts,
// observations, active alerts), with values chosen so that each converted
// reading is easy to tell apart.
#pragma once

#include <cstdint>
#include <string>

namespace tickwell::tools::nws {

// What the observations hold: Future ones are stamped a year ahead, as a
// station with a broken clock would; Warmer ones read 12.5 C warmer.
enum class ObservationKind { Fresh, Nulls, Old, Future, Warmer };

// The observations of station `id` in the scenarios where the chosen
// station is silent: the listed neighbours' (KSIL's three hours old,
// KNBR's and KFAR's current), else `silent`.
ObservationKind KindOfStation(const std::string& id, ObservationKind silent);

// One of the fake's places: a station, its point, gridpoint and zone, and
// the readings its observations carry.
struct FakePlace {
    const char* name;
    double latitude;
    double longitude;
    const char* zone;
    const char* timeZone;
    const char* gridId;
    int gridX;
    int gridY;
    // The offset from UTC its forecast times are written at.
    int offsetMinutes;
    const char* firstPeriodText;
    const char* description;
    double temperatureC;
    double dewPointC;
    double humidityPercent;
    double pressurePa;
};

// KBOS is Boston; KNBR and KSIL are the stations near every place (see
// StationListJson), KFAR one too far; every other station id is the
// default place, Fakeville.
const FakePlace& PlaceOfStation(const std::string& id);
// Whether `id` is one of the stations the lists name (KSIL, KNBR, KFAR).
bool IsListedNeighbour(const std::string& id);
// The stations near (`latitude`, `longitude`), nearest first, as the
// service lists them for a point: KSIL 2 miles north (its observations
// always three hours old), KNBR 4 miles north (current, readings of its
// own), KFAR 35 miles north.
std::string StationListJson(const std::string& base, double latitude, double longitude);
// The list around the place of a gridpoint's `office`.
std::string GridStationListJson(const std::string& base, const std::string& office);
// The list around the point `latLon` ("39.8466,-104.6562"); empty when it
// is not a point.
std::string PointStationListJson(const std::string& base, const std::string& latLon);
// The place whose coordinates `latLon` ("42.3606,-71.0097") names, else
// the default place.
const FakePlace& PlaceAtPoint(const std::string& latLon);
// The place whose gridpoint `office` is, else the default place.
const FakePlace& PlaceOfOffice(const std::string& office);

std::string StationJson(const std::string& base, const std::string& id);
std::string PointsJson(const std::string& base, const std::string& latLon);
// In SI units (Celsius, km/h) when `si`, as the service answers
// `units=si`.
std::string GridForecastJson(const FakePlace& place, std::int64_t now, bool si = false);
std::string ZoneForecastJson(std::int64_t now);
std::string LatestObservationJson(const std::string& base, const std::string& id,
                                  ObservationKind kind, std::int64_t now);
std::string ObservationListJson(const std::string& base, const std::string& id,
                                ObservationKind kind, std::int64_t now, int limit);
// One Severe and one Moderate alert when `withAlerts`, none otherwise.
std::string AlertsJson(bool withAlerts, std::int64_t now);
// The warnings of the storm scenarios at `step` 1, 2 or 3 (see Scenario).
std::string StormAlertsJson(int step, std::int64_t now);
std::string ProblemJson(int status, const std::string& title);

// "2026-12-07T18:00:00-07:00": `unixSeconds` written at `offsetMinutes`.
std::string IsoTime(std::int64_t unixSeconds, int offsetMinutes);

}  // namespace tickwell::tools::nws
