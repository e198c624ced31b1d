#include "weather_server.h"

#include <fstream>
#include <sstream>
#include <utility>

#include "server_state.h"

namespace tickwell::tools {
namespace {

constexpr auto kStartWait = std::chrono::seconds(5);

bool ReadWholeFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    text = content.str();
    return true;
}

}  // namespace

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
