// Whether the system reports that a connection to the internet can be made:
// a network interface other than loopback is up, and a route leads through
// one to a destination outside this machine. Reads the interface list and
// the kernel's routing tables; sends nothing.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tickwell::platform {

struct NetworkReport {
    bool ok = false;
    // When not ok: which check failed, as a sentence.
    std::string failure;
};

// The decision, on the texts of /proc/net/route and /proc/net/ipv6_route
// and the names of the interfaces that are up and not loopback.
NetworkReport JudgeNetwork(const std::vector<std::string>& upInterfaces,
                           std::string_view ipv4Routes, std::string_view ipv6Routes);

// The same decision on this system's interfaces and routing tables.
NetworkReport CheckSystemNetwork();

}  // namespace tickwell::platform
