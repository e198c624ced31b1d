// Waiting for the system's network after a start at login. A session
// starts its programs before Wi-Fi or DHCP has brought the connection up;
// a program started then asks the system about the network about once a
// second, for up to two minutes, before its start-up check gives up.
//
// The loop is platform-free: the system's report, the clock and the pause
// between two questions come from the caller, so tests run it in
// milliseconds and each platform brings its own way of being told to stop.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>

namespace tickwell::platform {

constexpr std::int64_t kLoginNetworkWaitMs = 2 * 60 * 1000;
constexpr std::int64_t kLoginNetworkPollMs = 1000;

enum class NetworkWaitResult {
    Ready,     // the system reports a connection
    TimedOut,  // it did not within the limit
    Stopped,   // the program was asked to end meanwhile
};

struct NetworkWaitHooks {
    // One look at the system's report: true when a connection can be made.
    std::function<bool()> networkReady;
    // A clock that never goes back, in milliseconds.
    std::function<std::int64_t()> nowMs;
    // Waits up to the given milliseconds; false when the program was asked
    // to end, which ends the wait at once.
    std::function<bool(std::int64_t)> pause;
};

// Asks the system at once, then after each pause until it reports a
// connection or `limitMs` have passed since the first question; the last
// question is asked when the limit is reached, so a connection that comes
// up just then still counts.
inline NetworkWaitResult WaitForNetwork(const NetworkWaitHooks& hooks,
                                        std::int64_t limitMs = kLoginNetworkWaitMs,
                                        std::int64_t pollMs = kLoginNetworkPollMs) {
    const std::int64_t start = hooks.nowMs();
    for (;;) {
        if (hooks.networkReady()) return NetworkWaitResult::Ready;
        const std::int64_t elapsed = hooks.nowMs() - start;
        if (elapsed >= limitMs) return NetworkWaitResult::TimedOut;
        if (!hooks.pause(std::min(pollMs, limitMs - elapsed))) return NetworkWaitResult::Stopped;
    }
}

}  // namespace tickwell::platform
