// The words the pages give directions and days in.
#pragma once

#include <string_view>

namespace tickwell::live {

// The eight points of the compass a wind from `degrees` (clockwise from
// north) is nearest, as the roundup's wind column writes them: "N", "NE",
// ... "NW"; and as the NOW line spells them out: "NORTH", "NORTHEAST", ...
// Any angle is taken round the circle; one that is no number reads as
// north.
std::string_view CompassPoint(double degrees);
std::string_view CompassDirection(double degrees);

// "SUNDAY" for 0 to "SATURDAY" for 6, counted round the week.
std::string_view DayName(int weekday);

}  // namespace tickwell::live
