// Drawing, in the manner of a classic retained-object graphics interface:
// pens, brushes, fonts and bitmaps are created once, selected into a canvas
// (a device context), and every drawing function puts back what it selected.
//
// Three back ends implement it: a software raster for tests, FLTK on Linux
// and GDI on Windows. Lines, rectangles and block copies give the same
// pixels on all three.
#pragma once

#include <memory>

#include "platform/geometry.h"

namespace tickwell {

// Objects belong to the back end that created them; deleting one frees it.
// Stock objects (Graphics::NullPen, a canvas's defaults) are never deleted.
class GraphicsObject {
public:
    virtual ~GraphicsObject() = default;
};
class Pen : public GraphicsObject {};
class Brush : public GraphicsObject {};
class Font : public GraphicsObject {};
class Bitmap : public GraphicsObject {};

enum class FontWeight { Thin = 100, Regular = 400 };
enum class FontQuality { Draft = 1, Proof = 2 };

// A fixed-pitch font: cell height in pixels, weight, quality and an optional
// face name (empty: let the platform choose a fixed-pitch face).
struct FontAttributes {
    int cellHeight = 13;
    FontWeight weight = FontWeight::Thin;
    FontQuality quality = FontQuality::Draft;
    const char* faceName = "";
};

enum class BackgroundMode { Transparent = 1, Opaque = 2 };

class Canvas {
public:
    virtual ~Canvas() = default;

    // Each Select returns the object it replaced.
    virtual Pen* SelectPen(Pen* pen) = 0;
    virtual Brush* SelectBrush(Brush* brush) = 0;
    virtual Font* SelectFont(Font* font) = 0;
    // Only for canvases made by CreateCompatibleCanvas.
    virtual Bitmap* SelectBitmap(Bitmap* bitmap) = 0;

    virtual BackgroundMode SetBackgroundMode(BackgroundMode mode) = 0;
    virtual Color SetTextColor(Color color) = 0;

    // A straight line with the selected pen; the end point is not drawn.
    virtual void Line(int fromX, int fromY, int toX, int toY) = 0;
    // The ellipse inside the box, outlined with the pen and filled with the
    // brush.
    virtual void Ellipse(const Rect& box) = 0;
    // The rectangle outlined with the pen and filled with the brush.
    virtual void Rectangle(const Rect& box) = 0;
    // Text whose cell's top-left corner is (x, y), in the selected font.
    virtual void Text(int x, int y, const char* text) = 0;
    // One line of text, left-aligned and centred vertically in `box`, not
    // clipped to it, every character (also '&') shown as itself.
    virtual void TextLine(const Rect& box, const char* text) = 0;

    // Width in pixels of `character` in the selected font; 0 when unknown.
    virtual int CharWidth(char character) = 0;
    // Whether drawing inside `box` can change a pixel: false when the box
    // lies wholly outside the part of the window being repainted, so that
    // painting can skip work nobody would see.
    virtual bool RectVisible(const Rect& box) const = 0;

    virtual std::unique_ptr<Canvas> CreateCompatibleCanvas() = 0;
    virtual Bitmap* CreateCompatibleBitmap(int width, int height) = 0;
    // Copies a width-by-height block of `source` at (sourceX, sourceY) to
    // (x, y) on this canvas.
    virtual void CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height,
                          int x, int y) = 0;
};

// Creates the objects and opens a canvas on the whole display.
class Graphics {
public:
    virtual ~Graphics() = default;
    // A solid pen one pixel wide.
    virtual Pen* CreatePen(Color color) = 0;
    virtual Brush* CreateSolidBrush(Color color) = 0;
    virtual Font* CreateFixedFont(const FontAttributes& attributes) = 0;
    // The stock pen that draws nothing.
    virtual Pen* NullPen() = 0;
    virtual std::unique_ptr<Canvas> OpenDisplayCanvas() = 0;
};

}  // namespace tickwell
