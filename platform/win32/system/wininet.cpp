// The HTTP library on WinINet: one session, its connection and GET requests.
#include <windows.h>
#include <wininet.h>

#include <cstdio>
#include <string>

#include "platform/http.h"
#include "platform/message_log.h"
#include "platform/redirect_rule.h"

namespace tickwell::platform {

namespace {

// Closes a WinINet handle when its owner goes. Closing a connection also
// invalidates the requests opened on it, whose later calls then fail.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) ::InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;

    HINTERNET get() const { return handle_; }
    void Reset(HINTERNET handle) {
        if (handle_ != nullptr) ::InternetCloseHandle(handle_);
        handle_ = handle;
    }

private:
    HINTERNET handle_;
};

// WinINet's own redirect handling has no limit (under Wine a page that
// redirects to itself was asked for thousands of times in seconds), so
// requests follow redirects themselves, by the rule the live client follows
// too: at most five, to HTTP or HTTPS only, never from HTTPS down to HTTP.
// The weather server may send a request to another host.
constexpr RedirectRule kServerRedirects{5, false};

// The redirect the answer on `request` asks for: the URL that answered and
// its Location header. False when the answer is no redirect (or one without
// a Location header): it is then the answer itself.
bool AskedRedirect(HINTERNET request, std::string* from, std::string* location) {
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size,
                          nullptr) ||
        !IsRedirectStatus(status)) {
        return false;
    }
    char text[kMaxRedirectUrlChars + 1];
    size = sizeof text;
    if (!::HttpQueryInfoA(request, HTTP_QUERY_LOCATION, text, &size, nullptr)) return false;
    location->assign(text, size);
    size = sizeof text;
    if (!::InternetQueryOptionA(request, INTERNET_OPTION_URL, text, &size)) return false;
    from->assign(text, size);
    return true;
}

// A request on the connection, which follows redirects through its session.
// The session's handle is not owned: once the session is closed (at
// shutdown, with a fetch still running) a redirect fails on the stale
// handle, as every call on a closed handle does.
class WinInetRequest : public HttpRequest {
public:
    WinInetRequest(HINTERNET handle, HINTERNET session) : handle_(handle), session_(session) {}

    bool Send() override {
        if (!::HttpSendRequestA(handle_.get(), nullptr, 0, nullptr, 0)) return false;
        for (int redirects = 0;; ++redirects) {
            std::string from;
            std::string location;
            if (!AskedRedirect(handle_.get(), &from, &location)) return true;
            const RedirectDecision target =
                DecideRedirect(from, location, redirects, kServerRedirects);
            if (target.verdict != RedirectVerdict::Follow) return Fail();
            HINTERNET next =
                ::InternetOpenUrlA(session_, target.url.c_str(), nullptr, 0,
                                   INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
            if (next == nullptr) return Fail();
            handle_.Reset(next);
        }
    }

    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) override {
        DWORD read = 0;
        const BOOL ok =
            handle_.get() != nullptr && ::InternetReadFile(handle_.get(), buffer, capacity, &read);
        *delivered = ok ? read : 0;
        return ok != FALSE;
    }

private:
    // Drops the answer, so the reads that follow fail as well.
    bool Fail() {
        handle_.Reset(nullptr);
        return false;
    }

    InternetHandle handle_;
    HINTERNET session_;
};

class WinInetConnection : public HttpConnection {
public:
    WinInetConnection(HINTERNET handle, HINTERNET session) : handle_(handle), session_(session) {}

    HttpRequest* OpenRequest(const char* path) override {
        HINTERNET request =
            ::HttpOpenRequestA(handle_.get(), nullptr, path, nullptr, nullptr, nullptr,
                               INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT, 0);
        if (request == nullptr) return nullptr;
        return new WinInetRequest(request, session_);
    }

private:
    InternetHandle handle_;
    HINTERNET session_;  // owned by the session object
};

class WinInetSession : public HttpSession {
public:
    explicit WinInetSession(HINTERNET handle) : handle_(handle) {}

    HttpConnection* Connect(const char* host, std::uint16_t port, const char* userName) override {
        HINTERNET connection = ::InternetConnectA(handle_.get(), host, port, userName, nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, 0);
        if (connection == nullptr) return nullptr;
        return new WinInetConnection(connection, handle_.get());
    }

private:
    InternetHandle handle_;
};

class WinInet : public Internet {
public:
    // Only the system's own answer counts: a weather server that is down at
    // start-up must not end the program, since the refreshes retry it.
    bool CanConnect(const char*, std::uint16_t) override {
        const DWORD result = ::InternetAttemptConnect(0);
        if (result == ERROR_SUCCESS) return true;
        LogMessage("InternetAttemptConnect failed (error " + std::to_string(result) + ")");
        return false;
    }

    HttpSession* OpenSession(const char* userAgent) override {
        HINTERNET session =
            ::InternetOpenA(userAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
        if (session == nullptr) return nullptr;
        return new WinInetSession(session);
    }
};

}  // namespace

Internet& SystemInternet() {
    static WinInet internet;
    return internet;
}

}  // namespace tickwell::platform
