#include "live/world_source.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <utility>

#include "live/json_check.h"
#include "live/now_line.h"
#include "live/page_file.h"
#include "live/roundup_page.h"
#include "live/status_line.h"
#include "live/world_forecast.h"
#include "live/world_metar.h"
#include "platform/time_zone.h"

namespace tickwell::live {

namespace {

using nlohmann::json;

std::string StationLine(const places::StationMatch& station) {
    return station.name + ", " + station.city + ", " + station.state + " (" + station.id + ")";
}

}  // namespace

WorldSource::WorldSource(std::unique_ptr<platform::HttpsClient> client, Clock& clock,
                         WorldOptions options)
    : client_(std::move(client)),
      clock_(clock),
      options_(std::move(options)),
      cache_(*client_, clock, options_.requestSpacing, "application/json") {}

bool WorldSource::Serves(const std::string& id) {
    // Every K id is one of the contiguous US's stations: those are told
    // without reading the table, which then stays out of memory for a
    // program that never searches.
    if (id.size() == 4 && id[0] == 'K') {
        return false;
    }
    const std::optional<places::StationMatch> station = places::StationById(id);
    return station && !station->inUs;
}

void WorldSource::Abort() {
    client_->Abort();
}

std::string WorldSource::MetarUrl(const std::vector<std::string>& ids) const {
    std::string url = options_.metarBase + "/api/data/metar?ids=";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        url += (i ? "," : "") + ids[i];
    }
    return url + "&format=json";
}

std::string WorldSource::ForecastUrl(const places::StationMatch& station) const {
    // Four decimals, as MET Norway asks: more only defeats its cache.
    char query[64];
    std::snprintf(query, sizeof query, "?lat=%.4f&lon=%.4f", station.latitude, station.longitude);
    return options_.metNorwayBase + "/weatherapi/locationforecast/2.0/compact" + query;
}

void WorldSource::Use(const std::string& id) {
    if (id == stationId_ && (station_ || id.empty())) {
        return;
    }
    stationId_ = id;
    station_ = places::StationById(id);
    nearby_.clear();
    lastSeen_.reset();
    keptPeriods_.clear();
    if (station_) {
        nearby_.push_back(id);
        for (const std::string& other :
             places::StationsNear(station_->latitude, station_->longitude, kNearbyMetarKilometres,
                                  kNearbyMetarStations)) {
            if (other != id) {
                nearby_.push_back(other);
            }
        }
    }
}

json WorldSource::Fetch(const std::string& url, Endpoint endpoint, std::int64_t gap, int* status) {
    const AnswerLimits limits = LimitsOf(endpoint);
    const std::int64_t monotonic = clock_.MonotonicSeconds();
    // In tests the spacing is under a minute; the gaps shrink with it.
    if (options_.requestSpacing < ApiCache::kMinRequestSpacing) {
        gap = options_.requestSpacing;
    }
    const auto answered = answeredAt_.find(url);
    const bool wait = answered != answeredAt_.end() && monotonic - answered->second < gap;
    const ApiResult result = wait ? cache_.LastOutcome(url) : cache_.Get(url, limits);
    json body = result.ok() && JsonWithinLimits(result.body, limits)
                    ? json::parse(result.body, nullptr, false)
                    : json(json::value_t::discarded);
    if (result.ok() && body.is_discarded()) {
        cache_.Forget(url);
    } else if (result.ok() && !wait) {
        answeredAt_[url] = monotonic;
    }
    *status = result.status;
    return body;
}

int WorldSource::OffsetSeconds(std::int64_t utc) {
    if (station_) {
        if (const std::optional<int> offset = platform::UtcOffsetSeconds(station_->zone, utc)) {
            return *offset;
        }
    }
    // A zone the system does not know: the PC's own is the likeliest.
    return clock_.LocalOffsetMinutes(utc) * 60;
}

std::optional<Observation> WorldSource::CurrentObservation(bool* answered) {
    int status = 0;
    const json body = Fetch(MetarUrl(nearby_), Endpoint::Metars, kMetarGapSeconds, &status);
    *answered = status == 200;
    const std::int64_t now = cache_.Now();
    const std::vector<MetarReport> reports = ParseMetarReports(body);
    for (const MetarReport& report : reports) {
        if (report.id == stationId_ && !IsFuture(report.observation, now) &&
            (!lastSeen_ || report.observation.time > lastSeen_->time)) {
            lastSeen_ = report.observation;
        }
    }
    const std::optional<MetarReport> chosen = ChooseMetar(reports, nearby_, now);
    return chosen ? std::optional(chosen->observation) : std::nullopt;
}

void WorldSource::SetUnits(const Units& units) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (units != options_.units) {
        options_.units = units;
        // The forecast kept for a failing service is in the old units.
        keptPeriods_.clear();
    }
}

std::optional<std::string> WorldSource::RoundupPage(const std::string& id) {
    std::lock_guard<std::mutex> hold(mutex_);
    Use(id);
    if (!station_) {
        return std::nullopt;
    }
    bool answered = false;
    const std::optional<Observation> current = CurrentObservation(&answered);
    if (!answered) {
        return std::nullopt;
    }
    std::string page = BuildRoundupPage(current, stationId_, options_.units);
    KeepPage("roundup.txt", page);
    return page;
}

std::optional<std::string> WorldSource::ForecastPage(const std::string& id) {
    std::lock_guard<std::mutex> hold(mutex_);
    Use(id);
    if (!station_) {
        ForecastTrouble trouble{TroubleKind::UnknownStation, 0, platform::HttpsFailure::None, id};
        const std::int64_t now = cache_.Now();
        return StatusPage(id, StatusLine(trouble, ""), trouble, "",
                          WeekdayName(now, clock_.LocalOffsetMinutes(now)));
    }
    const std::string url = ForecastUrl(*station_);
    int status = 0;
    const json body = Fetch(url, Endpoint::MetNorwayForecast,
                            kForecastGapSeconds + options_.forecastJitter, &status);
    const std::int64_t now = cache_.Now();
    const ZoneOffset offset = [this](std::int64_t utc) { return OffsetSeconds(utc); };
    std::vector<ForecastPeriod> periods = MetNorwayPeriods(body, now, offset, options_.units);
    if (periods.empty()) {
        return TroublePage(StationLine(*station_), url);
    }
    keptPeriods_ = periods;
    keptAt_ = now;
    bool answered = false;
    const std::optional<Observation> current = CurrentObservation(&answered);
    const std::optional<Observation>& shown = current ? current : lastSeen_;
    std::vector<std::string> leadLines;
    const std::string nowLine =
        NowLine(current, lastSeen_, OffsetSeconds(shown ? shown->time : now) / 60, options_.units);
    if (!nowLine.empty()) {
        leadLines.push_back(nowLine);
    }
    periods.push_back(ForecastPeriod{"Credit", std::string(kMetNorwayCredit), std::nullopt});
    std::string page = BuildForecastPage(StationLine(*station_), leadLines, periods);
    KeepPage("forecast.txt", page);
    return page;
}

std::optional<std::string> WorldSource::TroublePage(const std::string& stationLine,
                                                    const std::string& url) {
    const ApiResult last = cache_.LastOutcome(url);
    ForecastTrouble trouble = TroubleOf(last, false, stationId_);
    if (trouble.failure == platform::HttpsFailure::Aborted) {
        return std::nullopt;
    }
    const std::int64_t now = cache_.Now();
    const int offsetMinutes = OffsetSeconds(now) / 60;
    const std::string nextTry =
        LocalTimeText(cache_.NextRequestTime(url), now, offsetMinutes, options_.units.clock);
    const std::vector<ForecastPeriod> periods = WithoutEnded(keptPeriods_, now);
    std::string page;
    if (periods.empty()) {
        page = StatusPage(stationLine, StatusLine(trouble, nextTry), trouble, nextTry,
                          WeekdayName(now, offsetMinutes));
    } else {
        std::vector<ForecastPeriod> shown = periods;
        shown.push_back(ForecastPeriod{"Credit", std::string(kMetNorwayCredit), std::nullopt});
        page = BuildForecastPage(
            stationLine,
            {NotUpdatedLine(trouble,
                            LocalTimeText(keptAt_, now, offsetMinutes, options_.units.clock),
                            nextTry)},
            shown);
    }
    KeepPage("forecast.txt", page);
    return page;
}

void WorldSource::KeepPage(const char* fileName, const std::string& page) const {
    if (!options_.pageDir.empty()) {
        WritePageFile(options_.pageDir, fileName, page);
    }
}

}  // namespace tickwell::live
