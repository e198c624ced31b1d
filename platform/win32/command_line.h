// The Windows program's command line:
//   tickwell.exe [--station ID] [--at-login] [--help]
// The parsing itself uses no Windows header, so it is tested like any
// other logic.
#pragma once

#include <optional>
#include <string>

namespace tickwell::win32 {

enum class CommandAction { Run, Help, Error };

struct CommandLine {
    CommandAction action = CommandAction::Run;
    // --station: the id in its normal form (capitals); set means "check it
    // with the weather service, save it and show it".
    std::optional<std::string> station;
    // --at-login: the program was started at login, before the network may
    // be up.
    bool atLogin = false;
    // What was wrong, for an Error.
    std::string error;
};

// Reads the arguments after the program's name; "--station ID" and
// "--station=ID" both work. An unknown option, a missing or invalid value
// or a stray argument is an Error.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The text of the --help message box (and of the box a mistake shows, after
// the mistake).
std::string UsageText();

// Exit code of a bad command line.
constexpr int kUsageExitCode = 2;

}  // namespace tickwell::win32
