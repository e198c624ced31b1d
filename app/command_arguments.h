// The command-line rules both programs share: how an option and its value
// are written, and what makes a station id.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tickwell {

// Whether `argument` is the option `name`, given alone ("--station") or with
// its value attached ("--station=KDEN").
bool IsOption(std::string_view argument, std::string_view name);

// The value of the option `name` at argv[*index], whose text is `argument`:
// what follows '=' in "--name=VALUE", else the next argument, and then
// `index` moves past it. Nothing when the value is missing.
std::optional<std::string> OptionValue(std::string_view argument, std::string_view name, int argc,
                                       const char* const* argv, int* index);

// What "--station ID" gave: an id, or why there is none.
struct StationArgument {
    enum class Problem { None, Missing, NotAnId };
    Problem problem = Problem::None;
    // The id as the weather service writes it, when there is no problem.
    std::string id;
    // The value as typed, for saying what is not an id.
    std::string given;
};

// Reads the station option at argv[*index] (`argument`, which IsOption
// accepted as "--station") and moves `index` past its value.
StationArgument ReadStationArgument(std::string_view argument, int argc, const char* const* argv,
                                    int* index);

// A parsed command line (either program's: a struct with an `action`,
// whose kinds include Error, and an `error` text) that is the error
// `message`.
template <typename CommandLine>
CommandLine CommandLineError(std::string message) {
    CommandLine result;
    result.action = decltype(result.action)::Error;
    result.error = std::move(message);
    return result;
}

}  // namespace tickwell
