// Relative humidity and dew point from each other and the temperature, for
// observations that report one of the pair without the other.
//
// Both use the Magnus form with a = 17.625 and b = 243.04 degrees Celsius,
// which stays within a few tenths of a percent of the exact saturation
// pressure over water between -40 and 50 degrees Celsius.
#pragma once

#include <optional>

namespace tickwell::live {

// The relative humidity in percent at `temperatureC` with dew point
// `dewPointC`; nothing when either is out of the formula's reach.
std::optional<double> HumidityFromDewPoint(double temperatureC, double dewPointC);

// The dew point in degrees Celsius at `temperatureC` and `humidityPercent`;
// nothing when the humidity is not above zero or either is out of reach.
std::optional<double> DewPointFromHumidity(double temperatureC, double humidityPercent);

}  // namespace tickwell::live
