#include "live/forecast_page.h"

#include <nlohmann/json.hpp>

#include "live/json_fields.h"
#include "live/page_text.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

constexpr std::string_view kPageStart =
    "<html><head><title>Tickwell local weather</title></head><body><pre>\n"
    "LOCAL WEATHER FORECAST\n";
constexpr std::string_view kPageEnd = "</pre></body></html>\n";

}  // namespace

std::vector<ForecastPeriod> ParsePeriods(const json& forecast) {
    std::vector<ForecastPeriod> periods;
    const json* properties = ObjectField(forecast, "properties");
    const json* list = properties != nullptr ? ArrayField(*properties, "periods") : nullptr;
    if (list == nullptr) {
        return periods;
    }
    for (const json& entry : *list) {
        ForecastPeriod period{StringField(entry, "name"), StringField(entry, "detailedForecast"),
                              TimeField(entry, "startTime"), TimeField(entry, "endTime")};
        if (!PageLine(period.name).empty() && !PageLine(period.text).empty()) {
            periods.push_back(std::move(period));
        }
    }
    return periods;
}

std::vector<ForecastPeriod> WithoutEnded(std::vector<ForecastPeriod> periods, std::int64_t now) {
    std::erase_if(periods, [now](const ForecastPeriod& period) {
        return period.end && period.end->unixSeconds <= now;
    });
    return periods;
}

std::string PeriodLine(const ForecastPeriod& period) {
    // A name is a few words; a longer one is cut like the text.
    std::string line(".");
    line += CutAtWord(PageLine(period.name), 60);
    line += "...";
    line += CutAtWord(PageLine(period.text), kMaxPeriodTextBytes);
    line += '\n';
    return line;
}

std::string BuildForecastPage(std::string_view stationLine,
                              const std::vector<std::string>& leadLines,
                              const std::vector<ForecastPeriod>& periods) {
    std::string page(kPageStart);
    std::string station = CutAtWord(PageLine(stationLine), 200);
    // The station line must not read as the first period.
    while (!station.empty() && station[0] == '.') {
        station.erase(0, 1);
    }
    page += station.empty() ? std::string("WEATHER STATION") : station;
    page += '\n';
    for (const std::string& line : leadLines) {
        if (page.size() + line.size() + 1 + kPageEnd.size() > kMaxPageBytes) {
            break;
        }
        page += line;
        page += '\n';
    }
    for (const ForecastPeriod& period : periods) {
        const std::string line = PeriodLine(period);
        if (page.size() + line.size() + kPageEnd.size() > kMaxPageBytes) {
            break;
        }
        page += line;
    }
    page += kPageEnd;
    return page;
}

}  // namespace tickwell::live
