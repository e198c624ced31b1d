// Folding text for the station search: UTF-8 in, plain lower-case ASCII
// words out, so that "Bóston,  MA" and "boston ma" read the same. The
// generator of the station table folds names by the same rules, and the
// search compares the folded forms byte by byte.
#pragma once

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

}  // namespace tickwell::places
