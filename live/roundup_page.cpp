#include "live/roundup_page.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "live/page_text.h"
#include "live/units.h"
#include "live/words.h"

namespace tickwell::live {

namespace {

// The table's columns: where each field ends (right-aligned numbers) or
// starts (left-aligned words), 0-based.
constexpr std::size_t kSkyStart = 15;
constexpr std::size_t kTemperatureEnd = 26;
constexpr std::size_t kDewPointEnd = 30;
constexpr std::size_t kHumidityEnd = 34;
constexpr std::size_t kWindStart = 36;
constexpr std::size_t kPressureStart = 46;
constexpr std::size_t kRemarksStart = 53;
// The widest one-word sky: one column is left blank before the temperature.
constexpr std::size_t kSkyWidth = 8;

constexpr const char* kHeader = "CITY           SKY/WX    TMP DP  RH WIND       PRES   REMARKS";

// The legacy table's abbreviations of the words of a description.
constexpr std::array<std::pair<std::string_view, std::string_view>, 20> kAbbreviations = {{
    {"MOSTLY", "MO"},
    {"PARTLY", "PT"},
    {"CLOUDY", "CLDY"},
    {"LIGHT", "LGT"},
    {"HEAVY", "HVY"},
    {"THUNDERSTORM", "TSTM"},
    {"THUNDERSTORMS", "TSTM"},
    {"SHOWERS", "SHWR"},
    {"SHOWER", "SHWR"},
    {"FREEZING", "FRZ"},
    {"DRIZZLE", "DZ"},
    {"SNOW", "SNOW"},
    {"RAIN", "RAIN"},
    {"FOG/MIST", "FOG"},
    {"BLOWING", "BLO"},
    {"VICINITY", "VCNTY"},
    {"AND", ""},
    {"WITH", ""},
    {"IN", ""},
    {"THE", ""},
}};

std::string_view Abbreviated(std::string_view word) {
    for (const auto& [full, shorter] : kAbbreviations) {
        if (word == full) {
            return shorter;
        }
    }
    return word;
}

// Pads `line` with blanks to `column` (at least one blank after earlier
// text), then appends `text`.
void PutAt(std::string& line, std::size_t column, std::string_view text) {
    if (line.size() < column) {
        line.append(column - line.size(), ' ');
    } else if (!line.empty() && line.back() != ' ') {
        line += ' ';
    }
    line += text;
}

// Puts `text` so that it ends at `lastColumn`, or later when the line is
// already longer.
void PutEndingAt(std::string& line, std::size_t lastColumn, std::string_view text) {
    const std::size_t start = lastColumn + 1 >= text.size() ? lastColumn + 1 - text.size() : 0;
    PutAt(line, start, text);
}

}  // namespace

int FahrenheitFromCelsius(double celsius) {
    return TemperatureReading(TemperatureUnit::Fahrenheit, celsius);
}

int RoundedPercent(double percent) {
    const long rounded = std::lround(percent);
    return static_cast<int>(rounded > 100 ? 100 : rounded);
}

std::string InchesOfMercury(double pascals) {
    return PressureText(PressureUnit::InchesOfMercury, pascals);
}

std::optional<WindMph> WindInUnit(const Observation& observation, WindUnit unit) {
    if (!observation.windSpeedKmh) {
        return std::nullopt;
    }
    WindMph wind;
    const double speed = WindIn(unit, *observation.windSpeedKmh);
    if (speed < 1.0) {
        return wind;
    }
    wind.speed = std::lround(speed);
    if (observation.windGustKmh && WindIn(unit, *observation.windGustKmh) >= 1.0) {
        wind.gust = std::lround(WindIn(unit, *observation.windGustKmh));
    }
    return wind;
}

std::optional<WindMph> WindInMph(const Observation& observation) {
    return WindInUnit(observation, WindUnit::MilesPerHour);
}

std::string WindText(const Observation& observation, WindUnit unit) {
    const std::optional<WindMph> wind = WindInUnit(observation, unit);
    if (!wind) {
        return "N/A";
    }
    if (wind->speed == 0) {
        return "CALM";
    }
    std::string text(observation.windDirectionDegrees
                         ? CompassPoint(*observation.windDirectionDegrees)
                         : std::string_view("VRB"));
    text += std::to_string(wind->speed);
    if (wind->gust) {
        text += 'G' + std::to_string(*wind->gust);
    }
    return text;
}

std::string SkyWord(std::string_view description) {
    const std::string line = PageLine(description);
    std::string word;
    std::size_t start = 0;
    while (start < line.size()) {
        std::size_t end = line.find(' ', start);
        if (end == std::string::npos) {
            end = line.size();
        }
        for (char ch : Abbreviated(std::string_view(line).substr(start, end - start))) {
            // Letters only, so the word never reads as a number.
            if (ch >= 'A' && ch <= 'Z') {
                word += ch;
            }
        }
        start = end + 1;
    }
    if (word.empty()) {
        return "N/A";
    }
    return word.substr(0, kSkyWidth);
}

std::string RoundupRow(const Observation& observation, const Units& units) {
    std::string row(kRoundupRowName);
    PutAt(row, kSkyStart, SkyWord(observation.description));
    PutEndingAt(row, kTemperatureEnd,
                std::to_string(TemperatureReading(units.temperature, *observation.temperatureC)));
    PutEndingAt(row, kDewPointEnd,
                std::to_string(TemperatureReading(units.temperature, *observation.dewPointC)));
    PutEndingAt(row, kHumidityEnd, std::to_string(RoundedPercent(*observation.humidityPercent)));
    PutAt(row, kWindStart, WindText(observation, units.wind));
    PutAt(row, kPressureStart, PressureText(units.pressure, *observation.pressurePa));
    return row;
}

std::string BuildRoundupPage(const std::optional<Observation>& current, std::string_view stationId,
                             const Units& units) {
    std::string page =
        "<html><head><title>Tickwell weather roundup</title></head><body><pre>\n"
        "WEATHER ROUNDUP\n\n";
    page += kHeader;
    page += '\n';
    if (current && current->HasReadings()) {
        std::string row = RoundupRow(*current, units);
        PutAt(row, kRemarksStart, stationId);
        page += row;
        page += '\n';
    }
    page += "\n$$\n</pre></body></html>\n";
    return page;
}

}  // namespace tickwell::live
