#include "live/place.h"

#include <charconv>
#include <cmath>

namespace tickwell::live {

namespace {

std::optional<double> ReadCoordinate(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string CoordinateText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 5);
    return std::string(text, result.ptr);
}

}  // namespace

std::optional<Place> CheckedPlace(const Place& place) {
    if (place.name.empty() || place.name.size() > kMaxPlaceNameBytes) {
        return std::nullopt;
    }
    for (unsigned char ch : place.name) {
        if (ch < ' ' || ch == 0x7F) {
            return std::nullopt;
        }
    }
    if (!std::isfinite(place.latitude) || !std::isfinite(place.longitude) ||
        std::fabs(place.latitude) > 90 || std::fabs(place.longitude) > 180) {
        return std::nullopt;
    }
    return place;
}

std::optional<Place> LoadPlace(SettingsStore& store) {
    std::string name;
    std::string latitude;
    std::string longitude;
    bool read = false;
    if (store.OpenForReading()) {
        read = store.ReadText(kPlaceSettingName, &name) &&
               store.ReadText(kPlaceLatitudeSettingName, &latitude) &&
               store.ReadText(kPlaceLongitudeSettingName, &longitude);
        store.Close();
    }
    if (!read) {
        return std::nullopt;
    }
    const std::optional<double> lat = ReadCoordinate(latitude);
    const std::optional<double> lon = ReadCoordinate(longitude);
    if (!lat || !lon) {
        return std::nullopt;
    }
    return CheckedPlace(Place{name, *lat, *lon});
}

std::vector<PlaceText> PlaceSettingTexts(const std::optional<Place>& place) {
    if (!place) {
        return {{kPlaceSettingName, ""},
                {kPlaceLatitudeSettingName, ""},
                {kPlaceLongitudeSettingName, ""}};
    }
    return {{kPlaceSettingName, place->name},
            {kPlaceLatitudeSettingName, CoordinateText(place->latitude)},
            {kPlaceLongitudeSettingName, CoordinateText(place->longitude)}};
}

}  // namespace tickwell::live
