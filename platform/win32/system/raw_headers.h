// Turns the raw response headers WinINet hands out (the status line, then
// one "Name: value" line each, CRLF-separated) into the HTTPS client's list.
#pragma once

#include <string_view>
#include <vector>

#include "platform/https_client.h"

namespace tickwell::platform {

// Skips the status line and any line without a colon; names come out in
// lower case, values without the blanks around them, in the order sent.
std::vector<HttpsHeader> ParseRawHeaders(std::string_view raw);

// Whether a request header can be sent as it is: a non-empty name of
// visible characters without a colon, and no line break anywhere. A value
// taken from an earlier answer (Last-Modified) must never smuggle in a
// header of its own.
bool IsSafeRequestHeader(const HttpsHeader& header);

}  // namespace tickwell::platform
