// How far apart two places are: the one measure behind the stations near a
// town, the stations near a point and the nearest reporting stations.
#pragma once

namespace tickwell::places {

// The great-circle distance between two points given in degrees, in
// statute miles, on a sphere of the Earth's mean radius.
double MilesBetween(double latitude1, double longitude1, double latitude2, double longitude2);

}  // namespace tickwell::places
