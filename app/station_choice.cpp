#include "app/station_choice.h"

#include <optional>
#include <utility>

#include "app/source_switch.h"

namespace tickwell {

namespace {

StationHandler handler;
// The station the source was last switched to, and its place.
std::string currentStation;
std::optional<live::Place> currentPlace;

struct StationAndPlace {
    std::string id;
    std::optional<live::Place> place;
};

void UseStation(const StationAndPlace& chosen) {
    handler.use(chosen.id);
    if (handler.usePlace) {
        handler.usePlace(chosen.place);
    }
    currentStation = chosen.id;
    currentPlace = chosen.place;
}

// A choice made while a fetch job ran waits in here; it cleared the window
// for a different station, or only asks for a refresh (the same one).
SourceSwitch<StationAndPlace> stationSwitch(UseStation);

}  // namespace

void SetStationHandler(StationHandler installed) {
    const bool complete = installed.save && installed.use;
    handler = complete ? std::move(installed) : StationHandler{};
    currentStation = handler.station;
    currentPlace = handler.place;
    stationSwitch.Reset();
}

bool StationChoiceOffered() {
    return static_cast<bool>(handler.use);
}

void ChooseStation(WindowServices& window, const std::string& id,
                   const std::optional<live::Place>& place) {
    if (!StationChoiceOffered() || id.empty()) {
        return;
    }
    handler.save(id);
    if (handler.savePlace) {
        handler.savePlace(place);
    }
    // The station whose weather the window shows (or was cleared for).
    const bool waiting = stationSwitch.WaitingClears();
    const std::string shown = waiting ? stationSwitch.Waiting()->id : currentStation;
    const std::optional<live::Place> shownPlace =
        waiting ? stationSwitch.Waiting()->place : currentPlace;
    const bool clears = id != shown || place != shownPlace || waiting;
    if (clears) {
        ClearShownWeather();
        window.Invalidate(nullptr, false);
    }
    stationSwitch.Request(window, StationAndPlace{id, place}, clears);
}

void FinishStationSwitch(WindowServices& window) {
    stationSwitch.Finish(window);
}

void HideStaleWeather() {
    stationSwitch.HideStale();
}

bool StationSwitchPending() {
    return stationSwitch.Waiting().has_value();
}

void ResetStationChoice() {
    handler = StationHandler{};
    currentStation.clear();
    currentPlace.reset();
    stationSwitch.Reset();
}

}  // namespace tickwell
