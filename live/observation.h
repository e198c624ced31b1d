// One weather observation of a station, as the weather service's JSON gives
// it, and the choice of the one to show.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace tickwell::live {

// Values in the service's units; a value that is null, missing, of a unit
// this program does not know or outside what the weather can be is absent.
struct Observation {
    std::int64_t time = 0;  // Unix seconds
    std::string description;
    std::optional<double> temperatureC;
    std::optional<double> dewPointC;
    std::optional<double> humidityPercent;
    std::optional<double> pressurePa;
    std::optional<double> windDirectionDegrees;
    std::optional<double> windSpeedKmh;
    std::optional<double> windGustKmh;

    // Whether the four readings the readouts show are all there.
    bool HasReadings() const { return temperatureC && dewPointC && humidityPercent && pressurePa; }
};

// An observation older than this is never shown as current.
constexpr std::int64_t kMaxObservationAgeSeconds = 2 * 60 * 60;

// One observation Feature; nothing without a readable time stamp.
std::optional<Observation> ParseObservation(const nlohmann::json& feature);
// The observations of a FeatureCollection, in the order given.
std::vector<Observation> ParseObservations(const nlohmann::json& collection);

bool IsCurrent(const Observation& observation, std::int64_t now);

// The observation to show at `now`: `latest` when it is current and has all
// four readings, otherwise the newest of `recent` that is and has; nothing
// when none is.
std::optional<Observation> ChooseCurrent(const std::optional<Observation>& latest,
                                         const std::vector<Observation>& recent, std::int64_t now);

}  // namespace tickwell::live
