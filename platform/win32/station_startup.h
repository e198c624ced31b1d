// The weather station in the Windows program: the registry's "Station"
// value (REG_SZ, beside the five DWORD settings), `--station ID` at start,
// and the handler through which the Location dialog's choice is saved and
// reaches the live source.
#pragma once

#include <optional>
#include <string>

#include "live/live_source.h"
#include "platform/settings_store.h"

namespace tickwell::win32 {

// Writes `id` as the "Station" REG_SZ of the key `keyPath` under
// HKEY_CURRENT_USER, creating the key when needed; every other value stays.
// False when the registry refused.
bool SaveStationSetting(const char* keyPath, const std::string& id);

// True when `store` holds a valid station id: the user chose a station
// before (with --station or the Location dialog).
bool StationWasChosen(SettingsStore& store);

// What the program does with --station ID at start: asks the weather
// service about `requested` and saves and shows it unless the service says
// it has no such station (then a message box says so and the old station
// stays). An unreachable service does not stop the choice. True when the
// station was taken.
bool ChooseRequestedStation(live::LiveSource& source, const std::string& requested);

// The station part of the live start-up: the station of --station when
// there is one, else the first-time hint when no station was ever chosen;
// then the handler for the Location dialog's choices.
void SetUpStation(live::LiveSource& source, const std::optional<std::string>& requested);

}  // namespace tickwell::win32
