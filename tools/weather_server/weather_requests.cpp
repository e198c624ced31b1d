// The weather pages' requests: what each one gets, decided when it arrives
// (a fault or the page), its record and log line, and the answer.
#include <string>
#include <utility>

#include "answers.h"
#include "page_variants.h"
#include "request_log.h"
#include "server_state.h"

namespace tickwell::tools {

namespace {

constexpr const char* kForecastTarget =
    "/cgi-bin-den/webfcst.pl?city=Denver+and+northern+eastern+and+southern+Suburbs";
constexpr const char* kRoundupTarget =
    "/cgi-bin-den/showProduct.pl?title=na&product=rwrco&backto=1";

std::optional<Page> PageForTarget(const std::string& target) {
    if (target == kForecastTarget) return Page::Forecast;
    if (target == kRoundupTarget) return Page::Roundup;
    return std::nullopt;
}

const char* StatusFor(Misbehaviour kind) {
    switch (kind) {
        case Misbehaviour::NotFound: return "404";
        case Misbehaviour::CutShort: return "cut";
        case Misbehaviour::CloseConnection: return "closed";
        case Misbehaviour::Hang: return "hung";
        default: return "200";
    }
}

}  // namespace

WeatherServer::Impl::Decision WeatherServer::Impl::Decide(Page page) {
    PageState& state = pages[IndexOf(page)];
    Decision decision;
    decision.body = state.body;
    decision.releasesSeen = releases;
    if (down) {
        decision.kind = Misbehaviour::CloseConnection;
        return decision;
    }
    if (state.fault.kind != Misbehaviour::None && state.remaining != 0) {
        decision.kind = state.fault.kind;
        decision.fault = state.fault;
        if (state.remaining > 0) --state.remaining;
    }
    return decision;
}

void WeatherServer::Impl::Record(std::chrono::system_clock::time_point when,
                                 const std::string& remote, const std::string& target,
                                 const std::string& status,
                                 const std::optional<RequestRecord>& record) {
    // Called with the mutex held, so lines keep their order in the file.
    if (record) records.push_back(*record);
    logLines.push_back(LogLine(when, remote, target, status));
    if (!logFile.empty()) AppendLine(logFile, logLines.back());
}

bool WeatherServer::Impl::Pause(int delayMs) {
    std::unique_lock lock(mutex);
    return !released.wait_for(lock, std::chrono::milliseconds(delayMs),
                              [this] { return stopping; });
}

void WeatherServer::Impl::WaitForRelease(unsigned releasesSeen) {
    std::unique_lock lock(mutex);
    released.wait(lock, [this, releasesSeen] { return stopping || releases != releasesSeen; });
}

void WeatherServer::Impl::Clear() {
    for (auto& state : pages) state.fault = Fault{};
    ++releases;
    released.notify_all();
}

void WeatherServer::Impl::Handle(const httplib::Request& req, httplib::Response& res) {
    const auto now = std::chrono::system_clock::now();
    const auto steadyNow = std::chrono::steady_clock::now();
    const std::string remote = req.remote_addr + ":" + std::to_string(req.remote_port);

    if (IsControlRequest(req)) {
        const std::string status = Control(req, res);
        std::lock_guard lock(mutex);
        Record(now, remote, req.target, status, std::nullopt);
        return;
    }

    const auto page = PageForTarget(req.target);
    if (!page || (req.method != "GET" && req.method != "HEAD")) {
        SetBody(res, 404, NotFoundPage());
        std::lock_guard lock(mutex);
        Record(now, remote, req.target, "404", std::nullopt);
        return;
    }

    Decision decision;
    {
        std::lock_guard lock(mutex);
        decision = Decide(*page);
        RequestRecord record{steadyNow, req.target,    *page,
                             remote,    decision.kind, StatusFor(decision.kind)};
        Record(now, remote, req.target, record.status, record);
    }
    ServeWeather(*page, std::move(decision), res);
}

void WeatherServer::Impl::ServeWeather(Page page, Decision decision, httplib::Response& res) {
    const int socket = ConnectionServer::CurrentSocket();
    if (decision.fault.delayMs > 0 && !Pause(decision.fault.delayMs)) {
        ConnectionServer::Drop(socket);
        return;
    }
    switch (decision.kind) {
        case Misbehaviour::NotFound: SetBody(res, 404, NotFoundPage()); break;
        case Misbehaviour::EmptyBody: SetBody(res, 200, ""); break;
        case Misbehaviour::CutShort: SetCutShortBody(res, std::move(decision.body)); break;
        case Misbehaviour::CloseConnection: ConnectionServer::Drop(socket); break;
        case Misbehaviour::Hang:
            WaitForRelease(decision.releasesSeen);
            ConnectionServer::Drop(socket);
            break;
        case Misbehaviour::LacksMark: SetBody(res, 200, WithoutMark(decision.body, page)); break;
        case Misbehaviour::Oversized:
            SetBody(
                res, 200,
                Oversized(decision.body, decision.fault.oversizeBytes, decision.fault.padAtStart));
            break;
        case Misbehaviour::None:
        case Misbehaviour::Slow: SetBody(res, 200, std::move(decision.body)); break;
    }
}

}  // namespace tickwell::tools
