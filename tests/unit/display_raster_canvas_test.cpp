// The software canvas the display tests draw on: its pixels must follow the
// classic device-context rules, or every pixel test above it proves nothing.
#include <gtest/gtest.h>

#include "support/raster_picture.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell {
namespace {

using rastertest::CountOtherThan;
using rastertest::Picture;

constexpr Color kGray = 0xC0C0C0;
constexpr Color kRed = 0x0000FF;
constexpr Color kBlue = 0xFF0000;

class RasterCanvasTest : public ::testing::Test {
protected:
    RasterGraphics graphics;
    std::unique_ptr<RasterCanvas> canvas = graphics.CreateWindowCanvas(16, 8, kGray);
    Pen* red = graphics.CreatePen(kRed);
    Brush* blue = graphics.CreateSolidBrush(kBlue);

    void TearDown() override {
        canvas.reset();
        delete red;
        delete blue;
        EXPECT_EQ(graphics.LiveObjects(), 0);
        EXPECT_EQ(graphics.Faults(), 0);
    }

    std::string Shot(const Rect& area) {
        return Picture(*canvas, area,
                       {{kGray, '.'},
                        {kRed, 'r'},
                        {kBlue, 'b'},
                        {0x000000, 'k'},
                        {0xFFFFFF, 'w'},
                        {0x00FFDC, 't'}});
    }
};

TEST_F(RasterCanvasTest, LinesLeaveOutTheirEndPoint) {
    canvas->SelectPen(red);
    canvas->Line(1, 1, 5, 1);    // rightwards
    canvas->Line(5, 3, 1, 3);    // leftwards
    canvas->Line(7, 1, 7, 4);    // downwards
    canvas->Line(9, 4, 9, 1);    // upwards
    canvas->Line(10, 6, 10, 6);  // zero length: nothing
    canvas->Line(0, 5, 3, 8);    // diagonal
    EXPECT_EQ(Shot({0, 0, 12, 8}),
              "............\n"
              ".rrrr..r....\n"
              ".......r.r..\n"
              "..rrrr.r.r..\n"
              ".........r..\n"
              "r...........\n"
              ".r..........\n"
              "..r.........");
}

TEST_F(RasterCanvasTest, RectangleFramesWithPenAndFillsWithBrush) {
    canvas->SelectPen(red);
    canvas->SelectBrush(blue);
    canvas->Rectangle({1, 1, 6, 5});
    // The null pen fills a box one pixel smaller in each direction.
    canvas->SelectPen(graphics.NullPen());
    canvas->Rectangle({7, 1, 11, 5});
    EXPECT_EQ(Shot({0, 0, 12, 6}),
              "............\n"
              ".rrrrr.bbb..\n"
              ".rbbbr.bbb..\n"
              ".rbbbr.bbb..\n"
              ".rrrrr......\n"
              "............");
}

TEST_F(RasterCanvasTest, SmallEllipsesHaveTheDocumentedShape) {
    canvas->SelectPen(red);
    canvas->SelectBrush(blue);
    canvas->Ellipse({0, 0, 3, 3});   // a plus with a filled centre
    canvas->Ellipse({4, 0, 6, 2});   // 2x2: all outline
    canvas->Ellipse({7, 0, 11, 4});  // 4x4: corners cut
    EXPECT_EQ(Shot({0, 0, 12, 4}),
              ".r..rr..rr..\n"
              "rbr.rr.rbbr.\n"
              ".r.....rbbr.\n"
              "........rr..");
}

TEST_F(RasterCanvasTest, NewCanvasesStartWithTheStockObjects) {
    EXPECT_EQ(canvas->selectedPen(), graphics.DefaultPen());
    EXPECT_EQ(canvas->selectedBrush(), graphics.DefaultBrush());
    EXPECT_EQ(canvas->selectedFont(), graphics.DefaultFont());
    EXPECT_EQ(canvas->selectedBitmap(), nullptr);
    auto memory = canvas->CreateCompatibleCanvas();
    auto* raster = dynamic_cast<RasterCanvas*>(memory.get());
    ASSERT_NE(raster, nullptr);
    EXPECT_EQ(raster->selectedBitmap(), graphics.DefaultBitmap());
    EXPECT_EQ(raster->width(), 1);
    EXPECT_EQ(canvas->SelectPen(nullptr), nullptr) << "null is refused";
    EXPECT_EQ(canvas->SelectBitmap(graphics.DefaultBitmap()), nullptr) << "not a memory canvas";

    // The default pen draws black, the default brush fills white.
    canvas->Rectangle({0, 0, 3, 3});
    EXPECT_EQ(Shot({0, 0, 3, 3}), "kkk\nkwk\nkkk");
}

TEST(RasterBooksTest, CountLiveObjectsAndMisuse) {
    RasterGraphics graphics;
    auto canvas = graphics.CreateWindowCanvas(4, 4, kGray);
    Pen* doomed = graphics.CreatePen(kRed);
    EXPECT_EQ(graphics.LiveObjects(), 1);
    EXPECT_EQ(graphics.LiveCanvases(), 1);
    canvas->SelectPen(doomed);
    delete doomed;  // still selected: a fault, and the canvas falls back
    EXPECT_EQ(graphics.Faults(), 1);
    EXPECT_EQ(canvas->selectedPen(), graphics.DefaultPen());

    Bitmap* bitmap = canvas->CreateCompatibleBitmap(4, 4);
    auto first = canvas->CreateCompatibleCanvas();
    auto second = canvas->CreateCompatibleCanvas();
    EXPECT_EQ(graphics.LiveCanvases(), 3);
    EXPECT_EQ(first->SelectBitmap(bitmap), graphics.DefaultBitmap());
    EXPECT_EQ(second->SelectBitmap(bitmap), nullptr) << "one canvas at a time";
    EXPECT_EQ(graphics.Faults(), 2);
    first->SelectBitmap(graphics.DefaultBitmap());
    first.reset();
    second.reset();
    delete bitmap;
    EXPECT_EQ(graphics.LiveCanvases(), 1);
    EXPECT_EQ(graphics.LiveObjects(), 0);
    EXPECT_EQ(graphics.Faults(), 2);

    // A memory canvas deleted while it holds a created object.
    Brush* brush = graphics.CreateSolidBrush(kBlue);
    auto memory = canvas->CreateCompatibleCanvas();
    memory->SelectBrush(brush);
    memory.reset();
    EXPECT_EQ(graphics.Faults(), 3);
    delete brush;
    EXPECT_EQ(graphics.Faults(), 3);
}

TEST_F(RasterCanvasTest, TextDrawsOneBoxPerNonBlankCharacter) {
    graphics.SetFontCharWidth(4);
    Font* font =
        graphics.CreateFixedFont(FontAttributes{7, FontWeight::Thin, FontQuality::Draft, ""});
    canvas->SelectFont(font);
    EXPECT_EQ(canvas->CharWidth('A'), 4);
    canvas->SetBackgroundMode(BackgroundMode::Transparent);
    canvas->SetTextColor(0x00FFDC);
    canvas->Text(0, 0, "A B");
    // Centred in a 9-row box and not clipped to its 4 columns.
    canvas->TextLine({8, 2, 12, 11}, "&&");
    EXPECT_EQ(Shot({0, 0, 16, 8}),
              "................\n"
              "................\n"
              ".tt......tt.....\n"
              ".tt......tt.....\n"
              ".tt......tt.....\n"
              ".........tt..tt.\n"
              ".........tt..tt.\n"
              ".........tt..tt.");
    // In opaque mode each cell is first filled white, blanks included.
    canvas->SetBackgroundMode(BackgroundMode::Opaque);
    canvas->Text(0, 0, "  ");
    EXPECT_EQ(Shot({0, 2, 12, 3}), "wwwwwwww.tt.");
    canvas->SelectFont(graphics.DefaultFont());
    delete font;
    // A font whose width can't be measured reports 0.
    graphics.SetFontCharWidth(0);
    font = graphics.CreateFixedFont(FontAttributes{});
    canvas->SelectFont(font);
    EXPECT_EQ(canvas->CharWidth('A'), 0);
    canvas->SelectFont(graphics.DefaultFont());
    delete font;
}

TEST_F(RasterCanvasTest, CopyFromIsClippedToBothCanvases) {
    auto memory = canvas->CreateCompatibleCanvas();
    Bitmap* bitmap = memory->CreateCompatibleBitmap(3, 2);
    Bitmap* kept = memory->SelectBitmap(bitmap);
    auto& source = dynamic_cast<RasterCanvas&>(*memory);
    source.Fill(kRed);
    source.SetPixel(2, 1, kBlue);
    // Asks for more than the source has and runs past the right edge.
    canvas->CopyFrom(source, 0, 0, 5, 3, 14, 6);
    EXPECT_EQ(Shot({12, 5, 16, 8}),
              "....\n"
              "..rr\n"
              "..rr");
    canvas->CopyFrom(source, 1, 0, 2, 2, 0, 0);
    EXPECT_EQ(Shot({0, 0, 3, 2}), "rr.\nrb.");
    EXPECT_EQ(canvas->GetPixel(-1, 0), kInvalidPixel);
    EXPECT_EQ(canvas->GetPixel(16, 0), kInvalidPixel);
    memory->SelectBitmap(kept);
    delete bitmap;
}

}  // namespace
}  // namespace tickwell
