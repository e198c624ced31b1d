// The lower half of the window: four weather readouts with their captions,
// and the clock (twelve-hour unless the user chose the twenty-four-hour
// one).
#pragma once

#include <cstddef>
#include <cstdint>

#include "display/segment_readout.h"
#include "platform/canvas.h"

namespace tickwell {

constexpr Color kLitColor = 0x00FFDC;
constexpr Color kUnlitColor = 0x008C78;

// Readout texts are formatted into a buffer of this size.
constexpr std::size_t kReadoutTextSize = 12;

extern SegmentReadout* temperatureReadout;
extern SegmentReadout* humidityReadout;
extern SegmentReadout* pressureReadout;
extern SegmentReadout* dewPointReadout;
extern SegmentReadout* clockReadout;
extern Font* labelFont;

void CreateLabelFont(Graphics& graphics);
void DeleteLabelFont();
// Creates the five readouts in table order; one that can't be made stays null.
void CreateReadouts(Graphics& graphics);
void DestroyReadouts();

// How the pressure and the clock are shown: the live build sets it from the
// user's units (on the user-interface thread only); the defaults are the
// classic picture. The temperatures are shown as the page gives them.
struct ReadoutStyle {
    // Whole hectopascals ("1013"), else inches of mercury ("29.92").
    bool hectopascals = false;
    // "23:59", else "11:59p".
    bool twentyFourHourClock = false;
    bool operator==(const ReadoutStyle&) const = default;
};
void SetReadoutStyle(const ReadoutStyle& style);
const ReadoutStyle& CurrentReadoutStyle();

// The texts the readouts show; never longer than kReadoutTextSize - 1.
void FormatDegrees(std::int32_t value, char (&text)[kReadoutTextSize]);
void FormatHumidity(std::int32_t value, char (&text)[kReadoutTextSize]);
void FormatPressure(double value, char (&text)[kReadoutTextSize]);
void FormatHectopascals(double value, char (&text)[kReadoutTextSize]);
void FormatClock(int hour, int minute, char (&text)[kReadoutTextSize]);
void FormatClock24(int hour, int minute, char (&text)[kReadoutTextSize]);

void DrawReadouts(Canvas& canvas);
void DrawCaptions(Canvas& canvas);
// Draws the clock with the local time (see SetClockSource for tests).
void DrawClock(Canvas& canvas);

using ClockSource = void (*)(int* hour, int* minute);
void SetClockSource(ClockSource source);

}  // namespace tickwell
