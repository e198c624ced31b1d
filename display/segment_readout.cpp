#include "display/segment_readout.h"

namespace tickwell {

const std::uint8_t DigitGlyphs[10] = {0x7D, 0x50, 0x37, 0x57, 0x5A, 0x4F, 0x6F, 0x51, 0x7F, 0x5F};

namespace {

constexpr std::uint8_t kSpecialGlyphBit = 0x80;

// One segment of a glyph: its bit in the glyph code and its end points as
// offsets from the cell's top-left corner, each offset being a multiple of
// the segment length L plus a constant.
struct SegmentLine {
    std::uint8_t mask;
    int fromX, fromXL, fromY, fromYL;
    int toX, toXL, toY, toYL;
};

// In bit order, 0 to 6. A point is (x + k + m * L, y + k' + m' * L).
constexpr SegmentLine kSegments[7] = {
    {0x01, 1, 0, 0, 0, 1, 1, 0, 0},   // top: (x+1, y) to (x+L+1, y)
    {0x02, 1, 0, 0, 1, 1, 1, 0, 1},   // middle: (x+1, y+L) to (x+L+1, y+L)
    {0x04, 1, 0, 1, 2, 1, 1, 1, 2},   // bottom: (x+1, y+2L+1) to (x+L+1, y+2L+1)
    {0x08, 0, 0, 1, 0, 0, 0, 0, 1},   // upper left: (x, y+1) to (x, y+L)
    {0x10, 1, 1, -1, 1, 1, 1, 0, 0},  // upper right: (x+L+1, y+L-1) to (x+L+1, y)
    {0x20, 0, 0, 1, 1, 0, 0, 1, 2},   // lower left: (x, y+L+1) to (x, y+2L+1)
    {0x40, 1, 1, 1, 1, 1, 1, 1, 2},   // lower right: (x+L+1, y+L+1) to (x+L+1, y+2L+1)
};

// How far the cursor moves past a glyph: a segment glyph or a blank takes
// L + 2 columns and one empty column, a dot or a colon L / 2 + 1 columns.
int AdvanceFor(std::uint8_t code, int L) {
    return code == GlyphColon || code == GlyphDot ? L / 2 + 1 : L + 3;
}

// How far right of its cell's x a glyph draws (exclusive): a segment glyph
// L + 2 columns, a dot or a colon to the right edge of its 3-pixel boxes,
// a blank nothing.
int DrawnWidthOf(std::uint8_t code, int L) {
    if ((code & kSpecialGlyphBit) == 0) return L + 2;
    if (code == GlyphColon || code == GlyphDot) return L / 4 + 2;
    return 0;
}

// Whether a glyph drawn in a cell hides every pixel the old glyph of that
// cell lit: a segment glyph draws all seven segments, a colon both dots, a
// dot the lower one; a blank lit nothing.
bool Covers(std::uint8_t code, std::uint8_t old) {
    if ((old & kSpecialGlyphBit) == 0) return (code & kSpecialGlyphBit) == 0;
    if (old == GlyphColon) return code == GlyphColon;
    if (old == GlyphDot) return code == GlyphColon || code == GlyphDot;
    return true;
}

}  // namespace

std::uint8_t GlyphFor(char character) {
    if (character >= '0' && character <= '9') return DigitGlyphs[character - '0'];
    switch (character) {
        case '(': return 0x2D;
        case ')': return 0x55;
        case '-': return 0x02;
        case '.': return GlyphDot;
        case ':': return GlyphColon;
        case 'a': return 0x7B;
        case 'o': return 0x1B;
        case 'p': return 0x3B;
        default: return GlyphBlank;
    }
}

int SegmentLengthFor(int height) {
    const int odd = height < 7 ? 7 : (height | 1);
    return (odd - 3) / 2;
}

SegmentReadout::SegmentReadout(Graphics& graphics, int x, int y, int height, Color litColor,
                               Color unlitColor)
    : litPen_(graphics.CreatePen(litColor)),
      unlitPen_(graphics.CreatePen(unlitColor)),
      originX_(x),
      originY_(y),
      segmentLength_(SegmentLengthFor(height)) {}

SegmentReadout::~SegmentReadout() {
    delete litPen_;
    delete unlitPen_;
}

int SegmentReadout::Layout(const char* text, Cell (&cells)[kMaxCells]) const {
    const int L = segmentLength_;
    int x = originX_;
    int count = 0;
    for (const char* character = text; *character != '\0' && count < kMaxCells; ++character) {
        const std::uint8_t code = GlyphFor(*character);
        if (x + DrawnWidthOf(code, L) > rightLimit_) break;
        cells[count++] = Cell{x, code};
        x += AdvanceFor(code, L);
    }
    return count;
}

bool SegmentReadout::Fits(const char* text) const {
    if (text == nullptr) return true;
    Cell cells[kMaxCells];
    const int count = Layout(text, cells);
    return text[count] == '\0';
}

void SegmentReadout::Draw(Canvas& canvas, const char* text) {
    if (text == nullptr || text[0] == '\0') return;
    Cell cells[kMaxCells];
    const int count = Layout(text, cells);

    // Old cells that the new glyphs replace whole need nothing; the others
    // go dark before the new text is drawn over them.
    for (int old = 0; old < drawnCount_; ++old) {
        const Cell& cell = drawn_[old];
        bool replaced = false;
        for (int i = 0; i < count && !replaced; ++i) {
            replaced = cells[i].x == cell.x && Covers(cells[i].code, cell.code);
        }
        if (!replaced) DrawUnlit(canvas, cell);
    }

    cursorY_ = originY_;
    for (int i = 0; i < count; ++i) {
        cursorX_ = cells[i].x;
        DrawGlyph(canvas, cells[i].code);
        drawn_[i] = cells[i];
    }
    drawnCount_ = count;
}

void SegmentReadout::DrawUnlit(Canvas& canvas, const Cell& cell) {
    if ((cell.code & kSpecialGlyphBit) == 0) {
        cursorX_ = cell.x;
        cursorY_ = originY_;
        DrawGlyph(canvas, 0x00);
        return;
    }
    if (cell.code != GlyphColon && cell.code != GlyphDot) return;
    Pen* kept = canvas.SelectPen(unlitPen_);
    if (kept == nullptr) return;
    const int L = segmentLength_;
    const int cx = cell.x + L / 4;
    const int cy = originY_ + L / 2;
    if (cell.code == GlyphColon) canvas.Ellipse(Rect{cx - 1, cy - 1, cx + 2, cy + 2});
    canvas.Ellipse(Rect{cx - 1, cy + L, cx + 2, cy + L + 3});
    canvas.SelectPen(kept);
}

void SegmentReadout::DrawGlyph(Canvas& canvas, std::uint8_t code) {
    const int x = cursorX_;
    const int y = cursorY_;
    const int L = segmentLength_;
    Pen* kept = canvas.SelectPen(litPen_);
    if (kept == nullptr) {
        // The lit pen could not be selected (it could not be made): draw
        // nothing, but keep the cells where they belong.
        cursorX_ += AdvanceFor(code, L);
        return;
    }

    if ((code & kSpecialGlyphBit) == 0) {
        for (const SegmentLine& segment : kSegments) {
            canvas.SelectPen((code & segment.mask) != 0 ? litPen_ : unlitPen_);
            canvas.Line(x + segment.fromX + segment.fromXL * L,
                        y + segment.fromY + segment.fromYL * L, x + segment.toX + segment.toXL * L,
                        y + segment.toY + segment.toYL * L);
        }
    } else if (code == GlyphColon || code == GlyphDot) {
        // The dots are 3x3 ellipses outlined with the lit pen and filled
        // with whatever brush the canvas holds.
        const int cx = x + L / 4;
        const int cy = y + L / 2;
        if (code == GlyphColon) canvas.Ellipse(Rect{cx - 1, cy - 1, cx + 2, cy + 2});
        canvas.Ellipse(Rect{cx - 1, cy + L, cx + 2, cy + L + 3});
    }
    cursorX_ += AdvanceFor(code, L);
    canvas.SelectPen(kept);
}

}  // namespace tickwell
