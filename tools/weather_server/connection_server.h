// An httplib server that runs each connection's keep-alive loop itself, so
// that it knows every open socket: a handler may end its own connection
// without an answer, and stopping the server closes idle keep-alive
// connections at once instead of waiting for their time-out.
#pragma once

#include <httplib.h>

#include <atomic>
#include <mutex>
#include <set>

namespace tickwell::tools {

class ConnectionServer : public httplib::Server {
public:
    // `threads` connections are served at once; more wait for a free thread.
    explicit ConnectionServer(int threads = kDefaultThreads);

    // Room for the program's keep-alive connection, a test's clients and a
    // few hung answers.
    static constexpr int kDefaultThreads = 32;

    // The socket of the connection whose request the calling thread is
    // handling; -1 outside a handler.
    static int CurrentSocket();
    // Shuts the socket down both ways: the peer sees the connection end, and
    // the connection's loop ends after the current request.
    static void Drop(int socket);

    // Drops every open connection except `keep`.
    void DropAll(int keep = -1);
    // Ends every connection and stops listening; listen_after_bind returns
    // once the connections' threads have finished.
    void Shutdown();

private:
    bool process_and_close_socket(socket_t sock) override;

    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::set<int> sockets_;
};

}  // namespace tickwell::tools
