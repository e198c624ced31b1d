#include "places/station_search.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <limits>

#include "live/units.h"
#include "places/distance.h"
#include "places/station_table.h"
#include "places/text_fold.h"

namespace tickwell::places {
namespace {

using table::Station;
using table::Town;

// A longer query names no place in the table; it finds nothing.
constexpr std::size_t kMaxWords = 16;
constexpr std::uint16_t kNoState = 0xFFFF;

// One bit per region of the table.
using Regions = std::bitset<table::kMaxStates>;

// The groups results come in, best first.
enum Group : std::uint64_t { ExactId, City, NearTown, NameWords, StateOnly };

// A station's place in the results: group, then whether the query is the
// whole city or town, then an order within the group. Smaller is better.
using Rank = std::uint64_t;
constexpr Rank kUnranked = std::numeric_limits<Rank>::max();

Rank MakeRank(Group group, bool whole, std::uint32_t major, std::uint32_t minor) {
    return (static_cast<Rank>(group) << 60) | (static_cast<Rank>(whole ? 0 : 1) << 56) |
           (static_cast<Rank>(major & 0xFFFFFF) << 32) | minor;
}

Group GroupOf(Rank rank) {
    return static_cast<Group>(rank >> 60);
}

std::uint32_t MajorOf(Rank rank) {
    return static_cast<std::uint32_t>((rank >> 32) & 0xFFFFFF);
}

// Whether `word` begins one of the blank-separated words of the
// NUL-terminated `key`. The key is read once, without measuring it first;
// `word` holds no NUL, so a comparison stops at the key's end.
bool BeginsAWord(const char* key, std::string_view word) {
    for (const char* at = key;;) {
        std::size_t same = 0;
        while (same < word.size() && at[same] == word[same]) {
            ++same;
        }
        if (same == word.size()) {
            return true;
        }
        at += same;
        while (*at != ' ' && *at != '\0') {
            ++at;
        }
        if (*at == '\0') {
            return false;
        }
        ++at;
    }
}

bool BeginsId(const Station& station, std::string_view word) {
    if (word.size() > 4) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (word[i] != station.id[i] - 'A' + 'a') {
            return false;
        }
    }
    return true;
}

// Words that places spell both ways: a query word that is one of them
// also matches the other ("saint louis" finds St Louis, "st" Saint Paul).
constexpr std::pair<std::string_view, std::string_view> kSameWords[] = {
    {"saint", "st"}, {"st", "saint"}, {"sainte", "ste"}, {"ste", "sainte"},
    {"fort", "ft"},  {"ft", "fort"},  {"mount", "mt"},   {"mt", "mount"},
};

std::string_view OtherSpelling(std::string_view word) {
    for (const auto& [one, other] : kSameWords) {
        if (word == one) {
            return other;
        }
    }
    return {};
}

// The query, folded and split into words, with what it says of a state.
struct Query {
    std::string folded;
    std::array<std::string_view, kMaxWords> words{};
    std::array<std::string_view, kMaxWords> otherSpellings{};  // empty: none
    std::array<std::uint32_t, kMaxWords> initials{};           // InitialBit of each word
    std::size_t count = 0;
    // The words each region's code or name could stand for: bit `state` of
    // stateWords[i] is set when word i begins the region's code or a word
    // of its name.
    std::array<Regions, kMaxWords> stateWords{};
    // A state named by the last words of the query ("golden co", "boston,
    // massachusetts"): only its places match, and the words before it are
    // the place's own. kNoState when the query names none or only a state.
    std::uint16_t state = kNoState;
    std::string_view place;  // the folded words before the state, or all

    std::size_t PlaceWords() const;
};

std::size_t Query::PlaceWords() const {
    std::size_t n = 0;
    for (std::size_t i = 0; i < count && words[i].data() < place.data() + place.size(); ++i) {
        ++n;
    }
    return n;
}

Regions StatesBegunBy(std::string_view word) {
    Regions states;
    const auto all = table::States();
    for (std::size_t s = 0; s < all.size(); ++s) {
        std::string code = all[s].code;
        code[0] = static_cast<char>(code[0] - 'A' + 'a');
        code[1] = static_cast<char>(code[1] - 'A' + 'a');
        if (code.starts_with(word) || BeginsAWord(all[s].key, word)) {
            states.set(s);
        }
    }
    return states;
}

// The region whose code or whole name `tail` is, else kNoState; a US
// state's code before a country's.
std::uint16_t StateNamed(std::string_view tail) {
    const auto all = table::States();
    for (std::size_t s = 0; s < all.size(); ++s) {
        const std::string_view code = all[s].code;
        const bool isCode =
            tail.size() == 2 && tail[0] == code[0] - 'A' + 'a' && tail[1] == code[1] - 'A' + 'a';
        if (isCode || tail == all[s].key) {
            return static_cast<std::uint16_t>(s);
        }
    }
    return kNoState;
}

// Looks for a state in the last one to three words, the longest first, so
// that "charleston west virginia" reads as West Virginia.
void FindTrailingState(Query& query) {
    for (std::size_t n = std::min<std::size_t>(3, query.count - 1); n >= 1; --n) {
        const std::size_t first = query.count - n;
        const auto tailStart =
            static_cast<std::size_t>(query.words[first].data() - query.folded.data());
        const std::uint16_t state = StateNamed(std::string_view(query.folded).substr(tailStart));
        if (state != kNoState) {
            query.state = state;
            query.place = std::string_view(query.folded).substr(0, tailStart - 1);
            return;
        }
    }
}

// A query that is a state's whole name or code ("west virginia", "co")
// lets state words stand for that state only, so "west virginia" does not
// find West Springfield, Virginia.
bool KeepOnlyNamedState(Query& query) {
    const std::uint16_t state = StateNamed(query.folded);
    if (state == kNoState) {
        return false;
    }
    for (std::size_t i = 0; i < query.count; ++i) {
        query.stateWords[i].reset();
        query.stateWords[i].set(state);
    }
    return true;
}

bool ReadQuery(std::string_view text, Query& query) {
    query.folded = FoldText(text);
    query.place = query.folded;
    std::string_view rest = query.folded;
    while (!rest.empty()) {
        if (query.count == kMaxWords) {
            return false;
        }
        const std::size_t end = std::min(rest.find(' '), rest.size());
        if (rest.substr(0, end).find('?') != std::string_view::npos) {
            return false;  // a letter no key of the table holds
        }
        query.words[query.count] = rest.substr(0, end);
        query.stateWords[query.count] = StatesBegunBy(query.words[query.count]);
        query.otherSpellings[query.count] = OtherSpelling(query.words[query.count]);
        query.initials[query.count] = InitialBit(rest[0]);
        ++query.count;
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    if (!KeepOnlyNamedState(query) && query.count > 1) {
        FindTrailingState(query);
    }
    return query.count > 0;
}

// Whether query word `i` (or its other spelling) begins a word of `key`.
bool BeginsAWord(const char* key, const Query& query, std::size_t i) {
    return BeginsAWord(key, query.words[i]) ||
           (!query.otherSpellings[i].empty() && BeginsAWord(key, query.otherSpellings[i]));
}

// Whether a three-letter word is the station's id less its first letter,
// as most US airports' airline codes are ("lax" for KLAX, "anc" for PANC).
// Elsewhere the two codes are unrelated (EGLL is LHR).
bool IsAirlineCode(const Station& station, std::string_view word) {
    if (word.size() != 3 || station.state >= table::kUsStates) {
        return false;
    }
    for (std::size_t i = 0; i < 3; ++i) {
        if (word[i] != station.id[i + 1] - 'A' + 'a') {
            return false;
        }
    }
    return true;
}

// Whether `key` is the query's place words, each as typed or in its other
// spelling ("saint louis" is the whole of "st louis").
bool IsWholePlace(const Query& query, std::string_view key) {
    if (key == query.place) {
        return true;
    }
    const std::size_t words = query.PlaceWords();
    for (std::size_t i = 0; i < words; ++i) {
        const std::size_t end = std::min(key.find(' '), key.size());
        const std::string_view word = key.substr(0, end);
        if (word != query.words[i] && word != query.otherSpellings[i]) {
            return false;
        }
        key.remove_prefix(std::min(end + 1, key.size()));
    }
    return key.empty();
}

// How a station matches the query's place words, if it does.
Rank RankStation(const Query& query, std::size_t words, const Station& station,
                 std::uint32_t index) {
    if (query.state != kNoState && station.state != query.state) {
        return kUnranked;
    }
    bool byCity = false;
    bool byOther = false;
    for (std::size_t i = 0; i < words; ++i) {
        const std::string_view word = query.words[i];
        // Most rows fail on the first letter, without a key being read.
        const bool mayBeginAWord = station.initials & query.initials[i];
        if (mayBeginAWord && BeginsAWord(table::KeyText(station.cityKey), query, i)) {
            byCity = true;
        } else if (BeginsId(station, word) || IsAirlineCode(station, word) ||
                   (mayBeginAWord && BeginsAWord(table::KeyText(station.nameKey), query, i))) {
            byOther = true;
        } else if (!query.stateWords[i].test(station.state)) {
            return kUnranked;
        }
    }
    const std::string_view only = query.count == 1 ? query.words[0] : std::string_view();
    if (only.size() == 4 && BeginsId(station, only)) {
        return MakeRank(ExactId, true, 0, index);
    }
    if (IsAirlineCode(station, only)) {
        return MakeRank(ExactId, false, 0, index);
    }
    if (byCity && !byOther) {
        return MakeRank(City, IsWholePlace(query, table::Key(station.cityKey)), 0, index);
    }
    return MakeRank(byCity || byOther ? NameWords : StateOnly, true, 0, index);
}

bool TownMatches(const Query& query, std::size_t words, const Town& town) {
    if (query.state != kNoState && town.state != query.state) {
        return false;
    }
    const char* key = table::KeyText(town.key);
    bool byName = false;
    for (std::size_t i = 0; i < words; ++i) {
        if ((town.initials & query.initials[i]) && BeginsAWord(key, query, i)) {
            byName = true;
        } else if (!query.stateWords[i].test(town.state)) {
            return false;
        }
    }
    return byName;
}

// Ranks every station of the table against the query, keeping each
// station's best rank: its own match, or its nearness to a matching town.
void RankAll(const Query& query, std::vector<Rank>& best) {
    const std::size_t words = query.state == kNoState ? query.count : query.PlaceWords();
    const auto stations = table::Stations();
    for (std::size_t s = 0; s < stations.size(); ++s) {
        best[s] = RankStation(query, words, stations[s], static_cast<std::uint32_t>(s));
    }
    const auto towns = table::Towns();
    for (std::size_t t = 0; t < towns.size(); ++t) {
        if (!TownMatches(query, words, towns[t])) {
            continue;
        }
        const bool whole = IsWholePlace(query, table::Key(towns[t].key));
        const table::TownPlace& town = table::TownPlaces()[t];
        for (std::uint32_t n = 0; n < table::kNearStations; ++n) {
            const std::uint16_t s = town.near[n];
            if (s != table::kNoStation) {
                best[s] =
                    std::min(best[s], MakeRank(NearTown, whole, static_cast<std::uint32_t>(t), n));
            }
        }
    }
}

// The distance between two table points, in miles.
double TableMilesBetween(std::int32_t lat1, std::int32_t lon1, std::int32_t lat2,
                         std::int32_t lon2) {
    constexpr double kDegrees = table::kDegreesPerUnit;
    return MilesBetween(lat1 * kDegrees, lon1 * kDegrees, lat2 * kDegrees, lon2 * kDegrees);
}

StationMatch MakeMatch(std::size_t index, Rank rank) {
    const Station& station = table::Stations()[index];
    const table::StationPlace& place = table::StationPlaces()[index];
    StationMatch match;
    match.id.assign(station.id, 4);
    match.city = table::Text(place.city);
    match.state = table::States()[station.state].code;
    match.name = table::Text(place.name);
    match.inUs = station.state < table::kUsStates;
    match.latitude = place.latitude * table::kDegreesPerUnit;
    match.longitude = place.longitude * table::kDegreesPerUnit;
    match.zone = table::Zones()[place.zone];
    if (GroupOf(rank) == NearTown) {
        const Town& town = table::Towns()[MajorOf(rank)];
        const table::TownPlace& near = table::TownPlaces()[MajorOf(rank)];
        match.town = std::string(table::Text(near.name)) + ", " + table::States()[town.state].code;
        const double miles =
            TableMilesBetween(near.latitude, near.longitude, place.latitude, place.longitude);
        match.miles = static_cast<int>(std::lround(miles));
        match.kilometres = static_cast<int>(std::lround(miles * live::kKilometresPerMile));
    }
    return match;
}

std::vector<StationMatch> BestMatches(const std::vector<Rank>& best, std::size_t limit) {
    std::vector<std::pair<Rank, std::size_t>> ranked;
    for (std::size_t s = 0; s < best.size(); ++s) {
        if (best[s] != kUnranked) {
            ranked.emplace_back(best[s], s);
        }
    }
    const std::size_t kept = std::min(limit, ranked.size());
    std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(kept),
                      ranked.end());
    std::vector<StationMatch> matches;
    matches.reserve(kept);
    for (std::size_t i = 0; i < kept; ++i) {
        matches.push_back(MakeMatch(ranked[i].second, ranked[i].first));
    }
    return matches;
}

std::vector<StationMatch> Search(const Query& query, std::size_t limit) {
    std::vector<Rank> best(table::Stations().size(), kUnranked);
    RankAll(query, best);
    return BestMatches(best, limit);
}

}  // namespace

std::vector<StationMatch> FindStations(std::string_view text, std::size_t limit) {
    Query query;
    if (limit == 0 || !ReadQuery(text, query)) {
        return {};
    }
    std::vector<StationMatch> matches = Search(query, limit);
    if (matches.empty() && query.state != kNoState) {
        // The last words were not a state after all ("fort de"): read the
        // query again as plain words.
        query.state = kNoState;
        query.place = query.folded;
        matches = Search(query, limit);
    }
    return matches;
}

std::optional<StationMatch> StationById(std::string_view id) {
    if (id.size() != 4) {
        return std::nullopt;
    }
    const auto stations = table::Stations();
    for (std::size_t s = 0; s < stations.size(); ++s) {
        if (std::string_view(stations[s].id, 4) == id) {
            return MakeMatch(s, MakeRank(ExactId, true, 0, 0));
        }
    }
    return std::nullopt;
}

std::vector<std::string> StationsNear(double latitude, double longitude, double kilometres,
                                      std::size_t limit) {
    const auto lat = static_cast<std::int32_t>(std::lround(latitude / table::kDegreesPerUnit));
    const auto lon = static_cast<std::int32_t>(std::lround(longitude / table::kDegreesPerUnit));
    std::vector<std::pair<double, std::size_t>> near;
    const auto places = table::StationPlaces();
    for (std::size_t s = 0; s < places.size(); ++s) {
        const double km = TableMilesBetween(lat, lon, places[s].latitude, places[s].longitude) *
                          live::kKilometresPerMile;
        if (km <= kilometres) {
            near.emplace_back(km, s);
        }
    }
    std::sort(near.begin(), near.end());
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < near.size() && i < limit; ++i) {
        ids.emplace_back(table::Stations()[near[i].second].id, 4);
    }
    return ids;
}

std::string MatchLine(const StationMatch& match, Distance distance) {
    std::string line = match.id + "  " + match.city + ", " + match.state + "  " + match.name;
    if (distance == Distance::Kilometres && match.kilometres) {
        line += "  (" + std::to_string(*match.kilometres) + " km from " + match.town + ")";
    } else if (match.miles) {
        line += "  (" + std::to_string(*match.miles) + " mi from " + match.town + ")";
    }
    return line;
}

}  // namespace tickwell::places
