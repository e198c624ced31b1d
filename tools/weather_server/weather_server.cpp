#include "weather_server.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "connection_server.h"
#include "fault_names.h"
#include "page_variants.h"
#include "request_log.h"

namespace tickwell::tools {
namespace {

constexpr const char* kForecastTarget =
    "/cgi-bin-den/webfcst.pl?city=Denver+and+northern+eastern+and+southern+Suburbs";
constexpr const char* kRoundupTarget =
    "/cgi-bin-den/showProduct.pl?title=na&product=rwrco&backto=1";
constexpr const char* kControlPrefix = "/control/";
constexpr auto kStartWait = std::chrono::seconds(5);

std::optional<Page> PageForTarget(const std::string& target) {
    if (target == kForecastTarget) return Page::Forecast;
    if (target == kRoundupTarget) return Page::Roundup;
    return std::nullopt;
}

std::size_t IndexOf(Page page) {
    return page == Page::Forecast ? 0 : 1;
}

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

// The page body as a content provider of known length: httplib then neither
// compresses it nor sends it chunked, whatever the client accepts.
void SetBody(httplib::Response& res, int status, std::string body) {
    res.status = status;
    const std::size_t size = body.size();
    if (size == 0) {
        res.set_content("", "text/html");
        return;
    }
    res.set_content_provider(
        size, "text/html",
        [text = std::move(body)](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(text.data() + offset, length);
        });
}

// Announces the whole body but sends only its first half; returning false
// from the provider makes the server close the connection.
void SetCutShortBody(httplib::Response& res, std::string body) {
    res.status = 200;
    const std::size_t size = body.size() < 2 ? 2 : body.size();
    res.set_content_provider(
        size, "text/html",
        [text = std::move(body)](std::size_t, std::size_t, httplib::DataSink& sink) {
            sink.write(text.data(), text.size() / 2);
            return false;
        });
}

// Reads the optional number parameter `name` into `value`; false when it is
// given but is no whole number within [low, high].
bool ReadParam(const httplib::Request& req, const char* name, long long low, long long high,
               long long& value) {
    if (!req.has_param(name)) return true;
    const auto number = ParseWholeNumber(req.get_param_value(name), low, high);
    if (number) value = *number;
    return number.has_value();
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

    if (req.path.rfind(kControlPrefix, 0) == 0) {
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

WeatherServer::WeatherServer() : impl_(std::make_unique<Impl>()) {
    impl_->pages[IndexOf(Page::Forecast)].body = SamplePage(Page::Forecast);
    impl_->pages[IndexOf(Page::Roundup)].body = SamplePage(Page::Roundup);
}

WeatherServer::~WeatherServer() {
    Stop();
}

bool WeatherServer::LoadPages(const std::string& folder) {
    std::string forecast;
    std::string roundup;
    if (!ReadWholeFile(folder + "/forecast.html", forecast) ||
        !ReadWholeFile(folder + "/roundup.html", roundup)) {
        return false;
    }
    SetPage(Page::Forecast, std::move(forecast));
    SetPage(Page::Roundup, std::move(roundup));
    return true;
}

void WeatherServer::SetPage(Page page, std::string body) {
    std::lock_guard lock(impl_->mutex);
    impl_->pages[IndexOf(page)].body = std::move(body);
}

bool WeatherServer::Start(const std::string& host, int port, int threads) {
    if (impl_->server) return false;
    auto server = std::make_unique<ConnectionServer>(
        threads > 0 ? threads : ConnectionServer::kDefaultThreads);
    server->set_pre_routing_handler([impl = impl_.get()](const auto& req, auto& res) {
        impl->Handle(req, res);
        return httplib::Server::HandlerResponse::Handled;
    });
    int bound = -1;
    if (port == 0) {
        bound = server->bind_to_any_port(host);
    } else if (server->bind_to_port(host, port)) {
        bound = port;
    }
    if (bound <= 0) return false;

    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = false;
    }
    impl_->server = std::move(server);
    impl_->boundPort = bound;
    impl_->listenerDone = false;
    impl_->listener = std::thread([impl = impl_.get()] {
        impl->server->listen_after_bind();
        impl->listenerDone = true;
    });
    // Stopping only takes effect once the server runs, so wait for that.
    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    while (!impl_->server->is_running() && !impl_->listenerDone &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!impl_->server->is_running()) {
        Stop();
        return false;
    }
    return true;
}

int WeatherServer::port() const {
    return impl_->boundPort;
}

void WeatherServer::Stop() {
    if (!impl_->server) return;
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    impl_->released.notify_all();
    impl_->server->Shutdown();
    if (impl_->listener.joinable()) impl_->listener.join();
    impl_->server.reset();
}

void WeatherServer::SetFault(Page page, const Fault& fault) {
    std::lock_guard lock(impl_->mutex);
    auto& state = impl_->pages[IndexOf(page)];
    state.fault = fault;
    state.remaining = fault.count;
}

void WeatherServer::ClearFaults() {
    std::lock_guard lock(impl_->mutex);
    impl_->Clear();
}

std::vector<RequestRecord> WeatherServer::Requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->records;
}

void WeatherServer::SetLogFile(const std::string& path) {
    std::lock_guard lock(impl_->mutex);
    impl_->logFile = path;
}

}  // namespace tickwell::tools
