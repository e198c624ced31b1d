#include "world_payloads.h"

#include <cmath>
#include <ctime>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tickwell::tools::nws {

namespace {

using nlohmann::json;

std::string UtcIso(std::int64_t unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
    return text;
}

}  // namespace

std::string MetarJson(const std::string& ids, std::int64_t now) {
    json reports = json::array();
    std::stringstream list(ids);
    std::string id;
    const std::int64_t taken = now - 20 * 60;
    while (std::getline(list, id, ',') && reports.size() < 10) {
        if (id.size() != 4 || id == "XXXX") {
            continue;
        }
        reports.push_back({{"icaoId", id},
                           {"receiptTime", UtcIso(taken + 120)},
                           {"obsTime", taken},
                           {"reportTime", UtcIso(taken)},
                           {"temp", kFakeMetarTemperatureC},
                           {"dewp", kFakeMetarDewPointC},
                           {"wdir", 250},
                           {"wspd", 12},
                           {"wgst", 22},
                           {"visib", "6+"},
                           {"altim", kFakeMetarHectopascals},
                           {"metarType", "METAR"},
                           {"rawOb", "METAR " + id + " 12345Z 25012G22KT 9999 BKN030 14/09 Q1021"},
                           {"name", "Fake field"},
                           {"cover", "BKN"},
                           {"clouds", json::array({{{"cover", "BKN"}, {"base", 3000}}})}});
    }
    return reports.dump();
}

std::string MetNorwayJson(double latitude, double longitude, std::int64_t now) {
    json series = json::array();
    const std::int64_t first = now - now % 3600;
    for (std::int64_t t = first; t < first + 9 * 86400;) {
        const bool hourly = t < first + 2 * 86400;
        const double hours = static_cast<double>(t - first) / 3600;
        const bool rain = static_cast<std::int64_t>(hours) / 12 % 2 == 1;
        json data = {
            {"instant",
             {{"details",
               {{"air_pressure_at_sea_level", 1015.0},
                {"air_temperature", std::round((10 + 6 * std::sin(hours / 24 * 6.283)) * 10) / 10},
                {"cloud_area_fraction", 60.0},
                {"relative_humidity", 70.0},
                {"wind_from_direction", 240.0},
                {"wind_speed", 5.0}}}}},
            {"next_6_hours",
             {{"summary", {{"symbol_code", rain ? "lightrain" : "partlycloudy_day"}}},
              {"details", {{"precipitation_amount", rain ? 1.8 : 0.0}}}}}};
        if (hourly) {
            data["next_1_hours"] = {
                {"summary", {{"symbol_code", rain ? "lightrain" : "partlycloudy_day"}}},
                {"details", {{"precipitation_amount", rain ? 0.3 : 0.0}}}};
            data["next_12_hours"] = {{"summary", {{"symbol_code", "cloudy"}}},
                                     {"details", json::object()}};
        }
        series.push_back({{"time", UtcIso(t)}, {"data", data}});
        t += hourly ? 3600 : 6 * 3600;
    }
    json answer = {{"type", "Feature"},
                   {"geometry", {{"type", "Point"}, {"coordinates", {longitude, latitude, 25}}}},
                   {"properties",
                    {{"meta",
                      {{"updated_at", UtcIso(first)},
                       {"units",
                        {{"air_pressure_at_sea_level", "hPa"},
                         {"air_temperature", "celsius"},
                         {"precipitation_amount", "mm"},
                         {"wind_speed", "m/s"}}}}},
                     {"timeseries", series}}}};
    return answer.dump();
}

}  // namespace tickwell::tools::nws
