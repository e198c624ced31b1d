// Setting up the live source for a program run: its options, the system's
// HTTPS client, and the station. The program's start-up
// (app/live_startup.h) reads the options from the environment and puts the
// source in place of the HTTP library.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "live/live_source.h"
#include "live/world_source.h"
#include "platform/https_client.h"

namespace tickwell::live {

constexpr const char* kDefaultApiBase = "https://api.weather.gov";

// "Tickwell/1.0 (https://quillfen.org/tickwell/; tickwell@quillfen.org)".
std::string UserAgent();

struct LiveEnvironment {
    std::string apiBase;      // TICKWELL_API_BASE, default kDefaultApiBase
    std::string extraCaFile;  // TICKWELL_CA_FILE
    std::string pageDir;      // TICKWELL_PAGE_DIR
    // TICKWELL_REQUEST_SPACING (1 to 60 seconds), for tests against a fake
    // of the service only: ignored while the API base is the real service.
    std::int64_t requestSpacing = ApiCache::kMinRequestSpacing;
    // The services outside the US: TICKWELL_METAR_BASE and
    // TICKWELL_METNO_BASE.
    std::string metarBase = kDefaultMetarBase;
    std::string metNorwayBase = kDefaultMetNorwayBase;
};
// The value of one environment variable, or empty when it is not set.
using EnvironmentLookup = std::function<std::string(const char* name)>;
// The options from TICKWELL_API_BASE, TICKWELL_METAR_BASE and
// TICKWELL_METNO_BASE (a trailing slash dropped), TICKWELL_CA_FILE,
// TICKWELL_PAGE_DIR and TICKWELL_REQUEST_SPACING, as `lookup` gives them.
LiveEnvironment ReadLiveEnvironment(const EnvironmentLookup& lookup);

// The host and port of an API base URL, for the start-up check:
// "https://127.0.0.1:18181" gives 127.0.0.1 and 18181. Nothing when the URL
// is not http(s) or the port is not a number.
struct HostPort {
    std::string host;
    std::uint16_t port = 0;
};
std::optional<HostPort> BaseHostPort(const std::string& apiBase);

// The client options the live source uses.
platform::HttpsClientOptions LiveClientOptions(const LiveEnvironment& environment);

// The live source of this run on the system's HTTPS client, or null when no
// client can be set up. It is never destroyed: the fetch job may still use
// it while the program ends.
LiveSource* StartLiveSource(const LiveEnvironment& environment, const std::string& stationId);

// The source of the stations outside the US, on a client of its own, with
// the forecast's random gap drawn now; null when no client can be set up.
// Never destroyed either. Its pages are in `units`.
WorldSource* StartWorldSource(const LiveEnvironment& environment, const Units& units);

}  // namespace tickwell::live
