#include "live/units.h"

#include <cmath>

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

}  // namespace tickwell::live
