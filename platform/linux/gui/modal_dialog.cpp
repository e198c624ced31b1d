#include "platform/linux/gui/modal_dialog.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <algorithm>

namespace tickwell::linux_gui {

namespace {

// Puts a shown dialog at (x, y), its top-left client pixel, kept on the
// screen with one pixel of its frame inside each edge. FLTK's own placement
// also keeps room for a title bar above it, so a window at the top of the
// screen got its dialog 20 pixels lower than its client origin.
void PlaceOnScreen(Fl_Window& window, int x, int y) {
    constexpr int kFrame = 1;
    int screenX = 0;
    int screenY = 0;
    int screenW = 0;
    int screenH = 0;
    Fl::screen_xywh(screenX, screenY, screenW, screenH, x, y, window.w(), window.h());
    x = std::max(std::min(x, screenX + screenW - kFrame - window.w()), screenX + kFrame);
    y = std::max(std::min(y, screenY + screenH - kFrame - window.h()), screenY + kFrame);
    // FLTK moved the X window without recording it, so both are set.
    window.position(x, y);
    XMoveWindow(fl_display, fl_xid(&window), x, y);
}

using WindowHandler = void (*)(Fl_Window& window);

// A widget's handler travels as the callback's data.
void CallHandler(Fl_Widget* widget, void* handler) {
    Fl_Window* window = widget->as_window() != nullptr ? widget->as_window() : widget->window();
    if (window != nullptr) reinterpret_cast<WindowHandler>(handler)(*window);
}

void* AsData(WindowHandler handler) {
    return reinterpret_cast<void*>(handler);
}

}  // namespace

void DialogEnding::End(int result) {
    result_ = result;
    ended_ = true;
    window_.hide();
}

void MakeModal(Fl_Window& window, WindowHandler onCancel) {
    window.set_modal();
    window.callback(&CallHandler, AsData(onCancel));
}

Fl_Button* DialogButton(Fl_Button* button, Fl_Fontsize textSize, WindowHandler onClick) {
    button->labelsize(textSize);
    button->callback(&CallHandler, AsData(onClick));
    return button;
}

int RunModalDialog(Fl_Window& window, const DialogEnding& ending, int x, int y, Fl_Widget* focus) {
    if (ending.ended()) return ending.result();
    if (!window.shown()) window.show();
    PlaceOnScreen(window, x, y);
    // The dialog manager gives the focus to the first tab stop.
    if (focus != nullptr) focus->take_focus();
    while (!ending.ended() && window.shown()) Fl::wait();
    window.hide();
    return ending.result();
}

}  // namespace tickwell::linux_gui
