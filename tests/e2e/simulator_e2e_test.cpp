// The real orvane-sim program, started as a process on free ports and
// talked to over real sockets, standard input and its control port.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>

#include "device/deviceframe.h"
#include "link/linkwire.h"
#include "link/netsocket.h"
#include "tests/support/simcontrol.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Files of one test, removed with it.
struct Scratch {
    fs::path dir;
    Scratch()
    {
        dir = fs::temp_directory_path() /
              ("orvane-sim-e2e-" + std::to_string(getpid()) + "-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
    }
    ~Scratch() { fs::remove_all(dir); }
};

// One simulator process. Its standard input and output are pipes held
// here; it is ended (politely, then not) before the object goes.
class SimProcess {
public:
    SimProcess(const fs::path& state, const fs::path& log, std::vector<std::string> extra = {})
        : port(FreeLoopbackPort()), controlPort(FreeLoopbackPort())
    {
        int in[2], out[2];
        EXPECT_EQ(pipe(in), 0);
        EXPECT_EQ(pipe(out), 0);
        std::vector<std::string> args = {ORVANE_SIM_EXE,
                                         "--port",
                                         std::to_string(port),
                                         "--control-port",
                                         std::to_string(controlPort),
                                         "--state",
                                         state.string(),
                                         "--log",
                                         log.string(),
                                         "--seed",
                                         "11"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addopen(&fa, 2, (state.string() + ".stderr").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int fd : {in[0], in[1], out[0], out[1]})
            posix_spawn_file_actions_addclose(&fa, fd);
        EXPECT_EQ(posix_spawn(&pid_, ORVANE_SIM_EXE, &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
        close(in[0]);
        close(out[1]);
        stdin_ = in[1];
        stdout_ = out[0];
        for (auto until = std::chrono::steady_clock::now() + 10s; std::chrono::steady_clock::now() < until;) {
            control_ = TSocket::Connect(controlPort, 500);
            if (control_.Valid()) break;
            std::this_thread::sleep_for(20ms);
        }
        EXPECT_TRUE(control_.Valid()) << "simulator did not come up";
    }

    ~SimProcess()
    {
        if (pid_ > 0 && !WaitExit(0ms)) {
            if (control_.Valid()) Command("quit");
            if (!WaitExit(3s)) {
                kill(pid_, SIGKILL);
                WaitExit(3s);
            }
        }
        CloseStdin();
        if (stdout_ >= 0) close(stdout_);
    }

    std::string Command(const std::string& line) { return SimCommand(control_, line, 3000); }

    void Stdin(const std::string& line)
    {
        ASSERT_EQ(write(stdin_, (line + "\n").data(), line.size() + 1), ssize_t(line.size() + 1));
    }
    void CloseStdin()
    {
        if (stdin_ >= 0) close(stdin_);
        stdin_ = -1;
    }
    std::string StdoutLine()
    {
        std::string line;
        char c;
        pollfd p{stdout_, POLLIN, 0};
        while (poll(&p, 1, 3000) == 1 && read(stdout_, &c, 1) == 1 && c != '\n')
            line += c;
        return line;
    }

    // True once the process has ended; its exit code is kept.
    bool WaitExit(std::chrono::milliseconds within)
    {
        if (pid_ <= 0) return true;
        for (auto until = std::chrono::steady_clock::now() + within;;) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                pid_ = -1;
                return true;
            }
            if (std::chrono::steady_clock::now() >= until) return false;
            std::this_thread::sleep_for(10ms);
        }
    }

    uint16_t port;
    uint16_t controlPort;
    int exitCode = -2;

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    TSocket control_;
};

// The library's side of a connection, spoken by hand.
class Client {
public:
    explicit Client(uint16_t port, uint32_t pid = 4242) : sock_(TSocket::Connect(port, 2000))
    {
        if (sock_.Valid()) sock_.SendAll(EncodeHello(pid, false), 2000);
        if (auto m = Next(2000)) {
            welcomed = m->type == LinkType::Welcome;
            if (m->type == LinkType::Refuse) refusal.assign(m->body.begin(), m->body.end());
        }
    }
    void Send(LinkType t, std::vector<uint8_t> body = {})
    {
        ASSERT_TRUE(sock_.SendAll(EncodeLink(t, body), 2000));
    }
    void Exclusive(bool on) { Send(LinkType::Exclusive, {static_cast<uint8_t>(on)}); }
    std::optional<std::vector<uint8_t>> Frame(int timeoutMs)
    {
        auto m = Next(timeoutMs);
        if (!m || m->type != LinkType::Frame) return std::nullopt;
        return m->body;
    }
    std::optional<LinkMessage> Next(int timeoutMs)
    {
        for (;;) {
            if (auto m = reader_.Next()) return m;
            if (!sock_.Valid() || !sock_.WaitReadable(timeoutMs)) return std::nullopt;
            uint8_t buf[256];
            const int n = sock_.Recv(buf, sizeof buf);
            if (n <= 0) {
                closedByPeer = true;
                return std::nullopt;
            }
            reader_.Feed(std::span(buf, static_cast<size_t>(n)));
        }
    }

    bool welcomed = false;
    bool closedByPeer = false;
    std::string refusal;

private:
    TSocket sock_;
    TLinkReader reader_;
};

std::vector<uint8_t> Request(RequestKind kind, const ParameterSet& p = kStartParameters)
{
    const RequestFrame f = BuildRequest(kind, p);
    return {f.bytes.begin(), f.bytes.begin() + f.length};
}

bool Accepted(const std::vector<uint8_t>& reply)
{
    DeviceFrame b{};
    std::copy_n(reply.begin(), std::min<size_t>(reply.size(), b.size()), b.begin());
    return CheckReply(b, static_cast<int64_t>(reply.size()), true);
}

TEST(SimulatorProcess, AnswersRequestsIgnoresGarbageAndLogsTheTraffic)
{
    Scratch s;
    const fs::path log = s.dir / "log";
    SimProcess sim(s.dir / "state", log, {"--no-stdin"});
    Client c(sim.port);
    ASSERT_TRUE(c.welcomed);
    c.Send(LinkType::Open);

    c.Send(LinkType::Frame, Request(RequestKind::Poll));
    auto reply = c.Frame(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), 16u);
    EXPECT_TRUE(Accepted(*reply));

    c.Send(LinkType::Frame, {0xEB, 0x90, 0x01, 0x01, 0x7E});
    c.Send(LinkType::Frame, {0x01, 0x02, 0x03});
    EXPECT_FALSE(c.Frame(300)) << "garbage gets no reply";
    c.Send(LinkType::Frame, Request(RequestKind::SelfCheck));
    reply = c.Frame(3000);
    ASSERT_TRUE(reply) << "and the connection lives on";
    EXPECT_TRUE(Accepted(*reply));

    EXPECT_EQ(sim.Command("fault bad-checksum"), "ok fault bad-checksum");
    c.Send(LinkType::Frame, Request(RequestKind::Poll));
    reply = c.Frame(3000);
    ASSERT_TRUE(reply);
    EXPECT_FALSE(Accepted(*reply));

    EXPECT_EQ(sim.Command("quit"), "ok bye");
    EXPECT_TRUE(sim.WaitExit(3s));
    EXPECT_EQ(sim.exitCode, 0);
    const std::string text = ReadFile(log);
    for (const char* expected :
         {"connection open (client 1, process 4242)", "device opened (client 1)",
          "<- EB 90 01 01 7D\n-> EB 91 0C 01 ", "<- EB 90 01 01 7E\n?? ignored: bad checksum",
          "<- 01 02 03\n?? ignored", "<- EB 90 02 03 80 00\n-> EB 91 04 03 00 00 00 83",
          "connection closed (client 1: simulator ends)"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n--- log:\n" << text;
}

TEST(SimulatorProcess, UnplugDropsAndRefusesUntilPlugged)
{
    Scratch s;
    SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"});
    Client c(sim.port);
    ASSERT_TRUE(c.welcomed);
    EXPECT_EQ(sim.Command("unplug"), "ok unplugged");
    EXPECT_FALSE(c.Next(3000));
    EXPECT_TRUE(c.closedByPeer);

    Client refused(sim.port);
    EXPECT_FALSE(refused.welcomed);
    EXPECT_EQ(refused.refusal, "device unplugged");

    EXPECT_EQ(sim.Command("plug"), "ok plugged");
    Client again(sim.port);
    EXPECT_TRUE(again.welcomed);
}

TEST(SimulatorProcess, ExclusiveHolderKeepsOthersOut)
{
    Scratch s;
    SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"});
    Client holder(sim.port, 1);
    ASSERT_TRUE(holder.welcomed);
    Client bystander(sim.port, 2);
    ASSERT_TRUE(bystander.welcomed) << "nobody holds it yet";

    holder.Send(LinkType::Open);
    holder.Exclusive(true);
    holder.Send(LinkType::Frame, Request(RequestKind::Poll)); // its answer proves the claim was read
    ASSERT_TRUE(holder.Frame(3000));
    Client second(sim.port, 3);
    EXPECT_FALSE(second.welcomed);
    EXPECT_EQ(second.refusal, "busy: held exclusively by process 1");

    // Exclusive use lasts only while the device is open.
    holder.Send(LinkType::Close);
    holder.Send(LinkType::Frame, Request(RequestKind::Poll));
    ASSERT_TRUE(holder.Frame(3000));
    Client third(sim.port, 4);
    EXPECT_TRUE(third.welcomed);
}

TEST(SimulatorProcess, StandardInputCommandsAndItsEndDoNotStopIt)
{
    Scratch s;
    SimProcess sim(s.dir / "state", s.dir / "log");
    sim.Stdin("reading E1");
    EXPECT_EQ(sim.StdoutLine(), "ok reading E1");
    sim.Stdin("params");
    EXPECT_EQ(sim.StdoutLine().rfind("ok input=", 0), 0u);
    sim.CloseStdin();
    std::this_thread::sleep_for(200ms);
    EXPECT_FALSE(sim.WaitExit(0ms)) << "end of input is not quit";
    EXPECT_EQ(sim.Command("level 5"), "ok level 5");

    Client c(sim.port);
    c.Send(LinkType::Frame, Request(RequestKind::Poll));
    const auto reply = c.Frame(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ((*reply)[4], 0xE1);
    EXPECT_EQ((*reply)[14], 5);
}

TEST(SimulatorProcess, SavedParametersOutliveTheProcessAndDamageIsSurvived)
{
    Scratch s;
    const ParameterSet saved{2, -9, 30, 66, 20, 90, 0, 3, 4};
    {
        SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"});
        Client c(sim.port);
        c.Send(LinkType::Frame, Request(RequestKind::WriteParameters, saved));
        ASSERT_TRUE(c.Frame(3000));
        c.Send(LinkType::Frame, Request(RequestKind::SaveParameters));
        ASSERT_TRUE(c.Frame(3000));
    }
    {
        SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"});
        EXPECT_EQ(sim.Command("params").rfind("ok input=2 offset=-9 refresh=30 threshold=66 ", 0), 0u);
    }
    std::ofstream(s.dir / "state", std::ios::binary | std::ios::trunc) << "micOffset=\xFF\xFE\n";
    SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"});
    EXPECT_EQ(sim.Command("params").rfind("ok input=1 offset=0 refresh=3 threshold=100 ", 0), 0u);
    EXPECT_NE(ReadFile(s.dir / "state.stderr").find("warning"), std::string::npos);
}

TEST(SimulatorProcess, HelpDocumentsEveryCommandAndBadOptionsFail)
{
    Scratch s;
    const std::string cmd = std::string(ORVANE_SIM_EXE) + " --help > " + (s.dir / "help").string();
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    const std::string help = ReadFile(s.dir / "help");
    for (const char* word : {"plug", "unplug", "reading N|E1|E2|E8", "level N", "fault drop", "garbage",
                             "short", "bad-checksum", "delay MS", "params", "quit", "--port",
                             "--control-port", "--state", "--log", "--seed", "--no-stdin", "ORVANE_SIM_PORT"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    const std::string bad = std::string(ORVANE_SIM_EXE) + " --frobnicate 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);
}

} // namespace
