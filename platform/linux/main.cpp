// The Linux program: the ticker with live weather from the weather service
// (or, built with TICKWELL_SOURCE=classic, against the configured legacy
// weather server).
#include <cstdio>

#include "app/startup.h"
#include "platform/linux/command_line.h"
#include "platform/linux/gui/desktop.h"
#include "platform/linux/live_startup.h"
#include "platform/settings_store.h"

#ifndef TICKWELL_VERSION
#define TICKWELL_VERSION "1.0"
#endif

int main(int argc, char** argv) {
    using namespace tickwell::linux_cli;
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    switch (commandLine.action) {
        case CommandAction::Help: std::fputs(UsageText("tickwell").c_str(), stdout); return 0;
        case CommandAction::Version: std::puts("tickwell " TICKWELL_VERSION); return 0;
        case CommandAction::Error:
            std::fprintf(stderr, "tickwell: %s\n%s", commandLine.error.c_str(),
                         UsageText("tickwell").c_str());
            return kUsageExitCode;
        case CommandAction::Run: break;
    }
#if TICKWELL_LIVE_SOURCE
    if (!StartLiveWeather(commandLine.station)) {
        return 1;
    }
#else
    if (commandLine.station) {
        std::fprintf(stderr,
                     "tickwell: this build reads the classic weather server; "
                     "--station has no effect\n");
    }
#endif
    tickwell::linux_gui::FltkDesktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
