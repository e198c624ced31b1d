#include "live/now_line.h"

#include <cmath>

#include "live/alerts.h"
#include "live/page_text.h"
#include "live/roundup_page.h"
#include "live/words.h"

namespace tickwell::live {

namespace {

// "NORTHWEST WIND 15 MPH, GUSTS 25.", "CALM WIND.", or empty.
std::string WindSentence(const Observation& observation, WindUnit unit) {
    const std::optional<WindMph> wind = WindInUnit(observation, unit);
    if (!wind) {
        return std::string();
    }
    if (wind->speed == 0) {
        return "CALM WIND.";
    }
    std::string text(observation.windDirectionDegrees
                         ? CompassDirection(*observation.windDirectionDegrees)
                         : std::string_view("VARIABLE"));
    text += " WIND " + std::to_string(wind->speed) + " " + WindUnitText(unit);
    if (wind->gust) {
        text += ", GUSTS " + std::to_string(*wind->gust);
    }
    return text + ".";
}

// "8 DEGREES." in Fahrenheit as the ticker always said it; "8 DEGREES
// CELSIUS." otherwise.
std::string TemperatureSentence(double celsius, TemperatureUnit unit) {
    std::string text = std::to_string(TemperatureReading(unit, celsius)) + " DEGREES";
    if (unit == TemperatureUnit::Celsius) {
        text += " CELSIUS";
    }
    return text + ".";
}

std::string Stamp(std::int64_t time, const std::optional<int>& offsetMinutes, bool withDay,
                  ClockStyle clock) {
    const TimeStamp stamp{time, offsetMinutes.value_or(0)};
    std::string text;
    if (withDay) {
        // "9:53 AM MONDAY".
        text = ClockTime(stamp, clock) + " ";
        text += DayName(ToLocalTime(time, stamp.offsetMinutes).weekday);
    } else {
        text = ClockTime(stamp, clock);
    }
    return offsetMinutes ? text : text + " UTC";
}

}  // namespace

std::string NowLine(const std::optional<Observation>& current,
                    const std::optional<Observation>& lastSeen,
                    const std::optional<int>& offsetMinutes, const Units& units) {
    if (!current) {
        if (!lastSeen) {
            return std::string();
        }
        return ".NOW...NO CURRENT OBSERVATION. THE LAST WAS TAKEN " +
               Stamp(lastSeen->time, offsetMinutes, true, units.clock) + ".";
    }
    std::string line = ".NOW...";
    const std::string sky = CutAtWord(PageLine(current->description), 60);
    if (!sky.empty()) {
        line += sky + ". ";
    }
    if (current->temperatureC) {
        line += TemperatureSentence(*current->temperatureC, units.temperature) + " ";
    }
    const std::string wind = WindSentence(*current, units.wind);
    if (!wind.empty()) {
        line += wind + " ";
    }
    const std::string missing = MissingReadingsSentence(*current);
    if (!missing.empty()) {
        line += missing + " ";
    }
    return line + "OBSERVED " + Stamp(current->time, offsetMinutes, false, units.clock) +
           NearbySentence(*current, units);
}

std::string NearbySentence(const Observation& observation, const Units& units) {
    if (!observation.nearby) {
        return ".";
    }
    const NearbySource& source = *observation.nearby;
    const std::string distance = DistancesInKilometres(units)
                                     ? std::to_string(source.kilometres) + " KM"
                                     : std::to_string(source.miles) + " MI";
    const std::string where = "AT " + source.stationId + " " + distance + " AWAY.";
    if (source.whole) {
        return " " + where;
    }
    std::vector<const char*> taken;
    if (source.dewPoint) taken.push_back("DEW POINT");
    if (source.humidity) taken.push_back("HUMIDITY");
    if (source.pressure) taken.push_back("PRESSURE");
    std::string sentence = ".";
    for (std::size_t i = 0; i < taken.size(); ++i) {
        sentence += i == 0 ? " " : i + 1 == taken.size() ? " AND " : ", ";
        sentence += taken[i];
    }
    return sentence + " " + where;
}

std::string MissingReadingsSentence(const Observation& observation) {
    std::vector<const char*> missing;
    if (!observation.dewPointC) missing.push_back("DEW POINT");
    if (!observation.humidityPercent) missing.push_back("HUMIDITY");
    if (!observation.pressurePa) missing.push_back("PRESSURE");
    if (missing.empty()) {
        return std::string();
    }
    std::string sentence = "NO ";
    for (std::size_t i = 0; i < missing.size(); ++i) {
        if (i > 0) {
            sentence += i + 1 == missing.size() ? " OR " : ", ";
        }
        sentence += missing[i];
    }
    return sentence + " REPORTED.";
}

std::string WithLocationHint(const std::string& nowLine) {
    if (nowLine.empty()) {
        return ".NOW..." + std::string(kLocationHint);
    }
    return nowLine + " " + std::string(kLocationHint);
}

std::optional<int> OffsetAt(std::int64_t time, const std::vector<ForecastPeriod>& periods) {
    std::optional<int> offset;
    std::optional<std::int64_t> latestStart;
    for (const ForecastPeriod& period : periods) {
        if (!period.start) {
            continue;
        }
        if (!offset) {
            offset = period.start->offsetMinutes;  // the first, unless a later one fits
        }
        if (period.start->unixSeconds <= time &&
            (!latestStart || period.start->unixSeconds >= *latestStart)) {
            latestStart = period.start->unixSeconds;
            offset = period.start->offsetMinutes;
        }
    }
    return offset;
}

}  // namespace tickwell::live
