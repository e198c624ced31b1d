#include "fuzz/reference_parsers.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

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

bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

// A digit; or a sign, then a digit or a point and a digit; or a point and
// a digit.
bool IsNumberToken(const std::string& token) {
    const std::size_t afterSign = token[0] == '+' || token[0] == '-' ? 1 : 0;
    if (afterSign < token.size() && IsDigit(token[afterSign])) {
        return true;
    }
    return afterSign + 1 < token.size() && token[afterSign] == '.' && IsDigit(token[afterSign + 1]);
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

bool ParseRoundup(const char* page) {
    const char* station = std::strstr(page, kStationName);
    if (station == nullptr) {
        return false;
    }
    // The character after the name is passed over; the row is what follows
    // it up to the first line break or the end of the text.
    const char* separator = station + std::strlen(kStationName);
    if (*separator == '\0' || IsLineBreak(*separator)) {
        return false;
    }
    const std::string row(separator + 1, std::strcspn(separator + 1, "\r\n"));

    std::vector<std::string> tokens;
    std::size_t start = 0;
    while (start < row.size()) {
        const std::size_t end = std::min(row.find(' ', start), row.size());
        if (end > start) {
            tokens.push_back(row.substr(start, end - start));
        }
        start = end + 1;
    }

    // The temperature is the first number; dew point, humidity, wind and
    // pressure follow it.
    std::size_t first = 0;
    while (first < tokens.size() && !IsNumberToken(tokens[first])) {
        ++first;
    }
    if (first + 4 >= tokens.size() || !IsNumberToken(tokens[first + 1]) ||
        !IsNumberToken(tokens[first + 2]) || !IsNumberToken(tokens[first + 4])) {
        return false;
    }

    {
        DataMutexHold hold;
        weatherState.temperature = ReadInteger(tokens[first].c_str());
    }
    {
        DataMutexHold hold;
        weatherState.dewPoint = ReadInteger(tokens[first + 1].c_str());
    }
    {
        DataMutexHold hold;
        weatherState.relativeHumidity = ReadInteger(tokens[first + 2].c_str());
    }
    {
        DataMutexHold hold;
        weatherState.pressure = std::strtod(tokens[first + 4].c_str(), nullptr);
        weatherState.busy = false;
        weatherState.hasReadings = true;
    }
    return true;
}

}  // namespace tickwell::reference
