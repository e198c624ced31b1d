// The demo: the Windows program against the bundled sample pages, served on
// a free port of this machine's loopback interface by a small server built
// into the program, so it runs without a network and without any set-up.
// Settings are kept as for the real program.
#include <windows.h>

#include <cstdint>
#include <string>

#include "app/startup.h"
#include "fetch/fetch_job.h"
#include "fetch/internet_connection.h"
#include "platform/settings_store.h"
#include "platform/win32/demo/loopback_server.h"
#include "platform/win32/gui/desktop.h"
#include "platform/win32/gui/module_instance.h"
#include "platform/win32/program_log.h"
#include "weather_server.h"

namespace {

std::string ServeSamplePage(const std::string& head) {
    using tickwell::tools::Page;
    using tickwell::tools::SamplePage;
    const std::string target = tickwell::win32::RequestTarget(head);
    if (target == tickwell::forecastPath) {
        return tickwell::win32::Answer(200, "OK", SamplePage(Page::Forecast));
    }
    if (target == tickwell::roundupPath) {
        return tickwell::win32::Answer(200, "OK", SamplePage(Page::Roundup));
    }
    return tickwell::win32::Answer(404, "Not Found", "<html>Not found</html>");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    tickwell::win32::moduleInstance = instance;
    tickwell::win32::LogToLocalAppData();
    // The server lives until the process ends: the last fetch may still be
    // talking to it while the program shuts down.
    auto* server = new tickwell::win32::LoopbackServer(ServeSamplePage);
    if (!server->Start()) {
        ::MessageBoxA(nullptr, "Could not start the demo's weather server on 127.0.0.1.",
                      "Tickwell Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    tickwell::weatherServer = {"127.0.0.1", server->port()};
    tickwell::win32::Win32Desktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
