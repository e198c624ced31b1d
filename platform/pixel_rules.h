// How lines, rectangles and ellipses become pixels in the classic graphics
// interface. The software canvas and the FLTK canvas both follow these
// rules, so they draw the same picture as GDI does.
#pragma once

#include <cstdlib>
#include <utility>

#include "platform/geometry.h"

namespace tickwell {

// A box with left <= right and top <= bottom.
inline Rect Normalised(const Rect& box) {
    Rect result = box;
    if (result.left > result.right) std::swap(result.left, result.right);
    if (result.top > result.bottom) std::swap(result.top, result.bottom);
    return result;
}

// Bresenham's line from the start point; the end point itself is left out.
// Calls plot(x, y) for each pixel.
template <class Plot>
void ForEachLinePixel(int fromX, int fromY, int toX, int toY, Plot plot) {
    const int dx = std::abs(toX - fromX);
    const int dy = -std::abs(toY - fromY);
    const int stepX = fromX < toX ? 1 : -1;
    const int stepY = fromY < toY ? 1 : -1;
    int error = dx + dy;
    int x = fromX;
    int y = fromY;
    while (x != toX || y != toY) {
        plot(x, y);
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

// A rectangle covers left..right-1 by top..bottom-1: a one-pixel frame in
// the pen and the brush inside it. With the null pen the brush alone fills
// a box one pixel smaller in width and height. Calls fill(box, isFrame) for
// each part; boxes may be empty.
template <class Fill>
void ForEachRectanglePart(const Rect& area, bool nullPen, Fill fill) {
    const Rect box = Normalised(area);
    if (nullPen) {
        fill(Rect{box.left, box.top, box.right - 1, box.bottom - 1}, false);
        return;
    }
    if (box.Width() <= 0 || box.Height() <= 0) return;
    fill(Rect{box.left, box.top, box.right, box.top + 1}, true);
    fill(Rect{box.left, box.bottom - 1, box.right, box.bottom}, true);
    fill(Rect{box.left, box.top, box.left + 1, box.bottom}, true);
    fill(Rect{box.right - 1, box.top, box.right, box.bottom}, true);
    fill(Rect{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1}, false);
}

// The pixels of the box whose centres lie inside the ellipse centred in the
// box, with half-axes a quarter pixel shorter than half the box; those with
// a 4-neighbour outside form the outline. A 3-by-3 box gives a plus sign
// with one inside pixel, as GDI draws it. Calls plot(x, y, isOutline).
template <class Plot>
void ForEachEllipsePixel(const Rect& area, Plot plot) {
    const Rect box = Normalised(area);
    const int width = box.Width();
    const int height = box.Height();
    if (width <= 0 || height <= 0) return;
    const double centreX = box.left + width / 2.0;
    const double centreY = box.top + height / 2.0;
    const double radiusX = width / 2.0 - 0.25;
    const double radiusY = height / 2.0 - 0.25;
    auto inside = [&](int x, int y) {
        if (x < box.left || x >= box.right || y < box.top || y >= box.bottom) return false;
        const double nx = (x + 0.5 - centreX) / radiusX;
        const double ny = (y + 0.5 - centreY) / radiusY;
        return nx * nx + ny * ny <= 1.0;
    };
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (!inside(x, y)) continue;
            plot(x, y,
                 !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1));
        }
    }
}

}  // namespace tickwell
