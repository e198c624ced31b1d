// Folding text for the station search: UTF-8 in, plain lower-case ASCII
// words out, so that "Bóston,  MA" and "boston ma" read the same. The
// generator of the station table folds names by the same rules, and the
// search compares the folded forms byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tickwell::places {

// Folds `text`: Latin letters lose their accents and case ("É" -> "e",
// "ß" -> "ss"), apostrophes vanish ("O'Hare" -> "ohare"), other
// punctuation and blanks separate words, and words are joined by one blank
// with none at either end. A character with no plain form (another script,
// a symbol, a byte that is not UTF-8) becomes '?', which no name contains,
// so a word holding one matches nothing.
std::string FoldText(std::string_view text);

// The first letters of the words of folded text, one bit each ('a' is bit
// 0, 'z' bit 25, any digit bit 26, anything else bit 27): a quick test
// that a word cannot begin any of them.
std::uint32_t InitialBit(char first);
std::uint32_t InitialsOf(std::string_view folded);

}  // namespace tickwell::places
