#include "platform/win32/command_line.h"

#include <string_view>

#include "live/station.h"

namespace tickwell::win32 {

namespace {

CommandLine Failure(std::string message) {
    CommandLine result;
    result.action = CommandAction::Error;
    result.error = std::move(message);
    return result;
}

bool IsOption(std::string_view argument, std::string_view name) {
    return argument == name ||
           (argument.size() > name.size() && argument.substr(0, name.size()) == name &&
            argument[name.size()] == '=');
}

// The value of an option given as "--name VALUE" or "--name=VALUE"; moves
// `index` past it. Nothing when it is missing.
std::optional<std::string> OptionValue(std::string_view argument, std::string_view name, int argc,
                                       const char* const* argv, int* index) {
    if (argument.size() > name.size()) {
        return std::string(argument.substr(name.size() + 1));
    }
    if (*index + 1 >= argc || argv[*index + 1] == nullptr) {
        return std::nullopt;
    }
    ++*index;
    return std::string(argv[*index]);
}

}  // namespace

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
            const auto value = OptionValue(argument, "--station", argc, argv, &i);
            if (!value) {
                return Failure("--station needs a station id, such as KDEN.");
            }
            const auto id = live::NormalizeStationId(*value);
            if (!id) {
                return Failure("'" + *value +
                               "' is not a station id (letters and digits, such as KDEN).");
            }
            result.station = *id;
            continue;
        }
        return Failure("Unknown argument '" + std::string(argument) + "'.");
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
