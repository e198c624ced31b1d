// The HTTPS client on WinINet: one session for the run, each request run on
// a short-lived thread of its own, so that the caller can stop waiting the
// moment it is aborted or its time is up.
//
// A blocked WinINet call can't be relied on to return when another thread
// closes its handle (Wine keeps the socket until the call ends), and closing
// a handle another thread still uses risks that thread calling a reused
// handle value later. So nobody closes a handle but the thread that opened
// it: a request the caller gave up on runs on until its own time-outs or
// its next check of the cancel flag, then closes its handles and ends.
#include <windows.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "platform/https_client.h"
#include "platform/redirect_rule.h"
#include "platform/threads.h"
#include "platform/win32/system/extra_roots.h"
#include "platform/win32/system/raw_headers.h"

namespace tickwell::platform {

namespace {

// Longer URLs and header blocks than these are refused, not truncated.
constexpr DWORD kMaxUrlChars = 4096;
constexpr DWORD kMaxHeaderBytes = 64 * 1024;
constexpr DWORD kReadChunk = 16 * 1024;

class Handle {
public:
    explicit Handle(HINTERNET handle = nullptr) : handle_(handle) {}
    ~Handle() {
        if (handle_ != nullptr) ::InternetCloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HINTERNET get() const { return handle_; }

private:
    HINTERNET handle_;
};

// The run's WinINet session. Its handle is closed once: by Abort, at the
// close, which ends the WinINet calls the request threads are blocked in,
// or else when the last owner goes. A request thread that reads it after
// that gets null, and its call fails at once.
struct Session {
    explicit Session(HINTERNET handle) : internet(handle) {}
    ~Session() { Close(); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    HINTERNET get() const { return internet.load(); }
    void Close() {
        if (HINTERNET handle = internet.exchange(nullptr)) ::InternetCloseHandle(handle);
    }

    std::atomic<HINTERNET> internet;
    DWORD connectTimeoutMs = 0;
    DWORD idleTimeoutMs = 0;
};

// One GET, shared by the caller and the thread that runs it.
struct Exchange {
    std::shared_ptr<Session> session;
    std::string url;
    std::string requestHeaders;  // "Name: value\r\n" each
    std::size_t maxBodyBytes = 0;
    std::atomic<bool> cancelled{false};
    HANDLE done = nullptr;  // manual-reset event, set when `response` is final
    HttpsResponse response;
    // Why no answer came, when none did.
    HttpsFailure failure = HttpsFailure::Other;

    ~Exchange() {
        if (done != nullptr) ::CloseHandle(done);
    }
};

struct UrlParts {
    bool secure = false;
    std::string host;
    INTERNET_PORT port = 0;
    std::string pathAndQuery;
};

bool CrackUrl(const std::string& url, UrlParts* parts) {
    if (url.size() >= kMaxUrlChars) return false;
    std::vector<char> host(url.size() + 1), path(url.size() + 1), extra(url.size() + 1);
    URL_COMPONENTSA components{};
    components.dwStructSize = sizeof components;
    components.lpszHostName = host.data();
    components.dwHostNameLength = static_cast<DWORD>(host.size());
    components.lpszUrlPath = path.data();
    components.dwUrlPathLength = static_cast<DWORD>(path.size());
    components.lpszExtraInfo = extra.data();
    components.dwExtraInfoLength = static_cast<DWORD>(extra.size());
    if (!::InternetCrackUrlA(url.c_str(), static_cast<DWORD>(url.size()), 0, &components)) {
        return false;
    }
    if (components.nScheme != INTERNET_SCHEME_HTTPS && components.nScheme != INTERNET_SCHEME_HTTP) {
        return false;
    }
    parts->secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    parts->host.assign(host.data(), components.dwHostNameLength);
    parts->port = components.nPort;
    std::string pathAndQuery(path.data(), components.dwUrlPathLength);
    pathAndQuery.append(extra.data(), components.dwExtraInfoLength);
    parts->pathAndQuery = pathAndQuery.empty() ? std::string(1, '/') : std::move(pathAndQuery);
    return !parts->host.empty();
}

// WinINet's receive time-out bounds each wait for data, the first byte's
// included: the idle limit, as libcurl's low-speed limit does on Linux.
void SetTimeouts(HINTERNET handle, DWORD connectMs, DWORD idleMs) {
    ::InternetSetOptionA(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
    ::InternetSetOptionA(handle, INTERNET_OPTION_SEND_TIMEOUT, &idleMs, sizeof idleMs);
    ::InternetSetOptionA(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &idleMs, sizeof idleMs);
}

// Why the WinINet call that just failed gave no answer.
HttpsFailure LastFailure() {
    switch (::GetLastError()) {
        case ERROR_INTERNET_NAME_NOT_RESOLVED: return HttpsFailure::NameNotFound;
        case ERROR_INTERNET_CANNOT_CONNECT: return HttpsFailure::ConnectFailed;
        case ERROR_INTERNET_TIMEOUT: return HttpsFailure::TimedOut;
        case ERROR_INTERNET_SEC_CERT_DATE_INVALID:
        case ERROR_INTERNET_SEC_CERT_CN_INVALID:
        case ERROR_INTERNET_INVALID_CA:
        case ERROR_INTERNET_SEC_CERT_ERRORS:
        case ERROR_INTERNET_SEC_CERT_NO_REV:
        case ERROR_INTERNET_SEC_CERT_REV_FAILED:
        case ERROR_INTERNET_SEC_CERT_REVOKED:
        case ERROR_INTERNET_SEC_INVALID_CERT: return HttpsFailure::Certificate;
        case ERROR_INTERNET_OPERATION_CANCELLED: return HttpsFailure::Aborted;
        default: return HttpsFailure::Other;
    }
}

// A text header of the answer (HttpQueryInfo), bounded in size.
bool QueryText(HINTERNET request, DWORD info, std::string* text) {
    DWORD size = 0;
    ::HttpQueryInfoA(request, info, nullptr, &size, nullptr);
    if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0 || size > kMaxHeaderBytes) {
        return false;
    }
    std::vector<char> buffer(size + 1);
    if (!::HttpQueryInfoA(request, info, buffer.data(), &size, nullptr)) return false;
    text->assign(buffer.data(), size);
    return true;
}

int QueryStatus(HINTERNET request) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr)) {
        return 0;
    }
    return static_cast<int>(status);
}

// Reads the body whole; false on a read failure, a cancel or a body over
// the limit (the rest is not read).
bool ReadBody(HINTERNET request, Exchange& exchange, std::string* body) {
    std::vector<char> chunk(kReadChunk);
    for (;;) {
        if (exchange.cancelled) {
            exchange.failure = HttpsFailure::Aborted;
            return false;
        }
        DWORD got = 0;
        if (!::InternetReadFile(request, chunk.data(), kReadChunk, &got)) {
            exchange.failure = LastFailure();
            return false;
        }
        if (got == 0) return true;
        if (body->size() + got > exchange.maxBodyBytes) {
            exchange.failure = HttpsFailure::TooLarge;
            return false;
        }
        body->append(chunk.data(), got);
    }
}

enum class Step { Answered, Redirected, Failed };

Step Failed(Exchange& exchange, HttpsFailure why) {
    exchange.failure = why;
    return Step::Failed;
}

// One request of the redirect chain, `redirects` redirects into it: its
// answer in `exchange.response`, or the next URL in `url` when it redirects
// where the rule lets it.
Step RequestOnce(Exchange& exchange, const UrlParts& parts, int redirects, std::string* url) {
    const Session& session = *exchange.session;
    Handle connection(::InternetConnectA(session.get(), parts.host.c_str(), parts.port, nullptr,
                                         nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.get() == nullptr) return Failed(exchange, LastFailure());
    // RELOAD and NO_CACHE_WRITE keep WinINet's own cache out of the way;
    // no "Pragma: no-cache" (INTERNET_FLAG_PRAGMA_NOCACHE) is sent, so the
    // service's caches may answer as the service intends.
    DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                  INTERNET_FLAG_NO_AUTO_REDIRECT | INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_UI |
                  INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_KEEP_CONNECTION;
    if (parts.secure) flags |= INTERNET_FLAG_SECURE;
    Handle request(::HttpOpenRequestA(connection.get(), "GET", parts.pathAndQuery.c_str(), nullptr,
                                      nullptr, nullptr, flags, 0));
    if (request.get() == nullptr) return Failed(exchange, LastFailure());
    SetTimeouts(request.get(), session.connectTimeoutMs, session.idleTimeoutMs);
    if (exchange.cancelled) return Failed(exchange, HttpsFailure::Aborted);
    const std::string& headers = exchange.requestHeaders;
    if (!::HttpSendRequestA(request.get(), headers.c_str(), static_cast<DWORD>(headers.size()),
                            nullptr, 0)) {
        return Failed(exchange, LastFailure());
    }
    const int status = QueryStatus(request.get());
    if (status == 0) return Failed(exchange, HttpsFailure::Other);
    if (IsRedirectStatus(status)) {
        std::string location;
        if (!QueryText(request.get(), HTTP_QUERY_LOCATION, &location)) {
            return Failed(exchange, HttpsFailure::Redirect);
        }
        RedirectDecision next = DecideRedirect(*url, location, redirects, kServiceRedirects);
        if (next.verdict != RedirectVerdict::Follow) {
            return Failed(exchange, HttpsFailure::Redirect);
        }
        *url = std::move(next.url);
        return Step::Redirected;
    }
    std::string raw;
    HttpsResponse response;
    if (QueryText(request.get(), HTTP_QUERY_RAW_HEADERS_CRLF, &raw)) {
        response.headers = ParseRawHeaders(raw);
    }
    if (!ReadBody(request.get(), exchange, &response.body)) return Step::Failed;
    response.status = status;
    exchange.response = std::move(response);
    return Step::Answered;
}

// Follows redirects by kServiceRedirects, which ends every chain.
void RunExchange(Exchange& exchange) {
    std::string url = exchange.url;
    for (int redirects = 0;; ++redirects) {
        UrlParts parts;
        if (exchange.cancelled) {
            exchange.failure = HttpsFailure::Aborted;
            return;
        }
        if (!CrackUrl(url, &parts)) {
            exchange.failure = redirects > 0 ? HttpsFailure::Redirect : HttpsFailure::Other;
            return;
        }
        if (RequestOnce(exchange, parts, redirects, &url) != Step::Redirected) return;
    }
}

// A thread of the platform's, so that the close's wait for every thread
// covers the requests still running.
std::uint32_t ExchangeThread(void* parameter) {
    std::unique_ptr<std::shared_ptr<Exchange>> owner(
        static_cast<std::shared_ptr<Exchange>*>(parameter));
    Exchange& exchange = **owner;
    RunExchange(exchange);
    ::SetEvent(exchange.done);
    return 0;
}

std::string JoinHeaders(const std::vector<HttpsHeader>& headers) {
    std::string joined;
    for (const HttpsHeader& header : headers) {
        if (!IsSafeRequestHeader(header)) continue;
        joined += header.name + ": " + header.value + "\r\n";
    }
    return joined;
}

class WinInetHttpsClient : public HttpsClient {
public:
    WinInetHttpsClient(std::shared_ptr<Session> session, HANDLE abortEvent,
                       const HttpsClientOptions& options)
        : session_(std::move(session)),
          abortEvent_(abortEvent),
          totalTimeoutMs_(options.totalTimeoutMs),
          maxBodyBytes_(options.maxBodyBytes) {}

    ~WinInetHttpsClient() override { ::CloseHandle(abortEvent_); }

    HttpsResponse Get(const std::string& url, const std::vector<HttpsHeader>& requestHeaders,
                      std::size_t maxBodyBytes) override {
        if (::WaitForSingleObject(abortEvent_, 0) == WAIT_OBJECT_0) {
            return NoAnswer(HttpsFailure::Aborted);
        }
        auto exchange = std::make_shared<Exchange>();
        exchange->session = session_;
        exchange->url = url;
        exchange->requestHeaders = JoinHeaders(requestHeaders);
        exchange->maxBodyBytes = maxBodyBytes < maxBodyBytes_ ? maxBodyBytes : maxBodyBytes_;
        exchange->done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        if (exchange->done == nullptr) return NoAnswer(HttpsFailure::Other);
        auto* threadOwner = new std::shared_ptr<Exchange>(exchange);
        Thread* thread = CreateSuspendedThread(ExchangeThread, threadOwner, 0, nullptr);
        if (thread == nullptr) {
            delete threadOwner;
            return NoAnswer(HttpsFailure::Other);
        }
        ResumeThread(thread);
        CloseThread(thread);
        const HANDLE waitFor[2] = {exchange->done, abortEvent_};
        const DWORD woken = ::WaitForMultipleObjects(2, waitFor, FALSE, totalTimeoutMs_);
        if (woken != WAIT_OBJECT_0) {
            // Aborted or out of time: the thread finishes on its own.
            exchange->cancelled = true;
            return NoAnswer(woken == WAIT_OBJECT_0 + 1 ? HttpsFailure::Aborted
                                                       : HttpsFailure::TimedOut);
        }
        HttpsResponse response = std::move(exchange->response);
        if (response.status == 0) response.failure = exchange->failure;
        return response;
    }

    void Abort() override {
        ::SetEvent(abortEvent_);
        // Ends the WinINet calls that request threads are blocked in, so
        // that they end within the close's wait; no request starts after
        // this, so no handle made later can take the closed one's value.
        session_->Close();
    }

private:
    static HttpsResponse NoAnswer(HttpsFailure why) {
        HttpsResponse response;
        response.failure = why;
        return response;
    }

    std::shared_ptr<Session> session_;
    HANDLE abortEvent_;
    DWORD totalTimeoutMs_;
    std::size_t maxBodyBytes_;
};

}  // namespace

std::unique_ptr<HttpsClient> NewSystemHttpsClient(const HttpsClientOptions& options) {
    // The extra certificates stay trusted until the process ends normally,
    // then leave the user's store: the program keeps its client for the
    // whole run and never destroys it.
    static ExtraRoots roots;
    if (!options.extraCaFile.empty() && !roots.AddFromPemFile(options.extraCaFile)) {
        return nullptr;
    }
    // The system's proxy set-up (PRECONFIG) for the live service; a direct
    // connection when the caller asks for one.
    const DWORD access =
        options.useSystemProxy ? INTERNET_OPEN_TYPE_PRECONFIG : INTERNET_OPEN_TYPE_DIRECT;
    auto session = std::make_shared<Session>(
        ::InternetOpenA(options.userAgent.c_str(), access, nullptr, nullptr, 0));
    if (session->get() == nullptr) return nullptr;
    session->connectTimeoutMs = options.connectTimeoutMs;
    session->idleTimeoutMs = options.idleTimeoutMs;
    SetTimeouts(session->get(), session->connectTimeoutMs, session->idleTimeoutMs);
    HANDLE abortEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (abortEvent == nullptr) return nullptr;
    return std::make_unique<WinInetHttpsClient>(std::move(session), abortEvent, options);
}

}  // namespace tickwell::platform
