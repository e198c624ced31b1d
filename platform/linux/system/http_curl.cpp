// The HTTP library on Linux: libcurl, one reused easy handle as the one
// connection (so requests share its kept-alive TCP connection), and a body
// received whole into a bounded buffer by Send and handed out by Read.
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <string>

#include "platform/http.h"
#include "platform/linux/system/http_timeouts.h"
#include "platform/linux/system/network_check.h"
#include "platform/message_log.h"

namespace tickwell::platform {

namespace {

// The most of a body a request keeps. The fetch job reads at most 16383
// bytes of a page; a longer or endless body is cut off here so it can
// never exhaust memory, and the rest is not read from the network.
constexpr std::size_t kBodyCap = 64 * 1024;

constexpr long kMaxRedirects = 5;

std::mutex timeoutsGuard;
HttpTimeouts timeouts;

// What a connection and the requests made from it share. The connection may
// be deleted (at shutdown) while a request still runs on the fetch job's
// thread: it then only sets `closed`, which aborts a transfer in progress
// and fails every later call, and the handle is freed with the last owner.
struct CurlHandle {
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::atomic<bool> closed{false};
    // Serialises transfers on the one easy handle.
    std::mutex transfer;

    ~CurlHandle() {
        if (easy != nullptr) {
            curl_easy_cleanup(easy);
        }
        curl_slist_free_all(headers);
    }
};

struct Body {
    std::string bytes;
    bool capped = false;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    std::size_t offered = size * count;
    std::size_t room = kBodyCap - body->bytes.size();
    std::size_t taken = std::min(offered, room);
    body->bytes.append(data, taken);
    if (taken < offered) {
        // A short count makes libcurl stop the transfer.
        body->capped = true;
    }
    return taken;
}

int CheckClosed(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* handle = static_cast<CurlHandle*>(user);
    return handle->closed.load() ? 1 : 0;
}

void ApplyTimeouts(CURL* easy) {
    HttpTimeouts limits = CurrentHttpTimeouts();
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectMs));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.transferMs));
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.stallSeconds));
}

class CurlRequest : public HttpRequest {
public:
    CurlRequest(std::shared_ptr<CurlHandle> handle, std::string url)
        : handle_(std::move(handle)), url_(std::move(url)) {}

    bool Send() override {
        std::lock_guard<std::mutex> hold(handle_->transfer);
        if (handle_->closed.load()) {
            return false;
        }
        body_ = Body{};
        readOffset_ = 0;
        CURL* easy = handle_->easy;
        curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body_);
        ApplyTimeouts(easy);
        CURLcode result = curl_easy_perform(easy);
        long status = 0;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
        // Like WinINet, an answer of any status counts as sent, and its body
        // (an error page, say) is delivered for the caller to judge.
        // A redirect too many, or to another protocol, fails the request.
        const bool badRedirect =
            result == CURLE_TOO_MANY_REDIRECTS || result == CURLE_UNSUPPORTED_PROTOCOL;
        answered_ = status != 0 && result != CURLE_ABORTED_BY_CALLBACK && !badRedirect;
        complete_ = result == CURLE_OK || (result == CURLE_WRITE_ERROR && body_.capped);
        return answered_;
    }

    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) override {
        *delivered = 0;
        if (!answered_ || handle_->closed.load()) {
            return false;
        }
        std::size_t count = std::min<std::size_t>(capacity, body_.bytes.size() - readOffset_);
        if (count == 0) {
            // A body cut short by the network ends in a failed read, as its
            // bytes have all been handed out.
            return complete_;
        }
        std::copy_n(body_.bytes.data() + readOffset_, count, buffer);
        readOffset_ += count;
        *delivered = static_cast<std::uint32_t>(count);
        return true;
    }

private:
    std::shared_ptr<CurlHandle> handle_;
    std::string url_;
    Body body_;
    std::size_t readOffset_ = 0;
    bool answered_ = false;
    bool complete_ = false;
};

class CurlConnection : public HttpConnection {
public:
    CurlConnection(std::shared_ptr<CurlHandle> handle, std::string origin)
        : handle_(std::move(handle)), origin_(std::move(origin)) {}

    ~CurlConnection() override {
        // Never waits: a transfer in progress sees the flag and stops.
        handle_->closed.store(true);
    }

    HttpRequest* OpenRequest(const char* path) override {
        if (handle_->closed.load()) {
            return nullptr;
        }
        return new (std::nothrow) CurlRequest(handle_, origin_ + path);
    }

private:
    std::shared_ptr<CurlHandle> handle_;
    std::string origin_;
};

class CurlSession : public HttpSession {
public:
    explicit CurlSession(std::string userAgent) : userAgent_(std::move(userAgent)) {}

    HttpConnection* Connect(const char* host, std::uint16_t port, const char* userName) override {
        auto handle = std::make_shared<CurlHandle>();
        handle->easy = curl_easy_init();
        if (handle->easy == nullptr) {
            return nullptr;
        }
        CURL* easy = handle->easy;
        curl_easy_setopt(easy, CURLOPT_USERAGENT, userAgent_.c_str());
        // Direct access only, whatever the environment's proxy variables say.
        curl_easy_setopt(easy, CURLOPT_PROXY, "");
        curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
        // A page that moved is followed, as WinINet does: at most five
        // redirects, to HTTP or HTTPS only; the credentials stay with the
        // weather server.
        curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
        curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
        curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
        // The credentials go out only when the server asks for them, as with
        // WinINet.
        curl_easy_setopt(easy, CURLOPT_USERNAME, userName);
        curl_easy_setopt(easy, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
        // Every request goes to the server, never to a cache.
        handle->headers = curl_slist_append(handle->headers, "Cache-Control: no-cache");
        handle->headers = curl_slist_append(handle->headers, "Pragma: no-cache");
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, handle->headers);
        curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CollectBody);
        curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, CheckClosed);
        curl_easy_setopt(easy, CURLOPT_XFERINFODATA, handle.get());
        std::string origin = std::string("http://") + host + ":" + std::to_string(port);
        return new (std::nothrow) CurlConnection(std::move(handle), std::move(origin));
    }

private:
    std::string userAgent_;
};

class CurlInternet : public Internet {
public:
    // libcurl sets up its TLS library here whatever the flags say (Debian's
    // libcurl 7.88 initialises OpenSSL even for CURL_GLOBAL_NOTHING), although
    // the program speaks plain HTTP only; docs/performance.md has the cost.
    CurlInternet() { curl_global_init(CURL_GLOBAL_DEFAULT); }

    // Asks the system only, so a weather server that is down at start-up
    // does not end the program: the refreshes retry it.
    bool CanConnect(const char*, std::uint16_t) override {
        const NetworkReport report = CheckSystemNetwork();
        if (!report.ok) LogMessage(report.failure + ".");
        return report.ok;
    }

    HttpSession* OpenSession(const char* userAgent) override {
        return new (std::nothrow) CurlSession(userAgent);
    }
};

}  // namespace

void SetHttpTimeouts(const HttpTimeouts& limits) {
    std::lock_guard<std::mutex> hold(timeoutsGuard);
    timeouts = limits;
}

HttpTimeouts CurrentHttpTimeouts() {
    std::lock_guard<std::mutex> hold(timeoutsGuard);
    return timeouts;
}

Internet& SystemInternet() {
    // Made once, on first use; its constructor initialises libcurl.
    static CurlInternet internet;
    return internet;
}

}  // namespace tickwell::platform
