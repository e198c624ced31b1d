// The compass points and day names the pages are written with, at the
// edges of each sector and beyond the usual ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "live/words.h"

namespace tickwell::live {
namespace {

TEST(LiveWords, CompassSectorsAndDayNames) {
    struct Case {
        double degrees;
        const char* point;
        const char* direction;
    };
    const Case cases[] = {
        {0, "N", "NORTH"},
        {22.49, "N", "NORTH"},
        {22.5, "NE", "NORTHEAST"},
        {90, "E", "EAST"},
        {157.5, "S", "SOUTH"},
        {202.4, "S", "SOUTH"},
        {292.5, "NW", "NORTHWEST"},
        {337.49, "NW", "NORTHWEST"},
        {337.5, "N", "NORTH"},
        {360, "N", "NORTH"},
        // Beyond the circle, taken round it; no number reads as north.
        {-45, "NW", "NORTHWEST"},
        {765, "NE", "NORTHEAST"},
        {std::numeric_limits<double>::quiet_NaN(), "N", "NORTH"},
        {std::numeric_limits<double>::infinity(), "N", "NORTH"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CompassPoint(c.degrees), c.point) << c.degrees;
        EXPECT_EQ(CompassDirection(c.degrees), c.direction) << c.degrees;
    }

    EXPECT_EQ(DayName(0), "SUNDAY");
    EXPECT_EQ(DayName(3), "WEDNESDAY");
    EXPECT_EQ(DayName(6), "SATURDAY");
    // The day before Sunday, as the midnight of an alert's end asks for it.
    EXPECT_EQ(DayName(-1), "SATURDAY");
    EXPECT_EQ(DayName(7), "SUNDAY");
}

}  // namespace
}  // namespace tickwell::live
