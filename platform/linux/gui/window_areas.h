// Small sums on the rectangles of the main window's areas.
#pragma once

#include <algorithm>

#include "platform/geometry.h"

namespace tickwell::linux_gui {

inline bool IsEmpty(const Rect& r) {
    return r.Width() <= 0 || r.Height() <= 0;
}

// The smallest rectangle that holds both.
inline Rect Union(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

inline Rect Scaled(const Rect& r, int scale) {
    return Rect{r.left * scale, r.top * scale, r.right * scale, r.bottom * scale};
}

}  // namespace tickwell::linux_gui
