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
extern platform::HttpConnection* httpConnection;

// The HTTP library in use; SystemInternet() unless a test replaces it.
void UseInternet(platform::Internet& internet);

bool CheckInternet();
bool OpenSession();
bool OpenConnection();
void CloseSession();
// Closes the connection, then the session.
void CloseConnection();

}  // namespace tickwell
