// Reads the Denver station's observations from the roundup page.
#pragma once

namespace tickwell {

const char* SkipWhitespace(const char* position);
const char* SkipToken(const char* position);

// Stores temperature, dew point, relative humidity and pressure (clearing
// `busy` with the pressure); false when the station or a token is missing.
bool ParseRoundup(const char* page);

}  // namespace tickwell
