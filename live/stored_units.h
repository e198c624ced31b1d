// The user's units as the settings store keeps them: four text values,
// each read on its own, so one the program does not know leaves only that
// choice at the locale's default.
#pragma once

#include "live/units.h"
#include "platform/settings_store.h"

namespace tickwell::live {

// `defaults` (the locale's choices) with every valid stored value in place
// of its part.
Units LoadUnits(SettingsStore& store, const Units& defaults);
// Writes all four values; every other stored value stays.
void SaveUnits(SettingsStore& store, const Units& units);

}  // namespace tickwell::live
