#include "platform/linux/gui/main_window.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <utility>

#include "platform/linux/gui/close_button.h"
#include "platform/linux/gui/fltk_fonts.h"
#include "platform/linux/gui/location_dialog.h"
#include "platform/linux/gui/popup_menu.h"
#include "platform/linux/gui/preferences_dialog.h"
#include "platform/linux/gui/units_dialog.h"
#include "platform/linux/gui/window_areas.h"

namespace tickwell::linux_gui {

namespace {

Rect ToWindow(const Rect& client) {
    return Rect{client.left + kBorder, client.top + kBorder, client.right + kBorder,
                client.bottom + kBorder};
}

}  // namespace

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
    return std::make_unique<FltkPopupMenu>([this](int commandId) { chosenCommand_ = commandId; },
                                           scale_);
}

int FltkWindowServices::RunPreferencesDialog(DialogProcedure& procedure) {
    return RunPreferences(procedure, widget_->x() + kBorder * scale_,
                          widget_->y() + kBorder * scale_, scale_);
}

int FltkWindowServices::RunUnitsDialog(DialogProcedure& procedure) {
    return RunUnits(procedure, widget_->x() + kBorder * scale_, widget_->y() + kBorder * scale_,
                    scale_);
}

int FltkWindowServices::RunLocationDialog(LocationProcedure& procedure) {
    return RunLocation(procedure, widget_->x() + kBorder * scale_, widget_->y() + kBorder * scale_,
                       scale_);
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
