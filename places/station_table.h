// The table of weather stations and towns the station search reads: the
// US's airports and towns, and the world's large and medium airports and
// towns of 15,000 people or more, each with its IANA time zone.
// Its rows live in station_table.cpp, which scripts/make_places_table.mjs
// writes; they are read-only data in the program, with nothing to parse or
// allocate when it starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tickwell::places::table {

// The airport's size as its data source classes it; larger airports come
// first among equal matches.
enum class AirportSize : std::uint8_t { Large, Medium, Small };

// Coordinates are in hundred-thousandths of a degree (about a metre).
constexpr double kDegreesPerUnit = 1e-5;

// Text is an offset into the table's text: display text, in UTF-8, in
// Text(); folded search keys (see text_fold.h) in Key(). Each ends with a
// NUL.
//
// Each station and town comes in two parts at the same index of two
// arrays: what every search reads, kept small so that a search touches
// few pages, and what only a match needs.
struct Station {
    char id[4];           // ICAO id, upper case, not NUL-terminated
    std::uint16_t state;  // index into States(): a US state or a country
    AirportSize size;
    // InitialsOf (text_fold.h) the city's and the name's keys.
    std::uint32_t initials;
    std::uint32_t cityKey;
    std::uint32_t nameKey;
};

struct StationPlace {
    std::uint32_t city;
    std::uint32_t name;
    std::int32_t latitude;
    std::int32_t longitude;
    std::uint16_t zone;  // index into Zones()
};

constexpr std::size_t kNearStations = 5;
constexpr std::uint16_t kNoStation = 0xFFFF;

struct Town {
    std::uint32_t initials;  // InitialsOf the key
    std::uint32_t key;
    std::uint16_t state;
};

struct TownPlace {
    std::uint32_t name;
    std::int32_t latitude;
    std::int32_t longitude;
    // The nearest stations within 50 miles, nearest first, as indexes into
    // Stations(); kNoStation fills the rest.
    std::uint16_t near[kNearStations];
    std::uint16_t zone;  // index into Zones()
};

// The regions: the first kUsStates are the US states, DC and the
// territories the weather service covers, by code; the countries follow,
// by code. A search keeps one bit per region, so there are at most
// kMaxStates.
constexpr std::size_t kUsStates = 56;
constexpr std::size_t kMaxStates = 320;

struct State {
    const char* code;  // "MA", "GB"
    const char* name;  // "Massachusetts", "United Kingdom"
    const char* key;   // "massachusetts"
};

// Stations by size, then folded name, then id; towns by population,
// largest first; regions as above; IANA zone names ("Europe/London").
std::span<const Station> Stations();
std::span<const StationPlace> StationPlaces();
std::span<const Town> Towns();
std::span<const TownPlace> TownPlaces();
std::span<const State> States();
std::span<const char* const> Zones();

// The NUL-terminated string at `offset` of the display text or the keys;
// KeyText spares the search measuring every key it reads.
std::string_view Text(std::uint32_t offset);
std::string_view Key(std::uint32_t offset);
const char* KeyText(std::uint32_t offset);

}  // namespace tickwell::places::table
