#include "fuzz/reference_parsers.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "app/weather_state.h"

namespace tickwell::reference {

namespace {

// Tested in this order, each over its own length only.
constexpr const char* kDayNames[] = {"sunday",   "monday", "tuesday", "wednesday",
                                     "thursday", "friday", "saturday"};

bool IsLineBreak(char ch) {
    return ch == '\r' || ch == '\n';
}

char LowerAscii(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

// Compares the first `count` characters ignoring the case of ASCII letters;
// a text that ends early differs.
bool EqualsIgnoringCase(const char* text, const char* lowerName, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (LowerAscii(text[i]) != lowerName[i]) {
            return false;
        }
    }
    return true;
}

// Copies [begin, end) into `scroll`, each CR or LF as a blank, terminates it
// and puts it in sentence case, all in one hold of DataMutex.
void StoreText(ScrollText& scroll, const char* begin, const char* end) {
    DataMutexHold hold;
    std::int32_t length = 0;
    for (const char* p = begin; p != end; ++p) {
        scroll.text[length++] = IsLineBreak(*p) ? ' ' : *p;
    }
    scroll.text[length] = '\0';
    ToSentenceCase(scroll.text);
    scroll.length = length;
}

constexpr const char* kStationName = "DENVER INTL AP";

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

const char* NextLine(const char* position) {
    if (position == nullptr) {
        return nullptr;
    }
    const char* p = position;
    while (*p != '\0' && !IsLineBreak(*p)) {
        ++p;
    }
    while (IsLineBreak(*p)) {
        ++p;
    }
    return *p != '\0' ? p : nullptr;
}

bool IsDayName(const char* position) {
    for (const char* name : kDayNames) {
        if (EqualsIgnoringCase(position, name, std::strlen(name))) {
            return true;
        }
    }
    return false;
}

void ToSentenceCase(char* text) {
    bool inSentence = false;
    for (char* p = text; *p != '\0'; ++p) {
        char ch = *p;
        if (ch == '\n' || ch == '\r' || ch == '.') {
            inSentence = false;
        }
        if (ch >= 'A' && ch <= 'Z') {
            if (inSentence) {
                *p = LowerAscii(ch);
            } else {
                inSentence = true;
            }
        }
    }
}

bool ExtractForecast(const char* page) {
    const char* heading = std::strstr(page, "FORECAST");
    if (heading == nullptr) {
        return false;
    }

    // The first line after the heading's line that opens with ".". The
    // heading itself starts with "F", so the search always moves on first.
    const char* firstPeriod = heading;
    while (*firstPeriod != '.') {
        firstPeriod = NextLine(firstPeriod);
        if (firstPeriod == nullptr) {
            return false;
        }
    }

    // Each candidate is the text right after a period marker: the "." that
    // starts a line, or a "." that directly follows a marker.
    const char* day = firstPeriod + 1;
    while (!IsDayName(day)) {
        while (*day != '.') {
            day = NextLine(day);
            if (day == nullptr) {
                return false;
            }
        }
        ++day;
    }

    StoreText(weatherState.today, firstPeriod, day);

    const char* blockEnd = std::strstr(day, "</pre>");
    if (blockEnd == nullptr) {
        return false;
    }
    StoreText(weatherState.outlook, day, blockEnd);
    return true;
}

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
    const char* station = std::strstr(page, kStationName);
    if (station == nullptr) {
        return false;
    }
    const std::size_t nameLength = std::strlen(kStationName);
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

}  // namespace tickwell::reference
