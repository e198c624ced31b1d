#include "fetch/forecast_parser.h"

#include <cstdint>
#include <cstring>

#include "app/weather_state.h"

namespace tickwell {

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

}  // namespace tickwell
