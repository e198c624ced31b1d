#include "places/distance.h"

#include <algorithm>
#include <cmath>

namespace tickwell::places {

namespace {

constexpr double kEarthRadiusMiles = 3958.8;
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180;

}  // namespace

double MilesBetween(double latitude1, double longitude1, double latitude2, double longitude2) {
    // The haversine formula, which stays exact for places a mile apart.
    const double dLat = (latitude2 - latitude1) * kRadiansPerDegree;
    const double dLon = (longitude2 - longitude1) * kRadiansPerDegree;
    const double h =
        std::sin(dLat / 2) * std::sin(dLat / 2) + std::cos(latitude1 * kRadiansPerDegree) *
                                                      std::cos(latitude2 * kRadiansPerDegree) *
                                                      std::sin(dLon / 2) * std::sin(dLon / 2);
    return 2 * kEarthRadiusMiles * std::asin(std::min(1.0, std::sqrt(h)));
}

}  // namespace tickwell::places
