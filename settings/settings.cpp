#include "settings/settings.h"

namespace tickwell {

Settings settings;

namespace {

constexpr const char* kIntervalName = "Interval";
constexpr const char* kOutlookName = "Outlook";
constexpr const char* kFastName = "Fast";
constexpr const char* kWindowXName = "WinX";
constexpr const char* kWindowYName = "WinY";
constexpr const char* kScaleName = "Scale";

// Stored values are 32-bit words; a signed setting takes the word's bits, so
// a negative position written as 0xFFFFFFxx reads back as the same number.
void ReadSigned(SettingsStore& store, const char* name, std::int32_t* setting) {
    std::uint32_t value = 0;
    if (store.Read(name, &value)) {
        *setting = static_cast<std::int32_t>(value);
    }
}

// Any non-zero word sets a flag; zero clears it.
void ReadFlag(SettingsStore& store, const char* name, bool* setting) {
    std::uint32_t value = 0;
    if (store.Read(name, &value)) {
        *setting = value != 0;
    }
}

}  // namespace

void LoadSettings(SettingsStore& store) {
    settings = Settings{};
    if (!store.OpenForReading()) {
        return;
    }
    ReadSigned(store, kIntervalName, &settings.intervalTicks);
    ReadFlag(store, kOutlookName, &settings.showOutlook);
    ReadFlag(store, kFastName, &settings.fastScroll);
    ReadSigned(store, kWindowXName, &settings.windowX);
    ReadSigned(store, kWindowYName, &settings.windowY);
    std::uint32_t scale = 0;
    if (store.Read(kScaleName, &scale)) settings.storedScale = scale;
    store.Close();
}

void SaveSettings(SettingsStore& store) {
    if (!store.OpenForWriting()) {
        return;
    }
    store.Write(kIntervalName, static_cast<std::uint32_t>(settings.intervalTicks));
    store.Write(kOutlookName, settings.showOutlook ? 1u : 0u);
    store.Write(kWindowXName, static_cast<std::uint32_t>(settings.windowX));
    store.Write(kWindowYName, static_cast<std::uint32_t>(settings.windowY));
    store.Write(kFastName, settings.fastScroll ? 1u : 0u);
    store.Close();
}

}  // namespace tickwell
