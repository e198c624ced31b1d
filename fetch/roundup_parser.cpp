#include "fetch/roundup_parser.h"

#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "app/weather_state.h"
#include "fetch/text_search.h"

namespace tickwell {

namespace {

constexpr std::string_view kStationName = "DENVER INTL AP";
// The station name is found by its "V", the rarest of its letters in the
// roundup page.
constexpr std::size_t kStationKey = 3;

bool IsGap(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
}

// The standard text-to-integer conversion (white space, sign, digits; 0
// without digits), clamped to 32 bits so an overlong number such as
// 99999999999 has a defined value instead of the C library's undefined one.
std::int32_t ReadInteger(const char* text) {
    long long value = std::strtoll(text, nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value < std::numeric_limits<std::int32_t>::min()) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}

// Moves from the start of one token to the start of the next; null when the
// text ends first.
const char* NextToken(const char* position) {
    return SkipWhitespace(SkipToken(position));
}

}  // namespace

const char* SkipWhitespace(const char* position) {
    if (position == nullptr) {
        return nullptr;
    }
    const char* p = position;
    while (IsGap(*p)) {
        ++p;
    }
    return *p != '\0' ? p : nullptr;
}

const char* SkipToken(const char* position) {
    if (position == nullptr) {
        return nullptr;
    }
    const char* p = position;
    while (*p != ' ' && *p != '\0') {
        ++p;
    }
    return *p == ' ' ? p : nullptr;
}

bool ParseRoundup(const char* page) {
    const char* station = FindInText(page, kStationName, kStationKey);
    if (station == nullptr) {
        return false;
    }
    const std::size_t nameLength = kStationName.size();
    // The one character after the name separates it from the row; it is
    // passed over without a look, unless the text ends there.
    if (station[nameLength] == '\0') {
        return false;
    }

    // Token 1, the sky column, is skipped.
    const char* p = NextToken(SkipWhitespace(station + nameLength + 1));
    if (p == nullptr) {
        return false;
    }
    {
        DataMutexHold hold;
        weatherState.temperature = ReadInteger(p);
    }

    p = NextToken(p);
    if (p == nullptr) {
        return false;
    }
    {
        DataMutexHold hold;
        weatherState.dewPoint = ReadInteger(p);
    }

    p = NextToken(p);
    if (p == nullptr) {
        return false;
    }
    {
        DataMutexHold hold;
        weatherState.relativeHumidity = ReadInteger(p);
    }

    // Token 5, the wind column, is skipped.
    p = NextToken(NextToken(p));
    if (p == nullptr) {
        return false;
    }
    {
        DataMutexHold hold;
        weatherState.pressure = std::strtod(p, nullptr);
        // Storing the last reading ends the fetch job's busy period.
        weatherState.busy = false;
    }
    return true;
}

}  // namespace tickwell
