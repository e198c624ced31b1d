// The main window's widget at 1x: placing and showing it, its mouse events
// (the menu, dragging) and the copies from the back buffer. The enlarged
// drawing is in enlarged_window.cpp.
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>

#include "platform/linux/gui/main_window.h"
#include "platform/linux/gui/tool_window_hints.h"
#include "platform/linux/gui/window_areas.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace tickwell::linux_gui {

MainWindowWidget::MainWindowWidget(FltkWindowServices& services, int x, int y, int width,
                                   int height, int scale)
    : Fl_Window(x, y, width * scale, height * scale), services_(services), scale_(scale) {
    if (scale_ > 1) composed_ = std::make_unique<FltkBitmap>(width, height);
    end();
    border(0);
    clear_visible_focus();
    copy_label(StringResource(IDS_TITLE));
    // The window sits where it was placed; FLTK must not move it.
    force_position(1);
    // The window manager's close request, and Escape, arrive here. Escape
    // does not close a window of this kind, so only the former counts.
    callback([](Fl_Widget* widget, void*) {
        if (Fl::event() == FL_SHORTCUT && Fl::event_key() == FL_Escape) return;
        static_cast<MainWindowWidget*>(widget)->services_.CloseRequested();
    });
}

void MainWindowWidget::show() {
    if (shown()) {
        Fl_Window::show();
        return;
    }
    const unsigned long xid = CreateToolWindow(*this);
    if (xid == 0) return;
    MapToolWindow(xid);
    set_visible();
    handle(FL_SHOW);
    redraw();
}

int MainWindowWidget::handle(int event) {
    switch (event) {
        case FL_PUSH:
            if (Fl_Window::handle(event)) return 1;  // the close button took it
            if (Fl::event_button() == FL_RIGHT_MOUSE) {
                services_.RightClick(Fl::event_x_root(), Fl::event_y_root());
                return 1;
            }
            if (Fl::event_button() == FL_LEFT_MOUSE) {
                // Every point of the window acts as its title bar.
                dragging_ = true;
                dragOffsetX_ = Fl::event_x_root() - x();
                dragOffsetY_ = Fl::event_y_root() - y();
            }
            return 1;
        case FL_DRAG:
            if (dragging_) {
                position(Fl::event_x_root() - dragOffsetX_, Fl::event_y_root() - dragOffsetY_);
                return 1;
            }
            break;
        case FL_RELEASE:
            if (dragging_) {
                dragging_ = false;
                return 1;
            }
            break;
        default: break;
    }
    return Fl_Window::handle(event);
}

void MainWindowWidget::CopyFromBackBuffer(const Rect& area) {
    if (IsEmpty(area)) return;
    fl_copy_offscreen(area.left, area.top, area.Width(), area.Height(), services_.backBuffer(),
                      area.left, area.top);
}

// A full redraw (exposure, first show) copies the whole back buffer and
// draws the button over it. Otherwise only the changed parts are copied,
// leaving out the button's square, so that the button does not flicker
// when the parts around it change.
void MainWindowWidget::draw() {
    if (scale_ > 1) {
        DrawEnlarged();
        return;
    }
    const Rect whole{0, 0, w(), h()};
    if (damage() & ~(FL_DAMAGE_USER1 | FL_DAMAGE_CHILD)) {
        CopyFromBackBuffer(whole);
        draw_children();
        dirty_.clear();
        return;
    }
    if (damage() & FL_DAMAGE_USER1) {
        Rect button{};
        if (closeButton_ != nullptr && closeButton_->visible()) {
            button =
                Rect{closeButton_->x(), closeButton_->y(), closeButton_->x() + closeButton_->w(),
                     closeButton_->y() + closeButton_->h()};
        }
        for (const Rect& area : dirty_) {
            const Rect part = Intersect(area, whole);
            if (IsEmpty(Intersect(part, button))) {
                CopyFromBackBuffer(part);
                continue;
            }
            // The part minus the button: above, below, left and right of it.
            CopyFromBackBuffer(Rect{part.left, part.top, part.right, button.top});
            CopyFromBackBuffer(Rect{part.left, button.bottom, part.right, part.bottom});
            const int top = std::max(part.top, button.top);
            const int bottom = std::min(part.bottom, button.bottom);
            CopyFromBackBuffer(Rect{part.left, top, button.left, bottom});
            CopyFromBackBuffer(Rect{button.right, top, part.right, bottom});
        }
        dirty_.clear();
    }
    if ((damage() & FL_DAMAGE_CHILD) && closeButton_ != nullptr) update_child(*closeButton_);
}

void MainWindowWidget::SetCloseButton(Fl_Widget* button, const Rect& place) {
    closeButton_ = button;
    closeButtonPlace_ = place;
}

void MainWindowWidget::ShowAreas(const std::vector<Rect>& areas) {
    if (areas.empty()) return;
    dirty_.insert(dirty_.end(), areas.begin(), areas.end());
    damage(FL_DAMAGE_USER1);
}

}  // namespace tickwell::linux_gui
