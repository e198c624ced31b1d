// How the units chosen in the window reach the program. The live start-up
// installs a handler that saves the choice and hands it to the live source;
// the classic build installs none, and then the window offers no Units
// item and shows the classic picture.
#pragma once

#include <functional>

#include "live/units.h"
#include "platform/window.h"

namespace tickwell {

struct UnitsHandler {
    // The units the live source makes its pages in when the handler is
    // installed.
    live::Units units;
    // Saves `units` as the four unit settings; every other stored value
    // stays.
    std::function<void(const live::Units& units)> save;
    // Makes the live source use `units` from now on. Called on the
    // user-interface thread only while no fetch job runs, since the source
    // serialises its calls and a job may hold it for a whole request.
    std::function<void(const live::Units& units)> use;
};

// Installs the handler (the live start-up does, before the window opens)
// and shows the readouts in its units. A handler with any part missing
// removes it.
void SetUnitsHandler(UnitsHandler handler);
// True when a handler is installed: the menu then offers Units....
bool UnitsChoiceOffered();
// The units the user chose last (the classic picture without a handler).
const live::Units& ChosenUnits();

// Takes `units`: saves them at once and, when they differ from the units
// the window shows, shows the readouts in them, clears the readings and
// both texts (made in the old units) and hands them to the source, at once
// when no job runs, otherwise on the first tick after the running job has
// ended; a fetch follows. Does nothing without a handler.
void ChooseUnits(WindowServices& window, const live::Units& units);
// The heartbeat's part of a change that waits for a running job: keeps the
// window clear of that job's results (in the old units) while it runs, and
// once it has ended hands the units over and starts a fetch.
void FinishUnitsSwitch(WindowServices& window);
// The paint's part: while a change waits, whatever the old units' job has
// stored since the last tick is cleared before it can be drawn.
void HideWeatherInOldUnits();

// Whether a change is waiting for a running job; for tests.
bool UnitsSwitchPending();
// Forgets the handler and any waiting change; for tests.
void ResetUnitsChoice();

}  // namespace tickwell
