// A plain TCP client for the tests, to 127.0.0.1 only. It reads one recv() at a time so a
// test can see how the bytes were written.
#pragma once

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>

namespace loadbank::test {

using Clock = std::chrono::steady_clock;

inline long long msSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class LoopbackClient {
public:
    explicit LoopbackClient(std::uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) error_ = errno, close();
    }
    ~LoopbackClient() { close(); }
    LoopbackClient(const LoopbackClient&) = delete;
    LoopbackClient& operator=(const LoopbackClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    int error() const { return error_; }
    void close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    bool send(const std::string& bytes) {
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }
    // One recv(): nothing after timeoutMs of silence, "" when the peer has closed.
    std::optional<std::string> readChunk(int timeoutMs) {
        pollfd p{fd_, POLLIN, 0};
        if (fd_ < 0 || ::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
        char buf[65536];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
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
    int fd_;
    int error_ = 0;
};

}  // namespace loadbank::test
