#include "live/metar.h"

#include <vector>

#include "live/units.h"

namespace tickwell::live {

namespace {

// The range real altimeter settings lie in (about 847 to 1083 hPa); a group
// outside it is a fault of the report.
constexpr double kLowestInches = 25.0;
constexpr double kHighestInches = 32.0;
constexpr double kLowestHectopascals = kLowestInches * kPascalsPerInchOfMercury / 100;
constexpr double kHighestHectopascals = kHighestInches * kPascalsPerInchOfMercury / 100;

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// The number the digits of `text` make; nothing when it is empty or holds
// anything else.
std::optional<int> Digits(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    int value = 0;
    for (char ch : text) {
        if (!IsDigit(ch)) {
            return std::nullopt;
        }
        value = value * 10 + (ch - '0');
    }
    return value;
}

// The report's blank-separated words, split at "RMK": the main part and the
// remarks.
struct Words {
    std::vector<std::string_view> main;
    std::vector<std::string_view> remarks;
};

Words SplitWords(std::string_view report) {
    Words words;
    bool inRemarks = false;
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
            inRemarks = true;
        } else if (!word.empty()) {
            (inRemarks ? words.remarks : words.main).push_back(word);
        }
        position = end;
    }
    return words;
}

// The value of a word "Annnn" or "Qnnnn" in inches or hectopascals, or
// nothing for any other word.
std::optional<double> PressureGroup(std::string_view word, char letter, double scale, double lowest,
                                    double highest) {
    if (word.size() != 5 || word[0] != letter) {
        return std::nullopt;
    }
    const std::optional<int> number = Digits(word.substr(1));
    if (!number) {
        return std::nullopt;
    }
    const double value = *number * scale;
    if (value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> AltimeterGroup(std::string_view word) {
    return PressureGroup(word, 'A', 0.01, kLowestInches, kHighestInches);
}

std::optional<double> QnhGroup(std::string_view word) {
    return PressureGroup(word, 'Q', 1.0, kLowestHectopascals, kHighestHectopascals);
}

// "snnn" of the remarks' T group: a sign digit (0 or 1) and tenths.
std::optional<double> Tenths(std::string_view part) {
    if (part.size() != 4 || (part[0] != '0' && part[0] != '1')) {
        return std::nullopt;
    }
    const std::optional<int> tenths = Digits(part.substr(1));
    if (!tenths) {
        return std::nullopt;
    }
    return (part[0] == '1' ? -*tenths : *tenths) / 10.0;
}

// "M05" or "24": whole degrees.
std::optional<double> WholeDegrees(std::string_view part) {
    const bool below = !part.empty() && part[0] == 'M';
    if (below) {
        part.remove_prefix(1);
    }
    if (part.size() != 2) {
        return std::nullopt;
    }
    const std::optional<int> degrees = Digits(part);
    if (!degrees) {
        return std::nullopt;
    }
    return below ? -*degrees : *degrees;
}

// Reads "T02440083" (or "T0244") into `readings`; false for any other word.
bool ReadTenthsGroup(std::string_view word, MetarReadings& readings) {
    if ((word.size() != 9 && word.size() != 5) || word[0] != 'T') {
        return false;
    }
    const std::optional<double> temperature = Tenths(word.substr(1, 4));
    const std::optional<double> dewPoint =
        word.size() == 9 ? Tenths(word.substr(5, 4)) : std::optional<double>();
    if (!temperature || (word.size() == 9 && !dewPoint)) {
        return false;
    }
    readings.temperatureC = temperature;
    readings.dewPointC = dewPoint;
    return true;
}

// Reads "24/08", "M05/M08" or "24/" into `readings`; false for any other
// word ("1/2SM", "R28L/2400FT", "//").
bool ReadWholeGroup(std::string_view word, MetarReadings& readings) {
    const std::size_t slash = word.find('/');
    if (slash == std::string_view::npos) {
        return false;
    }
    const std::optional<double> temperature = WholeDegrees(word.substr(0, slash));
    const std::string_view dewText = word.substr(slash + 1);
    const std::optional<double> dewPoint = WholeDegrees(dewText);
    if (!temperature || (!dewText.empty() && !dewPoint)) {
        return false;
    }
    readings.temperatureC = temperature;
    readings.dewPointC = dewPoint;
    return true;
}

}  // namespace

MetarReadings ReadMetar(std::string_view report) {
    const Words words = SplitWords(report);
    MetarReadings readings;
    bool tenths = false;
    for (std::string_view word : words.remarks) {
        if (ReadTenthsGroup(word, readings)) {
            tenths = true;
            break;
        }
    }
    for (std::string_view word : words.main) {
        if (!tenths && !readings.temperatureC) {
            ReadWholeGroup(word, readings);
        }
        if (!readings.pressurePa) {
            if (auto inches = AltimeterGroup(word)) {
                readings.pressurePa = *inches * kPascalsPerInchOfMercury;
            } else if (auto hectopascals = QnhGroup(word)) {
                readings.pressurePa = *hectopascals * 100;
            }
        }
    }
    return readings;
}

}  // namespace tickwell::live
