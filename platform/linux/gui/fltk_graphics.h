// The drawing interface on FLTK and X11: pens, brushes and fonts are plain
// records, bitmaps are X pixmaps, and every canvas draws into a pixmap (a
// window's retained back buffer, or the bitmap selected into a memory
// canvas). Lines, rectangles, ellipses and block copies follow the same
// pixel rules as the software raster canvas, so both give identical pixels.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <memory>
#include <vector>

#include "platform/canvas.h"
#include "platform/linux/gui/drawing_scope.h"
#include "platform/linux/gui/fltk_fonts.h"

namespace tickwell::linux_gui {

class FltkPen : public Pen {
public:
    FltkPen(Color color, bool isNull) : color_(color), isNull_(isNull) {}
    Color color() const { return color_; }
    bool isNull() const { return isNull_; }

private:
    Color color_;
    bool isNull_;
};

class FltkBrush : public Brush {
public:
    explicit FltkBrush(Color color) : color_(color) {}
    Color color() const { return color_; }

private:
    Color color_;
};

// A real face at the pixel size whose cell height comes closest to the one
// asked for without exceeding it. The size is chosen, and the font opened,
// when the font is first drawn with or measured, so a font that is never
// used costs nothing.
class FltkFont : public Font {
public:
    explicit FltkFont(int cellHeight) : wantedCellHeight_(cellHeight) {}
    int face() const { return Choice().face; }
    int size() const { return Choice().size; }
    int cellHeight() const { return Choice().cellHeight; }
    int ascent() const { return Choice().ascent; }

private:
    const FontChoice& Choice() const;

    int wantedCellHeight_;
    mutable bool chosen_ = false;
    mutable FontChoice choice_;
};

// An off-screen pixmap of the display's depth; 0 without a display.
class FltkBitmap : public Bitmap {
public:
    FltkBitmap(int width, int height);
    ~FltkBitmap() override;
    FltkBitmap(const FltkBitmap&) = delete;
    FltkBitmap& operator=(const FltkBitmap&) = delete;

    Pixmap pixmap() const { return pixmap_; }
    int width() const { return width_; }
    int height() const { return height_; }

private:
    Pixmap pixmap_ = 0;
    int width_;
    int height_;
};

class FltkGraphics;

// A canvas on a pixmap. A surface canvas draws on a fixed pixmap at an
// origin (a window's client area inside its back buffer), clipped to a
// rectangle; a memory canvas draws on the bitmap selected into it.
class FltkCanvas : public Canvas {
public:
    // Called when a surface canvas is destroyed with the rectangles (in
    // surface coordinates) it has drawn on.
    using ReleaseHandler = std::function<void(const std::vector<Rect>& touched)>;

    // A surface canvas: `origin` is where the canvas's (0, 0) lies in the
    // pixmap, `extent` the canvas's size and `clip` the part of it that may
    // be drawn on.
    FltkCanvas(FltkGraphics& graphics, Pixmap surface, Point origin, Point extent, Rect clip,
               ReleaseHandler onRelease);
    // A memory canvas holding the 1x1 default bitmap.
    explicit FltkCanvas(FltkGraphics& graphics);
    ~FltkCanvas() override;
    FltkCanvas(const FltkCanvas&) = delete;
    FltkCanvas& operator=(const FltkCanvas&) = delete;

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
    bool RectVisible(const Rect& box) const override { return Reaches(box); }

    std::unique_ptr<Canvas> CreateCompatibleCanvas() override;
    Bitmap* CreateCompatibleBitmap(int width, int height) override;
    void CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height, int x,
                  int y) override;

    // The pixmap drawn on now and where the canvas's (0, 0) lies in it.
    Pixmap Target() const;
    // The part of the pixmap the canvas may draw on.
    Rect TargetClip() const;
    Point Origin() const { return origin_; }

private:
    // The canvas's size: its bitmap's for a memory canvas.
    Point Extent() const;
    Rect ClipRect() const;
    bool Reaches(const Rect& box) const;
    void Touch(int left, int top, int right, int bottom);
    void FillBox(int left, int top, int right, int bottom, Color color);

    FltkGraphics& graphics_;
    bool memory_;
    Pixmap surface_ = 0;
    Point origin_{};
    Point extent_{};
    Rect clip_{};
    ReleaseHandler onRelease_;
    std::vector<Rect> touched_;

    Pen* pen_;
    Brush* brush_;
    Font* font_;
    Bitmap* bitmap_ = nullptr;
    BackgroundMode backgroundMode_ = BackgroundMode::Opaque;
    Color textColor_ = 0x000000;
};

class FltkGraphics : public Graphics {
public:
    FltkGraphics();
    ~FltkGraphics() override;
    FltkGraphics(const FltkGraphics&) = delete;
    FltkGraphics& operator=(const FltkGraphics&) = delete;

    Pen* CreatePen(Color color) override;
    Brush* CreateSolidBrush(Color color) override;
    Font* CreateFixedFont(const FontAttributes& attributes) override;
    Pen* NullPen() override { return &nullPen_; }
    std::unique_ptr<Canvas> OpenDisplayCanvas() override;

    // The objects every new canvas starts with.
    Pen* DefaultPen() { return &defaultPen_; }
    Brush* DefaultBrush() { return &defaultBrush_; }
    Font* DefaultFont();
    Bitmap* DefaultBitmap();

private:
    FltkPen nullPen_{0, true};
    FltkPen defaultPen_{0x000000, false};
    FltkBrush defaultBrush_{0xFFFFFF};
    std::unique_ptr<FltkFont> defaultFont_;
    std::unique_ptr<FltkBitmap> defaultBitmap_;
    std::unique_ptr<FltkBitmap> displaySurface_;
};

}  // namespace tickwell::linux_gui
