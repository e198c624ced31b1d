#include "platform/linux/live_startup.h"

#include <cstdio>

#include "fetch/internet_connection.h"
#include "live/live_internet.h"
#include "live/live_setup.h"
#include "live/station.h"
#include "platform/linux/system/settings_file.h"
#include "platform/settings_store.h"

namespace tickwell::linux_cli {

namespace {

void SaveStation(const std::string& id) {
    platform::SettingsFile file(platform::DefaultSettingsPath());
    if (!file.OpenForWriting()) {
        std::fprintf(stderr, "tickwell: cannot save the station in %s\n", file.path().c_str());
        return;
    }
    file.WriteText(live::kStationSettingName, id);
    file.Close();
}

// Asks the weather service about `requested`; saves and shows it unless the
// service says it has no such station.
void ChooseStation(live::LiveSource& source, const std::string& requested) {
    const std::string current = source.StationId();
    switch (source.CheckStation(requested)) {
        case live::StationCheck::Known: break;
        case live::StationCheck::Unknown:
            std::fprintf(stderr,
                         "tickwell: the weather service knows no station %s; "
                         "keeping station %s\n",
                         requested.c_str(), current.c_str());
            return;
        case live::StationCheck::Unreachable:
            std::fprintf(stderr,
                         "tickwell: could not reach the weather service to check station %s; "
                         "using it anyway\n",
                         requested.c_str());
            break;
    }
    SaveStation(requested);
    source.UseStation(requested);
}

}  // namespace

bool StartLiveWeather(const std::optional<std::string>& requestedStation) {
    const live::LiveEnvironment environment = live::ReadLiveEnvironment();
    const std::optional<live::HostPort> address = live::BaseHostPort(environment.apiBase);
    if (!address) {
        std::fprintf(stderr, "tickwell: TICKWELL_API_BASE is not an http(s) address: %s\n",
                     environment.apiBase.c_str());
        return false;
    }
    live::LiveSource* source =
        live::StartLiveSource(environment, live::LoadStationId(SystemSettingsStore()));
    if (source == nullptr) {
        std::fprintf(stderr, "tickwell: cannot set up HTTPS requests\n");
        return false;
    }
    if (requestedStation) {
        ChooseStation(*source, *requestedStation);
    }
    // Both live for the whole run, like the source.
    static live::LiveInternet internet(*source, platform::SystemInternet());
    static std::string host = address->host;
    UseInternet(internet);
    // The start-up check looks at the weather service's address.
    weatherServer = {host.c_str(), address->port};
    return true;
}

}  // namespace tickwell::linux_cli
