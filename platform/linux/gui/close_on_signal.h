// Ends the program through the main window's normal close path (settings
// saved, exit code 0) when it is asked to stop by SIGTERM, SIGINT or SIGHUP
// (log-out, Ctrl+C, a closed terminal) or loses its X server connection.
#pragma once

namespace tickwell::linux_gui {

using CloseFunction = void (*)(void* data);

// Installs the signal handlers now, before the window exists: until the
// window is watched for, a stop signal ends the program at once with exit
// status 0 (nothing can need saving yet), where the default action would
// end it with a failure status.
void CatchStopSignals();

// Installs the signal handlers (unless CatchStopSignals did) and the X
// connection handlers; `close` then runs on the user-interface thread, from
// the event loop, after any menu or dialog that is open has been closed.
// Call once the display is open.
void CloseOnSignalsAndDisplayLoss(CloseFunction close, void* data);

}  // namespace tickwell::linux_gui
