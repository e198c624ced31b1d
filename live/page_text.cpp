#include "live/page_text.h"

#include <cstdint>

namespace tickwell::live {

namespace {

// Base letters of U+00C0..U+00FF; '\0' where there is none (multiplication
// and division signs, and letters without one).
constexpr char kLatin1Letters[] =
    "AAAAAAACEEEEIIII"
    "DNOOOOO\0OUUUUYTS"
    "AAAAAAACEEEEIIII"
    "DNOOOOO\0OUUUUYTY";

// Decodes one UTF-8 sequence at `text[*pos]` and moves past it; invalid
// bytes come back one at a time as U+FFFD.
std::uint32_t NextCodePoint(std::string_view text, std::size_t* pos) {
    const auto lead = static_cast<unsigned char>(text[*pos]);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || *pos + length > text.size()) {
        ++*pos;
        return 0xFFFD;
    }
    std::uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[*pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++*pos;
            return 0xFFFD;
        }
        code = (code << 6) | (next & 0x3F);
    }
    *pos += length;
    return code;
}

bool IsSpace(std::uint32_t code) {
    return code == ' ' || code == '\t' || code == '\n' || code == '\r' || code == '\v' ||
           code == '\f' || code == 0xA0;
}

}  // namespace

std::string PageLine(std::string_view utf8) {
    std::string line;
    line.reserve(utf8.size());
    bool pendingBlank = false;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::uint32_t code = NextCodePoint(utf8, &pos);
        if (IsSpace(code)) {
            pendingBlank = !line.empty();
            continue;
        }
        char ch = '\0';
        if (code > 0x20 && code < 0x7F) {
            ch = static_cast<char>(code);
            if (ch >= 'a' && ch <= 'z') {
                ch = static_cast<char>(ch - 'a' + 'A');
            }
        } else if (code >= 0xC0 && code <= 0xFF) {
            ch = kLatin1Letters[code - 0xC0];
        }
        if (ch == '\0') {
            continue;
        }
        if (pendingBlank) {
            line += ' ';
            pendingBlank = false;
        }
        line += ch;
    }
    return line;
}

std::string CutAtWord(const std::string& text, std::size_t limit) {
    if (text.size() <= limit) {
        return text;
    }
    constexpr std::string_view kEllipsis = "...";
    if (limit < kEllipsis.size()) {
        return std::string();
    }
    std::size_t end = limit - kEllipsis.size();
    const std::size_t blank = text.rfind(' ', end);
    if (blank != std::string::npos && blank > 0) {
        end = blank;
    }
    return text.substr(0, end) + std::string(kEllipsis);
}

}  // namespace tickwell::live
