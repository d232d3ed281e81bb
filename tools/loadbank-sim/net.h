// The few socket calls the simulator and its tests make, the same on Linux (POSIX sockets) and
// on Windows (Winsock), so the server's logic carries no #ifdef.
#pragma once

#include <string>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace loadbank::net {

#ifdef _WIN32
using Socket = SOCKET;
inline const Socket kNoSocket = INVALID_SOCKET;
using PollFd = WSAPOLLFD;
inline constexpr int kSendFlags = 0;
inline constexpr int kConnectionRefused = WSAECONNREFUSED;
inline int lastError() { return ::WSAGetLastError(); }
inline bool retryLater(int e) { return e == WSAEWOULDBLOCK || e == WSAEINTR; }
inline const std::error_category& errors() { return std::system_category(); }
inline int pollSockets(PollFd* fds, unsigned n, int timeoutMs) { return ::WSAPoll(fds, n, timeoutMs); }
inline void closeSocket(Socket s) { ::closesocket(s); }
inline bool setNonBlocking(Socket s) {
    u_long on = 1;
    return ::ioctlsocket(s, FIONBIO, &on) == 0;
}
// Exclusive: Windows would otherwise let a second server bind the same port.
inline void ownPort(Socket s) {
    const BOOL on = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
}
// Winsock must be started before the first socket call; each start is matched by one cleanup.
struct Startup {
    Startup() {
        WSADATA d;
        ::WSAStartup(MAKEWORD(2, 2), &d);
    }
    ~Startup() { ::WSACleanup(); }
    Startup(const Startup&) = delete;
    Startup& operator=(const Startup&) = delete;
};
#else
using Socket = int;
inline constexpr Socket kNoSocket = -1;
using PollFd = pollfd;
inline constexpr int kSendFlags = MSG_NOSIGNAL; // a closed peer is an error, not a SIGPIPE
inline constexpr int kConnectionRefused = ECONNREFUSED;
inline int lastError() { return errno; }
inline bool retryLater(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINTR; }
inline const std::error_category& errors() { return std::generic_category(); }
inline int pollSockets(PollFd* fds, unsigned n, int timeoutMs) { return ::poll(fds, n, timeoutMs); }
inline void closeSocket(Socket s) { ::close(s); }
inline bool setNonBlocking(Socket s) {
    const int flags = ::fcntl(s, F_GETFL);
    return flags >= 0 && ::fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
// A restarted simulator can bind its port again while old connections linger.
inline void ownPort(Socket s) {
    const int on = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}
struct Startup {};
#endif

// A socket of the given type that child processes do not inherit.
inline Socket openSocket(int type) {
#ifdef _WIN32
    return ::WSASocketW(AF_INET, type, 0, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
#else
    return ::socket(AF_INET, type | SOCK_CLOEXEC, 0);
#endif
}

inline std::system_error lastSystemError(const std::string& what) {
    return std::system_error(lastError(), errors(), what);
}

inline std::string errorText(int e) { return std::error_code(e, errors()).message(); }

inline void closeAndForget(Socket& s) {
    if (s != kNoSocket) closeSocket(s);
    s = kNoSocket;
}

} // namespace loadbank::net
