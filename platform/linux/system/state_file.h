// Small files of state the program keeps between runs, in
// $XDG_STATE_HOME/tickwell/ (~/.local/state/tickwell/).
#pragma once

#include <string>

namespace tickwell::platform {

// The path of state file `name`.
std::string StateFilePath(const std::string& name);

// Its text: empty when it is missing or unreadable; at most 256 KiB, a
// longer file reads as its start (which then fails its reader's checks).
std::string ReadStateFile(const std::string& name);

// Replaces it durably (see ReplaceFile). A failure is told once a run on
// standard error and otherwise ignored.
void WriteStateFile(const std::string& name, const std::string& text);

}  // namespace tickwell::platform
