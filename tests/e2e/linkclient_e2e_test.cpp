// The link client, as the interface library and orvane-ctl use it, against
// the real simulator and against peers that misbehave on purpose. Built with
// AddressSanitizer: the watcher thread, senders and readers all meet here.
#include "link/linkclient.h"

#include <sys/socket.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "device/deviceframe.h"
#include "tests/e2e/simprocess.h"

namespace {

using namespace simtest;

// What a client's notification routine heard.
class Events {
public:
    TLinkClient::Notify Routine()
    {
        return [this](uint32_t code) {
            std::lock_guard<std::mutex> l(mutex_);
            codes_.push_back(code);
            changed_.notify_all();
        };
    }
    // Waits for the n-th event with this code since the start.
    bool WaitFor(uint32_t code, size_t n = 1, std::chrono::milliseconds within = 10s)
    {
        std::unique_lock<std::mutex> l(mutex_);
        return changed_.wait_for(l, within, [&] { return Count(code) >= n; });
    }
    size_t Count(uint32_t code) const
    {
        return static_cast<size_t>(std::count(codes_.begin(), codes_.end(), code));
    }
    size_t CountNow(uint32_t code)
    {
        std::lock_guard<std::mutex> l(mutex_);
        return Count(code);
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<uint32_t> codes_;
};

std::unique_ptr<TLinkClient> NewClient(uint16_t port, uint32_t pid)
{
    return std::make_unique<TLinkClient>(TLinkClient::Setup{[port] { return port; }, pid, {}});
}

std::vector<uint8_t> Request(RequestKind kind, const ParameterSet& p = kStartParameters)
{
    const RequestFrame f = BuildRequest(kind, p);
    return {f.bytes.begin(), f.bytes.begin() + f.length};
}

// A request and its reply, the panel's way: the reply's command byte, or
// nothing.
std::optional<uint8_t> Ask(TLinkClient& c, RequestKind kind)
{
    if (!c.Write(Request(kind))) return std::nullopt;
    DeviceFrame b{};
    const auto n = c.Read(b);
    if (!n || !CheckReply(b, static_cast<int64_t>(*n), true)) return std::nullopt;
    return b[3];
}

TEST(LinkClient, ServesRequestsThroughPluggingAndLateReplies)
{
    Scratch s;
    SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
    Events events;
    auto c = NewClient(sim.port, 1);
    c->SetNotify(events.Routine());
    ASSERT_TRUE(events.WaitFor(kLinkArrived));
    ASSERT_TRUE(c->Open());
    c->SetTimeouts(1000, 300);
    EXPECT_EQ(Ask(*c, RequestKind::Poll), 0x01);

    // A reply that comes after its read gave up answers nothing later.
    EXPECT_EQ(sim.Command("fault delay 500"), "ok fault delay 500");
    EXPECT_FALSE(Ask(*c, RequestKind::Poll));
    EXPECT_EQ(sim.Command("fault off"), "ok fault off");
    std::this_thread::sleep_for(600ms);
    EXPECT_EQ(Ask(*c, RequestKind::SelfCheck), 0x03);

    // The device comes and goes while requests run on another thread; the
    // link ends up working, and nothing touches a closed connection.
    {
        std::atomic<bool> stop{false};
        std::jthread asker([&] {
            while (!stop) {
                c->Open();
                Ask(*c, RequestKind::Poll);
            }
        });
        // Declared after the thread, so it ends first, also on a failure.
        const struct StopAsker {
            std::atomic<bool>& stop;
            ~StopAsker() { stop = true; }
        } stopAsker{stop};
        size_t removed = events.CountNow(kLinkRemoved), arrived = events.CountNow(kLinkArrived);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(sim.Command("unplug"), "ok unplugged");
            ASSERT_TRUE(events.WaitFor(kLinkRemoved, ++removed)) << i;
            std::this_thread::sleep_for(100ms);
            EXPECT_EQ(sim.Command("plug"), "ok plugged");
            ASSERT_TRUE(events.WaitFor(kLinkArrived, ++arrived)) << i;
        }
    }
    for (auto until = std::chrono::steady_clock::now() + 10s; !c->Open();) {
        ASSERT_LT(std::chrono::steady_clock::now(), until);
        std::this_thread::sleep_for(100ms);
    }
    EXPECT_EQ(Ask(*c, RequestKind::Poll), 0x01);
}

// Two panels that were connected while the device was free, as after a
// replug, both open it and both claim it for themselves.
TEST(LinkClient, OnlyOneOfTwoProcessesHoldsTheDevice)
{
    Scratch s;
    const fs::path log = s.dir / "log";
    SimProcess sim(s.dir / "state", log, {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
    Events ea, eb;
    auto a = NewClient(sim.port, 101), b = NewClient(sim.port, 102);
    a->SetNotify(ea.Routine());
    b->SetNotify(eb.Routine());
    ASSERT_TRUE(ea.WaitFor(kLinkArrived) && eb.WaitFor(kLinkArrived));

    for (int round = 0; round < 3; ++round) {
        bool holds[2] = {};
        std::thread ta([&] { holds[0] = a->Open() && a->SetExclusive(true); });
        std::thread tb([&] { holds[1] = b->Open() && b->SetExclusive(true); });
        ta.join();
        tb.join();
        EXPECT_FALSE(holds[0] && holds[1]) << "round " << round << "\n" << ReadFile(log);
        a->SetExclusive(false);
        b->SetExclusive(false);
        a->Close();
        b->Close();
    }

    // Held by a: b's open is refused with the reason, b hears the device go,
    // and hears it come back once a lets go.
    ASSERT_TRUE(a->Open());
    ASSERT_TRUE(a->SetExclusive(true));
    const size_t removed = eb.CountNow(kLinkRemoved), arrived = eb.CountNow(kLinkArrived);
    EXPECT_FALSE(b->Open());
    EXPECT_EQ(b->LastRefusal(), "busy: held exclusively by process 101");
    EXPECT_TRUE(eb.WaitFor(kLinkRemoved, removed + 1));
    a->Close();
    ASSERT_TRUE(eb.WaitFor(kLinkArrived, arrived + 1));
    EXPECT_TRUE(b->Open());
    EXPECT_EQ(Ask(*b, RequestKind::Poll), 0x01);
    EXPECT_TRUE(a->Open()) << "b did not claim it";
    EXPECT_FALSE(b->SetExclusive(true)) << "a has it open";
}

// A peer that welcomes the client, answers its open, then stops reading:
// the client's writes fill the connection until one cannot go out whole.
// Its second connection is served properly.
class DeafPeer {
public:
    DeafPeer()
    {
        std::string error;
        listener_ = TSocket::Bind(0, error);
        // Small buffers on the peer's side, so that the stall comes soon.
        const int small = 2048;
        setsockopt(static_cast<int>(listener_.Handle()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        listener_.Listen(error);
        port = listener_.LocalPort();
        thread_ = std::thread([this] { Serve(); });
    }
    ~DeafPeer()
    {
        stop_ = true;
        thread_.join();
    }

    uint16_t port = 0;
    std::atomic<int> connections{0};

private:
    void Serve()
    {
        std::vector<TSocket> kept;
        while (!stop_) {
            if (!listener_.WaitReadable(50)) continue;
            TSocket s = listener_.Accept();
            if (!s.Valid()) continue;
            const bool deaf = connections++ == 0;
            Converse(s, deaf);
            kept.push_back(std::move(s)); // open until the end: deaf, not gone
        }
    }
    // Welcome, answer Open and Exclusive, reply to frames; a deaf
    // conversation ends after its two answers.
    void Converse(TSocket& s, bool deaf)
    {
        TLinkReader reader;
        int answered = 0;
        const uint8_t pollReply[] = {0xEB, 0x91, 0x0C, 0x01, 60, 1, 20, 3, 100, 100, 100, 1, 10, 10, 8, 0};
        std::vector<uint8_t> reply(std::begin(pollReply), std::end(pollReply));
        reply.back() = FrameChecksum(std::span(reply).first(reply.size() - 1));
        while (!stop_) {
            while (auto m = reader.Next()) {
                if (m->type == LinkType::Hello) s.SendAll(EncodeLink(LinkType::Welcome), 1000);
                if (m->type == LinkType::Open || m->type == LinkType::Exclusive) {
                    s.SendAll(EncodeLink(LinkType::Granted), 1000);
                    if (deaf && ++answered == 2) return;
                }
                if (m->type == LinkType::Frame) s.SendAll(EncodeLink(LinkType::Frame, reply), 1000);
            }
            if (!s.WaitReadable(50)) continue;
            uint8_t buf[256];
            const int n = s.Recv(buf, sizeof buf);
            if (n <= 0) return;
            reader.Feed(std::span(buf, static_cast<size_t>(n)));
        }
    }

    TSocket listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

TEST(LinkClient, AWriteThatCannotGoOutWholeEndsTheLinkUntilThePeerIsBack)
{
    DeafPeer peer;
    Events events;
    auto c = NewClient(peer.port, 7);
    c->SetNotify(events.Routine());
    ASSERT_TRUE(events.WaitFor(kLinkArrived));
    ASSERT_TRUE(c->Open());
    c->SetTimeouts(200, 200);
    int written = 0;
    while (written < 1000000 && c->Write(Request(RequestKind::Poll)))
        ++written;
    ASSERT_LT(written, 1000000) << "the peer never stopped taking data";
    // The stream is out of step after a cut message: nothing more goes on it.
    EXPECT_FALSE(c->Write(Request(RequestKind::Poll)));
    EXPECT_TRUE(events.WaitFor(kLinkRemoved, 1, 3s)) << "the removal is reported";
    ASSERT_TRUE(events.WaitFor(kLinkArrived, 2)) << "and the arrival of the fresh connection";
    EXPECT_EQ(peer.connections, 2);
    ASSERT_TRUE(c->Open());
    EXPECT_EQ(Ask(*c, RequestKind::Poll), 0x01);
}

// A peer that welcomes each connection and closes it at once (a device
// whose server crashes after every greeting), or, once told, keeps it open
// until told to close it.
class RestlessPeer {
public:
    RestlessPeer()
    {
        std::string error;
        listener_ = TSocket::Listen(0, error);
        port = listener_.LocalPort();
        thread_ = std::thread([this] { Serve(); });
    }
    ~RestlessPeer()
    {
        stop_ = true;
        thread_.join();
    }
    void KeepConnections(bool keep) { keep_ = keep; }
    void DropKept() { drop_ = true; }

    uint16_t port = 0;

private:
    void Serve()
    {
        TSocket kept;
        while (!stop_) {
            if (drop_.exchange(false)) kept.Close();
            if (!listener_.WaitReadable(20)) continue;
            TSocket s = listener_.Accept();
            if (!s.Valid()) continue;
            TLinkReader reader;
            uint8_t buf[256];
            // Its hello first, as the device would want it.
            while (!reader.Next() && s.WaitReadable(1000)) {
                const int n = s.Recv(buf, sizeof buf);
                if (n <= 0) break;
                reader.Feed(std::span(buf, static_cast<size_t>(n)));
            }
            s.SendAll(EncodeLink(LinkType::Welcome), 1000);
            if (keep_) kept = std::move(s);
        }
    }

    TSocket listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false}, keep_{false}, drop_{false};
};

// Every connection is an arrival and its end a removal, and in a panel each
// is a message to its window: a peer that ends every connection at once
// must not get the client reconnecting in a tight loop. A connection that
// lived brings the next attempt at once again.
TEST(LinkClient, APeerThatEndsEveryConnectionAtOnceIsRetriedAFewTimesASecond)
{
    using Clock = std::chrono::steady_clock;
    RestlessPeer peer;
    Events events;
    auto c = NewClient(peer.port, 9);
    c->SetNotify(events.Routine());
    ASSERT_TRUE(events.WaitFor(kLinkArrived));
    std::this_thread::sleep_for(3s);
    const size_t arrived = events.CountNow(kLinkArrived);
    EXPECT_GE(arrived, 3u) << "it keeps trying";
    EXPECT_LE(arrived, 12u) << "arrivals in 3 s";

    // Steady connections from here on: the pause grown above is forgotten
    // once one has lived a while.
    peer.KeepConnections(true);
    ASSERT_TRUE(events.WaitFor(kLinkArrived, events.CountNow(kLinkArrived) + 1, 5s));
    std::this_thread::sleep_for(1500ms);
    const size_t removed = events.CountNow(kLinkRemoved), before = events.CountNow(kLinkArrived);
    peer.DropKept();
    ASSERT_TRUE(events.WaitFor(kLinkRemoved, removed + 1, 3s));
    const auto dropped = Clock::now();
    ASSERT_TRUE(events.WaitFor(kLinkArrived, before + 1, 3s));
    EXPECT_LT(Clock::now() - dropped, 600ms) << "back at once after a connection that lived";
}

// A routine that, told of the arrival, registers a routine of its own in its
// place: the watcher that told it ends, and a new one connects while the old
// one is still finishing. The old one must leave the new one's connection
// alone.
TEST(LinkClient, AWatcherReplacedFromInsideItsNotificationLeavesItsSuccessorsConnectionAlone)
{
    Scratch s;
    SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
    Events later;
    auto c = NewClient(sim.port, 31);
    std::atomic<bool> replaced{false};
    c->SetNotify([&](uint32_t code) {
        if (code != kLinkArrived || replaced.exchange(true)) return;
        c->SetNotify(nullptr);
        c->SetNotify(later.Routine());
        // Only once the new watcher is connected does the old one go on.
        later.WaitFor(kLinkArrived, 1, 5s);
    });
    ASSERT_TRUE(later.WaitFor(kLinkArrived)) << "the new watcher connects";
    // The old watcher notices it was stopped within a tenth of a second.
    std::this_thread::sleep_for(400ms);
    ASSERT_TRUE(c->Open());
    EXPECT_EQ(Ask(*c, RequestKind::Poll), 0x01);
    EXPECT_EQ(Ask(*c, RequestKind::SelfCheck), 0x03);
}

} // namespace
