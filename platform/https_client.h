// HTTPS requests for the live weather source: GET of absolute URLs with
// request headers of the caller's choosing, answered whole.
//
// One client serves the whole run and makes one request at a time. Every
// request is bounded in time and in size, so a hung or endless answer
// cannot hold the fetch thread or exhaust memory. Certificates are always
// verified against the system's roots plus the extra file the options name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tickwell::platform {

struct HttpsHeader {
    std::string name;
    std::string value;
};

// Why no answer came.
enum class HttpsFailure {
    None,           // an answer came (or nothing was tried yet)
    NameNotFound,   // the host name did not resolve
    ConnectFailed,  // no connection to the host (refused, unreachable)
    TimedOut,       // a time limit ran out
    Certificate,    // the server's certificate failed verification
    TooLarge,       // the body was over the size limit
    Redirect,       // too many redirects, or one from https to http (on
                    // Linux, one to another scheme, host or port)
    Aborted,        // Abort was called
    Other,          // anything else: a broken connection, a bad answer
};

struct HttpsResponse {
    // The final answer's HTTP status (after at most five redirects); 0 when
    // no answer came, and then `failure` says why.
    int status = 0;
    HttpsFailure failure = HttpsFailure::None;
    // The final answer's headers, names in lower case, in the order sent.
    std::vector<HttpsHeader> headers;
    std::string body;

    // The value of the first header named `lowerCaseName`, or null.
    const std::string* Header(std::string_view lowerCaseName) const {
        for (const HttpsHeader& header : headers) {
            if (header.name == lowerCaseName) {
                return &header.value;
            }
        }
        return nullptr;
    }
};

struct HttpsClientOptions {
    // Sent as the User-Agent of every request.
    std::string userAgent;
    // A PEM file of certificates to trust besides the system's own; empty
    // for none.
    std::string extraCaFile;
    // Linux: the folder of the system's roots, one file each named by its
    // subject's hash; empty for the one libcurl was built with. Tests name
    // a folder of their own.
    std::string systemCaFolder;
    // Whether requests go through the proxy the system is set up with
    // (https_proxy/no_proxy on Linux, the Internet settings on Windows).
    bool useSystemProxy = true;
    // Limits of one request: resolving and connecting; the longest wait for
    // the answer's first byte and for each later one (the service can take
    // 10 s and more to make a forecast it has not cached); the whole of it.
    // Both clients keep to all three.
    std::uint32_t connectTimeoutMs = 10000;
    std::uint32_t idleTimeoutMs = 25000;
    std::uint32_t totalTimeoutMs = 30000;
    std::size_t maxBodyBytes = 4 * 1024 * 1024;
};

class HttpsClient {
public:
    static constexpr std::size_t kNoRequestCap = static_cast<std::size_t>(-1);

    virtual ~HttpsClient() = default;
    // GETs `url` (https://, or http:// only where a test asks for it) with
    // `requestHeaders` added to the User-Agent. Blocks until the answer, a
    // failure, a time-out or Abort. A redirect is followed only to https
    // when `url` is https (on Linux, only to `url`'s own scheme, host and
    // port). A body longer than `maxBodyBytes`, or
    // than the options' maxBodyBytes, ends the transfer as soon as it is
    // seen (HttpsFailure::TooLarge): the caller knows how large a sound
    // answer of each kind can be.
    virtual HttpsResponse Get(const std::string& url,
                              const std::vector<HttpsHeader>& requestHeaders,
                              std::size_t maxBodyBytes) = 0;
    // The same, bounded only by the options' maxBodyBytes.
    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>& requestHeaders) {
        return Get(url, requestHeaders, kNoRequestCap);
    }
    // Ends a request in progress on another thread within a fraction of a
    // second, and makes every later one fail at once. Safe from any thread.
    virtual void Abort() = 0;
};

// The system's HTTPS client: libcurl on Linux, WinINet on Windows. Null
// when it cannot be set up.
std::unique_ptr<HttpsClient> NewSystemHttpsClient(const HttpsClientOptions& options);

}  // namespace tickwell::platform
