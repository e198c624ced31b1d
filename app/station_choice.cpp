#include "app/station_choice.h"

#include <optional>
#include <utility>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "fetch/fetch_job.h"

namespace tickwell {

namespace {

StationHandler handler;
// The station the source was last switched to, and its place.
std::string currentStation;
std::optional<live::Place> currentPlace;

// A choice made while a fetch job ran: the station to switch to once the
// job has ended, and whether the window was cleared for it (a different
// station) or the choice only asks for a refresh (the same one).
struct PendingSwitch {
    std::string id;
    std::optional<live::Place> place;
    bool clears = false;
};
std::optional<PendingSwitch> pending;

// Switches the source and fetches; only while no job runs.
void SwitchNow(WindowServices& window, const std::string& id,
               const std::optional<live::Place>& place, bool clears) {
    handler.use(id);
    if (handler.usePlace) {
        handler.usePlace(place);
    }
    currentStation = id;
    currentPlace = place;
    if (clears) {
        ClearShownWeather();
    }
    StartFetch();
    // The regular refresh counts its interval from this fetch.
    tickCount = 0;
    window.Invalidate(nullptr, false);
}

}  // namespace

void SetStationHandler(StationHandler installed) {
    const bool complete = installed.save && installed.use;
    handler = complete ? std::move(installed) : StationHandler{};
    currentStation = handler.station;
    currentPlace = handler.place;
    pending.reset();
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
    const bool waiting = pending && pending->clears;
    const std::string shown = waiting ? pending->id : currentStation;
    const std::optional<live::Place> shownPlace = waiting ? pending->place : currentPlace;
    const bool clears = id != shown || place != shownPlace || waiting;
    if (clears) {
        ClearShownWeather();
        window.Invalidate(nullptr, false);
    }
    if (FetchIsRunning()) {
        pending = PendingSwitch{id, place, clears};
        return;
    }
    pending.reset();
    SwitchNow(window, id, place, clears);
}

void FinishStationSwitch(WindowServices& window) {
    if (!pending) {
        return;
    }
    if (FetchIsRunning()) {
        HideStaleWeather();
        return;
    }
    const PendingSwitch chosen = std::move(*pending);
    pending.reset();
    SwitchNow(window, chosen.id, chosen.place, chosen.clears);
}

void HideStaleWeather() {
    if (pending && pending->clears) {
        ClearShownWeather();
    }
}

bool StationSwitchPending() {
    return pending.has_value();
}

void ResetStationChoice() {
    handler = StationHandler{};
    currentStation.clear();
    currentPlace.reset();
    pending.reset();
}

}  // namespace tickwell
