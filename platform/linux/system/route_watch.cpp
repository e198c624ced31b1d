#include "platform/linux/system/route_watch.h"

#include <linux/if.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "platform/linux/system/watch_thread.h"
#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

int OpenRouteSocket() {
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
    if (fd < 0) return -1;
    sockaddr_nl address{};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_ROUTE | RTMGRP_IPV6_ROUTE | RTMGRP_IPV4_IFADDR |
                        RTMGRP_IPV6_IFADDR;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

void Watch(const StopEvent& stop, int fd, const std::function<void()>& appeared) {
    alignas(nlmsghdr) char buffer[16384];
    while (stop.WaitFor(fd, POLLIN, -1)) {
        bool back = false;
        for (;;) {
            const ssize_t length = recv(fd, buffer, sizeof buffer, 0);
            if (length > 0) {
                back = back || NetworkMayBeBack(buffer, static_cast<std::size_t>(length));
                continue;
            }
            // Messages lost to a full buffer may have told of a return.
            back = back || (length < 0 && errno == ENOBUFS);
            if (length < 0 && (errno == EINTR || errno == ENOBUFS)) continue;
            break;
        }
        if (back) appeared();
    }
}

// Whether one message tells of a link that came up, a default route or a
// global address.
bool TellsOfReturn(const nlmsghdr* header) {
    // A link whose carrier came back keeps its addresses and routes
    // (a cable plugged in again, a link after a resume).
    if (header->nlmsg_type == RTM_NEWLINK && header->nlmsg_len >= NLMSG_LENGTH(sizeof(ifinfomsg))) {
        const auto* link = static_cast<const ifinfomsg*>(NLMSG_DATA(header));
        const unsigned running = IFF_UP | IFF_RUNNING;
        if ((link->ifi_flags & running) == running && (link->ifi_change & running) != 0 &&
            (link->ifi_flags & IFF_LOOPBACK) == 0) {
            return true;
        }
    }
    // A link-local address (IPv6 gives every link one) reaches no service.
    if (header->nlmsg_type == RTM_NEWADDR && header->nlmsg_len >= NLMSG_LENGTH(sizeof(ifaddrmsg))) {
        const auto* address = static_cast<const ifaddrmsg*>(NLMSG_DATA(header));
        if (address->ifa_scope == RT_SCOPE_UNIVERSE) return true;
    }
    if (header->nlmsg_type == RTM_NEWROUTE && header->nlmsg_len >= NLMSG_LENGTH(sizeof(rtmsg))) {
        const auto* route = static_cast<const rtmsg*>(NLMSG_DATA(header));
        if (route->rtm_dst_len == 0 && route->rtm_type == RTN_UNICAST) return true;
    }
    return false;
}

}  // namespace

bool NetworkMayBeBack(const void* buffer, std::size_t length) {
    // The messages one after another, each aligned; a length that runs past
    // what was read ends the walk (the kernel's NLMSG_OK rule, without its
    // mixed signed and unsigned comparison).
    const char* at = static_cast<const char*>(buffer);
    std::size_t left = length;
    while (left >= sizeof(nlmsghdr)) {
        const auto* header = reinterpret_cast<const nlmsghdr*>(at);
        if (header->nlmsg_len < sizeof(nlmsghdr) || header->nlmsg_len > left) return false;
        if (TellsOfReturn(header)) return true;
        const std::size_t step = NLMSG_ALIGN(header->nlmsg_len);
        if (step >= left) return false;
        at += step;
        left -= step;
    }
    return false;
}

RouteWatch::RouteWatch(std::function<void()> appeared)
    : appeared_(std::move(appeared)), socket_(OpenRouteSocket()) {
    if (socket_ < 0) {
        LogMessage(std::string("cannot watch the network's routes (") + std::strerror(errno) +
                   "); refreshing on the timer only");
        return;
    }
    thread_ = std::make_unique<WatchThread>(
        [this](const StopEvent& stop) { Watch(stop, socket_, appeared_); });
}

RouteWatch::~RouteWatch() {
    thread_.reset();
    if (socket_ >= 0) close(socket_);
}

}  // namespace tickwell::platform
