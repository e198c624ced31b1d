#include "app/command_arguments.h"

#include "live/station.h"

namespace tickwell {

namespace {

constexpr std::string_view kStationOption = "--station";

}  // namespace

bool IsOption(std::string_view argument, std::string_view name) {
    return argument == name ||
           (argument.size() > name.size() && argument.substr(0, name.size()) == name &&
            argument[name.size()] == '=');
}

std::optional<std::string> OptionValue(std::string_view argument, std::string_view name, int argc,
                                       const char* const* argv, int* index) {
    if (argument.size() > name.size() && argument[name.size()] == '=') {
        return std::string(argument.substr(name.size() + 1));
    }
    if (*index + 1 >= argc || argv[*index + 1] == nullptr) {
        return std::nullopt;
    }
    ++*index;
    return std::string(argv[*index]);
}

StationArgument ReadStationArgument(std::string_view argument, int argc, const char* const* argv,
                                    int* index) {
    StationArgument result;
    std::optional<std::string> value = OptionValue(argument, kStationOption, argc, argv, index);
    if (!value) {
        result.problem = StationArgument::Problem::Missing;
        return result;
    }
    std::optional<std::string> id = live::NormalizeStationId(*value);
    if (!id) {
        result.problem = StationArgument::Problem::NotAnId;
        result.given = std::move(*value);
        return result;
    }
    result.id = std::move(*id);
    return result;
}

}  // namespace tickwell
