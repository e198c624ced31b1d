// One weather observation of a station, as the weather service's JSON gives
// it, and the choice of the one to show.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

namespace tickwell::live {

// Which readings of an observation another station than the chosen one
// gave, and how far away it is.
struct NearbySource {
    std::string stationId;
    // How far away it is, in whole miles and in whole kilometres.
    int miles = 0;
    int kilometres = 0;
    // The whole observation (time, sky, wind, temperature) is that
    // station's; else only the readings flagged below.
    bool whole = false;
    bool dewPoint = false;
    bool humidity = false;
    bool pressure = false;
};

// Values in the service's units; a value that is null, missing, flagged as
// failed by the service's quality control, of a unit this program does not
// know or outside what the weather can be is absent. A missing temperature,
// dew point or pressure is taken from the raw METAR report (see
// ReadMetar), unless quality control failed it, and a missing humidity or
// dew point is worked out from the other and the temperature.
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
    // Set when readings come from another station (see nearby_stations.h).
    std::optional<NearbySource> nearby;

    // Whether the four readings the readouts show are all there.
    bool HasReadings() const { return temperatureC && dewPointC && humidityPercent && pressurePa; }
};

// An observation older than this is never shown as current.
constexpr std::int64_t kMaxObservationAgeSeconds = 2 * 60 * 60;
// An observation stamped further ahead of the service's time than this
// comes from a station whose clock is wrong: it is neither current nor
// the newest seen. A little lead is allowed for clocks a few minutes apart.
constexpr std::int64_t kMaxObservationLeadSeconds = 10 * 60;

// One observation Feature; nothing without a readable time stamp.
std::optional<Observation> ParseObservation(const nlohmann::json& feature);
// The observations of a FeatureCollection, in the order given.
std::vector<Observation> ParseObservations(const nlohmann::json& collection);

// Whether `observation` is stamped more than kMaxObservationLeadSeconds
// after `now`.
bool IsFuture(const Observation& observation, std::int64_t now);
// Whether `observation` is neither too old nor in the future at `now`.
bool IsCurrent(const Observation& observation, std::int64_t now);

// What to show at `now`, from the current observations among `latest` and
// `recent`: the newest one with a temperature gives the time, the sky and
// the wind, and each of the four readings comes from the newest that has it
// (`latest` first when two carry the same time). Nothing when no current
// observation has a temperature.
std::optional<Observation> ChooseCurrent(const std::optional<Observation>& latest,
                                         const std::vector<Observation>& recent, std::int64_t now);

}  // namespace tickwell::live
