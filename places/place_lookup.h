// The coordinates of one entry of the station table, looked up by what the
// program keeps of it: a station's id, or a town as the station search
// names it ("Golden, CO").
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tickwell::places {

struct TablePlace {
    std::string name;  // "Denver International Airport, Denver, CO"; "Golden, CO"
    double latitude = 0;
    double longitude = 0;
};

// The table's station `id` ("KBJC", in capitals); nothing when the table
// has none.
std::optional<TablePlace> FindTableStation(std::string_view id);

// The town `town` ("Golden, CO", as StationMatch::town gives it); nothing
// when the table has none.
std::optional<TablePlace> FindTableTown(std::string_view town);

}  // namespace tickwell::places
