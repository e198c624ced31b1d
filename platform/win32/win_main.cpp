// The Windows program: the ticker with live weather from the weather
// service (or, built with TICKWELL_SOURCE=classic, against the configured
// legacy weather server).
#include <windows.h>

#include <cstdlib>
#include <string>

#include "app/refresh_events.h"
#include "app/startup.h"
#include "platform/settings_store.h"
#include "platform/win32/command_line.h"
#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/live_startup.h"
#include "platform/win32/program_log.h"
#include "platform/win32/system/extra_roots.h"
#include "platform/win32/system/login_network_wait.h"
#include "platform/win32/system/network_watch.h"

namespace {

// The program has no console, so help and mistakes go to a message box.
// Returns the exit code.
int ShowCommandLineAnswer(const tickwell::win32::CommandLine& commandLine) {
    using tickwell::win32::CommandAction;
    const std::string usage = tickwell::win32::UsageText();
    if (commandLine.action == CommandAction::Help) {
        ::MessageBoxA(nullptr, usage.c_str(), "Tickwell", MB_OK | MB_ICONINFORMATION);
        return 0;
    }
    const std::string text = commandLine.error + "\n\n" + usage;
    ::MessageBoxA(nullptr, text.c_str(), "Tickwell Error", MB_OK | MB_ICONERROR);
    return tickwell::win32::kUsageExitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tickwell::win32::moduleInstance = instance;
    tickwell::win32::LogToLocalAppData();
    // The C runtime splits the command line by the system's rules.
    tickwell::win32::CommandLine commandLine = tickwell::win32::ParseCommandLine(__argc, __argv);
#if !TICKWELL_LIVE_SOURCE
    // The classic build reads its one weather server and has no station.
    if (commandLine.station) {
        commandLine.action = tickwell::win32::CommandAction::Error;
        commandLine.error = "--station needs the live weather service; this build has none.";
    }
#endif
    if (commandLine.action != tickwell::win32::CommandAction::Run) {
        return ShowCommandLineAnswer(commandLine);
    }
#if TICKWELL_LIVE_SOURCE
    // Certificates a killed run left trusted go first, whatever this run does.
    tickwell::platform::RemoveLeftoverRoots();
    // Started at login (the installer's Run entry): the start-up check gives
    // up only after the connection had two minutes to come up, and a
    // station given as well is checked once the service can be reached.
    if (commandLine.atLogin) tickwell::platform::WaitForNetworkAtLogin();
    if (!tickwell::win32::StartLiveWeather(commandLine.station)) return 1;
    // The network back after a refresh that failed for want of it brings a
    // refresh at once (waking from sleep comes to the window itself).
    const tickwell::platform::NetworkWatch networkWatch(
        [] { tickwell::NoteSystemEvent(tickwell::SystemEvent::NetworkChanged); });
#endif
    tickwell::win32::Win32Desktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
