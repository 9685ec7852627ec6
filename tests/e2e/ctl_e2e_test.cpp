// orvane-ctl as a script runs it: the real program, the real simulator on
// its own ports, and the simulator's `params`, state file and log as the
// truth about what the device holds.
#include <atomic>
#include <regex>

#include "device/deviceframe.h"
#include "tests/e2e/simprocess.h"

namespace {

using namespace simtest;

struct CtlRun {
    int code = -1;
    std::string out, err;
};

// orvane-ctl started with the device port in its environment; Finish waits
// for it. Output goes to files, so that a program that prints a lot never
// blocks on a pipe nobody reads.
class Ctl {
public:
    // stdoutTo: where its standard output goes instead of a file of the
    // test's (a full disk: /dev/full).
    Ctl(const fs::path& dir, uint16_t port, std::vector<std::string> args, const fs::path& stdoutTo = {})
        : out_(dir / ("ctl" + std::to_string(++runs_) + ".out")), err_(out_.string() + ".err"),
          stdout_(stdoutTo.empty() ? out_ : stdoutTo)
    {
        args.insert(args.begin(), ORVANE_CTL_EXE);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::vector<std::string> env = {"ORVANE_SIM_PORT=" + std::to_string(port)};
        for (char** e = environ; *e; ++e)
            if (std::string(*e).rfind("ORVANE_SIM_PORT=", 0) != 0) env.push_back(*e);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&fa, 1, stdout_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&fa, 2, err_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        EXPECT_EQ(posix_spawn(&pid_, ORVANE_CTL_EXE, &fa, nullptr, argv.data(), envp.data()), 0);
        posix_spawn_file_actions_destroy(&fa);
    }
    ~Ctl()
    {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    const fs::path& OutFile() const { return out_; }

    CtlRun Finish()
    {
        CtlRun r;
        int status = 0;
        for (auto until = std::chrono::steady_clock::now() + 20s; pid_ > 0;) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
                pid_ = -1;
            } else if (std::chrono::steady_clock::now() >= until) {
                ADD_FAILURE() << "orvane-ctl did not end";
                return r;
            } else {
                std::this_thread::sleep_for(5ms);
            }
        }
        r.out = ReadFile(out_);
        r.err = ReadFile(err_);
        return r;
    }

private:
    static inline int runs_ = 0;
    fs::path out_, err_, stdout_;
    pid_t pid_ = -1;
};

class CtlTest : public ::testing::Test {
protected:
    Scratch s;
    fs::path state = s.dir / "state", log = s.dir / "log";
    SimProcess sim{state, log, {"--no-stdin"}};

    CtlRun ctl(std::vector<std::string> args) { return Ctl(s.dir, sim.port, std::move(args)).Finish(); }
    // The nine parameters as the simulator holds them.
    std::string Params()
    {
        const std::string p = sim.Command("params");
        return p.substr(0, p.find(" reading="));
    }
};

TEST_F(CtlTest, SetThenGetRoundTripsEveryParameterAtBothLimits)
{
    struct Limit {
        std::vector<std::string> set;
        std::string got, held;
    };
    const Limit limits[] = {
        {{"input=dB", "offset=-20", "refresh=3", "threshold=60", "number-brightness=10", "bar-brightness=10",
          "auto-brightness=off", "show-time=1", "reset-time=1"},
         "input=dB\noffset=-20\nrefresh=3\nthreshold=60\nnumber-brightness=10\nbar-brightness=10\n"
         "auto-brightness=off\nshow-time=1\nreset-time=1\n",
         "ok input=0 offset=-20 refresh=3 threshold=60 number-brightness=10 bar-brightness=10 "
         "auto-brightness=0 show-time=1 reset-time=1"},
        {{"input=dBC", "offset=20", "refresh=45", "threshold=120", "number-brightness=100",
          "bar-brightness=100", "auto-brightness=on", "show-time=60", "reset-time=60"},
         "input=dBC\noffset=20\nrefresh=45\nthreshold=120\nnumber-brightness=100\nbar-brightness=100\n"
         "auto-brightness=on\nshow-time=60\nreset-time=60\n",
         "ok input=2 offset=20 refresh=45 threshold=120 number-brightness=100 bar-brightness=100 "
         "auto-brightness=1 show-time=60 reset-time=60"},
    };
    for (const auto& l : limits) {
        std::vector<std::string> args = {"set"};
        args.insert(args.end(), l.set.begin(), l.set.end());
        const CtlRun set = ctl(args);
        EXPECT_EQ(set.code, 0) << set.err;
        EXPECT_EQ(set.out, "");
        EXPECT_EQ(Params(), l.held);
        const CtlRun get = ctl({"get"});
        EXPECT_EQ(get.code, 0) << get.err;
        EXPECT_EQ(get.out, l.got);
    }
    // One change leaves the other eight as they were, and the names asked
    // for come back in the order asked.
    EXPECT_EQ(ctl({"set", "offset=-5", "input=dba"}).code, 0);
    EXPECT_EQ(ctl({"get", "threshold", "input", "offset"}).out, "threshold=120\ninput=dBA\noffset=-5\n");
    EXPECT_EQ(ctl({"--json", "get", "auto-brightness", "offset"}).out,
              "{\"auto-brightness\":\"on\",\"offset\":-5}\n");
    // Exactly one write per set: one frame carries every change.
    const std::string traffic = ReadFile(log);
    size_t writes = 0;
    for (size_t at = traffic.find("<- EB 90 0A 02"); at != std::string::npos;
         at = traffic.find("<- EB 90 0A 02", at + 1))
        ++writes;
    EXPECT_EQ(writes, 3u);
}

TEST_F(CtlTest, RefusedValuesWriteNothing)
{
    ASSERT_EQ(ctl({"set", "threshold=90", "offset=3"}).code, 0);
    const std::string before = Params();
    const std::string writesBefore = ReadFile(log);
    const struct {
        std::vector<std::string> args;
        std::string message;
    } refused[] = {
        {{"set", "threshold=121"}, "threshold: 121 is out of range (60..120)"},
        {{"set", "threshold=59"}, "(60..120)"},
        {{"set", "offset=-21"}, "offset: -21 is out of range (-20..20)"},
        {{"set", "refresh=2.5"}, "refresh: '2.5' is not a whole number (3..45)"},
        {{"set", "show-time=99999999999"}, "(1..60)"},
        {{"set", "input=dBB"}, "not one of dB, dBA, dBC"},
        {{"set", "auto-brightness=yes"}, "not on or off"},
        {{"set", "offset=2", "threshold=200"}, "threshold: 200"},
        {{"set", "volume=3"}, "unknown parameter 'volume'"},
        {{"set", "threshold=70", "threshold=80"}, "given twice"},
        {{"set", "threshold"}, "not NAME=VALUE"},
        {{"set"}, "set needs NAME=VALUE"},
        {{"get", "volume"}, "unknown parameter"},
        {{"frobnicate"}, "unknown command"},
        {{}, "no command"},
        {{"watch", "--count", "0"}, "--count"},
        {{"status", "--colour"}, "unknown option"},
        {{"set", "offset=+-5"}, "offset: '+-5' is not a whole number"},
        {{"set", "offset=-+5"}, "offset: '-+5' is not a whole number"},
        {{"set", "threshold=++70"}, "is not a whole number"},
        {{"status", "--interval", "2"}, "belong to watch"},
        {{"get", "--interval", "0.5", "threshold"}, "belong to watch"},
    };
    for (const auto& r : refused) {
        const CtlRun run = ctl(r.args);
        EXPECT_EQ(run.code, 1) << r.message;
        EXPECT_NE(run.err.find(r.message), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Params(), before);
    EXPECT_EQ(ReadFile(log).find("<- EB 90 0A 02", writesBefore.size()), std::string::npos);
}

TEST_F(CtlTest, StatusAndWatchShowTheReadingAsTheDeviceGivesIt)
{
    sim.Command("reading 72");
    sim.Command("level 9");
    ASSERT_EQ(ctl({"set", "input=dBA", "threshold=70", "offset=0"}).code, 0);
    const CtlRun status = ctl({"status"});
    EXPECT_EQ(status.code, 0) << status.err;
    EXPECT_EQ(status.out, "reading=72\nweighting=dBA\nlevel=9\ninput=dBA\noffset=0\nrefresh=3\nthreshold=70\n"
                          "number-brightness=100\nbar-brightness=100\nauto-brightness=on\nshow-time=10\n"
                          "reset-time=10\n");
    sim.Command("reading E2");
    const CtlRun json = ctl({"status", "--json"});
    EXPECT_EQ(json.out,
              "{\"reading\":null,\"status\":\"E2\",\"weighting\":\"dBA\",\"level\":9,\"parameters\":{"
              "\"input\":\"dBA\",\"offset\":0,\"refresh\":3,\"threshold\":70,\"number-brightness\":100,"
              "\"bar-brightness\":100,\"auto-brightness\":\"on\",\"show-time\":10,\"reset-time\":10}}\n");

    sim.Command("reading 72");
    const fs::path csv = s.dir / "level.csv";
    const CtlRun watch = ctl({"watch", "--count", "5", "--interval", "0.1", "--csv", csv.string()});
    EXPECT_EQ(watch.code, 0) << watch.err;
    const std::regex line(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d 72 dBA ok\n)");
    const std::regex row(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d,\d{4}-\d\d-\d\d \d\d:\d\d:\d\d,72\.0,72,72,dB\(A\),0,70,1\.00,1,ok\r\n)");
    EXPECT_TRUE(std::regex_match(watch.out, std::regex("(" + std::string(R"(\S+ 72 dBA ok\n)") + "){5}")))
        << watch.out;
    EXPECT_TRUE(std::regex_search(watch.out, line));
    const std::string rows = ReadFile(csv);
    ASSERT_EQ(
        rows.rfind("Time,Local time,Leq,Lmax,Lmin,Weighting,Offset,Threshold,Over,Alarms,Status\r\n", 0), 0u)
        << rows;
    const std::string body = rows.substr(rows.find('\n') + 1);
    // One alarm, at the first reading: the display's stays on while the
    // level does.
    EXPECT_TRUE(std::regex_match(
        body, std::regex("(" + std::string(R"(\S+,\S+ \S+,72\.0,72,72,dB\(A\),0,70,1\.00,1,ok\r\n)") + ")(" +
                         std::string(R"(\S+,\S+ \S+,72\.0,72,72,dB\(A\),0,70,1\.00,0,ok\r\n)") + "){4}")))
        << rows;
    EXPECT_TRUE(std::regex_search(body, row));
    // A second watch continues the same log; a file that is no level log
    // is refused and left as it was.
    EXPECT_EQ(ctl({"watch", "--count", "1", "--csv", csv.string()}).code, 0);
    const std::string continued = ReadFile(csv);
    EXPECT_EQ(std::count(continued.begin(), continued.end(), '\n'), 7);
    std::ofstream(s.dir / "notes.txt") << "my notes\n";
    const CtlRun refused = ctl({"watch", "--count", "1", "--csv", (s.dir / "notes.txt").string()});
    EXPECT_EQ(refused.code, 1);
    EXPECT_EQ(ReadFile(s.dir / "notes.txt"), "my notes\n");

    // A device unplugged and plugged in again while watched: the rows say
    // so, and watching goes on with the device once it is back.
    Ctl watching(s.dir, sim.port, {"watch", "--count", "8", "--interval", "0.25"});
    ASSERT_TRUE(WaitForText(watching.OutFile(), "72 dBA ok\n"));
    sim.Command("unplug");
    std::this_thread::sleep_for(700ms);
    sim.Command("plug");
    const CtlRun replugged = watching.Finish();
    EXPECT_EQ(replugged.code, 0) << replugged.err;
    EXPECT_TRUE(
        std::regex_search(replugged.out, std::regex(R"(72 dBA ok\n(.*disconnected\n)+(.*72 dBA ok\n)+$)")))
        << replugged.out;

    sim.Command("reading E8");
    const CtlRun lines = ctl({"--json", "watch", "--count", "2", "--interval", "0.05"});
    EXPECT_TRUE(std::regex_match(
        lines.out,
        std::regex(R"((\{"time":"[^"]+","reading":null,"status":"E8","weighting":"dBA","level":9\}\n){2})")))
        << lines.out;
}

TEST_F(CtlTest, SaveSelfCheckAndDefaultsReachTheDevice)
{
    ASSERT_EQ(ctl({"set", "threshold=77", "refresh=20", "input=dB"}).code, 0);
    const CtlRun save = ctl({"save"});
    EXPECT_EQ(save.code, 0) << save.err;
    const std::string saved = ReadFile(state);
    EXPECT_NE(saved.find("alarmThreshold=77\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("vuRefreshTime=20\n"), std::string::npos) << saved;

    EXPECT_EQ(ctl({"self-check"}).code, 0);
    EXPECT_TRUE(WaitForText(log, "self check: ok"));

    // The panel's defaults as its controls send them: the refresh time held
    // at its minimum.
    const CtlRun defaults = ctl({"defaults"});
    EXPECT_EQ(defaults.code, 0) << defaults.err;
    EXPECT_EQ(Params(),
              "ok input=1 offset=0 refresh=3 threshold=100 number-brightness=100 bar-brightness=100 "
              "auto-brightness=1 show-time=10 reset-time=10");
    // Defaults are written, not saved.
    EXPECT_NE(ReadFile(state).find("alarmThreshold=77\n"), std::string::npos);
}

TEST_F(CtlTest, ExitCodesSayWhatWentWrong)
{
    // Nobody listening, and a device that is unplugged: no device.
    const uint16_t nobody = FreeLoopbackPort();
    for (const char* command : {"detect", "get", "status"}) {
        const CtlRun r = Ctl(s.dir, nobody, {command}).Finish();
        EXPECT_EQ(r.code, 2) << command << ": " << r.err;
    }
    EXPECT_EQ(Ctl(s.dir, nobody, {"detect"}).Finish().out, "absent\n");
    sim.Command("unplug");
    const CtlRun unplugged = ctl({"set", "threshold=80"});
    EXPECT_EQ(unplugged.code, 2);
    EXPECT_NE(unplugged.err.find("no device (device unplugged)"), std::string::npos) << unplugged.err;
    sim.Command("plug");
    EXPECT_EQ(ctl({"detect"}).out, "free\n");

    {
        // Another program holding the device exclusively, as the panel does.
        Client panel(sim.port, 777);
        ASSERT_TRUE(panel.welcomed);
        ASSERT_TRUE(panel.Open());
        panel.Exclusive(true);
        ASSERT_TRUE(panel.Answer(3000));
        const CtlRun detect = ctl({"--json", "detect"});
        EXPECT_EQ(detect.code, 3);
        EXPECT_EQ(detect.out, "{\"device\":\"busy\",\"detail\":\"busy: held exclusively by process 777\"}\n");
        EXPECT_EQ(ctl({"detect"}).out, "busy: held exclusively by process 777\n");
        const CtlRun set = ctl({"set", "threshold=81"});
        EXPECT_EQ(set.code, 3);
        EXPECT_NE(set.err.find("busy"), std::string::npos);
    }

    // Replies lost after the current values were read: the write goes out
    // but nothing confirms it.
    sim.Command("fault delay 400");
    Ctl set(s.dir, sim.port, {"set", "threshold=66"});
    ASSERT_TRUE(WaitForText(log, "<- EB 90 01 01 7D"));
    sim.Command("fault drop");
    const CtlRun dropped = set.Finish();
    EXPECT_EQ(dropped.code, 4) << dropped.err;
    EXPECT_NE(dropped.err.find("did not confirm the write"), std::string::npos) << dropped.err;
    // Nothing can be read at all: an error of the device, not of a write.
    const CtlRun get = ctl({"get"});
    EXPECT_EQ(get.code, 5);
    EXPECT_NE(get.err.find("did not answer"), std::string::npos) << get.err;
    EXPECT_EQ(ctl({"save"}).code, 4);
    sim.Command("fault off");
    EXPECT_EQ(ctl({"get", "threshold"}).out, "threshold=66\n");
}

// A device that says what it likes: a refusal full of terminal escapes and
// bytes that are no text, or a poll reply with codes no device knows.
class SaysAnything {
public:
    explicit SaysAnything(std::string refusal, std::vector<uint8_t> pollReply = {})
        : refusal_(std::move(refusal)), reply_(std::move(pollReply))
    {
        std::string error;
        listener_ = TSocket::Listen(0, error);
        port = listener_.LocalPort();
        thread_ = std::thread([this] { Serve(); });
    }
    ~SaysAnything()
    {
        stop_ = true;
        thread_.join();
    }
    uint16_t port = 0;

private:
    void Serve()
    {
        while (!stop_) {
            if (!listener_.WaitReadable(20)) continue;
            TSocket s = listener_.Accept();
            TLinkReader reader;
            uint8_t buf[256];
            for (bool open = s.Valid(); open && !stop_;) {
                while (auto m = reader.Next()) {
                    if (m->type == LinkType::Hello && !refusal_.empty()) {
                        const std::vector<uint8_t> why(refusal_.begin(), refusal_.end());
                        s.SendAll(EncodeLink(LinkType::Refuse, why), 1000);
                        open = false;
                    } else if (m->type == LinkType::Hello) {
                        s.SendAll(EncodeLink(LinkType::Welcome), 1000);
                    } else if (m->type == LinkType::Open || m->type == LinkType::Exclusive) {
                        s.SendAll(EncodeLink(LinkType::Granted), 1000);
                    } else if (m->type == LinkType::Frame) {
                        s.SendAll(EncodeLink(LinkType::Frame, reply_), 1000);
                    }
                }
                if (!open || !s.WaitReadable(50)) continue;
                const int n = s.Recv(buf, sizeof buf);
                if (n <= 0) break;
                reader.Feed(std::span(buf, static_cast<size_t>(n)));
            }
        }
    }

    std::string refusal_;
    std::vector<uint8_t> reply_;
    TSocket listener_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
};

// Python's own JSON reader, strict about UTF-8, on a file: the truth about
// whether a script can read what orvane-ctl printed.
bool PythonReadsJson(const fs::path& file)
{
    const std::string cmd =
        "python3 -c 'import json,sys; [json.loads(l) for l in open(sys.argv[1], encoding=\"utf-8\", "
        "errors=\"strict\")]' " +
        file.string() + " 2>/dev/null";
    return std::system(cmd.c_str()) == 0;
}

// No byte a terminal acts on: control bytes (but the line ends) and DEL;
// nor, since no byte above 0x7F the devices below send is part of UTF-8
// text, any of those (C1 controls to some terminals).
bool InertText(const std::string& text)
{
    return std::none_of(text.begin(), text.end(), [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return (c < 0x20 && c != '\n') || c >= 0x7F;
    });
}

TEST_F(CtlTest, WhatADeviceSaysReachesTheTerminalHarmlessAndTheJsonStaysJson)
{
    const std::string hostile = "busy: \x1b[2J\x1b]0;owned\x07\xff\xfe\xc3 held\r\n";
    const std::string absent = "\x1b[31m\x9b"
                               "31mgone\x7f";
    for (const std::string& refusal : {hostile, absent}) {
        SaysAnything device(refusal);
        const int code = refusal == hostile ? 3 : 2;
        const CtlRun text = Ctl(s.dir, device.port, {"detect"}).Finish();
        EXPECT_EQ(text.code, code);
        EXPECT_TRUE(InertText(text.out)) << text.out;
        if (refusal == hostile)
            EXPECT_NE(text.out.find("\\x1b[2J"), std::string::npos) << "shown, as text: " << text.out;
        Ctl json(s.dir, device.port, {"--json", "detect"});
        const fs::path jsonOut = json.OutFile();
        const CtlRun j = json.Finish();
        EXPECT_EQ(j.code, code);
        EXPECT_TRUE(PythonReadsJson(jsonOut)) << j.out;
        for (const char* command : {"get", "status", "save"}) {
            const CtlRun r = Ctl(s.dir, device.port, {command}).Finish();
            EXPECT_EQ(r.code, code) << command;
            EXPECT_TRUE(InertText(r.err)) << command << ": " << r.err;
        }
    }

    // Codes no device has: input 7 and a switch of 200.
    std::vector<uint8_t> reply = {0xEB, 0x91, 0x0C, 0x01, 71, 7, 3, 20, 90, 50, 60, 200, 5, 6, 9, 0};
    reply.back() = FrameChecksum(std::span(reply).first(reply.size() - 1));
    SaysAnything device("", reply);
    const CtlRun status = Ctl(s.dir, device.port, {"status"}).Finish();
    EXPECT_EQ(status.code, 5) << "a value no device has is a device error";
    EXPECT_NE(status.out.find("weighting=unknown code 7\n"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("input=unknown code 7\n"), std::string::npos) << status.out;
    EXPECT_NE(status.err.find("input code 7"), std::string::npos) << status.err;
    Ctl json(s.dir, device.port, {"--json", "status"});
    const fs::path jsonOut = json.OutFile();
    const CtlRun j = json.Finish();
    EXPECT_EQ(j.code, 5);
    EXPECT_TRUE(PythonReadsJson(jsonOut)) << j.out;
    EXPECT_NE(j.out.find("\"weighting\":\"unknown code 7\""), std::string::npos) << j.out;
    const CtlRun get = Ctl(s.dir, device.port, {"get", "threshold"}).Finish();
    EXPECT_EQ(get.code, 0) << "a known value is read as ever: " << get.err;
    EXPECT_EQ(get.out, "threshold=90\n");
}

// Output that cannot be written, a full disk or a closed pipe, is a failure
// with a message, never a success.
TEST_F(CtlTest, OutputThatCannotBeWrittenFails)
{
    const std::vector<std::string> commands[] = {{"--help"}, {"--version"},
                                                 {"get"},    {"--json", "status"},
                                                 {"detect"}, {"watch", "--count", "2", "--interval", "0.1"}};
    for (const auto& args : commands) {
        const CtlRun r = Ctl(s.dir, sim.port, args, "/dev/full").Finish();
        EXPECT_EQ(r.code, 6) << args[0] << ": " << r.err;
        EXPECT_NE(r.err.find("cannot write the output"), std::string::npos) << args[0] << ": " << r.err;
    }
    EXPECT_EQ(ctl({"get", "threshold"}).code, 0) << "the device is left as it was";
}

} // namespace
