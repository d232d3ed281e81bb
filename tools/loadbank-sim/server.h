// The load bank on a TCP port: plain sockets (POSIX or Winsock) and poll() on one thread of its own, so a
// test can run a simulator inside its own process. One connection at a time, like the
// instrument: a new connection replaces the old one.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "loadbank/load_bank.h"
#include "net.h"

namespace loadbank {

struct ServerOptions {
    std::string bind = "127.0.0.1";  // IPv4 address to listen on
    std::uint16_t port = 2200;       // 0: any free port; port() tells which
    double speed = 1.0;              // test seconds per real second; 0 holds the test clock
    Options model;
    // One line per connection event, request and write, from the server thread. It must not
    // call back into the server.
    std::function<void(const std::string&)> log;
    // Each answer as the model made it, before its writes are queued; same rules as log.
    std::function<void(const Answer&)> onAnswer;
};

class Server {
public:
    // Builds the model; throws std::invalid_argument for unusable options.
    explicit Server(ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds and starts the thread; throws std::system_error when the address cannot be used.
    // With refuseConnections the port is bound but never listened on, so connects are refused.
    void start();
    // Closes everything and joins the thread. Safe to call twice.
    void stop();

    std::uint16_t port() const { return port_; }
    unsigned connectionsAccepted() const { return accepted_.load(); }

    // Runs f on the model while the server thread keeps off it (e.g. to move the test clock).
    template <class F>
    decltype(auto) withModel(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(model_);
    }

private:
    struct Pending;
    void run();

    ServerOptions o_;
    LoadBank model_;
    std::mutex mutex_;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::atomic<unsigned> accepted_{0};
    net::Startup sockets_;
    net::Socket listenFd_ = net::kNoSocket;
    net::Socket wake_ = net::kNoSocket; // a datagram to itself wakes the thread to stop
    std::uint16_t port_ = 0;
    std::chrono::steady_clock::time_point started_;
};

// "?" -> "\"?\"", control characters shown as \r, \n or \xNN.
std::string quoted(const std::string& bytes);

}  // namespace loadbank
