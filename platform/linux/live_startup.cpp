#include "platform/linux/live_startup.h"

#include <cstdio>
#include <string>
#include <utility>

#include "app/station_choice.h"
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

// True when the settings file holds a station the user chose before (with
// --station or the Location dialog); until then the window tells how.
bool StationWasChosen() {
    platform::SettingsFile file(platform::DefaultSettingsPath());
    std::string stored;
    return file.OpenForReading() && file.ReadText(live::kStationSettingName, &stored) &&
           live::NormalizeStationId(stored).has_value();
}

// The Location dialog's choices reach the live source, which is never
// destroyed, and the settings file through this handler.
void InstallStationHandler(live::LiveSource& source) {
    StationHandler handler;
    handler.station = source.StationId();
    handler.save = SaveStation;
    handler.use = [&source](const std::string& id) { source.UseStation(id); };
    SetStationHandler(std::move(handler));
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
    } else if (!StationWasChosen()) {
        source->SetLocationHint(true);
    }
    InstallStationHandler(*source);
    return true;
}

}  // namespace tickwell::linux_cli
