#include "platform/linux/system/network_check.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

namespace tickwell::platform {

namespace {

// Route flags as the kernel prints them.
constexpr unsigned long kRouteUp = RTF_UP;
constexpr unsigned long kRouteReject = RTF_REJECT;

bool IsListed(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// An IPv4 destination as /proc/net/route prints it: the address's four
// bytes in memory order, read as one native 32-bit number in hexadecimal.
bool IsOutsideIpv4(const std::string& hex) {
    const auto raw = static_cast<std::uint32_t>(std::stoul(hex, nullptr, 16));
    unsigned char bytes[4];
    std::memcpy(bytes, &raw, sizeof bytes);
    const bool loopback = bytes[0] == 127;
    const bool multicast = bytes[0] >= 224 && bytes[0] <= 239;
    return !loopback && !multicast;
}

// An IPv6 destination: 32 hexadecimal digits. Loopback (::1), link-local
// (fe80::/10, present on every interface that is merely up) and multicast
// (ff00::/8) destinations lead nowhere outside.
bool IsOutsideIpv6(const std::string& hex) {
    if (hex.size() != 32) return false;
    if (hex == "00000000000000000000000000000001") return false;
    const unsigned long firstByte = std::stoul(hex.substr(0, 2), nullptr, 16);
    const unsigned long secondByte = std::stoul(hex.substr(2, 2), nullptr, 16);
    if (firstByte == 0xFF) return false;
    if (firstByte == 0xFE && (secondByte & 0xC0) == 0x80) return false;
    return true;
}

bool Usable(unsigned long flags) {
    return (flags & kRouteUp) != 0 && (flags & kRouteReject) == 0;
}

// /proc/net/route: a heading line, then "Iface Destination Gateway Flags ...".
bool HasIpv4Route(const std::vector<std::string>& up, std::string_view table) {
    std::istringstream lines{std::string(table)};
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags;
        if (!(fields >> name >> destination >> gateway >> flags)) continue;
        try {
            if (IsListed(up, name) && Usable(std::stoul(flags, nullptr, 16)) &&
                IsOutsideIpv4(destination)) {
                return true;
            }
        } catch (const std::exception&) {
            // A field that is no number: not a route to count.
        }
    }
    return false;
}

// /proc/net/ipv6_route: "destination length source length next-hop metric
// references use flags interface", no heading.
bool HasIpv6Route(const std::vector<std::string>& up, std::string_view table) {
    std::istringstream lines{std::string(table)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string destination, skipped, flags, name;
        if (!(fields >> destination)) continue;
        for (int i = 0; i < 7; ++i) fields >> skipped;
        if (!(fields >> flags >> name)) continue;
        try {
            if (IsListed(up, name) && Usable(std::stoul(flags, nullptr, 16)) &&
                IsOutsideIpv6(destination)) {
                return true;
            }
        } catch (const std::exception&) {
        }
    }
    return false;
}

std::vector<std::string> UpInterfaces() {
    std::vector<std::string> names;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return names;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        const bool up = (entry->ifa_flags & IFF_UP) != 0 && (entry->ifa_flags & IFF_RUNNING) != 0;
        const bool loopback = (entry->ifa_flags & IFF_LOOPBACK) != 0;
        if (up && !loopback && !IsListed(names, entry->ifa_name)) names.push_back(entry->ifa_name);
    }
    freeifaddrs(list);
    return names;
}

std::string ReadWhole(const char* path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

}  // namespace

NetworkReport JudgeNetwork(const std::vector<std::string>& upInterfaces,
                           std::string_view ipv4Routes, std::string_view ipv6Routes) {
    if (upInterfaces.empty()) {
        return {false, "no network interface other than loopback is up"};
    }
    if (!HasIpv4Route(upInterfaces, ipv4Routes) && !HasIpv6Route(upInterfaces, ipv6Routes)) {
        return {false,
                "no route leads through an interface that is up to a destination "
                "outside this machine"};
    }
    return {true, ""};
}

NetworkReport CheckSystemNetwork() {
    return JudgeNetwork(UpInterfaces(), ReadWhole("/proc/net/route"),
                        ReadWhole("/proc/net/ipv6_route"));
}

}  // namespace tickwell::platform
