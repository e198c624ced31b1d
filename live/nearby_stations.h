// Readings from the nearest stations that report, for the readings the
// chosen station has given in no observation of the last two hours (a
// station whose newest observation is hours old, one with none at all, a
// place with no station of its own).
//
// The stations come from the list the weather service keeps for the place
// (its point's `observationStations`, nearest first), read once a day.
// Each refresh asks the nearest ones within kNearbyMiles, one after the
// other, until every missing reading is there: at most kMaxNearbyAsked new
// ones within kNearbyAskWindow, so a refresh costs at most two more
// requests. A station that gave nothing the place needed is left alone for
// kSilentSeconds, so later refreshes try the next ones.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "live/answer_limits.h"
#include "live/observation.h"

namespace tickwell::live {

constexpr double kNearbyMiles = 25;
constexpr int kMaxNearbyAsked = 2;
constexpr std::int64_t kNearbyAskWindow = 30;
constexpr std::int64_t kSilentSeconds = 30 * 60;
constexpr std::int64_t kStationListKeepSeconds = 24 * 60 * 60;

struct ListedStation {
    std::string id;
    double latitude = 0;
    double longitude = 0;
};

// The stations of a FeatureCollection as the service lists them for a
// point (properties.stationIdentifier, else the end of the feature's id
// URL; geometry.coordinates), in its order; entries without a valid id or
// coordinates are left out.
std::vector<ListedStation> ParseStationList(const nlohmann::json& collection);

// "/gridpoints/BOU/62,60/stations" from the point's answer, or empty.
std::string StationListPath(const nlohmann::json& points);

class NearbyStations {
public:
    // Fetch(url, endpoint, &status): the answer as JSON through the
    // source's cache, a discarded value when there is none.
    using Fetch =
        std::function<nlohmann::json(const std::string& url, Endpoint endpoint, int* status)>;

    NearbyStations(std::string apiBase, Fetch fetch);

    // The place readings are wanted for: the chosen station `ownId` at its
    // coordinates, or a town's. Forgets everything learnt about another.
    void SetPlace(const std::string& ownId, double latitude, double longitude);
    // The list's path from the place's point answer; without one, or when
    // it answers 404, the list of `/points/{lat},{lon}/stations` is read.
    void SetListPath(const std::string& path);

    // `own` (the chosen station's current observation, if any) with what it
    // lacks from the nearest stations that report at `now`: the whole
    // observation of the nearest current one with a temperature when `own`
    // is nothing, else only the missing readings. Sets the result's
    // `nearby` when another station gave any of it; nothing when neither
    // gave a temperature.
    std::optional<Observation> Complete(std::optional<Observation> own, std::int64_t now);

private:
    struct Candidate {
        ListedStation station;
        int miles = 0;
        int kilometres = 0;
        std::int64_t silentUntil = 0;
    };
    // Reads the list when it is older than a day or was never read.
    void Refresh(std::int64_t now);
    // Whether another station may be asked at `now` (see kMaxNearbyAsked).
    bool MayAsk(const std::string& id, std::int64_t now);

    std::string apiBase_;
    Fetch fetch_;
    std::string ownId_;
    double latitude_ = 0;
    double longitude_ = 0;
    bool placeSet_ = false;
    std::string listPath_;
    std::vector<Candidate> candidates_;
    std::optional<std::int64_t> listReadAt_;
    // The stations asked lately, and when.
    std::vector<std::pair<std::string, std::int64_t>> asked_;
};

}  // namespace tickwell::live
