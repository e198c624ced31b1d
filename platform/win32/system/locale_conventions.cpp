#include "platform/locale_conventions.h"

#include <windows.h>

#include <string_view>

namespace tickwell::platform {

namespace {

// The user's locale's value `type` as text; empty when it cannot be read.
std::wstring_view LocaleText(LCTYPE type, wchar_t (&buffer)[96]) {
    const int length = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, buffer, 96);
    return length > 1 ? std::wstring_view(buffer, static_cast<std::size_t>(length - 1))
                      : std::wstring_view();
}

}  // namespace

LocaleConventions UserLocaleConventions() {
    LocaleConventions conventions;
    wchar_t buffer[96] = {};
    // "0" metric, "1" US.
    conventions.metric = LocaleText(LOCALE_IMEASURE, buffer) == L"0";
    // The time format names the hour "H" or "HH" on the 24-hour clock, "h"
    // on the 12-hour one; without a format, LOCALE_ITIME says ("1": 24).
    const std::wstring_view format = LocaleText(LOCALE_STIMEFORMAT, buffer);
    if (!format.empty()) {
        conventions.twentyFourHour = format.find(L'H') != std::wstring_view::npos &&
                                     format.find(L'h') == std::wstring_view::npos;
    } else {
        conventions.twentyFourHour = LocaleText(LOCALE_ITIME, buffer) == L"1";
    }
    return conventions;
}

}  // namespace tickwell::platform
