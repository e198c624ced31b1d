// The units the user reads the weather in, and the conversions from the
// units the services give (Celsius, pascals, km/h, knots, m/s) into them.
// One place for each factor, so every page and readout converts alike.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tickwell::live {

enum class TemperatureUnit { Fahrenheit, Celsius };
enum class PressureUnit { InchesOfMercury, Hectopascals };
enum class WindUnit { MilesPerHour, KilometresPerHour, Knots, MetresPerSecond };
enum class ClockStyle { TwelveHour, TwentyFourHour };

// What the user chose; the defaults are the US picture.
struct Units {
    TemperatureUnit temperature = TemperatureUnit::Fahrenheit;
    PressureUnit pressure = PressureUnit::InchesOfMercury;
    WindUnit wind = WindUnit::MilesPerHour;
    ClockStyle clock = ClockStyle::TwelveHour;

    bool operator==(const Units&) const = default;
};

// The standard factors.
constexpr double kPascalsPerInchOfMercury = 3386.389;
constexpr double kKilometresPerMile = 1.609344;
constexpr double kKilometresPerNauticalMile = 1.852;

double CelsiusToFahrenheit(double celsius);
// `celsius` in `unit`.
double TemperatureIn(TemperatureUnit unit, double celsius);
// `pascals` in `unit` (inHg or hPa).
double PressureIn(PressureUnit unit, double pascals);
// A speed in km/h in `unit`.
double WindIn(WindUnit unit, double kilometresPerHour);
double KnotsToKilometresPerHour(double knots);
double MetresPerSecondToKilometresPerHour(double metresPerSecond);

// A reading rounded to a whole number, halves away from zero, and never
// "-0": -0.4 and -0.5 give 0 and -1.
int RoundReading(double value);

// The unit's name as the ticker writes it: "F" or "C"; "MPH", "KM/H", "KT"
// or "M/S".
const char* TemperatureLetter(TemperatureUnit unit);
const char* WindUnitText(WindUnit unit);

// A reading in the unit as the readouts and pages show it, rounded from the
// service's own value (never from a rounded Fahrenheit).
int TemperatureReading(TemperatureUnit unit, double celsius);
// "29.92" (two decimals) or "1013" (whole hectopascals).
std::string PressureText(PressureUnit unit, double pascals);

// A wall-clock time as the ticker writes it: "3:53 PM", "12:00 AM" on the
// twelve-hour clock, "15:53", "00:00" on the twenty-four-hour clock.
std::string ClockText(int hour, int minute, ClockStyle clock);

// Distances go with the temperature: kilometres with Celsius, else miles.
bool DistancesInKilometres(const Units& units);

// The choices the locale makes when the user made none: metric quantities
// (Celsius, hectopascals, km/h) or the US ones, and the clock its time
// format uses.
Units LocaleUnits(bool metric, bool twentyFourHour);

// The settings' names and values: "TemperatureUnit" F|C, "PressureUnit"
// inHg|hPa, "WindUnit" mph|km/h|kn|m/s, "Clock" 12|24.
constexpr const char* kTemperatureUnitSettingName = "TemperatureUnit";
constexpr const char* kPressureUnitSettingName = "PressureUnit";
constexpr const char* kWindUnitSettingName = "WindUnit";
constexpr const char* kClockSettingName = "Clock";
const char* SettingText(TemperatureUnit unit);
const char* SettingText(PressureUnit unit);
const char* SettingText(WindUnit unit);
const char* SettingText(ClockStyle clock);
// A stored value as written by SettingText, exactly; anything else is
// nothing, so the caller keeps its default.
std::optional<TemperatureUnit> ParseTemperatureUnit(std::string_view text);
std::optional<PressureUnit> ParsePressureUnit(std::string_view text);
std::optional<WindUnit> ParseWindUnit(std::string_view text);
std::optional<ClockStyle> ParseClockStyle(std::string_view text);

}  // namespace tickwell::live
