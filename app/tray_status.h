// What the Windows notification-area icon shows: the temperature the
// readouts show, and the NOW line of today's text as its tooltip.
#pragma once

#include <optional>
#include <string>

namespace tickwell {

struct TrayStatus {
    // Nothing until the readouts show readings.
    std::optional<int> temperature;
    // "Now...Mostly cloudy. 28 degrees." or, before any, the program's name.
    std::string tip;

    bool operator==(const TrayStatus& other) const {
        return temperature == other.temperature && tip == other.tip;
    }
};

// The NOW line in `todayText` (the ticker's text, periods one after the
// other), at most `limit` bytes cut at a word; empty when there is none.
std::string NowLineOf(const std::string& todayText, std::size_t limit);

// The status of the readouts and today's text now (read under DataMutex).
TrayStatus CurrentTrayStatus(std::size_t tipLimit);

}  // namespace tickwell
