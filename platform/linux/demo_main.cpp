// The demo: the ticker against the bundled stand-in weather server, started
// on a free port of this machine, so it runs without a network and without
// any set-up. Settings are kept as for the real program.
#include <cstdint>
#include <cstdio>

#include "app/startup.h"
#include "fetch/internet_connection.h"
#include "platform/linux/gui/desktop.h"
#include "platform/linux/standard_error_log.h"
#include "platform/settings_store.h"
#include "tools/weather_server/weather_server.h"

namespace {
constexpr int kServerThreads = 2;
}  // namespace

int main() {
    tickwell::linux_cli::LogToStandardError();
    // The server lives until the process ends: the last fetch may still be
    // talking to it while the program shuts down.
    // Two threads: the program keeps one connection alive, and the second
    // serves a new connection while the old one is still being closed.
    auto* server = new tickwell::tools::WeatherServer();
    if (!server->Start("127.0.0.1", 0, kServerThreads)) {
        std::fprintf(stderr, "tickwell-demo: could not start the stand-in weather server\n");
        return 1;
    }
    tickwell::weatherServer = {"127.0.0.1", static_cast<std::uint16_t>(server->port())};
    std::printf("tickwell-demo: stand-in weather server on 127.0.0.1:%d\n", server->port());
    std::fflush(stdout);

    tickwell::linux_gui::FltkDesktop desktop;
    return tickwell::RunTickwell(desktop, tickwell::SystemSettingsStore());
}
