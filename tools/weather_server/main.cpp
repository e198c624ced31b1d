// tickwell-weather-server: serves the two weather pages on loopback until
// SIGTERM or SIGINT, misbehaving as told on the command line or through the
// /control/ endpoints (see tools/README.md).
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fault_names.h"
#include "weather_server.h"

namespace {

const char kUsage[] =
    "usage: tickwell-weather-server [--host ADDR] [--port N] [--pages DIR] [--log FILE]\n"
    "                               [--fault PAGE=KIND[:COUNT[:DELAY_MS[:BYTES]]]]...\n"
    "PAGE: forecast, roundup. KIND: none, notfound, empty, cut, close, slow, hang,\n"
    "nomark, oversized. --port 0 picks a free port; the port is printed as \"port N\".\n";

struct Options {
    std::string host = "127.0.0.1";
    int port = 8080;
    std::string pages;
    std::string log;
    std::vector<tickwell::tools::PageFault> faults;
};

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h" || i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--host") {
            options.host = value;
        } else if (name == "--port") {
            const auto port = tickwell::tools::ParseWholeNumber(value, 0, 65535);
            if (!port) return false;
            options.port = static_cast<int>(*port);
        } else if (name == "--pages") {
            options.pages = value;
        } else if (name == "--log") {
            options.log = value;
        } else if (name == "--fault") {
            const auto fault = tickwell::tools::ParsePageFault(value);
            if (!fault) return false;
            options.faults.push_back(*fault);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // The signals are blocked before any thread starts, so every thread
    // inherits the mask and only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    tickwell::tools::WeatherServer server;
    if (!options.pages.empty() && !server.LoadPages(options.pages)) {
        std::fprintf(stderr, "tickwell-weather-server: no forecast.html and roundup.html in %s\n",
                     options.pages.c_str());
        return 1;
    }
    if (!options.log.empty()) server.SetLogFile(options.log);
    for (const auto& entry : options.faults) server.SetFault(entry.page, entry.fault);
    if (!server.Start(options.host, options.port)) {
        std::fprintf(stderr, "tickwell-weather-server: can't listen on %s:%d: %s\n",
                     options.host.c_str(), options.port, std::strerror(errno));
        return 1;
    }
    std::printf("port %d\n", server.port());
    std::fflush(stdout);

    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
    return 0;
}
