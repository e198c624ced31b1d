// The canvas's state: selections, modes, pixel access and block copies.
#include "tests/raster/raster_canvas.h"

#include <vector>

#include "tests/raster/raster_registry.h"

namespace tickwell {

RasterCanvas::RasterCanvas(std::shared_ptr<RasterRegistry> registry, Kind kind, int width,
                           int height, Color fill)
    : registry_(std::move(registry)),
      kind_(kind),
      pen_(&registry_->blackPen),
      brush_(&registry_->whiteBrush),
      font_(&registry_->systemFont),
      bitmap_(kind == Kind::Memory ? &registry_->defaultBitmap : nullptr) {
    if (kind_ == Kind::Surface)
        surface_ = std::make_unique<RasterBitmap>(nullptr, width, height, fill);
    registry_->AddCanvas(this);
}

// A memory canvas is made and deleted by the drawing code itself, which must
// put back what it selected first; one that still holds a created object
// when it is deleted counts a fault.
RasterCanvas::~RasterCanvas() {
    if (kind_ == Kind::Memory) {
        const bool stockPen = pen_ == &registry_->blackPen || pen_ == &registry_->nullPen;
        if (!stockPen || brush_ != &registry_->whiteBrush || font_ != &registry_->systemFont ||
            bitmap_ != &registry_->defaultBitmap) {
            ++registry_->faults;
        }
    }
    registry_->RemoveCanvas(this);
}

// Each Select accepts only this back end's objects; anything else (or null)
// fails, returning null and leaving the selection as it was.
Pen* RasterCanvas::SelectPen(Pen* pen) {
    if (dynamic_cast<RasterPen*>(pen) == nullptr) return nullptr;
    Pen* previous = pen_;
    pen_ = pen;
    return previous;
}

Brush* RasterCanvas::SelectBrush(Brush* brush) {
    if (dynamic_cast<RasterBrush*>(brush) == nullptr) return nullptr;
    Brush* previous = brush_;
    brush_ = brush;
    return previous;
}

Font* RasterCanvas::SelectFont(Font* font) {
    if (dynamic_cast<RasterFont*>(font) == nullptr) return nullptr;
    Font* previous = font_;
    font_ = font;
    return previous;
}

// A bitmap can be selected into one memory canvas at a time; the stock
// default bitmap is shared by all of them.
Bitmap* RasterCanvas::SelectBitmap(Bitmap* bitmap) {
    if (kind_ != Kind::Memory || dynamic_cast<RasterBitmap*>(bitmap) == nullptr) return nullptr;
    if (bitmap != &registry_->defaultBitmap) {
        for (const RasterCanvas* other : registry_->canvases) {
            if (other != this && other->HasSelected(bitmap)) {
                ++registry_->faults;
                return nullptr;
            }
        }
    }
    Bitmap* previous = bitmap_;
    bitmap_ = bitmap;
    return previous;
}

BackgroundMode RasterCanvas::SetBackgroundMode(BackgroundMode mode) {
    BackgroundMode previous = backgroundMode_;
    backgroundMode_ = mode;
    return previous;
}

Color RasterCanvas::SetTextColor(Color color) {
    Color previous = textColor_;
    textColor_ = color;
    return previous;
}

int RasterCanvas::CharWidth(char /*character*/) {
    return static_cast<const RasterFont*>(font_)->attributes().charWidth;
}

std::unique_ptr<Canvas> RasterCanvas::CreateCompatibleCanvas() {
    return std::make_unique<RasterCanvas>(registry_, Kind::Memory, 0, 0, 0x000000);
}

Bitmap* RasterCanvas::CreateCompatibleBitmap(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    return new RasterBitmap(registry_, width, height, 0x000000);
}

void RasterCanvas::CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height,
                            int x, int y) {
    const auto* raster = dynamic_cast<const RasterCanvas*>(&source);
    if (raster == nullptr || width <= 0 || height <= 0) return;
    const RasterBitmap* from = raster->Target();
    RasterBitmap* to = Target();
    // Read the whole block first, so a copy within one canvas may overlap.
    std::vector<Color> block(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            block[static_cast<std::size_t>(row * width + column)] =
                from->Get(sourceX + column, sourceY + row);
        }
    }
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            Color color = block[static_cast<std::size_t>(row * width + column)];
            // Pixels outside the source are left alone in the destination.
            if (from->Contains(sourceX + column, sourceY + row))
                to->Set(x + column, y + row, color);
        }
    }
}

Color RasterCanvas::GetPixel(int x, int y) const {
    return Target()->Get(x, y);
}

void RasterCanvas::SetPixel(int x, int y, Color color) {
    Target()->Set(x, y, color);
}

void RasterCanvas::Fill(Color color) {
    FillBox(0, 0, width(), height(), color);
}

int RasterCanvas::width() const {
    return Target()->width();
}

int RasterCanvas::height() const {
    return Target()->height();
}

bool RasterCanvas::HasSelected(const GraphicsObject* object) const {
    return object == pen_ || object == brush_ || object == font_ ||
           (bitmap_ != nullptr && object == bitmap_);
}

void RasterCanvas::ForgetObject(const GraphicsObject* object) {
    if (object == pen_) pen_ = &registry_->blackPen;
    if (object == brush_) brush_ = &registry_->whiteBrush;
    if (object == font_) font_ = &registry_->systemFont;
    if (bitmap_ != nullptr && object == bitmap_) bitmap_ = &registry_->defaultBitmap;
}

RasterBitmap* RasterCanvas::Target() const {
    if (kind_ == Kind::Surface) return surface_.get();
    return static_cast<RasterBitmap*>(bitmap_);
}

}  // namespace tickwell
