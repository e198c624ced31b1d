// The Units dialog on FLTK (live builds): four labelled drop-down lists
// and OK and Cancel, laid out like the Windows dialog template.
#pragma once

#include "platform/window.h"

namespace tickwell::linux_gui {

// Runs the dialog modally with its client area's top-left corner at
// (screenX, screenY), at the main window's `scale`, and returns the result
// the procedure ended it with (2, Cancel, if it was closed any other way).
int RunUnits(DialogProcedure& procedure, int screenX, int screenY, int scale);

}  // namespace tickwell::linux_gui
