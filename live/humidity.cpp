#include "live/humidity.h"

#include <cmath>

namespace tickwell::live {

namespace {

constexpr double kA = 17.625;
constexpr double kB = 243.04;

// The formula's denominator b + t must stay well away from zero; the
// weather never comes near -243 degrees.
bool InReach(double celsius) {
    return std::isfinite(celsius) && celsius > -100.0 && celsius < 100.0;
}

// a*t/(b+t): the exponent of the saturation vapour pressure at `celsius`.
double Exponent(double celsius) {
    return kA * celsius / (kB + celsius);
}

}  // namespace

std::optional<double> HumidityFromDewPoint(double temperatureC, double dewPointC) {
    if (!InReach(temperatureC) || !InReach(dewPointC)) {
        return std::nullopt;
    }
    return 100.0 * std::exp(Exponent(dewPointC) - Exponent(temperatureC));
}

std::optional<double> DewPointFromHumidity(double temperatureC, double humidityPercent) {
    if (!InReach(temperatureC) || !std::isfinite(humidityPercent) || humidityPercent <= 0.0) {
        return std::nullopt;
    }
    const double gamma = std::log(humidityPercent / 100.0) + Exponent(temperatureC);
    if (gamma >= kA) {
        return std::nullopt;
    }
    return kB * gamma / (kA - gamma);
}

}  // namespace tickwell::live
