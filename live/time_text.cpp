#include "live/time_text.h"

#include <array>
#include <cstddef>

namespace tickwell::live {

namespace {

// Reads exactly `count` digits at `pos`; nothing when one is not a digit.
std::optional<int> Digits(std::string_view text, std::size_t pos, std::size_t count) {
    if (pos + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

bool At(std::string_view text, std::size_t pos, char wanted) {
    return pos < text.size() && text[pos] == wanted;
}

bool ValidDateTime(int month, int day, int hour, int minute, int second) {
    return month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 && minute <= 59 &&
           second <= 60;
}

std::int64_t Seconds(std::int64_t days, int hour, int minute, int second) {
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

}  // namespace

std::int64_t DaysFromCivil(int year, int month, int day) {
    // Counts from 1 March so that the leap day ends the year.
    const std::int64_t y = month <= 2 ? year - 1 : year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

std::optional<TimeStamp> ParseIsoTime(std::string_view text) {
    auto year = Digits(text, 0, 4);
    auto month = Digits(text, 5, 2);
    auto day = Digits(text, 8, 2);
    auto hour = Digits(text, 11, 2);
    auto minute = Digits(text, 14, 2);
    if (!year || !month || !day || !hour || !minute || !At(text, 4, '-') || !At(text, 7, '-') ||
        !(At(text, 10, 'T') || At(text, 10, ' ')) || !At(text, 13, ':')) {
        return std::nullopt;
    }
    std::size_t pos = 16;
    int second = 0;
    if (At(text, pos, ':')) {
        auto seconds = Digits(text, pos + 1, 2);
        if (!seconds) {
            return std::nullopt;
        }
        second = *seconds;
        pos += 3;
        if (At(text, pos, '.')) {
            ++pos;
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
                ++pos;
            }
        }
    }
    if (!ValidDateTime(*month, *day, *hour, *minute, second)) {
        return std::nullopt;
    }
    int offset = 0;
    if (At(text, pos, 'Z') && pos + 1 == text.size()) {
        offset = 0;
    } else if ((At(text, pos, '+') || At(text, pos, '-')) && pos + 6 == text.size() &&
               At(text, pos + 3, ':')) {
        auto offsetHours = Digits(text, pos + 1, 2);
        auto offsetMinutes = Digits(text, pos + 4, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 14 || *offsetMinutes > 59) {
            return std::nullopt;
        }
        offset = (*offsetHours * 60 + *offsetMinutes) * (text[pos] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }
    const std::int64_t local = Seconds(DaysFromCivil(*year, *month, *day), *hour, *minute, second);
    return TimeStamp{local - offset * 60, offset};
}

std::optional<std::int64_t> ParseHttpDate(std::string_view text) {
    // "Tue, 30 Apr 2024 15:00:00 GMT": fixed positions after the weekday.
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT") {
        return std::nullopt;
    }
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (text.substr(8, 3) == kMonths[i]) {
            month = static_cast<int>(i) + 1;
        }
    }
    auto day = Digits(text, 5, 2);
    auto year = Digits(text, 12, 4);
    auto hour = Digits(text, 17, 2);
    auto minute = Digits(text, 20, 2);
    auto second = Digits(text, 23, 2);
    if (month == 0 || !day || !year || !hour || !minute || !second || !At(text, 7, ' ') ||
        !At(text, 11, ' ') || !At(text, 16, ' ') || !At(text, 19, ':') || !At(text, 22, ':') ||
        !ValidDateTime(month, *day, *hour, *minute, *second)) {
        return std::nullopt;
    }
    return Seconds(DaysFromCivil(*year, month, *day), *hour, *minute, *second);
}

LocalTime ToLocalTime(std::int64_t unixSeconds, int offsetMinutes) {
    const std::int64_t local = unixSeconds + static_cast<std::int64_t>(offsetMinutes) * 60;
    std::int64_t days = local / 86400;
    std::int64_t rest = local % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // The inverse of DaysFromCivil.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t dayOfEra = z - era * 146097;
    const std::int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t mp = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    // 1970-01-01 was a Thursday.
    const int weekday = static_cast<int>(((days % 7) + 11) % 7);
    return LocalTime{
        year,   month, day, static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60),
        weekday};
}

}  // namespace tickwell::live
