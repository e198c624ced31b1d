#include "live/metar.h"

namespace tickwell::live {

namespace {

// The range real altimeter settings lie in (about 847 to 1083 hPa); a group
// outside it is a fault of the report.
constexpr double kLowestInches = 25.0;
constexpr double kHighestInches = 32.0;

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

// The value of a word "Annnn", or nothing for any other word.
std::optional<double> AltimeterGroup(std::string_view word) {
    if (word.size() != 5 || word[0] != 'A') {
        return std::nullopt;
    }
    int hundredths = 0;
    for (char ch : word.substr(1)) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        hundredths = hundredths * 10 + (ch - '0');
    }
    const double inches = hundredths / 100.0;
    if (inches < kLowestInches || inches > kHighestInches) {
        return std::nullopt;
    }
    return inches;
}

}  // namespace

std::optional<double> AltimeterInches(std::string_view report) {
    std::size_t position = 0;
    while (position < report.size()) {
        while (position < report.size() && IsBlank(report[position])) {
            ++position;
        }
        std::size_t end = position;
        while (end < report.size() && !IsBlank(report[end])) {
            ++end;
        }
        const std::string_view word = report.substr(position, end - position);
        if (word == "RMK") {
            break;
        }
        if (auto inches = AltimeterGroup(word)) {
            return inches;
        }
        position = end;
    }
    return std::nullopt;
}

}  // namespace tickwell::live
