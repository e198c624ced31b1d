// Small files of state the program keeps between runs, in
// %LOCALAPPDATA%\Tickwell.
#pragma once

#include <string>

namespace tickwell::win32 {

// Its text: empty when it is missing or unreadable; at most 256 KiB.
std::string ReadStateFile(const std::string& name);

// Replaces it so that a crash leaves the old or the new file: the text goes
// to a file beside it, is flushed, and takes the old one's place. A failure
// leaves the old file and is otherwise ignored.
void WriteStateFile(const std::string& name, const std::string& text);

}  // namespace tickwell::win32
