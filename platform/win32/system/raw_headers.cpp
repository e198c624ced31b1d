#include "platform/win32/system/raw_headers.h"

#include <string>

namespace tickwell::platform {

namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

}  // namespace

std::vector<HttpsHeader> ParseRawHeaders(std::string_view raw) {
    std::vector<HttpsHeader> headers;
    bool statusLine = true;
    while (!raw.empty()) {
        const std::size_t end = raw.find('\n');
        std::string_view line = raw.substr(0, end);
        raw = end == std::string_view::npos ? std::string_view() : raw.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (statusLine) {
            statusLine = false;
            continue;
        }
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = Trimmed(line.substr(0, colon));
        if (name.empty()) continue;
        headers.push_back({LowerCase(name), std::string(Trimmed(line.substr(colon + 1)))});
    }
    return headers;
}

bool IsSafeRequestHeader(const HttpsHeader& header) {
    if (header.name.empty()) return false;
    for (char c : header.name) {
        if (c <= ' ' || c == ':' || c == 0x7F) return false;
    }
    for (char c : header.value) {
        if (c == '\r' || c == '\n' || c == '\0') return false;
    }
    return true;
}

}  // namespace tickwell::platform
