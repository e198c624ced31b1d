// The altered bodies the server sends when it is told to misbehave.
#pragma once

#include <cstddef>
#include <string>

#include "weather_server.h"

namespace tickwell::tools {

// The mark the program looks for in each page: "FORECAST" in the forecast,
// the station name "DENVER INTL AP" in the roundup.
const char* PageMark(Page page);

// The page without its mark: in the forecast every "FORECAST" becomes
// "BULLETIN"; from the roundup every line holding the station name is removed.
std::string WithoutMark(const std::string& body, Page page);

// The page padded with HTML comment lines to `bytes` bytes (a page already
// that long is returned as it is). The padding goes before the closing body
// tag, or at the very start when `padAtStart` is set. It holds no mark, no
// line starting with "." and no "</pre>".
std::string Oversized(const std::string& body, std::size_t bytes, bool padAtStart);

// The small HTML page that goes with a 404 answer.
const std::string& NotFoundPage();

}  // namespace tickwell::tools
