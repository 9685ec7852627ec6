// The simulator against what other programs on the machine can throw at it:
// web pages posting to its control port, floods of idle connections, of
// frames and of saves, two processes racing for the device, a state folder
// it cannot write, signals. Run against its AddressSanitizer build, so that
// memory faults end the test.
#include "tests/e2e/simprocess.h"

#include <sys/stat.h>

#include "device/deviceframe.h"

namespace {

using namespace simtest;

std::vector<uint8_t> Request(RequestKind kind, const ParameterSet& p = kStartParameters)
{
    const RequestFrame f = BuildRequest(kind, p);
    return {f.bytes.begin(), f.bytes.begin() + f.length};
}

// Sends `text` on a fresh control connection and collects what comes back
// until the simulator closes it (or 3 s pass).
struct RawControl {
    std::string answer;
    bool closedBySimulator = false;
};
RawControl SendRaw(uint16_t port, const std::string& text)
{
    RawControl r;
    TSocket s = TSocket::Connect(port, 2000);
    if (!s.Valid() || !s.SendAll(text.data(), text.size(), 2000)) return r;
    char buf[256];
    while (s.WaitReadable(3000)) {
        const int n = s.Recv(buf, sizeof buf);
        if (n <= 0) {
            r.closedBySimulator = true;
            break;
        }
        r.answer.append(buf, static_cast<size_t>(n));
    }
    return r;
}

std::string Token(const SimProcess& sim)
{
    std::string t;
    std::ifstream(sim.tokenFile) >> t;
    return t;
}

// A browser's plain-text form post: the body lines are commands.
const std::string kFormPost = "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: text/plain\r\n"
                              "Content-Length: 45\r\n\r\nreading 30\r\nfault drop\r\nunplug\r\nquit\r\n";

TEST(SimulatorUnderAbuse, OnlyTheTokenHolderGivesCommands)
{
    Scratch s;
    for (const bool withToken : {true, false}) {
        const fs::path log = s.dir / (withToken ? "log-token" : "log-none");
        std::vector<std::string> extra = {"--no-stdin"};
        if (!withToken) extra.push_back("--no-token");
        SimProcess sim(s.dir / (withToken ? "state-token" : "state-none"), log, extra, ORVANE_SIM_ASAN_EXE);
        if (withToken) {
            struct stat st {};
            ASSERT_EQ(stat(sim.tokenFile.c_str(), &st), 0);
            EXPECT_EQ(st.st_mode & 0777, 0600u) << "the token file is the user's alone";
            EXPECT_EQ(Token(sim).size(), 32u);
        }
        const struct {
            std::string sent;
            bool admitted; // with a token
            bool admittedWithout;
        } cases[] = {
            {kFormPost, false, false},
            {"GET /?reading=30 HTTP/1.0\r\n\r\n", false, false},
            {"Host: x\nreading 30\n", false, false},
            {"reading 30\n", false, true},
            {"token 0123456789abcdef0123456789abcdef\nreading 30\n", false, true},
            {"hello\nreading 30\n", false, false},
            {"token " + Token(sim) + "\nreading 30\n", true, true},
            {"token " + Token(sim) + "\nreading 30\nHost: x\nfault drop\n", true, true},
        };
        for (const auto& c : cases) {
            ASSERT_EQ(sim.Command("reading auto"), "ok reading auto");
            const RawControl r = SendRaw(sim.controlPort, c.sent);
            const bool admitted = withToken ? c.admitted : c.admittedWithout;
            EXPECT_EQ(r.answer.find("ok reading 30") != std::string::npos, admitted) << c.sent << r.answer;
            if (!admitted) EXPECT_TRUE(r.closedBySimulator) << c.sent;
            // What the device shows is the truth: a forced reading 30 (the
            // simulated room never gets that quiet), and faults never set.
            Client device(sim.port);
            ASSERT_TRUE(device.welcomed) << "still plugged in: " << c.sent;
            device.Send(LinkType::Frame, Request(RequestKind::Poll));
            const auto reply = device.Frame(3000);
            ASSERT_TRUE(reply) << "no fault was set: " << c.sent;
            EXPECT_EQ((*reply)[4] == 30, admitted) << c.sent;
        }
        EXPECT_FALSE(sim.WaitExit(0ms)) << "nobody got `quit` through";
        EXPECT_EQ(ReadFile(log).find("command (control): fault drop"), std::string::npos);
        EXPECT_NE(ReadFile(log).find("not web requests"), std::string::npos) << ReadFile(log);
        EXPECT_EQ(sim.Command("quit"), "ok bye");
        EXPECT_TRUE(sim.WaitExit(5s));
        EXPECT_EQ(sim.exitCode, 0);
        if (withToken) EXPECT_FALSE(fs::exists(sim.tokenFile)) << "removed at the end of the run";
    }
}

TEST(SimulatorUnderAbuse, TwoThousandConnectionsLeaveTheDeviceServed)
{
    Scratch s;
    const fs::path log = s.dir / "log";
    SimProcess sim(s.dir / "state", log, {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
    Client panel(sim.port, 1);
    ASSERT_TRUE(panel.welcomed);
    ASSERT_TRUE(panel.Open());

    // Idle connections, half on each port, all held open by this side.
    std::vector<TSocket> flood;
    for (int i = 0; i < 2000; ++i) {
        flood.push_back(TSocket::Connect(i % 2 ? sim.port : sim.controlPort, 2000));
        ASSERT_TRUE(flood.back().Valid()) << i;
    }
    // The panel that was there keeps being answered during the flood.
    for (int i = 0; i < 5; ++i) {
        panel.Send(LinkType::Frame, Request(RequestKind::Poll));
        ASSERT_TRUE(panel.Frame(3000)) << i;
    }
    // Newcomers get in at once: the idle ones make room.
    Client late(sim.port, 2);
    ASSERT_TRUE(late.welcomed);
    ASSERT_TRUE(late.Open());
    late.Send(LinkType::Frame, Request(RequestKind::Poll));
    EXPECT_TRUE(late.Frame(3000));
    TSimControl control;
    EXPECT_TRUE(control.Connect(sim.controlPort, sim.tokenFile, 2s));
    EXPECT_EQ(control.Command("params").rfind("ok input=", 0), 0u);
    std::string text = ReadFile(log);
    EXPECT_NE(text.find("made room for a new connection"), std::string::npos) << text;
    EXPECT_NE(text.find("control connection 2 closed: no token yet; made room"), std::string::npos);
    EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 400)
        << "the room made is summed up, not one line each";

    // Every place held by a process with the device open, or a holder of
    // the token: a newcomer is refused, and none of them goes.
    std::vector<std::unique_ptr<Client>> holders;
    for (uint32_t i = 0; i < 30; ++i) {
        holders.push_back(std::make_unique<Client>(sim.port, 100 + i));
        ASSERT_TRUE(holders.back()->welcomed && holders.back()->Open()) << i;
    }
    std::vector<TSimControl> admitted(14);
    for (auto& a : admitted)
        ASSERT_TRUE(a.Connect(sim.controlPort, sim.tokenFile, 2s));
    EXPECT_FALSE(Client(sim.port, 3).welcomed);
    TSimControl refused;
    EXPECT_FALSE(refused.Connect(sim.controlPort, sim.tokenFile, 500ms));
    text = ReadFile(log);
    EXPECT_NE(text.find("connection refused: 32 device connections open"), std::string::npos) << text;
    EXPECT_NE(text.find("control connection refused: 16 control connections open"), std::string::npos);
    panel.Send(LinkType::Frame, Request(RequestKind::Poll));
    EXPECT_TRUE(panel.Frame(3000));
    EXPECT_EQ(admitted.back().Command("params").rfind("ok input=", 0), 0u);
    EXPECT_EQ(control.Command("quit"), "ok bye");
    EXPECT_TRUE(sim.WaitExit(5s));
    EXPECT_EQ(sim.exitCode, 0) << "an AddressSanitizer report ends the process with another code";
}

TEST(SimulatorUnderAbuse, DelayedRepliesAndUnreadOutputAreBounded)
{
    Scratch s;
    const fs::path log = s.dir / "log";
    SimProcess sim(s.dir / "state", log, {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
    EXPECT_EQ(sim.Command("fault delay 600000"), "ok fault delay 600000");
    Client flooder(sim.port, 1);
    ASSERT_TRUE(flooder.welcomed);
    for (int i = 0; i < 1000; ++i)
        flooder.Send(LinkType::Frame, Request(RequestKind::Poll));
    // The control port may be heard before all of those requests are read.
    EXPECT_TRUE(WaitForText(log, "delayed reply dropped (client 1 has 256 waiting"));
    EXPECT_EQ(sim.Command("fault off"), "ok fault off");
    // A peer that sends requests and never reads a reply: its replies pile
    // up to a limit, then it is dropped instead of the simulator blocking.
    TSocket deaf = TSocket::Connect(sim.port, 2000);
    ASSERT_TRUE(deaf.SendAll(EncodeHello(2, false), 2000));
    std::vector<uint8_t> burst;
    for (int i = 0; i < 200; ++i) {
        const auto m = EncodeLink(LinkType::Frame, Request(RequestKind::Poll));
        burst.insert(burst.end(), m.begin(), m.end());
    }
    // A send may also just time out while a busy machine holds the
    // simulator up; the log says when it has given up on the peer.
    const std::string droppedLine = "connection closed (client 2: send failed or not read)";
    bool dropped = false;
    for (int i = 0; i < 20000 && !dropped; ++i)
        if (!deaf.SendAll(burst, 1000) || i % 64 == 63) dropped = WaitForText(log, droppedLine, 0ms);
    EXPECT_TRUE(dropped || WaitForText(log, droppedLine)) << ReadFile(log).substr(0, 2000);
    Client other(sim.port, 3);
    ASSERT_TRUE(other.welcomed);
    other.Send(LinkType::Frame, Request(RequestKind::Poll));
    EXPECT_TRUE(other.Frame(3000)) << "the simulator was never held up";
}

// Exclusive use is decided when a process opens and when it claims, not
// only when it connected: two panels that both connected while the device
// was free must not both hold it.
TEST(SimulatorUnderAbuse, ProcessesThatConnectedTogetherCannotBothHoldTheDevice)
{
    Scratch s;
    const fs::path log = s.dir / "log";
    SimProcess sim(s.dir / "state", log, {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
    Client a(sim.port, 1), b(sim.port, 2);
    ASSERT_TRUE(a.welcomed && b.welcomed);

    // a claims first: b's open is refused and its connection ends.
    ASSERT_TRUE(a.Open());
    a.Exclusive(true);
    auto answer = a.Answer(3000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->type, LinkType::Granted);
    b.Send(LinkType::Open);
    answer = b.Answer(3000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->type, LinkType::Denied);
    EXPECT_EQ(std::string(answer->body.begin(), answer->body.end()), "busy: held exclusively by process 1");
    EXPECT_FALSE(b.Next(3000));
    EXPECT_TRUE(b.closedByPeer);

    // Both open, shared: a claim must wait until the other has closed.
    a.Exclusive(false);
    ASSERT_TRUE(a.Answer(3000));
    Client c(sim.port, 3);
    ASSERT_TRUE(c.welcomed && c.Open());
    a.Exclusive(true);
    answer = a.Answer(3000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->type, LinkType::Denied);
    EXPECT_EQ(std::string(answer->body.begin(), answer->body.end()), "busy: open in process 3");
    c.Send(LinkType::Close);
    // Its reply shows the close has been heard; a's claim may not overtake it.
    c.Send(LinkType::Frame, Request(RequestKind::Poll));
    ASSERT_TRUE(c.Frame(3000));
    a.Exclusive(true);
    answer = a.Answer(3000);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->type, LinkType::Granted);
    EXPECT_FALSE(c.Open()) << "now a holds it";
}

TEST(SimulatorUnderAbuse, ASaveThatCannotBeWrittenLeavesTheSavedFileAlone)
{
    Scratch s;
    const fs::path folder = s.dir / "state-folder";
    fs::create_directories(folder);
    const fs::path state = folder / "parameters";
    SimProcess sim(state, s.dir / "log", {"--no-stdin", "--token-file", (s.dir / "token").string()},
                   ORVANE_SIM_ASAN_EXE);
    Client c(sim.port);
    const ParameterSet first{2, -9, 30, 66, 20, 90, 0, 3, 4};
    c.Send(LinkType::Frame, Request(RequestKind::WriteParameters, first));
    ASSERT_TRUE(c.Frame(3000));
    c.Send(LinkType::Frame, Request(RequestKind::SaveParameters));
    auto reply = c.Frame(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[4], 0) << "saved";
    const std::string saved = ReadFile(state);

    // A folder the simulator may no longer write to. Permissions do not stop
    // the superuser, so then the folder is swapped for a plain file.
    const bool superuser = geteuid() == 0;
    const fs::path moved = s.dir / "moved";
    if (superuser) {
        fs::rename(folder, moved);
        std::ofstream(folder) << "not a folder";
    } else {
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    }
    c.Send(LinkType::Frame, Request(RequestKind::WriteParameters, kStartParameters));
    ASSERT_TRUE(c.Frame(3000));
    c.Send(LinkType::Frame, Request(RequestKind::SaveParameters));
    reply = c.Frame(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[4], 1) << "status 01: not saved";
    // The user is told why, naming where it could not write.
    EXPECT_TRUE(WaitForText(s.dir / "log", "save failed: cannot create " + state.string())) << ReadFile(s.dir / "log");
    if (superuser) {
        fs::remove(folder);
        fs::rename(moved, folder);
    } else {
        fs::permissions(folder, fs::perms::owner_all);
    }
    EXPECT_EQ(ReadFile(state), saved) << "the earlier save is intact";
    for (const auto& e : fs::directory_iterator(folder))
        EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos)
            << "a temporary file is left beside it: " << e.path();
}

// Every place on the device port taken by a process that greeted the device
// and then said nothing, a client polling as fast as it is answered, and one
// asking for a save five hundred times: a newcomer is served at once, the
// flood is logged as a summary, and the saved file holds the last values
// asked for, written a few times rather than five hundred.
TEST(SimulatorUnderAbuse, IdleGreetedClientsAndFloodsOfPollsAndSavesLeaveTheDeviceServed)
{
    using Clock = std::chrono::steady_clock;
    Scratch s;
    const fs::path log = s.dir / "log", state = s.dir / "state";
    SimProcess sim(state, log, {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);

    std::vector<std::unique_ptr<Client>> idle;
    for (uint32_t i = 0; i < 32; ++i) {
        idle.push_back(std::make_unique<Client>(sim.port, 1000 + i));
        ASSERT_TRUE(idle.back()->welcomed) << i;
    }
    const auto idleSince = Clock::now();
    // Its welcome is waited for 2 s at most.
    Client tool(sim.port, 2);
    ASSERT_TRUE(tool.welcomed) << "a newcomer is let in at once: " << tool.refusal << "\n" << ReadFile(log);
    ASSERT_TRUE(tool.Open());

    // Polls as fast as they are answered, a batch at a time, for 3 s.
    Client flooder(sim.port, 3);
    ASSERT_TRUE(flooder.welcomed && flooder.Open());
    const size_t logBefore = ReadFile(log).size();
    size_t flooded = 0;
    for (const auto until = Clock::now() + 3s; Clock::now() < until;) {
        for (int i = 0; i < 100; ++i)
            flooder.Send(LinkType::Frame, Request(RequestKind::Poll));
        for (int i = 0; i < 100; ++i)
            ASSERT_TRUE(flooder.Frame(3000)) << flooded;
        flooded += 100;
        tool.Send(LinkType::Frame, Request(RequestKind::Poll));
        ASSERT_TRUE(tool.Frame(3000)) << "the device answers others during the flood";
    }
    const std::string text = ReadFile(log);
    const std::string during = text.substr(logBefore);
    const auto frameLines = std::count(during.begin(), during.end(), '\n');
    // Logged one by one, the flood would take two lines a poll.
    ASSERT_GT(flooded, 3000u) << "too little of a flood to show anything";
    EXPECT_LT(frameLines, 4000) << flooded << " polls gave " << frameLines << " lines";
    EXPECT_NE(during.find("not logged one by one"), std::string::npos) << during.substr(0, 2000);

    // Saves asked for hundreds of times, each after other values.
    Client saver(sim.port, 5);
    ASSERT_TRUE(saver.welcomed && saver.Open());
    ParameterSet last = kStartParameters;
    for (int i = 0; i < 500; ++i) {
        last.alarmThreshold = 60 + i % 61;
        last.micOffset = i % 41 - 20;
        saver.Send(LinkType::Frame, Request(RequestKind::WriteParameters, last));
        saver.Send(LinkType::Frame, Request(RequestKind::SaveParameters));
    }
    int saves = 0, savedWell = 0;
    for (int i = 0; i < 1000; ++i) {
        const auto reply = saver.Frame(3000);
        ASSERT_TRUE(reply) << "reply " << i << " of 1000";
        if ((*reply)[3] == static_cast<uint8_t>(RequestKind::SaveParameters)) {
            ++saves;
            savedWell += (*reply)[4] == 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(saves, 500) << "every request is answered";
    EXPECT_EQ(savedWell, 500);
    const std::string saved = ReadFile(state);
    EXPECT_NE(saved.find("alarmThreshold=" + std::to_string(last.alarmThreshold) + "\n"), std::string::npos)
        << "the last values asked for are the ones kept: " << saved;
    EXPECT_NE(saved.find("micOffset=" + std::to_string(last.micOffset) + "\n"), std::string::npos) << saved;
    const std::string afterSaves = ReadFile(log);
    size_t writes = 0;
    for (size_t at = afterSaves.find("parameters saved to"); at != std::string::npos;
         at = afterSaves.find("parameters saved to", at + 1))
        ++writes;
    EXPECT_GE(writes, 1u);
    EXPECT_LE(writes, 20u) << "each save rewrote the file";

    // The idle ones that were not made room for end after their time.
    size_t closed = 0;
    for (auto& c : idle) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(idleSince + 15s - Clock::now());
        c->Next(static_cast<int>(std::max<int64_t>(left.count(), 0)));
        closed += c->closedByPeer ? 1 : 0;
    }
    EXPECT_EQ(closed, idle.size());
    EXPECT_NE(ReadFile(log).find("idle with the device not open"), std::string::npos);
    tool.Send(LinkType::Frame, Request(RequestKind::Poll));
    EXPECT_TRUE(tool.Frame(3000)) << "a client that holds the device is never timed out";
}

// A flood of frames on a simulator whose log may take 64 KiB: the log is
// rotated, one older file kept, and neither grows past the limit.
TEST(SimulatorUnderAbuse, TheLogRotatesAtItsLimitKeepingOneOlderFile)
{
    using Clock = std::chrono::steady_clock;
    Scratch s;
    const fs::path log = s.dir / "log";
    const size_t limit = 64 * 1024;
    SimProcess sim(s.dir / "state", log, {"--no-stdin", "--log-limit", std::to_string(limit)},
                   ORVANE_SIM_ASAN_EXE);
    std::vector<std::unique_ptr<Client>> flooders;
    for (uint32_t i = 0; i < 4; ++i) {
        flooders.push_back(std::make_unique<Client>(sim.port, 10 + i));
        ASSERT_TRUE(flooders.back()->Open());
    }
    for (const auto until = Clock::now() + 3s; Clock::now() < until;)
        for (auto& f : flooders) {
            for (int i = 0; i < 50; ++i)
                f->Send(LinkType::Frame, Request(RequestKind::Poll));
            for (int i = 0; i < 50; ++i)
                ASSERT_TRUE(f->Frame(3000));
        }
    EXPECT_EQ(sim.Command("quit"), "ok bye");
    EXPECT_TRUE(sim.WaitExit(5s));
    EXPECT_EQ(sim.exitCode, 0);
    const fs::path older = log.string() + ".1";
    ASSERT_TRUE(fs::exists(older)) << "never rotated: " << fs::file_size(log) << " bytes";
    EXPECT_FALSE(fs::exists(log.string() + ".2"));
    for (const fs::path& p : {log, older})
        EXPECT_LE(fs::file_size(p), limit + 200) << p;
    const std::string text = ReadFile(log);
    EXPECT_EQ(text.rfind("log continued from " + older.string(), 0), 0u) << text.substr(0, 200);
    EXPECT_NE(text.find("simulator ends"), std::string::npos);
}

// Silent connections on the control port, as many as a neighbour cares to
// open and reopen, never keep the token's holder out; and a signal ends the
// simulator as `quit` does, its token file removed.
TEST(SimulatorUnderAbuse, SilentControlConnectionsNeverLockOutTheTokenAndSignalsEndTheRunAsQuitDoes)
{
    Scratch s;
    {
        SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
        std::vector<TSocket> silent;
        for (int i = 0; i < 64; ++i)
            silent.push_back(TSocket::Connect(sim.controlPort, 2000));
        EXPECT_EQ(sim.Command("params").rfind("ok input=", 0), 0u) << "the holder that was there";
        TSimControl late;
        EXPECT_TRUE(late.Connect(sim.controlPort, sim.tokenFile, 1500ms)) << "a newcomer with the token";
        for (int i = 0; i < 64; ++i)
            silent.push_back(TSocket::Connect(sim.controlPort, 2000));
        EXPECT_EQ(late.Command("reading 44"), "ok reading 44");
        EXPECT_EQ(sim.Command("reading auto"), "ok reading auto");
        EXPECT_NE(ReadFile(s.dir / "log").find("made room"), std::string::npos);
    }
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        const fs::path log = s.dir / ("log-" + std::to_string(sig));
        SimProcess sim(s.dir / "state", log, {"--no-stdin"}, ORVANE_SIM_ASAN_EXE);
        ASSERT_TRUE(fs::exists(sim.tokenFile));
        sim.Signal(sig);
        ASSERT_TRUE(sim.WaitExit(5s)) << sig;
        EXPECT_EQ(sim.exitCode, 0) << "signal " << sig << " ends it as quit does";
        EXPECT_FALSE(fs::exists(sim.tokenFile)) << "signal " << sig;
        const std::string text = ReadFile(log);
        EXPECT_NE(text.find("signal " + std::to_string(sig) + ": ending"), std::string::npos) << text;
        EXPECT_NE(text.find("simulator ends"), std::string::npos) << text;
    }
}

} // namespace
