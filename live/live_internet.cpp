#include "live/live_internet.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "resources/request_paths.h"

namespace tickwell::live {

namespace {

enum class Page { Forecast, Roundup };

class LiveRequest : public platform::HttpRequest {
public:
    LiveRequest(LiveSource& source, Page page) : source_(source), page_(page) {}

    bool Send() override {
        body_ = page_ == Page::Forecast ? source_.ForecastPage() : source_.RoundupPage();
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
    LiveSource& source_;
    Page page_;
    std::optional<std::string> body_;
    std::size_t offset_ = 0;
};

class LiveConnection : public platform::HttpConnection {
public:
    explicit LiveConnection(LiveSource& source) : source_(source) {}
    ~LiveConnection() override { source_.Abort(); }

    platform::HttpRequest* OpenRequest(const char* path) override {
        if (path == nullptr) {
            return nullptr;
        }
        if (std::strcmp(path, forecastPath) == 0) {
            return new (std::nothrow) LiveRequest(source_, Page::Forecast);
        }
        if (std::strcmp(path, roundupPath) == 0) {
            return new (std::nothrow) LiveRequest(source_, Page::Roundup);
        }
        return nullptr;
    }

private:
    LiveSource& source_;
};

class LiveSession : public platform::HttpSession {
public:
    explicit LiveSession(LiveSource& source) : source_(source) {}
    ~LiveSession() override { source_.Abort(); }

    platform::HttpConnection* Connect(const char*, std::uint16_t, const char*) override {
        return new (std::nothrow) LiveConnection(source_);
    }

private:
    LiveSource& source_;
};

}  // namespace

bool LiveInternet::CanConnect(const char* host, std::uint16_t port) {
    return system_.CanConnect(host, port);
}

platform::HttpSession* LiveInternet::OpenSession(const char*) {
    return new (std::nothrow) LiveSession(source_);
}

}  // namespace tickwell::live
