// Starting the program at login on Linux desktops: an entry in the user's
// XDG autostart folder, which the desktop session runs when the user logs in.
#pragma once

#include <string>

namespace tickwell::platform {

// Where the entry lives: $XDG_CONFIG_HOME/autostart/tickwell.desktop, or
// ~/.config/autostart/tickwell.desktop when that variable is unset, empty or
// not an absolute path.
std::string AutostartEntryPath();

// The absolute path of the running program (empty when it can't be found).
std::string RunningProgramPath();

// The option the entry starts the program with: the session may run it
// before the network is up, and the program then waits for it a while.
constexpr const char* kAtLoginOption = "--at-login";

// The desktop entry that starts the program at `programPath` with
// kAtLoginOption. Empty when the path can't be written in a desktop entry
// (not absolute, or holding a control character).
std::string AutostartEntryText(const std::string& programPath);

// Writes the entry for `programPath` at `entryPath` (enable) or removes it
// (disable). Enabling again replaces an entry an older version wrote, so it
// gains the options this version starts with. Writing is atomic: the entry
// is written to a temporary file beside it and renamed over the old one, so
// a crash leaves either the old entry or the new one. Removing an entry
// that is not there succeeds. On failure returns false and says why in
// `error`.
bool SetAutostart(bool enable, const std::string& entryPath, const std::string& programPath,
                  std::string* error);

}  // namespace tickwell::platform
