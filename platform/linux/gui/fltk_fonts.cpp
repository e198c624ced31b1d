#include "platform/linux/gui/fltk_fonts.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/fl_draw.H>

#include "platform/linux/gui/fltk_graphics.h"

namespace tickwell::linux_gui {

namespace {

constexpr Fl_Font kFixedFontIndex = FL_FREE_FONT;

// Registers the face once. The leading blank asks FLTK's Xft code for the
// regular (not bold, not italic) style.
void RegisterFace() {
    static bool registered = false;
    if (registered) return;
    Fl::set_font(kFixedFontIndex, " DejaVu Sans Mono");
    registered = true;
}

}  // namespace

FontChoice ChooseFixedFont(int cellHeight) {
    RegisterFace();
    FontChoice choice;
    choice.face = kFixedFontIndex;
    choice.size = cellHeight > 1 ? cellHeight : 1;
    choice.cellHeight = choice.size;
    choice.ascent = choice.size * 4 / 5;
    if (!DisplayAvailable()) return choice;

    // Font sizes and cell heights grow together, so the first size from the
    // top whose cell fits is the largest one.
    for (int size = choice.size; size >= 1; --size) {
        fl_font(kFixedFontIndex, size);
        const int height = fl_height();
        if (height <= cellHeight || size == 1) {
            choice.size = size;
            choice.cellHeight = height;
            choice.ascent = height - fl_descent();
            break;
        }
    }
    return choice;
}

}  // namespace tickwell::linux_gui
