// One line of the server's request log:
// "<ISO time with ms> <remote addr:port> <path> <status>".
#pragma once

#include <chrono>
#include <string>

namespace tickwell::tools {

// UTC with milliseconds, e.g. "2026-10-02T21:25:07.042Z".
std::string IsoTime(std::chrono::system_clock::time_point when);

std::string LogLine(std::chrono::system_clock::time_point when, const std::string& remote,
                    const std::string& path, const std::string& status);

// Appends one line (and a line break) to the file; false when it can't.
bool AppendLine(const std::string& file, const std::string& line);

}  // namespace tickwell::tools
