// A cheap look at a body before a JSON tree is built from it: one pass
// that keeps only two counters, and stops at the first byte past a limit.
#pragma once

#include <string_view>

#include "live/answer_limits.h"

namespace tickwell::live {

// Whether `body` is one well-formed JSON value within `limits`' size,
// value count and depth.
bool JsonWithinLimits(std::string_view body, const AnswerLimits& limits);

}  // namespace tickwell::live
