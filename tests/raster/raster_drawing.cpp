// Lines, rectangles, ellipses and text on the raster canvas; the pixel
// rules are described in raster_canvas.h.
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/pixel_rules.h"
#include "tests/raster/raster_canvas.h"

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

}  // namespace

void RasterCanvas::Plot(int x, int y, Color color) {
    Target()->Set(x, y, color);
}

void RasterCanvas::FillBox(int left, int top, int right, int bottom, Color color) {
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) Plot(x, y, color);
    }
}

void RasterCanvas::Line(int fromX, int fromY, int toX, int toY) {
    const RasterPen& pen = AsPen(pen_);
    if (pen.isNull()) return;
    ForEachLinePixel(fromX, fromY, toX, toY, [&](int x, int y) { Plot(x, y, pen.color()); });
}

void RasterCanvas::Rectangle(const Rect& area) {
    const RasterPen& pen = AsPen(pen_);
    const Color fill = AsBrush(brush_).color();
    ForEachRectanglePart(area, pen.isNull(), [&](const Rect& part, bool isFrame) {
        FillBox(part.left, part.top, part.right, part.bottom, isFrame ? pen.color() : fill);
    });
}

void RasterCanvas::Ellipse(const Rect& area) {
    const RasterPen& pen = AsPen(pen_);
    const Color fill = AsBrush(brush_).color();
    ForEachEllipsePixel(area, [&](int x, int y, bool isOutline) {
        if (!isOutline) {
            Plot(x, y, fill);
        } else if (!pen.isNull()) {
            Plot(x, y, pen.color());
        }
    });
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
