// The network coming back on Linux: links, routes and addresses that
// appear, read from an rtnetlink socket on a thread of the watch's own.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>

namespace tickwell::platform {

class WatchThread;

class RouteWatch {
public:
    // Calls `appeared`, on the watch's thread, after a link comes up, or a
    // default route or a global address appears (once for each batch of such changes). When the
    // kernel's routing messages cannot be read, says so in one line on
    // standard error and watches nothing.
    explicit RouteWatch(std::function<void()> appeared);
    ~RouteWatch();
    RouteWatch(const RouteWatch&) = delete;
    RouteWatch& operator=(const RouteWatch&) = delete;

private:
    std::function<void()> appeared_;
    int socket_ = -1;
    std::unique_ptr<WatchThread> thread_;
};

// Whether the rtnetlink messages in `buffer` tell of a link that came up
// (not loopback), a new default route or a new address of global scope.
bool NetworkMayBeBack(const void* buffer, std::size_t length);

}  // namespace tickwell::platform
