// Every drawing function puts back what it selects, and drawing the ticker
// leaves no object or canvas behind.
#include <gtest/gtest.h>

#include <cstring>

#include "display/readout_panel.h"
#include "display/segment_readout.h"
#include "display/ticker.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell {
namespace {

class SelectionsTest : public ::testing::Test {
protected:
    RasterGraphics graphics;
    std::unique_ptr<RasterCanvas> canvas = graphics.CreateWindowCanvas(198, 43, 0xC0C0C0);
    Pen* pen = graphics.CreatePen(0x0000FF);
    Brush* brush = graphics.CreateSolidBrush(0x00FF00);
    Font* font = graphics.CreateFixedFont(FontAttributes{});

    void SetUp() override {
        AllocateWeatherBuffers();
        graphics.SetFontCharWidth(7);
        CreateTickerResources(graphics, CreateLabelFont);
        CreateReadouts(graphics);
        canvas->SelectPen(pen);
        canvas->SelectBrush(brush);
        canvas->SelectFont(font);
        canvas->SetBackgroundMode(BackgroundMode::Opaque);
        canvas->SetTextColor(0x0000FF);
    }
    void TearDown() override {
        canvas.reset();
        DestroyReadouts();
        DeleteLabelFont();
        ReleaseTickerResources();
        delete pen;
        delete brush;
        delete font;
        EXPECT_EQ(graphics.LiveObjects(), 0);
        EXPECT_EQ(graphics.LiveCanvases(), 0);
        EXPECT_EQ(graphics.Faults(), 0);
    }

    void ExpectSelectionsKept(const char* after) {
        EXPECT_EQ(canvas->selectedPen(), pen) << after;
        EXPECT_EQ(canvas->selectedBrush(), brush) << after;
        EXPECT_EQ(canvas->selectedFont(), font) << after;
    }
};

TEST_F(SelectionsTest, EachDrawingFunctionPutsBackWhatItSelects) {
    temperatureReadout->Draw(*canvas, "-8:8.8o");
    ExpectSelectionsKept("Draw");
    DrawReadouts(*canvas);
    ExpectSelectionsKept("DrawReadouts");
    DrawClock(*canvas);
    ExpectSelectionsKept("DrawClock");
    DrawTicker(*canvas);
    ExpectSelectionsKept("DrawTicker");
    // The readouts and the ticker leave the text settings alone.
    EXPECT_EQ(canvas->backgroundMode(), BackgroundMode::Opaque);
    EXPECT_EQ(canvas->textColor(), 0x0000FFu);

    DrawCaptions(*canvas);
    ExpectSelectionsKept("DrawCaptions");
}

TEST_F(SelectionsTest, DrawingTheTickerLeaksNothing) {
    const int objects = graphics.LiveObjects();
    std::strcpy(TickerWindow, "SCROLLING");
    for (int paint = 0; paint < 50; ++paint) DrawTicker(*canvas);
    EXPECT_EQ(graphics.LiveObjects(), objects);
    EXPECT_EQ(graphics.LiveCanvases(), 1) << "the memory canvas is deleted after each paint";
    EXPECT_EQ(graphics.Faults(), 0);

    // The bitmap was put back out of the memory canvas, so another canvas
    // may take it (a bitmap fits one canvas at a time).
    auto memory = canvas->CreateCompatibleCanvas();
    Bitmap* kept = memory->SelectBitmap(tickerBitmap);
    EXPECT_EQ(kept, graphics.DefaultBitmap());
    memory->SelectBitmap(kept);
}

}  // namespace
}  // namespace tickwell
