#include "live/stored_units.h"

#include <optional>
#include <string>

namespace tickwell::live {

namespace {

// Sets `*choice` from the stored text `name` when it is one `parse` knows.
template <typename Choice>
void ReadChoice(SettingsStore& store, const char* name,
                std::optional<Choice> (*parse)(std::string_view), Choice* choice) {
    std::string text;
    if (!store.ReadText(name, &text)) {
        return;
    }
    if (const std::optional<Choice> parsed = parse(text)) {
        *choice = *parsed;
    }
}

}  // namespace

Units LoadUnits(SettingsStore& store, const Units& defaults) {
    Units units = defaults;
    if (!store.OpenForReading()) {
        return units;
    }
    ReadChoice(store, kTemperatureUnitSettingName, ParseTemperatureUnit, &units.temperature);
    ReadChoice(store, kPressureUnitSettingName, ParsePressureUnit, &units.pressure);
    ReadChoice(store, kWindUnitSettingName, ParseWindUnit, &units.wind);
    ReadChoice(store, kClockSettingName, ParseClockStyle, &units.clock);
    store.Close();
    return units;
}

void SaveUnits(SettingsStore& store, const Units& units) {
    if (!store.OpenForWriting()) {
        return;
    }
    store.WriteText(kTemperatureUnitSettingName, SettingText(units.temperature));
    store.WriteText(kPressureUnitSettingName, SettingText(units.pressure));
    store.WriteText(kWindUnitSettingName, SettingText(units.wind));
    store.WriteText(kClockSettingName, SettingText(units.clock));
    store.Close();
}

}  // namespace tickwell::live
