// orvane-panel-figures: the running panel's figures, measured from outside
// against the real simulator: start-up to first paint, polls per second,
// CPU while idle-polling (monitor hidden, then shown, then the level history
// shown as well), working set and private memory, and the full repaint of
// the main window. Printed as
// "[ figure ] ..." lines for `make bench`; it checks nothing.
//
// CPU comes from the host's /proc for the panel's Wine process (found by its
// command line and the simulator port in its environment), since that is
// what the machine pays; the Windows view (GetProcessTimes) is printed
// beside it where the system gives one.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/e2e/paneldriver.h"
#include "tests/support/keyboard.h"

namespace {

using namespace paneldriver;

// User plus system time of a host process, in clock ticks (1/100 s).
long long HostTicks(const std::string& dir)
{
    if (dir.empty()) return -1;
    const std::string stat = ReadFile(dir + "stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    std::istringstream in(stat.substr(close + 2));
    std::string field;
    long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && in >> field; ++i) {
        if (i == 14) utime = std::stoll(field);
        if (i == 15) stime = std::stoll(field);
    }
    return utime + stime;
}

double WindowsCpuSeconds(DWORD pid)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!process) return -1;
    FILETIME created, ended, kernel, user;
    const bool ok = GetProcessTimes(process, &created, &ended, &kernel, &user);
    CloseHandle(process);
    if (!ok) return -1;
    auto seconds = [](FILETIME t) {
        return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

double LoadAverage()
{
    double load = -1;
    std::istringstream(ReadFile("Z:\\proc\\loadavg")) >> load;
    return load;
}

void Figure(const char* format, double a, double b = 0, double c = 0)
{
    std::printf("[ figure ] ");
    std::printf(format, a, b, c);
    std::printf("\n");
    std::fflush(stdout);
}

void IdleCpu(Panel& panel, const std::string& hostDir, const char* what, int seconds)
{
    const long long ticks0 = HostTicks(hostDir);
    const double win0 = WindowsCpuSeconds(panel.process().Id());
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const long long ticks1 = HostTicks(hostDir);
    const double win1 = WindowsCpuSeconds(panel.process().Id());
    // Wine answers 0 for another process's times; Windows gives the real ones.
    const double windows = win0 < 0 ? 0 : (win1 - win0) / wall * 100;
    std::printf(
        "[ figure ] idle-polling CPU, %s: %.2f%% of one core (host /proc, %.0f s%s); load average %.2f\n",
        what, ticks0 < 0 ? -1.0 : (ticks1 - ticks0) / 100.0 / wall * 100, wall,
        windows > 0 ? (", Windows says " + std::to_string(windows) + "%").c_str() : "", LoadAverage());
}

} // namespace

int main()
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    if (!sim.Started()) {
        std::printf("no simulator: %s\n", sim.error.c_str());
        return 1;
    }
    Panel panel(port);
    if (!panel.Started() || !WaitUntil([&] { return panel.Visible("TForm1"); }, 90s) ||
        !WaitUntil([&] { return panel.StateOf("panelLoaded") == "1"; }, 30s)) {
        std::printf("the panel did not come up\n");
        return 1;
    }
    Figure("start-up to first paint of the main window: %.0f ms (inside the program)",
           std::stod("0" + panel.StateOf("firstPaintMs")));
    std::this_thread::sleep_for(3s); // past start-up

    // Polls per second, as the simulator receives them.
    auto polls = [&] {
        size_t n = 0;
        for (const std::string& f : Received(sim.Log()))
            if (f.rfind("EB 90 01 01", 0) == 0) ++n;
        return n;
    };
    const size_t p0 = polls(), r0 = Received(sim.Log()).size();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(10s);
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    Figure("polls per second: %.1f (requests of every kind %.1f/s; over %.0f s)", (polls() - p0) / wall,
           (Received(sim.Log()).size() - r0) / wall, wall);

    const std::string hostDir = panel.HostDir();
    if (hostDir.empty()) std::printf("(the panel's host process was not found in /proc)\n");
    IdleCpu(panel, hostDir, "monitor hidden", 20);

    Figure("working set %.1f MiB, private resident memory %.1f MiB (host /proc VmRSS, RssAnon; idle, monitor "
           "hidden)",
           panel.HostStatus("VmRSS") / 1048576.0, panel.HostStatus("RssAnon") / 1048576.0);

    // The full repaint, asked three times (20 repaints each).
    std::vector<double> medians;
    for (int i = 0; i < 3; ++i) {
        const std::string answer = panel.Query(ProbeTimeRepaint, "", 20000);
        medians.push_back(std::stod("0" + Panel::ValueOf(answer, "median_us")));
    }
    std::sort(medians.begin(), medians.end());
    Figure("full repaint of the main window (frame, client, every child): median %.2f ms (of 3 x 20; %.2f .. "
           "%.2f)",
           medians[1] / 1000, medians[0] / 1000, medians[2] / 1000);

    panel.ShowMonitor();
    WaitUntil([&] { return panel.Visible("TForm2"); }, 10s);
    std::this_thread::sleep_for(2s);
    IdleCpu(panel, hostDir, "monitor shown", 20);

    // The level history, opened with its key as a user does, redraws its
    // chart twice a second.
    HWND main = panel.Window("TForm1");
    SetForegroundWindow(main);
    WaitUntil([&] { return GetForegroundWindow() == main; }, 5s);
    SendChord(VK_CONTROL, 'H');
    if (!WaitUntil([&] { return panel.Visible("TForm3"); }, 10s)) {
        std::printf("the level history did not open\n");
    } else {
        std::this_thread::sleep_for(2s);
        const size_t h0 = polls();
        const auto h1 = Clock::now();
        IdleCpu(panel, hostDir, "monitor and level history shown", 20);
        const double span = std::chrono::duration<double>(Clock::now() - h1).count();
        Figure("polls per second with the level history shown: %.1f (over %.0f s)", (polls() - h0) / span, span);
    }

    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    panel.process().WaitExit(20000);
    return 0;
}
