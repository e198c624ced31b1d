// The window scale rule shared by the desktops, and the mapping between the
// 1x picture and the enlarged window's pixels.
#include "platform/window_scale.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

namespace tickwell {
namespace {

TEST(WindowScale, StoredScaleWinsOnlyWhenItIsOneOfTheScales) {
    struct Case {
        std::optional<std::uint32_t> stored;
        int dpi;
        int expected;
    };
    const Case cases[] = {
        // The density alone: 2 from 144 dpi, 3 from 240.
        {std::nullopt, 96, 1},
        {std::nullopt, 120, 1},
        {std::nullopt, 143, 1},
        {std::nullopt, 144, 2},
        {std::nullopt, 192, 2},
        {std::nullopt, 239, 2},
        {std::nullopt, 240, 3},
        {std::nullopt, 480, 3},
        // A density no screen has is still no reason to enlarge.
        {std::nullopt, 0, 1},
        {std::nullopt, -192, 1},
        // A valid stored scale wins over the density, either way.
        {1u, 288, 1},
        {2u, 96, 2},
        {3u, 96, 3},
        {3u, 144, 3},
        // Anything else is passed over, never clamped.
        {0u, 96, 1},
        {4u, 96, 1},
        {4u, 192, 2},
        {0xFFFFFFFFu, 96, 1},
        {0x80000002u, 240, 3},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseWindowScale(c.stored, c.dpi), c.expected)
            << "stored " << (c.stored ? static_cast<long long>(*c.stored) : -1) << ", " << c.dpi
            << " dpi";
    }
}

TEST(WindowScale, PartsOfThePictureAndTheirScreenPixelsMapBothWays) {
    struct Case {
        Rect picture;
        int scale;
        int offset;
        Rect screen;
    };
    const Case cases[] = {
        {{0, 0, 198, 43}, 1, 0, {0, 0, 198, 43}},    {{0, 0, 198, 43}, 2, 1, {2, 2, 398, 88}},
        {{25, 5, 195, 20}, 2, 1, {52, 12, 392, 42}}, {{5, 5, 20, 20}, 3, 1, {18, 18, 63, 63}},
        {{-1, -1, 199, 44}, 3, 1, {0, 0, 600, 135}},
    };
    for (const Case& c : cases) {
        const Rect screen = EnlargedRect(c.picture, c.scale, c.offset);
        EXPECT_EQ(screen.left, c.screen.left);
        EXPECT_EQ(screen.top, c.screen.top);
        EXPECT_EQ(screen.right, c.screen.right);
        EXPECT_EQ(screen.bottom, c.screen.bottom);
        const Rect back = CoveringRect(screen, c.scale, c.offset);
        EXPECT_EQ(back.left, c.picture.left);
        EXPECT_EQ(back.top, c.picture.top);
        EXPECT_EQ(back.right, c.picture.right);
        EXPECT_EQ(back.bottom, c.picture.bottom);
    }
}

TEST(WindowScale, ScreenPixelsAreCoveredByWholeSquares) {
    // An update region that cuts squares (an exposure) is painted from the
    // whole squares it touches, left of the border included.
    const Rect part = CoveringRect(Rect{3, 1, 8, 6}, 2, 1);
    EXPECT_EQ(part.left, 0);
    EXPECT_EQ(part.top, -1);
    EXPECT_EQ(part.right, 3);
    EXPECT_EQ(part.bottom, 2);
    const Rect thirds = CoveringRect(Rect{4, 4, 5, 5}, 3, 1);
    EXPECT_EQ(thirds.left, 0);
    EXPECT_EQ(thirds.right, 1);
    // The screen left of or above the window rounds away from the window too.
    const Rect outside = CoveringRect(Rect{-5, -4, -1, 0}, 2, 0);
    EXPECT_EQ(outside.left, -3);
    EXPECT_EQ(outside.top, -2);
    EXPECT_EQ(outside.right, 0);
    EXPECT_EQ(outside.bottom, 0);
}

}  // namespace
}  // namespace tickwell
