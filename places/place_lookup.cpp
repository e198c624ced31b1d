#include "places/place_lookup.h"

#include "places/station_table.h"

namespace tickwell::places {

std::optional<TablePlace> FindTableStation(std::string_view id) {
    const auto stations = table::Stations();
    for (std::size_t s = 0; s < stations.size(); ++s) {
        if (std::string_view(stations[s].id, sizeof stations[s].id) != id) {
            continue;
        }
        const table::StationPlace& place = table::StationPlaces()[s];
        TablePlace found;
        found.name = std::string(table::Text(place.name)) + ", " +
                     std::string(table::Text(place.city)) + ", " +
                     table::States()[stations[s].state].code;
        found.latitude = place.latitude * table::kDegreesPerUnit;
        found.longitude = place.longitude * table::kDegreesPerUnit;
        return found;
    }
    return std::nullopt;
}

std::optional<TablePlace> FindTableTown(std::string_view town) {
    const auto towns = table::Towns();
    for (std::size_t t = 0; t < towns.size(); ++t) {
        const table::TownPlace& place = table::TownPlaces()[t];
        const std::string name =
            std::string(table::Text(place.name)) + ", " + table::States()[towns[t].state].code;
        if (name == town) {
            return TablePlace{name, place.latitude * table::kDegreesPerUnit,
                              place.longitude * table::kDegreesPerUnit};
        }
    }
    return std::nullopt;
}

}  // namespace tickwell::places
