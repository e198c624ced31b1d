// The station search over the compiled-in table: what common queries find
// first, that case, accents, blanks and state forms do not matter, that
// nonsense finds nothing, and that the table itself is sound.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "places/station_search.h"
#include "places/station_table.h"
#include "places/text_fold.h"

namespace tickwell::places {
namespace {

std::vector<std::string> Ids(const std::vector<StationMatch>& matches) {
    std::vector<std::string> ids;
    for (const StationMatch& match : matches) {
        ids.push_back(match.id);
    }
    return ids;
}

TEST(PlacesSearch, WhatQueriesFindFirst) {
    struct Case {
        const char* query;
        const char* first;
        const char* city;   // of the first match
        const char* state;  // every match, or its town, is in it when set
    };
    const std::vector<Case> cases = {
        {"boston", "KBOS", "Boston", nullptr},
        {"san juan", "TJSJ", "San Juan", nullptr},
        {"honolulu", "PHNL", "Honolulu", nullptr},
        {"anchorage", "PANC", "Anchorage", nullptr},
        {"kden", "KDEN", "Denver", nullptr},
        {"KDEN", "KDEN", "Denver", nullptr},
        {"denver", "KDEN", "Denver", nullptr},
        {"boston ma", "KBOS", "Boston", "MA"},
        {"boston, ma", "KBOS", "Boston", "MA"},
        {"Boston, Massachusetts", "KBOS", "Boston", "MA"},
        {"portland me", "KPWM", "Portland", "ME"},
        {"portland, oregon", "KPDX", "Portland", "OR"},
        {"charleston west virginia", "KCRW", "Charleston", "WV"},
        {"west virginia", nullptr, nullptr, "WV"},
        {"o'hare", "KORD", "Chicago", nullptr},
        {"ohare", "KORD", "Chicago", nullptr},
        {"saint louis", "KSTL", "St Louis", nullptr},
        {"ft myers", "KRSW", "Fort Myers", "FL"},
        {"lax", "KLAX", "Los Angeles", nullptr},
        {"JFK", "KJFK", "New York", nullptr},
        {"logan international", "KBOS", "Boston", nullptr},
        {"sydney", "YSSY", "Sydney", nullptr},
        {"sydney australia", "YSSY", "Sydney", "AU"},
        {"heathrow", "EGLL", "London", nullptr},
        {"paris, france", nullptr, nullptr, "FR"},
        {"tokyo", nullptr, nullptr, nullptr},
    };
    for (const Case& test : cases) {
        const std::vector<StationMatch> matches = FindStations(test.query);
        ASSERT_FALSE(matches.empty()) << test.query;
        if (test.first) {
            EXPECT_EQ(matches[0].id, test.first) << test.query;
            EXPECT_EQ(matches[0].city, test.city) << test.query;
            EXPECT_FALSE(matches[0].miles.has_value()) << test.query;
        }
        for (const StationMatch& match : matches) {
            // A town's neighbours may lie across the state line.
            const std::string state =
                match.miles ? match.town.substr(match.town.size() - 2) : match.state;
            if (test.state) {
                EXPECT_EQ(state, test.state) << test.query << ": " << MatchLine(match);
            }
        }
        const std::vector<std::string> ids = Ids(matches);
        EXPECT_EQ(std::set<std::string>(ids.begin(), ids.end()).size(), ids.size()) << test.query;
        EXPECT_LE(matches.size(), kMaxMatches) << test.query;
    }
}

// Outside the US: the country comes with each match, and with it whether
// the weather service covers the place, where it is and its time zone.
TEST(PlacesSearch, TheWorld) {
    const std::vector<std::string> london = Ids(FindStations("london"));
    for (const char* id : {"EGLL", "EGLC", "EGKK"}) {
        EXPECT_NE(std::find(london.begin(), london.end(), id), london.end()) << id;
    }
    struct Case {
        const char* id;
        const char* country;
        const char* zone;
        bool inUs;
        double latitude, longitude;
    };
    const std::vector<Case> cases = {
        {"EGLL", "GB", "Europe/London", false, 51.47, -0.46},
        {"YSSY", "AU", "Australia/Sydney", false, -33.95, 151.18},
        {"VIDP", "IN", "Asia/Kolkata", false, 28.57, 77.10},
        {"RJTT", "JP", "Asia/Tokyo", false, 35.55, 139.78},
        {"KBOS", "MA", "America/New_York", true, 42.36, -71.01},
        {"PHNL", "HI", "Pacific/Honolulu", true, 21.32, -157.92},
    };
    for (const Case& test : cases) {
        const std::optional<StationMatch> station = StationById(test.id);
        ASSERT_TRUE(station) << test.id;
        EXPECT_EQ(station->state, test.country) << test.id;
        EXPECT_EQ(station->zone, test.zone) << test.id;
        EXPECT_EQ(station->inUs, test.inUs) << test.id;
        EXPECT_NEAR(station->latitude, test.latitude, 0.05) << test.id;
        EXPECT_NEAR(station->longitude, test.longitude, 0.05) << test.id;
    }
    const std::vector<std::string> nearHeathrow = StationsNear(51.4706, -0.4619, 40, 10);
    ASSERT_FALSE(nearHeathrow.empty());
    EXPECT_EQ(nearHeathrow[0], "EGLL");
    EXPECT_NE(std::find(nearHeathrow.begin(), nearHeathrow.end(), "EGLC"), nearHeathrow.end());
    EXPECT_EQ(std::find(nearHeathrow.begin(), nearHeathrow.end(), "EGSS"), nearHeathrow.end())
        << "Stansted is 60 km away";
    EXPECT_LE(StationsNear(51.4706, -0.4619, 40, 3).size(), 3u);
    EXPECT_TRUE(StationsNear(0, -140, 40, 10).empty());  // the open Pacific
    EXPECT_FALSE(StationById("ZZZZ"));
    EXPECT_FALSE(StationById("EGL"));
    // A US state's code wins over a country's of the same letters.
    for (const StationMatch& match : FindStations("portland, or")) {
        EXPECT_TRUE(match.inUs) << MatchLine(match);
    }
}

TEST(PlacesSearch, CaseAccentsBlanksAndPunctuationDoNotMatter) {
    const std::vector<std::vector<const char*>> alike = {
        {"boston", "BOSTON", "bóston", "BÓSTON", " Boston  ", "boston!", "Bo\xCC\x81ston"},
        {"golden co", "golden, co", "Golden,CO", "GOLDEN  -  Colorado"},
        {"san juan", "San Juán", "san-juan", "SAN\tJUAN"},
    };
    for (const auto& group : alike) {
        const std::vector<std::string> expected = Ids(FindStations(group[0]));
        ASSERT_FALSE(expected.empty()) << group[0];
        for (const char* query : group) {
            EXPECT_EQ(Ids(FindStations(query)), expected) << query;
        }
    }
}

TEST(PlacesSearch, TownsFindTheirNearestStations) {
    // Golden, Colorado has no airport of its own.
    const std::vector<StationMatch> golden = FindStations("golden, co");
    ASSERT_GE(golden.size(), 3u);
    int previous = 0;
    for (const StationMatch& match : golden) {
        EXPECT_EQ(match.town, "Golden, CO") << MatchLine(match);
        ASSERT_TRUE(match.miles.has_value()) << MatchLine(match);
        EXPECT_GE(*match.miles, previous) << MatchLine(match);
        EXPECT_LE(*match.miles, 50) << MatchLine(match);
        previous = *match.miles;
    }
    EXPECT_EQ(golden[0].id, "KBJC");
    EXPECT_NEAR(*golden[0].miles, 12, 2);

    // A town that has stations lists them first, then its neighbours'.
    const std::vector<StationMatch> boston = FindStations("boston");
    ASSERT_GE(boston.size(), 3u);
    EXPECT_FALSE(boston[0].miles.has_value());
    EXPECT_EQ(boston[1].town, "Boston, MA");
    EXPECT_TRUE(boston[1].miles.has_value());
}

TEST(PlacesSearch, NonsenseEmptyAndLimits) {
    const std::vector<std::string> nothing = {
        "",
        "   ",
        "xqzv",
        "!!!",
        "boston xqzv",
        "\xE6\x9D\xB1\xE4\xBA\xAC",
        "\xFF\xFE",
        "bos\xE6\x9D\xB1",
        "a b c d e f g h i j k l m n o p q",
        std::string("xq\0zv", 5),
    };
    for (const std::string& query : nothing) {
        EXPECT_TRUE(FindStations(query).empty()) << query;
    }
    EXPECT_EQ(FindStations("k", 3).size(), 3u);
    EXPECT_TRUE(FindStations("boston", 0).empty());
    EXPECT_EQ(FindStations("k").size(), kMaxMatches);
    EXPECT_EQ(FindStations("kden", 1).size(), 1u);
}

TEST(PlacesSearch, MatchLines) {
    StationMatch match{"KBOS", "Boston", "MA", "Logan International Airport", "", std::nullopt};
    EXPECT_EQ(MatchLine(match), "KBOS  Boston, MA  Logan International Airport");
    match = {"KBJC", "Denver", "CO", "Rocky Mountain Metropolitan Airport", "Golden, CO", 12};
    EXPECT_EQ(MatchLine(match),
              "KBJC  Denver, CO  Rocky Mountain Metropolitan Airport  (12 mi from Golden, CO)");
    // In kilometres, from the distance itself rather than the whole miles.
    const std::vector<StationMatch> found = FindStations("golden, co");
    std::size_t near = 0;
    for (const StationMatch& each : found) {
        if (!each.miles) continue;
        ++near;
        ASSERT_TRUE(each.kilometres.has_value());
        EXPECT_NEAR(*each.kilometres, *each.miles * 1.609344, 1.0) << each.id;
        const std::string line = MatchLine(each, Distance::Kilometres);
        EXPECT_NE(line.find("  (" + std::to_string(*each.kilometres) + " km from "),
                  std::string::npos)
            << line;
        EXPECT_EQ(line.find(" mi from "), std::string::npos) << line;
    }
    EXPECT_GT(near, 0u);
}

TEST(PlacesSearch, Folding) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Bóston", "boston"},
        {"  Hagåtña  Village ", "hagatna village"},
        {"Straße ÆØ Œuvre Łódź", "strasse aeo oeuvre lodz"},
        {"O'Hare", "ohare"},
        {"Coeur d\xE2\x80\x99"
         "Alene",
         "coeur dalene"},
        {"Kāne\xCA\xBBohe", "kaneohe"},
        {"e\xCC\x81t\xC3\xA9", "ete"},
        {"Winston-Salem/Greensboro, NC", "winston salem greensboro nc"},
        {"\xE6\x9D\xB1\xE4\xBA\xAC", "??"},
        {"a\xC3", "a?"},
        {"\xC0\xAF", "??"},
        {"\xED\xA0\x80", "???"},
        {"", ""},
    };
    for (const auto& [text, folded] : cases) {
        EXPECT_EQ(FoldText(text), folded) << text;
    }
}

bool IsUpper(char c) {
    return c >= 'A' && c <= 'Z';
}

// The generated table: ids unique and of the US's ICAO regions, states
// known, coordinates in range, keys the folded names and initials theirs,
// towns' neighbours real and packed first, and the well-known stations
// there.
TEST(PlacesTable, Integrity) {
    const auto stations = table::Stations();
    const auto towns = table::Towns();
    const auto states = table::States();
    EXPECT_GT(stations.size(), 6000u);
    EXPECT_LT(stations.size(), table::kNoStation);
    EXPECT_GT(towns.size(), 20000u);
    EXPECT_GT(states.size(), 250u);
    EXPECT_LE(states.size(), table::kMaxStates);
    EXPECT_STREQ(states[table::kUsStates - 1].code, "WY");
    for (const table::State& state : states) {
        EXPECT_TRUE(IsUpper(state.code[0]) && IsUpper(state.code[1]) && state.code[2] == 0)
            << state.code;
        EXPECT_EQ(FoldText(state.name), state.key);
    }
    ASSERT_EQ(table::StationPlaces().size(), stations.size());
    ASSERT_EQ(table::TownPlaces().size(), towns.size());
    std::set<std::string> ids;
    for (std::size_t s = 0; s < stations.size(); ++s) {
        const table::Station& station = stations[s];
        const table::StationPlace& place = table::StationPlaces()[s];
        const std::string id(station.id, 4);
        EXPECT_TRUE(ids.insert(id).second) << id;
        EXPECT_TRUE(IsUpper(id[0]) && IsUpper(id[1]) && IsUpper(id[2]) && IsUpper(id[3])) << id;
        if (station.state < table::kUsStates) {
            EXPECT_NE(std::string("KPTN").find(id[0]), std::string::npos) << id;
        }
        ASSERT_LT(station.state, states.size()) << id;
        ASSERT_LT(place.zone, table::Zones().size()) << id;
        EXPECT_GE(place.latitude, -90'00000) << id;
        EXPECT_LE(place.latitude, 90'00000) << id;
        EXPECT_GE(place.longitude, -180'00000) << id;
        EXPECT_LE(place.longitude, 180'00000) << id;
        EXPECT_LE(static_cast<int>(station.size), 2) << id;
        EXPECT_EQ(FoldText(table::Text(place.city)), table::Key(station.cityKey)) << id;
        EXPECT_EQ(FoldText(table::Text(place.name)), table::Key(station.nameKey)) << id;
        EXPECT_FALSE(table::Key(station.cityKey).empty()) << id;
        const std::string words = std::string(table::Key(station.cityKey)) + " " +
                                  std::string(table::Key(station.nameKey));
        EXPECT_EQ(station.initials, InitialsOf(words)) << id;
    }
    for (std::size_t t = 0; t < towns.size(); ++t) {
        const table::Town& town = towns[t];
        const table::TownPlace& place = table::TownPlaces()[t];
        const std::string_view name = table::Text(place.name);
        EXPECT_EQ(FoldText(name), table::Key(town.key)) << name;
        EXPECT_EQ(town.initials, InitialsOf(table::Key(town.key))) << name;
        EXPECT_LT(town.state, states.size()) << name;
        EXPECT_LT(place.zone, table::Zones().size()) << name;
        for (std::size_t n = 0; n < table::kNearStations; ++n) {
            if (place.near[n] == table::kNoStation) {
                continue;
            }
            ASSERT_LT(place.near[n], stations.size()) << name;
            EXPECT_TRUE(n == 0 || place.near[n - 1] != table::kNoStation) << name;
        }
    }
    for (const char* id : {"KBOS", "KDEN", "TJSJ", "PHNL", "PANC", "TIST", "NSTU", "PGUM", "EGLL",
                           "YSSY", "UUEE", "LFML", "WSSS", "VHHH"}) {
        EXPECT_TRUE(ids.count(id)) << id;
    }
}

}  // namespace
}  // namespace tickwell::places
