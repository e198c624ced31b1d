// Finding a fixed mark in a NUL-terminated page text, the way strstr does,
// but at the speed of the C library's vectorised strchr.
#pragma once

#include <cstddef>
#include <cstring>
#include <string_view>

namespace tickwell {

// The first occurrence of `mark` in `text` (which ends at its first NUL), or
// null. The candidates are the places of the mark's character at
// `keyOffset`, found with strchr; a character that is rare in the pages
// makes few of them. Each candidate is compared before the key (text that
// strchr has already passed) and after it up to the first difference, so
// no byte past the terminator is ever read.
inline const char* FindInText(const char* text, std::string_view mark, std::size_t keyOffset) {
    const char key = mark[keyOffset];
    for (const char* p = std::strchr(text, key); p != nullptr; p = std::strchr(p + 1, key)) {
        if (static_cast<std::size_t>(p - text) < keyOffset) {
            continue;
        }
        const char* start = p - keyOffset;
        if (std::memcmp(start, mark.data(), keyOffset) != 0) {
            continue;
        }
        std::size_t i = keyOffset + 1;
        while (i < mark.size() && p[i - keyOffset] == mark[i]) {
            ++i;
        }
        if (i == mark.size()) {
            return start;
        }
    }
    return nullptr;
}

}  // namespace tickwell
