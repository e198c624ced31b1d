// How a station chosen in the window reaches the program. The live start-up
// installs a handler that saves the choice and switches the live source;
// the classic build installs none, and then the window offers no Location
// item.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "live/place.h"
#include "platform/window.h"

namespace tickwell {

struct StationHandler {
    // The station the live source shows when the handler is installed
    // ("KDEN"). Later changes all come through ChooseStation, which keeps
    // track of them without asking the source.
    std::string station;
    // The place it shows the forecast of then (nothing: the station's own).
    std::optional<live::Place> place;
    // Saves `id` as the station setting; every other stored value stays.
    std::function<void(const std::string& id)> save;
    // Makes the live source show station `id` from now on. Called on the
    // user-interface thread only while no fetch job runs, since the source
    // serialises its calls and a job may hold it for a whole request.
    std::function<void(const std::string& id)> use;
    // Optional: saves the place chosen with the station (nothing: none,
    // the station's own), and gives the live source its forecast. Called
    // right after save and use.
    std::function<void(const std::optional<live::Place>& place)> savePlace;
    std::function<void(const std::optional<live::Place>& place)> usePlace;
};

// Installs the handler (the live start-up does, before the window opens).
// A handler with any part missing removes it.
void SetStationHandler(StationHandler handler);
// True when a handler is installed: the menu then offers Location....
bool StationChoiceOffered();

// Takes `id` as the station: saves it at once, and unless it is the
// station shown already, clears the readings and both texts so that no
// reading or forecast of the old station passes for the new one's. The
// source switches and a fetch starts at once when no job runs; otherwise
// on the first tick after the running job has ended (see
// FinishStationSwitch). Does nothing without a handler.
// `place`: the town the station was chosen for, whose forecast is shown.
void ChooseStation(WindowServices& window, const std::string& id,
                   const std::optional<live::Place>& place = std::nullopt);

// The heartbeat's part of a switch that waits for a running job: keeps the
// window clear of that job's results while it runs, and once it has ended
// switches the source and starts the fetch for the chosen station.
void FinishStationSwitch(WindowServices& window);
// The paint's part: while a switch waits, whatever the old station's job
// has stored since the last tick is cleared before it can be drawn.
void HideStaleWeather();

// Whether a switch is waiting for a running job; for tests.
bool StationSwitchPending();
// Forgets the handler and any waiting switch; for tests.
void ResetStationChoice();

}  // namespace tickwell
