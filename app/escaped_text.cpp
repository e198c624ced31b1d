#include "app/escaped_text.h"

namespace tickwell {

namespace {

bool IsControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

// Control characters as \xNN; backslashes doubled when `doubleBackslashes`.
std::string Escaped(std::string_view text, bool doubleBackslashes) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsControl(byte)) {
            escaped += "\\x";
            escaped += kHexDigits[byte >> 4];
            escaped += kHexDigits[byte & 0x0F];
        } else if (c == '\\' && doubleBackslashes) {
            escaped += "\\\\";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::string EscapedForTerminal(std::string_view text) {
    return Escaped(text, true);
}

std::string EscapedForLogLine(std::string_view text) {
    return Escaped(text, false);
}

}  // namespace tickwell
