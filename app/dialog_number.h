// Reading the number in a dialog's edit field the way Windows does.
#pragma once

#include <cstdint>

namespace tickwell {

// Parses `text` as an unsigned decimal number: leading blanks and tabs are
// skipped, then digits are read up to the first other character. Text
// without leading digits (an empty field included) reads as 0. A number
// beyond 32 bits reads as 0 with *tooLarge set; otherwise *tooLarge is
// cleared. `tooLarge` may be null; a null `text` reads as 0.
std::uint32_t ParseUnsignedField(const char* text, bool* tooLarge);

}  // namespace tickwell
