#include "platform/linux/system/login_network_wait.h"

#include <pthread.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <string>

#include "platform/linux/system/network_check.h"
#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

std::int64_t MonotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The stop signals whose action is not "ignore".
sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction current {};
        if (sigaction(signal, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&set, signal);
        }
    }
    return set;
}

// While it lives, the stop signals are held back (blocked) instead of
// acted on; Pause takes one that arrives, or one that came meanwhile, as
// the request to stop. A signal that comes after the last pause stays
// pending and acts as usual once the old mask is back.
class StopSignalWatch {
public:
    StopSignalWatch() : signals_(StopSignals()) { pthread_sigmask(SIG_BLOCK, &signals_, &saved_); }
    ~StopSignalWatch() { pthread_sigmask(SIG_SETMASK, &saved_, nullptr); }
    StopSignalWatch(const StopSignalWatch&) = delete;
    StopSignalWatch& operator=(const StopSignalWatch&) = delete;

    // False when a stop signal came.
    bool Pause(std::int64_t ms) {
        const std::int64_t until = MonotonicMs() + ms;
        for (std::int64_t left = ms; left > 0; left = until - MonotonicMs()) {
            const timespec timeout{static_cast<std::time_t>(left / 1000),
                                   static_cast<long>(left % 1000) * 1000000L};
            const int signal = sigtimedwait(&signals_, nullptr, &timeout);
            if (signal > 0) return false;
            if (errno == EAGAIN) return true;
            // EINTR: another signal's handler ran; wait out the rest.
        }
        return true;
    }

private:
    sigset_t signals_;
    sigset_t saved_;
};

}  // namespace

NetworkWaitResult WaitForNetworkAtLogin() {
    const NetworkReport first = CheckSystemNetwork();
    if (first.ok) return NetworkWaitResult::Ready;
    LogMessage(first.failure + "; waiting up to " + std::to_string(kLoginNetworkWaitMs / 1000) +
               " seconds for the network.");
    StopSignalWatch watch;
    const std::int64_t start = MonotonicMs();
    const NetworkWaitResult result =
        WaitForNetwork({[] { return CheckSystemNetwork().ok; }, MonotonicMs,
                        [&watch](std::int64_t ms) { return watch.Pause(ms); }});
    const double seconds = static_cast<double>(MonotonicMs() - start) / 1000.0;
    char text[64];
    switch (result) {
        case NetworkWaitResult::Ready:
            std::snprintf(text, sizeof text, "the network is up after %.1f s.", seconds);
            break;
        case NetworkWaitResult::TimedOut:
            std::snprintf(text, sizeof text, "no network after %.0f s.", seconds);
            break;
        case NetworkWaitResult::Stopped:
            std::snprintf(text, sizeof text, "asked to end while waiting for the network.");
            break;
    }
    LogMessage(text);
    return result;
}

}  // namespace tickwell::platform
