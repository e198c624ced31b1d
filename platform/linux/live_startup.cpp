#include "platform/linux/live_startup.h"

#include <cstdio>

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
    live::LiveSource* source = live::InstallLiveSource(live::ReadLiveEnvironment(),
                                                       live::LoadStationId(SystemSettingsStore()),
                                                       platform::SystemInternet());
    if (source == nullptr) {
        return false;
    }
    if (requestedStation) {
        ChooseStation(*source, *requestedStation);
    }
    return true;
}

}  // namespace tickwell::linux_cli
