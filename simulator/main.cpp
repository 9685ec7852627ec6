// orvane-sim: a stand-in for the sound-level display, reached by the
// interface library over TCP on the loopback interface.
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <random>
#include <string>
#include <thread>
#ifdef _WIN32
#include <io.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include "link/linkwire.h"
#include "runtime/version.h"
#include "runtime/sysutils.h"
#include "simulator/controlsession.h"
#include "simulator/devicemodel.h"
#include "simulator/simserver.h"
#include "simulator/statefile.h"

namespace {

// Set by the signal handler, read by the server's loop.
std::atomic<int> gStopSignal{0};

extern "C" void OnStopSignal(int signal)
{
    gStopSignal = signal;
}

// A terminal closed, the session ending, Ctrl+C: the run ends as with
// `quit`, its token file removed and its log closed.
void EndOnSignals()
{
#ifdef _WIN32
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
    std::signal(SIGBREAK, OnStopSignal);
#else
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    // No restarting: the loop's wait ends at once.
    action.sa_flags = 0;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
#endif
}

// Text on standard output that could not be written (a full disk, a closed
// pipe) is a failure, said on standard error.
int FinishOutput(int code)
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return code;
    std::fprintf(stderr, "orvane-sim: cannot write the output: %s\n", std::strerror(errno));
    return 1;
}

const char kHelp[] = R"(orvane-sim: the Orvane sound-level display, simulated.

Usage: orvane-sim [options]

Options:
  --port N           device port on 127.0.0.1 (default: $ORVANE_SIM_PORT, else 37500)
  --control-port N   command port on 127.0.0.1 (default: the device port + 1, so 37501)
  --state FILE       where saved parameters are kept across runs (default:
                     $XDG_STATE_HOME/orvane-sim/parameters or ~/.local/state/orvane-sim/parameters;
                     %LOCALAPPDATA%\orvane-sim\parameters on Windows)
  --token-file FILE  where the control port's token is written, readable by you
                     alone (default: control-PORT.token beside the state file,
                     PORT being the control port); removed when the simulator ends
  --no-token         the control port asks for no token: any program on this
                     machine, a web page in a browser included, can then give
                     commands. For trusted machines only
  --log FILE         the traffic log: every frame, connection and command
                     (default: standard error; when standard input is a terminal,
                     the file traffic.log beside the saved parameters, so that the
                     frames do not flood the console you type commands in)
  --log-limit BYTES  a log file that reaches this size becomes FILE.1 (replacing
                     the one there) and a new one is begun (default: 8388608,
                     8 MiB; 0: no limit)
  --verbose          with standard input a terminal: the whole log on standard
                     error after all, frames included
  --seed N           seed of the simulated sound, for repeatable runs (default: random)
  --no-stdin         take no commands from standard input (for running in the background)
  --version          the version
  --help             this text

At a terminal the console shows the answers to your commands and what the
device itself would show: plugging and unplugging, the alarm going on and off,
"self check: ok" and "parameters saved to FILE".

Commands, one per line, on standard input (answers on standard output) and on
the control port (answers on the same connection). Each gets one answer line
starting with "ok" or "error":
  plug                         attach the device: connections are accepted again
  unplug                       detach it: connections are dropped and refused
  reading N|E1|E2|E8           force the reading: a level 0..255 (decimal, or hex after $ or 0x)
                               or one of the error codes
  reading auto                 the reading follows the simulated sound again
  level N | level auto         force the level bar (0..255; 37 and above light every lamp), or release it
  fault drop                   answer no request
  fault garbage                answer with noise (never a frame start)
  fault short                  send only the first half of each reply
  fault bad-checksum           send replies whose checksum is off by one
  fault delay MS               send each reply MS milliseconds late
  fault off                    answer properly again
  params                       the nine current parameters, the reading and the level
  quit                         end the simulator
  help                         the command list
When standard input ends the simulator goes on; only `quit` (or a signal) ends it.

The control port first wants the token: a line "token T", T being the
contents of the token file (answer "ok token"), for example in bash:
  exec 3<>/dev/tcp/127.0.0.1/37501
  read -r t < ~/.local/state/orvane-sim/control-37501.token; echo "token $t" >&3
  echo "reading 95" >&3; head -n 2 <&3
A connection whose first line is anything else, or that sends a line looking
like a web request ("POST / HTTP/1.1", "Host: ..."), is closed unanswered
beyond one error line. With --no-token the first line must be a command.
A connection gets 5 seconds for its first line and is closed after 10 minutes
without one; at most 16 control and 32 device connections are kept. A newcomer
beyond that takes the place of the connection silent longest among those that
hold nothing (no token shown; the device not opened); when all hold something
it is refused (and logged). A device connection that does not open the device
is closed after 10 seconds of silence.

Logging: a connection's frames are logged one by one up to 500 lines a
second; beyond, they are counted and the count logged. Saves rewrite the state
file at most four times a second: a save asked for sooner is answered once the
values of the last one asked for are written. SIGTERM, SIGINT and SIGHUP end
the simulator as `quit` does.

The device: nine parameters held to their ranges (input 0..2, offset -20..20,
refresh 3..45, threshold 60..120, brightnesses 10..100, automatic brightness
0..1, alarm show and reset times 1..60 s). Written parameters take effect at
once; SaveParameters writes them to the state file, which is read at start (a
damaged file gives the defaults and a warning). The sound wanders between 40
and 100 dB with occasional loud events; the weighting (dB(A) about 4 dB under
flat, dB(C) 1 dB) and the offset apply to it; the level bar spans 40..120 dB.
The alarm follows the threshold with its show and reset times (logged).
Requests with a wrong header, length or checksum, or an unknown command, get
no reply. Replies to writes, self checks and saves are EB 91 04 cmd 00 00 00
cs (status 01 when a save failed).

Log lines: "<- EB 90 01 01 7D" (a frame received), "-> EB 91 0C ..." (a frame
sent), "?? ignored: ..." (a request that gets no reply), "-- ..." (what a
fault or a save did), and lines for connections opening, closing and being
refused, the device being opened, closed and claimed exclusively, and every
command.

The connection: each message is a 2-byte little-endian length, a type byte
and a body. The library sends H (process id u32, exclusive u8) first and gets
W, or R with a reason while the device is unplugged or another process holds
it exclusively; then O (open), C (close), X (exclusive u8) and F (frame bytes).
The simulator answers each O and X with G (granted) or D and a reason (denied:
another process holds the device, or has it open when X claims it; a denied O
also ends the connection), and sends F with each reply.
)";

// A file of the simulator's own folder for this user.
std::string DefaultFile(const char* name)
{
    namespace fs = std::filesystem;
    fs::path dir;
#ifdef _WIN32
    if (const char* local = std::getenv("LOCALAPPDATA")) dir = fs::path(local) / "orvane-sim";
#else
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state)
        dir = fs::path(state) / "orvane-sim";
    else if (const char* home = std::getenv("HOME"))
        dir = fs::path(home) / ".local" / "state" / "orvane-sim";
#endif
    if (dir.empty()) return std::string("orvane-sim-") + name;
    std::error_code ec;
    fs::create_directories(dir, ec);
    return (dir / name).string();
}

std::string DefaultStateFile()
{
    return DefaultFile("parameters");
}

bool StdinIsTerminal()
{
#ifdef _WIN32
    return _isatty(_fileno(stdin)) != 0;
#else
    return isatty(STDIN_FILENO) != 0;
#endif
}

struct Options {
    uint16_t port = kDefaultSimPort;
    uint16_t controlPort = 0;
    std::string stateFile;
    std::string logFile;
    std::optional<uint32_t> seed;
    bool readStdin = true;
    std::string tokenFile;
    bool useToken = true;
    bool verbose = false;
    uint64_t logLimit = 8 << 20;
};

// Only while it still holds this run's token: a later run may own it now.
void RemoveTokenFile(const std::string& path, const std::string& token)
{
    std::string problem;
    if (ReadSmallFile(path, 256, problem) == token + "\n") std::remove(path.c_str());
}

int Usage(const std::string& problem)
{
    std::fprintf(stderr, "orvane-sim: %s (see --help)\n", problem.c_str());
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (const char* env = std::getenv(kSimPortVariable))
        if (auto p = ParsePort(env)) o.port = *p;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool hasValue = i + 1 < argc;
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return FinishOutput(0);
        } else if (a == "--version") {
            std::printf("orvane-sim %s\n", OrvaneVersion());
            return FinishOutput(0);
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--no-stdin") {
            o.readStdin = false;
        } else if ((a == "--port" || a == "--control-port") && hasValue) {
            const auto p = ParsePort(argv[++i]);
            if (!p) return Usage("bad port '" + std::string(argv[i]) + "'");
            (a == "--port" ? o.port : o.controlPort) = *p;
        } else if (a == "--state" && hasValue) {
            o.stateFile = argv[++i];
        } else if (a == "--no-token") {
            o.useToken = false;
        } else if (a == "--token-file" && hasValue) {
            o.tokenFile = argv[++i];
        } else if (a == "--log" && hasValue) {
            o.logFile = argv[++i];
        } else if (a == "--log-limit" && hasValue) {
            int32_t n = 0;
            if (!TryStrToInt(argv[++i], n) || n < 0)
                return Usage("bad log limit '" + std::string(argv[i]) + "'");
            o.logLimit = static_cast<uint64_t>(n);
        } else if (a == "--seed" && hasValue) {
            int32_t s = 0;
            if (!TryStrToInt(argv[++i], s)) return Usage("bad seed '" + std::string(argv[i]) + "'");
            o.seed = static_cast<uint32_t>(s);
        } else {
            return Usage("unknown option '" + a + "'");
        }
    }
    if (o.controlPort == 0) o.controlPort = o.port == 65535 ? 65534 : static_cast<uint16_t>(o.port + 1);
    if (o.controlPort == o.port) return Usage("the device and control ports must differ");
    if (o.stateFile.empty()) o.stateFile = DefaultStateFile();

    // Someone typing commands: the frames (about 65 lines a second with a
    // panel attached) go to a file, and the console keeps to answers and events.
    const bool atTerminal = o.readStdin && !o.verbose && StdinIsTerminal();
    if (atTerminal && o.logFile.empty()) o.logFile = DefaultFile("traffic.log");
    TSimLog log(stderr, atTerminal ? stdout : nullptr);
    if (!o.logFile.empty() && !log.OpenFile(o.logFile, o.logLimit))
        return Usage("cannot write the log file '" + o.logFile + "'");
    if (atTerminal)
        std::printf("orvane-sim %s: frames are logged to %s (--verbose shows them here); type help for the commands\n",
                    OrvaneVersion(), o.logFile.c_str());

    TDeviceModel model(o.stateFile, o.seed ? *o.seed : std::random_device{}());
    if (!model.LoadWarning().empty()) {
        std::fprintf(stderr, "orvane-sim: warning: %s\n", model.LoadWarning().c_str());
        if (!o.logFile.empty()) log.Line("warning: " + model.LoadWarning());
    }

    const std::string token = o.useToken ? NewControlToken() : std::string();
    if (o.useToken && o.tokenFile.empty()) o.tokenFile = DefaultTokenFile(o.stateFile, o.controlPort);
    if (o.useToken) {
        // A state file named in a folder not made yet worked before there
        // was a token; it still does.
        std::error_code ec;
        const auto folder = std::filesystem::path(o.tokenFile).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    }
    TSimServer server(model, log, o.port, o.controlPort, token);
    EndOnSignals();
    server.StopOnSignal(&gStopSignal);
    std::string error;
    // The token is in its file before anybody can connect: a client that
    // reaches the port always finds this run's token, never an old one.
    if (!server.Start(error) ||
        (o.useToken && !WriteFileAtomically(o.tokenFile, token + "\n", true, error)) ||
        !server.Listen(error)) {
        std::fprintf(stderr, "orvane-sim: %s\n", error.c_str());
        return 1;
    }
    if (o.useToken) log.Line("control token in " + o.tokenFile);

    // The reader blocks in getline for good once nobody types; it is left
    // behind at exit rather than joined.
    TLineQueue* input = nullptr;
    if (o.readStdin) {
        input = new TLineQueue; // outlives the detached reader
        std::thread([input] {
            std::string line;
            while (std::getline(std::cin, line))
                input->Push(line);
            input->Close();
        }).detach();
    }
    server.Run(input, stdout);
    if (o.useToken) RemoveTokenFile(o.tokenFile, token);
    std::fflush(stdout);
    // The stdin reader may still be inside getline; leave without running
    // destructors that would race with it.
    std::_Exit(0);
}
