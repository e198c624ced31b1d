// The ticker: the visible stretch cut by each step, the scroll position,
// the strip's resources and its drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/weather_state.h"
#include "display/ticker.h"
#include "support/raster_picture.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell {
namespace {

using rastertest::CountOtherThan;
using rastertest::CountPixels;

// 62 distinct characters t0 to t61.
const std::string kText62 = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
const std::string kGap(20, ' ');
constexpr char kGuard = '#';
constexpr int kGuardBytes = 8;

// A ScrollText with a buffer of its own, and TickerWindow sized for a
// given visibleChars with guard bytes behind it to catch overruns.
class TickerStepTest : public ::testing::Test {
protected:
    std::vector<char> buffer = std::vector<char>(kTextBufferSize, '\0');
    ScrollText scroll{0, kScrollStart, buffer.data()};
    std::vector<char> window;

    void SetUp() override { AllocateWeatherBuffers(); }
    void TearDown() override {
        EXPECT_TRUE(GuardsIntact());
        TickerWindow = nullptr;
        visibleChars = 0;
    }

    void SetVisibleChars(int cells) {
        visibleChars = cells;
        window.assign(static_cast<std::size_t>(cells + 1 + kGuardBytes), kGuard);
        window[0] = '\0';
        TickerWindow = window.data();
    }
    bool GuardsIntact() const {
        for (std::size_t i = static_cast<std::size_t>(visibleChars) + 1; i < window.size(); ++i) {
            if (window[i] != kGuard) return false;
        }
        return true;
    }
    void SetText(const std::string& text) {
        std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
        scroll.length = static_cast<std::int32_t>(text.size());
    }
    // The window one step at `position` gives.
    std::string StepAt(std::int32_t position) {
        scroll.position = position;
        TickerStep(scroll);
        return TickerWindow;
    }
};

TEST_F(TickerStepTest, LongTextThroughOneCycle) {
    SetVisibleChars(24);
    SetText(kText62);
    EXPECT_EQ(StepAt(-20), kGap + "ABCD");
    EXPECT_EQ(scroll.position, -19);
    EXPECT_EQ(StepAt(0), kText62.substr(0, 24));
    EXPECT_EQ(scroll.position, 1);
    EXPECT_EQ(StepAt(40), kText62.substr(40) + " ");
    EXPECT_EQ(scroll.position, 41);
    // The end of the text, the gap and the start again, one cell short.
    EXPECT_EQ(StepAt(61), "9" + kGap + "AB");
    EXPECT_EQ(scroll.position, -20);
    TickerStep(scroll);
    EXPECT_EQ(std::string(TickerWindow), kGap + "ABCD");
}

TEST_F(TickerStepTest, ConsecutiveWindowsShiftByOneCell) {
    SetVisibleChars(24);
    SetText(kText62);
    std::string previous = StepAt(-20);
    // Two whole cycles of length + 20 steps, across both returns to -20.
    for (int step = 0; step < 2 * (62 + 20); ++step) {
        const std::int32_t position = scroll.position;
        TickerStep(scroll);
        const std::string current = TickerWindow;
        EXPECT_EQ(current.compare(0, previous.size() - 1, previous, 1), 0)
            << "at position " << position << ": '" << previous << "' then '" << current << "'";
        EXPECT_GE(current.size(), 23u);
        EXPECT_LE(current.size(), 24u);
        previous = current;
    }
    EXPECT_EQ(scroll.position, -19);
}

TEST_F(TickerStepTest, ShortTextShowsTwiceAtMost) {
    SetVisibleChars(60);
    SetText("HELLO");
    EXPECT_EQ(StepAt(0), "HELLO" + kGap + "HELLO");
    EXPECT_EQ(scroll.position, 1);
    EXPECT_EQ(StepAt(-20), kGap + "HELLO" + kGap + "HELLO");
    EXPECT_EQ(StepAt(4), "O" + kGap + "HELLO");
    EXPECT_EQ(scroll.position, -20);
}

TEST_F(TickerStepTest, EmptyTextShowsBlanksAndCyclesThroughTheLeadIn) {
    SetVisibleChars(24);
    SetText("");
    EXPECT_EQ(StepAt(-20), std::string(23, ' '));
    for (std::int32_t expected = -18; expected <= -1; ++expected) {
        TickerStep(scroll);
        EXPECT_EQ(scroll.position, expected);
    }
    TickerStep(scroll);
    EXPECT_EQ(scroll.position, -20);
}

TEST_F(TickerStepTest, PositionBeyondTheEndShowsTheGapAndStartsAgain) {
    SetVisibleChars(21);
    SetText(kText62);
    EXPECT_EQ(StepAt(100), kGap);
    EXPECT_EQ(scroll.position, -20);
    // The far end of the int range neither overflows nor reads the text.
    EXPECT_EQ(StepAt(INT32_MAX), kGap);
    EXPECT_EQ(scroll.position, -20);
}

TEST_F(TickerStepTest, TextReplacedWhileScrolling) {
    SetVisibleChars(24);
    SetText(kText62);
    scroll.position = 40;
    SetText("short text");  // shorter than the position: wraps at once
    TickerStep(scroll);
    EXPECT_EQ(std::string(TickerWindow), kGap + "sho");
    EXPECT_EQ(scroll.position, -20);

    SetText("HELLO");
    scroll.position = 3;
    SetText(kText62);  // longer: read on from the same position
    TickerStep(scroll);
    EXPECT_EQ(std::string(TickerWindow), kText62.substr(3, 24));
    EXPECT_EQ(scroll.position, 4);
}

TEST_F(TickerStepTest, NoCellsLeaveTheWindowEmptyButStillAdvance) {
    SetVisibleChars(0);
    SetText(kText62);
    EXPECT_EQ(StepAt(-20), "");
    EXPECT_EQ(scroll.position, -19);
    EXPECT_EQ(StepAt(61), "");
    EXPECT_EQ(scroll.position, -20);
}

TEST_F(TickerStepTest, UntrustworthyTextsStayInsideTheirBuffers) {
    SetVisibleChars(24);
    ScrollText unallocated{50, 10, nullptr};
    TickerStep(unallocated);
    EXPECT_EQ(std::string(TickerWindow), kGap);
    EXPECT_EQ(unallocated.position, -20);

    // A length beyond the buffer is cut to it: the step reads the last five
    // characters of the buffer and wraps instead of running past its end.
    std::fill(buffer.begin(), buffer.end() - 1, 'x');
    scroll.length = kTextBufferSize + 100;
    EXPECT_EQ(StepAt(kTextBufferSize - 6), "xxxxx" + std::string(18, ' '));
    EXPECT_EQ(scroll.position, kTextBufferSize - 5);
}

TEST_F(TickerStepTest, WaitsForTheDataMutex) {
    SetVisibleChars(24);
    SetText(kText62);
    scroll.position = 0;
    std::atomic<bool> done{false};
    std::thread ticker;
    {
        DataMutexHold hold;
        ticker = std::thread([&] {
            TickerStep(scroll);
            done = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(done.load());
        EXPECT_EQ(scroll.position, 0);
    }
    ticker.join();
    EXPECT_EQ(scroll.position, 1);
}

TEST(VisibleCharsTest, DividesTheStripAndFallsBackWithoutAWidth) {
    EXPECT_EQ(VisibleCharsFor(8), 21);
    EXPECT_EQ(VisibleCharsFor(7), 24);
    EXPECT_EQ(VisibleCharsFor(170), 1);
    EXPECT_EQ(VisibleCharsFor(171), 0);
    EXPECT_EQ(VisibleCharsFor(0), 21);
    EXPECT_EQ(VisibleCharsFor(-3), 21);
}

// Resources and drawing on the raster canvas.
class TickerResourcesTest : public ::testing::Test {
protected:
    RasterGraphics graphics;

    void TearDown() override {
        ReleaseTickerResources();
        EXPECT_EQ(TickerWindow, nullptr);
        EXPECT_EQ(tickerFont, nullptr);
        EXPECT_EQ(graphics.LiveObjects(), 0);
        EXPECT_EQ(graphics.LiveCanvases(), 0);
        EXPECT_EQ(graphics.Faults(), 0);
    }
};

int callbackLiveObjects = -1;
int callbackLiveCanvases = -1;
bool callbackSawFont = false;
bool callbackSawBitmap = true;

TEST_F(TickerResourcesTest, CreatedInOrderAndMeasuredWithTheTickerFont) {
    graphics.SetFontCharWidth(7);
    CreateTickerResources(graphics, [](Graphics& g) {
        auto& raster = static_cast<RasterGraphics&>(g);
        callbackLiveObjects = raster.LiveObjects();
        callbackLiveCanvases = raster.LiveCanvases();
        callbackSawFont = tickerFont != nullptr;
        callbackSawBitmap = tickerBitmap != nullptr;
    });
    EXPECT_EQ(callbackLiveObjects, 1) << "the ticker font only";
    EXPECT_EQ(callbackLiveCanvases, 0);
    EXPECT_TRUE(callbackSawFont);
    EXPECT_FALSE(callbackSawBitmap);

    EXPECT_EQ(visibleChars, 24);
    ASSERT_NE(TickerWindow, nullptr);
    EXPECT_EQ(TickerWindow[0], '\0');
    const auto& font = dynamic_cast<RasterFont&>(*tickerFont).attributes();
    EXPECT_EQ(font.cellHeight, 13);
    EXPECT_EQ(font.weight, FontWeight::Thin);
    EXPECT_EQ(font.quality, FontQuality::Draft);
    EXPECT_EQ(font.faceName, "");
    EXPECT_EQ(dynamic_cast<RasterBitmap&>(*tickerBitmap).width(), 170);
    EXPECT_EQ(dynamic_cast<RasterBitmap&>(*tickerBitmap).height(), 15);
    EXPECT_EQ(dynamic_cast<RasterBrush&>(*tickerBackgroundBrush).color(), 0x2D2D2Du);
    EXPECT_EQ(graphics.LiveObjects(), 3);
    EXPECT_EQ(graphics.LiveCanvases(), 0) << "the display canvas is closed again";
}

TEST_F(TickerResourcesTest, UnmeasurableOrHugeCharacters) {
    graphics.SetFontCharWidth(0);
    CreateTickerResources(graphics, nullptr);
    EXPECT_EQ(visibleChars, 21);
    ReleaseTickerResources();

    graphics.SetFontCharWidth(200);
    CreateTickerResources(graphics, nullptr);
    EXPECT_EQ(visibleChars, 0);
    ASSERT_NE(TickerWindow, nullptr);
    EXPECT_EQ(TickerWindow[0], '\0');
}

TEST_F(TickerResourcesTest, DrawsTheStripInOneBlock) {
    constexpr Color kWindowGray = 0xC0C0C0;
    graphics.SetFontCharWidth(7);
    CreateTickerResources(graphics, nullptr);
    auto canvas = graphics.CreateWindowCanvas(198, 43, kWindowGray);

    // Before the first step: frame and background only.
    DrawTicker(*canvas);
    EXPECT_EQ(CountPixels(*canvas, {26, 6, 194, 19}, kTickerBackground), 168 * 13);
    EXPECT_EQ(CountPixels(*canvas, {25, 5, 195, 20}, 0x000000), 2 * 170 + 2 * 13);

    std::strcpy(TickerWindow, "A& B");
    DrawTicker(*canvas);
    // Cells of 7 pixels from x = 25; 13-pixel cells centred in 15 rows
    // start at row 6, and each glyph box at column 1 and row 2 of its cell.
    EXPECT_EQ(canvas->GetPixel(26, 8), tickerTextColor) << "A";
    EXPECT_EQ(canvas->GetPixel(33, 8), tickerTextColor) << "& is shown as itself";
    EXPECT_EQ(canvas->GetPixel(40, 8), kTickerBackground) << "a blank shows the background";
    EXPECT_EQ(canvas->GetPixel(47, 8), tickerTextColor) << "B";
    EXPECT_EQ(canvas->GetPixel(26, 7), kTickerBackground);
    EXPECT_EQ(canvas->GetPixel(25, 5), 0x000000u) << "frame";
    EXPECT_EQ(canvas->GetPixel(194, 19), 0x000000u) << "frame";
    // The whole strip and nothing outside it.
    EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 198, 43}, kWindowGray), 170 * 15);
}

}  // namespace
}  // namespace tickwell
