#include "link/netsocket.h"

#include <algorithm>
#include <chrono>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_t = int;
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

namespace {

#ifdef _WIN32
using Raw = SOCKET;
constexpr int kSendFlags = 0;
bool WouldBlock()
{
    const int e = WSAGetLastError();
    return e == WSAEWOULDBLOCK || e == WSAEINPROGRESS;
}
void CloseRaw(Raw s)
{
    closesocket(s);
}
void SetBlocking(Raw s, bool blocking)
{
    u_long nb = blocking ? 0 : 1;
    ioctlsocket(s, FIONBIO, &nb);
}
#else
using Raw = int;
// A peer gone away must be an error result, not a signal that ends us.
constexpr int kSendFlags = MSG_NOSIGNAL;
bool WouldBlock()
{
    return errno == EWOULDBLOCK || errno == EAGAIN || errno == EINPROGRESS;
}
void CloseRaw(Raw s)
{
    close(s);
}
void SetBlocking(Raw s, bool blocking)
{
    const int flags = fcntl(s, F_GETFL, 0);
    fcntl(s, F_SETFL, blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK));
}
#endif

Raw R(TSocket::Native s)
{
    return static_cast<Raw>(s);
}

sockaddr_in Loopback(uint16_t port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

#ifdef _WIN32
using PollFd = WSAPOLLFD;
int PollRaw(PollFd* fds, size_t n, int timeoutMs)
{
    return WSAPoll(fds, static_cast<ULONG>(n), timeoutMs);
}
#else
using PollFd = pollfd;
int PollRaw(PollFd* fds, size_t n, int timeoutMs)
{
    for (;;) {
        const int r = poll(fds, static_cast<nfds_t>(n), timeoutMs);
        // A signal (a debugger, SIGCHLD of a test) is no reason to stop waiting.
        if (r >= 0 || errno != EINTR) return r;
    }
}
#endif

constexpr short kReadEvents = POLLIN;
constexpr short kWriteEvents = POLLOUT;
// Reported whether asked for or not.
constexpr short kTroubleEvents = POLLERR | POLLHUP | POLLNVAL;

// Waits for readability (or writability) of one socket. poll() rather than
// select(): a socket numbered past FD_SETSIZE must not write past the set.
bool WaitOne(Raw s, bool forWrite, int timeoutMs)
{
    PollFd p{};
    p.fd = s;
    p.events = forWrite ? kWriteEvents : kReadEvents;
    return PollRaw(&p, 1, timeoutMs < 0 ? -1 : timeoutMs) > 0;
}

} // namespace

bool NetStartup()
{
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return started;
#else
    return true;
#endif
}

TSocket& TSocket::operator=(TSocket&& o) noexcept
{
    if (this != &o) {
        Close();
        s_ = o.s_;
        o.s_ = kNone;
    }
    return *this;
}

void TSocket::Close()
{
    if (s_ != kNone) CloseRaw(R(s_));
    s_ = kNone;
}

TSocket TSocket::Listen(uint16_t port, std::string& error)
{
    TSocket s = Bind(port, error);
    if (!s.Valid() || !s.Listen(error)) return {};
    return s;
}

bool TSocket::Listen(std::string& error)
{
    if (listen(R(s_), SOMAXCONN) == 0) return true;
    error = "cannot listen on 127.0.0.1:" + std::to_string(LocalPort());
    return false;
}

TSocket TSocket::Bind(uint16_t port, std::string& error)
{
    NetStartup();
    TSocket s(static_cast<Native>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    if (R(s.s_) == static_cast<Raw>(-1)) {
        error = "cannot create a socket";
        return {};
    }
#ifdef _WIN32
    // Windows lets another program take over a port bound with SO_REUSEADDR;
    // keep ours to ourselves.
    int one = 1;
    setsockopt(R(s.s_), SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&one), sizeof one);
#else
    // Restarting right after a run must not wait for old connections to
    // leave TIME_WAIT.
    int one = 1;
    setsockopt(R(s.s_), SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
#endif
    const sockaddr_in a = Loopback(port);
    if (bind(R(s.s_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        error = "cannot bind 127.0.0.1:" + std::to_string(port) + " (in use?)";
        return {};
    }
    return s;
}

TSocket TSocket::Connect(uint16_t port, int timeoutMs)
{
    NetStartup();
    TSocket s(static_cast<Native>(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)));
    if (R(s.s_) == static_cast<Raw>(-1)) return {};
    SetBlocking(R(s.s_), false);
    const sockaddr_in a = Loopback(port);
    if (connect(R(s.s_), reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
        if (!WouldBlock() || !WaitOne(R(s.s_), true, timeoutMs)) return {};
        int err = 0;
        socklen_t len = sizeof err;
        getsockopt(R(s.s_), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&err), &len);
        if (err != 0) return {};
    }
    SetBlocking(R(s.s_), true);
    s.SetNoDelay();
    return s;
}

TSocket TSocket::Accept()
{
    const Raw c = accept(R(s_), nullptr, nullptr);
    if (c == static_cast<Raw>(-1)) return {};
    TSocket s(static_cast<Native>(c));
    s.SetNoDelay();
    return s;
}

uint16_t TSocket::LocalPort() const
{
    sockaddr_in a{};
    socklen_t len = sizeof a;
    if (getsockname(R(s_), reinterpret_cast<sockaddr*>(&a), &len) != 0) return 0;
    return ntohs(a.sin_port);
}

void TSocket::SetNoDelay()
{
    int one = 1;
    setsockopt(R(s_), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
}

void TSocket::SetNonBlocking()
{
    SetBlocking(R(s_), false);
}

void TSocket::Shutdown()
{
#ifdef _WIN32
    shutdown(R(s_), SD_BOTH);
#else
    shutdown(R(s_), SHUT_RDWR);
#endif
}

int TSocket::SendSome(const void* data, size_t size)
{
    const int n = static_cast<int>(send(R(s_), static_cast<const char*>(data),
                                        static_cast<int>(std::min<size_t>(size, 65536)), kSendFlags));
    if (n >= 0) return n;
    return WouldBlock() ? 0 : -1;
}

bool TSocket::SendAll(const void* data, size_t size, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() < 0 || !WaitOne(R(s_), true, static_cast<int>(left.count()))) return false;
        const int n = SendSome(p, size);
        if (n < 0) return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int TSocket::Recv(void* buffer, size_t size)
{
    const int n = static_cast<int>(recv(R(s_), static_cast<char*>(buffer), static_cast<int>(size), 0));
    return n < 0 ? -1 : n;
}

bool TSocket::WaitReadable(int timeoutMs) const
{
    return WaitOne(R(s_), false, timeoutMs);
}

size_t TPollSet::Add(const TSocket& s, bool wantWrite)
{
    fds_.push_back({s.Handle(), static_cast<short>(kReadEvents | (wantWrite ? kWriteEvents : 0)), 0});
    return fds_.size() - 1;
}

int TPollSet::Wait(int timeoutMs)
{
    std::vector<PollFd> raw(fds_.size());
    for (size_t i = 0; i < fds_.size(); ++i) {
        raw[i].fd = R(fds_[i].socket);
        raw[i].events = fds_[i].events;
    }
    const int n = PollRaw(raw.data(), raw.size(), timeoutMs < 0 ? -1 : timeoutMs);
    for (size_t i = 0; i < fds_.size(); ++i)
        fds_[i].revents = n > 0 ? raw[i].revents : 0;
    return n;
}

bool TPollSet::Readable(size_t index) const
{
    return index < fds_.size() && (fds_[index].revents & (kReadEvents | kTroubleEvents)) != 0;
}

bool TPollSet::Writable(size_t index) const
{
    return index < fds_.size() && (fds_[index].revents & (kWriteEvents | kTroubleEvents)) != 0;
}

uint16_t FreeLoopbackPort()
{
    std::string error;
    TSocket s = TSocket::Listen(0, error);
    return s.Valid() ? s.LocalPort() : 0;
}
