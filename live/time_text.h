// Reading the two kinds of time stamps the weather service writes: ISO 8601
// with an offset ("2024-04-30T14:58:00+00:00") in its JSON, and HTTP dates
// ("Tue, 30 Apr 2024 15:00:00 GMT") in its headers. No time-zone database:
// a local time carries its own offset.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace tickwell::live {

struct TimeStamp {
    std::int64_t unixSeconds = 0;
    // Minutes east of UTC that the text was written in.
    int offsetMinutes = 0;
};

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(int year, int month, int day);

// "YYYY-MM-DDThh:mm[:ss[.fff]](Z|+hh:mm|-hh:mm)"; anything else is nothing.
std::optional<TimeStamp> ParseIsoTime(std::string_view text);

// "Day, DD Mon YYYY hh:mm:ss GMT"; anything else is nothing.
std::optional<std::int64_t> ParseHttpDate(std::string_view text);

// A local wall-clock time: the stamp shifted by `offsetMinutes`.
struct LocalTime {
    int year, month, day, hour, minute, weekday;  // weekday 0 = Sunday
};
LocalTime ToLocalTime(std::int64_t unixSeconds, int offsetMinutes);

}  // namespace tickwell::live
