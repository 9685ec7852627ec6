// The library's side of the link to a device: one connection to the device
// (the simulator), kept by a watcher thread that connects, greets, receives
// replies into an inbox and reports arrivals and removals. It is what the
// interface library's seven operations do, in portable C++, so that a Windows
// library and a native program share one implementation.
//
// Replies are taken from the inbox under one lock; messages are sent one at a
// time outside it, so that a slow send holds up neither the watcher nor a
// reader. A request drops, in one step with its send, every reply that
// reached us before it: those answer earlier requests whose reads gave up.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "link/linkwire.h"
#include "link/netsocket.h"

// A time-out that never ends.
inline constexpr uint32_t kLinkWaitForever = 0xFFFFFFFF;

// Event codes passed to the notification routine: the interface library's.
inline constexpr uint32_t kLinkArrived = 3;
inline constexpr uint32_t kLinkRemoved = 0;

class TLinkClient {
public:
    using Clock = std::chrono::steady_clock;
    using Notify = std::function<void(uint32_t event)>;
    // Runs the body on a thread of its own; false when no thread could start.
    using ThreadStarter = std::function<bool(std::function<void()> body)>;

    struct Setup {
        // Asked at every attempt to connect, so that a changed setting is
        // followed without a restart. Empty: the default device port.
        std::function<uint16_t()> port;
        uint32_t processId = 0;
        // Empty: a detached std::thread. A library that can be unloaded
        // passes one that keeps its code loaded while the thread runs.
        ThreadStarter startThread;
    };

    explicit TLinkClient(Setup setup);
    // Closes the device, forgets the routine and waits for the watcher.
    ~TLinkClient();
    TLinkClient(const TLinkClient&) = delete;
    TLinkClient& operator=(const TLinkClient&) = delete;

    // False when no device answers, it is unplugged, or another process
    // holds it exclusively (LastRefusal says which).
    bool Open();
    void Close();
    bool IsOpen() const;
    // Milliseconds; kLinkWaitForever waits for ever, 0 does not wait.
    void SetTimeouts(uint32_t writeMs, uint32_t readMs);
    // While the device is open here, no other process may open it. False
    // when the device refused the claim (another process has it open) or
    // did not answer; the wish is kept for the next open either way.
    bool SetExclusive(bool on);
    // An empty routine unregisters; once that returns, the old routine is
    // no longer running (unless called from inside it).
    void SetNotify(Notify routine);
    // One frame per call (1..255 bytes). False when nothing open, or the
    // frame could not go out whole: then the link is closed, because the
    // device would read the rest as the start of the next message.
    bool Write(std::span<const uint8_t> frame);
    // The next reply, cut to fit the buffer; its full length is not kept.
    // Nothing when no reply came within the read time-out.
    std::optional<size_t> Read(std::span<uint8_t> buffer);

    // Why the last attempt to reach or open the device failed, as the device
    // put it ("device unplugged", "busy: held exclusively by process 12"),
    // or empty when it simply did not answer.
    std::string LastRefusal() const;

private:
    struct Watcher;
    // A watcher's connection while it lasts: the socket and the reader of
    // what arrives on it. It lives on its watcher's stack; that watcher alone
    // sets and clears link_, so a watcher still finishing never touches the
    // connection of the one started after it.
    struct Link {
        TSocket sock;
        TLinkReader reader;
    };
    struct Answer {
        bool granted = false;
        std::string reason;
    };
    enum class Taken { Nothing, Some, End };

    uint16_t Port() const;
    bool OnWatcherThread() const;
    void EnsureWatcher();
    void StopWatcherIfIdle();
    void WatchLoop(Watcher& self);
    TSocket Greet(TLinkReader& reader);
    void Receive(Link& link, const Watcher& self);
    // After a connection ends: how long to wait before the next attempt.
    uint32_t PauseAfter(Clock::duration lived);
    void CallRoutine(uint32_t event);

    Taken TakeArrivedLocked(Link& link);
    void DropStaleRepliesLocked();
    // What has arrived, taken from the socket up to a bound.
    void DrainArrivedLocked();
    // The caller holds sendMutex_.
    bool SendInTurn(LinkType type, std::span<const uint8_t> body, bool request);
    std::optional<Answer> AskInTurn(LinkType type, std::span<const uint8_t> body);
    void EndLinkAfterFailedSend(Link* link);

    template <class Done> bool WaitFor(std::unique_lock<std::mutex>& l, Done done, uint32_t timeoutMs);

    const Setup setup_;

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // Held by whoever sends on the connection, taken before mutex_: messages
    // never interleave, and the watcher closes no socket a sender still uses.
    std::mutex sendMutex_;

    // Everything below is guarded by mutex_.
    Link* link_ = nullptr;   // the watcher's connection; bytes leave its socket only under the lock
    bool linkEnded_ = false; // the connection is over; the watcher reports the removal
    bool opened_ = false;
    bool exclusive_ = false;
    uint32_t writeTimeoutMs_;
    uint32_t readTimeoutMs_;
    Notify routine_;
    int routineCalls_ = 0;
    std::deque<std::vector<uint8_t>> inbox_;
    std::deque<Answer> answers_;
    std::string refusal_;

    std::shared_ptr<Watcher> watcher_;
    int runningWatchers_ = 0;
    bool attemptWanted_ = false;
    bool attemptRunning_ = false;
    uint64_t attempts_ = 0;
    // Grows while connections end as soon as they are made (watcher only).
    uint32_t backOffMs_ = 0;
};
