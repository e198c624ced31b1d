#include "live/observation.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>

#include "live/time_text.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

enum class Quantity { Temperature, Humidity, Pressure, Direction, Speed };

// Converts a value to this program's unit for `quantity`, or nothing when
// the unit is unknown.
std::optional<double> InUnit(Quantity quantity, std::string_view unit, double value) {
    switch (quantity) {
        case Quantity::Temperature:
            if (unit == "wmoUnit:degC" || unit.empty()) return value;
            if (unit == "wmoUnit:degF") return (value - 32.0) * 5.0 / 9.0;
            if (unit == "wmoUnit:K") return value - 273.15;
            return std::nullopt;
        case Quantity::Humidity:
            return unit == "wmoUnit:percent" || unit.empty() ? std::optional(value) : std::nullopt;
        case Quantity::Pressure:
            if (unit == "wmoUnit:Pa" || unit.empty()) return value;
            if (unit == "wmoUnit:hPa") return value * 100.0;
            return std::nullopt;
        case Quantity::Direction:
            return unit == "wmoUnit:degree_(angle)" || unit.empty() ? std::optional(value)
                                                                    : std::nullopt;
        case Quantity::Speed:
            if (unit == "wmoUnit:km_h-1" || unit.empty()) return value;
            if (unit == "wmoUnit:m_s-1") return value * 3.6;
            return std::nullopt;
    }
    return std::nullopt;
}

// The range a real value of `quantity` lies in; anything else is a fault of
// the data and is treated as missing.
bool Plausible(Quantity quantity, double value) {
    switch (quantity) {
        case Quantity::Temperature: return value >= -90.0 && value <= 65.0;
        case Quantity::Humidity: return value >= 0.0 && value <= 100.5;
        case Quantity::Pressure: return value >= 80000.0 && value <= 110000.0;
        case Quantity::Direction: return value >= 0.0 && value <= 360.0;
        case Quantity::Speed: return value >= 0.0 && value <= 500.0;
    }
    return false;
}

// properties[name] = {"unitCode": ..., "value": number or null}.
std::optional<double> Measured(const json& properties, const char* name, Quantity quantity) {
    auto field = properties.find(name);
    if (field == properties.end() || !field->is_object()) {
        return std::nullopt;
    }
    auto value = field->find("value");
    if (value == field->end() || !value->is_number()) {
        return std::nullopt;
    }
    std::string_view unit;
    auto unitCode = field->find("unitCode");
    if (unitCode != field->end() && unitCode->is_string()) {
        unit = unitCode->get_ref<const std::string&>();
    }
    auto converted = InUnit(quantity, unit, value->get<double>());
    if (!converted || !std::isfinite(*converted) || !Plausible(quantity, *converted)) {
        return std::nullopt;
    }
    return converted;
}

}  // namespace

std::optional<Observation> ParseObservation(const json& feature) {
    if (!feature.is_object()) {
        return std::nullopt;
    }
    auto properties = feature.find("properties");
    if (properties == feature.end() || !properties->is_object()) {
        return std::nullopt;
    }
    auto timestamp = properties->find("timestamp");
    if (timestamp == properties->end() || !timestamp->is_string()) {
        return std::nullopt;
    }
    auto time = ParseIsoTime(timestamp->get_ref<const std::string&>());
    if (!time) {
        return std::nullopt;
    }
    Observation observation;
    observation.time = time->unixSeconds;
    auto description = properties->find("textDescription");
    if (description != properties->end() && description->is_string()) {
        observation.description = description->get<std::string>();
    }
    observation.temperatureC = Measured(*properties, "temperature", Quantity::Temperature);
    observation.dewPointC = Measured(*properties, "dewpoint", Quantity::Temperature);
    observation.humidityPercent = Measured(*properties, "relativeHumidity", Quantity::Humidity);
    observation.pressurePa = Measured(*properties, "barometricPressure", Quantity::Pressure);
    observation.windDirectionDegrees = Measured(*properties, "windDirection", Quantity::Direction);
    observation.windSpeedKmh = Measured(*properties, "windSpeed", Quantity::Speed);
    observation.windGustKmh = Measured(*properties, "windGust", Quantity::Speed);
    return observation;
}

std::vector<Observation> ParseObservations(const json& collection) {
    std::vector<Observation> observations;
    if (!collection.is_object()) {
        return observations;
    }
    auto features = collection.find("features");
    if (features == collection.end() || !features->is_array()) {
        return observations;
    }
    for (const json& feature : *features) {
        if (auto observation = ParseObservation(feature)) {
            observations.push_back(std::move(*observation));
        }
    }
    return observations;
}

bool IsCurrent(const Observation& observation, std::int64_t now) {
    return now - observation.time <= kMaxObservationAgeSeconds;
}

std::optional<Observation> ChooseCurrent(const std::optional<Observation>& latest,
                                         const std::vector<Observation>& recent, std::int64_t now) {
    if (latest && latest->HasReadings() && IsCurrent(*latest, now)) {
        return latest;
    }
    const Observation* newest = nullptr;
    for (const Observation& observation : recent) {
        if (observation.HasReadings() && IsCurrent(observation, now) &&
            (newest == nullptr || observation.time > newest->time)) {
            newest = &observation;
        }
    }
    if (newest == nullptr) {
        return std::nullopt;
    }
    return *newest;
}

}  // namespace tickwell::live
