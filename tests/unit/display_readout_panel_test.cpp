// The readout panel: the texts of the four readings and the clock, where
// they are drawn, and the captions.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "app/weather_state.h"
#include "display/readout_panel.h"
#include "support/raster_picture.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell {
namespace {

using rastertest::CountOtherThan;
using rastertest::CountPixels;
using rastertest::Picture;

constexpr Color kGray = 0xC0C0C0;
const rastertest::Legend kLegend = {{kGray, '.'}, {kLitColor, 'L'}, {kUnlitColor, 'u'}};

std::string Degrees(std::int32_t value) {
    char text[kReadoutTextSize];
    FormatDegrees(value, text);
    return text;
}
std::string Humidity(std::int32_t value) {
    char text[kReadoutTextSize];
    FormatHumidity(value, text);
    return text;
}
std::string Pressure(double value) {
    char text[kReadoutTextSize];
    FormatPressure(value, text);
    return text;
}
std::string Clock(int hour, int minute) {
    char text[kReadoutTextSize];
    FormatClock(hour, minute, text);
    return text;
}

TEST(ReadoutTextTest, ReadingsUpToTheLongestThatFit) {
    EXPECT_EQ(Degrees(0), "00o");
    EXPECT_EQ(Degrees(-5), "-5o");
    EXPECT_EQ(Degrees(100), "100o");
    EXPECT_EQ(Humidity(7), "007");
    EXPECT_EQ(Humidity(100), "100");
    EXPECT_EQ(Pressure(0.0), "00.00");
    EXPECT_EQ(Pressure(29.92), "29.92");
    EXPECT_EQ(Pressure(1013.256), "1013.26");
    // Eleven characters still fit the 12-byte buffer.
    EXPECT_EQ(Degrees(-999999999), "-999999999o");
    EXPECT_EQ(Humidity(INT_MIN), "-2147483648");
    EXPECT_EQ(Pressure(-1234567.0), "-1234567.00");
}

TEST(ReadoutTextTest, AbsurdReadingsShowBarsAndNeverOverflow) {
    EXPECT_EQ(Degrees(INT_MIN), "--o");
    EXPECT_EQ(Pressure(123456789.0), "--.--");
    EXPECT_EQ(Pressure(1e300), "--.--");
    EXPECT_EQ(Pressure(std::numeric_limits<double>::quiet_NaN()), "--.--");
    EXPECT_EQ(Pressure(-std::numeric_limits<double>::infinity()), "--.--");
    EXPECT_EQ(Pressure(std::numeric_limits<double>::infinity()), "--.--");
    // Nothing is written past the buffer.
    struct {
        char text[kReadoutTextSize];
        char guard;
    } buffer;
    buffer.guard = '#';
    FormatPressure(1e300, buffer.text);
    FormatDegrees(INT_MIN, buffer.text);
    EXPECT_EQ(buffer.guard, '#');
}

TEST(ClockTextTest, TwelveHourRule) {
    EXPECT_EQ(Clock(0, 7), "12:07a");
    EXPECT_EQ(Clock(12, 0), "12:00p");
    EXPECT_EQ(Clock(13, 45), "01:45p");
    EXPECT_EQ(Clock(11, 59), "11:59a");
    EXPECT_EQ(Clock(23, 9), "11:09p");
}

class ReadoutPanelTest : public ::testing::Test {
protected:
    RasterGraphics graphics;
    std::unique_ptr<RasterCanvas> canvas = graphics.CreateWindowCanvas(198, 43, kGray);

    void SetUp() override {
        CreateReadouts(graphics);
        weatherState.temperature = 0;
        weatherState.relativeHumidity = 0;
        weatherState.pressure = 0.0;
        weatherState.dewPoint = 0;
        weatherState.hasReadings = true;
    }
    void TearDown() override {
        DestroyReadouts();
        SetClockSource(nullptr);
        canvas.reset();
        EXPECT_EQ(graphics.LiveObjects(), 0);
        EXPECT_EQ(graphics.Faults(), 0);
    }

    // The panel's readouts all showing zeros, for comparisons.
    std::unique_ptr<RasterCanvas> fresh_ = Fresh("00o");

    static std::unique_ptr<RasterCanvas> Fresh(const char* temperature) {
        static RasterGraphics freshGraphics;
        auto fresh = freshGraphics.CreateWindowCanvas(198, 43, kGray);
        for (const auto& [x, text] : {std::pair{15, temperature}, std::pair{45, "000"},
                                      std::pair{75, "00.00"}, std::pair{115, "00o"}}) {
            SegmentReadout(freshGraphics, x, 31, 9, kLitColor, kUnlitColor).Draw(*fresh, text);
        }
        return fresh;
    }

    // Whether the middle of the top segment of the cell at (x, y) is lit.
    bool TopLit(int x, int y) { return canvas->GetPixel(x + 1, y) == kLitColor; }
};

TEST_F(ReadoutPanelTest, ZeroReadingsAtTheirPlaces) {
    DrawReadouts(*canvas);
    // "00o", "000", "00.00", "00o", all on row 31.
    for (int x : {15, 21, 27, 45, 51, 57, 75, 81, 89, 95, 115, 121, 127}) {
        EXPECT_TRUE(TopLit(x, 31)) << x;
    }
    EXPECT_EQ(canvas->GetPixel(87, 35), kLitColor) << "the top of the pressure's dot";
    // Glyphs stand on row 38 and draw nothing above row 31.
    EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 198, 31}, kGray), 0);
    EXPECT_EQ(CountOtherThan(*canvas, {0, 39, 198, 43}, kGray), 0);
    EXPECT_EQ(CountOtherThan(*canvas, {140, 0, 198, 43}, kGray), 0) << "no clock while painting";
}

// The pixels of the four readouts drawn afresh with the given texts.
std::string FreshReadouts(const char* temperature, const char* humidity, const char* pressure,
                          const char* dewPoint) {
    RasterGraphics graphics;
    auto canvas = graphics.CreateWindowCanvas(198, 43, kGray);
    for (const auto& [x, text] : {std::pair{15, temperature}, std::pair{45, humidity},
                                  std::pair{75, pressure}, std::pair{115, dewPoint}}) {
        SegmentReadout(graphics, x, 31, 9, kLitColor, kUnlitColor).Draw(*canvas, text);
    }
    return Picture(*canvas, {0, 0, 198, 43}, kLegend);
}

TEST_F(ReadoutPanelTest, BarsUntilTheFirstReadings) {
    weatherState.hasReadings = false;
    weatherState.temperature = 47;
    DrawReadouts(*canvas);
    EXPECT_EQ(Picture(*canvas, {0, 0, 198, 43}, kLegend),
              FreshReadouts("--o", "---", "--.--", "--o"));
}

TEST_F(ReadoutPanelTest, AbsurdReadingsShowBarsInsideTheirOwnReadout) {
    // Each absurd reading alone: bars, and no pixel outside its readout,
    // which ends where the next one (the clock, for the dew point) begins.
    struct Case {
        void (*set)();
        int left, right;
        const char* bars;
    };
    const Case cases[] = {
        {[] { weatherState.temperature = 2147483647; }, 15, 45, "--o"},
        {[] { weatherState.temperature = -10000; }, 15, 45, "--o"},
        {[] { weatherState.relativeHumidity = 100000; }, 45, 75, "---"},
        {[] { weatherState.pressure = 1e308; }, 75, 115, "--.--"},
        {[] { weatherState.pressure = 12345678.9; }, 75, 115, "--.--"},
        {[] { weatherState.pressure = 10000.0; }, 75, 115, "--.--"},
        {[] { weatherState.dewPoint = -999999999; }, 115, 145, "--o"},
    };
    for (const Case& c : cases) {
        DestroyReadouts();
        SetUp();
        c.set();
        RasterGraphics own;
        auto alone = own.CreateWindowCanvas(198, 43, kGray);
        SegmentReadout(own, c.left, 31, 9, kLitColor, kUnlitColor).Draw(*alone, c.bars);

        canvas->Fill(kGray);
        DrawReadouts(*canvas);
        const Rect readoutArea{c.left, 0, c.right, 43};
        EXPECT_EQ(Picture(*canvas, readoutArea, kLegend), Picture(*alone, readoutArea, kLegend))
            << c.bars << " at " << c.left;
        // The other readouts show their zeros, untouched.
        for (const Rect& other : {Rect{0, 0, c.left, 43}, Rect{c.right, 0, 198, 43}}) {
            EXPECT_EQ(Picture(*canvas, other, kLegend), Picture(*fresh_, other, kLegend)) << c.left;
        }
    }
}

TEST_F(ReadoutPanelTest, ShorterReadingsLeaveNoOldGlyph) {
    // An absurd value, then 100, then ordinary values: the screen ends up
    // as if only the ordinary values had ever been drawn, apart from the
    // temperature's fourth cell, which stays dark (unlit segments).
    weatherState.temperature = 99999;
    weatherState.pressure = 1e308;
    DrawReadouts(*canvas);
    weatherState.temperature = 100;
    weatherState.pressure = 100.5;
    DrawReadouts(*canvas);
    weatherState.temperature = 47;
    weatherState.relativeHumidity = 83;
    weatherState.pressure = 30.11;
    weatherState.dewPoint = 45;
    DrawReadouts(*canvas);
    EXPECT_EQ(Picture(*canvas, {0, 0, 33, 43}, kLegend),
              Picture(*Fresh("47o"), {0, 0, 33, 43}, kLegend));
    EXPECT_EQ(CountPixels(*canvas, {33, 0, 39, 43}, kLitColor), 0);
    EXPECT_EQ(CountPixels(*canvas, {33, 0, 39, 43}, kUnlitColor), 7 * 3 - 2);
    // Elsewhere the same pixels are lit; the pressure's dot moved, so its
    // old place and its sixth cell show unlit segments.
    const std::string expected = FreshReadouts("47o", "083", "30.11", "45o");
    const std::string now = Picture(*canvas, {0, 0, 198, 43}, kLegend);
    ASSERT_EQ(expected.size(), now.size());
    for (std::size_t i = 0; i < now.size(); ++i) {
        EXPECT_EQ(now[i] == 'L', expected[i] == 'L') << "row " << i / 199 << " column " << i % 199;
    }
}

TEST_F(ReadoutPanelTest, ClockUsesTheInjectedTime) {
    SetClockSource([](int* hour, int* minute) {
        *hour = 13;
        *minute = 45;
    });
    DrawClock(*canvas);
    // "01:45p" with L = 6 at (145, 25): cells at 145, 154, 163 (colon),
    // 167, 176, 185.
    EXPECT_TRUE(TopLit(145, 25)) << "0";
    EXPECT_FALSE(TopLit(154, 25)) << "1";
    EXPECT_EQ(canvas->GetPixel(155 + 6, 27), kLitColor) << "1's upper right";
    EXPECT_EQ(canvas->GetPixel(164, 27), kLitColor) << "the top of the colon's upper dot";
    EXPECT_FALSE(TopLit(167, 25)) << "4";
    EXPECT_TRUE(TopLit(176, 25)) << "5";
    EXPECT_TRUE(TopLit(185, 25)) << "p";
    EXPECT_EQ(canvas->GetPixel(185, 37), kLitColor) << "p's lower left";
    EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 145, 43}, kGray), 0);
    EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 198, 25}, kGray), 0);
    EXPECT_EQ(CountOtherThan(*canvas, {0, 39, 198, 43}, kGray), 0);
}

TEST_F(ReadoutPanelTest, CaptionsInBlackAtRow21) {
    CreateLabelFont(graphics);
    ASSERT_NE(labelFont, nullptr);
    const auto& font = dynamic_cast<RasterFont&>(*labelFont).attributes();
    EXPECT_EQ(font.cellHeight, 10);
    EXPECT_EQ(font.weight, FontWeight::Thin);
    EXPECT_EQ(font.quality, FontQuality::Proof);
    EXPECT_EQ(font.faceName, "Small Fonts");

    canvas->SetTextColor(0x0000FF);
    canvas->SetBackgroundMode(BackgroundMode::Opaque);
    DrawCaptions(*canvas);
    // Four characters of 8 pixels from x = 15, 45 and 75, five from 115;
    // each glyph box starts one column and two rows into its cell.
    for (int x : {16, 24, 32, 40, 46, 70, 76, 100, 116, 148}) {
        EXPECT_EQ(canvas->GetPixel(x, 23), 0x000000u) << x;
    }
    EXPECT_EQ(canvas->GetPixel(15, 23), kGray) << "transparent: no cell background";
    EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 198, 23}, kGray), 0);
    EXPECT_EQ(CountOtherThan(*canvas, {0, 29, 198, 43}, kGray), 0);
    EXPECT_EQ(canvas->backgroundMode(), BackgroundMode::Transparent);
    EXPECT_EQ(canvas->textColor(), 0x000000u);
    EXPECT_EQ(canvas->selectedFont(), graphics.DefaultFont());
    DeleteLabelFont();
    EXPECT_EQ(labelFont, nullptr);
}

}  // namespace
}  // namespace tickwell
