// The Linux programs' notes (platform/message_log.h) go to standard error,
// one line each, "tickwell: " first.
#pragma once

namespace tickwell::linux_cli {

// Sends every later note to standard error, escaped for a terminal.
void LogToStandardError();

}  // namespace tickwell::linux_cli
