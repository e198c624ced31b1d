#include "platform/linux/gui/drawing_scope.h"

#include <FL/Fl.H>
#include <FL/Fl_Device.H>
#include <FL/fl_draw.H>
#include <FL/x.H>

#include <algorithm>

namespace tickwell::linux_gui {

namespace {

// FLTK draws through one shared graphics context, which it creates when a
// window is first drawn. Drawing may start before that, so make one if
// there is none yet. It lives as long as the process (FLTK later replaces
// fl_gc with its own); block copies with it send no exposure events.
void EnsureGraphicsContext() {
    static GC ownContext = nullptr;
    if (fl_gc != nullptr) return;
    if (ownContext == nullptr) {
        const Pixmap probe =
            XCreatePixmap(fl_display, RootWindow(fl_display, fl_screen), 1, 1, fl_visual->depth);
        ownContext = XCreateGC(fl_display, probe, 0, nullptr);
        XSetGraphicsExposures(fl_display, ownContext, False);
        XFreePixmap(fl_display, probe);
    }
    fl_gc = ownContext;
}

}  // namespace

void UseColor(Color color) {
    fl_color(static_cast<uchar>(RedOf(color)), static_cast<uchar>(GreenOf(color)),
             static_cast<uchar>(BlueOf(color)));
}

bool DisplayAvailable() {
    static bool tried = false;
    if (fl_display != nullptr) return true;
    if (tried) return false;
    tried = true;
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    fl_open_display(display);
    return true;
}

namespace {

// The scope open last and not yet closed; only the user-interface thread
// draws.
DrawingScope* innermostScope = nullptr;

bool SameRect(const Rect& a, const Rect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

DrawingScope::DrawingScope(Pixmap target, const Rect& clip) {
    if (target == 0 || !DisplayAvailable()) return;
    active_ = true;
    if (innermostScope != nullptr && innermostScope->target_ == target &&
        SameRect(innermostScope->clip_, clip)) {
        return;
    }
    EnsureGraphicsContext();
    opened_ = true;
    target_ = target;
    clip_ = clip;
    outer_ = innermostScope;
    innermostScope = this;
    savedWindow_ = fl_window;
    fl_window = target;
    savedSurface_ = Fl_Surface_Device::surface();
    Fl_Display_Device::display_device()->set_current();
    // Inside a widget's drawing the window's clip is in force; the pixmap
    // has nothing to do with it. Outside, there is nothing to set aside.
    pushedNoClip_ = fl_clip_region() != nullptr;
    if (pushedNoClip_) fl_push_no_clip();
    fl_push_clip(clip.left, clip.top, std::max(clip.Width(), 0), std::max(clip.Height(), 0));
}

DrawingScope::~DrawingScope() {
    if (!opened_) return;
    fl_pop_clip();
    if (pushedNoClip_) fl_pop_clip();
    fl_window = savedWindow_;
    static_cast<Fl_Surface_Device*>(savedSurface_)->set_current();
    innermostScope = outer_;
}

void FillPixmap(Pixmap target, const Rect& area, Color color) {
    DrawingScope scope(target, area);
    if (!scope || area.Width() <= 0 || area.Height() <= 0) return;
    UseColor(color);
    fl_rectf(area.left, area.top, area.Width(), area.Height());
}

}  // namespace tickwell::linux_gui
