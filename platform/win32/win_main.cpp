// The Windows program: the ticker against the configured weather server.
#include <windows.h>

#include "app/startup.h"
#include "platform/settings_store.h"
#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tickwell::win32::moduleInstance = instance;
    tickwell::win32::Win32Desktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
