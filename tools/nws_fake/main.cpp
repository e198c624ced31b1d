// tickwell-nws-fake: a fake of the weather service's API over HTTPS on
// loopback, for tests (see tools/README.md). Runs until SIGTERM or SIGINT.
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "nws_fake.h"

namespace {

const char kUsage[] =
    "usage: tickwell-nws-fake --cert FILE --key FILE [--host ADDR] [--port N] [--log FILE]\n"
    "                         [--scenario NAME] [--max-age SECONDS] [--delay SECONDS]\n"
    "NAME: ok, 503, 429, hang, nulls, old, nostation, alerts, gridfail, slow, deep, trickle,\n"
    "      future, storm, storm-update, storm-cancel,\n"
    "      stale, empty, unknown, warmer.\n"
    "--port 0 picks a free port; the port is printed as \"port N\".\n";

struct Options {
    std::string host = "127.0.0.1";
    int port = 8443;
    std::string cert;
    std::string key;
    std::string log;
    tickwell::tools::nws::Scenario scenario = tickwell::tools::nws::Scenario::Ok;
    int maxAge = 60;
    int delay = 8;
};

bool WholeNumber(const std::string& text, int low, int high, int* value) {
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || number < low || number > high) return false;
    *value = static_cast<int>(number);
    return true;
}

bool ReadOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help" || name == "-h" || i + 1 >= argc) return false;
        const std::string value = argv[++i];
        if (name == "--host") {
            options.host = value;
        } else if (name == "--port") {
            if (!WholeNumber(value, 0, 65535, &options.port)) return false;
        } else if (name == "--cert") {
            options.cert = value;
        } else if (name == "--key") {
            options.key = value;
        } else if (name == "--log") {
            options.log = value;
        } else if (name == "--max-age") {
            if (!WholeNumber(value, 0, 86400, &options.maxAge)) return false;
        } else if (name == "--delay") {
            if (!WholeNumber(value, 0, 600, &options.delay)) return false;
        } else if (name == "--scenario") {
            auto scenario = tickwell::tools::nws::ParseScenario(value);
            if (!scenario) return false;
            options.scenario = *scenario;
        } else {
            return false;
        }
    }
    return !options.cert.empty() && !options.key.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ReadOptions(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Blocked before any thread starts, so only sigwait below receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    tickwell::tools::nws::NwsFake fake;
    fake.SetScenario(options.scenario);
    fake.SetMaxAge(options.maxAge);
    fake.SetDelay(options.delay);
    if (!options.log.empty()) fake.SetLogFile(options.log);
    if (!fake.Start(options.host, options.port, options.cert, options.key)) {
        std::fprintf(stderr, "tickwell-nws-fake: cannot listen on %s:%d with %s and %s\n",
                     options.host.c_str(), options.port, options.cert.c_str(), options.key.c_str());
        return 1;
    }
    std::printf("port %d\n", fake.port());
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stopSignals, &signal);
    fake.Stop();
    return 0;
}
