// What the user's locale says about units and the clock, for the defaults
// of the unit settings: on Linux LC_MEASUREMENT and LC_TIME, on Windows
// LOCALE_IMEASURE and the time format.
#pragma once

namespace tickwell::platform {

struct LocaleConventions {
    // Metric measurement (else the US system).
    bool metric = false;
    // The locale writes times on the 24-hour clock.
    bool twentyFourHour = false;
};

// The user's locale's conventions. The US ones (today's picture) when no
// locale is chosen (the "C" or "POSIX" locale) or it cannot be read.
LocaleConventions UserLocaleConventions();

}  // namespace tickwell::platform
