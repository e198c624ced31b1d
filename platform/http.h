// The HTTP library: one session, one connection to the weather server, and
// GET requests on that connection.
//
// Objects are handed out as raw pointers; deleting one closes it. A request
// may outlive its connection (the fetch thread can still hold one when
// shutdown closes the connection): its calls then fail.
#pragma once

#include <cstdint>

namespace tickwell::platform {

class HttpRequest {
public:
    virtual ~HttpRequest() = default;
    // Sends the request (a GET that bypasses every cache).
    virtual bool Send() = 0;
    // Reads up to `capacity` bytes of the body into `buffer`. Returns false
    // on failure; at the end of the body it succeeds with *delivered = 0.
    virtual bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) = 0;
};

class HttpConnection {
public:
    virtual ~HttpConnection() = default;
    // Returns null when the request can't be opened.
    virtual HttpRequest* OpenRequest(const char* path) = 0;
};

class HttpSession {
public:
    virtual ~HttpSession() = default;
    // Returns null when no connection could be made.
    virtual HttpConnection* Connect(const char* host, std::uint16_t port, const char* userName) = 0;
};

class Internet {
public:
    virtual ~Internet() = default;
    // Whether the system reports that a connection to the internet can be
    // made at all. Touches no network and never asks the server itself;
    // when the answer is no, says on standard error which check failed.
    virtual bool CanConnect(const char* host, std::uint16_t port) = 0;
    // Opens a session without a proxy. Returns null on failure.
    virtual HttpSession* OpenSession(const char* userAgent) = 0;
};

// The operating system's HTTP library.
Internet& SystemInternet();

}  // namespace tickwell::platform
