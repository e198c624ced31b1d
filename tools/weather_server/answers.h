// How the server's answers carry their bodies.
#pragma once

#include <string>

#include "connection_server.h"

namespace tickwell::tools {

// The body as a content provider of known length: httplib then neither
// compresses it nor sends it chunked, whatever the client accepts.
void SetBody(httplib::Response& res, int status, std::string body);

// Announces the whole body but sends only its first half; returning false
// from the provider makes the server close the connection.
void SetCutShortBody(httplib::Response& res, std::string body);

}  // namespace tickwell::tools
