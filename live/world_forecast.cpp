#include "live/world_forecast.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>

#include "live/json_fields.h"
#include "live/words.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

constexpr std::int64_t kHour = 3600;
constexpr std::int64_t kDay = 24 * kHour;

// One entry of the time series, in the service's units.
struct Point {
    std::int64_t time = 0;
    std::optional<double> temperatureC;
    std::optional<double> windMs;
    std::optional<double> windFrom;
    // The summaries of the next 1, 6 and 12 hours: symbol and amount.
    std::array<std::string, 3> symbol;
    std::array<std::optional<double>, 3> precipitationMm;
};

constexpr std::array<std::int64_t, 3> kSpans = {1 * kHour, 6 * kHour, 12 * kHour};
constexpr std::array<const char*, 3> kSpanNames = {"next_1_hours", "next_6_hours", "next_12_hours"};

std::optional<double> Detail(const json* details, const char* name, double low, double high) {
    if (details == nullptr) {
        return std::nullopt;
    }
    const auto found = details->find(name);
    if (found == details->end() || !found->is_number()) {
        return std::nullopt;
    }
    const double value = found->get<double>();
    return value >= low && value <= high ? std::optional(value) : std::nullopt;
}

std::vector<Point> ReadPoints(const json& answer) {
    std::vector<Point> points;
    const json* properties = ObjectField(answer, "properties");
    const json* series = properties ? ArrayField(*properties, "timeseries") : nullptr;
    if (series == nullptr) {
        return points;
    }
    for (const json& entry : *series) {
        const std::optional<TimeStamp> time = TimeField(entry, "time");
        const json* data = ObjectField(entry, "data");
        if (!time || data == nullptr) {
            continue;
        }
        Point point;
        point.time = time->unixSeconds;
        const json* instant = ObjectField(*data, "instant");
        const json* now = instant ? ObjectField(*instant, "details") : nullptr;
        point.temperatureC = Detail(now, "air_temperature", -90, 65);
        point.windMs = Detail(now, "wind_speed", 0, 150);
        point.windFrom = Detail(now, "wind_from_direction", 0, 360);
        for (std::size_t s = 0; s < kSpans.size(); ++s) {
            const json* next = ObjectField(*data, kSpanNames[s]);
            if (next == nullptr) {
                continue;
            }
            const json* summary = ObjectField(*next, "summary");
            point.symbol[s] = summary ? StringField(*summary, "symbol_code") : std::string();
            point.precipitationMm[s] =
                Detail(ObjectField(*next, "details"), "precipitation_amount", 0, 1000);
        }
        points.push_back(std::move(point));
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const Point& a, const Point& b) { return a.time < b.time; });
    return points;
}

// The code less its "_day", "_night" or "_polartwilight".
std::string_view BaseSymbol(std::string_view code) {
    return code.substr(0, code.find('_'));
}

bool IsPrecipitation(std::string_view base) {
    for (std::string_view word : {"rain", "sleet", "snow", "thunder"}) {
        if (base.find(word) != std::string_view::npos) {
            return true;
        }
    }
    return false;
}

// What one period's points say.
struct PeriodWeather {
    std::optional<double> low;
    std::optional<double> high;
    std::optional<double> windMinMs;
    std::optional<double> windMaxMs;
    std::optional<double> windFrom;  // at the strongest wind
    double precipitationMm = 0;
    bool anyPrecipitationAmount = false;
    // Hours of each base symbol.
    std::map<std::string, std::int64_t, std::less<>> skyHours;
    std::map<std::string, std::int64_t, std::less<>> precipitationHours;
};

// The instants in [start, end) give the temperatures and the wind; the
// summaries that begin in it, taken one after the other without overlap
// (the hourly ones where there are, else the 6- or 12-hour ones), give
// the sky and the amount.
PeriodWeather Summarise(const std::vector<Point>& points, std::int64_t start, std::int64_t end) {
    PeriodWeather w;
    std::int64_t covered = start;
    for (const Point& p : points) {
        if (p.time < start || p.time >= end) {
            continue;
        }
        if (p.temperatureC) {
            w.low = std::min(w.low.value_or(*p.temperatureC), *p.temperatureC);
            w.high = std::max(w.high.value_or(*p.temperatureC), *p.temperatureC);
        }
        if (p.windMs) {
            w.windMinMs = std::min(w.windMinMs.value_or(*p.windMs), *p.windMs);
            if (!w.windMaxMs || *p.windMs > *w.windMaxMs) {
                w.windMaxMs = p.windMs;
                w.windFrom = p.windFrom;
            }
        }
        if (p.time < covered) {
            continue;
        }
        for (std::size_t s = 0; s < kSpans.size(); ++s) {
            if (p.symbol[s].empty() && !p.precipitationMm[s]) {
                continue;
            }
            const std::int64_t hours = (std::min(p.time + kSpans[s], end) - p.time) / kHour;
            const std::string_view base = BaseSymbol(p.symbol[s]);
            if (!base.empty()) {
                auto& hoursOf = IsPrecipitation(base) ? w.precipitationHours : w.skyHours;
                hoursOf[std::string(base)] += std::max<std::int64_t>(hours, 1);
            }
            if (p.precipitationMm[s]) {
                w.precipitationMm += *p.precipitationMm[s];
                w.anyPrecipitationAmount = true;
            }
            covered = p.time + kSpans[s];
            break;
        }
    }
    return w;
}

std::string Dominant(const std::map<std::string, std::int64_t, std::less<>>& hours) {
    std::string best;
    std::int64_t most = 0;
    for (const auto& [symbol, count] : hours) {
        if (count > most) {
            best = symbol;
            most = count;
        }
    }
    return best;
}

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string WholeNumber(double value) {
    return std::to_string(RoundReading(value));
}

// The commonest sky, with the commonest precipitation when there is any.
std::string ConditionWords(const PeriodWeather& w, bool day) {
    const std::string sky = Dominant(w.skyHours);
    const std::string precipitation = Dominant(w.precipitationHours);
    const std::string skyText =
        sky.empty() ? std::string() : SymbolWords(sky + (day ? "_day" : "_night"));
    std::string text;
    if (!skyText.empty() && !precipitation.empty()) {
        text = skyText + ", with " + Lower(SymbolWords(precipitation));
    } else if (!precipitation.empty()) {
        text = SymbolWords(precipitation);
    } else {
        text = skyText;
    }
    return text.empty() ? text : text + ". ";
}

std::string WindWords(const PeriodWeather& w, const Units& units) {
    if (!w.windMaxMs) {
        return {};
    }
    const auto inUnit = [&](double ms) {
        return RoundReading(WindIn(units.wind, MetresPerSecondToKilometresPerHour(ms)));
    };
    const int low = inUnit(*w.windMinMs);
    const int high = inUnit(*w.windMaxMs);
    if (high == 0) {
        return "Calm wind. ";
    }
    std::string text;
    if (w.windFrom) {
        std::string direction(CompassDirection(*w.windFrom));
        text = direction.substr(0, 1) + Lower(direction.substr(1)) + " wind ";
    } else {
        text = "Wind ";
    }
    text += low == high ? "around " + std::to_string(high)
                        : std::to_string(low) + " to " + std::to_string(high);
    return text + " " + WindUnitText(units.wind) + ". ";
}

std::string PeriodText(const PeriodWeather& w, bool day, const Units& units) {
    std::string text = ConditionWords(w, day);
    const std::optional<double> temperature = day ? w.high : w.low;
    if (temperature) {
        text += day ? "High near " : "Low around ";
        text += WholeNumber(TemperatureIn(units.temperature, *temperature));
        text += ". ";
    }
    text += WindWords(w, units);
    if (w.anyPrecipitationAmount && w.precipitationMm >= 0.05) {
        text += "Precipitation " + PrecipitationText(w.precipitationMm, units) + ". ";
    }
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// Local wall-clock seconds (as if UTC) for `utc`, and back.
std::int64_t LocalOf(std::int64_t utc, const ZoneOffset& offset) {
    return utc + offset(utc);
}

std::int64_t UtcOf(std::int64_t local, const ZoneOffset& offset) {
    const std::int64_t guess = local - offset(local);
    return local - offset(guess);
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

std::string SymbolWords(std::string_view code) {
    const std::string_view base = BaseSymbol(code);
    const bool night = code.find("_night") != std::string_view::npos ||
                       code.find("_polartwilight") != std::string_view::npos;
    if (base == "clearsky") return night ? "Clear" : "Sunny";
    if (base == "fair") return night ? "Mostly clear" : "Mostly sunny";
    if (base == "partlycloudy") return "Partly cloudy";
    if (base == "cloudy") return "Cloudy";
    if (base == "fog") return "Fog";
    // The others are words run together: "heavysleetshowersandthunder";
    // MET Norway spells two of them "lightssleet..." and "lightssnow...".
    static constexpr std::string_view kWords[] = {"lights", "light",   "heavy", "rain",   "sleet",
                                                  "snow",   "showers", "and",   "thunder"};
    std::string words;
    std::string_view rest = base;
    while (!rest.empty()) {
        bool found = false;
        for (std::string_view word : kWords) {
            if (rest.starts_with(word)) {
                words += words.empty() ? "" : " ";
                words += word == "lights" ? "light" : word;
                rest.remove_prefix(word == "lights" ? 6 : word.size());
                found = true;
                break;
            }
        }
        if (!found) {
            return {};
        }
    }
    if (!words.empty()) {
        words[0] = static_cast<char>(words[0] - 'a' + 'A');
    }
    return words;
}

std::string PrecipitationText(double millimetres, const Units& units) {
    char text[32];
    if (units.temperature == TemperatureUnit::Fahrenheit) {
        std::snprintf(text, sizeof text, "%.2f in", millimetres / 25.4);
    } else {
        std::snprintf(text, sizeof text, "%.1f mm", millimetres);
    }
    return text;
}

std::vector<ForecastPeriod> MetNorwayPeriods(const json& answer, std::int64_t now,
                                             const ZoneOffset& offset, const Units& units) {
    std::vector<ForecastPeriod> periods;
    const std::vector<Point> points = ReadPoints(answer);
    if (points.empty()) {
        return periods;
    }
    // The period `now` falls in: local times in seconds, 06:00 and 18:00
    // of a local day its bounds.
    const std::int64_t local = LocalOf(now, offset);
    const std::int64_t midnight = FloorDiv(local, kDay) * kDay;
    const std::int64_t hour = (local - midnight) / kHour;
    std::int64_t start = hour < 6    ? midnight - 6 * kHour
                         : hour < 18 ? midnight + 6 * kHour
                                     : midnight + 18 * kHour;
    for (int n = 0; n < 2 * kForecastDays + 1; ++n, start += 12 * kHour) {
        const std::int64_t localEnd = start + 12 * kHour;
        const std::int64_t utcStart = UtcOf(start, offset);
        const std::int64_t utcEnd = UtcOf(localEnd, offset);
        const bool day = FloorDiv(start, kHour) % 24 == 6;
        // The current period from the current hour on.
        const std::int64_t from = n == 0 ? std::max(utcStart, now - now % kHour) : utcStart;
        const PeriodWeather weather = Summarise(points, from, utcEnd);
        if (!weather.low) {
            if (n == 0) continue;  // the answer starts with the next period
            break;
        }
        // Today's day and the night that begins today go by those names,
        // the night that began last evening (before 06:00) is "Overnight";
        // the others go by their weekday (1970-01-01 was a Thursday).
        const std::int64_t date = FloorDiv(start, kDay);
        const std::int64_t today = FloorDiv(local, kDay);
        std::string name;
        if (day && date == today) {
            name = "Today";
        } else if (!day && date == today) {
            name = "Tonight";
        } else if (!day && date == today - 1) {
            name = "Overnight";
        } else {
            const std::string dayName(DayName(static_cast<int>((date + 4) % 7)));
            name = dayName.substr(0, 1) + Lower(dayName.substr(1)) + (day ? "" : " Night");
        }
        if (periods.size() >= 2 * kForecastDays) {
            break;
        }
        const int startOffset = offset(utcStart) / 60;
        const int endOffset = offset(utcEnd) / 60;
        periods.push_back(ForecastPeriod{name, PeriodText(weather, day, units),
                                         TimeStamp{utcStart, startOffset},
                                         TimeStamp{utcEnd, endOffset}});
    }
    return periods;
}

}  // namespace tickwell::live
