#include "app/units_dialog.h"

#include "resources/resource_ids.h"

namespace tickwell {

namespace {

// A button's click arrives with notification code 0.
constexpr int kClicked = 0;

// `*choice` from list `controlId`, when an item of the enum's `count` is
// selected; otherwise it stays.
template <typename Choice>
void ReadChoice(DialogControls& controls, int controlId, std::size_t count, Choice* choice) {
    const int index = controls.GetChoice(controlId);
    if (index >= 0 && static_cast<std::size_t>(index) < count) {
        *choice = static_cast<Choice>(index);
    }
}

}  // namespace

const std::vector<std::string>& TemperatureChoices() {
    static const std::vector<std::string> items = {"Fahrenheit (F)", "Celsius (C)"};
    return items;
}

const std::vector<std::string>& PressureChoices() {
    static const std::vector<std::string> items = {"Inches of mercury (inHg)",
                                                   "Hectopascals (hPa)"};
    return items;
}

const std::vector<std::string>& WindChoices() {
    static const std::vector<std::string> items = {
        "Miles an hour (mph)", "Kilometres an hour (km/h)", "Knots (kn)", "Metres a second (m/s)"};
    return items;
}

const std::vector<std::string>& ClockChoices() {
    static const std::vector<std::string> items = {"12-hour (3:53 PM)", "24-hour (15:53)"};
    return items;
}

UnitsDialog::UnitsDialog(const live::Units& current) : chosen_(current) {}

bool UnitsDialog::OnInit(DialogControls& controls) {
    controls.SetChoices(IDC_TEMPERATURE_UNIT, TemperatureChoices(),
                        static_cast<int>(chosen_.temperature));
    controls.SetChoices(IDC_PRESSURE_UNIT, PressureChoices(), static_cast<int>(chosen_.pressure));
    controls.SetChoices(IDC_WIND_UNIT, WindChoices(), static_cast<int>(chosen_.wind));
    controls.SetChoices(IDC_CLOCK_STYLE, ClockChoices(), static_cast<int>(chosen_.clock));
    controls.ShowNormal();
    return true;
}

void UnitsDialog::OnCommand(DialogControls& controls, int controlId, int notification) {
    if (notification != kClicked) {
        return;
    }
    if (controlId == kUnitsOk) {
        ReadChoice(controls, IDC_TEMPERATURE_UNIT, TemperatureChoices().size(),
                   &chosen_.temperature);
        ReadChoice(controls, IDC_PRESSURE_UNIT, PressureChoices().size(), &chosen_.pressure);
        ReadChoice(controls, IDC_WIND_UNIT, WindChoices().size(), &chosen_.wind);
        ReadChoice(controls, IDC_CLOCK_STYLE, ClockChoices().size(), &chosen_.clock);
        controls.End(kUnitsOk);
    } else if (controlId == kUnitsCancel) {
        controls.End(kUnitsCancel);
    }
}

}  // namespace tickwell
