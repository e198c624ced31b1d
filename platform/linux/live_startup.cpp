#include "platform/linux/live_startup.h"

#include <cstdio>
#include <string>

#include "app/escaped_text.h"
#include "app/live_startup.h"
#include "live/live_setup.h"
#include "live/place.h"
#include "live/station.h"
#include "platform/linux/system/settings_file.h"
#include "platform/settings_store.h"

namespace tickwell::linux_cli {

namespace {

// Writes the station into the settings file. A file that cannot be written
// says so itself (once a run), so nothing more is printed here.
void SaveStation(const std::string& id) {
    platform::SettingsFile file(platform::DefaultSettingsPath());
    if (!file.OpenForWriting()) {
        return;
    }
    file.WriteText(live::kStationSettingName, id);
    file.Close();
}

// Writes the place chosen with the station (empty values for none) the
// same way.
void SavePlace(const std::optional<live::Place>& place) {
    platform::SettingsFile file(platform::DefaultSettingsPath());
    if (!file.OpenForWriting()) {
        return;
    }
    for (const live::SettingText& setting : live::PlaceSettingTexts(place)) {
        file.WriteText(setting.name, setting.value);
    }
    file.Close();
}

}  // namespace

bool StartLiveWeather(const std::optional<std::string>& requestedStation) {
    const LiveStartup startup = tickwell::StartLiveWeather(
        live::ReadLiveEnvironment(SystemEnvironment), SystemSettingsStore(), requestedStation,
        SaveStation, platform::SystemInternet(), SavePlace);
    for (const StartupMessage& message : startup.messages) {
        std::fprintf(stderr, "tickwell: %s\n", EscapedForTerminal(message.text).c_str());
    }
    return startup.started;
}

}  // namespace tickwell::linux_cli
