// Reading single members of the weather service's JSON answers, where any
// member may be missing or of another type than the answer's shape says:
// each reader gives nothing (or empty text) then, never an exception.
#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "live/time_text.h"

namespace tickwell::live {

// The string member `name` of `object`, or empty when `object` is no
// object or the member is missing or no string.
std::string StringField(const nlohmann::json& object, const char* name);

// The string member `name` of `object` read as an ISO 8601 time.
std::optional<TimeStamp> TimeField(const nlohmann::json& object, const char* name);

// The member `name` of `object` when it is an object (or an array), else
// null.
const nlohmann::json* ObjectField(const nlohmann::json& object, const char* name);
const nlohmann::json* ArrayField(const nlohmann::json& object, const char* name);

}  // namespace tickwell::live
