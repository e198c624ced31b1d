// The live source against real answers of the weather service, recorded by
// other projects and kept outside this one (../shared/reference/nws/recorded,
// read at test time; see its SOURCES.md and cases.json). Each case's answers
// are moved to this test's "now" and served to a LiveSource; what the
// readouts, the NOW line and the alert lines must show is worked out here
// from the recorded JSON by the rules the program follows, in simple code
// of its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/weather_state.h"
#include "fetch/roundup_parser.h"
#include "live/json_check.h"
#include "live/live_source.h"
#include "live/units.h"

namespace tickwell::live {
namespace {

using nlohmann::json;

const std::string kFolder = TICKWELL_SOURCE_DIR "/../shared/reference/nws/recorded";

// Monday 2026-12-07 20:00:00 UTC: the afternoon across the United States.
constexpr std::int64_t kNow = 1796673600;
// The newest recorded observation of a case is made this old.
constexpr std::int64_t kObservationAge = 20 * 60;

std::optional<json> ReadJson(const std::string& path) {
    std::ifstream file(path);
    if (!file) return std::nullopt;
    std::stringstream text;
    text << file.rdbuf();
    json parsed = json::parse(text.str(), nullptr, false);
    if (parsed.is_discarded()) return std::nullopt;
    return parsed;
}

// --- Time stamps, read and written without the program's own code. ---

std::int64_t Days(int year, int month, int day) {
    year -= month <= 2;
    const int era = year / 400;
    const int yearOfEra = year - era * 400;
    const int dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    return era * 146097LL + yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear - 719468;
}

struct Local {
    int year, month, day, hour, minute, weekday;
};

Local LocalAt(std::int64_t unixSeconds, int offsetMinutes) {
    const std::int64_t seconds = unixSeconds + offsetMinutes * 60LL;
    const std::int64_t days = seconds / 86400 - (seconds % 86400 < 0);
    const std::int64_t rest = seconds - days * 86400;
    // Walk from a known year; tests only meet years near 2026.
    int year = 2000, month = 1;
    while (Days(year + 1, 1, 1) <= days) ++year;
    while (month < 12 && Days(year, month + 1, 1) <= days) ++month;
    const int day = static_cast<int>(days - Days(year, month, 1)) + 1;
    const int weekday = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    return {year,   month, day, static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60),
            weekday};
}

struct Time {
    std::int64_t seconds;
    int offsetMinutes;
};

// "2024-02-20T15:53:00+00:00" and the like; nothing for other text.
std::optional<Time> ReadTime(const std::string& text) {
    int year, month, day, hour, minute, second = 0, offsetHours = 0, offsetMins = 0;
    char sign = 'Z';
    int used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%n", &year, &month, &day, &hour, &minute,
                    &second, &used) != 6) {
        return std::nullopt;
    }
    std::string rest = text.substr(static_cast<std::size_t>(used));
    if (!rest.empty() && rest[0] == '.')
        rest = rest.substr(rest.find_first_not_of("0123456789", 1));
    if (rest != "Z" && (rest.size() != 6 || std::sscanf(rest.c_str(), "%c%2d:%2d", &sign,
                                                        &offsetHours, &offsetMins) != 3)) {
        return std::nullopt;
    }
    const int offset = (offsetHours * 60 + offsetMins) * (sign == '-' ? -1 : 1);
    return Time{(Days(year, month, day) * 24 + hour) * 3600 + minute * 60 + second - offset * 60LL,
                offset};
}

std::string WriteTime(Time time) {
    const Local local = LocalAt(time.seconds, time.offsetMinutes);
    const int offset = std::abs(time.offsetMinutes);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local.year,
                  local.month, local.day, local.hour, local.minute,
                  static_cast<int>(((time.seconds % 60) + 60) % 60),
                  time.offsetMinutes < 0 ? '-' : '+', offset / 60, offset % 60);
    return text;
}

// The recorder's relative stamps: "date:now -1237 seconds", "date:now -4
// hours", "date:now -28837 seconds / P7DT13H", "date:today 06:00:-5 +1 day".
std::optional<std::string> ResolveRelative(const std::string& text) {
    if (text.rfind("date:", 0) != 0) return std::nullopt;
    long amount = 0;
    char unit[16] = {0};
    int hour, minute, offsetHours, days = 0;
    if (std::sscanf(text.c_str(), "date:now %ld %15s", &amount, unit) == 2) {
        const long seconds = std::string(unit) == "hours" ? amount * 3600 : amount;
        const std::size_t slash = text.find(" / ");
        const std::string duration = slash == std::string::npos ? "" : "/" + text.substr(slash + 3);
        return WriteTime({kNow + seconds, 0}) + duration;
    }
    if (std::sscanf(text.c_str(), "date:today %d:%d:%d %d", &hour, &minute, &offsetHours, &days) >=
        3) {
        const Local today = LocalAt(kNow, offsetHours * 60);
        const std::int64_t start = (Days(today.year, today.month, today.day) + days) * 86400 +
                                   hour * 3600 + minute * 60 - offsetHours * 3600LL;
        return WriteTime({start, offsetHours * 60});
    }
    ADD_FAILURE() << "a relative time this test cannot read: " << text;
    return std::nullopt;
}

// Every time stamp of `document` moved: relative ones to this test's now,
// absolute ones by `shift` seconds, each keeping its own offset.
void MoveTimes(json& document, std::int64_t shift) {
    if (document.is_object() || document.is_array()) {
        for (json& child : document) MoveTimes(child, shift);
    } else if (document.is_string()) {
        const std::string& text = document.get_ref<const std::string&>();
        if (auto resolved = ResolveRelative(text)) {
            document = *resolved;
        } else if (auto time = ReadTime(text)) {
            document = WriteTime({time->seconds + shift, time->offsetMinutes});
        }
    }
}

// --- The readings, as the rules say they are taken. ---

// A reading in degrees Celsius, percent, pascals or km/h; nothing when it is
// null, failed the quality control or is in a unit not expected here.
std::optional<double> ValueOf(const json& properties, const char* name) {
    if (!properties.contains(name) || !properties[name].is_object()) return std::nullopt;
    const json& field = properties[name];
    if (!field.contains("value") || !field["value"].is_number()) return std::nullopt;
    const std::string quality = field.value("qualityControl", "");
    if (quality == "X" || quality == "qc:X") return std::nullopt;
    const std::string code = field.value("unitCode", "");
    const std::string unit = code.substr(code.find(':') + 1);
    const double value = field["value"].get<double>();
    if (unit == "m_s-1") return value * 3.6;
    if (unit == "degC" || unit == "percent" || unit == "Pa" || unit == "km_h-1" ||
        unit == "degree_(angle)") {
        return value;
    }
    ADD_FAILURE() << "unit " << code;
    return std::nullopt;
}

// The four readings of one observation, the pressure from its METAR
// altimeter group and the humidity or dew point from the other when missing.
struct Readings {
    std::optional<double> temperature, dewPoint, humidity, pressure;
};

Readings ReadingsOf(const json& properties) {
    Readings readings{ValueOf(properties, "temperature"), ValueOf(properties, "dewpoint"),
                      ValueOf(properties, "relativeHumidity"),
                      ValueOf(properties, "barometricPressure")};
    std::istringstream report(properties.value("rawMessage", ""));
    for (std::string word; !readings.pressure && report >> word && word != "RMK";) {
        if (word.size() == 5 && word[0] == 'A' &&
            word.find_first_not_of("0123456789", 1) == std::string::npos) {
            readings.pressure = std::stoi(word.substr(1)) / 100.0 * kPascalsPerInchOfMercury;
        }
    }
    constexpr double a = 17.625, b = 243.04;
    if (readings.temperature && readings.dewPoint && !readings.humidity) {
        const double t = *readings.temperature, td = *readings.dewPoint;
        readings.humidity = 100 * std::exp(a * td / (b + td)) / std::exp(a * t / (b + t));
    }
    if (readings.temperature && readings.humidity && !readings.dewPoint) {
        const double t = *readings.temperature;
        const double gamma = std::log(*readings.humidity / 100) + a * t / (b + t);
        readings.dewPoint = b * gamma / (a - gamma);
    }
    return readings;
}

int Fahrenheit(double celsius) {
    return static_cast<int>(std::lround(celsius * 1.8 + 32));
}

// --- One recorded case, served. ---

class RecordedService : public platform::HttpsClient {
public:
    platform::HttpsResponse Get(const std::string& url, const std::vector<platform::HttpsHeader>&,
                                std::size_t) override {
        const std::string path = url.substr(std::string("https://api.test").size());
        requested.push_back(path);
        platform::HttpsResponse response;
        response.headers = {{"date", "Mon, 07 Dec 2026 20:00:00 GMT"}};
        for (const auto& [address, body] : bodies) {
            // A path ending in "/" or "?" is a prefix; any other must match.
            const bool prefix = address.back() == '/' || address.back() == '?';
            if (prefix ? path.rfind(address, 0) == 0 : path == address) {
                response.status = 200;
                response.body = body.dump();
                return response;
            }
        }
        response.status = 404;
        response.body = "{}";
        return response;
    }
    void Abort() override {}

    std::vector<std::pair<std::string, json>> bodies;
    std::vector<std::string> requested;
};

class FixedClock : public Clock {
public:
    std::int64_t UnixSeconds() override { return kNow; }
    std::int64_t MonotonicSeconds() override { return kNow; }
    int LocalOffsetMinutes(std::int64_t) override { return 0; }
};

struct Case {
    std::string station;
    // The answers by piece: station, points, forecast or zone, latest,
    // list, alerts.
    std::map<std::string, json> bodies;
    const json* Body(const char* piece) const {
        auto found = bodies.find(piece);
        return found == bodies.end() ? nullptr : &found->second;
    }
};

// The shift of one recording session: its newest observation kObservationAge
// old, else its alerts' update `anchor_age_s` (five minutes unless said)
// before now, else its forecast made half an hour ago; in whole
// `granularity_s`.
std::int64_t GroupShift(const json& pieces, const std::string& group,
                        const std::map<std::string, json>& bodies) {
    auto stamp = [](const json& body, std::initializer_list<const char*> path) {
        const json* at = &body;
        for (const char* key : path) {
            if (!at->contains(key)) return std::optional<Time>();
            at = &(*at)[key];
        }
        return at->is_string() ? ReadTime(at->get<std::string>()) : std::optional<Time>();
    };
    std::optional<Time> anchor;
    std::int64_t age = 0;
    std::int64_t granularity = 1;
    for (const char* name : {"latest", "list", "alerts", "forecast", "zone"}) {
        if (anchor || !pieces.contains(name) || pieces[name].value("group", "") != group ||
            !bodies.count(name)) {
            continue;
        }
        const json& body = bodies.at(name);
        const json& piece = pieces[name];
        granularity = piece.value("granularity_s", 1);
        if (std::string(name) == "latest") {
            anchor = stamp(body, {"properties", "timestamp"});
            age = kObservationAge;
        } else if (std::string(name) == "list" && !body["features"].empty()) {
            anchor = stamp(body["features"][0], {"properties", "timestamp"});
            age = kObservationAge;
        } else if (std::string(name) == "alerts") {
            anchor = stamp(body, {"updated"});
            age = piece.value("anchor_age_s", 300);
        } else {
            anchor = stamp(body, {"properties", "generatedAt"});
            if (!anchor) anchor = stamp(body, {"properties", "updated"});
            age = 30 * 60;
        }
    }
    if (!anchor) return 0;
    const std::int64_t shift = kNow - age - anchor->seconds;
    return shift - ((shift % granularity) + granularity) % granularity;
}

bool NamesZone(const json& feature, const json& zones) {
    const json& ugc = feature["properties"]["geocode"]["UGC"];
    return std::any_of(ugc.begin(), ugc.end(), [&](const json& zone) {
        return std::find(zones.begin(), zones.end(), zone) != zones.end();
    });
}

std::optional<Case> LoadCase(const json& entry) {
    const json& pieces = entry["pieces"];
    std::map<std::string, json> bodies;
    for (const auto& [name, piece] : pieces.items()) {
        if (!piece.contains("file")) continue;
        auto body = ReadJson(kFolder + "/" + piece["file"].get<std::string>());
        if (!body) return std::nullopt;
        if (piece.contains("feature")) body = (*body)["features"][piece["feature"].get<int>()];
        if (piece.contains("filter_ugc")) {
            json kept = json::array();
            for (const json& feature : (*body)["features"]) {
                if (NamesZone(feature, piece["filter_ugc"])) kept.push_back(feature);
            }
            (*body)["features"] = kept;
        }
        bodies[name] = *body;
    }
    if (pieces.contains("list") && pieces["list"].contains("wrap")) {
        bodies["list"] = json{{"type", "FeatureCollection"}, {"features", {bodies["latest"]}}};
    }
    std::map<std::string, std::int64_t> shifts;
    for (const auto& [name, piece] : pieces.items()) {
        if (piece.contains("group") && !shifts.count(piece["group"])) {
            shifts[piece["group"]] = GroupShift(pieces, piece["group"], bodies);
        }
    }
    for (auto& [name, body] : bodies) {
        const json& piece = pieces[name];
        MoveTimes(body, piece.contains("group") ? shifts[piece["group"]] : 0);
    }
    // What was made up for linking, as cases.json says.
    if (pieces["station"].contains("synth")) {
        bodies["station"] = {{"geometry", bodies["latest"]["geometry"]},
                             {"properties", json::object()}};
    }
    if (pieces.contains("points") && pieces["points"].contains("synth")) {
        bodies["points"] = {
            {"properties",
             {{"forecast", "https://api.weather.gov" +
                               pieces["points"]["synth"]["forecast_path"].get<std::string>()}}}};
    }
    if (!bodies.count("alerts")) {
        bodies["alerts"] = {{"type", "FeatureCollection"}, {"features", json::array()}};
    } else if (pieces["alerts"].value("test_alert", false)) {
        // A test message of the kind the service sends now and then.
        json test = bodies["alerts"]["features"][0];
        test["properties"]["status"] = "Test";
        test["properties"]["event"] = "Tsunami Warning";
        test["properties"]["severity"] = "Extreme";
        bodies["alerts"]["features"].push_back(test);
    }
    if (bodies.count("zone")) bodies["forecast"] = bodies["zone"];
    return Case{entry["station"], bodies};
}

// --- What the pages must show. ---

// The current observations, newest first (the latest ahead of its copy).
std::vector<json> CurrentObservations(const Case& test) {
    std::vector<json> all;
    if (const json* latest = test.Body("latest")) all.push_back(*latest);
    if (const json* list = test.Body("list")) {
        for (const json& feature : (*list)["features"]) all.push_back(feature);
    }
    std::vector<std::pair<std::int64_t, json>> current;
    for (const json& feature : all) {
        const auto time = ReadTime(feature["properties"]["timestamp"].get<std::string>());
        if (time && kNow - time->seconds <= 2 * 3600) current.emplace_back(time->seconds, feature);
    }
    std::stable_sort(current.begin(), current.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<json> newestFirst;
    for (auto& [time, feature] : current) newestFirst.push_back(feature);
    return newestFirst;
}

std::string Clock12(const Local& local) {
    char text[16];
    std::snprintf(text, sizeof text, "%d:%02d %s", local.hour % 12 == 0 ? 12 : local.hour % 12,
                  local.minute, local.hour < 12 ? "AM" : "PM");
    return text;
}

const char* const kDays[] = {"SUNDAY",   "MONDAY", "TUESDAY", "WEDNESDAY",
                             "THURSDAY", "FRIDAY", "SATURDAY"};

std::string Capitals(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

// The forecast periods left once those that ended are taken out.
std::vector<json> PeriodsInForce(const Case& test) {
    std::vector<json> periods;
    if (!test.Body("forecast")) return periods;
    for (const json& period : (*test.Body("forecast"))["properties"]["periods"]) {
        const auto end = ReadTime(period.value("endTime", ""));
        if ((!end || end->seconds > kNow) && !period.value("detailedForecast", "").empty()) {
            periods.push_back(period);
        }
    }
    return periods;
}

// ".NOW...HAZE. 81 DEGREES. WEST WIND 9 MPH. NO DEW POINT OR HUMIDITY
// REPORTED. OBSERVED 3:39 PM."
std::string ExpectedNowLine(const Case& test, const Readings& shown, const json& base) {
    const json& properties = base["properties"];
    std::string line = ".NOW...";
    if (!properties.value("textDescription", "").empty()) {
        line += Capitals(properties["textDescription"]) + ". ";
    }
    line += std::to_string(Fahrenheit(*shown.temperature)) + " DEGREES. ";
    if (auto speed = ValueOf(properties, "windSpeed")) {
        const long mph = std::lround(*speed / 1.609344);
        if (*speed / 1.609344 < 1) {
            line += "CALM WIND. ";
        } else {
            static const char* const kPoints[] = {"NORTH", "NORTHEAST", "EAST", "SOUTHEAST",
                                                  "SOUTH", "SOUTHWEST", "WEST", "NORTHWEST"};
            auto direction = ValueOf(properties, "windDirection");
            line +=
                direction ? kPoints[static_cast<int>((*direction + 22.5) / 45) % 8] : "VARIABLE";
            line += " WIND " + std::to_string(mph) + " MPH";
            if (auto gust = ValueOf(properties, "windGust"); gust && *gust / 1.609344 >= 1) {
                line += ", GUSTS " + std::to_string(std::lround(*gust / 1.609344));
            }
            line += ". ";
        }
    }
    std::vector<std::string> missing;
    if (!shown.dewPoint) missing.push_back("DEW POINT");
    if (!shown.humidity) missing.push_back("HUMIDITY");
    if (!shown.pressure) missing.push_back("PRESSURE");
    if (!missing.empty()) {
        line += "NO " + missing[0];
        for (std::size_t i = 1; i < missing.size(); ++i) {
            line += (i + 1 == missing.size() ? " OR " : ", ") + missing[i];
        }
        line += " REPORTED. ";
    }
    // The station's offset from the forecast's own times.
    const auto observed = ReadTime(properties["timestamp"].get<std::string>());
    std::optional<int> offset;
    for (const json& period : PeriodsInForce(test)) {
        const auto start = ReadTime(period.value("startTime", ""));
        if (start && (!offset || start->seconds <= observed->seconds))
            offset = start->offsetMinutes;
    }
    line += "OBSERVED " + Clock12(LocalAt(observed->seconds, offset.value_or(0)));
    return line + (offset ? "." : " UTC.");
}

int SeverityRank(const std::string& severity) {
    const std::vector<std::string> order = {"Extreme", "Severe", "Moderate"};
    return static_cast<int>(std::find(order.begin(), order.end(), severity) - order.begin());
}

// The alert lines: actual alerts in force, most severe and earliest first,
// each line once, five at most.
std::vector<std::string> ExpectedAlertLines(const Case& test) {
    struct Shown {
        int rank;
        std::int64_t onset;
        std::string line;
    };
    std::vector<Shown> shown;
    auto timeOf = [](const json& properties, const char* name) {
        return properties[name].is_string() ? ReadTime(properties[name]) : std::nullopt;
    };
    for (const json& feature : (*test.Body("alerts"))["features"]) {
        const json& properties = feature["properties"];
        const auto endTime = timeOf(properties, "ends");
        const auto expires = timeOf(properties, "expires");
        if (properties.value("status", "") != "Actual" ||
            (endTime ? endTime->seconds <= kNow : expires && expires->seconds <= kNow)) {
            continue;
        }
        std::string line = "." + Capitals(properties["event"]) + "...";
        if (endTime) {
            const Local local = LocalAt(endTime->seconds, endTime->offsetMinutes);
            std::string words;
            if (local.hour == 0 && local.minute == 0) {
                words = std::string("MIDNIGHT ") + kDays[(local.weekday + 6) % 7] + " NIGHT";
            } else {
                words = local.hour == 12 && local.minute == 0 ? "NOON" : Clock12(local);
                if (local.minute == 0 && words != "NOON") words.erase(words.find(":00"), 3);
                words += std::string(" ") + kDays[local.weekday];
            }
            line += "UNTIL " + words + ".";
        } else {
            line += "IN EFFECT.";
        }
        auto onset = timeOf(properties, "onset");
        if (!onset) onset = timeOf(properties, "effective");
        shown.push_back({SeverityRank(properties.value("severity", "")),
                         onset ? onset->seconds : INT64_MAX, line});
    }
    std::stable_sort(shown.begin(), shown.end(), [](const Shown& a, const Shown& b) {
        return a.rank != b.rank ? a.rank < b.rank : a.onset < b.onset;
    });
    std::vector<std::string> lines;
    for (const Shown& alert : shown) {
        if (lines.size() < 5 && std::find(lines.begin(), lines.end(), alert.line) == lines.end()) {
            lines.push_back(alert.line);
        }
    }
    return lines;
}

TEST(LiveRecorded, EachRecordedStationShowsWhatItsAnswersHold) {
    const auto cases = ReadJson(kFolder + "/cases.json");
    if (!cases) GTEST_SKIP() << "no recorded answers at " << kFolder;
    int checked = 0;
    for (const json& entry : (*cases)["cases"]) {
        SCOPED_TRACE(entry["id"].get<std::string>());
        const auto test = LoadCase(entry);
        ASSERT_TRUE(test) << "a recorded file is missing";
        auto service = std::make_unique<RecordedService>();
        RecordedService& served = *service;
        const std::string station = "/stations/" + test->station;
        // Each piece at the address the program asks for it; none: 404.
        const std::vector<std::pair<const char*, std::string>> addresses = {
            {"station", station},
            {"latest", station + "/observations/latest"},
            {"list", station + "/observations?limit=10"},
            {"points", "/points/"},
            {"forecast", "/gridpoints/"},
            {"zone", "/zones/forecast/"},
            {"alerts", "/alerts/active?"}};
        for (const auto& [piece, address] : addresses) {
            if (const json* body = test->Body(piece)) served.bodies.push_back({address, *body});
        }
        FixedClock clock;
        LiveSource source(std::move(service), clock, LiveOptions{"https://api.test", "", 60},
                          test->station);

        // The readouts: each reading from the newest current observation
        // that has it; a row only with all four.
        const std::vector<json> current = CurrentObservations(*test);
        Readings shown;
        const json* base = nullptr;
        for (const json& feature : current) {
            const Readings readings = ReadingsOf(feature["properties"]);
            if (!base && readings.temperature) base = &feature;
            if (!shown.temperature) shown.temperature = readings.temperature;
            if (!shown.dewPoint) shown.dewPoint = readings.dewPoint;
            if (!shown.humidity) shown.humidity = readings.humidity;
            if (!shown.pressure) shown.pressure = readings.pressure;
        }
        const auto roundup = source.RoundupPage();
        ASSERT_EQ(roundup.has_value(), test->Body("latest") != nullptr);
        if (roundup) {
            const bool complete =
                shown.temperature && shown.dewPoint && shown.humidity && shown.pressure;
            ASSERT_EQ(ParseRoundup(roundup->c_str()), complete) << *roundup;
            if (complete) {
                EXPECT_EQ(weatherState.temperature, Fahrenheit(*shown.temperature));
                EXPECT_EQ(weatherState.dewPoint, Fahrenheit(*shown.dewPoint));
                EXPECT_EQ(weatherState.relativeHumidity,
                          std::min(100L, std::lround(*shown.humidity)));
                EXPECT_NEAR(weatherState.pressure,
                            std::round(*shown.pressure / kPascalsPerInchOfMercury * 100) / 100,
                            1e-9);
                EXPECT_NE(roundup->find("  " + test->station + "\n"), std::string::npos);
            }
        }

        // The head of the forecast: alerts, then the NOW line, then the
        // first period still in force.
        const std::vector<json> periods = PeriodsInForce(*test);
        if (periods.empty()) continue;
        const auto page = source.ForecastPage();
        ASSERT_TRUE(page);
        std::string head;
        for (const std::string& line : ExpectedAlertLines(*test)) head += line + "\n";
        if (base) head += ExpectedNowLine(*test, shown, *base) + "\n";
        head += "." + Capitals(periods[0]["name"]) + "...";
        EXPECT_NE(page->find(")\n" + head), std::string::npos) << "expected:\n"
                                                               << head << "\nin:\n"
                                                               << *page;
        for (const std::string& path : served.requested) {
            if (path.rfind("/alerts/", 0) == 0) {
                EXPECT_EQ(path.rfind("/alerts/active?status=actual&point=", 0), 0u) << path;
            }
        }
        ++checked;
    }
    EXPECT_GE(checked, 10);
}

// Every recorded answer passes its endpoint's limits with room to spare:
// a quarter of each limit still takes it.
TEST(LiveRecorded, EveryRecordedAnswerIsWellWithinItsLimits) {
    const std::map<std::string, Endpoint> folders = {
        {"stations", Endpoint::Station},
        {"points", Endpoint::Points},
        {"forecasts", Endpoint::GridForecast},
        {"zone-forecasts", Endpoint::ZoneForecast},
        {"observations", Endpoint::LatestObservation},
        {"observation-lists", Endpoint::ObservationList},
        {"alerts", Endpoint::Alerts}};
    if (!std::filesystem::is_directory(kFolder))
        GTEST_SKIP() << "no recorded answers at " << kFolder;
    int checked = 0;
    for (const auto& [folder, endpoint] : folders) {
        AnswerLimits quarter = LimitsOf(endpoint);
        quarter.maxBodyBytes /= 4;
        quarter.maxValues /= 4;
        quarter.maxDepth /= 4;
        for (const auto& entry : std::filesystem::directory_iterator(kFolder + "/" + folder)) {
            std::ifstream file(entry.path());
            std::stringstream text;
            text << file.rdbuf();
            EXPECT_TRUE(JsonWithinLimits(text.str(), quarter)) << entry.path();
            ++checked;
        }
    }
    EXPECT_GE(checked, 40);
}

}  // namespace
}  // namespace tickwell::live
