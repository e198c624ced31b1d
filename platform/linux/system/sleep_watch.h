// Waking from sleep on Linux: logind's PrepareForSleep(false) signal on the
// system bus (DBUS_SYSTEM_BUS_ADDRESS when set), read through sd-bus on a
// thread of the watch's own.
#pragma once

#include <functional>
#include <memory>

namespace tickwell::platform {

class WatchThread;

class SleepWatch {
public:
    // Calls `woke`, on the watch's thread, each time the computer has woken.
    // Without a system bus, or with no logind on it, says so in one line on
    // standard error and watches nothing.
    explicit SleepWatch(std::function<void()> woke);
    ~SleepWatch();
    SleepWatch(const SleepWatch&) = delete;
    SleepWatch& operator=(const SleepWatch&) = delete;

private:
    std::function<void()> woke_;
    std::unique_ptr<WatchThread> thread_;
};

}  // namespace tickwell::platform
