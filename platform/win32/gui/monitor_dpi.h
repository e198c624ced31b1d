// The screen density (dots per inch) a window or a point of the desktop is
// shown at. Windows 10 tells it per window and Windows 8.1 per monitor; on
// older systems, and wherever those calls are missing, the whole desktop
// has one density, the screen's LOGPIXELSX.
#pragma once

#include <windows.h>

namespace tickwell::win32 {

// The density of the monitor that shows `window`.
int WindowDpi(HWND window);

// The density of the monitor nearest to a point of the desktop.
int DpiAt(POINT point);

// The density the screen's device context reports: the system's, the same
// for every monitor.
int SystemDpi();

}  // namespace tickwell::win32
