// The weather outside the US, as the same two legacy pages the live source
// makes: the readings from the METARs of the aviation weather service's
// data API (the chosen airport's, else the nearest current one within
// 40 km), the forecast from MET Norway's locationforecast for the
// airport's coordinates, in its time zone. There are no alerts.
//
// A polite client: every answer goes through ApiCache (Expires and
// If-Modified-Since honoured, nothing asked while an answer is fresh);
// after a good answer the METARs are asked for again after ten minutes at
// the soonest, the forecast after half an hour and a random part of ten
// more minutes, drawn once a run, so that installs do not all ask at the
// same moment.
//
// Its calls are serialised; Abort may come from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "live/answer_limits.h"
#include "live/api_cache.h"
#include "live/clock.h"
#include "live/forecast_page.h"
#include "live/observation.h"
#include "live/units.h"
#include "places/station_search.h"
#include "platform/https_client.h"

namespace tickwell::live {

constexpr const char* kDefaultMetarBase = "https://aviationweather.gov";
constexpr const char* kDefaultMetNorwayBase = "https://api.met.no";

// METARs from stations this near the chosen one may stand in for it.
constexpr double kNearbyMetarKilometres = 40;
constexpr std::size_t kNearbyMetarStations = 8;
constexpr std::int64_t kMetarGapSeconds = 10 * 60;
constexpr std::int64_t kForecastGapSeconds = 30 * 60;
constexpr std::int64_t kForecastJitterSeconds = 10 * 60;

struct WorldOptions {
    std::string metarBase = kDefaultMetarBase;  // without a trailing slash
    std::string metNorwayBase = kDefaultMetNorwayBase;
    std::string pageDir;  // as LiveOptions::pageDir
    // The least time between two requests of one URL (see ApiCache); under
    // a minute in tests only, which also shortens the gaps above to it.
    std::int64_t requestSpacing = ApiCache::kMinRequestSpacing;
    // The forecast's words are in these units.
    Units units;
    // The random part of the forecast's gap, in seconds.
    std::int64_t forecastJitter = 0;
};

class WorldSource {
public:
    WorldSource(std::unique_ptr<platform::HttpsClient> client, Clock& clock, WorldOptions options);

    // Whether station `id` is one this source serves: a station of the
    // table outside the US.
    static bool Serves(const std::string& id);

    // The pages for station `id`, as LiveSource's: the forecast page (with
    // a NOW line from the METAR, or a page saying why there is none), and
    // the roundup page, nothing when no METAR answer came at all.
    std::optional<std::string> ForecastPage(const std::string& id);
    std::optional<std::string> RoundupPage(const std::string& id);

    // The units the pages are made in from now on, as LiveSource::SetUnits.
    void SetUnits(const Units& units);

    void Abort();

    // The URLs asked for station `station`.
    std::string MetarUrl(const std::vector<std::string>& ids) const;
    std::string ForecastUrl(const places::StationMatch& station) const;

private:
    nlohmann::json Fetch(const std::string& url, Endpoint endpoint, std::int64_t gap, int* status);
    void Use(const std::string& id);
    std::optional<Observation> CurrentObservation(bool* answered);
    int OffsetSeconds(std::int64_t utc);
    std::optional<std::string> TroublePage(const std::string& stationLine, const std::string& url);
    void KeepPage(const char* fileName, const std::string& page) const;

    std::unique_ptr<platform::HttpsClient> client_;
    Clock& clock_;
    WorldOptions options_;
    ApiCache cache_;
    std::mutex mutex_;
    std::string stationId_;
    std::optional<places::StationMatch> station_;
    // The chosen station first, then the others within reach, nearest first.
    std::vector<std::string> nearby_;
    std::optional<Observation> lastSeen_;
    // The last forecast shown, while MET Norway gives no new one.
    std::vector<ForecastPeriod> keptPeriods_;
    std::int64_t keptAt_ = 0;
    // When each URL was last asked (monotonic) and answered well.
    std::map<std::string, std::int64_t> answeredAt_;
};

}  // namespace tickwell::live
