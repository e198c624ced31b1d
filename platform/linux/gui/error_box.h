// A message box with an error sign and one OK button (Enter or Escape),
// standing alone on the screen.
#pragma once

namespace tickwell::linux_gui {

// Shows the box and returns once it is closed. Needs an open display.
void RunErrorBox(const char* caption, const char* text);

}  // namespace tickwell::linux_gui
