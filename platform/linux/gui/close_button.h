// The main window's close button: an "X" push button that answers the left
// mouse button only, and that the enlarged window draws at 1x wherever its
// picture is put together.
#pragma once

#include <FL/Fl_Button.H>

#include "platform/geometry.h"

namespace tickwell::linux_gui {

// The close button reacts to the left mouse button only, like a push button
// of the classic interface: a right-click on it neither presses it nor
// opens the menu.
class CloseButton : public Fl_Button {
public:
    CloseButton(int x, int y, int width, int height) : Fl_Button(x, y, width, height, "X") {}

    int handle(int event) override;

    // Draws the button as FLTK's own drawing does, but at `place` instead
    // of where the widget is: the enlarged window takes the button's events
    // at its enlarged place and shows it drawn at 1x.
    void DrawAt(const Rect& place);
};

}  // namespace tickwell::linux_gui
