// The one HTTP session and the one connection to the weather server, open
// from start-up to shutdown.
#pragma once

#include <cstdint>

#include "platform/http.h"

namespace tickwell {

struct ServerAddress {
    const char* host;
    std::uint16_t port;
};

// The weather server; a build option, changed at run time only by the demo
// and the tests, before start-up.
extern ServerAddress weatherServer;

constexpr const char* kUserAgent = "Mozilla/4.0";
constexpr const char* kServerUserName = "tickwell";

extern platform::HttpSession* internetSession;
// Opened and closed on the user-interface thread; the fetch job reaches it
// only through OpenWeatherRequest, so shutdown can't close it under the job.
extern platform::HttpConnection* httpConnection;

// The HTTP library in use; SystemInternet() unless a test replaces it.
void UseInternet(platform::Internet& internet);

// Whether the system reports that the internet can be reached; always true
// for a weather server on loopback, which needs no network.
bool CheckInternet();
bool OpenSession();
bool OpenConnection();
void CloseSession();
// Closes the connection, then the session.
void CloseConnection();

// Opens a request for `path` on httpConnection; null when the connection is
// not open (never opened, or already closed by shutdown) or the request
// can't be opened. Safe from the fetch job's thread.
platform::HttpRequest* OpenWeatherRequest(const char* path);

}  // namespace tickwell
