// The short names by which the program's command line and the control
// endpoints name pages and misbehaviours, e.g. "forecast=notfound:3".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "weather_server.h"

namespace tickwell::tools {

// The largest values a fault description may give.
constexpr long long kMaxFaultCount = 1000000;
constexpr long long kMaxDelayMs = 10 * 60 * 1000;
constexpr long long kMaxOversizeBytes = 64LL * 1024 * 1024;

std::optional<Page> PageFromName(std::string_view name);
const char* PageName(Page page);

// "none", "notfound", "empty", "cut", "close", "slow", "hang", "nomark",
// "oversized".
std::optional<Misbehaviour> MisbehaviourFromName(std::string_view name);
const char* MisbehaviourName(Misbehaviour kind);

struct PageFault {
    Page page = Page::Forecast;
    Fault fault;
};

// Reads "PAGE=KIND[:COUNT[:DELAY_MS[:BYTES]]]", e.g. "roundup=slow:2:1500".
// Every number must be whole and in range; COUNT may be -1 (every request).
std::optional<PageFault> ParsePageFault(std::string_view text);

// Reads a decimal integer from the whole of `text` within [low, high].
std::optional<long long> ParseWholeNumber(std::string_view text, long long low, long long high);

}  // namespace tickwell::tools
