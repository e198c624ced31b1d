#include "platform/win32/demo/loopback_server.h"

// Winsock must come before the rest of the Windows headers.
// clang-format off
#include <winsock2.h>
#include <windows.h>
// clang-format on

namespace tickwell::win32 {

namespace {

// The longest request head read; the end of a head is a blank line.
constexpr std::size_t kMaxHeadBytes = 16 * 1024;
constexpr DWORD kReceiveTimeoutMs = 5000;

std::string ReadHead(SOCKET connection) {
    std::string head;
    char buffer[2048];
    while (head.size() < kMaxHeadBytes && head.find("\r\n\r\n") == std::string::npos) {
        const int got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

void SendAll(SOCKET connection, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int put =
            ::send(connection, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (put <= 0) return;
        sent += static_cast<std::size_t>(put);
    }
}

}  // namespace

LoopbackServer::LoopbackServer(Handler handler)
    : handler_(std::move(handler)), listener_(INVALID_SOCKET) {}

LoopbackServer::~LoopbackServer() {
    stopping_ = true;
    // Closing the listening socket ends the blocked accept.
    if (listener_ != INVALID_SOCKET) ::closesocket(listener_);
    if (acceptor_.joinable()) acceptor_.join();
    for (const std::unique_ptr<Connection>& connection : connections_) {
        connection->thread.join();
    }
    if (winsock_) ::WSACleanup();
}

bool LoopbackServer::Start() {
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
    winsock_ = true;
    const SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return false;
    listener_ = listener;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return false;
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread(&LoopbackServer::AcceptLoop, this);
    return true;
}

void LoopbackServer::AcceptLoop() {
    while (!stopping_) {
        const SOCKET connection = ::accept(listener_, nullptr, nullptr);
        if (connection == INVALID_SOCKET) {
            if (stopping_) return;
            ::Sleep(10);
            continue;
        }
        JoinFinished();
        auto entry = std::make_unique<Connection>();
        entry->thread = std::thread(&LoopbackServer::Serve, this, connection, entry.get());
        connections_.push_back(std::move(entry));
    }
}

void LoopbackServer::JoinFinished() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

void LoopbackServer::Serve(std::uintptr_t socket, Connection* entry) {
    const auto connection = static_cast<SOCKET>(socket);
    const DWORD timeout = kReceiveTimeoutMs;
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof timeout);
    const std::string head = ReadHead(connection);
    if (!head.empty()) SendAll(connection, handler_(head));
    ::shutdown(connection, SD_BOTH);
    ::closesocket(connection);
    entry->finished = true;
}

std::string RequestTarget(const std::string& head) {
    const std::size_t start = head.find(' ');
    if (start == std::string::npos) return {};
    const std::size_t end = head.find_first_of(" \r\n", start + 1);
    if (end == std::string::npos) return {};
    return head.substr(start + 1, end - start - 1);
}

std::string Answer(int status, const std::string& reason, const std::string& body,
                   const std::string& extraHeaders) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n" + body;
}

}  // namespace tickwell::win32
