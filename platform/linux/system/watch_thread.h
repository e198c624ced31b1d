// What the system's watchers share: a thread of their own that waits on a
// file descriptor, and the event that ends that wait when the program
// closes.
#pragma once

#include <functional>
#include <thread>

namespace tickwell::platform {

// An eventfd that a watcher's thread waits on beside its own descriptor.
class StopEvent {
public:
    StopEvent();
    ~StopEvent();
    StopEvent(const StopEvent&) = delete;
    StopEvent& operator=(const StopEvent&) = delete;

    bool valid() const { return fd_ >= 0; }
    void Signal();
    // Waits until `fd` is ready for `events`, `timeoutMs` has passed (-1:
    // no limit) or Signal was called. False once Signal was called, or when
    // the wait itself fails.
    bool WaitFor(int fd, short events, int timeoutMs) const;

private:
    int fd_ = -1;
};

// Runs `body` on a thread of its own, given the stop event it must watch;
// destroying the object signals that event and joins the thread.
class WatchThread {
public:
    using Body = std::function<void(const StopEvent& stop)>;
    explicit WatchThread(Body body);
    ~WatchThread();
    WatchThread(const WatchThread&) = delete;
    WatchThread& operator=(const WatchThread&) = delete;

    // False when no thread could be started.
    bool running() const { return thread_.joinable(); }

private:
    StopEvent stop_;
    std::thread thread_;
};

}  // namespace tickwell::platform
