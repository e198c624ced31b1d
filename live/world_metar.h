// Readings outside the US: the METARs of the aviation weather service's
// data API (/api/data/metar?ids=...&format=json), read into the same
// Observation the weather service's answers give, and the choice of the
// report to show: the chosen airport's, else the nearest current one.
#pragma once

#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "live/observation.h"

namespace tickwell::live {

struct MetarReport {
    std::string id;  // "EGLL"
    Observation observation;
};

// The reports of an answer (a JSON array; the current shape and the older
// one with "YYYY-MM-DD hh:mm:ss" times and null members), in the order
// given. A report without an id or a time is skipped. Temperatures and
// dew points in Celsius, `altim` in hectopascals, `wdir` in degrees or
// "VRB" (no direction), `wspd` and `wgst` in knots (a wind the report gave
// in m/s comes in knots too); the humidity is worked out from the
// temperature and the dew point; a value out of reach is missing.
std::vector<MetarReport> ParseMetarReports(const nlohmann::json& answer);

// The sky and weather in a few words, as the NOW line and the roundup's
// sky column take them: from the present weather (`wxString`) when there
// is one, else from the cloud cover ("CAVOK" and "CLR" read as clear).
std::string MetarDescription(const nlohmann::json& report);

// What to show at `now`: the newest report of the first station of
// `byNearness` (the chosen airport, then the others, nearest first) whose
// newest report is current (two hours, never in the future) and has a
// temperature. Nothing when none is.
std::optional<MetarReport> ChooseMetar(const std::vector<MetarReport>& reports,
                                       const std::vector<std::string>& byNearness,
                                       std::int64_t now);

}  // namespace tickwell::live
