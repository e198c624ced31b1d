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

// The station's row ends at the first line break or at the end of the text.
bool EndsRow(char ch) {
    return ch == '\0' || ch == '\r' || ch == '\n';
}

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// Within a row only blanks separate tokens; a tab belongs to its token.
const char* SkipBlanks(const char* position) {
    while (*position == ' ') {
        ++position;
    }
    return position;
}

// The start of the token after the one at `position`: the row's end when
// there is none. Stays at the row's end once there.
const char* NextInRow(const char* position) {
    while (*position != ' ' && !EndsRow(*position)) {
        ++position;
    }
    return SkipBlanks(position);
}

// A number token starts with a digit, or with a sign or a point followed
// by a digit, or with a sign, a point and a digit. The row's end is none.
bool StartsNumber(const char* token) {
    if (*token == '+' || *token == '-') {
        ++token;
    }
    if (IsDigit(*token)) {
        return true;
    }
    return *token == '.' && IsDigit(token[1]);
}

}  // namespace

bool ParseRoundup(const char* page) {
    const char* station = FindInText(page, kStationName, kStationKey);
    if (station == nullptr) {
        return false;
    }
    // The one character after the name separates it from the row; it is
    // passed over without a look, unless the row or the text ends there.
    const char* separator = station + kStationName.size();
    if (EndsRow(*separator)) {
        return false;
    }

    // The sky and weather column may hold any number of words (or none):
    // the temperature is the row's first number.
    const char* temperature = SkipBlanks(separator + 1);
    while (!EndsRow(*temperature) && !StartsNumber(temperature)) {
        temperature = NextInRow(temperature);
    }
    if (EndsRow(*temperature)) {
        return false;
    }
    const char* dewPoint = NextInRow(temperature);
    const char* humidity = NextInRow(dewPoint);
    const char* pressure = NextInRow(NextInRow(humidity));  // past the wind column
    // A row without all of its readings ("NOT AVBL") stores nothing, rather
    // than taking its numbers from the next station's row.
    if (!StartsNumber(dewPoint) || !StartsNumber(humidity) || !StartsNumber(pressure)) {
        return false;
    }

    {
        DataMutexHold hold;
        weatherState.temperature = ReadInteger(temperature);
    }
    {
        DataMutexHold hold;
        weatherState.dewPoint = ReadInteger(dewPoint);
    }
    {
        DataMutexHold hold;
        weatherState.relativeHumidity = ReadInteger(humidity);
    }
    {
        DataMutexHold hold;
        weatherState.pressure = std::strtod(pressure, nullptr);
        // Storing the last reading ends the fetch job's busy period.
        weatherState.busy = false;
        weatherState.hasReadings = true;
    }
    return true;
}

}  // namespace tickwell
