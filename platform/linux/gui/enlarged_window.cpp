// The main window at a scale of 2 or 3: the changed parts of the 1x picture,
// with the close button drawn over them at 1x, shown with every pixel
// enlarged to a square.
#include <FL/x.H>
#include <X11/Xutil.h>

#include <cstdlib>
#include <vector>

#include "platform/linux/gui/close_button.h"
#include "platform/linux/gui/enlarged_picture.h"
#include "platform/linux/gui/main_window.h"
#include "platform/linux/gui/scale_rules.h"
#include "platform/linux/gui/window_areas.h"

namespace tickwell::linux_gui {

namespace {

// Enlarges pixel by pixel, for image formats whose pixels are not whole
// bytes.
void EnlargeEachPixel(XImage* from, XImage* to, int scale) {
    for (int y = 0; y < to->height; ++y) {
        for (int x = 0; x < to->width; ++x)
            XPutPixel(to, x, y, XGetPixel(from, x / scale, y / scale));
    }
}

}  // namespace

void PutEnlarged(Pixmap source, const Rect& area, int scale, Drawable target, int x, int y) {
    const int width = area.Width();
    const int height = area.Height();
    if (source == 0 || width <= 0 || height <= 0 || scale <= 0 || !DisplayAvailable()) return;
    XImage* from = XGetImage(fl_display, source, area.left, area.top, static_cast<unsigned>(width),
                             static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (from == nullptr) return;
    XImage* to = XCreateImage(fl_display, fl_visual->visual, static_cast<unsigned>(from->depth),
                              ZPixmap, 0, nullptr, static_cast<unsigned>(width * scale),
                              static_cast<unsigned>(height * scale), from->bitmap_pad, 0);
    if (to != nullptr) {
        // XDestroyImage frees the pixels with free().
        to->data = static_cast<char*>(
            std::malloc(static_cast<std::size_t>(to->bytes_per_line) * to->height));
    }
    if (to != nullptr && to->data != nullptr) {
        if (from->bits_per_pixel % 8 == 0 && from->bits_per_pixel == to->bits_per_pixel) {
            EnlargePixels(reinterpret_cast<const unsigned char*>(from->data),
                          static_cast<std::size_t>(from->bytes_per_line), width, height,
                          from->bits_per_pixel / 8, scale,
                          reinterpret_cast<unsigned char*>(to->data),
                          static_cast<std::size_t>(to->bytes_per_line));
        } else {
            EnlargeEachPixel(from, to, scale);
        }
        XPutImage(fl_display, target, fl_gc, to, 0, 0, x, y, static_cast<unsigned>(to->width),
                  static_cast<unsigned>(to->height));
    }
    if (to != nullptr) XDestroyImage(to);
    XDestroyImage(from);
}

// The enlarged window shows the parts of the 1x picture that changed, the
// button included when it changed (pressed or released), or all of it.
void MainWindowWidget::DrawEnlarged() {
    const Rect whole{0, 0, w() / scale_, h() / scale_};
    std::vector<Rect> areas;
    if (damage() & ~(FL_DAMAGE_USER1 | FL_DAMAGE_CHILD)) {
        areas.push_back(whole);
    } else {
        if (damage() & FL_DAMAGE_USER1) areas = dirty_;
        if (damage() & FL_DAMAGE_CHILD) areas.push_back(closeButtonPlace_);
    }
    dirty_.clear();
    if (closeButton_ != nullptr) closeButton_->clear_damage();
    for (const Rect& area : areas) ShowEnlarged(Intersect(area, whole));
}

// Puts the back buffer's part and the button over it together at 1x, then
// shows that enlarged.
void MainWindowWidget::ShowEnlarged(const Rect& area) {
    if (IsEmpty(area)) return;
    Pixmap picture = services_.backBuffer();
    const bool showsButton = closeButton_ != nullptr && closeButton_->visible() &&
                             !IsEmpty(Intersect(area, closeButtonPlace_));
    if (showsButton && composed_ && composed_->pixmap() != 0) {
        DrawingScope scope(composed_->pixmap(), area);
        if (scope) {
            XCopyArea(fl_display, picture, fl_window, fl_gc, area.left, area.top,
                      static_cast<unsigned>(area.Width()), static_cast<unsigned>(area.Height()),
                      area.left, area.top);
            static_cast<CloseButton*>(closeButton_)->DrawAt(closeButtonPlace_);
            picture = composed_->pixmap();
        }
    }
    PutEnlarged(picture, area, scale_, fl_window, area.left * scale_, area.top * scale_);
}

}  // namespace tickwell::linux_gui
