// A software implementation of the drawing seam on a 32-bit pixel buffer,
// for tests and benchmarks. It follows the classic device-context rules the
// program is written against, so that tests can check exact pixels:
//
// - A new canvas holds a black one-pixel pen, a white brush and a default
//   font; a memory canvas also holds a 1x1 default bitmap. The defaults are
//   stock objects shared by every canvas of one RasterGraphics.
// - Line leaves out its end point (Bresenham from the start point).
// - Rectangle covers left..right-1 by top..bottom-1: the pen draws the
//   one-pixel frame inside that box and the brush fills the rest. With the
//   null pen the brush alone fills a box one pixel smaller in width and
//   height (left..right-2 by top..bottom-2), as the classic interface does.
// - Ellipse fills the pixels of the box whose centres lie inside the
//   ellipse centred in the box with half-axes a quarter pixel shorter than
//   half the box's width and height. Pixels of that set with a 4-neighbour
//   outside it are the outline (pen), the others are filled with the brush.
//   A 3x3 box thus gives a plus sign: the middle of each edge in the pen,
//   the centre in the brush and the corners untouched; a 2x2 box is all
//   outline, and a 4x4 box loses only its corners. With the null pen only
//   the inside is filled.
// - Text draws each non-blank character as a filled box in the text colour:
//   the cell is the font's character width by its cell height, and the box
//   leaves one column on each side and two rows at the top and bottom of the
//   cell. In opaque mode each cell is first filled white (the default
//   background colour). Blanks draw nothing in transparent mode. A cell
//   narrower than 3 pixels or lower than 5 is filled whole. TextLine puts
//   the cell's top at box.top + (box height - cell height) / 2.
// - CopyFrom is a plain copy clipped to both canvases.
//
// Lines, rectangles and the 2x2, 3x3 and 4x4 ellipses above were compared
// with what GDI draws under Wine into a memory bitmap: the pixels agree.
//
// The test font's character width is configurable (SetFontCharWidth): a
// width of 0 makes CharWidth report "unknown" while text still draws with a
// fallback cell width.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/canvas.h"

namespace tickwell {

class RasterCanvas;
struct RasterRegistry;

// The colour GetPixel returns for a point outside the canvas.
constexpr Color kInvalidPixel = 0xFFFFFFFF;
// The character width a font reports unless a test chooses another one.
constexpr int kDefaultFontCharWidth = 8;
// The cell width text is drawn with when the font's width is unknown (0).
constexpr int kFallbackTextCellWidth = 8;

class RasterPen : public Pen {
public:
    RasterPen(std::shared_ptr<RasterRegistry> registry, Color color, bool isNull);
    ~RasterPen() override;
    RasterPen(const RasterPen&) = delete;
    RasterPen& operator=(const RasterPen&) = delete;

    Color color() const { return color_; }
    bool isNull() const { return isNull_; }

private:
    std::shared_ptr<RasterRegistry> registry_;  // null for stock objects
    Color color_;
    bool isNull_;
};

class RasterBrush : public Brush {
public:
    RasterBrush(std::shared_ptr<RasterRegistry> registry, Color color);
    ~RasterBrush() override;
    RasterBrush(const RasterBrush&) = delete;
    RasterBrush& operator=(const RasterBrush&) = delete;

    Color color() const { return color_; }

private:
    std::shared_ptr<RasterRegistry> registry_;
    Color color_;
};

// The attributes a font was created with, kept for tests.
struct RasterFontAttributes {
    int cellHeight = 0;
    FontWeight weight = FontWeight::Regular;
    FontQuality quality = FontQuality::Draft;
    std::string faceName;
    int charWidth = 0;  // 0: the width can't be measured
};

class RasterFont : public Font {
public:
    RasterFont(std::shared_ptr<RasterRegistry> registry, RasterFontAttributes attributes);
    ~RasterFont() override;
    RasterFont(const RasterFont&) = delete;
    RasterFont& operator=(const RasterFont&) = delete;

    const RasterFontAttributes& attributes() const { return attributes_; }

private:
    std::shared_ptr<RasterRegistry> registry_;
    RasterFontAttributes attributes_;
};

class RasterBitmap : public Bitmap {
public:
    RasterBitmap(std::shared_ptr<RasterRegistry> registry, int width, int height, Color fill);
    ~RasterBitmap() override;
    RasterBitmap(const RasterBitmap&) = delete;
    RasterBitmap& operator=(const RasterBitmap&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    Color Get(int x, int y) const;
    void Set(int x, int y, Color color);

private:
    std::shared_ptr<RasterRegistry> registry_;
    int width_;
    int height_;
    std::vector<Color> pixels_;
};

// Creates the objects and canvases, and keeps the books tests read: how many
// objects and canvases are alive, and how often an object was misused.
class RasterGraphics : public Graphics {
public:
    // The display canvas is displayWidth by displayHeight pixels.
    explicit RasterGraphics(int displayWidth = 200, int displayHeight = 45);
    ~RasterGraphics() override;
    RasterGraphics(const RasterGraphics&) = delete;
    RasterGraphics& operator=(const RasterGraphics&) = delete;

    Pen* CreatePen(Color color) override;
    Brush* CreateSolidBrush(Color color) override;
    Font* CreateFixedFont(const FontAttributes& attributes) override;
    Pen* NullPen() override;
    std::unique_ptr<Canvas> OpenDisplayCanvas() override;

    // A canvas with a surface of its own, standing in for a window's client
    // area; every pixel starts as `fill`.
    std::unique_ptr<RasterCanvas> CreateWindowCanvas(int width, int height, Color fill);

    // The character width of fonts created from now on; 0 makes it unknown.
    void SetFontCharWidth(int width);

    // Pens, brushes, fonts and bitmaps created here and not yet deleted
    // (stock objects excluded).
    int LiveObjects() const;
    int LiveCanvases() const;
    // Misuses seen so far: an object deleted while selected into a canvas,
    // a bitmap selected into two canvases at once, or a memory canvas
    // deleted while it still holds an object other than its defaults.
    int Faults() const;

    // The stock objects every new canvas starts with.
    Pen* DefaultPen() const;
    Brush* DefaultBrush() const;
    Font* DefaultFont() const;
    Bitmap* DefaultBitmap() const;

private:
    std::shared_ptr<RasterRegistry> registry_;
    int displayWidth_;
    int displayHeight_;
};

class RasterCanvas : public Canvas {
public:
    enum class Kind { Surface, Memory };

    // A Surface canvas draws on a bitmap of its own; a Memory canvas draws
    // on the bitmap selected into it. Made by RasterGraphics or by
    // CreateCompatibleCanvas.
    RasterCanvas(std::shared_ptr<RasterRegistry> registry, Kind kind, int width, int height,
                 Color fill);
    ~RasterCanvas() override;
    RasterCanvas(const RasterCanvas&) = delete;
    RasterCanvas& operator=(const RasterCanvas&) = delete;

    Pen* SelectPen(Pen* pen) override;
    Brush* SelectBrush(Brush* brush) override;
    Font* SelectFont(Font* font) override;
    Bitmap* SelectBitmap(Bitmap* bitmap) override;

    BackgroundMode SetBackgroundMode(BackgroundMode mode) override;
    Color SetTextColor(Color color) override;

    void Line(int fromX, int fromY, int toX, int toY) override;
    void Ellipse(const Rect& box) override;
    void Rectangle(const Rect& box) override;
    void Text(int x, int y, const char* text) override;
    void TextLine(const Rect& box, const char* text) override;

    int CharWidth(char character) override;
    // The raster canvas has no repaint region: every box counts as visible.
    bool RectVisible(const Rect&) const override { return true; }

    std::unique_ptr<Canvas> CreateCompatibleCanvas() override;
    Bitmap* CreateCompatibleBitmap(int width, int height) override;
    void CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height, int x,
                  int y) override;

    // For tests: pixels and the current state.
    Color GetPixel(int x, int y) const;
    void SetPixel(int x, int y, Color color);
    void Fill(Color color);
    int width() const;
    int height() const;
    Pen* selectedPen() const { return pen_; }
    Brush* selectedBrush() const { return brush_; }
    Font* selectedFont() const { return font_; }
    Bitmap* selectedBitmap() const { return bitmap_; }
    BackgroundMode backgroundMode() const { return backgroundMode_; }
    Color textColor() const { return textColor_; }

    // Called by the registry when a selected object is deleted: the canvas
    // falls back to its default object of that kind.
    void ForgetObject(const GraphicsObject* object);
    bool HasSelected(const GraphicsObject* object) const;

private:
    RasterBitmap* Target() const;
    void Plot(int x, int y, Color color);
    void FillBox(int left, int top, int right, int bottom, Color color);
    void DrawCharacters(int x, int y, const char* text, std::size_t count);

    std::shared_ptr<RasterRegistry> registry_;
    Kind kind_;
    std::unique_ptr<RasterBitmap> surface_;  // Surface canvases only
    Pen* pen_;
    Brush* brush_;
    Font* font_;
    Bitmap* bitmap_;  // Memory canvases only; null for Surface canvases
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    Color textColor_ = 0x000000;
};

}  // namespace tickwell
