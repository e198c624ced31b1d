// The offset from UTC that a place keeps at a given instant, from the
// operating system's own time-zone data: on Linux the system's zoneinfo
// files (tzdata), on Windows its registry of time zones, reached through
// the IANA zone's Windows name. Safe to call from any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tickwell::platform {

// Seconds east of UTC that the IANA zone `zone` ("Europe/London") keeps at
// `utc`, in seconds since 1970-01-01 UTC; none when the system does not
// know the zone.
std::optional<int> UtcOffsetSeconds(const std::string& zone, std::int64_t utc);

}  // namespace tickwell::platform
