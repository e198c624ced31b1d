// The fixed-pitch fonts of the Linux program. Both fonts the program asks
// for (the ticker's, with no face name, and the captions' "Small Fonts") are
// drawn with DejaVu Sans Mono through Xft, at the largest pixel size whose
// cell height does not exceed the one asked for.
#pragma once

namespace tickwell::linux_gui {

// The face every fixed-pitch font uses.
constexpr const char* kFixedFace = "DejaVu Sans Mono";

struct FontChoice {
    int face = 0;        // FLTK font index
    int size = 0;        // pixel size
    int cellHeight = 0;  // ascent + descent at that size
    int ascent = 0;
};

// Picks the size for `cellHeight`; needs an open display to measure. Without
// one, a size equal to the cell height is assumed.
FontChoice ChooseFixedFont(int cellHeight);

}  // namespace tickwell::linux_gui
