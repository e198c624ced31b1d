#include "platform/win32/live_startup.h"

#include <windows.h>

#include <optional>
#include <string>

#include "fetch/internet_connection.h"
#include "live/live_internet.h"
#include "live/live_setup.h"
#include "live/station.h"
#include "platform/settings_store.h"

namespace tickwell::win32 {

namespace {

void ShowError(const std::string& text) {
    ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
}

}  // namespace

bool StartLiveWeather() {
    const live::LiveEnvironment environment = live::ReadLiveEnvironment();
    const std::optional<live::HostPort> address = live::BaseHostPort(environment.apiBase);
    if (!address) {
        ShowError("TICKWELL_API_BASE is not an http or https address:\n" + environment.apiBase);
        return false;
    }
    live::LiveSource* source =
        live::StartLiveSource(environment, live::LoadStationId(SystemSettingsStore()));
    if (source == nullptr) {
        ShowError(environment.extraCaFile.empty()
                      ? std::string("Could not set up secure connections.")
                      : "Could not trust the certificates of TICKWELL_CA_FILE:\n" +
                            environment.extraCaFile);
        return false;
    }
    // Both live for the whole run, like the source.
    static live::LiveInternet internet(*source, platform::SystemInternet());
    static std::string host = address->host;
    UseInternet(internet);
    // The start-up check looks at the weather service's address.
    weatherServer = {host.c_str(), address->port};
    return true;
}

}  // namespace tickwell::win32
