// The Linux program's command line:
//   tickwell [--station ID] [--at-login] [--autostart on|off] [--help] [--version]
#pragma once

#include <optional>
#include <string>

namespace tickwell::linux_cli {

enum class CommandAction { Run, Help, Version, Autostart, Error };

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
    // What was wrong, for an Error.
    std::string error;
};

// Reads argv; "--station ID" and "--station=ID" both work. An unknown
// option, a missing or invalid value or a stray argument is an Error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The usage text --help prints (and an error prints to standard error).
std::string UsageText(const char* programName);

// Exit code of a bad command line.
constexpr int kUsageExitCode = 2;

}  // namespace tickwell::linux_cli
