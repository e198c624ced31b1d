// Time zones on Linux: Howard Hinnant's date library over the system's
// zoneinfo files (Debian builds it to read /usr/share/zoneinfo).
#include "platform/time_zone.h"

#include <date/tz.h>

#include <chrono>
#include <exception>

namespace tickwell::platform {

std::optional<int> UtcOffsetSeconds(const std::string& zone, std::int64_t utc) {
    try {
        const date::time_zone* found = date::locate_zone(zone);
        const date::sys_info info = found->get_info(date::sys_seconds{std::chrono::seconds{utc}});
        return static_cast<int>(info.offset.count());
    } catch (const std::exception&) {
        // An unknown zone, or no zoneinfo files on this system.
        return std::nullopt;
    }
}

}  // namespace tickwell::platform
