// A stand-in for the weather web server: serves the zone-forecast and the
// roundup page on loopback, logs every request, and misbehaves on request.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tickwell::tools {

enum class Page { Forecast, Roundup };

enum class Misbehaviour {
    None,
    NotFound,         // 404 with an HTML error page
    EmptyBody,        // 200 with no body
    CutShort,         // announces a longer body than it sends, then closes
    CloseConnection,  // closes the connection without answering
    Slow,             // answers after delayMs
    Hang,             // never answers until the server stops
    LacksMark,        // the page without "FORECAST" / without the station row
    Oversized,        // a body of oversizeBytes (default 64 KiB)
};

struct Fault {
    Misbehaviour kind = Misbehaviour::None;
    int count = -1;  // how many requests misbehave; -1: all of them
    int delayMs = 0;
    std::size_t oversizeBytes = 64 * 1024;
    // Oversized only: the padding goes before the page instead of after it,
    // so that the page's marks lie beyond the first oversizeBytes - page size.
    bool padAtStart = false;
};

struct RequestRecord {
    std::chrono::steady_clock::time_point when;
    std::string path;
    Page page;
    std::string remote;  // address:port, one per TCP connection
    Misbehaviour misbehaviour = Misbehaviour::None;
    // As in the log: the HTTP status sent ("200", "404"), or "cut", "closed"
    // or "hung" when no complete answer was sent.
    std::string status;
};

// The bundled sample pages, compiled into the library.
const std::string& SamplePage(Page page);

class WeatherServer {
public:
    // Serves the bundled sample pages; LoadPages replaces them from a folder
    // holding forecast.html and roundup.html.
    WeatherServer();
    ~WeatherServer();
    WeatherServer(const WeatherServer&) = delete;
    WeatherServer& operator=(const WeatherServer&) = delete;

    bool LoadPages(const std::string& folder);
    void SetPage(Page page, std::string body);

    // Listens on host:port (port 0: any free port) on a thread of its own,
    // serving up to `threads` connections at once (0: room for a test's
    // many clients and hung answers).
    bool Start(const std::string& host = "127.0.0.1", int port = 0, int threads = 0);
    int port() const;
    // Stops listening; hung answers are released.
    void Stop();

    void SetFault(Page page, const Fault& fault);
    // Clears both pages' faults; answers still hung end, their connections
    // closing without an answer.
    void ClearFaults();

    std::vector<RequestRecord> Requests() const;
    // Also appends every request to this file as one line:
    // "<ISO time with ms> <remote> <path> <status>".
    void SetLogFile(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace tickwell::tools
