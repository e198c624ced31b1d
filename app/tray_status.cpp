#include "app/tray_status.h"

#include <algorithm>

#include "app/weather_state.h"
#include "live/page_text.h"

namespace tickwell {

std::string NowLineOf(const std::string& todayText, std::size_t limit) {
    const std::size_t start = todayText.find(".Now...");
    if (start == std::string::npos) {
        return {};
    }
    // The next period starts with a blank and a dot.
    const std::size_t end = todayText.find(" .", start + 1);
    std::string line =
        todayText.substr(start + 1, end == std::string::npos ? end : end - start - 1);
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return live::CutAtWord(line, limit);
}

TrayStatus CurrentTrayStatus(std::size_t tipLimit) {
    TrayStatus status;
    std::string today;
    {
        DataMutexHold hold;
        if (weatherState.today.text != nullptr) {
            today.assign(weatherState.today.text,
                         static_cast<std::size_t>(std::max(0, weatherState.today.length)));
        }
        if (weatherState.hasReadings) {
            status.temperature = weatherState.temperature.load();
        }
    }
    status.tip = NowLineOf(today, tipLimit);
    if (status.tip.empty()) {
        status.tip = "Tickwell";
    }
    return status;
}

}  // namespace tickwell
