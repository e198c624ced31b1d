// The program from start to end: start-up, the message loop and shutdown,
// shared by both platforms' entry functions.
#pragma once

#include "platform/geometry.h"
#include "platform/settings_store.h"
#include "platform/window.h"

namespace tickwell {

// Moves the saved window position onto a screen of `screen` pixels: a
// negative coordinate becomes 0, then one that would push the window past
// the right or bottom edge is lowered so that the window is flush with it.
void ClampWindowPosition(Point screen);

// Runs the program and returns its exit code: 1 after a start-up failure
// (reported in exactly one error box), 0 after a normal exit.
int RunTickwell(Desktop& desktop, SettingsStore& store);

}  // namespace tickwell
