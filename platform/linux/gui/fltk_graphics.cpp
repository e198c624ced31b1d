#include "platform/linux/gui/fltk_graphics.h"

#include <FL/x.H>

#include <algorithm>
#include <cstdlib>

namespace tickwell::linux_gui {

namespace {

// GDI's default font is about this tall; only used when a canvas draws text
// before any font was selected.
constexpr int kDefaultFontCellHeight = 16;

}  // namespace

FltkBitmap::FltkBitmap(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {
    if (!DisplayAvailable()) return;
    pixmap_ =
        XCreatePixmap(fl_display, RootWindow(fl_display, fl_screen), static_cast<unsigned>(width_),
                      static_cast<unsigned>(height_), static_cast<unsigned>(fl_visual->depth));
    // A new bitmap is black, as a freshly created compatible bitmap is.
    FillPixmap(pixmap_, Rect{0, 0, width_, height_}, 0x000000);
}

FltkBitmap::~FltkBitmap() {
    if (pixmap_ != 0 && fl_display != nullptr) XFreePixmap(fl_display, pixmap_);
}

const FontChoice& FltkFont::Choice() const {
    if (!chosen_) {
        choice_ = ChooseFixedFont(wantedCellHeight_);
        chosen_ = true;
    }
    return choice_;
}

FltkGraphics::FltkGraphics() = default;
FltkGraphics::~FltkGraphics() = default;

Pen* FltkGraphics::CreatePen(Color color) {
    return new FltkPen(color, false);
}

Brush* FltkGraphics::CreateSolidBrush(Color color) {
    return new FltkBrush(color);
}

Font* FltkGraphics::CreateFixedFont(const FontAttributes& attributes) {
    return new FltkFont(std::abs(attributes.cellHeight));
}

Font* FltkGraphics::DefaultFont() {
    if (!defaultFont_) defaultFont_ = std::make_unique<FltkFont>(kDefaultFontCellHeight);
    return defaultFont_.get();
}

Bitmap* FltkGraphics::DefaultBitmap() {
    if (!defaultBitmap_) defaultBitmap_ = std::make_unique<FltkBitmap>(1, 1);
    return defaultBitmap_.get();
}

std::unique_ptr<Canvas> FltkGraphics::OpenDisplayCanvas() {
    if (!displaySurface_) displaySurface_ = std::make_unique<FltkBitmap>(1, 1);
    return std::make_unique<FltkCanvas>(*this, displaySurface_->pixmap(), Point{0, 0}, Point{1, 1},
                                        Rect{0, 0, 1, 1}, nullptr);
}

}  // namespace tickwell::linux_gui
