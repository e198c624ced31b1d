// The Linux program: the ticker against the configured weather server.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/startup.h"
#include "platform/linux/gui/desktop.h"
#include "platform/linux/system/autostart.h"
#include "platform/settings_store.h"

namespace {

// `tickwell --autostart on|off`: adds or removes the entry that starts the
// program at login, then exits without opening a window.
int RunAutostartOption(const char* value) {
    const bool enable = std::strcmp(value, "on") == 0;
    if (!enable && std::strcmp(value, "off") != 0) {
        std::fprintf(stderr, "tickwell: --autostart takes 'on' or 'off', not '%s'\n", value);
        return 2;
    }
    const std::string entry = tickwell::platform::AutostartEntryPath();
    std::string error;
    if (!tickwell::platform::SetAutostart(enable, entry, tickwell::platform::RunningProgramPath(),
                                          &error)) {
        std::fprintf(stderr, "tickwell: %s\n", error.c_str());
        return 1;
    }
    if (enable) {
        std::printf("tickwell: starts at login (%s)\n", entry.c_str());
    } else {
        std::printf("tickwell: no longer starts at login\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "--autostart") == 0) {
        if (argc != 3) {
            std::fprintf(stderr, "usage: tickwell --autostart on|off\n");
            return 2;
        }
        return RunAutostartOption(argv[2]);
    }
    tickwell::linux_gui::FltkDesktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
