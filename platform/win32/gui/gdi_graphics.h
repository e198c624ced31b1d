// Drawing on GDI: the program's pens, brushes, fonts and bitmaps are GDI
// objects, and every canvas is a device context.
#pragma once

#include <windows.h>

#include <memory>

#include "platform/canvas.h"

namespace tickwell::win32 {

// Who releases a canvas's device context when the canvas goes.
enum class ContextRelease {
    None,       // a paint context: EndPaint releases it
    ReleaseDC,  // a window's context from GetDC
    DeleteDC,   // a memory or display context
};

class GdiCanvas : public Canvas {
public:
    // `window` is needed only with ContextRelease::ReleaseDC.
    GdiCanvas(HDC dc, ContextRelease release, HWND window = nullptr);
    ~GdiCanvas() override;
    GdiCanvas(const GdiCanvas&) = delete;
    GdiCanvas& operator=(const GdiCanvas&) = delete;

    HDC dc() const { return dc_; }

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
    bool RectVisible(const Rect& box) const override;

    std::unique_ptr<Canvas> CreateCompatibleCanvas() override;
    Bitmap* CreateCompatibleBitmap(int width, int height) override;
    void CopyFrom(const Canvas& source, int sourceX, int sourceY, int width, int height, int x,
                  int y) override;

private:
    HDC dc_;
    ContextRelease release_;
    HWND window_;
};

class GdiGraphics : public Graphics {
public:
    Pen* CreatePen(Color color) override;
    Brush* CreateSolidBrush(Color color) override;
    Font* CreateFixedFont(const FontAttributes& font) override;
    Pen* NullPen() override;
    std::unique_ptr<Canvas> OpenDisplayCanvas() override;
};

// The GDI handle behind one of the program's objects (null for null).
HGDIOBJ HandleOf(const GraphicsObject* object);

}  // namespace tickwell::win32
