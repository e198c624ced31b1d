#include "live/words.h"

#include <array>
#include <cmath>
#include <cstddef>

namespace tickwell::live {

namespace {

// 0 for north to 7 for northwest: each point takes the 45 degrees centred
// on it.
std::size_t CompassSector(double degrees) {
    double turned = std::fmod(degrees, 360.0);
    if (std::isnan(turned)) {
        turned = 0.0;
    } else if (turned < 0.0) {
        turned += 360.0;
    }
    return static_cast<std::size_t>(std::floor((turned + 22.5) / 45.0)) % 8;
}

}  // namespace

std::string_view CompassPoint(double degrees) {
    static constexpr std::array<std::string_view, 8> kPoints = {"N", "NE", "E", "SE",
                                                                "S", "SW", "W", "NW"};
    return kPoints[CompassSector(degrees)];
}

std::string_view CompassDirection(double degrees) {
    static constexpr std::array<std::string_view, 8> kNames = {
        "NORTH", "NORTHEAST", "EAST", "SOUTHEAST", "SOUTH", "SOUTHWEST", "WEST", "NORTHWEST"};
    return kNames[CompassSector(degrees)];
}

std::string_view DayName(int weekday) {
    static constexpr std::array<std::string_view, 7> kDays = {
        "SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};
    return kDays[static_cast<std::size_t>((weekday % 7 + 7) % 7)];
}

}  // namespace tickwell::live
