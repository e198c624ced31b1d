// The Preferences dialog on FLTK: a modal window laid out like the classic
// dialog template (222x71 dialog units, twelve controls in tab order).
#pragma once

#include "platform/window.h"

namespace tickwell::linux_gui {

// Runs the dialog modally with its client area's top-left corner at
// (screenX, screenY), at the main window's `scale`, and returns the result
// the procedure ended it with (2, Cancel, if it was closed any other way).
int RunPreferences(DialogProcedure& procedure, int screenX, int screenY, int scale);

}  // namespace tickwell::linux_gui
