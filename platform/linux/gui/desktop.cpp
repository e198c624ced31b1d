#include "platform/linux/gui/desktop.h"

#include <FL/Fl.H>
#include <FL/x.H>

#include <cstdio>

#include "app/escaped_text.h"
#include "app/main_window.h"
#include "platform/linux/gui/close_on_signal.h"
#include "platform/linux/gui/display_scale.h"
#include "platform/linux/gui/error_box.h"
#include "platform/linux/gui/fltk_graphics.h"
#include "platform/linux/gui/main_window.h"
#include "resources/resource_ids.h"
#include "resources/strings.h"
#include "settings/settings.h"

namespace tickwell::linux_gui {

// Taking FLTK's lock once on the user-interface thread lets other threads
// wake the event loop with Fl::awake.
FltkDesktop::FltkDesktop() : graphics_(std::make_unique<FltkGraphics>()) {
    Fl::lock();
}

FltkDesktop::~FltkDesktop() = default;

int FltkDesktop::Scale() {
    if (scale_ == 0) scale_ = DecideDisplayScale(settings.storedScale);
    return scale_;
}

Graphics& FltkDesktop::GetGraphics() {
    return *graphics_;
}

// Without a display the error box goes to standard error, and its text
// speaks of a window class; say first which display could not be opened,
// as X programs do.
bool FltkDesktop::RegisterWindowClass() {
    if (DisplayAvailable()) return true;
    const char* name = XDisplayName(nullptr);
    if (name[0] == '\0') {
        std::fputs("tickwell: cannot open a display: DISPLAY is not set\n", stderr);
    } else {
        std::fprintf(stderr, "tickwell: cannot open display \"%s\"\n",
                     EscapedForTerminal(name).c_str());
    }
    return false;
}

// The display's whole size, as the Windows program's screen metrics give
// it: Fl::w() and Fl::h() leave out the panels, and a window clamped to
// them could not sit flush at the bottom or right edge.
//
// The logic keeps its 200x45 window on the screen by lowering the position
// to the screen's size less the window's. An enlarged window is larger by
// (scale - 1) times that, so the screen is given as smaller by as much: the
// whole enlarged window then stays on it, and positions remain screen pixels.
Point FltkDesktop::ScreenSize() {
    if (!DisplayAvailable()) return Point{0, 0};
    const int extra = Scale() - 1;
    return Point{DisplayWidth(fl_display, fl_screen) - extra * kWindowWidth,
                 DisplayHeight(fl_display, fl_screen) - extra * kWindowHeight};
}

WindowServices* FltkDesktop::CreateMainWindow(int x, int y, int width, int height,
                                              WindowHandlers& handlers) {
    if (!DisplayAvailable() || window_ != nullptr) return nullptr;
    window_ = new FltkWindowServices(*graphics_, handlers, x, y, width, height, Scale());
    handlers.OnCreate(*window_);
    CloseOnSignalsAndDisplayLoss(
        [](void* window) { static_cast<FltkWindowServices*>(window)->CloseRequested(); }, window_);
    return window_;
}

void FltkDesktop::ShowMainWindow() {
    if (window_ != nullptr) window_->Show();
}

int FltkDesktop::RunMessageLoop() {
    if (window_ == nullptr) return 0;
    while (!window_->quitPosted()) Fl::wait(1e20);
    return window_->exitCode();
}

void FltkDesktop::ShowErrorBox(int textId) {
    const char* caption = StringResource(IDS_ERROR_CAPTION);
    const char* text = StringResource(textId);
    if (!DisplayAvailable()) {
        std::fprintf(stderr, "%s: %s\n", caption, text);
        return;
    }
    RunErrorBox(caption, text);
}

}  // namespace tickwell::linux_gui
