// The control requests a test sends to the server (/control/fault, clear,
// down, up and log).
#include <string>

#include "answers.h"
#include "fault_names.h"
#include "page_variants.h"
#include "server_state.h"

namespace tickwell::tools {

namespace {

constexpr const char* kControlPrefix = "/control/";

// Reads the optional number parameter `name` into `value`; false when it is
// given but is no whole number within [low, high].
bool ReadParam(const httplib::Request& req, const char* name, long long low, long long high,
               long long& value) {
    if (!req.has_param(name)) return true;
    const auto number = ParseWholeNumber(req.get_param_value(name), low, high);
    if (number) value = *number;
    return number.has_value();
}

}  // namespace

bool IsControlRequest(const httplib::Request& req) {
    return req.path.rfind(kControlPrefix, 0) == 0;
}

std::string WeatherServer::Impl::Control(const httplib::Request& req, httplib::Response& res) {
    const std::string command = req.path.substr(std::string(kControlPrefix).size());
    auto answer = [&res](int status, const std::string& text) {
        res.status = status;
        res.set_content(text + "\n", "text/plain");
        return std::to_string(status);
    };

    std::unique_lock lock(mutex);
    if (command == "fault") {
        const auto page = PageFromName(req.get_param_value("page"));
        const auto kind = MisbehaviourFromName(req.get_param_value("kind"));
        if (!page || !kind) return answer(400, "error: page and kind are needed");
        Fault fault;
        fault.kind = *kind;
        long long count = fault.count;
        long long delay = fault.delayMs;
        long long bytes = static_cast<long long>(fault.oversizeBytes);
        long long padStart = 0;
        if (!ReadParam(req, "count", -1, kMaxFaultCount, count) ||
            !ReadParam(req, "delay", 0, kMaxDelayMs, delay) ||
            !ReadParam(req, "bytes", 0, kMaxOversizeBytes, bytes) ||
            !ReadParam(req, "padstart", 0, 1, padStart)) {
            return answer(400, "error: count, delay, bytes or padstart out of range");
        }
        fault.count = static_cast<int>(count);
        fault.delayMs = static_cast<int>(delay);
        fault.oversizeBytes = static_cast<std::size_t>(bytes);
        fault.padAtStart = padStart != 0;
        PageState& state = pages[IndexOf(*page)];
        state.fault = fault;
        state.remaining = fault.count;
        return answer(200, "ok");
    }
    if (command == "clear") {
        Clear();
        return answer(200, "ok");
    }
    if (command == "down" || command == "up") {
        down = command == "down";
        // Going down also ends the open connections, so that a client's
        // kept-alive connection notices at once.
        if (down && server) server->DropAll(ConnectionServer::CurrentSocket());
        return answer(200, "ok");
    }
    if (command == "log") {
        std::string text;
        for (const auto& line : logLines) text += line + "\n";
        res.status = 200;
        res.set_content(text, "text/plain");
        return "200";
    }
    SetBody(res, 404, NotFoundPage());
    return "404";
}

}  // namespace tickwell::tools
