// The HTTP library on WinINet: one session, its connection and GET requests.
#include <windows.h>
#include <wininet.h>

#include <cstdio>

#include "platform/http.h"

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

private:
    HINTERNET handle_;
};

class WinInetRequest : public HttpRequest {
public:
    explicit WinInetRequest(HINTERNET handle) : handle_(handle) {}

    bool Send() override {
        return ::HttpSendRequestA(handle_.get(), nullptr, 0, nullptr, 0) != FALSE;
    }

    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) override {
        DWORD read = 0;
        const BOOL ok = ::InternetReadFile(handle_.get(), buffer, capacity, &read);
        *delivered = ok ? read : 0;
        return ok != FALSE;
    }

private:
    InternetHandle handle_;
};

class WinInetConnection : public HttpConnection {
public:
    explicit WinInetConnection(HINTERNET handle) : handle_(handle) {}

    HttpRequest* OpenRequest(const char* path) override {
        HINTERNET request = ::HttpOpenRequestA(handle_.get(), nullptr, path, nullptr, nullptr,
                                               nullptr, INTERNET_FLAG_RELOAD, 0);
        if (request == nullptr) return nullptr;
        return new WinInetRequest(request);
    }

private:
    InternetHandle handle_;
};

class WinInetSession : public HttpSession {
public:
    explicit WinInetSession(HINTERNET handle) : handle_(handle) {}

    HttpConnection* Connect(const char* host, std::uint16_t port, const char* userName) override {
        HINTERNET connection = ::InternetConnectA(handle_.get(), host, port, userName, nullptr,
                                                  INTERNET_SERVICE_HTTP, 0, 0);
        if (connection == nullptr) return nullptr;
        return new WinInetConnection(connection);
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
        std::fprintf(stderr, "tickwell: InternetAttemptConnect failed (error %lu).\n",
                     static_cast<unsigned long>(result));
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
