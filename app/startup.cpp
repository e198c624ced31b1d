#include "app/startup.h"

#include <cstdint>

#include "app/main_window.h"
#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "display/ticker.h"
#include "fetch/internet_connection.h"
#include "platform/threads.h"
#include "resources/resource_ids.h"
#include "settings/settings.h"

namespace tickwell {

namespace {

constexpr int kFailureExitCode = 1;

int FailStartup(Desktop& desktop, int messageId) {
    desktop.ShowErrorBox(messageId);
    return kFailureExitCode;
}

// How long the close waits for the fetch job (and any thread of the
// network library's client) to end once its transfer has been aborted.
constexpr std::uint32_t kThreadEndWaitMs = 500;

// Aborts the transfer in progress and waits, a bounded time, for every
// worker thread to end. A thread still inside the network library would
// otherwise race the exit handlers that tear that library down (its TLS
// library's global locks, above all) and crash at exit. When one does not
// end in time the process ends at once, without those handlers: the
// settings are already saved.
void EndWorkerThreads() {
    CloseConnection();
    platform::SetSleepsCutShort(true);
    if (!platform::WaitForAllThreads(kThreadEndWaitMs)) {
        platform::EndProcessNow(0);
    }
    platform::SetSleepsCutShort(false);
}

void Shutdown(SettingsStore& store) {
    SaveSettings(store);
    EndWorkerThreads();
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
