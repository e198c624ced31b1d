// The X11 side of the main window: it is created by hand so that every hint
// a window manager reads is in place before the window is first mapped.
#pragma once

class Fl_Window;

namespace tickwell::linux_gui {

// Creates the X window of `window` (not yet shown) at its position and size
// and registers it with FLTK, with these hints: title, WM_CLASS "tickwell",
// no decorations (_MOTIF_WM_HINTS 2,0,0,0,0), utility window type, always
// above, kept off the taskbar and the pager, a fixed size, the position as
// chosen by the user, and the delete-window protocol. The caller maps it.
// Returns the window id, 0 without a display.
unsigned long CreateToolWindow(Fl_Window& window);

// Maps a window made by CreateToolWindow.
void MapToolWindow(unsigned long xid);

}  // namespace tickwell::linux_gui
