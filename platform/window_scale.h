// The integer scale a window is drawn at on a high-resolution screen, and
// how places in its 1x picture become screen pixels and back.
//
// The window shows the very same picture as at 1x with every pixel grown to
// a square of scale x scale screen pixels, so every pixel rule of the
// drawing stays exact. The rule is the same for every desktop: 2 from 144
// dots per inch, 3 from 240, else 1; a stored Scale of 1, 2 or 3 wins over
// the screen's density, and any other stored value is passed over.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/geometry.h"

namespace tickwell {

constexpr int kMinWindowScale = 1;
constexpr int kMaxWindowScale = 3;
// The densities from which the window is drawn at 2x and at 3x; below the
// first the screen is an ordinary 96 dpi one.
constexpr int kDoubleScaleDpi = 144;
constexpr int kTripleScaleDpi = 240;

constexpr int WindowScaleForDpi(int dpi) {
    if (dpi >= kTripleScaleDpi) return 3;
    if (dpi >= kDoubleScaleDpi) return 2;
    return kMinWindowScale;
}

// A stored scale (the 32-bit Scale setting) when it is one of the scales.
constexpr std::optional<int> ForcedWindowScale(std::optional<std::uint32_t> stored) {
    if (!stored || *stored < kMinWindowScale || *stored > kMaxWindowScale) return std::nullopt;
    return static_cast<int>(*stored);
}

// The scale to draw at: the stored one when it is valid, else the one the
// screen's density asks for. An invalid value is never clamped, so a typing
// error cannot blow the window up to a size nobody asked for.
constexpr int ChooseWindowScale(std::optional<std::uint32_t> stored, int dpi) {
    if (const auto forced = ForcedWindowScale(stored)) return *forced;
    return WindowScaleForDpi(dpi);
}

// The screen pixels that show `area` of the 1x picture, when the picture's
// origin is `offset` 1x pixels inside the window (its border).
constexpr Rect EnlargedRect(const Rect& area, int scale, int offset) {
    return Rect{(area.left + offset) * scale, (area.top + offset) * scale,
                (area.right + offset) * scale, (area.bottom + offset) * scale};
}

namespace scale_detail {
// Division rounding towards minus infinity and towards plus infinity.
constexpr int FloorDivide(int value, int divisor) {
    return value >= 0 ? value / divisor : -((-value + divisor - 1) / divisor);
}
constexpr int CeilDivide(int value, int divisor) {
    return -FloorDivide(-value, divisor);
}
}  // namespace scale_detail

// The smallest part of the 1x picture whose enlargement covers the screen
// pixels `shown` (a part of a square counts whole).
constexpr Rect CoveringRect(const Rect& shown, int scale, int offset) {
    using scale_detail::CeilDivide;
    using scale_detail::FloorDivide;
    if (scale < 1) scale = 1;
    return Rect{FloorDivide(shown.left, scale) - offset, FloorDivide(shown.top, scale) - offset,
                CeilDivide(shown.right, scale) - offset, CeilDivide(shown.bottom, scale) - offset};
}

}  // namespace tickwell
