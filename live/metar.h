// The few facts this program reads out of a raw METAR report, for the
// readings the weather service's JSON leaves empty.
#pragma once

#include <optional>
#include <string_view>

namespace tickwell::live {

// The readings a report carries, each absent when the report lacks it,
// writes it in a form this program does not read (a malformed group:
// "A30301", "A30X0", "2/08"), or gives a value outside what the weather
// gives. Groups stand as words of their own.
struct MetarReadings {
    std::optional<double> temperatureC;
    std::optional<double> dewPointC;
    // The altimeter setting in pascals: from "Annnn" (hundredths of an inch
    // of mercury, "A3030" is 30.30 inHg) or "Qnnnn" (hectopascals). Only the
    // part before "RMK" is read for it and for "TT/DD", since remarks are
    // free text.
    std::optional<double> pressurePa;
};

// Temperature and dew point from the remarks' group "TsnnnSnnn" in tenths
// of a degree, a sign digit 1 meaning below zero ("T02440083" is 24.4 and
// 8.3; "T1006" only the temperature, -0.6), else from the main group
// "TT/DD" in whole degrees, "M" meaning below zero ("24/08", "M05/M08",
// "24/" without a dew point).
MetarReadings ReadMetar(std::string_view report);

}  // namespace tickwell::live
