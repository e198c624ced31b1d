// The weather station: its id as the user gives it, and the metadata the
// weather service keeps about it.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tickwell::live {

constexpr std::string_view kDefaultStationId = "KDEN";
constexpr const char* kStationSettingName = "Station";

// A station id in capitals ("KDEN", "PHNL", "AV085", "NCSC4"): 3 to 10
// letters and digits, blanks around it ignored, starting with a letter;
// nothing otherwise. The service keeps ids longer than the ICAO four for
// its networks of smaller stations.
std::optional<std::string> NormalizeStationId(std::string_view text);

// The station setting, or KDEN when it is missing or not a valid id.
std::string LoadStationId(SettingsStore& store);

struct Station {
    std::string id;
    std::string name;
    double latitude = 0;
    double longitude = 0;
    // The forecast zone's id ("COZ040"); empty when the service names none.
    std::string zoneId;
};

// A station Feature: geometry.coordinates [longitude, latitude],
// properties.name and properties.forecast (the zone's URL). Nothing without
// usable coordinates.
std::optional<Station> ParseStation(const nlohmann::json& feature, std::string_view id);

// "39.8466,-104.6562": at most four decimals, no trailing zeros.
std::string PointText(double latitude, double longitude);
// "/points/39.8466,-104.6562".
std::string PointsPath(double latitude, double longitude);

// The path part of a URL ("/gridpoints/BOU/62,60/forecast"), or empty when
// `url` is not an absolute http(s) URL.
std::string UrlPath(std::string_view url);

}  // namespace tickwell::live
