#include "live/observation.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <string_view>

#include "live/humidity.h"
#include "live/json_fields.h"
#include "live/metar.h"
#include "live/time_text.h"
#include "live/units.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

enum class Quantity { Temperature, Humidity, Pressure, Direction, Speed };

// The unit's name without its vocabulary: the service writes "wmoUnit:degC"
// today and wrote "unit:degC" before; both name the same units.
std::string_view UnitName(std::string_view code) {
    for (std::string_view prefix : {std::string_view("wmoUnit:"), std::string_view("unit:")}) {
        if (code.substr(0, prefix.size()) == prefix) {
            return code.substr(prefix.size());
        }
    }
    return code;
}

// Converts a value to this program's unit for `quantity`, or nothing when
// the unit is unknown. A value without a unit is taken as in the unit the
// service uses for it.
std::optional<double> InUnit(Quantity quantity, std::string_view code, double value) {
    const std::string_view unit = UnitName(code);
    switch (quantity) {
        case Quantity::Temperature:
            if (unit == "degC" || unit.empty()) return value;
            if (unit == "degF") return (value - 32.0) * 5.0 / 9.0;
            if (unit == "K") return value - 273.15;
            return std::nullopt;
        case Quantity::Humidity:
            return unit == "percent" || unit.empty() ? std::optional(value) : std::nullopt;
        case Quantity::Pressure:
            if (unit == "Pa" || unit.empty()) return value;
            if (unit == "hPa") return value * 100.0;
            return std::nullopt;
        case Quantity::Direction:
            return unit == "degree_(angle)" || unit.empty() ? std::optional(value) : std::nullopt;
        case Quantity::Speed:
            if (unit == "km_h-1" || unit.empty()) return value;
            if (unit == "m_s-1") return value * 3.6;
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

// Whether the service's quality control failed the value ("X", written
// "qc:X" before).
bool FailedQualityControl(const json& field) {
    const std::string flag = StringField(field, "qualityControl");
    return flag == "X" || flag == "qc:X";
}

// A value converted to this program's unit and checked, or nothing.
std::optional<double> Checked(Quantity quantity, std::string_view unit, double value) {
    auto converted = InUnit(quantity, unit, value);
    if (!converted || !std::isfinite(*converted) || !Plausible(quantity, *converted)) {
        return std::nullopt;
    }
    return converted;
}

// properties[name] = {"unitCode": ..., "value": number or null,
// "qualityControl": ...}. `failed`, when given, tells whether the service's
// quality control failed it.
std::optional<double> Measured(const json& properties, const char* name, Quantity quantity,
                               bool* failed = nullptr) {
    auto field = properties.find(name);
    const bool rejected =
        field != properties.end() && field->is_object() && FailedQualityControl(*field);
    if (failed != nullptr) {
        *failed = rejected;
    }
    if (field == properties.end() || !field->is_object() || rejected) {
        return std::nullopt;
    }
    auto value = field->find("value");
    if (value == field->end() || !value->is_number()) {
        return std::nullopt;
    }
    return Checked(quantity, StringField(*field, "unitCode"), value->get<double>());
}

// Which of the readings the service's quality control failed: those stay
// missing whatever the report says.
struct Failed {
    bool temperature = false;
    bool dewPoint = false;
    bool pressure = false;
};

// Fills the temperature, dew point and pressure the service left empty
// from the METAR report, and then a missing humidity or dew point from the
// other and the temperature, all within this one observation.
void CompleteReadings(Observation& observation, std::string_view report, const Failed& failed) {
    const MetarReadings metar = ReadMetar(report);
    const auto fill = [](std::optional<double>& reading, bool rejected, Quantity quantity,
                         const std::optional<double>& value, const char* unit) {
        if (!reading && !rejected && value) {
            reading = Checked(quantity, unit, *value);
        }
    };
    fill(observation.temperatureC, failed.temperature, Quantity::Temperature, metar.temperatureC,
         "degC");
    fill(observation.dewPointC, failed.dewPoint, Quantity::Temperature, metar.dewPointC, "degC");
    fill(observation.pressurePa, failed.pressure, Quantity::Pressure, metar.pressurePa, "Pa");
    if (!observation.temperatureC) {
        return;
    }
    const double temperature = *observation.temperatureC;
    if (!observation.humidityPercent && observation.dewPointC) {
        if (auto humidity = HumidityFromDewPoint(temperature, *observation.dewPointC)) {
            observation.humidityPercent = Checked(Quantity::Humidity, "percent", *humidity);
        }
    } else if (!observation.dewPointC && observation.humidityPercent) {
        if (auto dewPoint = DewPointFromHumidity(temperature, *observation.humidityPercent)) {
            observation.dewPointC = Checked(Quantity::Temperature, "degC", *dewPoint);
        }
    }
}

// Copies each of the four readings `from` has and `into` lacks.
void FillMissingReadings(Observation& into, const Observation& from) {
    for (auto reading : {&Observation::temperatureC, &Observation::dewPointC,
                         &Observation::humidityPercent, &Observation::pressurePa}) {
        if (!(into.*reading)) {
            into.*reading = from.*reading;
        }
    }
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
    Failed failed;
    observation.temperatureC =
        Measured(*properties, "temperature", Quantity::Temperature, &failed.temperature);
    observation.dewPointC =
        Measured(*properties, "dewpoint", Quantity::Temperature, &failed.dewPoint);
    observation.humidityPercent = Measured(*properties, "relativeHumidity", Quantity::Humidity);
    observation.pressurePa =
        Measured(*properties, "barometricPressure", Quantity::Pressure, &failed.pressure);
    observation.windDirectionDegrees = Measured(*properties, "windDirection", Quantity::Direction);
    observation.windSpeedKmh = Measured(*properties, "windSpeed", Quantity::Speed);
    observation.windGustKmh = Measured(*properties, "windGust", Quantity::Speed);
    CompleteReadings(observation, StringField(*properties, "rawMessage"), failed);
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

bool IsFuture(const Observation& observation, std::int64_t now) {
    return observation.time - now > kMaxObservationLeadSeconds;
}

bool IsCurrent(const Observation& observation, std::int64_t now) {
    return now - observation.time <= kMaxObservationAgeSeconds && !IsFuture(observation, now);
}

std::optional<Observation> ChooseCurrent(const std::optional<Observation>& latest,
                                         const std::vector<Observation>& recent, std::int64_t now) {
    std::vector<const Observation*> current;
    if (latest && IsCurrent(*latest, now)) {
        current.push_back(&*latest);
    }
    for (const Observation& observation : recent) {
        if (IsCurrent(observation, now)) {
            current.push_back(&observation);
        }
    }
    // Newest first; a stable sort keeps `latest` ahead of its copy in the list.
    std::stable_sort(current.begin(), current.end(),
                     [](const Observation* a, const Observation* b) { return a->time > b->time; });
    auto base = std::find_if(current.begin(), current.end(), [](const Observation* observation) {
        return observation->temperatureC.has_value();
    });
    if (base == current.end()) {
        return std::nullopt;
    }
    Observation shown = **base;
    for (const Observation* observation : current) {
        FillMissingReadings(shown, *observation);
    }
    return shown;
}

}  // namespace tickwell::live
