// A thin wrapper over TCP sockets on the loopback interface, the same on
// BSD sockets and Winsock. Everything here blocks for at most the time
// asked; nothing is ever sent or accepted from another host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Winsock needs starting once per process; a no-op elsewhere. Safe to call
// more than once.
bool NetStartup();

class TSocket {
public:
    using Native = intptr_t; // SOCKET or int, with -1 for "none" on both
    static constexpr Native kNone = -1;

    TSocket() = default;
    explicit TSocket(Native s) : s_(s) {}
    TSocket(TSocket&& o) noexcept : s_(o.s_) { o.s_ = kNone; }
    TSocket& operator=(TSocket&& o) noexcept;
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    ~TSocket() { Close(); }

    bool Valid() const { return s_ != kNone; }
    Native Handle() const { return s_; }
    void Close();

    // Listening on 127.0.0.1:port; port 0 takes any free port (see LocalPort).
    static TSocket Listen(uint16_t port, std::string& error);
    // The same in two steps: the port is taken at Bind, connections are
    // accepted from Listen on.
    static TSocket Bind(uint16_t port, std::string& error);
    bool Listen(std::string& error);
    // Connected to 127.0.0.1:port within timeoutMs, or an invalid socket.
    static TSocket Connect(uint16_t port, int timeoutMs);
    TSocket Accept();
    uint16_t LocalPort() const;

    // Small messages go out at once rather than waiting to be batched.
    void SetNoDelay();
    // Calls no longer wait: Accept gives an invalid socket and SendSome 0
    // when nothing can be done now.
    void SetNonBlocking();
    // Ends both directions at once; a thread waiting on the socket wakes.
    void Shutdown();
    bool SendAll(const void* data, size_t size, int timeoutMs);
    bool SendAll(const std::vector<uint8_t>& bytes, int timeoutMs)
    {
        return SendAll(bytes.data(), bytes.size(), timeoutMs);
    }
    // Bytes sent now (possibly 0 on a non-blocking socket), -1 on error.
    int SendSome(const void* data, size_t size);
    // Bytes read (> 0), 0 when the peer closed, -1 on error.
    int Recv(void* buffer, size_t size);
    // True when Recv would not block, false after timeoutMs (-1: forever).
    bool WaitReadable(int timeoutMs) const;

private:
    Native s_ = kNone;
};

// Waits until any of a set of sockets can be read or written. Built on
// poll()/WSAPoll(), so it takes any number of sockets of any number.
class TPollSet {
public:
    // The index to ask about after Wait.
    size_t Add(const TSocket& s, bool wantWrite = false);
    void Clear() { fds_.clear(); }
    // Number of sockets with news; -1 on error.
    int Wait(int timeoutMs);
    // Also true when the peer hung up or the socket failed: the next Recv
    // tells which.
    bool Readable(size_t index) const;
    bool Writable(size_t index) const;

private:
    struct Entry {
        TSocket::Native socket;
        short events;
        short revents;
    };
    std::vector<Entry> fds_;
};

// A port nobody listens on right now (for tests). There is a short race with
// other programs until the caller binds it.
uint16_t FreeLoopbackPort();
