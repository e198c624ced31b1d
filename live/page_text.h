// Text from the weather service made fit for a legacy page: printable ASCII
// on one line, in capitals.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tickwell::live {

// UTF-8 text on one line: every run of white space (line breaks included)
// becomes one blank, Latin-1 letters lose their accents, control characters
// and other non-ASCII characters are dropped, ASCII letters become capitals.
// Invalid UTF-8 never stops it. Leading and trailing blanks are removed.
std::string PageLine(std::string_view utf8);

// `text` cut at a word boundary to at most `limit` bytes, ending in "..."
// when it was cut.
std::string CutAtWord(const std::string& text, std::size_t limit);

}  // namespace tickwell::live
