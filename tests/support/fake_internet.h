// An HTTP library without a network: each path answers with a scripted
// response, every call is recorded, and sending can be held until a test
// releases it. Thread-safe; its objects stay usable after the FakeInternet
// itself is gone.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/http.h"

namespace tickwell::fakes {

struct FakeResponse {
    bool openFails = false;  // OpenRequest returns null
    bool sendFails = false;
    bool readFails = false;  // every Read fails
    std::string body;
    // The most one Read delivers; 0: as much as asked.
    std::uint32_t chunk = 0;
};

struct FakeRead {
    std::string path;
    std::uint32_t capacity;
    std::uint32_t delivered;
};

class FakeInternet : public platform::Internet {
public:
    FakeInternet();
    ~FakeInternet() override;

    bool CanConnect(const char* host, std::uint16_t port) override;
    platform::HttpSession* OpenSession(const char* userAgent) override;

    // What CanConnect, OpenSession and Connect answer (all succeed at first).
    void SetReachable(bool reachable);
    void SetSessionFails(bool fails);
    void SetConnectFails(bool fails);

    // The answer for every request of `path` that no queued answer serves.
    void SetResponse(const std::string& path, const FakeResponse& response);
    // Answers for the next requests of `path`, once each, in order.
    void QueueResponse(const std::string& path, const FakeResponse& response);

    // While held, Send blocks until Release (or until the fake is destroyed).
    void HoldSends();
    void ReleaseSends();
    // Waits until a Send is blocked by HoldSends; false after `timeout`.
    bool WaitForHeldSend(std::chrono::milliseconds timeout);

    std::vector<std::string> OpenedPaths() const;
    std::vector<FakeRead> Reads() const;
    int LiveRequests() const;
    int LiveConnections() const;
    int LiveSessions() const;
    std::string UserAgent() const;
    std::string ConnectedHost() const;
    std::uint16_t ConnectedPort() const;
    std::string UserName() const;

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};

}  // namespace tickwell::fakes
