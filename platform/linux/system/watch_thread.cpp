#include "platform/linux/system/watch_thread.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace tickwell::platform {

StopEvent::StopEvent() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopEvent::~StopEvent() {
    if (fd_ >= 0) close(fd_);
}

void StopEvent::Signal() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

bool StopEvent::WaitFor(int fd, short events, int timeoutMs) const {
    pollfd waits[2] = {{fd_, POLLIN, 0}, {fd, events, 0}};
    for (;;) {
        const int ready = poll(waits, 2, timeoutMs);
        if (ready < 0 && errno == EINTR) continue;
        return ready >= 0 && (waits[0].revents & POLLIN) == 0;
    }
}

WatchThread::WatchThread(Body body) {
    if (!stop_.valid()) return;
    try {
        thread_ = std::thread([this, body = std::move(body)] { body(stop_); });
    } catch (const std::system_error&) {
        // No watcher: the regular refresh alone, as without the events.
    }
}

WatchThread::~WatchThread() {
    if (!thread_.joinable()) return;
    stop_.Signal();
    thread_.join();
}

}  // namespace tickwell::platform
