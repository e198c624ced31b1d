// A station of the program's own table (places/) that the weather service
// does not know, such as an airport without a weather station of its own:
// it stands for its place, at the table's coordinates, and its readings
// come from the stations that report near it.
#pragma once

#include <optional>
#include <string>

#include "live/station.h"

namespace tickwell::live {

// Station `id` as the table has it (name and coordinates, no zone);
// nothing when the table has no such station.
std::optional<Station> TableStation(const std::string& id);

}  // namespace tickwell::live
