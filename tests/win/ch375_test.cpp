// CH375DLL.DLL loaded as the panel loads it, against the real simulator
// (orvane-sim.exe) started on free ports. Run with --probe-open, the
// executable is the "other process" of the exclusive-use test.
#include <gtest/gtest.h>

#include "ch375/ch375dll.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/deviceframe.h"
#include "link/netsocket.h"
#include "tests/support/simcontrol.h"
#include "tests/support/jobprocess.h"

namespace {

using namespace std::chrono_literals;

constexpr int kProbeOpened = 0;
constexpr int kProbeRefused = 3;

std::string ExeDir()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

struct Ch375 {
    HMODULE module = LoadLibraryA("CH375DLL.DLL");
    decltype(&CH375OpenDevice) Open = Get<decltype(&CH375OpenDevice)>("CH375OpenDevice");
    decltype(&CH375CloseDevice) Close = Get<decltype(&CH375CloseDevice)>("CH375CloseDevice");
    decltype(&CH375SetTimeout) SetTimeout = Get<decltype(&CH375SetTimeout)>("CH375SetTimeout");
    decltype(&CH375SetExclusive) SetExclusive = Get<decltype(&CH375SetExclusive)>("CH375SetExclusive");
    decltype(&CH375SetDeviceNotify) SetDeviceNotify =
        Get<decltype(&CH375SetDeviceNotify)>("CH375SetDeviceNotify");
    decltype(&CH375WriteData) Write = Get<decltype(&CH375WriteData)>("CH375WriteData");
    decltype(&CH375ReadData) Read = Get<decltype(&CH375ReadData)>("CH375ReadData");

    template <class F> F Get(const char* name)
    {
        return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }
    bool Complete() const
    {
        return Open && Close && SetTimeout && SetExclusive && SetDeviceNotify && Write && Read;
    }

    bool WriteRequest(RequestKind kind, const ParameterSet& p = kStartParameters)
    {
        RequestFrame f = BuildRequest(kind, p);
        ULONG n = static_cast<ULONG>(f.length);
        return Write(0, f.bytes.data(), &n) && n == static_cast<ULONG>(f.length);
    }
    // The panel's way: a cleared 32-byte buffer, then CheckReply.
    bool ReadReply(DeviceFrame& buffer, ULONG& length)
    {
        buffer.fill(0);
        length = kDeviceFrameSize;
        return Read(0, buffer.data(), &length) != FALSE;
    }
};

Ch375& Lib()
{
    static Ch375 lib;
    return lib;
}

void SetPort(uint16_t port)
{
    SetEnvironmentVariableA("ORVANE_SIM_PORT", std::to_string(port).c_str());
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// orvane-sim.exe in a job that ends it if this process dies first; asked to
// quit, then terminated if it will not.
class SimProcess {
public:
    explicit SimProcess(uint16_t port) : port_(port), controlPort_(FreeLoopbackPort())
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        const std::string base = std::string(temp) + "orvane-ch375-" + std::to_string(GetCurrentProcessId()) +
                                 "-" + std::to_string(port);
        log = base + ".log";
        state_ = base + ".state";
        token_ = base + ".token";
        DeleteFileA(state_.c_str());
        std::string cmd = "\"" + ExeDir() + "orvane-sim.exe\" --no-stdin --seed 5 --port " +
                          std::to_string(port) + " --control-port " + std::to_string(controlPort_) +
                          " --log \"" + log + "\" --state \"" + state_ + "\" --token-file \"" + token_ + "\"";
        if (!process_.Start(cmd, CREATE_NO_WINDOW)) {
            ADD_FAILURE() << "cannot start " << cmd;
            return;
        }
        if (!control_.Connect(controlPort_, token_, 30s)) ADD_FAILURE() << "the simulator did not come up";
    }

    ~SimProcess()
    {
        if (process_.Running() && control_.Valid()) Command("quit");
        process_.WaitExit(5000);
        process_.Kill();
        control_.Close();
        DeleteFileA(log.c_str());
        DeleteFileA(state_.c_str());
    }

    std::string Command(const std::string& line) { return control_.Command(line); }

    // Waits for a line in the traffic log.
    bool LogShows(const std::string& text, std::chrono::milliseconds within = 5s)
    {
        for (auto until = std::chrono::steady_clock::now() + within;; std::this_thread::sleep_for(50ms)) {
            if (ReadFile(log).find(text) != std::string::npos) return true;
            if (std::chrono::steady_clock::now() >= until) return false;
        }
    }

    std::string log;

private:
    uint16_t port_;
    uint16_t controlPort_;
    std::string state_;
    std::string token_;
    TJobProcess process_;
    TSimControl control_;
};

// What the notification routine saw, and on which threads.
struct Events {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<ULONG> codes;
    std::vector<DWORD> threads;

    bool WaitFor(ULONG code, std::chrono::milliseconds within = 8s)
    {
        std::unique_lock<std::mutex> l(mutex);
        return changed.wait_for(l, within,
                                [&] { return std::find(codes.begin(), codes.end(), code) != codes.end(); });
    }
    void Clear()
    {
        std::lock_guard<std::mutex> l(mutex);
        codes.clear();
        threads.clear();
    }
};

Events g_events;

VOID CALLBACK RecordEvent(ULONG code)
{
    std::lock_guard<std::mutex> l(g_events.mutex);
    g_events.codes.push_back(code);
    g_events.threads.push_back(GetCurrentThreadId());
    g_events.changed.notify_all();
}

// Runs this executable as a second process that tries to open the device.
int ProbeOpenInOtherProcess(const char* mode = "--probe-open")
{
    std::string cmd = "\"" + ExeDir() + "ch375_tests.exe\" " + mode;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                        &pi))
        return -1;
    CloseHandle(pi.hThread);
    DWORD code = 1;
    if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

struct Ch375Test : ::testing::Test {
    void SetUp() override
    {
        ASSERT_TRUE(Lib().Complete()) << "CH375DLL.DLL with all seven operations beside the test";
        port = FreeLoopbackPort();
        SetPort(port);
        g_events.Clear();
    }
    // A simulator, and the device opened on it with these time-outs.
    void OpenOnSimulator(ULONG readMs, ULONG writeMs)
    {
        simulator.emplace(port);
        ASSERT_NE(lib.Open(0), INVALID_HANDLE_VALUE);
        lib.SetTimeout(0, readMs, writeMs);
    }
    // Leaves the library idle: no routine, device closed, watcher ended.
    // The simulator goes first, as it would at the end of the test's scope.
    void TearDown() override
    {
        simulator.reset();
        if (!Lib().Complete()) return;
        Lib().SetDeviceNotify(0, nullptr, nullptr);
        Lib().SetExclusive(0, 0);
        Lib().Close(0);
        Lib().SetTimeout(0, 3000, 3000);
    }
    Ch375& lib = Lib();
    uint16_t port = 0;
    std::optional<SimProcess> simulator;
};

TEST_F(Ch375Test, OpenFailsWithoutTheSimulatorAndSucceedsWithIt)
{
    EXPECT_EQ(lib.Open(0), INVALID_HANDLE_VALUE);
    DeviceFrame b;
    ULONG n = 0;
    EXPECT_FALSE(lib.WriteRequest(RequestKind::Poll)) << "nothing open";
    EXPECT_FALSE(lib.ReadReply(b, n));
    EXPECT_EQ(n, 0u);

    SimProcess sim(port);
    EXPECT_NE(lib.Open(0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(lib.Open(1), INVALID_HANDLE_VALUE) << "there is only device 0";
    EXPECT_TRUE(sim.LogShows("device opened (client 1)"));
    lib.Close(0);
    EXPECT_TRUE(sim.LogShows("device closed (client 1)") && sim.LogShows("connection closed (client 1)"))
        << "with no routine registered, closing ends the connection\n"
        << ReadFile(sim.log);
}

TEST_F(Ch375Test, RequestsGetRepliesThePanelAccepts)
{
    ASSERT_NO_FATAL_FAILURE(OpenOnSimulator(3000, 3000));
    DeviceFrame b;
    ULONG n = 0;

    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    ASSERT_TRUE(lib.ReadReply(b, n));
    EXPECT_EQ(n, 16u);
    EXPECT_TRUE(CheckReply(b, n, true));

    const ParameterSet written{2, -6, 12, 95, 40, 50, 0, 15, 20};
    ASSERT_TRUE(lib.WriteRequest(RequestKind::WriteParameters, written));
    ASSERT_TRUE(lib.ReadReply(b, n));
    EXPECT_TRUE(CheckReply(b, n, true));
    for (RequestKind k : {RequestKind::SelfCheck, RequestKind::SaveParameters}) {
        ASSERT_TRUE(lib.WriteRequest(k));
        ASSERT_TRUE(lib.ReadReply(b, n));
        EXPECT_TRUE(CheckReply(b, n, true)) << static_cast<int>(k);
    }
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    ASSERT_TRUE(lib.ReadReply(b, n));
    ASSERT_TRUE(CheckReply(b, n, true));
    ASSERT_TRUE(DecodePollReply(b));
    EXPECT_EQ(ParametersFromPollReply(*DecodePollReply(b)), written);

    // A small buffer gets the front of the frame.
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    uint8_t small[4] = {};
    ULONG cap = sizeof small;
    ASSERT_TRUE(lib.Read(0, small, &cap));
    EXPECT_EQ(cap, 4u);
    EXPECT_EQ(small[0], 0xEB);
    EXPECT_EQ(small[2], 0x0C);
}

TEST_F(Ch375Test, AReplyThatComesAfterItsReadGaveUpIsNotTakenForTheNextRequest)
{
    ASSERT_NO_FATAL_FAILURE(OpenOnSimulator(1000, 300));
    DeviceFrame b;
    ULONG n = 0;
    EXPECT_EQ(simulator->Command("fault delay 500"), "ok fault delay 500");
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    EXPECT_FALSE(lib.ReadReply(b, n)) << "the read gives up before the reply comes";
    EXPECT_EQ(simulator->Command("fault off"), "ok fault off");
    std::this_thread::sleep_for(std::chrono::milliseconds(600)); // the late poll reply is in
    ASSERT_TRUE(lib.WriteRequest(RequestKind::SelfCheck));
    ASSERT_TRUE(lib.ReadReply(b, n));
    EXPECT_EQ(b[3], 0x03) << "the self check's own reply, not the poll's";
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    ASSERT_TRUE(lib.ReadReply(b, n));
    EXPECT_EQ(b[3], 0x01);
}

TEST_F(Ch375Test, ReadsEndAtTheTimeOutWhenNoReplyComes)
{
    ASSERT_NO_FATAL_FAILURE(OpenOnSimulator(1000, 400));
    DeviceFrame b;
    ULONG n = 0;

    auto timedRead = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_FALSE(lib.ReadReply(b, n));
        EXPECT_EQ(n, 0u);
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    };
    // Nothing asked, nothing comes; then a device that ignores requests.
    const auto idle = timedRead();
    EXPECT_EQ(simulator->Command("fault drop"), "ok fault drop");
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    const auto dropped = timedRead();
    for (auto ms : {idle, dropped}) {
        EXPECT_GE(ms, 380);
        EXPECT_LT(ms, 3000);
    }

    EXPECT_EQ(simulator->Command("fault off"), "ok fault off");
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    ASSERT_TRUE(lib.ReadReply(b, n));
    EXPECT_TRUE(CheckReply(b, n, true));
}

TEST_F(Ch375Test, RoutineHearsPlugAndUnplugOnTheLibrarysThread)
{
    // Registered while no device is there: the plug-in is the first news.
    lib.SetDeviceNotify(0, const_cast<PCHAR>(""), RecordEvent);
    SimProcess sim(port);
    ASSERT_TRUE(g_events.WaitFor(CH375_DEVICE_ARRIVAL));
    ASSERT_NE(lib.Open(0), INVALID_HANDLE_VALUE);

    g_events.Clear();
    EXPECT_EQ(sim.Command("unplug"), "ok unplugged");
    ASSERT_TRUE(g_events.WaitFor(CH375_DEVICE_REMOVE));
    EXPECT_FALSE(lib.WriteRequest(RequestKind::Poll));
    lib.Close(0);
    EXPECT_EQ(lib.Open(0), INVALID_HANDLE_VALUE);

    EXPECT_EQ(sim.Command("plug"), "ok plugged");
    ASSERT_TRUE(g_events.WaitFor(CH375_DEVICE_ARRIVAL));
    ASSERT_NE(lib.Open(0), INVALID_HANDLE_VALUE);
    DeviceFrame b;
    ULONG n = 0;
    ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
    ASSERT_TRUE(lib.ReadReply(b, n));
    EXPECT_TRUE(CheckReply(b, n, true));

    std::lock_guard<std::mutex> l(g_events.mutex);
    EXPECT_EQ(g_events.codes, (std::vector<ULONG>{CH375_DEVICE_REMOVE, CH375_DEVICE_ARRIVAL}));
    for (DWORD t : g_events.threads)
        EXPECT_NE(t, GetCurrentThreadId());
}

TEST_F(Ch375Test, ExclusiveUseKeepsASecondProcessOut)
{
    SimProcess sim(port);
    EXPECT_EQ(ProbeOpenInOtherProcess(), kProbeOpened) << "shared while nobody claims it";

    ASSERT_NE(lib.Open(0), INVALID_HANDLE_VALUE);
    lib.SetExclusive(0, 1);
    EXPECT_EQ(ProbeOpenInOtherProcess(), kProbeRefused);
    EXPECT_TRUE(sim.LogShows("busy: held exclusively by process " + std::to_string(GetCurrentProcessId())));

    lib.SetExclusive(0, 0);
    EXPECT_EQ(ProbeOpenInOtherProcess(), kProbeOpened);

    // The claim lasts while the device is open here.
    lib.SetExclusive(0, 1);
    lib.SetDeviceNotify(0, const_cast<PCHAR>(""), RecordEvent); // keeps the connection after the close
    lib.Close(0);
    EXPECT_EQ(ProbeOpenInOtherProcess(), kProbeOpened);
}

TEST_F(Ch375Test, ProcessEndsPromptlyWithTheWatcherRunning)
{
    SimProcess sim(port);
    // The other process opens, registers a routine, lets go of the library
    // and returns from main without closing anything.
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(ProbeOpenInOtherProcess("--probe-leave-running"), kProbeOpened);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 30s);
    EXPECT_TRUE(sim.LogShows("device opened (client 1)"));
    EXPECT_TRUE(sim.LogShows("connection closed (client 1")) << "the system closed it with the process";
}

// Not a check: the figures for one poll through the library and the
// simulator, printed for the record.
TEST_F(Ch375Test, PollRoundTripFigures)
{
    ASSERT_NO_FATAL_FAILURE(OpenOnSimulator(3000, 3000));
    constexpr int kPolls = 1000;
    std::vector<double> us;
    us.reserve(kPolls);
    DeviceFrame b;
    ULONG n = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kPolls; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        ASSERT_TRUE(lib.WriteRequest(RequestKind::Poll));
        ASSERT_TRUE(lib.ReadReply(b, n));
        ASSERT_TRUE(CheckReply(b, n, true));
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    const double total = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::sort(us.begin(), us.end());
    const double median = us[kPolls / 2], p99 = us[kPolls * 99 / 100];
    std::printf("poll round trip over %d polls: median %.0f us, 99th percentile %.0f us, %.0f polls/s\n",
                kPolls, median, p99, kPolls / total);
    RecordProperty("median_us", static_cast<int>(median));
    RecordProperty("p99_us", static_cast<int>(p99));
    RecordProperty("polls_per_second", static_cast<int>(kPolls / total));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::string(argv[1]) == "--probe-open") {
        const HANDLE h = Lib().Complete() ? Lib().Open(0) : INVALID_HANDLE_VALUE;
        if (h == INVALID_HANDLE_VALUE) return kProbeRefused;
        Lib().Close(0);
        return kProbeOpened;
    }
    if (argc > 1 && std::string(argv[1]) == "--probe-leave-running") {
        // A library of our own, freed while its watcher runs: the watcher
        // keeps it loaded, so the sleep below must not crash.
        const HMODULE own = LoadLibraryA("CH375DLL.DLL");
        if (!own || !Lib().Complete() || Lib().Open(0) == INVALID_HANDLE_VALUE) return kProbeRefused;
        Lib().SetDeviceNotify(0, const_cast<PCHAR>(""), RecordEvent);
        FreeLibrary(own);
        FreeLibrary(Lib().module);
        Sleep(500);
        return kProbeOpened;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
