#include "platform/linux/command_line.h"

#include <string_view>
#include <utility>
#include <vector>

#include "app/command_arguments.h"
#include "app/escaped_text.h"
#include "places/station_search.h"

namespace tickwell::linux_cli {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine result;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i] != nullptr ? argv[i] : "";
        if (argument == "--help" || argument == "-h") {
            result.action = CommandAction::Help;
            return result;
        }
        if (argument == "--version") {
            result.action = CommandAction::Version;
            return result;
        }
        if (IsOption(argument, "--station")) {
            StationArgument station = ReadStationArgument(argument, argc, argv, &i);
            if (station.problem == StationArgument::Problem::Missing) {
                return CommandLineError<CommandLine>("--station needs a station id, such as KDEN");
            }
            if (station.problem == StationArgument::Problem::NotAnId) {
                return CommandLineError<CommandLine>(
                    "'" + EscapedForTerminal(station.given) +
                    "' is not a station id (3 to 5 letters and digits, such as KDEN)");
            }
            result.station = std::move(station.id);
            continue;
        }
        if (IsOption(argument, "--find")) {
            auto value = OptionValue(argument, "--find", argc, argv, &i);
            if (!value) {
                return CommandLineError<CommandLine>(
                    "--find needs a place, such as \"golden, co\", a station's name or its id");
            }
            result.action = CommandAction::Find;
            result.find = *value;
            continue;
        }
        if (argument == "--at-login") {
            result.atLogin = true;
            continue;
        }
        if (IsOption(argument, "--autostart")) {
            auto value = OptionValue(argument, "--autostart", argc, argv, &i);
            if (!value || (*value != "on" && *value != "off")) {
                return CommandLineError<CommandLine>("--autostart takes 'on' or 'off'");
            }
            result.action = CommandAction::Autostart;
            result.autostartOn = *value == "on";
            continue;
        }
        return CommandLineError<CommandLine>("unknown argument '" + EscapedForTerminal(argument) +
                                             "'");
    }
    return result;
}

int PrintStationMatches(std::string_view text, std::FILE* out, std::FILE* err) {
    const std::vector<places::StationMatch> matches = places::FindStations(text);
    if (matches.empty()) {
        // The text goes back as typed, with control characters that could
        // move a terminal's cursor written out as escapes.
        std::fprintf(err, "tickwell: no station matches '%s'\n", EscapedForTerminal(text).c_str());
        return 1;
    }
    for (const places::StationMatch& match : matches) {
        std::fprintf(out, "%s\n", places::MatchLine(match).c_str());
    }
    return 0;
}

std::string UsageText(const char* programName) {
    return std::string("Usage: ") + programName +
           " [--station ID] [--find TEXT] [--at-login] [--autostart on|off] [--help] [--version]\n"
           "Shows the weather of a National Weather Service station.\n\n"
           "To choose your place, right-click the window and pick \"Location...\", or\n"
           "look your station up with --find and start the program with --station ID.\n\n"
           "  --station ID  show station ID (such as KDEN, KBOS or PHNL) from now on\n"
           "  --find TEXT   list the stations that match TEXT, a town, city, state, station\n"
           "                name or id (such as \"boston\" or \"golden, co\"), then exit\n"
           "  --at-login    started at login: wait up to 2 minutes for the network\n"
           "                before giving up (the autostart entry uses it)\n"
           "  --autostart on|off\n"
           "                start at login (with --at-login), or no longer, then exit\n"
           "  --help        show this text and exit\n"
           "  --version     show the version and exit\n";
}

}  // namespace tickwell::linux_cli
