// The unit defaults from the locale the environment names: a metric,
// 24-hour locale (de_DE), the US one, the plain C locale (no choice: the
// US picture), and measurement and time from two different locales.
// Built for Windows, this program has no tests.
#if defined(__linux__)

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "live/units.h"
#include "platform/locale_conventions.h"

namespace tickwell::platform {
namespace {

bool Installed(const char* name) {
    locale_t locale = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return false;
    freelocale(locale);
    return true;
}

TEST(LocaleDefaults, MeasurementAndTimeFromTheEnvironmentsLocale) {
    for (const char* name : {"de_DE.UTF-8", "en_US.UTF-8"}) {
        if (!Installed(name)) {
            GTEST_SKIP() << "locale " << name << " is not installed (scripts/install-deps.sh all)";
        }
    }
    struct Case {
        const char* what;
        std::vector<std::pair<const char*, const char*>> environment;
        bool metric, twentyFourHour;
    };
    const std::vector<Case> cases = {
        {"LC_ALL=de_DE", {{"LC_ALL", "de_DE.UTF-8"}}, true, true},
        {"LC_ALL=en_US", {{"LC_ALL", "en_US.UTF-8"}}, false, false},
        {"LC_ALL=C", {{"LC_ALL", "C"}}, false, false},
        {"LC_ALL=C.UTF-8", {{"LC_ALL", "C.UTF-8"}}, false, false},
        {"nothing set", {}, false, false},
        {"LANG=de_DE", {{"LANG", "de_DE.UTF-8"}}, true, true},
        {"LC_ALL over LANG", {{"LANG", "de_DE.UTF-8"}, {"LC_ALL", "en_US.UTF-8"}}, false, false},
        {"metric measurement, US time",
         {{"LC_MEASUREMENT", "de_DE.UTF-8"}, {"LC_TIME", "en_US.UTF-8"}},
         true,
         false},
        {"US measurement, 24-hour time",
         {{"LC_MEASUREMENT", "en_US.UTF-8"}, {"LC_TIME", "de_DE.UTF-8"}},
         false,
         true},
        {"a locale that is not installed", {{"LC_ALL", "xx_YY.UTF-8"}}, false, false},
    };
    const char* const names[] = {"LC_ALL", "LC_MEASUREMENT", "LC_TIME", "LANG"};
    for (const Case& c : cases) {
        for (const char* name : names) unsetenv(name);
        for (const auto& [name, value] : c.environment) setenv(name, value, 1);
        const LocaleConventions conventions = UserLocaleConventions();
        EXPECT_EQ(conventions.metric, c.metric) << c.what;
        EXPECT_EQ(conventions.twentyFourHour, c.twentyFourHour) << c.what;
    }
    for (const char* name : names) unsetenv(name);
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const LocaleConventions german = UserLocaleConventions();
    EXPECT_EQ(live::LocaleUnits(german.metric, german.twentyFourHour),
              (live::Units{live::TemperatureUnit::Celsius, live::PressureUnit::Hectopascals,
                           live::WindUnit::KilometresPerHour, live::ClockStyle::TwentyFourHour}));
    unsetenv("LC_ALL");
}

}  // namespace
}  // namespace tickwell::platform

#endif  // __linux__
