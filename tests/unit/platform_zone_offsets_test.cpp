// The system's time-zone data through platform/time_zone.h: the same table
// runs on Linux (zoneinfo) and under Wine (the Windows zones reached from
// the IANA names), so both give the same offsets either side of a change.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/time_zone.h"

namespace tickwell::platform {
namespace {

TEST(ZoneOffsets, EitherSideOfTheChangesInBothHemispheres) {
    constexpr int kHour = 3600;
    struct Case {
        const char* zone;
        std::int64_t utc;
        int offset;
        const char* when;
    };
    const std::vector<Case> cases = {
        {"Australia/Sydney", 1768435200, 11 * kHour, "2026-01-15 00:00 UTC, summer time"},
        {"Australia/Sydney", 1782907200, 10 * kHour, "2026-07-01 12:00 UTC, winter"},
        {"Australia/Sydney", 1775318399, 11 * kHour,
         "2026-04-04 15:59:59 UTC, last second of summer time"},
        {"Australia/Sydney", 1775318400, 10 * kHour, "2026-04-04 16:00 UTC, summer time over"},
        {"Europe/London", 1792889999, 1 * kHour, "2026-10-25 00:59:59 UTC, last second of BST"},
        {"Europe/London", 1792890000, 0, "2026-10-25 01:00 UTC, GMT again"},
        {"Europe/London", 1768435200, 0, "2026-01-15, winter"},
        {"Pacific/Honolulu", 1768435200, -10 * kHour, "January"},
        {"Pacific/Honolulu", 1782907200, -10 * kHour, "July: no daylight saving"},
        {"Asia/Kolkata", 1768435200, 5 * kHour + 1800, "January"},
        {"Asia/Kolkata", 1782907200, 5 * kHour + 1800, "July"},
        {"America/New_York", 1782907200, -4 * kHour, "July"},
    };
    for (const Case& test : cases) {
        const std::optional<int> offset = UtcOffsetSeconds(test.zone, test.utc);
        ASSERT_TRUE(offset) << test.zone;
        EXPECT_EQ(*offset, test.offset) << test.zone << " at " << test.when;
    }
}

TEST(ZoneOffsets, UnknownZonesGiveNone) {
    for (const std::string zone : {"", "Mars/Olympus_Mons", "Europe/", "../../etc/passwd"}) {
        EXPECT_FALSE(UtcOffsetSeconds(zone, 1768435200)) << zone;
    }
}

}  // namespace
}  // namespace tickwell::platform
