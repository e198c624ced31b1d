#include "app/unit_choice.h"

#include <utility>

#include "app/source_switch.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"

namespace tickwell {

namespace {

UnitsHandler handler;
// What the user chose last; the source has it unless a change waits.
live::Units chosen;

void ShowReadoutsIn(const live::Units& units) {
    ReadoutStyle style;
    style.hectopascals = units.pressure == live::PressureUnit::Hectopascals;
    style.twentyFourHourClock = units.clock == live::ClockStyle::TwentyFourHour;
    SetReadoutStyle(style);
}

void UseUnits(const live::Units& units) {
    handler.use(units);
}

// Units chosen while a fetch job ran wait in here.
SourceSwitch<live::Units> unitsSwitch(UseUnits);

}  // namespace

void SetUnitsHandler(UnitsHandler installed) {
    const bool complete = installed.save && installed.use;
    handler = complete ? std::move(installed) : UnitsHandler{};
    chosen = handler.units;
    unitsSwitch.Reset();
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
    unitsSwitch.Request(window, units, true);
}

void FinishUnitsSwitch(WindowServices& window) {
    unitsSwitch.Finish(window);
}

void HideWeatherInOldUnits() {
    unitsSwitch.HideStale();
}

bool UnitsSwitchPending() {
    return unitsSwitch.Waiting().has_value();
}

void ResetUnitsChoice() {
    handler = UnitsHandler{};
    chosen = live::Units{};
    unitsSwitch.Reset();
    ShowReadoutsIn(chosen);
}

}  // namespace tickwell
