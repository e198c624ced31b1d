#include "places/text_fold.h"

namespace tickwell::places {
namespace {

// What a character folds to: letters to themselves, apostrophes to
// nothing, separators to a word break, the rest to the unmatched mark.
enum class Fold { Letters, Nothing, Break, Unknown };

struct Folded {
    Fold kind = Fold::Unknown;
    const char* letters = "";
};

// U+00C0..U+00FF and U+0100..U+017F by their plain letter; '*' marks the
// ones that become two letters and ' ' the signs that separate words.
constexpr char kLatin1[] =
    "aaaaaa*ceeeeiiii"
    "dnooooo ouuuuy**"
    "aaaaaa*ceeeeiiii"
    "dnooooo ouuuuy*y";
constexpr char kLatinExtendedA[] =
    "aaaaaaccccccccdd"
    "ddeeeeeeeeeegggg"
    "gggghhhhiiiiiiii"
    "ii**jjkkklllllll"
    "lllnnnnnnnnnoooo"
    "oo**rrrrrrssssss"
    "ssttttttuuuuuuuu"
    "uuuuwwyyyzzzzzzs";

// One-letter strings for every ASCII lower-case letter and digit, so a
// folded character can point at static text.
constexpr char kSingles[] =
    "a\0b\0c\0d\0e\0f\0g\0h\0i\0j\0k\0l\0m\0n\0o\0p\0q\0r\0s\0t\0u\0v\0w\0x\0y\0z\0"
    "0\0001\0002\0003\0004\0005\0006\0007\0008\0009";

Folded Letter(char c) {
    if (c >= 'a' && c <= 'z') {
        return {Fold::Letters, kSingles + 2 * (c - 'a')};
    }
    return {Fold::Letters, kSingles + 52 + 2 * (c - '0')};
}

Folded TwoLetters(char32_t c) {
    switch (c) {
        case 0xC6:
        case 0xE6: return {Fold::Letters, "ae"};
        case 0xDE:
        case 0xFE: return {Fold::Letters, "th"};
        case 0xDF: return {Fold::Letters, "ss"};
        case 0x132:
        case 0x133: return {Fold::Letters, "ij"};
        default: return {Fold::Letters, "oe"};  // U+0152 and U+0153
    }
}

Folded FromTable(char32_t c, char plain) {
    if (plain == ' ') {
        return {Fold::Break};
    }
    if (plain == '*') {
        return TwoLetters(c);
    }
    return Letter(plain);
}

bool IsApostrophe(char32_t c) {
    return c == '\'' || c == '`' || c == 0xB4 || c == 0x2018 || c == 0x2019 || c == 0x2BB ||
           c == 0x2BC;
}

Folded FoldCharacter(char32_t c) {
    if (IsApostrophe(c) || (c >= 0x300 && c <= 0x36F)) {
        return {Fold::Nothing};  // apostrophes and combining accents
    }
    if (c < 0x80) {
        if (c >= 'A' && c <= 'Z') {
            return Letter(static_cast<char>(c - 'A' + 'a'));
        }
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            return Letter(static_cast<char>(c));
        }
        return {Fold::Break};
    }
    if (c < 0xC0 || (c >= 0x2000 && c <= 0x206F) || c == 0x3000) {
        return {Fold::Break};  // Latin-1 signs, general punctuation, wide blank
    }
    if (c <= 0xFF) {
        return FromTable(c, kLatin1[c - 0xC0]);
    }
    if (c <= 0x17F) {
        return FromTable(c, kLatinExtendedA[c - 0x100]);
    }
    if (c >= 0x218 && c <= 0x21B) {
        return Letter(c < 0x21A ? 's' : 't');  // Romanian comma-below letters
    }
    return {Fold::Unknown};
}

// Reads one UTF-8 character at `at`, moving past it. A malformed
// sequence (a stray continuation byte, a short or overlong form, a
// surrogate, a value past U+10FFFF) reads as U+FFFD over one byte.
char32_t NextCharacter(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<std::uint8_t>(text[at]);
    if (lead < 0x80) {
        ++at;
        return lead;
    }
    int length = 0;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    }
    if (length == 0 || at + length > text.size()) {
        ++at;
        return 0xFFFD;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<std::uint8_t>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            ++at;
            return 0xFFFD;
        }
        value = (value << 6) | (next & 0x3F);
    }
    const bool overlong = (length == 3 && value < 0x800) || (length == 4 && value < 0x10000);
    if (overlong || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) {
        ++at;
        return 0xFFFD;
    }
    at += length;
    return value;
}

}  // namespace

std::string FoldText(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    bool pendingBreak = false;
    for (std::size_t at = 0; at < text.size();) {
        const Folded piece = FoldCharacter(NextCharacter(text, at));
        if (piece.kind == Fold::Nothing) {
            continue;
        }
        if (piece.kind == Fold::Break) {
            pendingBreak = true;
            continue;
        }
        if (pendingBreak && !folded.empty()) {
            folded += ' ';
        }
        pendingBreak = false;
        folded += piece.kind == Fold::Letters ? piece.letters : "?";
    }
    return folded;
}

std::uint32_t InitialBit(char first) {
    if (first >= 'a' && first <= 'z') {
        return std::uint32_t{1} << (first - 'a');
    }
    return std::uint32_t{1} << (first >= '0' && first <= '9' ? 26 : 27);
}

std::uint32_t InitialsOf(std::string_view folded) {
    std::uint32_t initials = 0;
    for (std::size_t at = 0; at < folded.size(); ++at) {
        if (at == 0 || folded[at - 1] == ' ') {
            initials |= InitialBit(folded[at]);
        }
    }
    return initials;
}

}  // namespace tickwell::places
