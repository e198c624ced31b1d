// A fake of the weather service's API over HTTPS on loopback, for tests:
// serves station, points, gridpoint and zone forecasts, observations and
// active alerts with cache headers, misbehaves as its scenario says, and
// logs every request with its User-Agent.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class SSLServer;
struct Request;
struct Response;
}  // namespace httplib

namespace tickwell::tools::nws {

// What the fake does (see tools/README.md).
enum class Scenario {
    Ok,
    Unavailable,
    TooMany,
    Hang,
    Nulls,
    Old,
    NoStation,
    Alerts,
    GridFails,
    Slow,
    // Observations: a megabyte of '[', an endless body of one-byte chunks,
    // or stamped a year ahead.
    Deep,
    Trickle,
    Future,
    // Warnings in three steps: a Tornado Warning, one Severe Thunderstorm
    // Warning under two ids and a Wind Advisory; then the tornado warning
    // updated; then that update cancelled.
    Storm,
    StormUpdate,
    StormCancel,
    // The chosen station (any but the listed neighbours, see payloads.h)
    // silent: observations three hours old, observations answering 404,
    // or the station itself unknown (404).
    Stale,
    Empty,
    Unknown,
    // Observations 12.5 C warmer than in `ok`.
    Warmer
};

std::optional<Scenario> ParseScenario(const std::string& name);
const char* ScenarioName(Scenario scenario);

struct LoggedRequest {
    std::string target;  // path and query
    int status = 0;      // 0 for an answer that hung until the end
    std::string userAgent;
    std::string accept;
    std::string ifModifiedSince;
};

class NwsFake {
public:
    NwsFake();
    ~NwsFake();

    // Listens on host:port (0: any free port) with the certificate and key
    // files given. False when that fails.
    bool Start(const std::string& host, int port, const std::string& certFile,
               const std::string& keyFile);
    void Stop();
    int port() const { return port_; }

    void SetScenario(Scenario scenario);
    void SetMaxAge(int seconds);
    // How long the `slow` scenario waits before each answer.
    void SetDelay(int seconds);
    // Appends one line per request to `path`.
    void SetLogFile(const std::string& path);

    std::vector<LoggedRequest> Requests() const;
    // Requests whose target starts with `prefix`.
    int CountRequests(const std::string& prefix) const;

private:
    void Route(const httplib::Request& request, httplib::Response& response);
    bool Control(const httplib::Request& request, httplib::Response& response);
    void Serve(const httplib::Request& request, httplib::Response& response, Scenario scenario);
    // Waits `seconds`, or less when the fake stops or the scenario is no
    // longer `slow`.
    void Delay(int seconds) const;
    // The observations' answer of the hostile scenarios.
    void ServeHostile(httplib::Response& response, Scenario scenario);
    void Log(const httplib::Request& request, int status);
    std::string Base(const httplib::Request& request) const;

    std::unique_ptr<httplib::SSLServer> server_;
    std::thread thread_;
    int port_ = 0;
    std::atomic<Scenario> scenario_{Scenario::Ok};
    std::atomic<int> maxAge_{60};
    std::atomic<int> delaySeconds_{8};
    std::atomic<bool> stopping_{false};
    mutable std::mutex logGuard_;
    std::vector<LoggedRequest> requests_;
    std::string logPath_;
};

}  // namespace tickwell::tools::nws
