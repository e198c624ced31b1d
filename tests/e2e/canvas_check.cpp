// Draws one scene of lines, rectangles, ellipses and block copies on the
// FLTK canvas and on the raster canvas and compares the two pixel by pixel;
// then checks that the font sizes predicted from the font file are the ones
// FLTK's own measuring finds. Needs an X display. Exit code 0 when every
// pixel and size matches, 1 otherwise, 2 without a display.
#include <FL/fl_draw.H>
#include <FL/x.H>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "platform/linux/gui/fltk_fonts.h"
#include "platform/linux/gui/fltk_graphics.h"
#include "tests/raster/raster_canvas.h"

namespace {

using namespace tickwell;

constexpr int kWidth = 200;
constexpr int kHeight = 60;
constexpr Color kFill = 0x808080;
// The FLTK canvas sits one pixel inside its pixmap, like a window's client
// area inside its border; the frame must stay untouched.
constexpr int kInset = 1;

// The same calls on any canvas.
void DrawScene(Graphics& graphics, Canvas& canvas) {
    Pen* red = graphics.CreatePen(0x0000FF);
    Pen* green = graphics.CreatePen(0x00FF00);
    Brush* blue = graphics.CreateSolidBrush(0xFF0000);
    Brush* dark = graphics.CreateSolidBrush(0x2D2D2D);

    Pen* oldPen = canvas.SelectPen(red);
    // Lines in every direction from one centre, and the axis-parallel ones
    // both ways; the end points are left out.
    const int cx = 30;
    const int cy = 30;
    const int ends[][2] = {{55, 30}, {5, 30},  {30, 5},  {30, 55}, {55, 40}, {55, 20}, {5, 40},
                           {5, 20},  {40, 55}, {20, 55}, {40, 5},  {20, 5},  {52, 52}, {8, 8}};
    for (const auto& end : ends) canvas.Line(cx, cy, end[0], end[1]);
    canvas.SelectPen(green);
    canvas.Line(60, 5, 61, 5);      // one pixel
    canvas.Line(62, 5, 62, 5);      // nothing
    canvas.Line(64, 5, 64, 9);      // vertical, down
    canvas.Line(66, 9, 66, 5);      // vertical, up
    canvas.Line(-10, 58, 250, 58);  // beyond both sides: clipped
    canvas.Line(195, -5, 205, 70);  // leaves through the bottom right

    // Rectangles: framed, frameless (one pixel smaller), degenerate, upside
    // down, and partly outside.
    Brush* oldBrush = canvas.SelectBrush(blue);
    canvas.Rectangle(Rect{70, 5, 90, 20});
    canvas.SelectPen(graphics.NullPen());
    canvas.Rectangle(Rect{95, 5, 110, 20});
    canvas.Rectangle(Rect{112, 5, 113, 6});
    canvas.SelectPen(red);
    canvas.Rectangle(Rect{130, 20, 115, 5});
    canvas.Rectangle(Rect{135, 5, 136, 20});
    canvas.Rectangle(Rect{190, 50, 260, 90});

    // Ellipses of a few sizes, with and without the pen.
    canvas.SelectBrush(dark);
    canvas.Ellipse(Rect{70, 25, 73, 28});
    canvas.Ellipse(Rect{75, 25, 79, 29});
    canvas.Ellipse(Rect{82, 25, 94, 33});
    canvas.SelectPen(graphics.NullPen());
    canvas.Ellipse(Rect{96, 25, 108, 40});
    canvas.SelectPen(red);

    // A strip composed off-screen and copied in, also partly outside the
    // source and the destination.
    std::unique_ptr<Canvas> memory = canvas.CreateCompatibleCanvas();
    Bitmap* strip = canvas.CreateCompatibleBitmap(40, 15);
    Bitmap* oldBitmap = memory->SelectBitmap(strip);
    Pen* memoryOldPen = memory->SelectPen(green);
    Brush* memoryOldBrush = memory->SelectBrush(dark);
    memory->Rectangle(Rect{0, 0, 40, 15});
    memory->Line(3, 3, 30, 12);
    memory->SelectPen(memoryOldPen);
    memory->SelectBrush(memoryOldBrush);
    canvas.CopyFrom(*memory, 0, 0, 40, 15, 140, 5);
    canvas.CopyFrom(*memory, 20, 5, 40, 15, 140, 25);  // half the block lies outside the strip
    canvas.CopyFrom(*memory, 0, 0, 40, 15, 180, 40);   // cut by the canvas's edge
    canvas.CopyFrom(canvas, 60, 3, 20, 10, 110, 45);   // within the canvas itself
    memory->SelectBitmap(oldBitmap);
    memory.reset();
    delete strip;

    canvas.SelectPen(oldPen);
    canvas.SelectBrush(oldBrush);
    delete red;
    delete green;
    delete blue;
    delete dark;
}

Color PixelColor(XImage* image, int x, int y) {
    const unsigned long pixel = XGetPixel(image, x, y);
    auto channel = [pixel](unsigned long mask) {
        int shift = 0;
        while (mask != 0 && (mask & 1) == 0) {
            mask >>= 1;
            ++shift;
        }
        return static_cast<int>((pixel >> shift) & mask) * 255 / static_cast<int>(mask);
    };
    return MakeColor(channel(fl_visual->red_mask), channel(fl_visual->green_mask),
                     channel(fl_visual->blue_mask));
}

// Cell heights from 1 to 40 pixels: the prediction must name the largest
// size whose cell FLTK measures as fitting, with FLTK's cell height, so that
// the program opens that size only. Returns the number of mismatches.
int FontSizeMismatches() {
    const linux_gui::FontChoice probe = linux_gui::ChooseFixedFont(10);  // registers the face
    int mismatches = 0;
    for (int cellHeight = 1; cellHeight <= 40; ++cellHeight) {
        int size = cellHeight;
        for (; size > 1; --size) {
            fl_font(static_cast<Fl_Font>(probe.face), size);
            if (fl_height() <= cellHeight) break;
        }
        fl_font(static_cast<Fl_Font>(probe.face), size);
        const int height = fl_height();
        const auto predicted = linux_gui::PredictFixedFont(cellHeight);
        if (predicted && predicted->size == size && predicted->cellHeight == height) continue;
        ++mismatches;
        std::fprintf(stderr, "canvas check: cell %d: FLTK size %d (cell %d), predicted %d (%d)\n",
                     cellHeight, size, height, predicted ? predicted->size : -1,
                     predicted ? predicted->cellHeight : -1);
    }
    return mismatches;
}

}  // namespace

int main() {
    if (!linux_gui::DisplayAvailable()) {
        std::fprintf(stderr, "canvas check: no X display\n");
        return 2;
    }
    RasterGraphics raster(kWidth, kHeight);
    std::unique_ptr<RasterCanvas> rasterCanvas = raster.CreateWindowCanvas(kWidth, kHeight, kFill);
    DrawScene(raster, *rasterCanvas);

    linux_gui::FltkGraphics fltk;
    linux_gui::FltkBitmap surface(kWidth + 2 * kInset, kHeight + 2 * kInset);
    linux_gui::FillPixmap(surface.pixmap(), Rect{0, 0, kWidth + 2 * kInset, kHeight + 2 * kInset},
                          0x000000);
    linux_gui::FillPixmap(surface.pixmap(), Rect{kInset, kInset, kWidth + kInset, kHeight + kInset},
                          kFill);
    {
        linux_gui::FltkCanvas canvas(fltk, surface.pixmap(), Point{kInset, kInset},
                                     Point{kWidth, kHeight}, Rect{0, 0, kWidth, kHeight}, nullptr);
        DrawScene(fltk, canvas);
    }
    XSync(fl_display, False);
    XImage* image = XGetImage(fl_display, surface.pixmap(), 0, 0, kWidth + 2 * kInset,
                              kHeight + 2 * kInset, AllPlanes, ZPixmap);
    if (image == nullptr) {
        std::fprintf(stderr, "canvas check: could not read the pixmap back\n");
        return 1;
    }

    int differences = 0;
    int compared = 0;
    for (int y = -kInset; y < kHeight + kInset; ++y) {
        for (int x = -kInset; x < kWidth + kInset; ++x) {
            const bool frame = x < 0 || y < 0 || x >= kWidth || y >= kHeight;
            const Color expected = frame ? 0x000000 : rasterCanvas->GetPixel(x, y);
            const Color actual = PixelColor(image, x + kInset, y + kInset);
            ++compared;
            if (expected == actual) continue;
            if (++differences <= 20) {
                std::fprintf(stderr, "canvas check: (%d, %d) raster %06X, FLTK %06X\n", x, y,
                             expected, actual);
            }
        }
    }
    XDestroyImage(image);
    const int fontMismatches = FontSizeMismatches();
    std::printf("canvas check: %d pixels compared, %d differ; %d of 40 font sizes mispredicted\n",
                compared, differences, fontMismatches);
    return differences == 0 && fontMismatches == 0 ? 0 : 1;
}
