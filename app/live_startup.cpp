#include "app/live_startup.h"

#include <cstdlib>
#include <utility>

#include "app/alert_notifications.h"
#include "app/refresh_events.h"
#include "app/station_choice.h"
#include "app/unit_choice.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "live/live_internet.h"
#include "live/station.h"
#include "live/stored_units.h"
#include "live/world_source.h"
#include "platform/locale_conventions.h"
#include "settings/settings.h"

namespace tickwell {

namespace {

StartupMessage Error(std::string text) {
    return {StartupMessage::Kind::Error, std::move(text)};
}

StartupMessage Note(std::string text) {
    return {StartupMessage::Kind::Note, std::move(text)};
}

// Why no HTTPS client could be set up: an extra certificate file is the
// likely cause when there is one.
StartupMessage NoClientError(const live::LiveEnvironment& environment) {
    if (environment.extraCaFile.empty()) {
        return Error("could not set up secure connections");
    }
    return Error("could not trust the certificates of TICKWELL_CA_FILE " + environment.extraCaFile);
}

// Asks the service about `requested`. True when the program should take
// it; `messages` gets what the user should hear either way.
bool TakeRequestedStation(live::LiveSource& source, const std::string& requested,
                          std::vector<StartupMessage>* messages) {
    // A station outside the US is the world source's, known from the
    // table; the weather service knows none of them.
    if (live::WorldSource::Serves(requested)) {
        return true;
    }
    switch (source.CheckStation(requested)) {
        case live::StationCheck::Known: return true;
        case live::StationCheck::Unknown:
            messages->push_back(Error("the weather service knows no station " + requested +
                                      "; keeping station " + source.StationId()));
            return false;
        // The service will be asked again with every fetch; the choice is
        // the user's.
        case live::StationCheck::Unreachable:
            messages->push_back(Note("could not reach the weather service to check station " +
                                     requested + "; using it anyway"));
            return true;
    }
    return false;
}

// The Location dialog's choices reach the live source, which is never
// destroyed, and the settings through this handler.
void InstallStationHandler(live::LiveSource& source, const SaveStationFunction& save,
                           const SavePlaceFunction& savePlace,
                           const std::optional<live::Place>& place) {
    StationHandler handler;
    handler.station = source.StationId();
    handler.place = place;
    handler.save = save;
    handler.use = [&source](const std::string& id) { source.UseStation(id); };
    if (savePlace) {
        handler.savePlace = savePlace;
        handler.usePlace = [&source](const std::optional<live::Place>& chosen) {
            source.UsePlace(chosen);
        };
    }
    SetStationHandler(std::move(handler));
}

// Waking from sleep and the network's return reach the source, which is
// never destroyed, through these.
void InstallRefreshHooks(live::LiveSource& source) {
    RefreshHooks hooks;
    hooks.lackedNetwork = [&source] { return source.LastRequestLackedNetwork(); };
    hooks.woke = [&source] { source.ComputerWoke(); };
    hooks.networkBack = [&source] { source.NetworkBack(); };
    SetRefreshHooks(std::move(hooks));
}

}  // namespace

std::string SystemEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

namespace {

// The source of the stations outside the US, once installed: the units
// reach it as they reach the live source. Set and read on the
// user-interface thread only.
live::WorldSource* installedWorld = nullptr;

}  // namespace

live::LiveSource* InstallLiveSource(const live::LiveEnvironment& environment,
                                    const std::string& stationId, platform::Internet& system,
                                    StartupMessage* error) {
    const std::optional<live::HostPort> address = live::BaseHostPort(environment.apiBase);
    if (!address) {
        *error = Error("TICKWELL_API_BASE is not an http or https address: " + environment.apiBase);
        return nullptr;
    }
    live::LiveSource* source = live::StartLiveSource(environment, stationId);
    if (source == nullptr) {
        *error = NoClientError(environment);
        return nullptr;
    }
    source->SetAlertMessagesHandler(HandOverAlertMessages);
    // The stations outside the US have a source of their own; without it
    // (no client) they get the weather service's answers, which say it
    // knows no such station.
    live::WorldSource* world = live::StartWorldSource(environment, live::Units{});
    installedWorld = world;
    // The source's face to the HTTP library lives for the whole run, like
    // the source; so does the host name the start-up check reads.
    UseInternet(*new live::LiveInternet(*source, system, world));
    HandIntervalToSource(*source);
    static std::string host;
    host = address->host;
    weatherServer = {host.c_str(), address->port};
    return source;
}

void HandIntervalToSource(live::LiveSource& source) {
    // The interval is the user's to change in Preferences while a job runs,
    // so the job never reads the setting: its source gets the value as it
    // stands when the job starts.
    SetJobStartHandler(
        [&source] { source.SetRefreshSeconds(settings.intervalTicks / (kTicksPerMinute / 60)); });
}

bool StationWasChosen(SettingsStore& store) {
    std::string stored;
    const bool read = store.OpenForReading() && store.ReadText(live::kStationSettingName, &stored);
    store.Close();
    return read && live::NormalizeStationId(stored).has_value();
}

std::vector<StartupMessage> SetUpStation(live::LiveSource& source,
                                         const std::optional<std::string>& requested,
                                         bool stationWasChosen, const SaveStationFunction& save,
                                         const SavePlaceFunction& savePlace,
                                         const std::optional<live::Place>& place) {
    std::vector<StartupMessage> messages;
    const bool taken = requested && TakeRequestedStation(source, *requested, &messages);
    std::optional<live::Place> shownPlace = place;
    if (taken) {
        save(*requested);
        // A station given by itself is its own place.
        if (savePlace) {
            savePlace(std::nullopt);
        }
        shownPlace.reset();
        source.UsePlace(std::nullopt);
        source.UseStation(*requested);
    } else if (!stationWasChosen) {
        // Until a station was chosen the window tells how to choose one.
        source.SetLocationHint(true);
    }
    InstallStationHandler(source, save, savePlace, shownPlace);
    InstallRefreshHooks(source);
    return messages;
}

void SetUpUnits(live::LiveSource& source, SettingsStore& store, const live::Units& localeUnits) {
    const live::Units units = live::LoadUnits(store, localeUnits);
    source.SetUnits(units);
    if (installedWorld != nullptr) {
        installedWorld->SetUnits(units);
    }
    UnitsHandler handler;
    handler.units = units;
    handler.save = [&store](const live::Units& chosen) { live::SaveUnits(store, chosen); };
    handler.use = [&source](const live::Units& chosen) {
        source.SetUnits(chosen);
        if (installedWorld != nullptr) {
            installedWorld->SetUnits(chosen);
        }
    };
    SetUnitsHandler(std::move(handler));
}

LiveStartup StartLiveWeather(const live::LiveEnvironment& environment, SettingsStore& store,
                             const std::optional<std::string>& requested,
                             const SaveStationFunction& save, platform::Internet& system,
                             const SavePlaceFunction& savePlace) {
    LiveStartup startup;
    StartupMessage error;
    live::LiveSource* source =
        InstallLiveSource(environment, live::LoadStationId(store), system, &error);
    if (source == nullptr) {
        startup.messages.push_back(std::move(error));
        return startup;
    }
    const std::optional<live::Place> place = live::LoadPlace(store);
    source->UsePlace(place);
    startup.messages =
        SetUpStation(*source, requested, StationWasChosen(store), save, savePlace, place);
    const platform::LocaleConventions locale = platform::UserLocaleConventions();
    SetUpUnits(*source, store, live::LocaleUnits(locale.metric, locale.twentyFourHour));
    startup.started = true;
    return startup;
}

}  // namespace tickwell
