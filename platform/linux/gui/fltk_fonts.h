// The fixed-pitch fonts of the Linux program. Both fonts the program asks
// for (the ticker's, with no face name, and the captions' "Small Fonts") are
// drawn with DejaVu Sans Mono through Xft, at the largest pixel size whose
// cell height does not exceed the one asked for.
#pragma once

#include <optional>

namespace tickwell::linux_gui {

// The face every fixed-pitch font uses.
constexpr const char* kFixedFace = "DejaVu Sans Mono";

// The FLTK font index of that face (registered on the first call), for
// labels that should not load a face of their own.
int FixedFace();

struct FontChoice {
    int face = 0;        // FLTK font index
    int size = 0;        // pixel size
    int cellHeight = 0;  // ascent + descent at that size
    int ascent = 0;
};

// Picks the size for `cellHeight`; needs an open display to measure. Without
// one, a size equal to the cell height is assumed. Only the chosen size is
// opened as an X font when the font file's own measure agrees with FLTK's.
FontChoice ChooseFixedFont(int cellHeight);

// The size and cell height ChooseFixedFont predicts from the font file
// alone, before FLTK measures; nothing when the file can't be read.
struct FontPrediction {
    int size = 0;
    int cellHeight = 0;
};
std::optional<FontPrediction> PredictFixedFont(int cellHeight);

}  // namespace tickwell::linux_gui
