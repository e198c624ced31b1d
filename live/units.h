// The units the user reads the weather in, and the conversions from the
// units the services give (Celsius, pascals, km/h, knots, m/s) into them.
// One place for each factor, so every page and readout converts alike.
#pragma once

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

}  // namespace tickwell::live
