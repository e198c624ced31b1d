// The GDI canvas: pixels drawn by lines, rectangles, ellipses and block
// copies, the objects Select hands back, and no leaked GDI objects.
#include <gtest/gtest.h>

#if defined(_WIN32)

#include <windows.h>

#include <memory>
#include <string>

#include "platform/win32/gui/gdi_graphics.h"
#include "platform/win32/gui/gdi_objects.h"

namespace tickwell::win32 {
namespace {

constexpr Color kWhite = 0xFFFFFF;
constexpr Color kRed = MakeColor(255, 0, 0);
constexpr Color kBlue = MakeColor(0, 0, 255);

// A 40 by 20 bitmap, white, selected into a memory canvas.
class Win32GdiCanvas : public ::testing::Test {
protected:
    void SetUp() override {
        display = graphics.OpenDisplayCanvas();
        ASSERT_NE(display, nullptr);
        memory = display->CreateCompatibleCanvas();
        ASSERT_NE(memory, nullptr);
        bitmap = display->CreateCompatibleBitmap(40, 20);
        ASSERT_NE(bitmap, nullptr);
        oldBitmap = memory->SelectBitmap(bitmap);
        ASSERT_NE(oldBitmap, nullptr);
        ::PatBlt(dc(), 0, 0, 40, 20, WHITENESS);
    }
    void TearDown() override {
        if (memory != nullptr) memory->SelectBitmap(oldBitmap);
        memory.reset();
        delete bitmap;
        display.reset();
    }

    HDC dc() const { return static_cast<GdiCanvas&>(*memory).dc(); }
    Color At(int x, int y) const { return ::GetPixel(dc(), x, y) & 0xFFFFFF; }
    // The pixels of a row as a string: '#' for `ink`, '.' for anything else.
    std::string Row(int y, int from, int to, Color ink) const {
        std::string row;
        for (int x = from; x < to; ++x) row += At(x, y) == ink ? '#' : '.';
        return row;
    }

    GdiGraphics graphics;
    std::unique_ptr<Canvas> display;
    std::unique_ptr<Canvas> memory;
    Bitmap* bitmap = nullptr;
    Bitmap* oldBitmap = nullptr;
};

TEST_F(Win32GdiCanvas, LinesLeaveOutTheirEndPoint) {
    Pen* pen = graphics.CreatePen(kRed);
    Pen* old = memory->SelectPen(pen);
    memory->Line(2, 3, 7, 3);    // horizontal, left to right
    memory->Line(10, 8, 10, 4);  // vertical, upwards
    memory->SelectPen(old);
    delete pen;

    EXPECT_EQ(Row(3, 0, 9, kRed), "..#####..");
    EXPECT_EQ(At(10, 8), kRed);
    EXPECT_EQ(At(10, 5), kRed);
    EXPECT_NE(At(10, 4), kRed);
}

TEST_F(Win32GdiCanvas, RectangleIsOutlinedWithThePenAndFilledWithTheBrush) {
    Pen* pen = graphics.CreatePen(kRed);
    Brush* brush = graphics.CreateSolidBrush(kBlue);
    Pen* oldPen = memory->SelectPen(pen);
    Brush* oldBrush = memory->SelectBrush(brush);
    memory->Rectangle(Rect{1, 1, 6, 5});  // right and bottom lie outside
    memory->SelectBrush(oldBrush);
    memory->SelectPen(oldPen);
    delete brush;
    delete pen;

    EXPECT_EQ(Row(1, 0, 7, kRed), ".#####.");
    EXPECT_EQ(Row(2, 0, 7, kBlue), "..###..");
    EXPECT_EQ(At(1, 2), kRed);
    EXPECT_EQ(At(5, 2), kRed);
    EXPECT_EQ(Row(4, 0, 7, kRed), ".#####.");
    EXPECT_EQ(At(3, 5), kWhite);
}

TEST_F(Win32GdiCanvas, NullPenRectangleIsFillOnlyAndStopsShortOfItsEdges) {
    // The busy lamp: null pen, so only the brush paints, and GDI then
    // leaves out the right column and the bottom row.
    Brush* brush = graphics.CreateSolidBrush(kBlue);
    Pen* oldPen = memory->SelectPen(graphics.NullPen());
    Brush* oldBrush = memory->SelectBrush(brush);
    memory->Rectangle(Rect{5, 5, 10, 20});
    memory->SelectBrush(oldBrush);
    memory->SelectPen(oldPen);
    delete brush;

    EXPECT_EQ(Row(5, 4, 11, kBlue), ".####..");
    EXPECT_EQ(At(5, 18), kBlue);
    EXPECT_NE(At(5, 19), kBlue);
}

TEST_F(Win32GdiCanvas, SmallEllipseIsADiamondFilledWithTheBrush) {
    // The readouts' dot and colon: a 3 by 3 box outlined with the lit pen
    // and filled with whatever brush the context holds. GDI draws the
    // outline as the four edge middles and fills the centre; the software
    // canvas copies this pattern.
    Pen* pen = graphics.CreatePen(kRed);
    Brush* brush = graphics.CreateSolidBrush(kBlue);
    Pen* oldPen = memory->SelectPen(pen);
    Brush* oldBrush = memory->SelectBrush(brush);
    memory->Ellipse(Rect{4, 4, 7, 7});
    memory->SelectBrush(oldBrush);
    memory->SelectPen(oldPen);
    delete brush;
    delete pen;

    std::string pattern;
    for (int y = 3; y < 8; ++y) {
        for (int x = 3; x < 8; ++x) {
            const Color c = At(x, y);
            pattern += c == kRed ? '#' : c == kBlue ? 'o' : '.';
        }
        pattern += '\n';
    }
    RecordProperty("ellipse3x3", pattern);
    EXPECT_EQ(pattern,
              ".....\n"
              "..#..\n"
              ".#o#.\n"
              "..#..\n"
              ".....\n");
}

TEST_F(Win32GdiCanvas, CopyFromMovesABlockUnchanged) {
    Pen* pen = graphics.CreatePen(kRed);
    Pen* oldPen = memory->SelectPen(pen);
    memory->Line(0, 0, 3, 0);
    memory->SelectPen(oldPen);
    delete pen;

    memory->CopyFrom(*memory, 0, 0, 3, 1, 20, 10);
    EXPECT_EQ(Row(10, 19, 24, kRed), ".###.");
}

TEST_F(Win32GdiCanvas, TextLineIsCentredVerticallyAndShowsAmpersands) {
    Font* font = graphics.CreateFixedFont(FontAttributes{});
    ASSERT_NE(font, nullptr);
    Font* oldFont = memory->SelectFont(font);
    EXPECT_GT(memory->CharWidth('A'), 0);
    memory->SetBackgroundMode(BackgroundMode::Transparent);
    memory->SetTextColor(kRed);
    // Without DT_NOPREFIX "&&" would draw a single '&' and "&" nothing.
    memory->TextLine(Rect{0, 0, 40, 20}, "&");
    memory->SelectFont(oldFont);
    delete font;

    int inked = 0;
    int top = 20;
    int bottom = -1;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 40; ++x) {
            if (At(x, y) == kRed) {
                ++inked;
                if (y < top) top = y;
                if (y > bottom) bottom = y;
            }
        }
    }
    EXPECT_GT(inked, 0) << "the ampersand was taken for a prefix";
    // A 13-pixel cell centred in 20 rows starts at row 3 or 4.
    EXPECT_GE(top, 3);
    EXPECT_LE(bottom, 17);
}

TEST_F(Win32GdiCanvas, SelectHandsBackTheProgramsOwnObjects) {
    Pen* first = graphics.CreatePen(kRed);
    Pen* second = graphics.CreatePen(kBlue);
    Pen* original = memory->SelectPen(first);
    ASSERT_NE(original, nullptr);
    EXPECT_EQ(memory->SelectPen(second), first);
    EXPECT_EQ(memory->SelectPen(graphics.NullPen()), second);
    EXPECT_EQ(memory->SelectPen(original), graphics.NullPen());
    // The default pen is the same wrapper every time it comes back.
    EXPECT_EQ(memory->SelectPen(first), original);
    memory->SelectPen(original);
    delete first;
    delete second;
}

TEST_F(Win32GdiCanvas, DeletingAnObjectFreesItsGdiHandleAndItsTableEntry) {
    const int wrappersBefore = RegisteredWrapperCount();
    Brush* brush = graphics.CreateSolidBrush(kBlue);
    Font* font = graphics.CreateFixedFont(FontAttributes{});
    HGDIOBJ brushHandle = HandleOf(brush);
    HGDIOBJ fontHandle = HandleOf(font);
    EXPECT_EQ(::GetObjectType(brushHandle), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(::GetObjectType(fontHandle), static_cast<DWORD>(OBJ_FONT));
    delete brush;
    delete font;
    EXPECT_EQ(::GetObjectType(brushHandle), 0u);
    EXPECT_EQ(::GetObjectType(fontHandle), 0u);
    EXPECT_EQ(RegisteredWrapperCount(), wrappersBefore);
}

TEST(Win32GdiFonts, FontsCarryTheAttributesAskedFor) {
    GdiGraphics graphics;
    const FontAttributes labelLike{10, FontWeight::Thin, FontQuality::Proof, "Small Fonts"};
    Font* font = graphics.CreateFixedFont(labelLike);
    ASSERT_NE(font, nullptr);
    LOGFONTA described = {};
    ASSERT_NE(::GetObjectA(HandleOf(font), sizeof described, &described), 0);
    EXPECT_EQ(described.lfHeight, 10);
    EXPECT_EQ(described.lfWidth, 0);
    EXPECT_EQ(described.lfWeight, FW_THIN);
    EXPECT_EQ(described.lfItalic | described.lfUnderline | described.lfStrikeOut, 0);
    EXPECT_EQ(described.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(described.lfOutPrecision, OUT_TT_PRECIS);
    EXPECT_EQ(described.lfQuality, PROOF_QUALITY);
    EXPECT_EQ(described.lfPitchAndFamily, FIXED_PITCH);
    EXPECT_STREQ(described.lfFaceName, "Small Fonts");
    delete font;

    Font* ticker =
        graphics.CreateFixedFont(FontAttributes{13, FontWeight::Thin, FontQuality::Draft, ""});
    ASSERT_NE(::GetObjectA(HandleOf(ticker), sizeof described, &described), 0);
    EXPECT_EQ(described.lfHeight, 13);
    EXPECT_EQ(described.lfQuality, DRAFT_QUALITY);
    EXPECT_STREQ(described.lfFaceName, "");
    delete ticker;
}

}  // namespace
}  // namespace tickwell::win32

#else

TEST(Win32GdiCanvas, RunsOnlyOnWindows) {
    GTEST_SKIP() << "Windows back end";
}

#endif
