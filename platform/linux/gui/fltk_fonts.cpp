#include "platform/linux/gui/fltk_fonts.h"

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/fl_draw.H>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <optional>
#include <string>

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

// The font file (and face index in it) that fontconfig gives for the face,
// as FLTK's Xft code asks for it.
std::optional<std::string> FaceFile(int* index) {
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) return std::nullopt;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFixedFace));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_MEDIUM);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) return std::nullopt;
    std::optional<std::string> file;
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
        file = reinterpret_cast<const char*>(path);
        if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    }
    FcPatternDestroy(match);
    return file;
}

// A 26.6 fixed-point length rounded to whole pixels, as Xft rounds a font's
// ascent and descent.
int WholePixels(long length) {
    return static_cast<int>((length + 32) >> 6);
}

// Measures the face at `size` through FLTK, which opens that font.
void Measure(int size, FontChoice* choice) {
    fl_font(kFixedFontIndex, size);
    choice->size = size;
    choice->cellHeight = fl_height();
    choice->ascent = choice->cellHeight - fl_descent();
}

}  // namespace

int FixedFace() {
    RegisterFace();
    return kFixedFontIndex;
}

// The largest pixel size whose cell (ascent + descent) is at most
// `cellHeight`, and that cell, read from the font file with FreeType.
// Measuring this way opens no X font: FLTK keeps every font it has opened
// for the life of the process, so trying sizes through it would hold one
// font per size tried (some 60 KB each).
std::optional<FontPrediction> PredictFixedFont(int cellHeight) {
    int index = 0;
    const std::optional<std::string> file = FaceFile(&index);
    if (!file) return std::nullopt;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) return std::nullopt;
    std::optional<FontPrediction> chosen;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file->c_str(), index, &face) == 0) {
        for (int size = cellHeight; size >= 1 && !chosen; --size) {
            if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(size)) != 0) break;
            const FT_Size_Metrics& metrics = face->size->metrics;
            const int height = WholePixels(metrics.ascender) + WholePixels(-metrics.descender);
            if (height <= cellHeight || size == 1) chosen = FontPrediction{size, height};
        }
        FT_Done_Face(face);
    }
    FT_Done_FreeType(library);
    return chosen;
}

FontChoice ChooseFixedFont(int cellHeight) {
    RegisterFace();
    FontChoice choice;
    choice.face = kFixedFontIndex;
    choice.size = cellHeight > 1 ? cellHeight : 1;
    choice.cellHeight = choice.size;
    choice.ascent = choice.size * 4 / 5;
    if (!DisplayAvailable()) return choice;

    // When FLTK measures the predicted size as the font file does, the
    // prediction holds and that is the only font opened. Otherwise search
    // through FLTK as below.
    if (const std::optional<FontPrediction> predicted = PredictFixedFont(choice.size)) {
        Measure(predicted->size, &choice);
        if (choice.cellHeight == predicted->cellHeight) return choice;
    }
    // Font sizes and cell heights grow together, so the first size from the
    // top whose cell fits is the largest one.
    for (int size = cellHeight > 1 ? cellHeight : 1; size >= 1; --size) {
        Measure(size, &choice);
        if (choice.cellHeight <= cellHeight || size == 1) break;
    }
    return choice;
}

}  // namespace tickwell::linux_gui
