#include "live/live_internet.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "resources/request_paths.h"

namespace tickwell::live {

namespace {

enum class Page { Forecast, Roundup };

// The two sources a request may be answered by.
struct Sources {
    LiveSource& us;
    WorldSource* world;  // null: the weather service's stations only

    void Abort() const {
        us.Abort();
        if (world != nullptr) {
            world->Abort();
        }
    }
};

class LiveRequest : public platform::HttpRequest {
public:
    LiveRequest(Sources sources, Page page) : sources_(sources), page_(page) {}

    bool Send() override {
        // A station outside the US goes to the world source; the choice is
        // made afresh for every request, so a switch of station in the
        // Location dialog moves between the two.
        const std::string id = sources_.us.StationId();
        if (sources_.world != nullptr && WorldSource::Serves(id)) {
            body_ = page_ == Page::Forecast ? sources_.world->ForecastPage(id)
                                            : sources_.world->RoundupPage(id);
        } else {
            body_ =
                page_ == Page::Forecast ? sources_.us.ForecastPage() : sources_.us.RoundupPage();
        }
        offset_ = 0;
        return body_.has_value();
    }

    bool Read(char* buffer, std::uint32_t capacity, std::uint32_t* delivered) override {
        *delivered = 0;
        if (!body_) {
            return false;
        }
        const std::size_t count = std::min<std::size_t>(capacity, body_->size() - offset_);
        std::memcpy(buffer, body_->data() + offset_, count);
        offset_ += count;
        *delivered = static_cast<std::uint32_t>(count);
        return true;
    }

private:
    Sources sources_;
    Page page_;
    std::optional<std::string> body_;
    std::size_t offset_ = 0;
};

class LiveConnection : public platform::HttpConnection {
public:
    explicit LiveConnection(Sources sources) : sources_(sources) {}
    ~LiveConnection() override { sources_.Abort(); }

    platform::HttpRequest* OpenRequest(const char* path) override {
        if (path == nullptr) {
            return nullptr;
        }
        if (std::strcmp(path, forecastPath) == 0) {
            return new (std::nothrow) LiveRequest(sources_, Page::Forecast);
        }
        if (std::strcmp(path, roundupPath) == 0) {
            return new (std::nothrow) LiveRequest(sources_, Page::Roundup);
        }
        return nullptr;
    }

private:
    Sources sources_;
};

class LiveSession : public platform::HttpSession {
public:
    explicit LiveSession(Sources sources) : sources_(sources) {}
    ~LiveSession() override { sources_.Abort(); }

    platform::HttpConnection* Connect(const char*, std::uint16_t, const char*) override {
        return new (std::nothrow) LiveConnection(sources_);
    }

private:
    Sources sources_;
};

}  // namespace

bool LiveInternet::CanConnect(const char* host, std::uint16_t port) {
    return system_.CanConnect(host, port);
}

platform::HttpSession* LiveInternet::OpenSession(const char*) {
    return new (std::nothrow) LiveSession(Sources{source_, world_});
}

}  // namespace tickwell::live
