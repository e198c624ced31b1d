#include "platform/win32/live_startup.h"

#include <windows.h>

#include <cctype>
#include <optional>
#include <string>

#include "app/alert_notifications.h"
#include "app/live_startup.h"
#include "live/live_setup.h"
#include "platform/loopback_host.h"
#include "platform/message_log.h"
#include "platform/settings_store.h"
#include "platform/win32/gui/tray_icon.h"
#include "platform/win32/station_startup.h"
#include "platform/win32/system/state_file.h"

namespace tickwell::win32 {

namespace {

// A start-up message as a message box shows it: a sentence.
void ShowError(std::string text) {
    if (!text.empty()) {
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    }
    text += '.';
    ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
}

// TICKWELL_CA_FILE is for tests against a fake of the service on this
// machine. Its certificates go into the user's root store, where every
// program of the user would trust them; so for any other address, the real
// service above all, the file is ignored and the store left as it is.
void KeepExtraCaFileForLoopbackOnly(live::LiveEnvironment* environment) {
    if (environment->extraCaFile.empty()) {
        return;
    }
    // The weather service's base must be on this machine, and so must the
    // bases of the services outside the US where they are set.
    const std::string* bases[] = {&environment->apiBase, &environment->metarBase,
                                  &environment->metNorwayBase};
    const char* defaults[] = {nullptr, live::kDefaultMetarBase, live::kDefaultMetNorwayBase};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::optional<live::HostPort> address = live::BaseHostPort(*bases[i]);
        if (!address || platform::IsLoopbackHost(address->host) ||
            (defaults[i] != nullptr && *bases[i] == defaults[i])) {
            continue;
        }
        platform::LogMessage(
            "TICKWELL_CA_FILE is used only with a TICKWELL_API_BASE on this machine; ignored for " +
            address->host);
        environment->extraCaFile.clear();
        return;
    }
}

constexpr const char* kWarningsFile = "warnings.txt";

// The notification-area icon, which shows the warnings' balloons; it
// lives as long as the program.
void SetUpNotifications() {
    static TrayIcon icon;
    SetActiveTrayIcon(&icon);
    AlertNotificationSetup setup;
    setup.notifier = NotifierOn(icon);
    setup.enabled = ReadAlertSetting(SystemSettingsStore());
    setup.saveSetting = [](bool enabled) { WriteAlertSetting(SystemSettingsStore(), enabled); };
    setup.loadMemory = [] { return ReadStateFile(kWarningsFile); };
    setup.saveMemory = [](const std::string& text) { WriteStateFile(kWarningsFile, text); };
    SetUpAlertNotifications(std::move(setup));
}

}  // namespace

bool StartLiveWeather(const std::optional<std::string>& requestedStation) {
    live::LiveEnvironment environment = live::ReadLiveEnvironment(SystemEnvironment);
    KeepExtraCaFileForLoopbackOnly(&environment);
    const LiveStartup startup =
        tickwell::StartLiveWeather(environment, SystemSettingsStore(), requestedStation,
                                   SaveStation, platform::SystemInternet(), SavePlace);
    // Every message goes to the log; errors also to a message box. A box
    // for a note would stop the start-up for something that needs no
    // answer.
    for (const StartupMessage& message : startup.messages) {
        platform::LogMessage(message.text);
        if (message.kind == StartupMessage::Kind::Error) {
            ShowError(message.text);
        }
    }
    if (startup.started) {
        SetUpNotifications();
    }
    return startup.started;
}

}  // namespace tickwell::win32
