#include "live/station.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "live/json_fields.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

constexpr std::size_t kShortestStationId = 3;
constexpr std::size_t kLongestStationId = 10;

bool IsIdCharacter(char ch) {
    return (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9');
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// One coordinate to at most four decimals, without trailing zeros, as the
// service's canonical point addresses are.
std::string Coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    std::string result = text;
    while (result.back() == '0') result.pop_back();
    if (result.back() == '.') result.pop_back();
    if (result == "-0") result = "0";
    return result;
}

}  // namespace

std::optional<std::string> NormalizeStationId(std::string_view text) {
    text = Trimmed(text);
    if (text.size() < kShortestStationId || text.size() > kLongestStationId) {
        return std::nullopt;
    }
    std::string id;
    for (char ch : text) {
        if (ch >= 'a' && ch <= 'z') {
            ch = static_cast<char>(ch - 'a' + 'A');
        }
        if (!IsIdCharacter(ch)) {
            return std::nullopt;
        }
        id += ch;
    }
    if (id[0] < 'A' || id[0] > 'Z') {
        return std::nullopt;
    }
    return id;
}

std::string LoadStationId(SettingsStore& store) {
    std::string value;
    bool read = false;
    if (store.OpenForReading()) {
        read = store.ReadText(kStationSettingName, &value);
        store.Close();
    }
    if (read) {
        if (auto id = NormalizeStationId(value)) {
            return *id;
        }
    }
    return std::string(kDefaultStationId);
}

std::optional<Station> ParseStation(const json& feature, std::string_view id) {
    if (!feature.is_object()) {
        return std::nullopt;
    }
    const json* geometry = ObjectField(feature, "geometry");
    const json* coordinates = geometry != nullptr ? ArrayField(*geometry, "coordinates") : nullptr;
    if (coordinates == nullptr || coordinates->size() < 2 || !(*coordinates)[0].is_number() ||
        !(*coordinates)[1].is_number()) {
        return std::nullopt;
    }
    Station station;
    station.id = std::string(id);
    station.longitude = (*coordinates)[0].get<double>();
    station.latitude = (*coordinates)[1].get<double>();
    if (!std::isfinite(station.latitude) || !std::isfinite(station.longitude) ||
        std::fabs(station.latitude) > 90 || std::fabs(station.longitude) > 180) {
        return std::nullopt;
    }
    if (const json* properties = ObjectField(feature, "properties")) {
        station.name = StringField(*properties, "name");
        const std::string url = StringField(*properties, "forecast");
        if (!url.empty()) {
            std::string zoneId = url.substr(url.rfind('/') + 1);
            if (zoneId.size() >= 4 && zoneId.size() <= 8 &&
                std::all_of(zoneId.begin(), zoneId.end(), IsIdCharacter)) {
                station.zoneId = zoneId;
            }
        }
    }
    return station;
}

std::string PointText(double latitude, double longitude) {
    return Coordinate(latitude) + "," + Coordinate(longitude);
}

std::string PointsPath(double latitude, double longitude) {
    return "/points/" + PointText(latitude, longitude);
}

std::string UrlPath(std::string_view url) {
    std::size_t schemeEnd = url.find("://");
    if (schemeEnd == std::string_view::npos ||
        (url.substr(0, schemeEnd) != "https" && url.substr(0, schemeEnd) != "http")) {
        return std::string();
    }
    std::size_t pathStart = url.find('/', schemeEnd + 3);
    if (pathStart == std::string_view::npos) {
        return std::string();
    }
    std::string path(url.substr(pathStart));
    // Only characters a service path uses; anything else is not followed.
    for (char ch : path) {
        if (ch <= ' ' || ch > '~' || ch == '#' || ch == '\\') {
            return std::string();
        }
    }
    return path;
}

}  // namespace tickwell::live
