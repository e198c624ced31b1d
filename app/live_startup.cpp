#include "app/live_startup.h"

#include <cstdlib>
#include <utility>

#include "app/station_choice.h"
#include "fetch/internet_connection.h"
#include "live/live_internet.h"
#include "live/station.h"

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
void InstallStationHandler(live::LiveSource& source, const SaveStationFunction& save) {
    StationHandler handler;
    handler.station = source.StationId();
    handler.save = save;
    handler.use = [&source](const std::string& id) { source.UseStation(id); };
    SetStationHandler(std::move(handler));
}

}  // namespace

std::string SystemEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

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
    // The stations outside the US have a source of their own; without it
    // (no client) they get the weather service's answers, which say it
    // knows no such station.
    live::WorldSource* world = live::StartWorldSource(environment, live::Units{});
    // The source's face to the HTTP library lives for the whole run, like
    // the source; so does the host name the start-up check reads.
    UseInternet(*new live::LiveInternet(*source, system, world));
    static std::string host;
    host = address->host;
    weatherServer = {host.c_str(), address->port};
    return source;
}

bool StationWasChosen(SettingsStore& store) {
    std::string stored;
    const bool read = store.OpenForReading() && store.ReadText(live::kStationSettingName, &stored);
    store.Close();
    return read && live::NormalizeStationId(stored).has_value();
}

std::vector<StartupMessage> SetUpStation(live::LiveSource& source,
                                         const std::optional<std::string>& requested,
                                         bool stationWasChosen, const SaveStationFunction& save) {
    std::vector<StartupMessage> messages;
    const bool taken = requested && TakeRequestedStation(source, *requested, &messages);
    if (taken) {
        save(*requested);
        source.UseStation(*requested);
    } else if (!stationWasChosen) {
        // Until a station was chosen the window tells how to choose one.
        source.SetLocationHint(true);
    }
    InstallStationHandler(source, save);
    return messages;
}

LiveStartup StartLiveWeather(const live::LiveEnvironment& environment, SettingsStore& store,
                             const std::optional<std::string>& requested,
                             const SaveStationFunction& save, platform::Internet& system) {
    LiveStartup startup;
    StartupMessage error;
    live::LiveSource* source =
        InstallLiveSource(environment, live::LoadStationId(store), system, &error);
    if (source == nullptr) {
        startup.messages.push_back(std::move(error));
        return startup;
    }
    startup.messages = SetUpStation(*source, requested, StationWasChosen(store), save);
    startup.started = true;
    return startup;
}

}  // namespace tickwell
