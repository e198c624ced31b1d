// The canvas on a pixmap: a window's back buffer at an origin, or the
// bitmap selected into a memory canvas.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "platform/linux/gui/fltk_graphics.h"
#include "platform/pixel_rules.h"

namespace tickwell::linux_gui {

namespace {

const FltkPen& AsPen(const Pen* pen) {
    return *static_cast<const FltkPen*>(pen);
}
const FltkBrush& AsBrush(const Brush* brush) {
    return *static_cast<const FltkBrush*>(brush);
}
const FltkFont& AsFont(const Font* font) {
    return *static_cast<const FltkFont*>(font);
}

}  // namespace

FltkCanvas::FltkCanvas(FltkGraphics& graphics, Pixmap surface, Point origin, Point extent,
                       Rect clip, ReleaseHandler onRelease)
    : graphics_(graphics),
      memory_(false),
      surface_(surface),
      origin_(origin),
      extent_(extent),
      clip_(clip),
      onRelease_(std::move(onRelease)),
      pen_(graphics.DefaultPen()),
      brush_(graphics.DefaultBrush()),
      font_(graphics.DefaultFont()) {}

FltkCanvas::FltkCanvas(FltkGraphics& graphics)
    : graphics_(graphics),
      memory_(true),
      pen_(graphics.DefaultPen()),
      brush_(graphics.DefaultBrush()),
      font_(graphics.DefaultFont()),
      bitmap_(graphics.DefaultBitmap()) {}

FltkCanvas::~FltkCanvas() {
    if (onRelease_) onRelease_(touched_);
}

Pen* FltkCanvas::SelectPen(Pen* pen) {
    return std::exchange(pen_, pen != nullptr ? pen : pen_);
}
Brush* FltkCanvas::SelectBrush(Brush* brush) {
    return std::exchange(brush_, brush != nullptr ? brush : brush_);
}
Font* FltkCanvas::SelectFont(Font* font) {
    return std::exchange(font_, font != nullptr ? font : font_);
}
Bitmap* FltkCanvas::SelectBitmap(Bitmap* bitmap) {
    if (!memory_ || bitmap == nullptr) return nullptr;
    return std::exchange(bitmap_, bitmap);
}

BackgroundMode FltkCanvas::SetBackgroundMode(BackgroundMode mode) {
    return std::exchange(backgroundMode_, mode);
}
Color FltkCanvas::SetTextColor(Color color) {
    return std::exchange(textColor_, color);
}

Pixmap FltkCanvas::Target() const {
    if (!memory_) return surface_;
    return static_cast<const FltkBitmap*>(bitmap_)->pixmap();
}

Point FltkCanvas::Extent() const {
    if (!memory_) return extent_;
    const auto* bitmap = static_cast<const FltkBitmap*>(bitmap_);
    return Point{bitmap->width(), bitmap->height()};
}

Rect FltkCanvas::ClipRect() const {
    const Point extent = Extent();
    const Rect whole{0, 0, extent.x, extent.y};
    return memory_ ? whole : Intersect(whole, clip_);
}

// Whether drawing in `box` (canvas coordinates) can change a pixel. Drawing
// wholly outside the clip is skipped before it costs X requests and text
// rendering: four times a second only the ticker strip is repainted, and
// the readouts, captions and lamp fall outside it.
bool FltkCanvas::Reaches(const Rect& box) const {
    const Rect part = Intersect(box, ClipRect());
    return part.Width() > 0 && part.Height() > 0;
}

// Remembers what a surface canvas drew on, in surface coordinates, so the
// window shows exactly those parts when the canvas is released.
void FltkCanvas::Touch(int left, int top, int right, int bottom) {
    if (memory_) return;
    const Rect area = Intersect(Rect{left, top, right, bottom}, ClipRect());
    if (area.Width() <= 0 || area.Height() <= 0) return;
    const Rect shifted{area.left + origin_.x, area.top + origin_.y, area.right + origin_.x,
                       area.bottom + origin_.y};
    for (Rect& known : touched_) {
        if (shifted.left >= known.left && shifted.right <= known.right &&
            shifted.top >= known.top && shifted.bottom <= known.bottom)
            return;
    }
    touched_.push_back(shifted);
}

void FltkCanvas::FillBox(int left, int top, int right, int bottom, Color color) {
    if (right <= left || bottom <= top) return;
    UseColor(color);
    fl_rectf(origin_.x + left, origin_.y + top, right - left, bottom - top);
}

namespace {

// The clip of a canvas in its pixmap's coordinates.
Rect PixmapClip(const Rect& clip, Point origin) {
    return Rect{clip.left + origin.x, clip.top + origin.y, clip.right + origin.x,
                clip.bottom + origin.y};
}

}  // namespace

Rect FltkCanvas::TargetClip() const {
    return PixmapClip(ClipRect(), origin_);
}

// The end point is left out. Horizontal and vertical lines are drawn as
// one shortened FLTK line (which would draw both ends); other lines point
// by point with Bresenham's algorithm from the start point, the same
// pixels the raster canvas gives.
void FltkCanvas::Line(int fromX, int fromY, int toX, int toY) {
    const FltkPen& pen = AsPen(pen_);
    if (pen.isNull() || (fromX == toX && fromY == toY)) return;
    if (!Reaches(Rect{std::min(fromX, toX), std::min(fromY, toY), std::max(fromX, toX) + 1,
                      std::max(fromY, toY) + 1}))
        return;
    DrawingScope scope(Target(), TargetClip());
    if (!scope) return;
    UseColor(pen.color());
    const int ox = origin_.x;
    const int oy = origin_.y;
    if (fromY == toY) {
        const int last = toX > fromX ? toX - 1 : toX + 1;
        fl_xyline(ox + std::min(fromX, last), oy + fromY, ox + std::max(fromX, last));
        Touch(std::min(fromX, last), fromY, std::max(fromX, last) + 1, fromY + 1);
        return;
    }
    if (fromX == toX) {
        const int last = toY > fromY ? toY - 1 : toY + 1;
        fl_yxline(ox + fromX, oy + std::min(fromY, last), oy + std::max(fromY, last));
        Touch(fromX, std::min(fromY, last), fromX + 1, std::max(fromY, last) + 1);
        return;
    }
    ForEachLinePixel(fromX, fromY, toX, toY, [&](int x, int y) { fl_point(ox + x, oy + y); });
    Touch(std::min(fromX, toX), std::min(fromY, toY), std::max(fromX, toX) + 1,
          std::max(fromY, toY) + 1);
}

void FltkCanvas::Rectangle(const Rect& area) {
    if (!Reaches(Normalised(area))) return;
    DrawingScope scope(Target(), TargetClip());
    if (!scope) return;
    const FltkPen& pen = AsPen(pen_);
    const Color fill = AsBrush(brush_).color();
    ForEachRectanglePart(area, pen.isNull(), [&](const Rect& part, bool isFrame) {
        FillBox(part.left, part.top, part.right, part.bottom, isFrame ? pen.color() : fill);
    });
    const Rect box = Normalised(area);
    Touch(box.left, box.top, box.right, box.bottom);
}

void FltkCanvas::Ellipse(const Rect& area) {
    if (!Reaches(Normalised(area))) return;
    DrawingScope scope(Target(), TargetClip());
    if (!scope) return;
    const FltkPen& pen = AsPen(pen_);
    const Color fill = AsBrush(brush_).color();
    ForEachEllipsePixel(area, [&](int x, int y, bool isOutline) {
        if (isOutline && pen.isNull()) return;
        UseColor(isOutline ? pen.color() : fill);
        fl_point(origin_.x + x, origin_.y + y);
    });
    const Rect box = Normalised(area);
    Touch(box.left, box.top, box.right, box.bottom);
}

// The text's cell has its top-left corner at (x, y); the baseline lies the
// font's ascent below. The plain fl_draw takes every character as itself:
// no '@' symbols and no '&' underlines.
void FltkCanvas::Text(int x, int y, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    const FltkFont& font = AsFont(font_);
    const int length = static_cast<int>(std::strlen(text));
    // No glyph of the fixed-pitch face is wider than its pixel size, nor
    // reaches more than a pixel or two sideways outside its cell. Above and
    // below, the face's ascent and descent, which make the cell, hold its
    // tallest glyphs: the captions under the ticker strip, whose cells
    // begin on the row below it, stay out of the ticker's repaints.
    constexpr int kGlyphSlack = 2;
    if (!Reaches(Rect{x - kGlyphSlack, y, x + length * font.size() + kGlyphSlack,
                      y + font.cellHeight()}))
        return;
    DrawingScope scope(Target(), TargetClip());
    if (!scope) return;
    fl_font(static_cast<Fl_Font>(font.face()), static_cast<Fl_Fontsize>(font.size()));
    // Measured only when something needs the width: the ticker's text, four
    // times a second, goes transparent onto a memory canvas.
    const bool needsWidth = backgroundMode_ == BackgroundMode::Opaque || !memory_;
    const int width = needsWidth ? static_cast<int>(std::lround(fl_width(text, length))) : 0;
    if (backgroundMode_ == BackgroundMode::Opaque) {
        // The default background colour of a device context is white.
        FillBox(x, y, x + width, y + font.cellHeight(), 0xFFFFFF);
    }
    UseColor(textColor_);
    fl_draw(text, length, origin_.x + x, origin_.y + y + font.ascent());
    Touch(x, y, x + width + 1, y + font.cellHeight());
}

void FltkCanvas::TextLine(const Rect& box, const char* text) {
    const int cellHeight = AsFont(font_).cellHeight();
    Text(box.left, box.top + (box.Height() - cellHeight) / 2, text);
}

int FltkCanvas::CharWidth(char character) {
    if (!DisplayAvailable()) return 0;
    const FltkFont& font = AsFont(font_);
    fl_font(static_cast<Fl_Font>(font.face()), static_cast<Fl_Fontsize>(font.size()));
    const char text[2] = {character, '\0'};
    return static_cast<int>(std::lround(fl_width(text, 1)));
}

std::unique_ptr<Canvas> FltkCanvas::CreateCompatibleCanvas() {
    return std::make_unique<FltkCanvas>(graphics_);
}

Bitmap* FltkCanvas::CreateCompatibleBitmap(int width, int height) {
    return new FltkBitmap(width, height);
}

// A plain copy, limited to the part of the block that lies inside the
// source; the destination is left alone elsewhere.
void FltkCanvas::CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height,
                          int x, int y) {
    const auto* from = dynamic_cast<const FltkCanvas*>(&source);
    if (from == nullptr || width <= 0 || height <= 0) return;
    const Point extent = from->Extent();
    const Rect wanted{sourceX, sourceY, sourceX + width, sourceY + height};
    const Rect available = Intersect(wanted, Rect{0, 0, extent.x, extent.y});
    if (available.Width() <= 0 || available.Height() <= 0) return;
    const int toX = x + (available.left - sourceX);
    const int toY = y + (available.top - sourceY);
    DrawingScope scope(Target(), TargetClip());
    if (!scope || from->Target() == 0) return;
    const Point fromOrigin = from->Origin();
    XCopyArea(fl_display, from->Target(), fl_window, fl_gc, available.left + fromOrigin.x,
              available.top + fromOrigin.y, static_cast<unsigned>(available.Width()),
              static_cast<unsigned>(available.Height()), toX + origin_.x, toY + origin_.y);
    Touch(toX, toY, toX + available.Width(), toY + available.Height());
}

}  // namespace tickwell::linux_gui
