// The demo: the Windows program against a stand-in weather server on this
// machine's loopback interface (the Linux tickwell-weather-server, which
// Wine programs reach as they would a local Windows server). The port is
// the command line's first word, 18080 when there is none.
#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "app/startup.h"
#include "fetch/internet_connection.h"
#include "platform/settings_store.h"
#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"

namespace {

constexpr std::uint16_t kDefaultDemoPort = 18080;

std::uint16_t DemoPort(const char* commandLine) {
    char* end = nullptr;
    const unsigned long port = std::strtoul(commandLine, &end, 10);
    if (end == commandLine || port == 0 || port > 65535) return kDefaultDemoPort;
    return static_cast<std::uint16_t>(port);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    tickwell::weatherServer = {"127.0.0.1", DemoPort(commandLine)};
    tickwell::win32::moduleInstance = instance;
    tickwell::win32::Win32Desktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
