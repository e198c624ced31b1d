// The live weather source's start-up, the same in both programs: the
// options from the environment, the live source in place of the HTTP
// library, the station (the saved one, or --station once the weather
// service has been asked about it) and the handler of the Location
// dialog's choices.
//
// Nothing here prints: what the user should hear comes back as messages,
// which each program shows its own way (standard error on Linux, a message
// box on Windows).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "live/live_setup.h"
#include "live/live_source.h"
#include "platform/http.h"
#include "platform/settings_store.h"

namespace tickwell {

// The process's environment variable `name`, or empty when it is not set.
std::string SystemEnvironment(const char* name);

struct StartupMessage {
    // An error means a request of the user was refused or the program
    // cannot run; a note only tells what the program did.
    enum class Kind { Error, Note };
    Kind kind = Kind::Error;
    // A clause in lower case without a final stop ("the weather service
    // knows no station KXYZ; keeping station KDEN"). Values from outside
    // the program are in it as given: a terminal needs them escaped
    // (EscapedForTerminal), a message box shows a Windows path as it is.
    std::string text;
};

// Saves the station setting, the platform's way, and tells the user itself
// when that fails: it saves the Location dialog's choices later in the run
// too, when no start-up is there to pass a message on.
using SaveStationFunction = std::function<void(const std::string& id)>;
// Saves the place chosen with the station (nothing: none), the same way.
using SavePlaceFunction = std::function<void(const std::optional<live::Place>& place)>;

// Starts the live source of this run for station `stationId` and puts it
// in place of the HTTP library (UseInternet, with `system` answering the
// start-up check), with the start-up check pointed at the API's host.
// Null, with the reason in `error`, when the API base is not an http(s)
// address or no HTTPS client can be set up. The source is never destroyed.
live::LiveSource* InstallLiveSource(const live::LiveEnvironment& environment,
                                    const std::string& stationId, platform::Internet& system,
                                    StartupMessage* error);

// Hands the refresh interval (the setting as it stands) to `source` on the
// user-interface thread before each fetch job starts; InstallLiveSource
// does it for the run's source.
void HandIntervalToSource(live::LiveSource& source);

// True when `store` holds a valid station id: the user chose a station
// before (with --station or the Location dialog).
bool StationWasChosen(SettingsStore& store);

// The station part of the start-up. With a `requested` station (from
// --station), asks the service about it: a station the service does not
// know is refused with an error and the current one stays; one it could
// not be asked about is taken with a note. A taken station is saved and
// shown, without the place saved with the old one. When none was taken
// and none was ever chosen, the window tells how to choose one. Then
// installs the handler through which the Location dialog's choices (the
// station, and a town's place when `savePlace` is given) are saved and
// reach the source; `place` is the place the source shows now.
std::vector<StartupMessage> SetUpStation(live::LiveSource& source,
                                         const std::optional<std::string>& requested,
                                         bool stationWasChosen, const SaveStationFunction& save,
                                         const SavePlaceFunction& savePlace = {},
                                         const std::optional<live::Place>& place = std::nullopt);

// The units part of the start-up: the units `store` holds, each one it
// lacks (or holds a value of the program does not know) from
// `localeUnits`, handed to `source` and the readouts; then installs the
// handler through which the Units dialog's choices are saved in `store`
// and reach the source.
void SetUpUnits(live::LiveSource& source, SettingsStore& store, const live::Units& localeUnits);

// The whole start-up: InstallLiveSource for the station `store` holds, at
// the place saved with it, then SetUpStation and SetUpUnits with the user's locale's defaults.
// False when the program cannot run; the messages say why, and what else
// the user should know, in order.
struct LiveStartup {
    bool started = false;
    std::vector<StartupMessage> messages;
};
LiveStartup StartLiveWeather(const live::LiveEnvironment& environment, SettingsStore& store,
                             const std::optional<std::string>& requested,
                             const SaveStationFunction& save, platform::Internet& system,
                             const SavePlaceFunction& savePlace = {});

}  // namespace tickwell
