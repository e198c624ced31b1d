// The Windows programs' notes (platform/message_log.h) go to the log file,
// %LOCALAPPDATA%\Tickwell\tickwell.log.
#pragma once

namespace tickwell::win32 {

// Sends every later note to the log file, control characters escaped so
// that no value from outside can forge a line of its own.
void LogToLocalAppData();

}  // namespace tickwell::win32
