#include "platform/linux/system/sleep_watch.h"

#include <poll.h>
#include <systemd/sd-bus.h>
#include <time.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/linux/system/watch_thread.h"
#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kLoginPath = "/org/freedesktop/login1";
// A bus that does not answer within this is as good as none.
constexpr std::uint64_t kCallTimeoutUs = 3'000'000;

void SayNoWatch(const char* why, const char* detail) {
    LogMessage(std::string(why) + " (" + detail + "); refreshing on the timer only");
}

// The bus, its match, the question to logind and the handler's target,
// released together. Every call on the bus is asynchronous, so that the
// close never waits for a bus that does not answer.
struct BusWatch {
    sd_bus* bus = nullptr;
    sd_bus_slot* match = nullptr;
    sd_bus_slot* ping = nullptr;
    const std::function<void()>* woke = nullptr;
    // Set, after saying why, once there is nothing more to watch.
    bool over = false;
    ~BusWatch() {
        sd_bus_slot_unref(ping);
        sd_bus_slot_unref(match);
        // Without a flush, which would wait for a silent bus to authenticate.
        sd_bus_close_unref(bus);
    }
};

int OnPrepareForSleep(sd_bus_message* message, void* data, sd_bus_error*) {
    int goingToSleep = 0;
    if (sd_bus_message_read(message, "b", &goingToSleep) >= 0 && !goingToSleep) {
        (*static_cast<BusWatch*>(data)->woke)();
    }
    return 0;
}

// The bus's answer to the match, and logind's to the Ping: an error ends
// the watch.
int OnReply(sd_bus_message* reply, void* data, sd_bus_error*) {
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    if (error == nullptr) return 0;
    auto* watch = static_cast<BusWatch*>(data);
    if (!watch->over) {
        const bool noLogind = sd_bus_error_has_name(error, SD_BUS_ERROR_SERVICE_UNKNOWN) ||
                              sd_bus_error_has_name(error, SD_BUS_ERROR_NAME_HAS_NO_OWNER);
        SayNoWatch(
            noLogind ? "no logind on the system bus" : "cannot watch the system bus for sleep",
            error->name != nullptr ? error->name : "error");
    }
    watch->over = true;
    return 0;
}

// Milliseconds until sd-bus's next time-out (absolute, on CLOCK_MONOTONIC);
// -1 for none.
int TimeoutMs(sd_bus* bus) {
    std::uint64_t until = 0;
    if (sd_bus_get_timeout(bus, &until) < 0 || until == UINT64_MAX) return -1;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const std::uint64_t nowUs = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000 +
                                static_cast<std::uint64_t>(now.tv_nsec) / 1000;
    if (until <= nowUs) return 0;
    const std::uint64_t ms = (until - nowUs + 999) / 1000;
    return ms > 60'000 ? 60'000 : static_cast<int>(ms);
}

// Connects, subscribes and asks logind itself (which starts it where the
// bus starts services on demand, and tells a bus without it); false, after
// saying why, when that cannot even be sent.
bool Subscribe(BusWatch& watch) {
    int result = sd_bus_open_system(&watch.bus);
    if (result < 0) {
        SayNoWatch("no system bus", std::strerror(-result));
        return false;
    }
    sd_bus_set_method_call_timeout(watch.bus, kCallTimeoutUs);
    result = sd_bus_match_signal_async(watch.bus, &watch.match, kLogin, kLoginPath,
                                       "org.freedesktop.login1.Manager", "PrepareForSleep",
                                       OnPrepareForSleep, OnReply, &watch);
    if (result >= 0) {
        result = sd_bus_call_method_async(watch.bus, &watch.ping, kLogin, kLoginPath,
                                          "org.freedesktop.DBus.Peer", "Ping", OnReply, &watch, "");
    }
    if (result < 0) {
        SayNoWatch("cannot watch the system bus for sleep", std::strerror(-result));
        return false;
    }
    return true;
}

void Watch(const StopEvent& stop, const std::function<void()>* woke) {
    BusWatch watch;
    watch.woke = woke;
    if (!Subscribe(watch)) return;
    while (!watch.over) {
        int processed = 0;
        while (!watch.over && (processed = sd_bus_process(watch.bus, nullptr)) > 0) {
        }
        if (watch.over) return;
        if (processed < 0) {
            SayNoWatch("lost the system bus", std::strerror(-processed));
            return;
        }
        const int events = sd_bus_get_events(watch.bus);
        if (!stop.WaitFor(sd_bus_get_fd(watch.bus),
                          static_cast<short>(events > 0 ? events : POLLIN), TimeoutMs(watch.bus))) {
            return;
        }
    }
}

}  // namespace

SleepWatch::SleepWatch(std::function<void()> woke) : woke_(std::move(woke)) {
    thread_ = std::make_unique<WatchThread>([this](const StopEvent& stop) { Watch(stop, &woke_); });
}

SleepWatch::~SleepWatch() = default;

}  // namespace tickwell::platform
