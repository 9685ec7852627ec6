// The real orvane-sim program, started as a process on free ports and
// talked to over real sockets, standard input and its control port.
#include "tests/e2e/simprocess.h"

#include <stdlib.h>

#include <functional>

#include "device/deviceframe.h"

namespace {

using namespace simtest;

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

// Over USB a write the host saw complete has reached the device; here it is
// complete once it is in the simulator's socket. Stopped, the simulator is
// sent more than one read's worth of polls, then a write, then the unplug:
// resumed, its first turn reads the polls and meets the unplug with the
// write still unread.
TEST(SimulatorProcess, AWriteAlreadySentWhenUnpluggedReachesTheDevice)
{
    Scratch s;
    SimProcess sim(s.dir / "state", s.dir / "log", {"--no-stdin"});
    TSimControl unplugger;
    ASSERT_TRUE(unplugger.Connect(sim.controlPort, sim.tokenFile, 5s));
    Client c(sim.port);
    ASSERT_TRUE(c.Open());
    ParameterSet changed = kStartParameters;
    changed.alarmThreshold = 77;

    sim.Signal(SIGSTOP);
    for (int i = 0; i < 60; ++i)
        c.Send(LinkType::Frame, Request(RequestKind::Poll));
    c.Send(LinkType::Frame, Request(RequestKind::WriteParameters, changed));
    ASSERT_TRUE(unplugger.Post("unplug"));
    sim.Signal(SIGCONT);

    while (c.Next(3000)) {
    }
    EXPECT_TRUE(c.closedByPeer);
    EXPECT_NE(sim.Command("params").find(" threshold=77 "), std::string::npos) << sim.Command("params");
    EXPECT_EQ(sim.Command("plug"), "ok plugged");
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
                             "--control-port", "--state", "--log", "--seed", "--no-stdin", "ORVANE_SIM_PORT",
                             "--verbose", "self check: ok", "parameters saved to FILE"})
        EXPECT_NE(help.find(word), std::string::npos) << word;
    const std::string bad = std::string(ORVANE_SIM_EXE) + " --frobnicate 2>/dev/null";
    EXPECT_EQ(WEXITSTATUS(std::system(bad.c_str())), 2);

    ASSERT_EQ(std::system((std::string(ORVANE_SIM_EXE) + " --version > " + (s.dir / "version").string()).c_str()), 0);
    std::string version;
    std::getline(std::ifstream(ORVANE_SOURCE_DIR "/VERSION"), version);
    EXPECT_EQ(ReadFile(s.dir / "version"), "orvane-sim " + version + "\n");
    // Text that could not be written is a failure, not a success.
    for (const char* option : {"--help", "--version"}) {
        const std::string full =
            std::string(ORVANE_SIM_EXE) + " " + option + " > /dev/full 2> " + (s.dir / "full.err").string();
        EXPECT_EQ(WEXITSTATUS(std::system(full.c_str())), 1) << option;
        EXPECT_NE(ReadFile(s.dir / "full.err").find("cannot write"), std::string::npos) << option;
    }
}

// The simulator with a terminal as its standard input, as a user starts it
// by hand: its output, its error output and its traffic log, read whole at
// the end.
struct TerminalRun {
    std::string out, err;
};

TerminalRun RunAtTerminal(const fs::path& dir, std::vector<std::string> extra,
                          const std::function<void(uint16_t port, int terminal)>& use)
{
    // The terminal's near end is the test's alone: no simulator inherits it.
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    {
        SimProcess sim(dir / "state", {}, std::move(extra), ORVANE_SIM_EXE,
                       {.in = ptsname(master), .out = dir / "out", .err = dir / "err"});
        use(sim.port, master);
        // Typed, then ended from the terminal too.
        EXPECT_EQ(write(master, "quit\n", 5), 5);
        EXPECT_TRUE(sim.WaitExit(3s)) << "quit typed at the terminal did not end it";
    }
    close(master);
    return {ReadFile(dir / "out"), ReadFile(dir / "err")};
}

TEST(SimulatorProcess, AtATerminalTheConsoleShowsAnswersAndEventsAndTheFramesGoToALogFile)
{
    Scratch s;
    // The default log goes where the simulator keeps its files for this user.
    const char* before = getenv("XDG_STATE_HOME");
    const std::string saved = before ? before : "";
    setenv("XDG_STATE_HOME", s.dir.c_str(), 1);
    auto talk = [](uint16_t port, int terminal) {
        Client c(port);
        c.Send(LinkType::Open);
        for (RequestKind kind : {RequestKind::Poll, RequestKind::Poll, RequestKind::SelfCheck,
                                 RequestKind::SaveParameters}) {
            c.Send(LinkType::Frame, Request(kind));
            EXPECT_TRUE(c.Frame(3000));
        }
        EXPECT_EQ(write(terminal, "params\n", 7), 7);
        std::this_thread::sleep_for(300ms);
    };
    const TerminalRun quiet = RunAtTerminal(s.dir, {}, talk);
    const std::string state = (s.dir / "state").string();
    const fs::path log = s.dir / "orvane-sim" / "traffic.log";
    for (const std::string& shown : {"frames are logged to " + log.string(), std::string("ok input="),
                                     std::string("self check: ok"), "parameters saved to " + state, std::string("ok bye")})
        EXPECT_NE(quiet.out.find(shown), std::string::npos) << shown << "\n--- console:\n" << quiet.out;
    for (const char* flood : {"<- EB", "-> EB", "command (stdin)", "connection open"})
        EXPECT_EQ((quiet.out + quiet.err).find(flood), std::string::npos) << flood << "\n" << quiet.out << quiet.err;
    const std::string logged = ReadFile(log);
    for (const std::string& line : {std::string("<- EB 90 01 01 7D"), std::string("self check: ok"),
                                    "parameters saved to " + state, std::string("command (stdin): params -> ok")})
        EXPECT_NE(logged.find(line), std::string::npos) << line << "\n--- log:\n" << logged;

    // --verbose: the whole log on the console's error output after all.
    const TerminalRun verbose = RunAtTerminal(s.dir, {"--verbose"}, talk);
    EXPECT_NE(verbose.err.find("<- EB 90 01 01 7D"), std::string::npos) << verbose.err;
    EXPECT_NE(verbose.err.find("self check: ok"), std::string::npos);
    EXPECT_NE(verbose.out.find("ok input="), std::string::npos) << "answers stay on the output";
    if (before)
        setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else
        unsetenv("XDG_STATE_HOME");
}

} // namespace
