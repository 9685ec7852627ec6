// The real orvane-sim program for native end-to-end tests: started as a
// process on free ports, driven over its control port and standard input,
// and spoken to over the link by hand. POSIX only.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "link/linkwire.h"
#include "link/netsocket.h"
#include "tests/support/simcontrol.h"

extern char** environ;

namespace simtest {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

inline std::string ReadFile(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// True once the file holds `text`: the simulator logs as it goes.
inline bool WaitForText(const fs::path& p, const std::string& text, std::chrono::milliseconds within = 10s)
{
    for (auto until = std::chrono::steady_clock::now() + within;; std::this_thread::sleep_for(20ms)) {
        if (ReadFile(p).find(text) != std::string::npos) return true;
        if (std::chrono::steady_clock::now() >= until) return false;
    }
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

// Where a simulator's standard streams go, when not where SimProcess puts
// them: its input and output to pipes held here, its error output to the
// state file's name with ".stderr".
struct SimStreams {
    fs::path in; // opened for reading and writing: a terminal's far end, say
    fs::path out, err;
};

// One simulator process. Its standard input and output are pipes held
// here unless `streams` names files; it is ended (politely, then not)
// before the object goes.
class SimProcess {
public:
    // The token goes to `state`.token unless `extra` names a file or has
    // --no-token. Without a `log` the simulator logs where it would for
    // this user.
    SimProcess(const fs::path& state, const fs::path& log, std::vector<std::string> extra = {},
               const std::string& program = ORVANE_SIM_EXE, const SimStreams& streams = {})
        : port(FreeLoopbackPort()), controlPort(FreeLoopbackPort()), tokenFile(state.string() + ".token")
    {
        const auto named = std::find(extra.begin(), extra.end(), "--token-file");
        if (std::find(extra.begin(), extra.end(), "--no-token") != extra.end())
            tokenFile.clear();
        else if (named != extra.end() && named + 1 != extra.end())
            tokenFile = *(named + 1);
        else
            extra.insert(extra.end(), {"--token-file", tokenFile});
        std::vector<std::string> args = {
            program,   "--port",       std::to_string(port), "--control-port", std::to_string(controlPort),
            "--state", state.string(),
        };
        if (!log.empty()) args.insert(args.end(), {"--log", log.string()});
        args.insert(args.end(), {"--seed", "11"});
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        int in[2] = {-1, -1}, out[2] = {-1, -1};
        if (streams.in.empty()) EXPECT_EQ(pipe(in), 0);
        if (streams.out.empty()) EXPECT_EQ(pipe(out), 0);
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        if (streams.in.empty())
            posix_spawn_file_actions_adddup2(&fa, in[0], 0);
        else
            posix_spawn_file_actions_addopen(&fa, 0, streams.in.c_str(), O_RDWR, 0);
        if (streams.out.empty())
            posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        else
            posix_spawn_file_actions_addopen(&fa, 1, streams.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const fs::path err = streams.err.empty() ? fs::path(state.string() + ".stderr") : streams.err;
        posix_spawn_file_actions_addopen(&fa, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        for (int fd : {in[0], in[1], out[0], out[1]})
            if (fd >= 0) posix_spawn_file_actions_addclose(&fa, fd);
        EXPECT_EQ(posix_spawn(&pid_, program.c_str(), &fa, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&fa);
        for (int fd : {in[0], out[1]})
            if (fd >= 0) close(fd);
        stdin_ = in[1];
        stdout_ = out[0];
        EXPECT_TRUE(control_.Connect(controlPort, tokenFile, 20s)) << "simulator did not come up";
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

    std::string Command(const std::string& line) { return control_.Command(line); }

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

    // Stops and resumes the process, as a debugger or a suspended laptop does.
    void Signal(int sig) { kill(pid_, sig); }

    uint16_t port;
    uint16_t controlPort;
    std::string tokenFile; // empty with --no-token
    int exitCode = -2;

private:
    pid_t pid_ = -1;
    int stdin_ = -1;
    int stdout_ = -1;
    TSimControl control_;
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
    // Open and Exclusive are answered: Granted, or Denied with the reason.
    std::optional<LinkMessage> Answer(int timeoutMs)
    {
        for (auto m = Next(timeoutMs); m; m = Next(timeoutMs))
            if (m->type == LinkType::Granted || m->type == LinkType::Denied) return m;
        return std::nullopt;
    }
    bool Open()
    {
        Send(LinkType::Open);
        const auto a = Answer(3000);
        return a && a->type == LinkType::Granted;
    }
    // The next reply frame; answers to Open and Exclusive on the way are
    // passed over.
    std::optional<std::vector<uint8_t>> Frame(int timeoutMs)
    {
        for (auto m = Next(timeoutMs); m; m = Next(timeoutMs))
            if (m->type == LinkType::Frame) return m->body;
        return std::nullopt;
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

} // namespace simtest
