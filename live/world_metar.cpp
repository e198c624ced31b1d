#include "live/world_metar.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

#include "live/humidity.h"
#include "live/json_fields.h"
#include "live/time_text.h"
#include "live/units.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

std::optional<double> Number(const json& report, const char* name, double low, double high) {
    const auto found = report.find(name);
    if (found == report.end() || !found->is_number()) {
        return std::nullopt;
    }
    const double value = found->get<double>();
    if (!(value >= low && value <= high)) {
        return std::nullopt;
    }
    return value;
}

// obsTime in Unix seconds; failing that, reportTime in either shape
// ("2026-08-21T07:00:00.000Z", "2023-10-27 15:30:00", both UTC).
std::optional<std::int64_t> ReportTime(const json& report) {
    if (const auto seconds = Number(report, "obsTime", 0, 1e11)) {
        return static_cast<std::int64_t>(*seconds);
    }
    std::string text = StringField(report, "reportTime");
    if (text.size() == 19 && text[10] == ' ') {
        text[10] = 'T';
        text += 'Z';
    }
    const std::optional<TimeStamp> stamp = ParseIsoTime(text);
    return stamp ? std::optional(stamp->unixSeconds) : std::nullopt;
}

// A two-letter code of the present weather, with the words it reads as,
// strongest first: the first found in `wxString` names the weather.
constexpr std::pair<std::string_view, std::string_view> kWeatherWords[] = {
    {"TS", "Thunderstorm"}, {"FZRA", "Freezing Rain"},
    {"SN", "Snow"},         {"SG", "Snow"},
    {"PL", "Sleet"},        {"GR", "Hail"},
    {"GS", "Hail"},         {"RA", "Rain"},
    {"DZ", "Drizzle"},      {"FG", "Fog"},
    {"BR", "Mist"},         {"HZ", "Haze"},
    {"FU", "Smoke"},        {"DU", "Dust"},
    {"SA", "Sand"},         {"SQ", "Squalls"},
};

constexpr std::pair<std::string_view, std::string_view> kCoverWords[] = {
    {"CAVOK", "Clear"},       {"CLR", "Clear"},         {"SKC", "Clear"},
    {"NCD", "Clear"},         {"NSC", "Mostly Clear"},  {"FEW", "Mostly Clear"},
    {"SCT", "Partly Cloudy"}, {"BKN", "Mostly Cloudy"}, {"OVC", "Overcast"},
    {"OVX", "Obscured"},
};

}  // namespace

std::string MetarDescription(const json& report) {
    const std::string weather = StringField(report, "wxString");
    for (const auto& [code, words] : kWeatherWords) {
        if (weather.find(code) != std::string::npos) {
            const bool light = weather.starts_with("-");
            const bool heavy = weather.starts_with("+");
            return std::string(light ? "Light " : heavy ? "Heavy " : "") + std::string(words);
        }
    }
    const std::string cover = StringField(report, "cover");
    for (const auto& [code, words] : kCoverWords) {
        if (cover == code) {
            return std::string(words);
        }
    }
    return {};
}

std::vector<MetarReport> ParseMetarReports(const json& answer) {
    std::vector<MetarReport> reports;
    if (!answer.is_array()) {
        return reports;
    }
    for (const json& report : answer) {
        if (!report.is_object()) {
            continue;
        }
        MetarReport parsed;
        parsed.id = StringField(report, "icaoId");
        const std::optional<std::int64_t> time = ReportTime(report);
        if (parsed.id.empty() || !time) {
            continue;
        }
        Observation& o = parsed.observation;
        o.time = *time;
        o.description = MetarDescription(report);
        o.temperatureC = Number(report, "temp", -90, 65);
        o.dewPointC = Number(report, "dewp", -100, 65);
        if (o.temperatureC && o.dewPointC && *o.dewPointC <= *o.temperatureC + 0.5) {
            o.humidityPercent = HumidityFromDewPoint(*o.temperatureC, *o.dewPointC);
        } else {
            o.dewPointC.reset();
        }
        if (const auto hectopascals = Number(report, "altim", 800, 1100)) {
            o.pressurePa = *hectopascals * 100.0;
        }
        // "VRB" is a string: a wind without a direction.
        o.windDirectionDegrees = Number(report, "wdir", 0, 360);
        if (const auto knots = Number(report, "wspd", 0, 250)) {
            o.windSpeedKmh = KnotsToKilometresPerHour(*knots);
        }
        if (const auto knots = Number(report, "wgst", 0, 300)) {
            o.windGustKmh = KnotsToKilometresPerHour(*knots);
        }
        reports.push_back(std::move(parsed));
    }
    return reports;
}

std::optional<MetarReport> ChooseMetar(const std::vector<MetarReport>& reports,
                                       const std::vector<std::string>& byNearness,
                                       std::int64_t now) {
    for (const std::string& id : byNearness) {
        // The newest report of the station, as an answer over several
        // hours holds several.
        const MetarReport* newest = nullptr;
        for (const MetarReport& report : reports) {
            if (report.id == id && !IsFuture(report.observation, now) &&
                (!newest || report.observation.time > newest->observation.time)) {
                newest = &report;
            }
        }
        if (newest && IsCurrent(newest->observation, now) && newest->observation.temperatureC) {
            return *newest;
        }
    }
    return std::nullopt;
}

}  // namespace tickwell::live
