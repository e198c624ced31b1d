// Reads the Denver station's observations from the roundup page.
#pragma once

namespace tickwell {

// Stores temperature, dew point, relative humidity and pressure (clearing
// `busy` and setting `hasReadings` with the pressure). The temperature is
// the first number in the station's row, after a sky and weather column of
// any number of words; then come dew point, humidity, wind and pressure.
// False, with nothing stored, when the station is missing or its row lacks
// one of those numbers.
bool ParseRoundup(const char* page);

}  // namespace tickwell
