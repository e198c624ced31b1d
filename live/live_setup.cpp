#include "live/live_setup.h"

#include <algorithm>
#include <new>
#include <random>

#include "resources/resource_ids.h"

#ifndef TICKWELL_VERSION
#define TICKWELL_VERSION "1.0"
#endif

namespace tickwell::live {

std::string UserAgent() {
    std::string email = URL_EMAIL;
    const std::string prefix = "mailto:";
    if (email.compare(0, prefix.size(), prefix) == 0) {
        email.erase(0, prefix.size());
    }
    return std::string("Tickwell/") + TICKWELL_VERSION + " (" + URL_WEB_PAGE + "; " + email + ")";
}

namespace {

// The base URL `name` gives, else `fallback`, without a trailing slash.
std::string BaseUrl(const EnvironmentLookup& lookup, const char* name, const char* fallback) {
    std::string base = lookup(name);
    if (base.empty()) {
        base = fallback;
    }
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

}  // namespace

LiveEnvironment ReadLiveEnvironment(const EnvironmentLookup& lookup) {
    LiveEnvironment environment;
    environment.apiBase = BaseUrl(lookup, "TICKWELL_API_BASE", kDefaultApiBase);
    environment.metarBase = BaseUrl(lookup, "TICKWELL_METAR_BASE", kDefaultMetarBase);
    environment.metNorwayBase = BaseUrl(lookup, "TICKWELL_METNO_BASE", kDefaultMetNorwayBase);
    environment.extraCaFile = lookup("TICKWELL_CA_FILE");
    environment.pageDir = lookup("TICKWELL_PAGE_DIR");
    const std::string spacing = lookup("TICKWELL_REQUEST_SPACING");
    if (environment.apiBase != kDefaultApiBase && !spacing.empty() && spacing.size() <= 2 &&
        spacing.find_first_not_of("0123456789") == std::string::npos) {
        environment.requestSpacing =
            std::clamp<std::int64_t>(std::stoi(spacing), 1, ApiCache::kMinRequestSpacing);
    }
    return environment;
}

std::optional<HostPort> BaseHostPort(const std::string& apiBase) {
    HostPort result;
    std::size_t start = 0;
    if (apiBase.compare(0, 8, "https://") == 0) {
        start = 8;
        result.port = 443;
    } else if (apiBase.compare(0, 7, "http://") == 0) {
        start = 7;
        result.port = 80;
    } else {
        return std::nullopt;
    }
    const std::size_t end = apiBase.find('/', start);
    std::string authority = apiBase.substr(start, end == std::string::npos ? end : end - start);
    const std::size_t colon = authority.rfind(':');
    if (colon != std::string::npos && authority.find(']', colon) == std::string::npos) {
        const std::string digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos ||
            std::stoul(digits) == 0 || std::stoul(digits) > 65535) {
            return std::nullopt;
        }
        result.port = static_cast<std::uint16_t>(std::stoul(digits));
        authority.erase(colon);
    }
    if (authority.empty()) {
        return std::nullopt;
    }
    result.host = authority;
    return result;
}

platform::HttpsClientOptions LiveClientOptions(const LiveEnvironment& environment) {
    platform::HttpsClientOptions options;
    options.userAgent = UserAgent();
    options.extraCaFile = environment.extraCaFile;
    options.useSystemProxy = true;
    // The client's limits: 10 s to connect, 25 s for the first byte (a
    // forecast the service has not cached can take 10 s and more), 30 s
    // in all.
    options.connectTimeoutMs = 10000;
    options.idleTimeoutMs = 25000;
    options.totalTimeoutMs = 30000;
    // The largest answer read, a week's forecast or ten observations, is
    // well under 100 KB.
    options.maxBodyBytes = 1024 * 1024;
    return options;
}

LiveSource* StartLiveSource(const LiveEnvironment& environment, const std::string& stationId) {
    std::unique_ptr<platform::HttpsClient> client =
        platform::NewSystemHttpsClient(LiveClientOptions(environment));
    if (!client) {
        return nullptr;
    }
    return new (std::nothrow) LiveSource(
        std::move(client), SystemClock(),
        LiveOptions{environment.apiBase, environment.pageDir, environment.requestSpacing},
        stationId);
}

WorldSource* StartWorldSource(const LiveEnvironment& environment, const Units& units) {
    std::unique_ptr<platform::HttpsClient> client =
        platform::NewSystemHttpsClient(LiveClientOptions(environment));
    if (!client) {
        return nullptr;
    }
    WorldOptions options;
    options.metarBase = environment.metarBase;
    options.metNorwayBase = environment.metNorwayBase;
    options.pageDir = environment.pageDir;
    // A shorter spacing only against fakes of both services.
    if (options.metarBase != kDefaultMetarBase && options.metNorwayBase != kDefaultMetNorwayBase) {
        options.requestSpacing = environment.requestSpacing;
    }
    options.units = units;
    std::random_device seed;
    options.forecastJitter =
        std::uniform_int_distribution<std::int64_t>(0, kForecastJitterSeconds - 1)(seed);
    return new (std::nothrow) WorldSource(std::move(client), SystemClock(), std::move(options));
}

}  // namespace tickwell::live
