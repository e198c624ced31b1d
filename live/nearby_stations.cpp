#include "live/nearby_stations.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <utility>

#include "live/json_fields.h"
#include "live/station.h"
#include "live/units.h"
#include "places/distance.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

// Whether `other` has a reading `shown` lacks; with no `shown`, whether it
// has a temperature to stand for the whole observation.
bool Gives(const Observation& other, const std::optional<Observation>& shown) {
    if (!shown) {
        return other.temperatureC.has_value();
    }
    return (!shown->temperatureC && other.temperatureC) || (!shown->dewPointC && other.dewPointC) ||
           (!shown->humidityPercent && other.humidityPercent) ||
           (!shown->pressurePa && other.pressurePa);
}

// Takes into `shown` what `other` (the observation of station `id`,
// `miles` or `kilometres` away) gives it, and says so in its `nearby`.
void TakeFrom(std::optional<Observation>& shown, const Observation& other, const std::string& id,
              int miles, int kilometres) {
    if (!shown) {
        shown = other;
        shown->nearby = NearbySource{id, miles, kilometres, true};
        return;
    }
    NearbySource source =
        shown->nearby ? *shown->nearby : NearbySource{id, miles, kilometres, false};
    if (!shown->temperatureC && other.temperatureC) {
        // Without the chosen station's temperature its observation tells
        // nothing worth naming; the other one's stands for it.
        Observation taken = other;
        for (auto reading :
             {&Observation::dewPointC, &Observation::humidityPercent, &Observation::pressurePa}) {
            if ((*shown).*reading) {
                taken.*reading = (*shown).*reading;
            }
        }
        taken.nearby = NearbySource{id, miles, kilometres, true};
        shown = std::move(taken);
        return;
    }
    const auto take = [&](std::optional<double> Observation::*reading, bool* flag) {
        if (!(*shown.*reading) && other.*reading) {
            *shown.*reading = other.*reading;
            *flag = true;
        }
    };
    take(&Observation::dewPointC, &source.dewPoint);
    take(&Observation::humidityPercent, &source.humidity);
    take(&Observation::pressurePa, &source.pressure);
    shown->nearby = source;
}

}  // namespace

std::vector<ListedStation> ParseStationList(const json& collection) {
    std::vector<ListedStation> stations;
    const json* features = collection.is_object() ? ArrayField(collection, "features") : nullptr;
    if (features == nullptr) {
        return stations;
    }
    for (const json& feature : *features) {
        const json* properties = feature.is_object() ? ObjectField(feature, "properties") : nullptr;
        if (properties == nullptr) {
            continue;
        }
        std::string identifier = StringField(*properties, "stationIdentifier");
        if (identifier.empty()) {
            // The station's URL ends with its id.
            const std::string url = StringField(feature, "id");
            identifier = url.substr(url.rfind('/') + 1);
        }
        const std::optional<std::string> id = NormalizeStationId(identifier);
        if (!id) {
            continue;
        }
        if (const std::optional<Station> station = ParseStation(feature, *id)) {
            stations.push_back({*id, station->latitude, station->longitude});
        }
    }
    return stations;
}

std::string StationListPath(const json& points) {
    const json* properties = points.is_object() ? ObjectField(points, "properties") : nullptr;
    return properties != nullptr ? UrlPath(StringField(*properties, "observationStations"))
                                 : std::string();
}

NearbyStations::NearbyStations(std::string apiBase, Fetch fetch)
    : apiBase_(std::move(apiBase)), fetch_(std::move(fetch)) {}

void NearbyStations::SetPlace(const std::string& ownId, double latitude, double longitude) {
    if (placeSet_ && ownId == ownId_ && latitude == latitude_ && longitude == longitude_) {
        return;
    }
    ownId_ = ownId;
    latitude_ = latitude;
    longitude_ = longitude;
    placeSet_ = true;
    listPath_.clear();
    candidates_.clear();
    listReadAt_.reset();
    asked_.clear();
}

void NearbyStations::SetListPath(const std::string& path) {
    if (!path.empty() && path != listPath_) {
        listPath_ = path;
        listReadAt_.reset();
    }
}

void NearbyStations::Refresh(std::int64_t now) {
    if (listReadAt_ && now - *listReadAt_ < kStationListKeepSeconds) {
        return;
    }
    // The point's own list when the one its answer named is not there.
    std::vector<std::string> paths;
    if (!listPath_.empty()) {
        paths.push_back(listPath_);
    }
    paths.push_back(PointsPath(latitude_, longitude_) + "/stations");
    json list(json::value_t::discarded);
    int status = 0;
    for (const std::string& path : paths) {
        list = fetch_(apiBase_ + path, Endpoint::StationList, &status);
        if (status != 404) {
            break;
        }
    }
    if (list.is_discarded() && status != 404) {
        // Asked again at the next refresh, as the cache's spacing allows.
        return;
    }
    // A place the service lists no stations for has none for the day.
    listReadAt_ = now;
    candidates_.clear();
    for (const ListedStation& station : ParseStationList(list)) {
        const double miles =
            places::MilesBetween(latitude_, longitude_, station.latitude, station.longitude);
        if (station.id != ownId_ && miles <= kNearbyMiles) {
            candidates_.push_back({station, static_cast<int>(std::lround(miles)),
                                   static_cast<int>(std::lround(miles * kKilometresPerMile)), 0});
        }
    }
    // The service lists them nearest its gridpoint first; the place may lie
    // a little off it.
    std::stable_sort(candidates_.begin(), candidates_.end(),
                     [](const Candidate& a, const Candidate& b) { return a.miles < b.miles; });
}

bool NearbyStations::MayAsk(const std::string& id, std::int64_t now) {
    std::erase_if(asked_, [now](const auto& entry) {
        return now - entry.second >= kNearbyAskWindow || entry.second > now;
    });
    for (const auto& entry : asked_) {
        if (entry.first == id) {
            return true;
        }
    }
    if (asked_.size() >= static_cast<std::size_t>(kMaxNearbyAsked)) {
        return false;
    }
    asked_.emplace_back(id, now);
    return true;
}

std::optional<Observation> NearbyStations::Complete(std::optional<Observation> own,
                                                    std::int64_t now) {
    if ((own && own->HasReadings()) || !placeSet_) {
        return own;
    }
    Refresh(now);
    std::optional<Observation> shown = std::move(own);
    for (Candidate& candidate : candidates_) {
        if (shown && shown->HasReadings()) {
            break;
        }
        if (candidate.silentUntil > now) {
            continue;
        }
        if (!MayAsk(candidate.station.id, now)) {
            break;
        }
        const std::optional<Observation> other = ParseObservation(
            fetch_(apiBase_ + "/stations/" + candidate.station.id + "/observations/latest",
                   Endpoint::LatestObservation, nullptr));
        if (!other || !IsCurrent(*other, now) || !Gives(*other, shown)) {
            candidate.silentUntil = now + kSilentSeconds;
            continue;
        }
        TakeFrom(shown, *other, candidate.station.id, candidate.miles, candidate.kilometres);
    }
    return shown;
}

}  // namespace tickwell::live
