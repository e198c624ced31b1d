#include "display/readout_panel.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <new>

#include "app/weather_state.h"

namespace tickwell {

SegmentReadout* temperatureReadout = nullptr;
SegmentReadout* humidityReadout = nullptr;
SegmentReadout* pressureReadout = nullptr;
SegmentReadout* dewPointReadout = nullptr;
SegmentReadout* clockReadout = nullptr;
Font* labelFont = nullptr;

namespace {

// The four weather readouts from left to right: each one's x, which its
// caption shares, and the caption. Each readout ends where the next begins;
// the dew point's, where the clock does.
struct WeatherReadout {
    SegmentReadout** readout;
    int x;
    const char* caption;
};
constexpr WeatherReadout kWeatherReadouts[] = {
    {&temperatureReadout, 15, "Temp"},
    {&humidityReadout, 45, "RHum"},
    {&pressureReadout, 75, "Pres"},
    {&dewPointReadout, 115, "DewPt"},
};
constexpr int kReadoutY = 31;
constexpr int kReadoutHeight = 9;
constexpr int kCaptionY = 21;
// The clock is taller and sits higher.
constexpr Rect kClockPlace{145, 25, 0, 25 + 15};
// Where the four readings' glyphs lie: from the temperature's origin to
// the clock's, on rows 31 to 38.
constexpr Rect kReadingsArea{kWeatherReadouts[0].x, kReadoutY, kClockPlace.left,
                             kReadoutY + kReadoutHeight};
constexpr Color kCaptionColor = 0x000000;

void ReadLocalTime(int* hour, int* minute) {
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    *hour = local != nullptr ? local->tm_hour : 0;
    *minute = local != nullptr ? local->tm_min : 0;
}

ClockSource clockSource = ReadLocalTime;
ReadoutStyle readoutStyle;

// Copies `fallback` when the formatted text did not fit the buffer, so that
// an absurd reading shows as bars instead of a misleading cut-off number.
void KeepOrReplace(int written, const char* fallback, char (&text)[kReadoutTextSize]) {
    if (written < 0 || static_cast<std::size_t>(written) >= kReadoutTextSize) {
        std::snprintf(text, kReadoutTextSize, "%s", fallback);
    }
}

void DrawWith(SegmentReadout* readout, Canvas& canvas, const char* text) {
    if (readout != nullptr) readout->Draw(canvas, text);
}

// Bars of the usual width stand for a reading that is not there yet (no
// roundup parsed since start-up) or whose text would run into the next
// readout.
constexpr const char* kDegreeBars = "--o";
constexpr const char* kHumidityBars = "---";
constexpr const char* kPressureBars = "--.--";
constexpr const char* kHectopascalBars = "----";

void DrawReading(SegmentReadout* readout, Canvas& canvas, const char* text, const char* bars) {
    if (readout == nullptr) return;
    const bool shown = weatherState.hasReadings.load() && readout->Fits(text);
    readout->Draw(canvas, shown ? text : bars);
}

}  // namespace

void CreateLabelFont(Graphics& graphics) {
    labelFont = graphics.CreateFixedFont(
        FontAttributes{10, FontWeight::Thin, FontQuality::Proof, "Small Fonts"});
}

void DeleteLabelFont() {
    delete labelFont;
    labelFont = nullptr;
}

void CreateReadouts(Graphics& graphics) {
    auto make = [&graphics](int x, int y, int height) {
        return new (std::nothrow) SegmentReadout(graphics, x, y, height, kLitColor, kUnlitColor);
    };
    const std::size_t count = std::size(kWeatherReadouts);
    for (std::size_t i = 0; i < count; ++i) {
        const WeatherReadout& weather = kWeatherReadouts[i];
        SegmentReadout* readout = make(weather.x, kReadoutY, kReadoutHeight);
        // No readout draws into the next one.
        const int limit = i + 1 < count ? kWeatherReadouts[i + 1].x : kClockPlace.left;
        if (readout != nullptr) readout->SetRightLimit(limit);
        *weather.readout = readout;
    }
    clockReadout = make(kClockPlace.left, kClockPlace.top, kClockPlace.Height());
}

void DestroyReadouts() {
    for (SegmentReadout** readout : {&temperatureReadout, &humidityReadout, &pressureReadout,
                                     &dewPointReadout, &clockReadout}) {
        delete *readout;
        *readout = nullptr;
    }
}

void FormatDegrees(std::int32_t value, char (&text)[kReadoutTextSize]) {
    const int written = std::snprintf(text, kReadoutTextSize, "%02do", static_cast<int>(value));
    KeepOrReplace(written, kDegreeBars, text);
}

void FormatHumidity(std::int32_t value, char (&text)[kReadoutTextSize]) {
    const int written = std::snprintf(text, kReadoutTextSize, "%03d", static_cast<int>(value));
    KeepOrReplace(written, kHumidityBars, text);
}

void FormatPressure(double value, char (&text)[kReadoutTextSize]) {
    // Infinities and NaN would print as letters, which the readout can't
    // show; they get the same bars as a number too long for the buffer.
    if (!std::isfinite(value)) {
        std::snprintf(text, kReadoutTextSize, "%s", kPressureBars);
        return;
    }
    const int written = std::snprintf(text, kReadoutTextSize, "%05.2f", value);
    KeepOrReplace(written, kPressureBars, text);
}

void FormatHectopascals(double value, char (&text)[kReadoutTextSize]) {
    if (!std::isfinite(value)) {
        std::snprintf(text, kReadoutTextSize, "%s", kHectopascalBars);
        return;
    }
    const int written = std::snprintf(text, kReadoutTextSize, "%04.0f", value);
    KeepOrReplace(written, kHectopascalBars, text);
}

void FormatClock24(int hour, int minute, char (&text)[kReadoutTextSize]) {
    const int written = std::snprintf(text, kReadoutTextSize, "%02d:%02d", hour, minute);
    KeepOrReplace(written, "--:--", text);
}

void SetReadoutStyle(const ReadoutStyle& style) {
    readoutStyle = style;
}

const ReadoutStyle& CurrentReadoutStyle() {
    return readoutStyle;
}

void FormatClock(int hour, int minute, char (&text)[kReadoutTextSize]) {
    const char suffix = hour >= 12 ? 'p' : 'a';
    const int shownHour = hour == 0 ? 12 : (hour > 12 ? hour - 12 : hour);
    const int written =
        std::snprintf(text, kReadoutTextSize, "%02d:%02d%c", shownHour, minute, suffix);
    KeepOrReplace(written, "--:--", text);
}

void DrawReadouts(Canvas& canvas) {
    // The ticker's repaints, four a second, leave the readouts out.
    if (!canvas.RectVisible(kReadingsArea)) return;
    char text[kReadoutTextSize];
    FormatDegrees(weatherState.temperature.load(), text);
    DrawReading(temperatureReadout, canvas, text, kDegreeBars);
    FormatHumidity(weatherState.relativeHumidity.load(), text);
    DrawReading(humidityReadout, canvas, text, kHumidityBars);
    FormatDegrees(weatherState.dewPoint.load(), text);
    DrawReading(dewPointReadout, canvas, text, kDegreeBars);
    if (readoutStyle.hectopascals) {
        FormatHectopascals(weatherState.pressure.load(), text);
        DrawReading(pressureReadout, canvas, text, kHectopascalBars);
    } else {
        FormatPressure(weatherState.pressure.load(), text);
        DrawReading(pressureReadout, canvas, text, kPressureBars);
    }
}

void DrawCaptions(Canvas& canvas) {
    Font* kept = canvas.SelectFont(labelFont);
    canvas.SetBackgroundMode(BackgroundMode::Transparent);
    canvas.SetTextColor(kCaptionColor);
    for (const WeatherReadout& weather : kWeatherReadouts) {
        canvas.Text(weather.x, kCaptionY, weather.caption);
    }
    if (kept != nullptr) canvas.SelectFont(kept);
}

void DrawClock(Canvas& canvas) {
    int hour = 0;
    int minute = 0;
    clockSource(&hour, &minute);
    char text[kReadoutTextSize];
    if (readoutStyle.twentyFourHourClock) {
        FormatClock24(hour, minute, text);
    } else {
        FormatClock(hour, minute, text);
    }
    DrawWith(clockReadout, canvas, text);
}

void SetClockSource(ClockSource source) {
    clockSource = source != nullptr ? source : ReadLocalTime;
}

}  // namespace tickwell
