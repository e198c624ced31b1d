// The Location dialog on FLTK: a search field, the list of matching
// stations under it, and OK and Cancel. Every key typed searches again;
// Up and Down in the field move the list's highlight; Enter, OK or a
// double click takes the highlighted line; Escape and the close box cancel.
#pragma once

#include "platform/window.h"

namespace tickwell::linux_gui {

// Runs the dialog modally with its top-left corner at (screenX, screenY),
// kept on the screen, at the main window's `scale`, and returns the result
// the procedure ended it with (2, Cancel, if it was closed any other way).
int RunLocation(LocationProcedure& procedure, int screenX, int screenY, int scale);

}  // namespace tickwell::linux_gui
