// The Linux program's command line:
//   tickwell [--station ID] [--help] [--version]
#pragma once

#include <optional>
#include <string>

namespace tickwell::linux_cli {

enum class CommandAction { Run, Help, Version, Error };

struct CommandLine {
    CommandAction action = CommandAction::Run;
    // --station: the id as given (checked later); set means "save it".
    std::optional<std::string> station;
    // Further options go here (--autostart on|off will be one).
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
