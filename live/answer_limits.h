// How large, how deep and how long-lived a sound answer of each of the
// weather service's endpoints can be. An answer past any of these is
// refused before a JSON tree is built from it, so a broken or hostile
// server costs microseconds and a few kilobytes, never seconds or
// megabytes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tickwell::live {

enum class Endpoint {
    Station,            // /stations/{id}
    Points,             // /points/{lat},{lon}
    GridForecast,       // /gridpoints/{office}/{x},{y}/forecast
    ZoneForecast,       // /zones/forecast/{zone}/forecast
    LatestObservation,  // /stations/{id}/observations/latest
    ObservationList,    // /stations/{id}/observations?limit=10
    Alerts,             // /alerts/active?status=actual&point=...
    StationList,        // /gridpoints/{office}/{x},{y}/stations, /points/{lat},{lon}/stations
    Metars,             // the aviation weather API's /api/data/metar?ids=...
    MetNorwayForecast,  // MET Norway's /weatherapi/locationforecast/2.0/compact
};

struct AnswerLimits {
    // The longest body; the client stops the transfer once it is passed.
    std::size_t maxBodyBytes;
    // The most JSON values (objects, arrays and scalars, keys not counted).
    std::size_t maxValues;
    // The deepest nesting of objects and arrays.
    int maxDepth;
    // The longest an answer is kept as fresh, whatever its Cache-Control
    // or Expires says.
    std::int64_t maxFreshSeconds;
};

// No real answer nests deeper than 8 levels.
constexpr int kMaxJsonDepth = 32;
constexpr std::int64_t kMaxFreshSeconds = 60 * 60;
// Observations change every few minutes to an hour.
constexpr std::int64_t kMaxObservationFreshSeconds = 15 * 60;

// The limits of answers not tied to one endpoint (tests, the cache's
// default): the client's own size limit, any count of values.
constexpr AnswerLimits kAnyAnswer = {4 * 1024 * 1024, static_cast<std::size_t>(-1), kMaxJsonDepth,
                                     kMaxFreshSeconds};

AnswerLimits LimitsOf(Endpoint endpoint);

}  // namespace tickwell::live
