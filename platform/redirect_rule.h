// The one rule for the redirects a client follows by hand (the live
// source's HTTPS clients, libcurl and WinINet, and the classic WinINet
// connection): where a Location header sends the request, and whether it may
// go there. At most five redirects, to http or https only, never from https
// down to plain http, and, where the rule asks for it, never to another host
// or port than the request's.
#pragma once

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>

namespace tickwell::platform {

struct RedirectRule {
    int maxRedirects = 5;
    // The live source's rule: the weather service's own answers never send
    // a request to another host or port.
    bool sameHostAndPort = false;
};

// The live source's rule: the service's answers come only from the
// service's own address.
constexpr RedirectRule kServiceRedirects{5, true};

// Whether an answer's status sends the request on to its Location.
inline bool IsRedirectStatus(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

enum class RedirectVerdict { Follow, TooMany, Refused };

struct RedirectDecision {
    RedirectVerdict verdict = RedirectVerdict::Refused;
    std::string url;  // the absolute URL to follow, when the verdict is Follow
};

// A URL cut at its main parts; only http and https URLs are cut.
struct UrlPieces {
    std::string scheme;     // "http" or "https", lower case
    std::string authority;  // as written, user information included
    std::string host;       // lower case, brackets of an IPv6 address kept
    int port = 0;           // the scheme's default when none is written
    std::string path;       // from the first '/' on, without query and fragment
    std::string query;      // from '?' on, or empty
};

constexpr std::size_t kMaxRedirectUrlChars = 4096;

inline std::string LowerCase(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return lower;
}

// Splits "host:port" (user information already removed); false when the
// port is not a number from 1 to 65535 or the host is empty.
inline bool SplitHostPort(std::string_view hostPort, int defaultPort, UrlPieces* pieces) {
    const std::size_t bracket = hostPort.rfind(']');
    std::size_t colon = hostPort.rfind(':');
    if (colon != std::string_view::npos && bracket != std::string_view::npos && colon < bracket) {
        colon = std::string_view::npos;
    }
    pieces->host = LowerCase(hostPort.substr(0, colon));
    pieces->port = defaultPort;
    if (colon != std::string_view::npos && colon + 1 < hostPort.size()) {
        const std::string_view digits = hostPort.substr(colon + 1);
        if (digits.size() > 5 || !std::all_of(digits.begin(), digits.end(),
                                              [](char c) { return c >= '0' && c <= '9'; })) {
            return false;
        }
        pieces->port = std::stoi(std::string(digits));
    }
    return !pieces->host.empty() && pieces->port >= 1 && pieces->port <= 65535;
}

// Cuts an absolute http or https URL; nothing for any other.
inline std::optional<UrlPieces> CutUrl(std::string_view url) {
    const std::size_t colon = url.find("://");
    if (colon == std::string_view::npos) return std::nullopt;
    UrlPieces pieces;
    pieces.scheme = LowerCase(url.substr(0, colon));
    int defaultPort = 0;
    if (pieces.scheme == "http") {
        defaultPort = 80;
    } else if (pieces.scheme == "https") {
        defaultPort = 443;
    } else {
        return std::nullopt;
    }
    const std::string_view rest = url.substr(colon + 3);
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    pieces.authority = std::string(rest.substr(0, authorityEnd));
    const std::size_t at = pieces.authority.rfind('@');
    const std::string_view hostPort =
        std::string_view(pieces.authority).substr(at == std::string::npos ? 0 : at + 1);
    if (!SplitHostPort(hostPort, defaultPort, &pieces)) return std::nullopt;
    std::string_view tail = rest.substr(authorityEnd);
    tail = tail.substr(0, std::min(tail.find('#'), tail.size()));
    const std::size_t question = std::min(tail.find('?'), tail.size());
    pieces.path = std::string(tail.substr(0, question));
    pieces.query = std::string(tail.substr(question));
    if (pieces.path.empty()) pieces.path.push_back('/');
    return pieces;
}

// RFC 3986's removal of "." and ".." segments from an absolute path.
inline std::string RemoveDotSegments(std::string_view path) {
    std::string output;
    while (!path.empty()) {
        if (path.substr(0, 3) == "../") {
            path.remove_prefix(3);
        } else if (path.substr(0, 2) == "./") {
            path.remove_prefix(2);
        } else if (path.substr(0, 3) == "/./") {
            path.remove_prefix(2);
        } else if (path == "/.") {
            path = "/";
        } else if (path.substr(0, 4) == "/../" || path == "/..") {
            path = path.size() == 3 ? std::string_view("/") : path.substr(3);
            const std::size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (path == "." || path == "..") {
            path = {};
        } else {
            const std::size_t next = path.find('/', 1);
            const std::size_t length = next == std::string_view::npos ? path.size() : next;
            output.append(path.substr(0, length));
            path.remove_prefix(length);
        }
    }
    return output.empty() ? std::string("/") : output;
}

// Whether a Location value starts with a scheme ("https:", "ftp:", ...).
inline bool HasScheme(std::string_view location) {
    const std::size_t colon = location.find(':');
    if (colon == std::string_view::npos || colon == 0 ||
        !std::isalpha(static_cast<unsigned char>(location[0]))) {
        return false;
    }
    return std::all_of(location.begin(), location.begin() + colon, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

// The absolute URL `location` names, read against the URL that answered.
inline std::string ResolveLocation(const UrlPieces& base, std::string_view location) {
    const std::string origin = base.scheme + "://" + base.authority;
    if (HasScheme(location)) return std::string(location);
    if (location.substr(0, 2) == "//") return base.scheme + ":" + std::string(location);
    if (location.front() == '/') {
        const std::size_t question = std::min(location.find_first_of("?#"), location.size());
        return origin + RemoveDotSegments(location.substr(0, question)) +
               std::string(location.substr(question));
    }
    if (location.front() == '?') return origin + base.path + std::string(location);
    if (location.front() == '#') return origin + base.path + base.query;
    const std::string folder = base.path.substr(0, base.path.rfind('/') + 1);
    const std::size_t question = std::min(location.find_first_of("?#"), location.size());
    return origin + RemoveDotSegments(folder + std::string(location.substr(0, question))) +
           std::string(location.substr(question));
}

// Decides on the redirect that the answer of `from` asks for with its
// Location header, `redirectsFollowed` redirects into the request.
inline RedirectDecision DecideRedirect(std::string_view from, std::string_view location,
                                       int redirectsFollowed, const RedirectRule& rule) {
    RedirectDecision decision;
    if (redirectsFollowed >= rule.maxRedirects) {
        decision.verdict = RedirectVerdict::TooMany;
        return decision;
    }
    const bool clean = std::none_of(location.begin(), location.end(), [](char c) {
        // A backslash reads as a slash to some URL parsers and as part of
        // the host to others: such a Location is refused, not guessed at.
        return static_cast<unsigned char>(c) <= ' ' || c == '\x7f' || c == '\\';
    });
    const std::optional<UrlPieces> base = CutUrl(from);
    if (!clean || location.empty() || location.size() > kMaxRedirectUrlChars || !base) {
        return decision;
    }
    std::string target = ResolveLocation(*base, location);
    const std::optional<UrlPieces> next = CutUrl(target);
    if (!next || target.size() > kMaxRedirectUrlChars) return decision;
    if (base->scheme == "https" && next->scheme != "https") return decision;
    if (rule.sameHostAndPort && (next->host != base->host || next->port != base->port)) {
        return decision;
    }
    const std::size_t fragment = target.find('#');
    if (fragment != std::string::npos) target.erase(fragment);
    decision.verdict = RedirectVerdict::Follow;
    decision.url = std::move(target);
    return decision;
}

}  // namespace tickwell::platform
