#include "places/station_search.h"

namespace tickwell::places {

// A placeholder until the station table is in place.
std::vector<StationMatch> FindStations(std::string_view, std::size_t) {
    return {};
}

std::string MatchLine(const StationMatch& match) {
    std::string line = match.id + "  " + match.city + ", " + match.state + "  " + match.name;
    if (match.miles) {
        line += "  (" + std::to_string(*match.miles) + " mi from " + match.town + ")";
    }
    return line;
}

}  // namespace tickwell::places
