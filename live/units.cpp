#include "live/units.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

namespace tickwell::live {

double CelsiusToFahrenheit(double celsius) {
    return celsius * 9.0 / 5.0 + 32.0;
}

double TemperatureIn(TemperatureUnit unit, double celsius) {
    return unit == TemperatureUnit::Celsius ? celsius : CelsiusToFahrenheit(celsius);
}

double PressureIn(PressureUnit unit, double pascals) {
    return unit == PressureUnit::Hectopascals ? pascals / 100.0
                                              : pascals / kPascalsPerInchOfMercury;
}

double WindIn(WindUnit unit, double kilometresPerHour) {
    switch (unit) {
        case WindUnit::KilometresPerHour: return kilometresPerHour;
        case WindUnit::Knots: return kilometresPerHour / kKilometresPerNauticalMile;
        case WindUnit::MetresPerSecond: return kilometresPerHour / 3.6;
        case WindUnit::MilesPerHour: break;
    }
    return kilometresPerHour / kKilometresPerMile;
}

double KnotsToKilometresPerHour(double knots) {
    return knots * kKilometresPerNauticalMile;
}

double MetresPerSecondToKilometresPerHour(double metresPerSecond) {
    return metresPerSecond * 3.6;
}

int RoundReading(double value) {
    const long rounded = std::lround(value);
    return rounded == 0 ? 0 : static_cast<int>(rounded);
}

const char* TemperatureLetter(TemperatureUnit unit) {
    return unit == TemperatureUnit::Celsius ? "C" : "F";
}

const char* WindUnitText(WindUnit unit) {
    switch (unit) {
        case WindUnit::KilometresPerHour: return "KM/H";
        case WindUnit::Knots: return "KT";
        case WindUnit::MetresPerSecond: return "M/S";
        case WindUnit::MilesPerHour: break;
    }
    return "MPH";
}

int TemperatureReading(TemperatureUnit unit, double celsius) {
    return RoundReading(TemperatureIn(unit, celsius));
}

std::string PressureText(PressureUnit unit, double pascals) {
    char text[32];
    if (unit == PressureUnit::Hectopascals) {
        std::snprintf(text, sizeof text, "%d", RoundReading(PressureIn(unit, pascals)));
    } else {
        std::snprintf(text, sizeof text, "%.2f", PressureIn(unit, pascals));
    }
    return text;
}

std::string ClockText(int hour, int minute, ClockStyle clock) {
    char text[16];
    if (clock == ClockStyle::TwentyFourHour) {
        std::snprintf(text, sizeof text, "%02d:%02d", hour, minute);
    } else {
        std::snprintf(text, sizeof text, "%d:%02d %s", hour % 12 == 0 ? 12 : hour % 12, minute,
                      hour < 12 ? "AM" : "PM");
    }
    return text;
}

bool DistancesInKilometres(const Units& units) {
    return units.temperature == TemperatureUnit::Celsius;
}

Units LocaleUnits(bool metric, bool twentyFourHour) {
    Units units;
    if (metric) {
        units.temperature = TemperatureUnit::Celsius;
        units.pressure = PressureUnit::Hectopascals;
        units.wind = WindUnit::KilometresPerHour;
    }
    units.clock = twentyFourHour ? ClockStyle::TwentyFourHour : ClockStyle::TwelveHour;
    return units;
}

namespace {

// Each choice with the text it is stored as.
constexpr std::array<std::pair<TemperatureUnit, const char*>, 2> kTemperatureTexts = {{
    {TemperatureUnit::Fahrenheit, "F"},
    {TemperatureUnit::Celsius, "C"},
}};
constexpr std::array<std::pair<PressureUnit, const char*>, 2> kPressureTexts = {{
    {PressureUnit::InchesOfMercury, "inHg"},
    {PressureUnit::Hectopascals, "hPa"},
}};
constexpr std::array<std::pair<WindUnit, const char*>, 4> kWindTexts = {{
    {WindUnit::MilesPerHour, "mph"},
    {WindUnit::KilometresPerHour, "km/h"},
    {WindUnit::Knots, "kn"},
    {WindUnit::MetresPerSecond, "m/s"},
}};
constexpr std::array<std::pair<ClockStyle, const char*>, 2> kClockTexts = {{
    {ClockStyle::TwelveHour, "12"},
    {ClockStyle::TwentyFourHour, "24"},
}};

template <typename Choice, std::size_t N>
const char* TextOf(const std::array<std::pair<Choice, const char*>, N>& table, Choice choice) {
    for (const auto& [value, text] : table) {
        if (value == choice) {
            return text;
        }
    }
    return table.front().second;
}

template <typename Choice, std::size_t N>
std::optional<Choice> ChoiceOf(const std::array<std::pair<Choice, const char*>, N>& table,
                               std::string_view text) {
    for (const auto& [value, stored] : table) {
        if (text == stored) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

const char* SettingText(TemperatureUnit unit) {
    return TextOf(kTemperatureTexts, unit);
}
const char* SettingText(PressureUnit unit) {
    return TextOf(kPressureTexts, unit);
}
const char* SettingText(WindUnit unit) {
    return TextOf(kWindTexts, unit);
}
const char* SettingText(ClockStyle clock) {
    return TextOf(kClockTexts, clock);
}

std::optional<TemperatureUnit> ParseTemperatureUnit(std::string_view text) {
    return ChoiceOf(kTemperatureTexts, text);
}
std::optional<PressureUnit> ParsePressureUnit(std::string_view text) {
    return ChoiceOf(kPressureTexts, text);
}
std::optional<WindUnit> ParseWindUnit(std::string_view text) {
    return ChoiceOf(kWindTexts, text);
}
std::optional<ClockStyle> ParseClockStyle(std::string_view text) {
    return ChoiceOf(kClockTexts, text);
}

}  // namespace tickwell::live
