#include "live/table_station.h"

#include "places/place_lookup.h"

namespace tickwell::live {

std::optional<Station> TableStation(const std::string& id) {
    const std::optional<places::TablePlace> place = places::FindTableStation(id);
    if (!place) {
        return std::nullopt;
    }
    Station station;
    station.id = id;
    station.name = place->name;
    station.latitude = place->latitude;
    station.longitude = place->longitude;
    return station;
}

}  // namespace tickwell::live
