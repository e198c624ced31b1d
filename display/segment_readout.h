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

    void Draw(Canvas& canvas, const char* text);
    void DrawGlyph(Canvas& canvas, std::uint8_t code);

    int originX() const { return originX_; }
    int segmentLength() const { return segmentLength_; }

private:
    Pen* litPen_;
    Pen* unlitPen_;
    int originX_;
    int originY_;
    int cursorX_ = 0;
    int cursorY_ = 0;
    int segmentLength_;
};

}  // namespace tickwell
