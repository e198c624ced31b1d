#include "platform/linux/gui/main_window.h"

#include <FL/Fl.H>
#include <FL/Fl_Button.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>
#include <utility>

#include "platform/linux/gui/display_scale.h"
#include "platform/linux/gui/fltk_fonts.h"
#include "platform/linux/gui/location_dialog.h"
#include "platform/linux/gui/popup_menu.h"
#include "platform/linux/gui/preferences_dialog.h"
#include "platform/linux/gui/tool_window_hints.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"

namespace tickwell::linux_gui {

namespace {

bool IsEmpty(const Rect& r) {
    return r.Width() <= 0 || r.Height() <= 0;
}

Rect Union(const Rect& a, const Rect& b) {
    return Rect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

Rect ToWindow(const Rect& client) {
    return Rect{client.left + kBorder, client.top + kBorder, client.right + kBorder,
                client.bottom + kBorder};
}

Rect Scaled(const Rect& r, int scale) {
    return Rect{r.left * scale, r.top * scale, r.right * scale, r.bottom * scale};
}

// The close button reacts to the left mouse button only, like a push button
// of the classic interface: a right-click on it neither presses it nor
// opens the menu.
class CloseButton : public Fl_Button {
public:
    CloseButton(int x, int y, int width, int height) : Fl_Button(x, y, width, height, "X") {}

    int handle(int event) override {
        const bool mouse = event == FL_PUSH || event == FL_DRAG || event == FL_RELEASE;
        if (mouse && Fl::event_button() != FL_LEFT_MOUSE) return 1;
        return Fl_Button::handle(event);
    }

    // Draws the button as FLTK's own drawing does, but at `place` instead
    // of where the widget is: the enlarged window takes the button's events
    // at its enlarged place and shows it drawn at 1x.
    void DrawAt(const Rect& place) {
        const Fl_Color fill = value() ? selection_color() : color();
        const Fl_Boxtype frame = value() ? (down_box() ? down_box() : fl_down(box())) : box();
        draw_box(frame, place.left, place.top, place.Width(), place.Height(), fill);
        const Fl_Boxtype inner = box();
        const int x = place.left + Fl::box_dx(inner);
        const int y = place.top + Fl::box_dy(inner);
        const int width = place.Width() - Fl::box_dw(inner);
        const int height = place.Height() - Fl::box_dh(inner);
        // A pressed button's label keeps its contrast on the pressed colour.
        const Fl_Color ink = labelcolor();
        if (labeltype() == FL_NORMAL_LABEL && value()) labelcolor(fl_contrast(ink, fill));
        draw_label(x, y, width, height);
        labelcolor(ink);
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// The widget

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

void MainWindowWidget::SetCloseButton(Fl_Widget* button, const Rect& place) {
    closeButton_ = button;
    closeButtonPlace_ = place;
}

void MainWindowWidget::ShowAreas(const std::vector<Rect>& areas) {
    if (areas.empty()) return;
    dirty_.insert(dirty_.end(), areas.begin(), areas.end());
    damage(FL_DAMAGE_USER1);
}

// ---------------------------------------------------------------------------
// The services

FltkWindowServices::FltkWindowServices(FltkGraphics& graphics, WindowHandlers& handlers, int x,
                                       int y, int width, int height, int scale)
    : graphics_(graphics),
      handlers_(handlers),
      client_{0, 0, width - 2 * kBorder, height - 2 * kBorder},
      scale_(scale),
      backBuffer_(std::make_unique<FltkBitmap>(width, height)),
      widget_(new MainWindowWidget(*this, x, y, width, height, scale)) {
    // The border, then the gray client area.
    FillPixmap(backBuffer_->pixmap(), Rect{0, 0, width, height}, kBorderColor);
    FillPixmap(backBuffer_->pixmap(), ToWindow(ClientRect()), kWindowBackground);
}

// The widget is deliberately not deleted: the fetch thread may still call
// Invalidate, which only reads the flag, after the window has gone.
FltkWindowServices::~FltkWindowServices() {
    Fl::remove_timeout(&FltkWindowServices::OnPaintDue, this);
}

Rect FltkWindowServices::ClientRect() const {
    return client_;
}

void FltkWindowServices::Invalidate(const Rect* area, bool eraseBackground) {
    if (!alive_) return;
    const Rect client = ClientRect();
    const Rect part = area != nullptr ? Intersect(*area, client) : client;
    if (IsEmpty(part)) return;
    bool wake = false;
    {
        std::lock_guard<std::mutex> hold(pendingMutex_);
        pendingClip_ = hasPending_ ? Union(pendingClip_, part) : part;
        hasPending_ = true;
        if (eraseBackground) pendingErase_.push_back(part);
        wake = !paintScheduled_;
        paintScheduled_ = true;
    }
    // Several invalidations before the next paint make one paint, as they
    // would on the classic interface. The user-interface thread, which
    // invalidates the ticker four times a second, asks for the paint on the
    // loop's next turn; only another thread has to wake the loop, through
    // FLTK's pipe.
    if (!wake) return;
    if (std::this_thread::get_id() == uiThread_) {
        Fl::add_timeout(0.0, &FltkWindowServices::OnPaintDue, this);
    } else {
        Fl::awake(&FltkWindowServices::OnPaintDue, this);
    }
}

void FltkWindowServices::OnPaintDue(void* services) {
    static_cast<FltkWindowServices*>(services)->PaintPending();
}

// Erases the parts invalidated with erase (and only those, so the clock
// keeps its digits elsewhere), then lets the logic paint, clipped to all
// invalidated parts, and shows what changed.
void FltkWindowServices::PaintPending() {
    Rect clip{};
    std::vector<Rect> erase;
    {
        std::lock_guard<std::mutex> hold(pendingMutex_);
        paintScheduled_ = false;
        if (!hasPending_) return;
        hasPending_ = false;
        clip = pendingClip_;
        erase.swap(pendingErase_);
    }
    if (!alive_) return;
    std::vector<Rect> erased;
    for (const Rect& part : erase) {
        FillPixmap(backBuffer_->pixmap(), ToWindow(part), kWindowBackground);
        erased.push_back(ToWindow(part));
    }
    widget_->ShowAreas(erased);
    const Rect client = ClientRect();
    FltkCanvas canvas(graphics_, backBuffer_->pixmap(), Point{kBorder, kBorder},
                      Point{client.right, client.bottom}, clip,
                      [this](const std::vector<Rect>& touched) { widget_->ShowAreas(touched); });
    const DrawingScope wholePaint(canvas.Target(), canvas.TargetClip());
    handlers_.OnPaint(canvas);
}

// The button takes its events at its place in the enlarged window.
void FltkWindowServices::CreateCloseButton(const Rect& bounds, int controlId) {
    const Rect place = ToWindow(bounds);
    const Rect shown = Scaled(place, scale_);
    widget_->begin();
    auto* button = new CloseButton(shown.left, shown.top, shown.Width(), shown.Height());
    widget_->end();
    // The ticker's face: a face of its own would cost the program its font
    // file and about 110 KB of font data for one letter.
    button->labelfont(static_cast<Fl_Font>(FixedFace()));
    button->labelsize(11);
    button->color(fl_rgb_color(192, 192, 192));
    button->clear_visible_focus();
    closeButtonId_ = controlId;
    button->callback(
        [](Fl_Widget*, void* services) {
            auto* self = static_cast<FltkWindowServices*>(services);
            if (self->alive_) self->handlers_.OnCommand(*self, self->closeButtonId_, 0);
        },
        this);
    widget_->SetCloseButton(button, place);
}

std::uintptr_t FltkWindowServices::StartTimer(std::uintptr_t id, std::uint32_t periodMs) {
    auto& slot = timers_[id];
    if (slot) Fl::remove_timeout(&FltkWindowServices::OnTimeout, slot.get());
    slot = std::make_unique<Timer>(Timer{this, id, periodMs / 1000.0});
    Fl::add_timeout(slot->seconds, &FltkWindowServices::OnTimeout, slot.get());
    return id != 0 ? id : 1;
}

void FltkWindowServices::StopTimer(std::uintptr_t id) {
    const auto found = timers_.find(id);
    if (found == timers_.end()) return;
    Fl::remove_timeout(&FltkWindowServices::OnTimeout, found->second.get());
}

// Re-arms first, so that a handler that stops the timer stops it for good.
void FltkWindowServices::OnTimeout(void* data) {
    auto* timer = static_cast<Timer*>(data);
    Fl::repeat_timeout(timer->seconds, &FltkWindowServices::OnTimeout, timer);
    FltkWindowServices& self = *timer->owner;
    if (!self.alive_) return;
    // The clock drawn on a timer tick takes one scope for all its lines.
    const DrawingScope wholeTick(self.backBuffer(), ToWindow(self.ClientRect()));
    self.handlers_.OnTimer(self);
}

std::unique_ptr<Canvas> FltkWindowServices::GetCanvas() {
    const Rect client = ClientRect();
    return std::make_unique<FltkCanvas>(
        graphics_, backBuffer_->pixmap(), Point{kBorder, kBorder},
        Point{client.right, client.bottom}, client,
        [this](const std::vector<Rect>& touched) { widget_->ShowAreas(touched); });
}

Point FltkWindowServices::ScreenPosition() {
    return Point{widget_->x(), widget_->y()};
}

// Hides the window, then runs the destruction handling, which records the
// position (still known after hiding), stops the timer and posts the quit.
void FltkWindowServices::Close() {
    if (!alive_.exchange(false)) return;
    widget_->hide();
    handlers_.OnDestroy(*this);
}

void FltkWindowServices::PostQuit(int exitCode) {
    quitPosted_ = true;
    exitCode_ = exitCode;
    Fl::awake();
}

std::unique_ptr<PopupMenu> FltkWindowServices::CreatePopupMenu() {
    return std::make_unique<FltkPopupMenu>([this](int commandId) { chosenCommand_ = commandId; });
}

int FltkWindowServices::RunPreferencesDialog(DialogProcedure& procedure) {
    return RunPreferences(procedure, widget_->x() + kBorder * scale_,
                          widget_->y() + kBorder * scale_);
}

int FltkWindowServices::RunLocationDialog(LocationProcedure& procedure) {
    return RunLocation(procedure, widget_->x() + kBorder * scale_, widget_->y() + kBorder * scale_);
}

// The chosen command reaches the window after the menu is gone, as a
// posted command message would.
void FltkWindowServices::RightClick(int screenX, int screenY) {
    chosenCommand_ = 0;
    handlers_.OnRightClick(*this, screenX, screenY);
    const int command = std::exchange(chosenCommand_, 0);
    if (command != 0 && alive_) handlers_.OnCommand(*this, command, 0);
}

void FltkWindowServices::Show() {
    widget_->show();
    Invalidate(nullptr, true);
}

}  // namespace tickwell::linux_gui
