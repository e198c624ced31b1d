// A short text of digits and a few signs drawn as seven-segment glyphs.
#pragma once

#include <cstdint>

#include "platform/canvas.h"

namespace tickwell {

constexpr std::uint8_t GlyphBlank = 0x80;
constexpr std::uint8_t GlyphColon = 0x81;
constexpr std::uint8_t GlyphDot = 0x82;
extern const std::uint8_t DigitGlyphs[10];

// The glyph code of a character.
std::uint8_t GlyphFor(char character);
// The segment length for a readout of `height` pixels.
int SegmentLengthFor(int height);

class SegmentReadout {
public:
    SegmentReadout(Graphics& graphics, int x, int y, int height, Color litColor, Color unlitColor);
    virtual ~SegmentReadout();
    SegmentReadout(const SegmentReadout&) = delete;
    SegmentReadout& operator=(const SegmentReadout&) = delete;

    // Draws the text's glyphs from the origin. The cells of the text drawn
    // before that this one does not cover with a glyph of the same kind are
    // drawn unlit first, so no segment or dot of an old reading stays lit.
    // Glyphs that would reach the right limit are not drawn.
    void Draw(Canvas& canvas, const char* text);
    void DrawGlyph(Canvas& canvas, std::uint8_t code);

    // The first column the readout must not draw on: the next readout's.
    void SetRightLimit(int x) { rightLimit_ = x; }
    // Whether the whole text can be drawn left of the right limit.
    bool Fits(const char* text) const;

    int originX() const { return originX_; }
    int segmentLength() const { return segmentLength_; }

    // The most glyphs a readout draws (and remembers) per text.
    static constexpr int kMaxCells = 16;

private:
    struct Cell {
        int x;
        std::uint8_t code;
    };
    // Lays the text out from the origin, stopping at the first glyph that
    // would reach the right limit; returns the number of cells laid out.
    int Layout(const char* text, Cell (&cells)[kMaxCells]) const;
    // Draws a remembered cell with every segment (or dot) unlit.
    void DrawUnlit(Canvas& canvas, const Cell& cell);

    Pen* litPen_;
    Pen* unlitPen_;
    int originX_;
    int originY_;
    int cursorX_ = 0;
    int cursorY_ = 0;
    int segmentLength_;
    int rightLimit_ = 1 << 30;
    // The cells of the last text drawn.
    Cell drawn_[kMaxCells] = {};
    int drawnCount_ = 0;
};

}  // namespace tickwell
