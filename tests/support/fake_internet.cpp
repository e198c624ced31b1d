#include "support/fake_internet.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>

namespace tickwell::fakes {

struct FakeInternet::Shared {
    mutable std::mutex mutex;
    std::condition_variable changed;
    bool reachable = true;
    bool sessionFails = false;
    bool connectFails = false;
    std::map<std::string, FakeResponse> responses;
    std::map<std::string, std::deque<FakeResponse>> queued;
    bool holdSends = false;
    int heldSends = 0;
    std::vector<std::string> openedPaths;
    std::vector<FakeRead> reads;
    int liveRequests = 0;
    int liveConnections = 0;
    int liveSessions = 0;
    std::string userAgent;
    std::string host;
    std::uint16_t port = 0;
    std::string userName;
};

namespace {

using Shared = FakeInternet::Shared;

class FakeRequest : public platform::HttpRequest {
public:
    FakeRequest(std::shared_ptr<Shared> shared, std::shared_ptr<bool> connectionOpen,
                std::string path, FakeResponse response)
        : shared_(std::move(shared)),
          connectionOpen_(std::move(connectionOpen)),
          path_(std::move(path)),
          response_(std::move(response)) {}

    ~FakeRequest() override {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        --shared_->liveRequests;
    }

    bool Send() override {
        std::unique_lock<std::mutex> hold(shared_->mutex);
        if (shared_->holdSends) {
            ++shared_->heldSends;
            shared_->changed.notify_all();
            shared_->changed.wait(hold, [this] { return !shared_->holdSends; });
            --shared_->heldSends;
        }
        sent_ = *connectionOpen_ && !response_.sendFails;
        return sent_;
    }

    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) override {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        *delivered = 0;
        bool ok = sent_ && *connectionOpen_ && !response_.readFails;
        if (ok) {
            std::size_t count = std::min<std::size_t>(capacity, response_.body.size() - offset_);
            if (response_.chunk != 0) {
                count = std::min<std::size_t>(count, response_.chunk);
            }
            std::copy_n(response_.body.data() + offset_, count, buffer);
            offset_ += count;
            *delivered = static_cast<std::uint32_t>(count);
        }
        shared_->reads.push_back({path_, capacity, *delivered});
        return ok;
    }

private:
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<bool> connectionOpen_;  // guarded by shared_->mutex
    std::string path_;
    FakeResponse response_;
    std::size_t offset_ = 0;
    bool sent_ = false;
};

class FakeConnection : public platform::HttpConnection {
public:
    explicit FakeConnection(std::shared_ptr<Shared> shared)
        : shared_(std::move(shared)), open_(std::make_shared<bool>(true)) {}

    ~FakeConnection() override {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        *open_ = false;
        --shared_->liveConnections;
    }

    platform::HttpRequest* OpenRequest(const char* path) override {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        shared_->openedPaths.push_back(path);
        FakeResponse response = shared_->responses[path];
        auto queued = shared_->queued.find(path);
        if (queued != shared_->queued.end() && !queued->second.empty()) {
            response = queued->second.front();
            queued->second.pop_front();
        }
        if (response.openFails) {
            return nullptr;
        }
        ++shared_->liveRequests;
        return new FakeRequest(shared_, open_, path, response);
    }

private:
    std::shared_ptr<Shared> shared_;
    std::shared_ptr<bool> open_;
};

class FakeSession : public platform::HttpSession {
public:
    explicit FakeSession(std::shared_ptr<Shared> shared) : shared_(std::move(shared)) {}

    ~FakeSession() override {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        --shared_->liveSessions;
    }

    platform::HttpConnection* Connect(const char* host, std::uint16_t port,
                                      const char* userName) override {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        shared_->host = host;
        shared_->port = port;
        shared_->userName = userName;
        if (shared_->connectFails) {
            return nullptr;
        }
        ++shared_->liveConnections;
        return new FakeConnection(shared_);
    }

private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace

FakeInternet::FakeInternet() : shared_(std::make_shared<Shared>()) {}

FakeInternet::~FakeInternet() {
    ReleaseSends();
}

bool FakeInternet::CanConnect(const char* host, std::uint16_t port) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->host = host;
    shared_->port = port;
    return shared_->reachable;
}

platform::HttpSession* FakeInternet::OpenSession(const char* userAgent) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->userAgent = userAgent;
    if (shared_->sessionFails) {
        return nullptr;
    }
    ++shared_->liveSessions;
    return new FakeSession(shared_);
}

void FakeInternet::SetReachable(bool reachable) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->reachable = reachable;
}

void FakeInternet::SetSessionFails(bool fails) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->sessionFails = fails;
}

void FakeInternet::SetConnectFails(bool fails) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->connectFails = fails;
}

void FakeInternet::SetResponse(const std::string& path, const FakeResponse& response) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->responses[path] = response;
}

void FakeInternet::QueueResponse(const std::string& path, const FakeResponse& response) {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->queued[path].push_back(response);
}

void FakeInternet::HoldSends() {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    shared_->holdSends = true;
}

void FakeInternet::ReleaseSends() {
    {
        std::lock_guard<std::mutex> hold(shared_->mutex);
        shared_->holdSends = false;
    }
    shared_->changed.notify_all();
}

bool FakeInternet::WaitForHeldSend(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> hold(shared_->mutex);
    return shared_->changed.wait_for(hold, timeout, [this] { return shared_->heldSends > 0; });
}

std::vector<std::string> FakeInternet::OpenedPaths() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->openedPaths;
}

std::vector<FakeRead> FakeInternet::Reads() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->reads;
}

int FakeInternet::LiveRequests() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->liveRequests;
}

int FakeInternet::LiveConnections() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->liveConnections;
}

int FakeInternet::LiveSessions() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->liveSessions;
}

std::string FakeInternet::UserAgent() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->userAgent;
}

std::string FakeInternet::ConnectedHost() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->host;
}

std::uint16_t FakeInternet::ConnectedPort() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->port;
}

std::string FakeInternet::UserName() const {
    std::lock_guard<std::mutex> hold(shared_->mutex);
    return shared_->userName;
}

}  // namespace tickwell::fakes
