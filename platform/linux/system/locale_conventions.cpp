#include "platform/locale_conventions.h"

#include <langinfo.h>
#include <locale.h>

#include <string_view>

namespace tickwell::platform {

namespace {

// The plain C locale (what a process gets with no LANG or LC_* set) is no
// choice of the user's: it keeps the program's own picture.
bool IsPlainLocale(std::string_view name) {
    return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// A time format on the 12-hour clock names its hour with %I, or writes the
// whole time with %r, or the AM/PM marker with %p.
bool TwentyFourHourFormat(std::string_view format) {
    for (std::string_view twelve : {"%I", "%r", "%p", "%l"}) {
        if (format.find(twelve) != std::string_view::npos) {
            return false;
        }
    }
    return !format.empty();
}

}  // namespace

LocaleConventions UserLocaleConventions() {
    LocaleConventions conventions;
    // The locale the environment names (LC_ALL, LC_MEASUREMENT, LC_TIME,
    // LANG), read without touching the process's own locale.
    locale_t locale = newlocale(LC_MEASUREMENT_MASK, "", static_cast<locale_t>(nullptr));
    if (locale != static_cast<locale_t>(nullptr)) {
        if (!IsPlainLocale(nl_langinfo_l(_NL_LOCALE_NAME(LC_MEASUREMENT), locale))) {
            // 1 metric, 2 US.
            conventions.metric = nl_langinfo_l(_NL_MEASUREMENT_MEASUREMENT, locale)[0] == 1;
        }
        freelocale(locale);
    }
    locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (locale != static_cast<locale_t>(nullptr)) {
        if (!IsPlainLocale(nl_langinfo_l(_NL_LOCALE_NAME(LC_TIME), locale))) {
            conventions.twentyFourHour = TwentyFourHourFormat(nl_langinfo_l(T_FMT, locale));
        }
        freelocale(locale);
    }
    return conventions;
}

}  // namespace tickwell::platform
