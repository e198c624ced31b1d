// The Windows program: the ticker with live weather from the weather
// service (or, built with TICKWELL_SOURCE=classic, against the configured
// legacy weather server).
#include <windows.h>

#include "app/startup.h"
#include "platform/settings_store.h"
#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/live_startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tickwell::win32::moduleInstance = instance;
#if TICKWELL_LIVE_SOURCE
    if (!tickwell::win32::StartLiveWeather()) return 1;
#endif
    tickwell::win32::Win32Desktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
