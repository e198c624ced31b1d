// The Linux program's command line:
//   tickwell [--station ID] [--find TEXT] [--at-login] [--autostart on|off] [--help] [--version]
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

namespace tickwell::linux_cli {

enum class CommandAction { Run, Help, Version, Autostart, Find, Error };

struct CommandLine {
    CommandAction action = CommandAction::Run;
    // --station: the id as given (checked later); set means "save it".
    std::optional<std::string> station;
    // --autostart: whether the program should start at login (the
    // Autostart action writes or removes the entry, then exits).
    bool autostartOn = false;
    // --at-login: started by the session at login, maybe before the network
    // is up; the start-up check then waits for it a while.
    bool atLogin = false;
    // --find: the text to look stations up by (the Find action prints
    // the matches, then exits).
    std::string find;
    // What was wrong, for an Error.
    std::string error;
};

// Reads argv; "--station ID" and "--station=ID" both work. An unknown
// option, a missing or invalid value or a stray argument is an Error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text --help prints (and an error prints to standard error).
std::string UsageText(const char* programName);

// `tickwell --find TEXT`: prints the stations that match `text` to `out`,
// one a line, and returns 0; when none does, says so on `err` and returns 1.
int PrintStationMatches(std::string_view text, std::FILE* out, std::FILE* err);

// Exit code of a bad command line.
constexpr int kUsageExitCode = 2;

}  // namespace tickwell::linux_cli
