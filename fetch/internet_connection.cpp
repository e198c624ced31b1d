#include "fetch/internet_connection.h"

#include <mutex>

#include "platform/loopback_host.h"

namespace tickwell {

ServerAddress weatherServer{TICKWELL_SERVER_HOST, TICKWELL_SERVER_PORT};

platform::HttpSession* internetSession = nullptr;
platform::HttpConnection* httpConnection = nullptr;

namespace {

platform::Internet* internet = nullptr;

// Guards httpConnection between the fetch job, which opens its requests on
// it, and shutdown, which deletes it. Held only while a request object is
// made or the connection is deleted, never during network traffic.
std::mutex& ConnectionGuard() {
    static std::mutex guard;
    return guard;
}

platform::Internet& CurrentInternet() {
    if (internet == nullptr) {
        internet = &platform::SystemInternet();
    }
    return *internet;
}

}  // namespace

void UseInternet(platform::Internet& replacement) {
    internet = &replacement;
}

bool CheckInternet() {
    // A server on this machine (the demos' stand-in server) is reached over
    // loopback, which needs no network at all.
    if (weatherServer.host != nullptr && platform::IsLoopbackHost(weatherServer.host)) return true;
    return CurrentInternet().CanConnect(weatherServer.host, weatherServer.port);
}

bool OpenSession() {
    internetSession = CurrentInternet().OpenSession(kUserAgent);
    return internetSession != nullptr;
}

bool OpenConnection() {
    platform::HttpConnection* connection =
        internetSession != nullptr
            ? internetSession->Connect(weatherServer.host, weatherServer.port, kServerUserName)
            : nullptr;
    std::lock_guard<std::mutex> hold(ConnectionGuard());
    httpConnection = connection;
    return httpConnection != nullptr;
}

void CloseSession() {
    delete internetSession;
    internetSession = nullptr;
}

void CloseConnection() {
    {
        std::lock_guard<std::mutex> hold(ConnectionGuard());
        delete httpConnection;
        httpConnection = nullptr;
    }
    CloseSession();
}

platform::HttpRequest* OpenWeatherRequest(const char* path) {
    std::lock_guard<std::mutex> hold(ConnectionGuard());
    return httpConnection != nullptr ? httpConnection->OpenRequest(path) : nullptr;
}

}  // namespace tickwell
