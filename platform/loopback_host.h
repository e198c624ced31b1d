// Whether a host name of a URL names this machine over loopback: the name
// "localhost", an IPv4 address 127.x.y.z written as four decimal numbers,
// or the IPv6 address ::1 (bare or in brackets). A name that only starts
// like one ("127.0.0.1.example.com") is not.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

namespace tickwell::platform {

inline bool IsDottedLoopbackIpv4(std::string_view host) {
    int parts = 0;
    std::size_t at = 0;
    while (at <= host.size()) {
        const std::size_t end = std::min(host.find('.', at), host.size());
        const std::string_view part = host.substr(at, end - at);
        if (part.empty() || part.size() > 3 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        const int value = std::stoi(std::string(part));
        if (value > 255 || (parts == 0 && value != 127)) return false;
        ++parts;
        at = end + 1;
    }
    return parts == 4;
}

inline bool IsLoopbackHost(std::string_view host) {
    std::string lower(host);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower == "localhost" || lower == "::1" || lower == "[::1]" || IsDottedLoopbackIpv4(host);
}

}  // namespace tickwell::platform
