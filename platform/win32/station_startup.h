// The weather station's setting in the Windows program: the registry's
// "Station" value (REG_SZ, beside the five DWORD settings), which only the
// user's choices write (--station at start, the Location dialog).
#pragma once

#include <optional>
#include <string>

#include "live/place.h"

namespace tickwell::win32 {

// Writes `id` as the "Station" REG_SZ of the key `keyPath` under
// HKEY_CURRENT_USER, creating the key when needed; every other value stays.
// False when the registry refused.
bool SaveStationSetting(const char* keyPath, const std::string& id);

// Saves `id` in the program's own key, where the five settings live too;
// an error message box says so when the registry refused.
void SaveStation(const std::string& id);

// Writes the place chosen with the station as the REG_SZ values "Place",
// "PlaceLat" and "PlaceLon" of `keyPath` (empty for none). False when the
// registry refused.
bool SavePlaceSetting(const char* keyPath, const std::optional<live::Place>& place);
// The same in the program's own key, with an error message box.
void SavePlace(const std::optional<live::Place>& place);

}  // namespace tickwell::win32
