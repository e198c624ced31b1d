// The few facts this program reads out of a raw METAR report, for the
// readings the weather service's JSON leaves empty.
#pragma once

#include <optional>
#include <string_view>

namespace tickwell::live {

// The altimeter setting of a METAR report in inches of mercury: the group
// "Annnn" standing as a word of its own ("A3030" is 30.30 inHg). Nothing
// when the report has no such group, when the group is malformed
// ("A30301", "A30X0"), or when its value is outside what the weather gives.
// Only the part before "RMK" is read, since remarks are free text.
std::optional<double> AltimeterInches(std::string_view report);

}  // namespace tickwell::live
