#include "link/linkclient.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

namespace {

using Clock = TLinkClient::Clock;
using std::chrono::milliseconds;

constexpr uint32_t kDefaultTimeoutMs = 5000;
constexpr uint32_t kRetryMs = 250;
// Refused (unplugged, or held by another process): ask less often, so that a
// waiting process does not crowd the device's log.
constexpr uint32_t kRefusedRetryMs = 1000;
constexpr int kConnectTimeoutMs = 1000;
constexpr int kGreetingTimeoutMs = 2000;
// Open waits this long for the watcher's attempt to reach the device.
constexpr uint32_t kOpenWaitMs = 5000;
// How long an Open or an exclusive claim waits for the device's answer.
constexpr int kAnswerWaitMs = 3000;
// Nobody reading: keep the newest replies, drop the oldest.
constexpr size_t kInboxLimit = 64;
// Answers nobody waits for any more are dropped before each question; this
// only bounds what a peer answering unasked can pile up.
constexpr size_t kAnswerLimit = 8;
// Reads (of up to 512 bytes) that emptying the socket before a request or a
// question may take. A device that answers what it is asked has a few
// replies waiting at most; a peer that never stops sending would otherwise
// keep the caller, the panel's window thread, in that loop for good.
constexpr int kDrainReadLimit = 256;
// A connection that ends sooner than this after it was made (a peer that
// welcomes and hangs up, a server that crashes at every greeting) is
// followed by a pause before the next attempt: 100 ms, doubling up to 2 s.
// Every arrival and removal is a message to the panel's window.
constexpr milliseconds kShortLived{1000};
constexpr uint32_t kFirstBackOffMs = 100;
constexpr uint32_t kMaxBackOffMs = 2000;
// Stopping waits this long for the watcher to finish its current wait.
constexpr milliseconds kStopWait{5000};
// How long a stop request can go unnoticed while the watcher waits on the
// socket; replies wake it at once.
constexpr int kReceivePollMs = 100;

// Marks the watcher threads of each client, so that calls made from inside a
// notification (on the watcher itself) never wait for the watcher.
thread_local const TLinkClient* tlWatching = nullptr;

bool StartStdThread(std::function<void()> body)
{
    try {
        std::thread(std::move(body)).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, 0x7FFFFFFF));
}

} // namespace

// One per watcher thread, so that a watcher being stopped can never be
// mistaken for the one started after it.
struct TLinkClient::Watcher {
    std::atomic<bool> stop{false};
    bool done = false; // guarded by the client's lock
};

TLinkClient::TLinkClient(Setup setup)
    : setup_(std::move(setup)), writeTimeoutMs_(kDefaultTimeoutMs), readTimeoutMs_(kDefaultTimeoutMs)
{
}

TLinkClient::~TLinkClient()
{
    {
        std::lock_guard<std::mutex> l(mutex_);
        routine_ = nullptr;
    }
    Close();
    // Also a watcher that a stop above or before gave up waiting for: it
    // uses this object until it ends.
    std::unique_lock<std::mutex> l(mutex_);
    if (watcher_) watcher_->stop = true;
    changed_.notify_all();
    if (!OnWatcherThread()) changed_.wait(l, [&] { return runningWatchers_ == 0; });
}

uint16_t TLinkClient::Port() const
{
    return setup_.port ? setup_.port() : kDefaultSimPort;
}

bool TLinkClient::OnWatcherThread() const
{
    return tlWatching == this;
}

template <class Done>
bool TLinkClient::WaitFor(std::unique_lock<std::mutex>& l, Done done, uint32_t timeoutMs)
{
    if (timeoutMs == kLinkWaitForever) {
        changed_.wait(l, done);
        return true;
    }
    return changed_.wait_for(l, milliseconds(timeoutMs), done);
}

// Caller holds the lock. Moves what has reached the socket into the inbox
// and the answers, without waiting for more.
TLinkClient::Taken TLinkClient::TakeArrivedLocked(Link& link)
{
    TSocket& s = link.sock;
    TLinkReader& reader = link.reader;
    if (linkEnded_) return Taken::End;
    const bool readable = s.WaitReadable(0);
    int n = 0;
    if (readable) {
        uint8_t buf[512];
        n = s.Recv(buf, sizeof buf);
        if (n > 0) reader.Feed(std::span(buf, static_cast<size_t>(n)));
    }
    while (auto m = reader.Next()) {
        if (m->type == LinkType::Frame) {
            if (inbox_.size() == kInboxLimit) inbox_.pop_front();
            inbox_.push_back(std::move(m->body));
        } else if (m->type == LinkType::Granted || m->type == LinkType::Denied) {
            if (answers_.size() == kAnswerLimit) answers_.pop_front();
            answers_.push_back({m->type == LinkType::Granted, std::string(m->body.begin(), m->body.end())});
        }
    }
    changed_.notify_all();
    if ((readable && n <= 0) || reader.Broken()) {
        linkEnded_ = true;
        return Taken::End;
    }
    return readable ? Taken::Some : Taken::Nothing;
}

// Caller holds the lock, about to send a request. Every reply that has
// reached us answers an earlier request whose read has given up: left here,
// it would be taken as the answer to this one, and every later reply would
// go to the request after its own. That includes replies still in the
// socket, which is why replies leave the socket only under the lock.
void TLinkClient::DropStaleRepliesLocked()
{
    DrainArrivedLocked();
    inbox_.clear();
}

void TLinkClient::DrainArrivedLocked()
{
    if (!link_) return;
    for (int reads = 0; reads < kDrainReadLimit && TakeArrivedLocked(*link_) == Taken::Some; ++reads) {
    }
}

// A send that failed may have put part of a message on the wire; the device
// would read whatever comes next as the rest of it. Nothing more is sent on
// this connection: the watcher ends it, reports the removal and connects
// afresh, which the caller sees as an arrival once the device answers again.
void TLinkClient::EndLinkAfterFailedSend(Link* link)
{
    std::lock_guard<std::mutex> l(mutex_);
    if (link_ != link || linkEnded_) return;
    linkEnded_ = true;
    // Wakes the watcher at once rather than at its next look.
    link->sock.Shutdown();
    changed_.notify_all();
}

bool TLinkClient::SendInTurn(LinkType type, std::span<const uint8_t> body, bool request)
{
    Link* link;
    uint32_t timeoutMs;
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (request) {
            if (!opened_) return false;
            DropStaleRepliesLocked();
        }
        if (!link_ || linkEnded_) return false;
        link = link_;
        timeoutMs = writeTimeoutMs_;
    }
    const int t = timeoutMs == kLinkWaitForever ? 24 * 3600 * 1000
                                                : static_cast<int>(std::min<uint32_t>(timeoutMs, 0x7FFFFFFF));
    if (link->sock.SendAll(EncodeLink(type, body), t)) return true;
    EndLinkAfterFailedSend(link);
    return false;
}

// Sends an Open or Exclusive message and waits for the device's answer. The
// socket is read here too, not only by the watcher, so that a question asked
// from inside a notification (on the watcher's own thread) is answered.
std::optional<TLinkClient::Answer> TLinkClient::AskInTurn(LinkType type, std::span<const uint8_t> body)
{
    Link* link;
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (!link_ || linkEnded_) return std::nullopt;
        link = link_;
        // Answers to questions whose wait gave up.
        DrainArrivedLocked();
        answers_.clear();
    }
    if (!SendInTurn(type, body, false)) return std::nullopt;
    const auto deadline = Clock::now() + milliseconds(kAnswerWaitMs);
    for (;;) {
        {
            std::lock_guard<std::mutex> l(mutex_);
            if (link_ == link && !linkEnded_) TakeArrivedLocked(*link);
            if (!answers_.empty()) {
                Answer a = std::move(answers_.front());
                answers_.pop_front();
                return a;
            }
            if (link_ != link || linkEnded_) return std::nullopt;
        }
        const int left = RemainingMs(deadline);
        if (left == 0) return std::nullopt;
        // The socket stays open meanwhile: the watcher closes it only while
        // holding the send lock, which the caller holds.
        link->sock.WaitReadable(std::min(left, kReceivePollMs));
    }
}

void TLinkClient::CallRoutine(uint32_t event)
{
    Notify r;
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (!routine_) return;
        r = routine_;
        ++routineCalls_;
    }
    r(event);
    std::lock_guard<std::mutex> l(mutex_);
    --routineCalls_;
    changed_.notify_all();
}

// A connection the device has welcomed, or an invalid socket when it is
// absent, unplugged or held by another process.
TSocket TLinkClient::Greet(TLinkReader& reader)
{
    std::string refusal;
    TSocket s = TSocket::Connect(Port(), kConnectTimeoutMs);
    const auto finish = [&](TSocket result) {
        std::lock_guard<std::mutex> l(mutex_);
        refusal_ = refusal;
        return result;
    };
    if (!s.Valid()) return finish({});
    if (!s.SendAll(EncodeHello(setup_.processId, false), kConnectTimeoutMs)) return finish({});
    const auto deadline = Clock::now() + milliseconds(kGreetingTimeoutMs);
    for (;;) {
        if (auto m = reader.Next()) {
            if (m->type == LinkType::Welcome) return finish(std::move(s));
            refusal.assign(m->body.begin(), m->body.end());
            if (refusal.empty()) refusal = "refused";
            return finish({});
        }
        const int left = RemainingMs(deadline);
        if (reader.Broken() || left == 0 || !s.WaitReadable(left)) return finish({});
        uint8_t buf[256];
        const int n = s.Recv(buf, sizeof buf);
        if (n <= 0) return finish({});
        reader.Feed(std::span(buf, static_cast<size_t>(n)));
    }
}

// Until the peer goes away or the watcher is told to stop.
void TLinkClient::Receive(Link& link, const Watcher& self)
{
    for (;;) {
        link.sock.WaitReadable(kReceivePollMs);
        std::lock_guard<std::mutex> l(mutex_);
        if (self.stop || TakeArrivedLocked(link) == Taken::End) return;
    }
}

uint32_t TLinkClient::PauseAfter(Clock::duration lived)
{
    if (lived >= kShortLived) {
        backOffMs_ = 0;
        return 0;
    }
    backOffMs_ = backOffMs_ == 0 ? kFirstBackOffMs : std::min(backOffMs_ * 2, kMaxBackOffMs);
    return backOffMs_;
}

void TLinkClient::WatchLoop(Watcher& self)
{
    while (!self.stop) {
        {
            std::lock_guard<std::mutex> l(mutex_);
            attemptRunning_ = true;
        }
        Link link;
        link.sock = Greet(link.reader);
        bool refused;
        {
            std::lock_guard<std::mutex> l(mutex_);
            attemptRunning_ = false;
            attemptWanted_ = false;
            ++attempts_;
            refused = !refusal_.empty();
            if (link.sock.Valid() && !self.stop) {
                link_ = &link;
                linkEnded_ = false;
                inbox_.clear();
                answers_.clear();
            }
            changed_.notify_all();
        }
        if (!link.sock.Valid() || self.stop) {
            std::unique_lock<std::mutex> l(mutex_);
            if (!attemptWanted_ && !self.stop)
                changed_.wait_for(l, milliseconds(refused ? kRefusedRetryMs : kRetryMs));
            continue;
        }
        const auto connected = Clock::now();
        CallRoutine(kLinkArrived);
        Receive(link, self);
        {
            std::lock_guard<std::mutex> l(mutex_);
            // Only while the connection is this watcher's: a watcher being
            // stopped may finish after a new one has connected, and the
            // device state then is the new one's.
            if (link_ == &link) {
                link_ = nullptr;
                opened_ = false;
                inbox_.clear();
            }
            // Answers stay: a denied Open is followed at once by the end of
            // the connection, and the asker, which holds the send lock until
            // it has looked, must still find the reason.
            changed_.notify_all();
        }
        {
            std::lock_guard<std::mutex> sending(sendMutex_);
            link.sock.Close();
        }
        if (self.stop) continue;
        CallRoutine(kLinkRemoved);
        // Not cut short by an Open wanting an attempt: a caller that opens
        // in a loop would bring back the tight loop.
        if (const uint32_t pause = PauseAfter(Clock::now() - connected)) {
            std::unique_lock<std::mutex> l(mutex_);
            changed_.wait_for(l, milliseconds(pause), [&] { return self.stop.load(); });
        }
    }
}

void TLinkClient::EnsureWatcher()
{
    std::lock_guard<std::mutex> l(mutex_);
    if (watcher_) return;
    auto w = std::make_shared<Watcher>();
    auto body = [this, w] {
        tlWatching = this;
        WatchLoop(*w);
        tlWatching = nullptr;
        // The last use of this object by the thread.
        std::lock_guard<std::mutex> l(mutex_);
        w->done = true;
        --runningWatchers_;
        changed_.notify_all();
    };
    const ThreadStarter& start = setup_.startThread ? setup_.startThread : ThreadStarter(StartStdThread);
    ++runningWatchers_;
    if (start(std::move(body)))
        watcher_ = std::move(w);
    else
        --runningWatchers_;
}

// With the device closed and nobody to tell about plug events, the
// connection has no purpose: the watcher ends and the connection with it.
void TLinkClient::StopWatcherIfIdle()
{
    std::unique_lock<std::mutex> l(mutex_);
    if (!watcher_ || opened_ || routine_) return;
    const std::shared_ptr<Watcher> w = std::move(watcher_);
    w->stop = true;
    // Wakes the watcher from its wait on the socket at once rather than at
    // its next look: a program that opens, asks and closes is not kept a
    // tenth of a second longer than its work takes.
    if (link_ && !linkEnded_) link_->sock.Shutdown();
    changed_.notify_all();
    if (!OnWatcherThread()) changed_.wait_for(l, kStopWait, [&] { return w->done; });
}

bool TLinkClient::Open()
{
    EnsureWatcher();
    {
        std::unique_lock<std::mutex> l(mutex_);
        if (!watcher_) return false;
        // Ask the watcher to try now rather than at its next turn; an attempt
        // already under way may have started before the device came up, so
        // wait for the one after it.
        if (!link_ && !OnWatcherThread()) {
            const uint64_t target = attempts_ + (attemptRunning_ ? 2 : 1);
            attemptWanted_ = true;
            changed_.notify_all();
            const auto tried = [&] { return link_ || attempts_ >= target || !watcher_; };
            WaitFor(l, tried, kOpenWaitMs);
        }
        if (!link_ || linkEnded_) return false;
        if (opened_) return true;
    }
    std::lock_guard<std::mutex> sending(sendMutex_);
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (opened_) return true;
    }
    // Whether the device is free is decided when it is opened, not only when
    // the connection was made: another process may have claimed it since.
    const auto answer = AskInTurn(LinkType::Open, {});
    uint8_t flag;
    {
        std::lock_guard<std::mutex> l(mutex_);
        if (!answer || !answer->granted) {
            refusal_ = answer ? answer->reason : "";
            return false;
        }
        refusal_.clear();
        opened_ = true;
        flag = exclusive_ ? 1 : 0;
    }
    // A claim the device refuses leaves the device open, shared.
    AskInTurn(LinkType::Exclusive, std::span(&flag, 1));
    return true;
}

void TLinkClient::Close()
{
    bool wasOpen;
    {
        std::lock_guard<std::mutex> l(mutex_);
        wasOpen = opened_;
        opened_ = false;
        inbox_.clear();
        changed_.notify_all();
    }
    if (wasOpen) {
        std::lock_guard<std::mutex> sending(sendMutex_);
        SendInTurn(LinkType::Close, {}, false);
    }
    StopWatcherIfIdle();
}

bool TLinkClient::IsOpen() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return opened_;
}

void TLinkClient::SetTimeouts(uint32_t writeMs, uint32_t readMs)
{
    std::lock_guard<std::mutex> l(mutex_);
    writeTimeoutMs_ = writeMs;
    readTimeoutMs_ = readMs;
}

bool TLinkClient::SetExclusive(bool on)
{
    std::lock_guard<std::mutex> sending(sendMutex_);
    uint8_t flag = on ? 1 : 0;
    {
        std::lock_guard<std::mutex> l(mutex_);
        exclusive_ = on;
        if (!opened_) return true;
    }
    const auto answer = AskInTurn(LinkType::Exclusive, std::span(&flag, 1));
    return answer && answer->granted;
}

void TLinkClient::SetNotify(Notify routine)
{
    const bool registering = static_cast<bool>(routine);
    {
        std::unique_lock<std::mutex> l(mutex_);
        routine_ = std::move(routine);
        // The caller may free what the old routine uses once we return.
        const auto idle = [&] { return routineCalls_ == 0; };
        if (!registering && !OnWatcherThread()) WaitFor(l, idle, kLinkWaitForever);
    }
    if (registering)
        EnsureWatcher();
    else
        StopWatcherIfIdle();
}

bool TLinkClient::Write(std::span<const uint8_t> frame)
{
    if (frame.empty() || frame.size() >= kMaxLinkMessage) return false;
    std::lock_guard<std::mutex> sending(sendMutex_);
    return SendInTurn(LinkType::Frame, frame, true);
}

std::optional<size_t> TLinkClient::Read(std::span<uint8_t> buffer)
{
    std::unique_lock<std::mutex> l(mutex_);
    if (!opened_) return std::nullopt;
    const auto replied = [&] { return !inbox_.empty() || !opened_ || !link_; };
    WaitFor(l, replied, readTimeoutMs_);
    if (inbox_.empty() || !opened_) return std::nullopt;
    const std::vector<uint8_t> frame = std::move(inbox_.front());
    inbox_.pop_front();
    const size_t n = std::min(buffer.size(), frame.size());
    if (n > 0) std::memcpy(buffer.data(), frame.data(), n);
    return n;
}

std::string TLinkClient::LastRefusal() const
{
    std::lock_guard<std::mutex> l(mutex_);
    return refusal_;
}
