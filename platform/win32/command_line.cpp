#include "platform/win32/command_line.h"

#include <string_view>
#include <utility>

#include "app/command_arguments.h"

namespace tickwell::win32 {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        if (argument == "--help" || argument == "-h" || argument == "/?") {
            result.action = CommandAction::Help;
            return result;
        }
        if (argument == "--at-login") {
            result.atLogin = true;
            continue;
        }
        if (IsOption(argument, "--station")) {
            StationArgument station = ReadStationArgument(argument, argc, argv, &i);
            if (station.problem == StationArgument::Problem::Missing) {
                return CommandLineError<CommandLine>("--station needs a station id, such as KDEN.");
            }
            if (station.problem == StationArgument::Problem::NotAnId) {
                return CommandLineError<CommandLine>(
                    "'" + station.given +
                    "' is not a station id (letters and digits, such as KDEN).");
            }
            result.station = std::move(station.id);
            continue;
        }
        return CommandLineError<CommandLine>("Unknown argument '" + std::string(argument) + "'.");
    }
    return result;
}

std::string UsageText() {
    return "Usage: tickwell.exe [--station ID] [--at-login] [--help]\n"
           "Shows the weather of a National Weather Service station.\n\n"
           "--station ID\tshow station ID (such as KDEN, KBOS or PHNL) from now on\n"
           "--at-login\twait for the network a while, as at login\n"
           "--help\t\tshow this text\n\n"
           "Right-click the window and choose Location... to find a station by town, "
           "city or airport.";
}

}  // namespace tickwell::win32
