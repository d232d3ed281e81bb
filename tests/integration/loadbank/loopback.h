// A plain TCP client for the tests, to 127.0.0.1 only. It reads one recv() at a time so a
// test can see how the bytes were written.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "net.h"

namespace loadbank::test {

using Clock = std::chrono::steady_clock;

inline long long msSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class LoopbackClient {
public:
    explicit LoopbackClient(std::uint16_t port) : fd_(net::openSocket(SOCK_STREAM)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) error_ = net::lastError(), close();
    }
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return fd_ != net::kNoSocket; }
    int error() const { return error_; }
    void close() { net::closeAndForget(fd_); }
    bool send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const auto n = ::send(fd_, bytes.data() + done, static_cast<int>(bytes.size() - done), net::kSendFlags);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    // One recv(): nothing after timeoutMs of silence, "" when the peer has closed.
    std::optional<std::string> readChunk(int timeoutMs) {
        net::PollFd p{fd_, POLLIN, 0};
        if (!connected() || net::pollSockets(&p, 1, timeoutMs) <= 0) return std::nullopt;
        char buf[65536];
        const auto n = ::recv(fd_, buf, sizeof buf, 0);
        return n <= 0 ? std::string() : std::string(buf, static_cast<std::size_t>(n));
    }
    // Up to `max` bytes, stopping at quietMs of silence or at the peer's close.
    std::string read(int quietMs, std::size_t max = SIZE_MAX) {
        std::string all;
        while (all.size() < max) {
            auto c = readChunk(quietMs);
            if (!c || c->empty()) break;
            all += *c;
        }
        return all;
    }

private:
    net::Startup sockets_;
    net::Socket fd_;
    int error_ = 0;
};

}  // namespace loadbank::test
