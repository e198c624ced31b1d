// Finding a weather station by what a user knows of the place: the
// station's id, its city or its name, a state or country, or a town near
// it. The
// search runs over a table compiled into the program, so it needs no
// network; the weather service stays the judge of any id.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tickwell::places {

constexpr std::size_t kMaxMatches = 20;

struct StationMatch {
    std::string id;     // "KBOS"
    std::string city;   // "Boston"
    std::string state;  // "MA": the state's or territory's two-letter code;
                        // outside the US the country's ("GB")
    std::string name;   // "General Edward Lawrence Logan Intl"
    // Set when the station was found through a town near it: the town
    // ("Golden, CO") and the distance to it in whole miles.
    std::string town;
    std::optional<int> miles;
    // The same distance in whole kilometres.
    std::optional<int> kilometres = std::nullopt;
    // Whether the weather service covers it (the US states, DC and the
    // territories); where the station is, and its IANA time zone.
    bool inUs = true;
    double latitude = 0;
    double longitude = 0;
    std::string zone{};  // "Europe/London"
};

// The unit a match line gives its distance in.
enum class Distance { Miles, Kilometres };

// The stations that match `query`, best first, at most `limit` of them.
// Case, accents and surplus blanks do not matter; an empty or unmatched
// query gives none.
std::vector<StationMatch> FindStations(std::string_view query, std::size_t limit = kMaxMatches);

// One line of the Location dialog's list and of `tickwell --find`:
// "KBOS  Boston, MA  General Edward Lawrence Logan Intl", and for a match
// found through a town "KBJC  Broomfield, CO  Rocky Mountain Metro  (7 mi from Golden, CO)",
// or "(11 km from Golden, CO)" in kilometres.
std::string MatchLine(const StationMatch& match, Distance distance = Distance::Miles);

// The station of the table with ICAO id `id` (upper case), if any.
std::optional<StationMatch> StationById(std::string_view id);

// The ids of the stations within `kilometres` of a point, the nearest
// first, at most `limit` of them.
std::vector<std::string> StationsNear(double latitude, double longitude, double kilometres,
                                      std::size_t limit);

}  // namespace tickwell::places
