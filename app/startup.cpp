#include "app/startup.h"

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/internet_connection.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace tickwell {

namespace {

constexpr int kFailureExitCode = 1;

int FailStartup(Desktop& desktop, int messageId) {
    desktop.ShowErrorBox(messageId);
    return kFailureExitCode;
}

void Shutdown(SettingsStore& store) {
    SaveSettings(store);
    CloseConnection();
    DestroyReadouts();
    ReleaseWeatherBuffers();
    ReleaseTickerResources(DeleteLabelFont);
}

}  // namespace

void ClampWindowPosition(Point screen) {
    if (settings.windowX < 0) {
        settings.windowX = 0;
    }
    if (settings.windowY < 0) {
        settings.windowY = 0;
    }
    if (settings.windowX > screen.x - kWindowWidth) {
        settings.windowX = screen.x - kWindowWidth;
    }
    if (settings.windowY > screen.y - kWindowHeight) {
        settings.windowY = screen.y - kWindowHeight;
    }
}

int RunTickwell(Desktop& desktop, SettingsStore& store) {
    Graphics& graphics = desktop.GetGraphics();
    LoadSettings(store);
    AllocateWeatherBuffers();
    CreateTickerResources(graphics, CreateLabelFont);
    desktop.InitCommonControls();

    if (!CheckInternet()) {
        return FailStartup(desktop, IDS_ERROR_INTERNET);
    }
    if (!desktop.RegisterWindowClass()) {
        return FailStartup(desktop, IDS_ERROR_REGISTER_CLASS);
    }
    if (!OpenSession()) {
        return FailStartup(desktop, IDS_ERROR_INTERNET);
    }
    if (!OpenConnection()) {
        desktop.ShowErrorBox(IDS_ERROR_SERVER);
        CloseSession();
        return kFailureExitCode;
    }

    ClampWindowPosition(desktop.ScreenSize());
    // The handlers outlive the window: it is destroyed inside the loop.
    MainWindowLogic handlers(graphics, store);
    if (desktop.CreateMainWindow(settings.windowX, settings.windowY, kWindowWidth, kWindowHeight,
                                 handlers) == nullptr) {
        return FailStartup(desktop, IDS_ERROR_CREATE_WINDOW);
    }
    desktop.ShowMainWindow();
    CreateReadouts(graphics);
    desktop.RunMessageLoop();

    Shutdown(store);
    return 0;
}

}  // namespace tickwell
