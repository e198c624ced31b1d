// FLTK's internal window record (Fl_X) is needed to register a window that
// was created here rather than by FLTK.
#define FL_INTERNALS 1

#include "platform/linux/gui/tool_window_hints.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>
#include <FL/x.H>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include "platform/linux/gui/fltk_graphics.h"

namespace tickwell::linux_gui {

namespace {

// The events FLTK's own top-level windows listen to.
constexpr long kEventMask = ExposureMask | StructureNotifyMask | KeyPressMask | KeyReleaseMask |
                            KeymapStateMask | FocusChangeMask | ButtonPressMask |
                            ButtonReleaseMask | EnterWindowMask | LeaveWindowMask |
                            PropertyChangeMask | PointerMotionMask;

Atom Intern(const char* name) {
    return XInternAtom(fl_display, name, False);
}

void SetAtoms(Window xid, const char* property, const Atom* atoms, int count) {
    XChangeProperty(fl_display, xid, Intern(property), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(atoms), count);
}

}  // namespace

unsigned long CreateToolWindow(Fl_Window& window) {
    if (!DisplayAvailable()) return 0;

    XSetWindowAttributes attributes{};
    attributes.event_mask = kEventMask;
    attributes.colormap = fl_colormap;
    attributes.border_pixel = 0;
    attributes.bit_gravity = ForgetGravity;
    const unsigned long mask = CWBorderPixel | CWColormap | CWEventMask | CWBitGravity;
    const Window xid =
        XCreateWindow(fl_display, RootWindow(fl_display, fl_screen), window.x(), window.y(),
                      static_cast<unsigned>(window.w()), static_cast<unsigned>(window.h()), 0,
                      fl_visual->depth, InputOutput, fl_visual->visual, mask, &attributes);
    Fl_X::set_xid(&window, xid);

    // The title: setting the label again on a window that has an X window
    // sends it to the window manager.
    window.label(window.label());

    char className[] = "tickwell\0Tickwell";
    XChangeProperty(fl_display, xid, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<unsigned char*>(className), sizeof className);

    Atom deleteWindow = Intern("WM_DELETE_WINDOW");
    XSetWMProtocols(fl_display, xid, &deleteWindow, 1);

    long pid = getpid();
    XChangeProperty(fl_display, xid, Intern("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);

    XSizeHints* size = XAllocSizeHints();
    size->flags = USPosition | PPosition | PMinSize | PMaxSize | PWinGravity;
    size->x = window.x();
    size->y = window.y();
    size->min_width = size->max_width = window.w();
    size->min_height = size->max_height = window.h();
    size->win_gravity = StaticGravity;
    XSetWMNormalHints(fl_display, xid, size);
    XFree(size);

    XWMHints* hints = XAllocWMHints();
    hints->flags = InputHint;
    hints->input = True;
    XSetWMHints(fl_display, xid, hints);
    XFree(hints);

    // Flags 2 (decorations given), no decorations.
    long motif[5] = {2, 0, 0, 0, 0};
    const Atom motifAtom = Intern("_MOTIF_WM_HINTS");
    XChangeProperty(fl_display, xid, motifAtom, motifAtom, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(motif), 5);

    const Atom type[] = {Intern("_NET_WM_WINDOW_TYPE_UTILITY")};
    SetAtoms(xid, "_NET_WM_WINDOW_TYPE", type, 1);
    const Atom state[] = {Intern("_NET_WM_STATE_ABOVE"), Intern("_NET_WM_STATE_SKIP_TASKBAR"),
                          Intern("_NET_WM_STATE_SKIP_PAGER")};
    SetAtoms(xid, "_NET_WM_STATE", state, 3);
    return xid;
}

void MapToolWindow(unsigned long xid) {
    if (xid == 0 || fl_display == nullptr) return;
    XMapWindow(fl_display, xid);
    XFlush(fl_display);
}

}  // namespace tickwell::linux_gui
