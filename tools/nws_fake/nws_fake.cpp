#include "nws_fake.h"

#include <httplib.h>

#include <chrono>
#include <cstdio>
#include <ctime>

#include "payloads.h"
#include "world_payloads.h"

namespace tickwell::tools::nws {

namespace {

constexpr const char* kLastModified = "Mon, 07 Dec 2026 12:00:00 GMT";
constexpr const char* kGeoJson = "application/geo+json";
// A hung answer ends after this at the latest, or when the scenario changes
// or the fake stops.
constexpr auto kLongestHang = std::chrono::seconds(120);

const std::map<std::string, Scenario> kScenarios = {{"ok", Scenario::Ok},
                                                    {"503", Scenario::Unavailable},
                                                    {"429", Scenario::TooMany},
                                                    {"hang", Scenario::Hang},
                                                    {"nulls", Scenario::Nulls},
                                                    {"old", Scenario::Old},
                                                    {"nostation", Scenario::NoStation},
                                                    {"alerts", Scenario::Alerts},
                                                    {"gridfail", Scenario::GridFails},
                                                    {"slow", Scenario::Slow},
                                                    {"deep", Scenario::Deep},
                                                    {"trickle", Scenario::Trickle},
                                                    {"future", Scenario::Future},
                                                    {"storm", Scenario::Storm},
                                                    {"storm-update", Scenario::StormUpdate},
                                                    {"storm-cancel", Scenario::StormCancel},
                                                    {"stale", Scenario::Stale},
                                                    {"empty", Scenario::Empty},
                                                    {"unknown", Scenario::Unknown},
                                                    {"warmer", Scenario::Warmer}};

std::int64_t Now() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

// An HTTP date: "Mon, 07 Dec 2026 12:00:00 GMT".
std::string HttpDate(std::int64_t unixSeconds) {
    const std::time_t time = static_cast<std::time_t>(unixSeconds);
    std::tm parts{};
    gmtime_r(&time, &parts);
    char text[40];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &parts);
    return text;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool ChosenIsSilent(Scenario scenario) {
    return scenario == Scenario::Stale || scenario == Scenario::Empty ||
           scenario == Scenario::Unknown;
}

// The observations of station `id` in `scenario`.
ObservationKind KindOf(Scenario scenario, const std::string& id) {
    if (ChosenIsSilent(scenario)) {
        return KindOfStation(id, ObservationKind::Old);
    }
    return scenario == Scenario::Nulls    ? ObservationKind::Nulls
           : scenario == Scenario::Old    ? ObservationKind::Old
           : scenario == Scenario::Future ? ObservationKind::Future
           : scenario == Scenario::Warmer ? ObservationKind::Warmer
                                          : ObservationKind::Fresh;
}

// The observations' Last-Modified: the current minute, or, for the ones
// from the future and the warmer ones, the current second, so that a
// client that revalidates what it had gets them within the minute.
std::string ObservationsModified(Scenario scenario, std::int64_t now) {
    const bool changed = scenario == Scenario::Future || scenario == Scenario::Warmer;
    return HttpDate(changed ? now : now / 60 * 60);
}

}  // namespace

std::optional<Scenario> ParseScenario(const std::string& name) {
    auto found = kScenarios.find(name);
    if (found == kScenarios.end()) {
        return std::nullopt;
    }
    return found->second;
}

const char* ScenarioName(Scenario scenario) {
    for (const auto& [name, value] : kScenarios) {
        if (value == scenario) {
            return name.c_str();
        }
    }
    return "?";
}

NwsFake::NwsFake() = default;

NwsFake::~NwsFake() {
    Stop();
}

bool NwsFake::Start(const std::string& host, int port, const std::string& certFile,
                    const std::string& keyFile) {
    server_ = std::make_unique<httplib::SSLServer>(certFile.c_str(), keyFile.c_str());
    if (!server_->is_valid()) {
        return false;
    }
    server_->Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
        Route(request, response);
    });
    port_ = port == 0 ? server_->bind_to_any_port(host.c_str())
                      : (server_->bind_to_port(host.c_str(), port) ? port : -1);
    if (port_ <= 0) {
        return false;
    }
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    // Until the server runs, stop() would not reach it and Stop would wait
    // for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void NwsFake::Stop() {
    stopping_.store(true);
    if (server_) {
        server_->stop();
    }
    if (thread_.joinable()) {
        thread_.join();
    }
}

void NwsFake::SetScenario(Scenario scenario) {
    scenario_.store(scenario);
}

void NwsFake::SetMaxAge(int seconds) {
    maxAge_.store(seconds);
}

void NwsFake::SetDelay(int seconds) {
    delaySeconds_.store(seconds);
}

void NwsFake::SetLogFile(const std::string& path) {
    std::lock_guard<std::mutex> hold(logGuard_);
    logPath_ = path;
}

std::vector<LoggedRequest> NwsFake::Requests() const {
    std::lock_guard<std::mutex> hold(logGuard_);
    return requests_;
}

int NwsFake::CountRequests(const std::string& prefix) const {
    std::lock_guard<std::mutex> hold(logGuard_);
    int count = 0;
    for (const LoggedRequest& request : requests_) {
        count += StartsWith(request.target, prefix) ? 1 : 0;
    }
    return count;
}

std::string NwsFake::Base(const httplib::Request& request) const {
    const std::string host = request.get_header_value("Host");
    return "https://" + (host.empty() ? "127.0.0.1:" + std::to_string(port_) : host);
}

void NwsFake::Log(const httplib::Request& request, int status) {
    LoggedRequest entry;
    entry.target = request.target;
    entry.status = status;
    entry.userAgent = request.get_header_value("User-Agent");
    entry.accept = request.get_header_value("Accept");
    entry.ifModifiedSince = request.get_header_value("If-Modified-Since");
    std::lock_guard<std::mutex> hold(logGuard_);
    if (!logPath_.empty()) {
        if (std::FILE* file = std::fopen(logPath_.c_str(), "a")) {
            std::fprintf(file, "%lld\t%d\t%s\t%s\t%s\t%s\n", static_cast<long long>(Now()), status,
                         entry.target.c_str(), entry.userAgent.c_str(), entry.accept.c_str(),
                         entry.ifModifiedSince.c_str());
            std::fclose(file);
        }
    }
    requests_.push_back(std::move(entry));
}

bool NwsFake::Control(const httplib::Request& request, httplib::Response& response) {
    if (!StartsWith(request.path, "/_fake/")) {
        return false;
    }
    if (request.path == "/_fake/scenario") {
        auto scenario = ParseScenario(request.get_param_value("name"));
        if (!scenario) {
            response.status = 400;
            response.set_content("error: unknown scenario\n", "text/plain");
            return true;
        }
        SetScenario(*scenario);
    } else if (request.path == "/_fake/maxage") {
        SetMaxAge(std::atoi(request.get_param_value("seconds").c_str()));
    } else if (request.path == "/_fake/redirect") {
        // A redirect to wherever `to` says, for tests of which ones a
        // client follows.
        response.status = 302;
        response.set_header("Location", request.get_param_value("to"));
        return true;
    } else if (request.path == "/_fake/delay") {
        const int seconds = std::atoi(request.get_param_value("seconds").c_str());
        if (seconds < 0 || seconds > 600) {
            response.status = 400;
            response.set_content("error: delay out of range\n", "text/plain");
            return true;
        }
        SetDelay(seconds);
    } else {
        response.status = 404;
        response.set_content("error: unknown control\n", "text/plain");
        return true;
    }
    response.set_content("ok\n", "text/plain");
    return true;
}

void NwsFake::Delay(int seconds) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!stopping_.load() && scenario_.load() == Scenario::Slow &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void NwsFake::ServeHostile(httplib::Response& response, Scenario scenario) {
    response.status = 200;
    response.set_header("Cache-Control", "public, max-age=" + std::to_string(maxAge_.load()));
    if (scenario == Scenario::Deep) {
        response.set_content(std::string(1024 * 1024, '['), kGeoJson);
        return;
    }
    // One byte a chunk, as fast as the connection takes them, until the
    // client hangs up, the scenario changes, the fake stops or the longest
    // hang has passed.
    const auto deadline = std::chrono::steady_clock::now() + kLongestHang;
    response.set_chunked_content_provider(
        kGeoJson, [this, deadline](std::size_t offset, httplib::DataSink& sink) {
            const bool go_on = !stopping_.load() && scenario_.load() == Scenario::Trickle &&
                               std::chrono::steady_clock::now() < deadline;
            if (!go_on) {
                sink.done();
                return true;
            }
            return sink.write(offset == 0 ? "[" : " ", 1);
        });
}

void NwsFake::Route(const httplib::Request& request, httplib::Response& response) {
    if (Control(request, response)) {
        return;
    }
    const Scenario scenario = scenario_.load();
    if (scenario == Scenario::Slow) {
        // Nothing is written before the handler returns, so the client sees
        // its first byte only after the delay.
        Delay(delaySeconds_.load());
    }
    if (scenario == Scenario::Hang) {
        const auto deadline = std::chrono::steady_clock::now() + kLongestHang;
        while (!stopping_.load() && scenario_.load() == Scenario::Hang &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        Log(request, 0);
        response.status = 503;
        response.set_content(ProblemJson(503, "ServiceUnavailable"), "application/problem+json");
        return;
    }
    if (scenario == Scenario::Unavailable || scenario == Scenario::TooMany) {
        const int status = scenario == Scenario::TooMany ? 429 : 503;
        response.status = status;
        if (scenario == Scenario::TooMany) {
            response.set_header("Retry-After", "120");
        }
        response.set_content(ProblemJson(status, "Unavailable"), "application/problem+json");
        Log(request, status);
        return;
    }
    Serve(request, response, scenario);
    Log(request, response.status);
}

void NwsFake::Serve(const httplib::Request& request, httplib::Response& response,
                    Scenario scenario) {
    const std::string base = Base(request);
    const std::string& path = request.path;
    const std::int64_t now = Now();
    std::string body;
    // Observations change every few minutes, everything else never here.
    std::string lastModified = kLastModified;
    if (StartsWith(path, "/stations/")) {
        const std::string rest = path.substr(10);
        const std::string id = rest.substr(0, rest.find('/'));
        const bool observations =
            EndsWith(path, "/observations/latest") || EndsWith(path, "/observations");
        const bool silent = ChosenIsSilent(scenario) && !IsListedNeighbour(id);
        if (scenario == Scenario::NoStation || id == "KNONE" ||
            (silent && scenario == Scenario::Unknown) ||
            (silent && scenario == Scenario::Empty && observations)) {
            response.status = 404;
            response.set_content(ProblemJson(404, "NotFound"), "application/problem+json");
            return;
        }
        if (observations && (scenario == Scenario::Deep || scenario == Scenario::Trickle)) {
            ServeHostile(response, scenario);
            return;
        }
        if (rest == id) {
            body = StationJson(base, id);
        } else if (EndsWith(path, "/observations/latest")) {
            body = LatestObservationJson(base, id, KindOf(scenario, id), now);
            lastModified = ObservationsModified(scenario, now);
        } else if (EndsWith(path, "/observations")) {
            const int limit = request.has_param("limit")
                                  ? std::atoi(request.get_param_value("limit").c_str())
                                  : 10;
            body = ObservationListJson(base, id, KindOf(scenario, id), now, limit);
            lastModified = ObservationsModified(scenario, now);
        }
    } else if (StartsWith(path, "/points/") && EndsWith(path, "/stations")) {
        body = PointStationListJson(base, path.substr(8, path.size() - 8 - 9));
    } else if (StartsWith(path, "/points/")) {
        body = PointsJson(base, path.substr(8));
    } else if (StartsWith(path, "/gridpoints/") && EndsWith(path, "/stations")) {
        body = GridStationListJson(base, path.substr(12, path.find('/', 12) - 12));
    } else if (StartsWith(path, "/gridpoints/") && EndsWith(path, "/forecast")) {
        if (scenario == Scenario::GridFails) {
            response.status = 500;
            response.set_content(ProblemJson(500, "UnexpectedProblem"), "application/problem+json");
            return;
        }
        const std::string office = path.substr(12, path.find('/', 12) - 12);
        const bool si = request.has_param("units") && request.get_param_value("units") == "si";
        body = GridForecastJson(PlaceOfOffice(office), now, si);
    } else if (StartsWith(path, "/zones/forecast/") && EndsWith(path, "/forecast")) {
        body = ZoneForecastJson(now);
    } else if (path == "/alerts/active") {
        const int stormStep = scenario == Scenario::Storm         ? 1
                              : scenario == Scenario::StormUpdate ? 2
                              : scenario == Scenario::StormCancel ? 3
                                                                  : 0;
        body = stormStep != 0 ? StormAlertsJson(stormStep, now)
                              : AlertsJson(scenario == Scenario::Alerts, now);
        // The storm steps change within a minute: each answer is new.
        lastModified = stormStep != 0 ? HttpDate(now) : HttpDate(now / 60 * 60);
    } else if (path == "/api/data/metar") {
        // The aviation weather API sends no freshness; reports change.
        body = MetarJson(request.get_param_value("ids"), now);
        lastModified = HttpDate(now / 60 * 60);
    } else if (path == "/weatherapi/locationforecast/2.0/compact") {
        // MET Norway gives Expires, not max-age.
        body = MetNorwayJson(std::atof(request.get_param_value("lat").c_str()),
                             std::atof(request.get_param_value("lon").c_str()), now);
        response.set_header("Expires", HttpDate(now + maxAge_.load()));
        response.set_header("Last-Modified", lastModified);
        if (request.get_header_value("If-Modified-Since") == lastModified) {
            response.status = 304;
            return;
        }
        response.status = 200;
        response.set_content(body, "application/json");
        return;
    }
    if (body.empty()) {
        response.status = 404;
        response.set_content(ProblemJson(404, "NotFound"), "application/problem+json");
        return;
    }
    response.set_header("Cache-Control", "public, max-age=" + std::to_string(maxAge_.load()));
    response.set_header("Last-Modified", lastModified);
    if (request.get_header_value("If-Modified-Since") == lastModified) {
        response.status = 304;
        return;
    }
    response.status = 200;
    response.set_content(body, kGeoJson);
}

}  // namespace tickwell::tools::nws
