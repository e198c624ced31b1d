// The live weather source: the two legacy pages, made from the weather
// service's current answers for one station.
//
// One object serves the whole run. Its calls are serialised; Abort may come
// from any thread and ends a request in progress at once.
#pragma once

#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "live/answer_limits.h"
#include "live/api_cache.h"
#include "live/clock.h"
#include "live/forecast_page.h"
#include "live/observation.h"
#include "live/station.h"
#include "live/status_line.h"
#include "platform/https_client.h"

namespace tickwell::live {

struct LiveOptions {
    // "https://api.weather.gov", without a trailing slash.
    std::string apiBase;
    // When not empty, each page handed out is also written here as
    // forecast.txt or roundup.txt.
    std::string pageDir;
    // The least time between two requests of one URL (see ApiCache).
    std::int64_t requestSpacing = ApiCache::kMinRequestSpacing;
};

enum class StationCheck { Known, Unknown, Unreachable };

class LiveSource {
public:
    LiveSource(std::unique_ptr<platform::HttpsClient> client, Clock& clock, LiveOptions options,
               std::string stationId);

    // The forecast page. When the service gives no forecast, the last one
    // shown with a NOW line that says since when nothing could be updated
    // and why, or before any, a page that holds only why; nothing only once
    // aborted.
    std::optional<std::string> ForecastPage();
    // The roundup page (with no station row when no current observation is
    // there), or nothing when the service gave no observation at all.
    std::optional<std::string> RoundupPage();

    // Asks the service whether it knows station `id`.
    StationCheck CheckStation(const std::string& id);
    // Shows station `id` from now on, and ends the location hint.
    void UseStation(const std::string& id);
    // While `show` holds, the NOW line ends with a hint that tells a new
    // user how to choose a place (or is a line of its own without one).
    void SetLocationHint(bool show);
    std::string StationId();

    // Whether the last request sent failed for want of a network.
    bool LastRequestLackedNetwork();
    // The computer woke from sleep; the network came back (see ApiCache).
    void ComputerWoke();
    void NetworkBack();

    // Ends a request in progress and fails every later one.
    void Abort();

private:
    // The answer for `url` as JSON, through the cache under `endpoint`'s
    // limits; a discarded value when there is none or it is broken (and
    // then the cache forgets it). `status`, when given, gets the answer's
    // HTTP status.
    nlohmann::json Fetch(const std::string& url, Endpoint endpoint, int* status = nullptr);
    const Station* StationInfo();
    // What the readouts and the NOW line show, if an observation of the last
    // two hours has a temperature: the newest such, with each reading from
    // the newest observation that has it (see ChooseCurrent); also keeps
    // lastSeen_ up to date. `answered` tells whether the service
    // gave any observation at all.
    std::optional<Observation> CurrentObservation(bool* answered);
    std::vector<std::string> LeadLines(const Station& station,
                                       const std::vector<ForecastPeriod>& periods);
    std::vector<ForecastPeriod> GridPeriods(const Station& station);
    std::vector<ForecastPeriod> ZonePeriods(const Station& station);
    void KeepPage(const char* fileName, const std::string& page) const;

    // The last forecast shown, kept to be shown again while the service
    // gives no new one.
    struct KeptForecast {
        std::string stationLine;
        // Its lead lines but the NOW line: the alerts.
        std::vector<std::string> alertLines;
        std::vector<ForecastPeriod> periods;
        // When it was made, in the service's time.
        std::int64_t madeAt = 0;
    };
    // The page ForecastPage serves when the service gave no forecast.
    std::optional<std::string> TroublePage(const Station* station);
    // The first request of the forecast's chain (station, point or
    // gridpoint forecast, zone forecast) that gave nothing usable, and what
    // it gave; `url` is set to it.
    ForecastTrouble FindTrouble(const Station* station, std::string* url);
    // The time, in the station's local time when its offset is known, else
    // the system's, at which the next request of `url` goes out.
    std::string NextTryText(const std::string& url, std::int64_t now);
    int ShownOffsetMinutes(std::int64_t now);

    std::unique_ptr<platform::HttpsClient> client_;
    Clock& clock_;
    LiveOptions options_;
    ApiCache cache_;
    std::mutex mutex_;
    std::string stationId_;
    std::optional<Station> station_;
    bool reportedUnknown_ = false;
    // The gridpoint forecast's path, from the /points answer.
    std::string forecastPath_;
    // The newest observation the service has given, current or not, but
    // never one stamped in the future.
    std::optional<Observation> lastSeen_;
    std::optional<KeptForecast> kept_;
    // The station's offset from UTC, from its last forecast's times.
    std::optional<int> stationOffset_;
    bool locationHint_ = false;
};

}  // namespace tickwell::live
