#include "app/dialog_number.h"

namespace tickwell {

std::uint32_t ParseUnsignedField(const char* text, bool* tooLarge) {
    bool overflow = false;
    std::uint32_t value = 0;
    if (text != nullptr) {
        while (*text == ' ' || *text == '\t') {
            ++text;
        }
        for (; *text >= '0' && *text <= '9'; ++text) {
            const std::uint32_t digit = static_cast<std::uint32_t>(*text - '0');
            if (value > (UINT32_MAX - digit) / 10) {
                overflow = true;
            } else if (!overflow) {
                value = value * 10 + digit;
            }
        }
    }
    if (tooLarge != nullptr) {
        *tooLarge = overflow;
    }
    return overflow ? 0 : value;
}

}  // namespace tickwell
