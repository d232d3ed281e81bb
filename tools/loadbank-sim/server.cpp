#include "server.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <deque>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace loadbank {
namespace {

using Clock = std::chrono::steady_clock;

using net::closeAndForget;
using net::lastSystemError;

std::string clockText(double seconds) {
    if (!(seconds >= 0)) seconds = 0;
    const auto s = static_cast<long long>(seconds);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

// A peer that sends requests but never reads would otherwise make the queue grow forever.
constexpr std::size_t kMaxQueuedBytes = 1 << 20;

template <class Queue>
std::size_t queuedBytes(const Queue& q) {
    std::size_t n = 0;
    for (const auto& p : q) n += p.bytes.size() - p.sent;
    return n;
}

std::string peerText(const sockaddr_in& a) {
    char ip[INET_ADDRSTRLEN] = "?";
    ::inet_ntop(AF_INET, &a.sin_addr, ip, sizeof ip);
    return std::string(ip) + ":" + std::to_string(ntohs(a.sin_port));
}

}  // namespace

std::string quoted(const std::string& bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') { out += '\\'; out += static_cast<char>(c); }
        else if (c < 0x20 || c >= 0x7F) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

struct Server::Pending {
    std::string bytes;
    std::size_t sent = 0;
    Clock::time_point due;
    bool close = false;
    std::string label;
};

Server::Server(ServerOptions options) : o_(std::move(options)), model_(o_.model) {
    if (!(o_.speed >= 0 && o_.speed <= 1e6)) throw std::invalid_argument("speed must be 0 to 1000000");
}

Server::~Server() { stop(); }

void Server::start() {
    if (thread_.joinable()) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(o_.port);
    if (::inet_pton(AF_INET, o_.bind.c_str(), &addr.sin_addr) != 1)
        throw std::system_error(std::make_error_code(std::errc::invalid_argument),
                                "not an IPv4 address: " + o_.bind);

    listenFd_ = net::openSocket(SOCK_STREAM);
    if (listenFd_ == net::kNoSocket) throw lastSystemError("socket");
    net::setNonBlocking(listenFd_);
    net::ownPort(listenFd_);
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        auto e = lastSystemError("cannot bind " + o_.bind + ":" + std::to_string(o_.port));
        closeAndForget(listenFd_);
        throw e;
    }
    // Refusing: the port stays ours but nobody listens, so the kernel answers connects with a reset.
    const bool listening = model_.acceptsConnections();
    if (listening && ::listen(listenFd_, 4) != 0) {
        auto e = lastSystemError("listen");
        closeAndForget(listenFd_);
        throw e;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);

    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t selfLen = sizeof self;
    wake_ = net::openSocket(SOCK_DGRAM);
    if (wake_ == net::kNoSocket || ::bind(wake_, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0 ||
        ::getsockname(wake_, reinterpret_cast<sockaddr*>(&self), &selfLen) != 0 ||
        ::connect(wake_, reinterpret_cast<sockaddr*>(&self), sizeof self) != 0) {
        auto e = lastSystemError("wake-up socket");
        closeAndForget(wake_);
        closeAndForget(listenFd_);
        throw e;
    }
    stopping_ = false;
    started_ = Clock::now();
    thread_ = std::thread([this] { run(); });
}

void Server::stop() {
    if (thread_.joinable()) {
        stopping_ = true;
        const char c = 'x';
        ::send(wake_, &c, 1, 0);
        thread_.join();
    }
    closeAndForget(listenFd_);
    closeAndForget(wake_);
}

void Server::run() {
    net::Socket client = net::kNoSocket;
    std::deque<Pending> queue;
    Clock::time_point lastDue = Clock::now();
    char buf[4096];

    const auto prefix = [this] {
        const double real = std::chrono::duration<double>(Clock::now() - started_).count();
        char head[64];
        std::snprintf(head, sizeof head, "[%9.3f s | test %s] ", real, clockText(model_.time()).c_str());
        return std::string(head);
    };
    const auto log = [&](const std::string& line) {
        if (o_.log) o_.log(prefix() + line);
    };
    const auto syncClock = [this] {
        const double real = std::chrono::duration<double>(Clock::now() - started_).count();
        model_.advanceTo(o_.model.startSeconds + real * o_.speed);
    };
    const auto dropClient = [&](const std::string& why) {
        if (client == net::kNoSocket) return;
        closeAndForget(client);
        queue.clear();
        log(why);
    };

    while (!stopping_) {
        const auto now = Clock::now();
        int timeoutMs = 200;  // also keeps the record memory filling while nobody is connected
        bool wantWrite = false;
        if (!queue.empty()) {
            if (queue.front().due <= now) {
                wantWrite = true;  // poll wakes as soon as the socket takes bytes
            } else {
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(queue.front().due - now);
                timeoutMs = static_cast<int>(std::min<long long>(wait.count(), timeoutMs));
            }
        }

        net::PollFd fds[3];
        unsigned n = 0;
        fds[n++] = {wake_, POLLIN, 0};
        const unsigned listenIdx = model_.acceptsConnections() ? n : 99;
        if (listenIdx != 99) fds[n++] = {listenFd_, POLLIN, 0};
        const unsigned clientIdx = client != net::kNoSocket ? n : 99;
        if (client != net::kNoSocket) {
            fds[n++] = {client, static_cast<short>(wantWrite ? POLLIN | POLLOUT : POLLIN), 0};
        }
        if (net::pollSockets(fds, n, timeoutMs) < 0 && !net::retryLater(net::lastError())) break;
        if (stopping_) break;

        std::lock_guard<std::mutex> lock(mutex_);
        try {
            syncClock();

            if (listenIdx != 99 && (fds[listenIdx].revents & POLLIN)) {
                sockaddr_in peer{};
                socklen_t len = sizeof peer;
                const net::Socket fd = ::accept(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len);
                if (fd != net::kNoSocket) {
                    if (client != net::kNoSocket) dropClient("connection replaced by a new one");
                    client = fd;
                    net::setNonBlocking(client);
                    const int one = 1;
                    // Each write must leave as its own segment, not wait to be merged.
                    ::setsockopt(client, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
                    model_.connected();
                    lastDue = Clock::now();
                    ++accepted_;
                    log("connected from " + peerText(peer));
                }
            }

            if (clientIdx != 99 && client != net::kNoSocket && (fds[clientIdx].revents & (POLLIN | POLLHUP | POLLERR))) {
                const auto got = ::recv(client, buf, sizeof buf, 0);
                if (got == 0) {
                    dropClient("the logger closed the connection");
                } else if (got < 0) {
                    const int e = net::lastError();
                    if (!net::retryLater(e)) dropClient("connection lost: " + net::errorText(e));
                } else if (queuedBytes(queue) > kMaxQueuedBytes) {
                    dropClient("the logger is not reading its replies: connection dropped");
                } else {
                    for (Answer& a : model_.receive(std::string_view(buf, static_cast<std::size_t>(got)))) {
                        if (o_.onAnswer) o_.onAnswer(a);
                        if (o_.log) {
                            std::string line = "<- " + quoted(a.request);
                            if (a.reply.empty()) line += "  (no answer)";
                            if (!a.fault.empty()) line += "  [" + a.fault + "]";
                            log(line);
                        }
                        const auto t = Clock::now();
                        for (std::size_t i = 0; i < a.writes.size(); ++i) {
                            Write& w = a.writes[i];
                            Pending p;
                            p.due = std::max(t, lastDue) + std::chrono::milliseconds(w.delayMs);
                            lastDue = p.due;
                            p.bytes = std::move(w.bytes);
                            p.close = w.close;
                            if (a.writes.size() > 1)
                                p.label = "  (write " + std::to_string(i + 1) + " of " +
                                          std::to_string(a.writes.size()) + ")";
                            queue.push_back(std::move(p));
                        }
                    }
                }
            }

            // Writes that are due, each with its own send() so split and joined replies keep
            // their shape on the wire.
            while (client != net::kNoSocket && !queue.empty() && queue.front().due <= Clock::now()) {
                Pending& p = queue.front();
                if (p.sent < p.bytes.size()) {
                    const auto put = ::send(client, p.bytes.data() + p.sent,
                                            static_cast<int>(std::min<std::size_t>(p.bytes.size() - p.sent, 1 << 30)),
                                            net::kSendFlags);
                    if (put < 0) {
                        if (net::retryLater(net::lastError())) break;
                        dropClient("connection lost while writing");
                        break;
                    }
                    if (p.sent == 0 && put > 0 && o_.log) log("-> " + quoted(p.bytes) + p.label);
                    p.sent += static_cast<std::size_t>(put);
                    if (p.sent < p.bytes.size()) break;
                }
                const bool close = p.close;
                queue.pop_front();
                if (close) dropClient("closed the connection on purpose");
            }
            if (client == net::kNoSocket) queue.clear();
        } catch (const std::exception& e) {
            log(std::string("internal error: ") + e.what());
        }
    }
    closeAndForget(client);
}

}  // namespace loadbank
