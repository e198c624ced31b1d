// Drawing into X pixmaps with FLTK's functions: the connection to the X
// server, the scope that makes a pixmap FLTK's drawing target, and fills.
#pragma once

#include <X11/Xlib.h>

#include "platform/canvas.h"

namespace tickwell::linux_gui {

// True once a connection to the X server is open; tries to open one on the
// first call. Nothing is drawn without one.
bool DisplayAvailable();

// Makes a pixmap the target of FLTK's drawing functions for the lifetime of
// the object, clipped to `clip` (pixmap coordinates), and puts the previous
// target back afterwards. Does nothing without a display or pixmap.
//
// Scopes nest. A scope for the same pixmap and clip as the innermost one
// open changes nothing and costs nothing: a paint opens one scope around
// all its drawing, so that each line or text it draws does not set and
// reset the X clip again.
class DrawingScope {
public:
    DrawingScope(Pixmap target, const Rect& clip);
    ~DrawingScope();
    DrawingScope(const DrawingScope&) = delete;
    DrawingScope& operator=(const DrawingScope&) = delete;
    explicit operator bool() const { return active_; }

private:
    bool active_ = false;
    bool opened_ = false;  // false when the innermost scope is reused
    Pixmap target_ = 0;
    Rect clip_{};
    DrawingScope* outer_ = nullptr;
    bool pushedNoClip_ = false;
    Window savedWindow_ = 0;
    void* savedSurface_ = nullptr;
};

// Fills a rectangle of a pixmap (pixmap coordinates) with a colour.
void FillPixmap(Pixmap target, const Rect& area, Color color);

// Makes `color` FLTK's drawing colour.
void UseColor(Color color);

}  // namespace tickwell::linux_gui
