// A small HTTP/1.1 server on 127.0.0.1 for the Windows demo and tests: each
// connection carries one request, whose head goes to a handler that returns
// the whole answer (status line, headers and body) as bytes.
//
// Debian's HTTP server library is built for Linux only (its header holds no
// definitions), so the Windows programs cannot embed the stand-in weather
// server; this serves what the demo needs on Winsock alone.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace tickwell::win32 {

class LoopbackServer {
public:
    // Gets the request head (request line and headers, up to the blank
    // line); returns the answer to send. It runs on the connection's own
    // thread and may block (a test's hung server).
    using Handler = std::function<std::string(const std::string& head)>;

    explicit LoopbackServer(Handler handler);
    // Stops the server: waits for the connections' handlers to return.
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Listens on a free port of 127.0.0.1; false when that fails.
    bool Start();
    std::uint16_t port() const { return port_; }

private:
    struct Connection {
        std::thread thread;
        std::atomic<bool> finished{false};
    };

    void AcceptLoop();
    void Serve(std::uintptr_t socket, Connection* connection);
    // Joins the threads of connections that have ended, so that a demo
    // running for days does not gather them.
    void JoinFinished();

    Handler handler_;
    std::uintptr_t listener_;
    std::uint16_t port_ = 0;
    bool winsock_ = false;
    std::atomic<bool> stopping_{false};
    std::thread acceptor_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

// The request target of a request head ("/a?b" of "GET /a?b HTTP/1.1").
std::string RequestTarget(const std::string& head);

// A complete answer with a body of known length, closing the connection.
std::string Answer(int status, const std::string& reason, const std::string& body,
                   const std::string& extraHeaders = "");

}  // namespace tickwell::win32
