// The integer scale (1, 2 or 3) the Linux program draws its window at, and
// the copy that shows a part of a 1x picture enlarged to it.
#pragma once

#include <X11/Xlib.h>

#include "platform/geometry.h"

namespace tickwell::linux_gui {

// The scale of this process, decided on the first call and kept: the
// environment variable TICKWELL_SCALE, else the settings file's Scale
// value, else 2 or 3 when the X resource Xft.dpi says the screen is dense
// (from 144 and from 240 dpi), else 1. A value that is not 1, 2 or 3 is
// passed over with a warning on standard error. Needs an open display for
// the last choice; without one it is 1.
int DisplayScale();

// Draws `area` of the 1x picture in `source` onto `target` with its
// top-left corner at (x, y), every pixel grown to a square of scale x scale.
// Uses FLTK's display and graphics context (fl_gc, with its clip).
void PutEnlarged(Pixmap source, const Rect& area, int scale, Drawable target, int x, int y);

}  // namespace tickwell::linux_gui
