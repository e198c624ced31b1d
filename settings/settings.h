// The five user settings, kept across runs in the settings store, and the
// window scale, which is read with them but only ever written by the user.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/settings_store.h"

namespace tickwell {

// Ticks of 250 ms in one minute, and the default interval of 15 minutes.
constexpr std::int32_t kTicksPerMinute = 240;
constexpr std::int32_t kDefaultIntervalTicks = 3600;

struct Settings {
    std::int32_t intervalTicks = kDefaultIntervalTicks;  // "Interval"
    bool showOutlook = false;                            // "Outlook"
    bool fastScroll = false;                             // "Fast"
    std::int32_t windowX = 0;                            // "WinX"
    std::int32_t windowY = 0;                            // "WinY"
    // "Scale" as stored, whatever its value; the Linux desktop decides
    // whether it is a scale it can draw at. Nothing when it is missing or
    // malformed.
    std::optional<std::uint32_t> storedScale;
};

extern Settings settings;

// Sets the defaults, then overwrites them with whatever the store holds,
// opening it once.
void LoadSettings(SettingsStore& store);
// Writes the five settings (never the scale), in the order Interval, Outlook, WinX, WinY, Fast.
void SaveSettings(SettingsStore& store);

}  // namespace tickwell
