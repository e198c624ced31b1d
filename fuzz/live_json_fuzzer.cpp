// Feeds arbitrary bytes, read as JSON, to every reader of the weather
// service's answers, builds the two pages from whatever they accept, and
// hands the roundup page to the roundup parser, as the live source does.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/weather_state.h"
#include "fetch/roundup_parser.h"
#include "fuzz/page_input.h"
#include "live/alert_messages.h"
#include "live/alerts.h"
#include "live/forecast_page.h"
#include "live/json_check.h"
#include "live/nearby_stations.h"
#include "live/now_line.h"
#include "live/observation.h"
#include "live/roundup_page.h"
#include "live/station.h"
#include "live/warning_watch.h"
#include "live/world_forecast.h"
#include "live/world_metar.h"

namespace {

using namespace tickwell;
using namespace tickwell::live;

// A fixed "now" near the observations the seeds carry, so the age rules
// take both branches.
constexpr std::int64_t kNow = 1714497600;  // 2024-04-30 17:20 UTC

void CheckRoundupPage(const std::optional<Observation>& current, const Units& units) {
    const std::string page = BuildRoundupPage(current, "KXYZ", units);
    if (page.size() >= kTextBufferSize) std::abort();
    std::vector<char> text(page.begin(), page.end());
    text.push_back('\0');
    weatherState.busy = true;
    const bool stored = ParseRoundup(text.data());
    // A current observation with all four readings always makes a row the
    // parser reads, and anything else never does: no made-up readings.
    if (stored != (current.has_value() && current->HasReadings())) std::abort();
}

// The warnings' rules on whatever messages the answer holds: notices in
// valid UTF-8 on lines of their own, and a memory that reads back as it
// was written, within its bound.
void CheckWarnings(const nlohmann::json& body) {
    const std::optional<std::vector<AlertMessage>> messages = ParseAlertMessages(body);
    if (!messages) return;
    WarningWatch watch;
    for (std::int64_t now : {kNow, kNow + 3600, kNow + 86400}) {
        for (const NoticeAction& action : watch.Take(*messages, now)) {
            if (action.kind == NoticeAction::Kind::Close) continue;
            if (action.content.summary.empty() ||
                OneLine(action.content.summary) != action.content.summary) {
                std::abort();
            }
            std::size_t start = 0;
            while (start <= action.content.body.size()) {
                const std::size_t end = action.content.body.find('\n', start);
                const std::string line = action.content.body.substr(start, end - start);
                if (line.empty() || OneLine(line) != line) std::abort();
                if (end == std::string::npos) break;
                start = end + 1;
            }
        }
        if (watch.Known().size() > kMaxWarningsKept) std::abort();
        const std::string text = WarningsText(watch.Known());
        bool damaged = true;
        const std::vector<KnownWarning> read = ParseWarningsText(text, &damaged);
        if (damaged || WarningsText(read) != text) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::PrepareWeatherState();
    const nlohmann::json body =
        nlohmann::json::parse(data, data + size, nullptr, /*allow_exceptions=*/false);
    // The check before the parse takes only what the parser takes, and,
    // with room enough, everything it takes.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int anyDepth = static_cast<int>(std::min<std::size_t>(size + 1, 1 << 30));
    if (JsonWithinLimits(text, {size, size + 1, kMaxJsonDepth, 0}) && body.is_discarded()) {
        std::abort();
    }
    if (!body.is_discarded() && !JsonWithinLimits(text, {size, size + 1, anyDepth, 0})) {
        std::abort();
    }

    const std::optional<Station> station = ParseStation(body, "KXYZ");
    const std::vector<ForecastPeriod> periods = WithoutEnded(ParsePeriods(body), kNow);
    const std::optional<Observation> latest = ParseObservation(body);
    const std::vector<Observation> recent = ParseObservations(body);
    const std::vector<Alert> alerts = ParseAlerts(body, kNow);
    CheckWarnings(body);

    const std::optional<Observation> own = ChooseCurrent(latest, recent, kNow);
    // The same body as the list of stations near and as each one's latest
    // observation.
    for (const ListedStation& listed : ParseStationList(body)) {
        if (listed.id.empty() || !(std::abs(listed.latitude) <= 90)) std::abort();
    }
    (void)StationListPath(body);
    NearbyStations nearby("https://api.test", [&body](const std::string&, Endpoint, int* status) {
        if (status != nullptr) *status = 200;
        return body;
    });
    nearby.SetPlace("KXYZ", 39.8466, -104.6562);
    const std::optional<Observation> current = nearby.Complete(own, kNow);
    // Half the inputs in the US units, half in the metric ones and the
    // 24-hour clock.
    const Units units = size % 2 == 0
                            ? Units{}
                            : Units{TemperatureUnit::Celsius, PressureUnit::Hectopascals,
                                    WindUnit::MetresPerSecond, ClockStyle::TwentyFourHour};
    CheckRoundupPage(current, units);

    std::vector<std::string> leadLines;
    for (const Alert& alert : alerts) leadLines.push_back(AlertLine(alert, units.clock));
    const std::optional<int> offset =
        latest ? OffsetAt(latest->time, periods) : std::optional<int>();
    leadLines.push_back(WithLocationHint(NowLine(current, latest, offset, units)));
    const std::string stationLine = station ? station->name + " (" + station->id + ")" : "KXYZ";
    const std::string page = BuildForecastPage(stationLine, leadLines, periods);
    if (page.size() > kMaxPageBytes) std::abort();

    // The readers of the services outside the US: METARs and MET Norway.
    const std::vector<MetarReport> reports = ParseMetarReports(body);
    const std::optional<MetarReport> metar = ChooseMetar(reports, {"KXYZ", "EGLL"}, kNow);
    CheckRoundupPage(metar ? std::optional(metar->observation) : std::nullopt, units);
    const std::vector<ForecastPeriod> world = MetNorwayPeriods(
        body, kNow, [](std::int64_t utc) { return utc % 2 ? 3600 : -34200; }, units);
    if (world.size() > 2 * kForecastDays) std::abort();
    if (BuildForecastPage(stationLine, {}, world).size() > kMaxPageBytes) std::abort();
    return 0;
}
