// The state behind a WeatherServer, shared by its parts: the pages and
// their faults, the records and the log, and the listening server. Only the
// server's own sources include it.
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "connection_server.h"
#include "weather_server.h"

namespace tickwell::tools {

inline std::size_t IndexOf(Page page) {
    return page == Page::Forecast ? 0 : 1;
}

// Whether a request is one of the control commands (Impl::Control).
bool IsControlRequest(const httplib::Request& req);

struct WeatherServer::Impl {
    struct PageState {
        std::string body;
        Fault fault;
        int remaining = 0;  // misbehaving requests left; -1: no end
    };

    // What one weather request gets, decided when it arrives.
    struct Decision {
        Misbehaviour kind = Misbehaviour::None;
        Fault fault;
        std::string body;
        unsigned releasesSeen = 0;  // a later clearing releases a hung answer
    };

    mutable std::mutex mutex;
    std::condition_variable released;  // wakes slow and hung answers
    unsigned releases = 0;             // counts the clearings of the faults
    bool stopping = false;
    bool down = false;
    std::array<PageState, 2> pages;
    std::vector<RequestRecord> records;
    std::vector<std::string> logLines;
    std::string logFile;

    std::unique_ptr<ConnectionServer> server;
    std::thread listener;
    std::atomic<bool> listenerDone{false};
    int boundPort = 0;

    Decision Decide(Page page);
    void Record(std::chrono::system_clock::time_point when, const std::string& remote,
                const std::string& target, const std::string& status,
                const std::optional<RequestRecord>& record);
    void Handle(const httplib::Request& req, httplib::Response& res);
    void ServeWeather(Page page, Decision decision, httplib::Response& res);
    std::string Control(const httplib::Request& req, httplib::Response& res);
    // Waits `delayMs`; false when the server stops first.
    bool Pause(int delayMs);
    // Waits until the server stops or the faults have been cleared since
    // `releasesSeen` was taken.
    void WaitForRelease(unsigned releasesSeen);
    // Clears both faults and releases the hung answers; the mutex is held.
    void Clear();
};

}  // namespace tickwell::tools
