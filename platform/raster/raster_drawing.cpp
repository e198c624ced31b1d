// Lines, rectangles, ellipses and text on the raster canvas; the pixel
// rules are described in raster_canvas.h.
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/raster/raster_canvas.h"

namespace tickwell {

namespace {

const RasterPen& AsPen(const Pen* pen) {
    return *static_cast<const RasterPen*>(pen);
}
const RasterBrush& AsBrush(const Brush* brush) {
    return *static_cast<const RasterBrush*>(brush);
}
const RasterFont& AsFont(const Font* font) {
    return *static_cast<const RasterFont*>(font);
}

// A box with left <= right and top <= bottom, as the classic interface
// normalises it.
Rect Normalised(const Rect& box) {
    Rect result = box;
    if (result.left > result.right) std::swap(result.left, result.right);
    if (result.top > result.bottom) std::swap(result.top, result.bottom);
    return result;
}

}  // namespace

void RasterCanvas::Plot(int x, int y, Color color) {
    Target()->Set(x, y, color);
}

void RasterCanvas::FillBox(int left, int top, int right, int bottom, Color color) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) Plot(x, y, color);
    }
}

// Bresenham's line from the start point; the end point itself is not drawn.
void RasterCanvas::Line(int fromX, int fromY, int toX, int toY) {
    const RasterPen& pen = AsPen(pen_);
    if (pen.isNull()) return;
    const int dx = std::abs(toX - fromX);
    const int dy = -std::abs(toY - fromY);
    const int stepX = fromX < toX ? 1 : -1;
    const int stepY = fromY < toY ? 1 : -1;
    int error = dx + dy;
    int x = fromX;
    int y = fromY;
    while (x != toX || y != toY) {
        Plot(x, y, pen.color());
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

void RasterCanvas::Rectangle(const Rect& area) {
    const Rect box = Normalised(area);
    const RasterPen& pen = AsPen(pen_);
    const Color fill = AsBrush(brush_).color();
    if (pen.isNull()) {
        FillBox(box.left, box.top, box.right - 1, box.bottom - 1, fill);
        return;
    }
    if (box.Width() <= 0 || box.Height() <= 0) return;
    FillBox(box.left, box.top, box.right, box.top + 1, pen.color());
    FillBox(box.left, box.bottom - 1, box.right, box.bottom, pen.color());
    FillBox(box.left, box.top, box.left + 1, box.bottom, pen.color());
    FillBox(box.right - 1, box.top, box.right, box.bottom, pen.color());
    FillBox(box.left + 1, box.top + 1, box.right - 1, box.bottom - 1, fill);
}

void RasterCanvas::Ellipse(const Rect& area) {
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
    const RasterPen& pen = AsPen(pen_);
    const Color fill = AsBrush(brush_).color();
    for (int y = box.top; y < box.bottom; ++y) {
        for (int x = box.left; x < box.right; ++x) {
            if (!inside(x, y)) continue;
            const bool edge =
                !inside(x - 1, y) || !inside(x + 1, y) || !inside(x, y - 1) || !inside(x, y + 1);
            if (!edge) {
                Plot(x, y, fill);
            } else if (!pen.isNull()) {
                Plot(x, y, pen.color());
            }
        }
    }
}

void RasterCanvas::DrawCharacters(int x, int y, const char* text, std::size_t count) {
    const RasterFontAttributes& font = AsFont(font_).attributes();
    const int cell = font.charWidth > 0 ? font.charWidth : kFallbackTextCellWidth;
    const int cellHeight = std::abs(font.cellHeight);
    for (std::size_t i = 0; i < count; ++i) {
        const int left = x + static_cast<int>(i) * cell;
        if (backgroundMode_ == BackgroundMode::Opaque) {
            FillBox(left, y, left + cell, y + cellHeight, 0xFFFFFF);
        }
        if (text[i] == ' ') continue;
        if (cell < 3 || cellHeight < 5) {
            FillBox(left, y, left + cell, y + cellHeight, textColor_);
        } else {
            FillBox(left + 1, y + 2, left + cell - 1, y + cellHeight - 2, textColor_);
        }
    }
}

void RasterCanvas::Text(int x, int y, const char* text) {
    if (text == nullptr) return;
    DrawCharacters(x, y, text, std::strlen(text));
}

void RasterCanvas::TextLine(const Rect& box, const char* text) {
    if (text == nullptr) return;
    const int cellHeight = std::abs(AsFont(font_).attributes().cellHeight);
    DrawCharacters(box.left, box.top + (box.Height() - cellHeight) / 2, text, std::strlen(text));
}

}  // namespace tickwell
