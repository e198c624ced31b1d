// The Units dialog's logic (live builds): four drop-down lists, for the
// temperature, the pressure, the wind and the clock, and OK and Cancel.
#pragma once

#include <string>
#include <vector>

#include "live/units.h"
#include "platform/window.h"

namespace tickwell {

constexpr int kUnitsOk = 1;
constexpr int kUnitsCancel = 2;

// Each list's items in the order of its enum's values.
const std::vector<std::string>& TemperatureChoices();
const std::vector<std::string>& PressureChoices();
const std::vector<std::string>& WindChoices();
const std::vector<std::string>& ClockChoices();

class UnitsDialog : public DialogProcedure {
public:
    // The lists start at `current`.
    explicit UnitsDialog(const live::Units& current);

    bool OnInit(DialogControls& controls) override;
    void OnCommand(DialogControls& controls, int controlId, int notification) override;

    // What the lists held at OK (`current` until then).
    const live::Units& chosen() const { return chosen_; }

private:
    live::Units chosen_;
};

}  // namespace tickwell
