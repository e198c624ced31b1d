// Time limits of the Linux HTTP back end. WinINet bounds connecting, sending
// and receiving by default; libcurl waits for ever unless told, so these
// bound every request. Tests shorten them.
#pragma once

#include <cstdint>

namespace tickwell::platform {

struct HttpTimeouts {
    // Resolving the name and opening the TCP connection.
    std::int32_t connectMs = 10000;
    // The whole request, from sending it to the end of the body.
    std::int32_t transferMs = 60000;
    // A transfer that moves less than one byte a second for this long is
    // given up before transferMs runs out.
    std::int32_t stallSeconds = 30;
};

// Applies to every request sent afterwards, and to CanConnect.
void SetHttpTimeouts(const HttpTimeouts& timeouts);
HttpTimeouts CurrentHttpTimeouts();

}  // namespace tickwell::platform
