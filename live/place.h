// The place the user chose as a town ("Golden, CO"): the forecast and the
// alerts are the town's own, while the readings stay the chosen station's.
// It is saved beside the station as three text settings; settings with
// only a station have none, and then the station's place is the place.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace tickwell::live {

struct Place {
    std::string name;  // "Golden, CO"
    double latitude = 0;
    double longitude = 0;

    bool operator==(const Place&) const = default;
};

constexpr const char* kPlaceSettingName = "Place";
constexpr const char* kPlaceLatitudeSettingName = "PlaceLat";
constexpr const char* kPlaceLongitudeSettingName = "PlaceLon";

// The longest place name taken from what was stored; a longer one is refused.
constexpr std::size_t kMaxPlaceNameBytes = 80;

// `place` when its name is printable text of at most kMaxPlaceNameBytes
// and its coordinates are a point on the earth; else nothing.
std::optional<Place> CheckedPlace(const Place& place);

// The place saved with the station, or nothing when the settings hold none
// or one that CheckedPlace refuses.
std::optional<Place> LoadPlace(SettingsStore& store);

// The three text settings that save `place` (empty texts for none), with
// the coordinates written to five decimals whatever the locale.
struct PlaceText {
    const char* name;
    std::string value;
};
std::vector<PlaceText> PlaceSettingTexts(const std::optional<Place>& place);

}  // namespace tickwell::live
