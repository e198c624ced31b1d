#include "platform/linux/live_startup.h"

#include <string>

#include "app/live_startup.h"
#include "live/live_setup.h"
#include "live/station.h"
#include "platform/linux/system/settings_file.h"
#include "platform/message_log.h"
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

}  // namespace

bool StartLiveWeather(const std::optional<std::string>& requestedStation) {
    const LiveStartup startup = tickwell::StartLiveWeather(
        live::ReadLiveEnvironment(SystemEnvironment), SystemSettingsStore(), requestedStation,
        SaveStation, platform::SystemInternet());
    for (const StartupMessage& message : startup.messages) {
        platform::LogMessage(message.text);
    }
    return startup.started;
}

}  // namespace tickwell::linux_cli
