#include "live/live_source.h"

#include <nlohmann/json.hpp>
#include <utility>

#include "live/alerts.h"
#include "live/json_check.h"
#include "live/now_line.h"
#include "live/page_file.h"
#include "live/roundup_page.h"
#include "live/table_station.h"
#include "platform/message_log.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

// A body as JSON; a discarded value when it is not JSON, or not within
// `limits` (checked first, so an absurd body never becomes a tree).
json ParseBody(const ApiResult& result, const AnswerLimits& limits) {
    if (!result.ok() || !JsonWithinLimits(result.body, limits)) {
        return json(json::value_t::discarded);
    }
    return json::parse(result.body, nullptr, false);
}

}  // namespace

LiveSource::LiveSource(std::unique_ptr<platform::HttpsClient> client, Clock& clock,
                       LiveOptions options, std::string stationId, const Units& units)
    : client_(std::move(client)),
      clock_(clock),
      options_(std::move(options)),
      cache_(*client_, clock, options_.requestSpacing),
      stationId_(std::move(stationId)),
      nearby_(options_.apiBase, [this](const std::string& url, Endpoint endpoint,
                                       int* status) { return Fetch(url, endpoint, status); }),
      units_(units) {}

json LiveSource::Fetch(const std::string& url, Endpoint endpoint, int* status) {
    const AnswerLimits limits = LimitsOf(endpoint);
    const ApiResult result = cache_.Get(url, limits);
    json body = ParseBody(result, limits);
    if (result.ok() && body.is_discarded()) {
        // Kept, it would be served and revalidated as if it were sound.
        cache_.Forget(url);
    }
    if (status != nullptr) {
        *status = result.status;
    }
    return body;
}

void LiveSource::SetAlertMessagesHandler(AlertMessagesHandler handler) {
    std::lock_guard<std::mutex> hold(mutex_);
    alertMessagesHandler_ = std::move(handler);
}

bool LiveSource::LastRequestLackedNetwork() {
    std::lock_guard<std::mutex> hold(mutex_);
    return cache_.LastRequestLackedNetwork();
}

void LiveSource::ComputerWoke() {
    std::lock_guard<std::mutex> hold(mutex_);
    cache_.ComputerSlept();
}

void LiveSource::NetworkBack() {
    std::lock_guard<std::mutex> hold(mutex_);
    cache_.NetworkBack();
}

void LiveSource::Abort() {
    client_->Abort();
}

std::string LiveSource::StationId() {
    std::lock_guard<std::mutex> hold(mutex_);
    return stationId_;
}

void LiveSource::UseStation(const std::string& id) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (id != stationId_) {
        stationId_ = id;
        station_.reset();
        forecastPath_.clear();
        lastSeen_.reset();
        reportedUnknown_ = false;
        tableOnly_ = false;
        // A new station's ticker never shows the old one's forecast.
        kept_.reset();
        stationOffset_.reset();
    }
    locationHint_ = false;
}

void LiveSource::SetRefreshSeconds(std::int64_t seconds) {
    std::lock_guard<std::mutex> hold(mutex_);
    refreshSeconds_ = seconds;
}

std::string LiveSource::StationUrl(const std::string& id) const {
    return options_.apiBase + "/stations/" + id;
}

std::string LiveSource::ZoneForecastUrl(const Station& station) const {
    return options_.apiBase + "/zones/forecast/" + station.zoneId + "/forecast";
}

void LiveSource::SetUnits(const Units& units) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (units != units_) {
        units_ = units;
        kept_.reset();
    }
}

std::string LiveSource::GridForecastUrl() const {
    std::string url = options_.apiBase + forecastPath_;
    if (units_.temperature == TemperatureUnit::Celsius) {
        url += forecastPath_.find('?') == std::string::npos ? "?units=si" : "&units=si";
    }
    return url;
}

void LiveSource::UsePlace(const std::optional<Place>& place) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (place != place_) {
        place_ = place;
        // The station is read again and put at the place.
        station_.reset();
        forecastPath_.clear();
        kept_.reset();
        stationOffset_.reset();
    }
}

void LiveSource::SetLocationHint(bool show) {
    std::lock_guard<std::mutex> hold(mutex_);
    locationHint_ = show;
}

StationCheck LiveSource::CheckStation(const std::string& id) {
    std::lock_guard<std::mutex> hold(mutex_);
    int status = 0;
    const json body = Fetch(StationUrl(id), Endpoint::Station, &status);
    if (status == 404) {
        // One of the table's stations is served as its place.
        return TableStation(id) ? StationCheck::Known : StationCheck::Unknown;
    }
    return ParseStation(body, id) ? StationCheck::Known : StationCheck::Unreachable;
}

const Station* LiveSource::StationInfo() {
    if (station_) {
        return &*station_;
    }
    int status = 0;
    const json body = Fetch(StationUrl(stationId_), Endpoint::Station, &status);
    if (status == 404) {
        station_ = TableStation(stationId_);
        tableOnly_ = station_.has_value();
    } else {
        station_ = ParseStation(body, stationId_);
    }
    if (status == 404 && !station_ && !reportedUnknown_) {
        reportedUnknown_ = true;
        platform::LogMessage("the weather service knows no station " + stationId_);
    }
    if (station_ && place_) {
        // The town's forecast and alerts; the readings stay the station's.
        station_->name = place_->name;
        station_->latitude = place_->latitude;
        station_->longitude = place_->longitude;
    }
    if (station_) {
        nearby_.SetPlace(stationId_, station_->latitude, station_->longitude);
    }
    return station_ ? &*station_ : nullptr;
}

std::vector<ForecastPeriod> LiveSource::GridPeriods(const Station& station) {
    if (forecastPath_.empty()) {
        const json points = Fetch(
            options_.apiBase + PointsPath(station.latitude, station.longitude), Endpoint::Points);
        if (points.is_object() && points.contains("properties") &&
            points["properties"].is_object()) {
            const json& properties = points["properties"];
            auto forecast = properties.find("forecast");
            if (forecast != properties.end() && forecast->is_string()) {
                // The path alone: requests only ever go to the service's own
                // address.
                forecastPath_ = UrlPath(forecast->get<std::string>());
            }
        }
        nearby_.SetListPath(StationListPath(points));
        if (forecastPath_.empty()) {
            return {};
        }
    }
    return WithoutEnded(ParsePeriods(Fetch(GridForecastUrl(), Endpoint::GridForecast)),
                        cache_.Now());
}

std::vector<ForecastPeriod> LiveSource::ZonePeriods(const Station& station) {
    if (station.zoneId.empty()) {
        return {};
    }
    return WithoutEnded(ParsePeriods(Fetch(ZoneForecastUrl(station), Endpoint::ZoneForecast)),
                        cache_.Now());
}

std::optional<Observation> LiveSource::CurrentObservation(bool* answered) {
    const Station* station = StationInfo();
    *answered = false;
    std::optional<Observation> own;
    if (!tableOnly_) {
        own = OwnObservation(answered);
    }
    if (station == nullptr) {
        return own;
    }
    // What the chosen station lacks comes from the stations near it.
    std::optional<Observation> current = nearby_.Complete(std::move(own), cache_.Now());
    *answered = *answered || (current && current->nearby);
    return current;
}

std::optional<Observation> LiveSource::OwnObservation(bool* answered) {
    const std::string observations = StationUrl(stationId_) + "/observations";
    int latestStatus = 0;
    const json latestBody =
        Fetch(observations + "/latest", Endpoint::LatestObservation, &latestStatus);
    const std::int64_t now = cache_.Now();
    std::optional<Observation> latest = ParseObservation(latestBody);
    // One stamped in the future is a fault of the station's clock, not a
    // newer observation: it must not stand for "the last taken" for ever.
    if (latest && !IsFuture(*latest, now) && (!lastSeen_ || latest->time >= lastSeen_->time)) {
        lastSeen_ = latest;
    }
    *answered = latestStatus == 200;
    if (latest && latest->HasReadings() && IsCurrent(*latest, now)) {
        return latest;
    }
    int recentStatus = 0;
    const std::vector<Observation> recent = ParseObservations(
        Fetch(observations + "?limit=10", Endpoint::ObservationList, &recentStatus));
    *answered = *answered || recentStatus == 200;
    for (const Observation& observation : recent) {
        if (!IsFuture(observation, now) && (!lastSeen_ || observation.time > lastSeen_->time)) {
            lastSeen_ = observation;
        }
    }
    return ChooseCurrent(latest, recent, now);
}

std::vector<std::string> LiveSource::LeadLines(const Station& station,
                                               const std::vector<ForecastPeriod>& periods) {
    const json alertsBody = Fetch(options_.apiBase + "/alerts/active?status=actual&point=" +
                                      PointText(station.latitude, station.longitude),
                                  Endpoint::Alerts);
    const std::vector<Alert> alerts = ParseAlerts(alertsBody, cache_.Now());
    if (alertMessagesHandler_) {
        if (std::optional<std::vector<AlertMessage>> messages = ParseAlertMessages(alertsBody)) {
            alertMessagesHandler_(std::move(*messages), cache_.Now());
        }
    }
    std::vector<std::string> lines;
    for (const Alert& alert : alerts) {
        lines.push_back(AlertLine(alert, units_.clock));
    }
    bool answered = false;
    const std::optional<Observation> current = CurrentObservation(&answered);
    const std::optional<Observation>& shown = current ? current : lastSeen_;
    std::optional<int> offset;
    if (shown) {
        offset = OffsetAt(shown->time, periods);
    }
    // Without times in the forecast, an alert's own times carry the offset.
    for (const Alert& alert : alerts) {
        const std::optional<TimeStamp>& stamp = alert.until ? alert.until : alert.expires;
        if (!offset && stamp) {
            offset = stamp->offsetMinutes;
        }
    }
    std::string nowLine = NowLine(current, lastSeen_, offset, units_);
    if (locationHint_) {
        nowLine = WithLocationHint(nowLine);
    }
    if (!nowLine.empty()) {
        lines.push_back(nowLine);
    }
    return lines;
}

std::optional<std::string> LiveSource::ForecastPage() {
    std::lock_guard<std::mutex> hold(mutex_);
    const Station* station = StationInfo();
    std::vector<ForecastPeriod> periods;
    if (station != nullptr) {
        periods = GridPeriods(*station);
        if (periods.empty()) {
            periods = ZonePeriods(*station);
        }
    }
    if (periods.empty()) {
        return TroublePage(station);
    }
    const std::string stationLine = station->name + " (" + station->id + ")";
    const std::vector<std::string> leadLines = LeadLines(*station, periods);
    std::string page = BuildForecastPage(stationLine, leadLines, periods);
    KeptForecast kept{stationLine, {}, periods, cache_.Now()};
    for (const std::string& line : leadLines) {
        if (line.rfind(".NOW...", 0) != 0) {
            kept.alertLines.push_back(line);
        }
    }
    if (const std::optional<int> offset = OffsetAt(kept.madeAt, periods)) {
        stationOffset_ = offset;
    }
    kept_ = std::move(kept);
    KeepPage("forecast.txt", page);
    return page;
}

std::optional<std::string> LiveSource::TroublePage(const Station* station) {
    std::string url;
    const ForecastTrouble trouble = FindTrouble(station, &url);
    if (trouble.failure == platform::HttpsFailure::Aborted) {
        // The program is ending: nothing more to show.
        return std::nullopt;
    }
    const std::int64_t now = cache_.Now();
    const std::string nextTry = NextTryText(url, now);
    const std::string weekday = WeekdayName(now, ShownOffsetMinutes(now));
    std::string page;
    if (kept_) {
        const std::string line = NotUpdatedLine(
            trouble, LocalTimeText(kept_->madeAt, now, ShownOffsetMinutes(now), units_.clock),
            nextTry);
        // Periods that have ended since are left out; once all have, only
        // the trouble is left to tell.
        const std::vector<ForecastPeriod> periods = WithoutEnded(kept_->periods, now);
        if (periods.empty()) {
            page = StatusPage(kept_->stationLine, line, trouble, nextTry, weekday);
        } else {
            std::vector<std::string> leadLines = kept_->alertLines;
            leadLines.push_back(line);
            page = BuildForecastPage(kept_->stationLine, leadLines, periods);
        }
    } else {
        const std::string stationLine =
            station != nullptr ? station->name + " (" + station->id + ")" : stationId_;
        page = StatusPage(stationLine, StatusLine(trouble, nextTry), trouble, nextTry, weekday);
    }
    KeepPage("forecast.txt", page);
    return page;
}

ForecastTrouble LiveSource::FindTrouble(const Station* station, std::string* url) {
    if (station == nullptr) {
        *url = StationUrl(stationId_);
        return TroubleOf(cache_.LastOutcome(*url), true, stationId_);
    }
    std::vector<std::string> chain = {
        forecastPath_.empty() ? options_.apiBase + PointsPath(station->latitude, station->longitude)
                              : GridForecastUrl()};
    if (!station->zoneId.empty()) {
        chain.push_back(ZoneForecastUrl(*station));
    }
    for (const std::string& candidate : chain) {
        const ApiResult result = cache_.LastOutcome(candidate);
        if (!result.ok()) {
            *url = candidate;
            return TroubleOf(result, false, stationId_);
        }
    }
    // Every request was answered, with no forecast in it.
    *url = chain.front();
    ApiResult answered;
    answered.status = 200;
    return TroubleOf(answered, false, stationId_);
}

std::string LiveSource::NextTryText(const std::string& url, std::int64_t now) {
    const std::int64_t next = NextTryTime(now, cache_.NextRequestTime(url), refreshSeconds_);
    return LocalTimeText(next, now, ShownOffsetMinutes(now), units_.clock);
}

int LiveSource::ShownOffsetMinutes(std::int64_t now) {
    return stationOffset_ ? *stationOffset_ : clock_.LocalOffsetMinutes(now);
}

std::optional<std::string> LiveSource::RoundupPage() {
    std::lock_guard<std::mutex> hold(mutex_);
    bool answered = false;
    const std::optional<Observation> current = CurrentObservation(&answered);
    if (!answered) {
        return std::nullopt;
    }
    std::string page = BuildRoundupPage(current, stationId_, units_);
    KeepPage("roundup.txt", page);
    return page;
}

void LiveSource::KeepPage(const char* fileName, const std::string& page) const {
    if (!options_.pageDir.empty()) {
        WritePageFile(options_.pageDir, fileName, page);
    }
}

}  // namespace tickwell::live
