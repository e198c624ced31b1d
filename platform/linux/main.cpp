// The Linux program: the ticker with live weather from the weather service
// (or, built with TICKWELL_SOURCE=classic, against the configured legacy
// weather server).
#include <cstdio>
#include <string>

#include "app/refresh_events.h"
#include "app/startup.h"
#include "platform/linux/command_line.h"
#include "platform/linux/gui/close_on_signal.h"
#include "platform/linux/gui/desktop.h"
#include "platform/linux/live_startup.h"
#include "platform/linux/standard_error_log.h"
#include "platform/linux/system/autostart.h"
#include "platform/linux/system/login_network_wait.h"
#include "platform/linux/system/route_watch.h"
#include "platform/linux/system/sleep_watch.h"
#include "platform/settings_store.h"

#ifndef TICKWELL_VERSION
#define TICKWELL_VERSION "1.0"
#endif

namespace {

// `tickwell --autostart on|off`: adds or removes the entry that starts the
// program at login, then exits without opening a window.
int SetAutostartOption(bool enable) {
    const std::string entry = tickwell::platform::AutostartEntryPath();
    std::string error;
    if (!tickwell::platform::SetAutostart(enable, entry, tickwell::platform::RunningProgramPath(),
                                          &error)) {
        std::fprintf(stderr, "tickwell: %s\n", error.c_str());
        return 1;
    }
    if (enable && TICKWELL_LIVE_SOURCE) {
        std::printf(
            "tickwell: starts at login (%s) with %s: it waits up to 2 minutes for the "
            "network when that is not up yet\n",
            entry.c_str(), tickwell::platform::kAtLoginOption);
    } else if (enable) {
        std::printf("tickwell: starts at login (%s)\n", entry.c_str());
    } else {
        std::printf("tickwell: no longer starts at login\n");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tickwell::linux_cli;
    LogToStandardError();
    const CommandLine commandLine = ParseCommandLine(argc, argv);
    switch (commandLine.action) {
        case CommandAction::Help: std::fputs(UsageText("tickwell").c_str(), stdout); return 0;
        case CommandAction::Version: std::puts("tickwell " TICKWELL_VERSION); return 0;
        case CommandAction::Error:
            std::fprintf(stderr, "tickwell: %s\n%s", commandLine.error.c_str(),
                         UsageText("tickwell").c_str());
            return kUsageExitCode;
        case CommandAction::Autostart: return SetAutostartOption(commandLine.autostartOn);
        case CommandAction::Find: return PrintStationMatches(commandLine.find, stdout, stderr);
        case CommandAction::Run: break;
    }
    // From here on a stop signal ends the program with exit status 0: at
    // once while the window is not up yet, through the window's close (the
    // settings saved) once it is.
    tickwell::linux_gui::CatchStopSignals();
#if TICKWELL_LIVE_SOURCE
    // Started by the session at login: the start-up check below gives up
    // only after the network had two minutes to come up, and a station
    // given as well is checked with the service once it can be reached.
    // Asked to end meanwhile, the program ends as its close does, without
    // a window.
    if (commandLine.atLogin && tickwell::platform::WaitForNetworkAtLogin() ==
                                   tickwell::platform::NetworkWaitResult::Stopped) {
        return 0;
    }
    if (!StartLiveWeather(commandLine.station)) {
        return 1;
    }
    // Waking from sleep, and the network back after a refresh that failed
    // for want of it, bring a refresh at once. The watches end with main.
    const tickwell::platform::SleepWatch sleepWatch(
        [] { tickwell::NoteSystemEvent(tickwell::SystemEvent::Woke); });
    const tickwell::platform::RouteWatch routeWatch(
        [] { tickwell::NoteSystemEvent(tickwell::SystemEvent::NetworkChanged); });
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
