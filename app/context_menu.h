// The popup menu that a right-click on the main window opens.
#pragma once

#include "platform/window.h"

namespace tickwell {

// Builds the menu with the current choices marked, shows it at the screen
// point (x, y) and destroys it once it closes. The chosen command reaches
// the window's command handler afterwards.
void ShowContextMenu(WindowServices& window, int x, int y);

}  // namespace tickwell
