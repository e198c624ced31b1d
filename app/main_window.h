// The main window's logic: creation, the 250 ms heartbeat, painting,
// commands and destruction. The back end calls these for its events.
#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "platform/window.h"

namespace tickwell {

constexpr int kWindowWidth = 200;
constexpr int kWindowHeight = 45;
constexpr Rect lampRect{5, 25, 10, 40};
constexpr Rect kCloseButtonBounds{5, 5, 20, 20};
constexpr Color kLampBusyColor = 0x00DC32;
constexpr Color kLampIdleColor = 0x005A14;
constexpr std::uint32_t kTimerPeriodMs = 250;
constexpr std::uintptr_t kTimerId = 1;

// The main window; set at the start of its creation, before the first fetch
// job can use it.
extern WindowServices* mainWindow;
extern std::int32_t tickCount;

}  // namespace tickwell
