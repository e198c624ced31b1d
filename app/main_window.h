// The main window's logic: creation, the 250 ms heartbeat, painting,
// commands and destruction. The back end calls these for its events.
#pragma once

#include <cstdint>

#include "platform/canvas.h"
#include "platform/geometry.h"
#include "platform/settings_store.h"
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
// The id the running timer was started with, kept to stop it.
extern std::uintptr_t timerId;
// The lamp's two colours; created with the window and deleted with it.
extern Brush* lampBusyBrush;
extern Brush* lampIdleBrush;

// The handlers of the main window. `graphics` makes the lamp's brushes and
// provides the null pen; `store` is where the Preferences dialog saves.
class MainWindowLogic : public WindowHandlers {
public:
    MainWindowLogic(Graphics& graphics, SettingsStore& store);

    void OnCreate(WindowServices& window) override;
    void OnDestroy(WindowServices& window) override;
    // Saves the settings, the window's position included, as closing does.
    void OnEndSession(WindowServices& window) override;
    void OnPaint(Canvas& canvas) override;
    void OnTimer(WindowServices& window) override;
    void OnRightClick(WindowServices& window, int screenX, int screenY) override;
    void OnCommand(WindowServices& window, int commandId, int notification) override;

private:
    void DrawLamp(Canvas& canvas);

    Graphics& graphics_;
    SettingsStore& store_;
};

}  // namespace tickwell
