// The copy that shows a part of a 1x picture enlarged to the window's scale.
#pragma once

#include <X11/Xlib.h>

#include "platform/geometry.h"

namespace tickwell::linux_gui {

// Draws `area` of the 1x picture in `source` onto `target` with its
// top-left corner at (x, y), every pixel grown to a square of scale x scale.
// Uses FLTK's display and graphics context (fl_gc, with its clip).
void PutEnlarged(Pixmap source, const Rect& area, int scale, Drawable target, int x, int y);

}  // namespace tickwell::linux_gui
