#include "connection_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

namespace tickwell::tools {
namespace {

constexpr int kReadTimeoutMs = 5000;
constexpr int kWriteTimeoutMs = 5000;
constexpr auto kKeepAliveIdle = std::chrono::seconds(5);
constexpr int kStopCheckMs = 50;
constexpr std::size_t kRequestsPerConnection = 100;

thread_local int currentSocket = -1;

bool WaitFor(int socket, short events, int timeoutMs) {
    pollfd entry{socket, events, 0};
    int result = 0;
    do {
        result = ::poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

void AddressOf(const sockaddr_storage& address, std::string& ip, int& port) {
    char text[INET6_ADDRSTRLEN] = "";
    if (address.ss_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        port = ntohs(v4->sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        port = ntohs(v6->sin6_port);
    }
    ip = text;
}

// A buffered stream over one accepted socket. Writes never raise SIGPIPE:
// a peer that has gone away makes them fail instead.
class SocketStream final : public httplib::Stream {
public:
    explicit SocketStream(int socket) : socket_(socket) {}

    bool is_readable() const override {
        return begin_ < end_ || WaitFor(socket_, POLLIN, kReadTimeoutMs);
    }
    bool is_writable() const override { return WaitFor(socket_, POLLOUT, kWriteTimeoutMs); }

    ssize_t read(char* ptr, size_t size) override {
        if (begin_ == end_) {
            if (!WaitFor(socket_, POLLIN, kReadTimeoutMs)) return -1;
            ssize_t got = 0;
            do {
                got = ::recv(socket_, buffer_, sizeof buffer_, 0);
            } while (got < 0 && errno == EINTR);
            if (got <= 0) return got;
            begin_ = 0;
            end_ = static_cast<size_t>(got);
        }
        const size_t count = std::min(size, end_ - begin_);
        std::copy(buffer_ + begin_, buffer_ + begin_ + count, ptr);
        begin_ += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t sent = 0;
        do {
            sent = ::send(socket_, ptr, size, MSG_NOSIGNAL);
        } while (sent < 0 && errno == EINTR);
        return sent;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getpeername(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            AddressOf(address, ip, port);
        }
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        sockaddr_storage address{};
        socklen_t length = sizeof address;
        if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
            AddressOf(address, ip, port);
        }
    }
    socket_t socket() const override { return socket_; }

    // Waits for the next request of a keep-alive connection: true when bytes
    // (or the peer's close) arrived, false after the idle time or on stop.
    bool WaitForNextRequest(const std::atomic<bool>& stopping) const {
        if (begin_ < end_) return true;
        const auto deadline = std::chrono::steady_clock::now() + kKeepAliveIdle;
        while (!stopping) {
            if (WaitFor(socket_, POLLIN, kStopCheckMs)) return true;
            if (std::chrono::steady_clock::now() >= deadline) return false;
        }
        return false;
    }

private:
    int socket_;
    char buffer_[4096];
    size_t begin_ = 0;
    size_t end_ = 0;
};

}  // namespace

ConnectionServer::ConnectionServer(int threads) {
    // Plain SO_REUSEADDR: unlike httplib's default it does not also set
    // SO_REUSEPORT, so a port already in use makes binding fail.
    set_socket_options([](socket_t sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // One thread per open connection.
    const auto count = static_cast<size_t>(threads > 0 ? threads : 1);
    new_task_queue = [count] { return new httplib::ThreadPool(count); };
    set_keep_alive_max_count(kRequestsPerConnection);
}

int ConnectionServer::CurrentSocket() {
    return currentSocket;
}

void ConnectionServer::Drop(int socket) {
    if (socket >= 0) ::shutdown(socket, SHUT_RDWR);
}

void ConnectionServer::DropAll(int keep) {
    std::lock_guard lock(mutex_);
    for (int socket : sockets_) {
        if (socket != keep) Drop(socket);
    }
}

void ConnectionServer::Shutdown() {
    stopping_ = true;
    stop();
    DropAll();
}

bool ConnectionServer::process_and_close_socket(socket_t sock) {
    {
        std::lock_guard lock(mutex_);
        sockets_.insert(sock);
    }
    currentSocket = sock;
    // Headers and body go out in separate writes; without this, Nagle's
    // algorithm and the peer's delayed ACK hold every answer back 40 ms.
    int yes = 1;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    SocketStream stream(sock);
    bool ok = true;
    for (std::size_t served = 0; served < keep_alive_max_count_; ++served) {
        if (stopping_ || !stream.WaitForNextRequest(stopping_)) break;
        // The last request a connection may carry is answered with
        // "Connection: close", as a web server with a request limit does.
        const bool last = served + 1 == keep_alive_max_count_;
        bool closedByPeer = false;
        ok = process_request(stream, last, closedByPeer, nullptr);
        if (!ok || closedByPeer) break;
    }
    currentSocket = -1;
    {
        // The socket leaves the set before it is closed, so DropAll never
        // touches a descriptor number that has been reused.
        std::lock_guard lock(mutex_);
        sockets_.erase(sock);
    }
    ::shutdown(sock, SHUT_RDWR);
    ::close(sock);
    return ok;
}

}  // namespace tickwell::tools
