// The live weather source: the two legacy pages, made from the weather
// service's current answers for one station.
//
// One object serves the whole run. Its calls are serialised; Abort may come
// from any thread and ends a request in progress at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>

#include "live/alert_messages.h"
#include "live/answer_limits.h"
#include "live/api_cache.h"
#include "live/clock.h"
#include "live/forecast_page.h"
#include "live/nearby_stations.h"
#include "live/observation.h"
#include "live/place.h"
#include "live/station.h"
#include "live/status_line.h"
#include "live/units.h"
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

// Gets the alert messages of each sound alerts answer and the service's
// time, on the thread that fetched them.
using AlertMessagesHandler =
    std::function<void(std::vector<AlertMessage> messages, std::int64_t serviceNow)>;

enum class StationCheck { Known, Unknown, Unreachable };

class LiveSource {
public:
    LiveSource(std::unique_ptr<platform::HttpsClient> client, Clock& clock, LiveOptions options,
               std::string stationId, const Units& units = {});

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
    // Gives the forecast and alerts for `place` (a town chosen near the
    // station) instead of the station's own point; nothing: the station's.
    void UsePlace(const std::optional<Place>& place);
    // While `show` holds, the NOW line ends with a hint that tells a new
    // user how to choose a place (or is a line of its own without one).
    void SetLocationHint(bool show);
    std::string StationId();
    // The program's refresh interval, which the time of the next try on
    // the NOW line follows. Handed over on the user-interface thread before
    // each fetch job starts, so the job never reads a setting the
    // Preferences dialog may be changing.
    void SetRefreshSeconds(std::int64_t seconds);
    // The units the pages are made in from now on: the readings, the NOW
    // line's wind and times, the alerts' ends and the status line's times;
    // the gridpoint forecast is asked for in SI units when the temperature
    // is Celsius. A change drops the forecast kept for a failing service,
    // which is in the old units.
    void SetUnits(const Units& units);

    // Installs the handler of the alert messages (before the first fetch).
    void SetAlertMessagesHandler(AlertMessagesHandler handler);

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
    // the newest observation that has it (see ChooseCurrent), and what it
    // lacks from the stations near (see NearbyStations); also keeps
    // lastSeen_ up to date. `answered` tells whether the service
    // gave any observation at all.
    std::optional<Observation> CurrentObservation(bool* answered);
    // The same from the chosen station's own observations alone.
    std::optional<Observation> OwnObservation(bool* answered);
    std::vector<std::string> LeadLines(const Station& station,
                                       const std::vector<ForecastPeriod>& periods);
    std::vector<ForecastPeriod> GridPeriods(const Station& station);
    // The gridpoint forecast's URL, in SI units for a Celsius user.
    std::string GridForecastUrl() const;
    std::vector<ForecastPeriod> ZonePeriods(const Station& station);
    void KeepPage(const char* fileName, const std::string& page) const;
    // The URLs of the station, its observations and its zone's forecast.
    std::string StationUrl(const std::string& id) const;
    std::string ZoneForecastUrl(const Station& station) const;

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
    // The station is one of the table's that the service does not know: it
    // stands for its place, and its readings come from the stations near.
    bool tableOnly_ = false;
    std::optional<Place> place_;
    NearbyStations nearby_;
    // The gridpoint forecast's path, from the /points answer.
    std::string forecastPath_;
    // The newest observation the service has given, current or not, but
    // never one stamped in the future.
    std::optional<Observation> lastSeen_;
    std::optional<KeptForecast> kept_;
    // The station's offset from UTC, from its last forecast's times.
    std::optional<int> stationOffset_;
    bool locationHint_ = false;
    // Fifteen minutes until the program says otherwise.
    std::int64_t refreshSeconds_ = 15 * 60;
    Units units_;
    AlertMessagesHandler alertMessagesHandler_;
};

}  // namespace tickwell::live
