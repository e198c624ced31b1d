#include "platform/linux/live_startup.h"

#include <string>

#include "app/alert_notifications.h"
#include "app/live_startup.h"
#include "live/live_setup.h"
#include "live/place.h"
#include "live/station.h"
#include "platform/linux/system/desktop_notifier.h"
#include "platform/linux/system/settings_file.h"
#include "platform/linux/system/state_file.h"
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

constexpr const char* kWarningsFile = "warnings";

// Notifications of warnings through the desktop's notification server;
// without one, the ticker alone shows them, as before.
void SetUpNotifications() {
    AlertNotificationSetup setup;
    std::string error;
    setup.notifier = platform::NewDesktopNotifier(&error);
    if (!setup.notifier) {
        platform::LogMessage(error + "; warnings show in the ticker only");
    }
    setup.enabled = ReadAlertSetting(SystemSettingsStore());
    setup.saveSetting = [](bool enabled) { WriteAlertSetting(SystemSettingsStore(), enabled); };
    setup.loadMemory = [] { return platform::ReadStateFile(kWarningsFile); };
    setup.saveMemory = [](const std::string& text) {
        platform::WriteStateFile(kWarningsFile, text);
    };
    SetUpAlertNotifications(std::move(setup));
}

// Writes the place chosen with the station (empty values for none) the
// same way.
void SavePlace(const std::optional<live::Place>& place) {
    platform::SettingsFile file(platform::DefaultSettingsPath());
    if (!file.OpenForWriting()) {
        return;
    }
    for (const live::PlaceText& setting : live::PlaceSettingTexts(place)) {
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
        platform::LogMessage(message.text);
    }
    if (startup.started) {
        SetUpNotifications();
    }
    return startup.started;
}

}  // namespace tickwell::linux_cli
