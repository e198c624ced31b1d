// Seven-segment glyphs drawn pixel by pixel on the raster canvas.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "display/segment_readout.h"
#include "support/raster_picture.h"
#include "tests/raster/raster_canvas.h"

namespace tickwell {
namespace {

using rastertest::CountOtherThan;
using rastertest::CountPixels;
using rastertest::Picture;

constexpr Color kLit = 0x00FFDC;
constexpr Color kUnlit = 0x008C78;
constexpr Color kGray = 0xC0C0C0;

// The pixels of each segment of a cell at (x, y) with segment length L, in
// the order top, middle, bottom, upper left, upper right, lower left, lower
// right: horizontals cover columns x+1..x+L, upper verticals rows
// y+1..y+L-1, lower verticals rows y+L+1..y+2L.
std::vector<Point> SegmentPixels(int segment, int x, int y, int L) {
    std::vector<Point> pixels;
    const int horizontalRows[3] = {y, y + L, y + 2 * L + 1};
    if (segment < 3) {
        for (int column = x + 1; column <= x + L; ++column) {
            pixels.push_back({column, horizontalRows[segment]});
        }
        return pixels;
    }
    const int column = (segment == 3 || segment == 5) ? x : x + L + 1;
    const bool upper = segment == 3 || segment == 4;
    const int first = upper ? y + 1 : y + L + 1;
    const int last = upper ? y + L - 1 : y + 2 * L;
    for (int row = first; row <= last; ++row) pixels.push_back({column, row});
    return pixels;
}

// Reads a cell as seven letters: L for a lit segment, u for an unlit one,
// ? for a segment whose pixels are mixed or in another colour.
std::string ReadCell(const RasterCanvas& canvas, int x, int y, int L) {
    std::string cell;
    for (int segment = 0; segment < 7; ++segment) {
        int lit = 0;
        int unlit = 0;
        const std::vector<Point> pixels = SegmentPixels(segment, x, y, L);
        for (const Point& p : pixels) {
            lit += canvas.GetPixel(p.x, p.y) == kLit;
            unlit += canvas.GetPixel(p.x, p.y) == kUnlit;
        }
        const int all = static_cast<int>(pixels.size());
        cell += lit == all ? 'L' : (unlit == all ? 'u' : '?');
    }
    return cell;
}

// The lit segments of each glyph, in the order of ReadCell.
const std::map<char, std::string> kLitSegments = {
    {'0', "LuLLLLL"}, {'1', "uuuuLuL"}, {'2', "LLLuLLu"}, {'3', "LLLuLuL"},
    {'4', "uLuLLuL"}, {'5', "LLLLuuL"}, {'6', "LLLLuLL"}, {'7', "LuuuLuL"},
    {'8', "LLLLLLL"}, {'9', "LLLLLuL"}, {'(', "LuLLuLu"}, {')', "LuLuLuL"},
    {'-', "uLuuuuu"}, {'a', "LLuLLLL"}, {'o', "LLuLLuu"}, {'p', "LLuLLLu"},
};

class SegmentReadoutTest : public ::testing::Test {
protected:
    RasterGraphics graphics;
    std::unique_ptr<RasterCanvas> canvas = graphics.CreateWindowCanvas(120, 40, kGray);

    std::unique_ptr<SegmentReadout> Readout(int x, int y, int height) {
        return std::make_unique<SegmentReadout>(graphics, x, y, height, kLit, kUnlit);
    }
    std::string Shot(const Rect& area) {
        return Picture(*canvas, area, {{kGray, '.'}, {kLit, 'L'}, {kUnlit, 'u'}, {0xFFFFFF, 'w'}});
    }
};

TEST(SegmentLengthTest, FollowsTheOddHeightRule) {
    const std::pair<int, int> heightToLength[] = {{-5, 2}, {0, 2},  {6, 2},  {7, 2}, {8, 3},
                                                  {9, 3},  {10, 4}, {14, 6}, {15, 6}};
    for (const auto& [height, length] : heightToLength) {
        EXPECT_EQ(SegmentLengthFor(height), length) << height;
    }
}

TEST_F(SegmentReadoutTest, EveryGlyphLightsItsSegmentsAtBothSizes) {
    for (const auto& [height, L] : {std::pair{9, 3}, std::pair{15, 6}}) {
        for (const auto& [character, lit] : kLitSegments) {
            canvas->Fill(kGray);
            const char text[2] = {character, '\0'};
            Readout(4, 3, height)->Draw(*canvas, text);
            EXPECT_EQ(ReadCell(*canvas, 4, 3, L), lit) << character << " L=" << L;
            // Nothing but the seven segments: 7L - 2 pixels in all.
            EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 120, 40}, kGray), 7 * L - 2)
                << character << " L=" << L;
        }
    }
}

TEST_F(SegmentReadoutTest, MinusFiveDegreesLooksRight) {
    Readout(0, 0, 9)->Draw(*canvas, "-5o");
    EXPECT_EQ(Shot({0, 0, 18, 9}),
              ".uuu...LLL...LLL..\n"
              "u...u.L...u.L...L.\n"
              "u...u.L...u.L...L.\n"
              ".LLL...LLL...LLL..\n"
              "u...u.u...L.u...u.\n"
              "u...u.u...L.u...u.\n"
              "u...u.u...L.u...u.\n"
              ".uuu...LLL...uuu..\n"
              "..................");
}

TEST_F(SegmentReadoutTest, CellsAdvanceByGlyphKind) {
    // "30.12" at x = 75, height 9: cells at 75, 81, 87 (the dot), 89, 95.
    Readout(75, 2, 9)->Draw(*canvas, "30.12");
    EXPECT_EQ(ReadCell(*canvas, 75, 2, 3), kLitSegments.at('3'));
    EXPECT_EQ(ReadCell(*canvas, 81, 2, 3), kLitSegments.at('0'));
    EXPECT_EQ(ReadCell(*canvas, 89, 2, 3), kLitSegments.at('1'));
    EXPECT_EQ(ReadCell(*canvas, 95, 2, 3), kLitSegments.at('2'));
    // The dot's box starts in the empty column after the 0: (86, 6)-(89, 9).
    EXPECT_EQ(Shot({86, 6, 89, 9}), ".L.\nLwL\n.L.");
    EXPECT_EQ(CountOtherThan(*canvas, {100, 0, 120, 40}, kGray), 0);
    EXPECT_EQ(CountOtherThan(*canvas, {0, 0, 75, 40}, kGray), 0);

    // Blanks (upper-case letters and bytes above 0x7F among them) take a
    // whole cell and draw nothing; lower-case a and p are glyphs.
    canvas->Fill(kGray);
    Readout(0, 2, 9)->Draw(*canvas,
                           "aA\xff"
                           "p");
    EXPECT_EQ(ReadCell(*canvas, 0, 2, 3), kLitSegments.at('a'));
    EXPECT_EQ(CountOtherThan(*canvas, {6, 0, 18, 40}, kGray), 0);
    EXPECT_EQ(ReadCell(*canvas, 18, 2, 3), kLitSegments.at('p'));
}

TEST_F(SegmentReadoutTest, ColonAndDotBoxes) {
    // L = 6: cx = x + 1, cy = y + 3; the colon's dots centre on (x+1, y+3)
    // and (x+1, y+10), and it advances 4 columns.
    Readout(10, 5, 15)->Draw(*canvas, ":8");
    EXPECT_EQ(Shot({9, 5, 13, 19}),
              "....\n"
              "....\n"
              "..L.\n"
              ".LwL\n"
              "..L.\n"
              "....\n"
              "....\n"
              "....\n"
              "....\n"
              "..L.\n"
              ".LwL\n"
              "..L.\n"
              "....\n"
              "....");
    EXPECT_EQ(ReadCell(*canvas, 14, 5, 6), kLitSegments.at('8'));

    // L = 6 dot: only the lower dot, advancing 4 columns as well, and
    // filled with whatever brush the canvas holds.
    canvas->Fill(kGray);
    Brush* blue = graphics.CreateSolidBrush(0xFF0000);
    Brush* kept = canvas->SelectBrush(blue);
    Readout(10, 5, 15)->Draw(*canvas, ".8");
    canvas->SelectBrush(kept);
    delete blue;
    EXPECT_EQ(CountOtherThan(*canvas, {9, 0, 14, 13}, kGray), 0);
    EXPECT_EQ(Shot({10, 14, 13, 17}), ".L.\nL?L\n.L.");
    EXPECT_EQ(canvas->GetPixel(11, 15), 0xFF0000u);
    EXPECT_EQ(ReadCell(*canvas, 14, 5, 6), kLitSegments.at('8'));
}

TEST_F(SegmentReadoutTest, SmallHeightsDrawAlike) {
    Readout(0, 0, 3)->Draw(*canvas, "8");
    Readout(10, 0, 7)->Draw(*canvas, "8");
    EXPECT_EQ(Shot({0, 0, 5, 8}), Shot({10, 0, 15, 8}));
    EXPECT_EQ(ReadCell(*canvas, 0, 0, 2), kLitSegments.at('8'));

    Readout(20, 0, 8)->Draw(*canvas, "8");
    Readout(30, 0, 9)->Draw(*canvas, "8");
    EXPECT_EQ(Shot({20, 0, 26, 10}), Shot({30, 0, 36, 10}));
    EXPECT_EQ(ReadCell(*canvas, 20, 0, 3), kLitSegments.at('8'));
}

TEST_F(SegmentReadoutTest, ShorterTextsLeaveNoOldGlyphLit) {
    // 100 degrees, then 47: the fourth cell is drawn with every segment
    // unlit, and every pixel is that of "47o" followed by a dark cell.
    auto readout = Readout(0, 0, 9);
    readout->Draw(*canvas, "100o");
    readout->Draw(*canvas, "47o");
    EXPECT_EQ(Shot({0, 0, 25, 9}),
              ".uuu...LLL...LLL...uuu...\n"
              "L...L.u...L.L...L.u...u..\n"
              "L...L.u...L.L...L.u...u..\n"
              ".LLL...uuu...LLL...uuu...\n"
              "u...L.u...L.u...u.u...u..\n"
              "u...L.u...L.u...u.u...u..\n"
              "u...L.u...L.u...u.u...u..\n"
              ".uuu...uuu...uuu...uuu...\n"
              ".........................");

    // A dot that moves (an absurd pressure, then a usual one) goes dark
    // too; blanks darken the glyphs they stand on.
    canvas->Fill(kGray);
    readout->Draw(*canvas, "100.00");
    readout->Draw(*canvas, "29.92");
    auto fresh = Readout(40, 0, 9);
    fresh->Draw(*canvas, "29.92");
    for (int y = 0; y < 9; ++y) {
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(canvas->GetPixel(x, y) == kLit, canvas->GetPixel(x + 40, y) == kLit)
                << x << "," << y;
        }
    }
    readout->Draw(*canvas, " ");
    EXPECT_EQ(ReadCell(*canvas, 0, 0, 3), "uuuuuuu");
    EXPECT_EQ(CountPixels(*canvas, {0, 0, 40, 9}, kLit), 0);

    // An empty text draws nothing at all.
    const std::string before = Shot({0, 0, 40, 20});
    readout->Draw(*canvas, "");
    EXPECT_EQ(Shot({0, 0, 40, 20}), before);
}

TEST_F(SegmentReadoutTest, NeverDrawsAtOrPastItsRightLimit) {
    // With the limit at 30, five cells of L = 3 fit (the last ends at 28);
    // a sixth would not, and a dot ends two columns after its cell starts.
    auto readout = Readout(0, 0, 9);
    readout->SetRightLimit(30);
    EXPECT_TRUE(readout->Fits("-9999"));
    EXPECT_FALSE(readout->Fits("-99999"));
    EXPECT_TRUE(readout->Fits("8888."));
    EXPECT_FALSE(readout->Fits("88888."));
    readout->Draw(*canvas, "88888888888");
    EXPECT_EQ(ReadCell(*canvas, 24, 0, 3), kLitSegments.at('8'));
    EXPECT_EQ(CountOtherThan(*canvas, {29, 0, 120, 40}, kGray), 0);
}

}  // namespace
}  // namespace tickwell
