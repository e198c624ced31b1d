#include "app/unit_choice.h"

#include <optional>
#include <utility>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "fetch/fetch_job.h"

namespace tickwell {

namespace {

UnitsHandler handler;
// What the user chose last; the source has it unless a change is pending.
live::Units chosen;
// Units chosen while a fetch job ran, to hand over once it has ended.
std::optional<live::Units> pending;

void ShowReadoutsIn(const live::Units& units) {
    ReadoutStyle style;
    style.hectopascals = units.pressure == live::PressureUnit::Hectopascals;
    style.twentyFourHourClock = units.clock == live::ClockStyle::TwentyFourHour;
    SetReadoutStyle(style);
}

// Hands the units to the source and fetches; only while no job runs.
void SwitchNow(WindowServices& window, const live::Units& units) {
    handler.use(units);
    StartFetch();
    // The regular refresh counts its interval from this fetch.
    tickCount = 0;
    window.Invalidate(nullptr, false);
}

}  // namespace

void SetUnitsHandler(UnitsHandler installed) {
    const bool complete = installed.save && installed.use;
    handler = complete ? std::move(installed) : UnitsHandler{};
    chosen = handler.units;
    pending.reset();
    ShowReadoutsIn(chosen);
}

bool UnitsChoiceOffered() {
    return static_cast<bool>(handler.use);
}

const live::Units& ChosenUnits() {
    return chosen;
}

void ChooseUnits(WindowServices& window, const live::Units& units) {
    if (!UnitsChoiceOffered()) {
        return;
    }
    handler.save(units);
    if (units == chosen) {
        return;
    }
    chosen = units;
    ShowReadoutsIn(units);
    ClearShownWeather();
    window.Invalidate(nullptr, false);
    if (FetchIsRunning()) {
        pending = units;
        return;
    }
    pending.reset();
    SwitchNow(window, units);
}

void FinishUnitsSwitch(WindowServices& window) {
    if (!pending) {
        return;
    }
    if (FetchIsRunning()) {
        HideWeatherInOldUnits();
        return;
    }
    const live::Units units = *pending;
    pending.reset();
    SwitchNow(window, units);
}

void HideWeatherInOldUnits() {
    if (pending) {
        ClearShownWeather();
    }
}

bool UnitsSwitchPending() {
    return pending.has_value();
}

void ResetUnitsChoice() {
    handler = UnitsHandler{};
    chosen = live::Units{};
    pending.reset();
    ShowReadoutsIn(chosen);
}

}  // namespace tickwell
