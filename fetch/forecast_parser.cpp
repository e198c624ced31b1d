#include "fetch/forecast_parser.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "app/weather_state.h"
#include "fetch/text_search.h"

namespace tickwell {

namespace {

// How the page is scanned, for speed on a full page: the heading is found
// with the C library's vectorised strchr, which stops at the terminator, so
// the text before the heading is read once. The rest of the page is then
// measured once, and everything after that works inside known bounds: the
// lines and the texts eight bytes at a time, the block end with memchr.

constexpr std::string_view kHeading = "FORECAST";
// The heading is found by its "R": capital letters are rare in a page's
// markup, and of the heading's letters "F" (as in "Forecast Office") is the
// most common in the page before it.
constexpr std::size_t kHeadingKey = 2;
constexpr std::string_view kBlockEnd = "</pre>";

// Tested in this order, each over its own length only.
constexpr const char* kDayNames[] = {"sunday",   "monday", "tuesday", "wednesday",
                                     "thursday", "friday", "saturday"};

bool IsLineBreak(char ch) {
    return ch == '\r' || ch == '\n';
}

char LowerAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Compares the first `count` characters ignoring the case of ASCII letters;
// a text that ends early differs, and the comparison never reads past the
// first difference.
bool EqualsIgnoringCase(const char* text, const char* lowerName, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (LowerAscii(text[i]) != lowerName[i]) {
            return false;
        }
    }
    return true;
}

// Eight text bytes at a time. The byte masks below hold 0x80 in each byte
// that has the property and 0 elsewhere; they are exact (no carry crosses a
// byte). The first character of the text is the lowest byte, which holds
// on both targets; a big-endian machine takes the byte-by-byte paths.
using Word = std::uint64_t;
constexpr bool kWordScan = std::endian::native == std::endian::little;
constexpr Word kLowBits = 0x0101010101010101u;
constexpr Word kHighBits = 0x8080808080808080u;
constexpr Word kSevenBits = 0x7F7F7F7F7F7F7F7Fu;

constexpr Word Repeat(unsigned char byte) {
    return kLowBits * byte;
}

Word LoadWord(const char* p) {
    Word word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The bytes of `word` equal to `ch`.
Word BytesEqual(Word word, char ch) {
    const Word x = word ^ Repeat(static_cast<unsigned char>(ch));
    return ~(((x & kSevenBits) + kSevenBits) | x) & kHighBits;
}

// The bytes of `word` that are ASCII capitals.
Word Capitals(Word word) {
    const Word low = word & kSevenBits;
    const Word atLeastA = low + Repeat(0x80 - 'A');
    const Word pastZ = low + Repeat(0x80 - 'Z' - 1);
    return atLeastA & ~pastZ & ~word & kHighBits;
}

// Offset of the first marked byte of a non-zero mask.
std::size_t FirstMarked(Word mask) {
    return static_cast<std::size_t>(std::countr_zero(mask)) / 8;
}

// Whether some byte of `word` is below 14, as CR (13) and LF (10) are: a
// quick test that most words of a page fail.
bool MayHoldLineBreak(Word word) {
    return ((word - Repeat('\r' + 1)) & ~word & kHighBits) != 0;
}

// The first CR or LF in [p, end), or end.
const char* FindLineBreak(const char* p, const char* end) {
    if constexpr (kWordScan) {
        while (end - p >= static_cast<std::ptrdiff_t>(sizeof(Word))) {
            const Word word = LoadWord(p);
            if (MayHoldLineBreak(word)) {
                const Word breaks = BytesEqual(word, '\r') | BytesEqual(word, '\n');
                if (breaks != 0) {
                    return p + FirstMarked(breaks);
                }
            }
            p += sizeof(Word);
        }
    }
    while (p != end && !IsLineBreak(*p)) {
        ++p;
    }
    return p;
}

// NextLine for a position before `end`, the page's terminator.
const char* NextLineBefore(const char* p, const char* end) {
    p = FindLineBreak(p, end);
    while (p != end && IsLineBreak(*p)) {
        ++p;
    }
    return p != end ? p : nullptr;
}

// The block end tag at or after `from`, before `end`; null if none.
const char* FindBlockEnd(const char* from, const char* end) {
    const auto length = static_cast<std::ptrdiff_t>(kBlockEnd.size());
    for (const char* p = from; end - p >= length; ++p) {
        // Only a "<" with room for the whole tag after it is a candidate.
        p = static_cast<const char*>(std::memchr(p, kBlockEnd[0], end - p - length + 1));
        if (p == nullptr) {
            return nullptr;
        }
        if (std::memcmp(p, kBlockEnd.data(), kBlockEnd.size()) == 0) {
            return p;
        }
    }
    return nullptr;
}

// Sentence case of one word of a text without line breaks: in each stretch
// between dots the first capital stays (unless a sentence is already open)
// and every later one is lowered. `inSentence` carries over between words.
Word WordInSentenceCase(Word word, bool& inSentence) {
    Word capitals = Capitals(word);
    Word dots = BytesEqual(word, '.');
    Word lower = 0;
    while (dots != 0) {
        // Every bit below the first dot: the stretch that this dot ends.
        const Word before = (dots & (~dots + 1)) - 1;
        const Word stretch = capitals & before;
        lower |= inSentence ? stretch : stretch & (stretch - 1);
        inSentence = false;
        capitals &= ~before;
        dots &= dots - 1;
    }
    lower |= inSentence ? capitals : capitals & (capitals - 1);
    inSentence = inSentence || capitals != 0;
    // 0x80 >> 2 is 0x20, the difference between a capital and its small
    // letter.
    return word | (lower >> 2);
}

// Each CR and LF of `word` as a blank.
Word BreaksAsBlanks(Word word) {
    if (!MayHoldLineBreak(word)) {
        return word;
    }
    const Word breaks = BytesEqual(word, '\r') | BytesEqual(word, '\n');
    const Word whole = (breaks >> 7) * 0xFF;
    return (word & ~whole) | (whole & Repeat(' '));
}

// Writes [begin, begin + count) to `out` with each CR and LF as a blank and
// in sentence case: the same text that copying it, turning line breaks into
// blanks and then applying ToSentenceCase gives. Once the line breaks are
// blanks, only "." ends a sentence.
void CopyInSentenceCase(char* out, const char* begin, std::size_t count) {
    bool inSentence = false;
    std::size_t i = 0;
    if constexpr (kWordScan) {
        for (; count - i >= sizeof(Word); i += sizeof(Word)) {
            const Word word = WordInSentenceCase(BreaksAsBlanks(LoadWord(begin + i)), inSentence);
            std::memcpy(out + i, &word, sizeof word);
        }
    }
    for (; i < count; ++i) {
        char ch = IsLineBreak(begin[i]) ? ' ' : begin[i];
        if (ch == '.') {
            inSentence = false;
        } else if (ch >= 'A' && ch <= 'Z') {
            if (inSentence) {
                ch = LowerAscii(ch);
            }
            inSentence = true;
        }
        out[i] = ch;
    }
}

// Stores [begin, end) in `scroll` as one sentence-case line, all in one
// hold of DataMutex.
void StoreText(ScrollText& scroll, const char* begin, const char* end) {
    const auto count = static_cast<std::size_t>(end - begin);
    DataMutexHold hold;
    CopyInSentenceCase(scroll.text, begin, count);
    scroll.text[count] = '\0';
    scroll.length = static_cast<std::int32_t>(count);
}

}  // namespace

const char* NextLine(const char* position) {
    if (position == nullptr) {
        return nullptr;
    }
    const char* p = position;
    while (*p != '\0' && !IsLineBreak(*p)) {
        ++p;
    }
    while (IsLineBreak(*p)) {
        ++p;
    }
    return *p != '\0' ? p : nullptr;
}

bool IsDayName(const char* position) {
    // Every name starts with one of these letters; most candidates fail here.
    switch (LowerAscii(*position)) {
        case 's':
        case 'm':
        case 't':
        case 'w':
        case 'f': break;
        default: return false;
    }
    for (const char* name : kDayNames) {
        if (EqualsIgnoringCase(position, name, std::strlen(name))) {
            return true;
        }
    }
    return false;
}

void ToSentenceCase(char* text) {
    bool inSentence = false;
    for (char* p = text; *p != '\0'; ++p) {
        char ch = *p;
        if (ch == '\n' || ch == '\r' || ch == '.') {
            inSentence = false;
        }
        if (ch >= 'A' && ch <= 'Z') {
            if (inSentence) {
                *p = LowerAscii(ch);
            } else {
                inSentence = true;
            }
        }
    }
}

bool ExtractForecast(const char* page) {
    const char* heading = FindInText(page, kHeading, kHeadingKey);
    if (heading == nullptr) {
        return false;
    }
    // Everything after this works inside [heading, end).
    const char* const end = heading + std::strlen(heading);

    // The first line after the heading's line that opens with ".". The
    // heading itself starts with "F", so the search always moves on first.
    const char* firstPeriod = heading;
    while (*firstPeriod != '.') {
        firstPeriod = NextLineBefore(firstPeriod, end);
        if (firstPeriod == nullptr) {
            return false;
        }
    }

    // Each candidate is the text right after a period marker: the "." that
    // starts a line, or a "." that directly follows a marker.
    const char* day = firstPeriod + 1;
    while (!IsDayName(day)) {
        while (*day != '.') {
            day = NextLineBefore(day, end);
            if (day == nullptr) {
                return false;
            }
        }
        ++day;
    }

    StoreText(weatherState.today, firstPeriod, day);

    const char* blockEnd = FindBlockEnd(day, end);
    if (blockEnd == nullptr) {
        return false;
    }
    StoreText(weatherState.outlook, day, blockEnd);
    return true;
}

}  // namespace tickwell
