// The real orvane-panel.exe with the real orvane-sim.exe, both started here
// on free ports and ended before each test returns. The panel is watched
// from outside, as a user would see it: its top-level windows, its message
// boxes, and its status label read back through the window (the panel
// answers a WM_COPYDATA request with the caption). The simulator is driven
// over its control port and its traffic log is read at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "framework/colors.h"
#include "panel/panelprobe.h"
#include "simulator/netsocket.h"
#include "tests/win/jobprocess.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Where the build put the panel (beside it: the library and the simulator).
// A Unix path from CMake, which Wine's drive Z: reaches.
std::string PanelDir()
{
    std::string dir = ORVANE_PANEL_DIR;
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
    for (char& c : dir)
        if (c == '/') c = '\\';
    return dir + "\\";
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds within = 15s)
{
    for (auto until = Clock::now() + within;; std::this_thread::sleep_for(30ms)) {
        if (done()) return true;
        if (Clock::now() >= until) return false;
    }
}

std::string TempBase(const char* what, uint16_t port)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "orvane-e2e-" + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(port);
}

using Process = TJobProcess;

class Simulator {
public:
    explicit Simulator(uint16_t port) : controlPort_(FreeLoopbackPort())
    {
        const std::string base = TempBase("sim", port);
        log = base + ".log";
        state_ = base + ".state";
        DeleteFileA(log.c_str());
        DeleteFileA(state_.c_str());
        const std::string cmd = "\"" + PanelDir() + "orvane-sim.exe\" --no-stdin --seed 7 --port " +
                                std::to_string(port) + " --control-port " + std::to_string(controlPort_) +
                                " --log \"" + log + "\" --state \"" + state_ + "\"";
        if (!process_.Start(cmd)) {
            ADD_FAILURE() << "cannot start " << cmd;
            return;
        }
        WaitUntil([&] { return (control_ = TSocket::Connect(controlPort_, 500)).Valid(); }, 30s);
        EXPECT_TRUE(control_.Valid()) << "the simulator did not come up";
    }
    ~Simulator()
    {
        if (control_.Valid()) Command("quit");
        process_.WaitExit(5000);
        process_.Kill();
        control_.Close();
        DeleteFileA(log.c_str());
        DeleteFileA(state_.c_str());
    }
    std::string Command(const std::string& line)
    {
        const std::string text = line + "\n";
        if (!control_.SendAll(text.data(), text.size(), 2000)) return "<send failed>";
        std::string answer;
        char c;
        while (control_.WaitReadable(5000) && control_.Recv(&c, 1) == 1 && c != '\n')
            answer += c;
        return answer;
    }
    std::string Log() const { return ReadFile(log); }

    std::string log;

private:
    uint16_t controlPort_;
    std::string state_;
    Process process_;
    TSocket control_;
};

// The panel's top-level windows, and the requests it answers.
class Panel {
public:
    // The library in the panel's folder reaches the simulator on this port.
    explicit Panel(uint16_t simPort)
    {
        SetEnvironmentVariableA("ORVANE_SIM_PORT", std::to_string(simPort).c_str());
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Panel::ProbeProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvaneE2EProbe";
        RegisterClassA(&wc);
        probe_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(probe_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        EXPECT_TRUE(process_.Start("\"" + PanelDir() + "orvane-panel.exe\""));
    }
    ~Panel()
    {
        process_.Kill();
        if (probe_) DestroyWindow(probe_);
    }

    Process& process() { return process_; }

    // A top-level window of the panel's of this class ("TForm1", "TForm2",
    // "#32770" for a message box), or null.
    HWND Window(const char* className) const
    {
        struct Search {
            DWORD pid;
            const char* cls;
            HWND found;
        } s{process_.Id(), className, nullptr};
        EnumWindows(
            [](HWND wnd, LPARAM p) -> BOOL {
                auto* s = reinterpret_cast<Search*>(p);
                DWORD pid = 0;
                GetWindowThreadProcessId(wnd, &pid);
                char cls[64] = {};
                GetClassNameA(wnd, cls, sizeof cls);
                if (pid != s->pid || std::string(cls) != s->cls) return TRUE;
                s->found = wnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&s));
        return s.found;
    }
    bool Visible(const char* className) const
    {
        HWND wnd = Window(className);
        return wnd && IsWindowVisible(wnd);
    }

    // A control's caption as the running panel has it; "<no answer>" when
    // the window does not answer.
    std::string Caption(const std::string& control) { return Query(ProbeQueryText, control); }
    // The panel's state as "key=value;..." (see panelprobe.h).
    std::string State() { return Query(ProbeQueryState, ""); }
    // One value of State(), or "" when it has none.
    std::string StateOf(const std::string& key)
    {
        const std::string state = ";" + State() + ";";
        const size_t at = state.find(";" + key + "=");
        if (at == std::string::npos) return "";
        const size_t from = at + key.size() + 2;
        return state.substr(from, state.find(';', from) - from);
    }
    std::string MonitorText() { return Query(ProbeQueryMonitor, ""); }
    // The window of a windowed control of the main window.
    HWND Handle(const std::string& control)
    {
        COPYDATASTRUCT request{ProbeQueryHandle, static_cast<DWORD>(control.size()),
                               const_cast<char*>(control.data())};
        DWORD_PTR result = 0;
        SendMessageTimeoutA(Window("TForm1"), WM_COPYDATA, reinterpret_cast<WPARAM>(probe_),
                            reinterpret_cast<LPARAM>(&request), SMTO_NORMAL, 5000, &result);
        return reinterpret_cast<HWND>(result);
    }
    std::string Query(uintptr_t kind, const std::string& data)
    {
        HWND main = Window("TForm1");
        if (!main) return "<no window>";
        answer_.reset();
        COPYDATASTRUCT request{kind, static_cast<DWORD>(data.size()), const_cast<char*>(data.data())};
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(main, WM_COPYDATA, reinterpret_cast<WPARAM>(probe_),
                                 reinterpret_cast<LPARAM>(&request), SMTO_NORMAL, 5000, &result) ||
            !result || !answer_)
            return "<no answer>";
        return *answer_;
    }
    bool ShowMonitor()
    {
        COPYDATASTRUCT request{ProbeShowMonitor, 0, nullptr};
        DWORD_PTR result = 0;
        return SendMessageTimeoutA(Window("TForm1"), WM_COPYDATA, reinterpret_cast<WPARAM>(probe_),
                                   reinterpret_cast<LPARAM>(&request), SMTO_NORMAL, 5000, &result) &&
               result;
    }
    bool CaptionBecomes(const std::string& control, const std::string& text)
    {
        return WaitUntil([&] { return Caption(control) == text; });
    }

    // The text of a message box of the panel's.
    static std::string BoxText(HWND box)
    {
        char text[256] = {};
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        return text;
    }

private:
    static LRESULT CALLBACK ProbeProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_COPYDATA) {
            auto* self = reinterpret_cast<Panel*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            if (self && data->dwData == ProbeText)
                self->answer_ = std::string(static_cast<const char*>(data->lpData), data->cbData);
            return TRUE;
        }
        return DefWindowProcA(wnd, msg, wParam, lParam);
    }

    Process process_;
    HWND probe_ = nullptr;
    std::optional<std::string> answer_;
};

// Closes the main window as its close box would and expects a clean end.
void CloseAndExpectCleanExit(Panel& panel)
{
    HWND main = panel.Window("TForm1");
    ASSERT_TRUE(main);
    PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(panel.process().WaitExit(20000), 0) << "exit code after closing the main window";
}

TEST(PanelEndToEnd, WithoutTheDeviceItSaysSoFirstThenShowsDisconnectedAndFindsADeviceLater)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort(); // nothing listens there yet
    Panel panel(port);

    HWND box = nullptr;
    bool mainShownBeforeBox = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            mainShownBeforeBox = mainShownBeforeBox || panel.Visible("TForm1");
            box = panel.Window("#32770");
            return box && IsWindowVisible(box);
        },
        60s))
        << "no message box";
    EXPECT_EQ(Panel::BoxText(box), "No connect device!");
    EXPECT_FALSE(mainShownBeforeBox);
    EXPECT_FALSE(panel.Visible("TForm1")) << "the main window waits for the message";

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); })) << "the main window did not open";
    EXPECT_EQ(panel.Caption("Label9"), "Disconnect");
    EXPECT_FALSE(panel.Visible("TForm2"));

    // A device plugged in afterwards is found.
    {
        Simulator sim(port);
        EXPECT_TRUE(panel.CaptionBecomes("Label9", "Connected")) << panel.Caption("Label9");
        EXPECT_TRUE(WaitUntil([&] { return sim.Log().find("device opened") != std::string::npos; }));
        CloseAndExpectCleanExit(panel);
        EXPECT_TRUE(WaitUntil([&] { return sim.Log().find("connection closed") != std::string::npos; }));
        EXPECT_NE(sim.Log().find("device closed"), std::string::npos) << sim.Log();
    }
}

TEST(PanelEndToEnd, WithTheDeviceItConnectsFollowsPlugAndUnplugAndClosesTheDeviceAtTheEnd)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    Panel panel(port);

    bool boxSeen = false;
    ASSERT_TRUE(WaitUntil(
        [&] {
            boxSeen = boxSeen || panel.Window("#32770");
            return panel.Visible("TForm1");
        },
        60s))
        << "the main window did not open";
    EXPECT_FALSE(boxSeen) << Panel::BoxText(panel.Window("#32770"));
    EXPECT_EQ(panel.Caption("Label9"), "Connected");
    EXPECT_FALSE(panel.Visible("TForm2")) << "the traffic monitor starts hidden";

    EXPECT_EQ(sim.Command("unplug").substr(0, 2), "ok");
    EXPECT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
    EXPECT_EQ(sim.Command("plug").substr(0, 2), "ok");
    EXPECT_TRUE(panel.CaptionBecomes("Label9", "Connected"));

    // Closing the monitor only hides it.
    ASSERT_TRUE(panel.ShowMonitor());
    EXPECT_TRUE(WaitUntil([&] { return panel.Visible("TForm2"); }));
    PostMessageA(panel.Window("TForm2"), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !panel.Visible("TForm2"); }));
    EXPECT_TRUE(panel.process().Running());
    EXPECT_TRUE(panel.Visible("TForm1"));
    EXPECT_EQ(panel.Caption("Label9"), "Connected") << "the panel still answers";

    const size_t before = sim.Log().size();
    CloseAndExpectCleanExit(panel);
    // The close handler closed the device before the program let go of the
    // connection.
    EXPECT_TRUE(WaitUntil([&] { return sim.Log().find("connection closed", before) != std::string::npos; }));
    const std::string log = sim.Log();
    const size_t closed = log.find("device closed", before);
    EXPECT_NE(closed, std::string::npos) << log.substr(before);
    EXPECT_LT(closed, log.find("connection closed", before));
}

// Frames the simulator received ("<- EB 90 ..."), in order.
std::vector<std::string> Received(const std::string& log)
{
    std::vector<std::string> frames;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        const size_t at = line.find("<- EB 90");
        if (at != std::string::npos) frames.push_back(line.substr(at + 3));
    }
    return frames;
}

bool HasFrame(const std::string& log, const std::string& frame)
{
    for (const std::string& f : Received(log))
        if (f.rfind(frame, 0) == 0) return true;
    return false;
}

std::string Hex2(int value)
{
    char text[3];
    snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// A click of a flat button, which has no window: the mouse on its parent.
void ClickAt(HWND parent, int x, int y)
{
    PostMessageA(parent, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageA(parent, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(parent, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

TEST(PanelEndToEnd, TalksToTheDeviceShowsItsReadingAndSendsTheUsersChanges)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    Panel panel(port);
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }, 60s)) << "the main window did not open";
    ASSERT_TRUE(WaitUntil([&] { return panel.StateOf("panelLoaded") == "1"; })) << panel.State();
    std::cout << "[ figure ] first paint of the main window " << panel.StateOf("firstPaintMs")
              << " ms after the program started\n";

    // The reading and its colour against the threshold the device holds.
    const int threshold = std::stoi(panel.StateOf("threshold"));
    EXPECT_EQ(sim.Command("level 20").substr(0, 2), "ok");
    EXPECT_EQ(sim.Command("reading " + std::to_string(threshold - 1)).substr(0, 2), "ok");
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("reading") == std::to_string(threshold - 1); }))
        << panel.State();
    EXPECT_EQ(panel.StateOf("color"), std::to_string(clLime));
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("lit") == "20"; })) << panel.State();
    sim.Command("reading " + std::to_string(threshold));
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("reading") == std::to_string(threshold); }));
    EXPECT_EQ(panel.StateOf("color"), std::to_string(clRed));
    sim.Command("level 5");
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("lit") == "5"; })) << "the bar falls with the level";
    sim.Command("reading E2");
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("reading") == "E2"; }));
    EXPECT_EQ(panel.StateOf("color"), std::to_string(clRed));
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("lit") == "1"; }));
    sim.Command("reading auto");
    sim.Command("level auto");

    // The exchange rate, from the polls the simulator received.
    const size_t pollsBefore = Received(sim.Log()).size();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(3s);
    const size_t polls = Received(sim.Log()).size() - pollsBefore;
    const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    std::cout << "[ figure ] " << polls / seconds << " requests per second received by the simulator\n";
    EXPECT_GT(polls, 10u);

    // The threshold slider moved up one step with the keyboard.
    HWND slider = panel.Handle("iSlider3");
    ASSERT_TRUE(slider);
    const int before = std::stoi(panel.StateOf("slider3"));
    const int after = before < 120 ? before + 1 : before - 1;
    const WPARAM key = before < 120 ? VK_UP : VK_DOWN;
    PostMessageA(slider, WM_KEYDOWN, key, 1);
    PostMessageA(slider, WM_KEYUP, key, 0xC0000001);
    EXPECT_TRUE(WaitUntil([&] { return panel.Caption("Edit3") == std::to_string(after); })) << panel.State();
    // p4 is the eighth byte of the frame.
    EXPECT_TRUE(WaitUntil([&] {
        for (const std::string& f : Received(sim.Log()))
            if (f.rfind("EB 90 0A 02", 0) == 0 && f.substr(21, 2) == Hex2(after)) return true;
        return false;
    })) << sim.Log().substr(sim.Log().size() > 2000 ? sim.Log().size() - 2000 : 0);

    // "Self Check" and "Save Parameter", clicked on the panel they lie on.
    HWND panel1 = panel.Handle("Panel1");
    ASSERT_TRUE(panel1);
    ClickAt(panel1, 660, 402);
    EXPECT_TRUE(WaitUntil([&] { return HasFrame(sim.Log(), "EB 90 02 03 80 00"); }));
    ClickAt(panel1, 660, 426);
    EXPECT_TRUE(WaitUntil([&] { return HasFrame(sim.Log(), "EB 90 02 04 80 01"); }));

    // Unplugged, the space bar unchecks the box without asking for a write;
    // plugged again, the controls come back from the device.
    sim.Command("unplug");
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
    ASSERT_EQ(panel.StateOf("check"), "1");
    HWND box = panel.Handle("CheckBox1");
    PostMessageA(box, WM_KEYDOWN, VK_SPACE, 1);
    PostMessageA(box, WM_KEYUP, VK_SPACE, 0xC0000001);
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("check") == "0"; }));
    EXPECT_EQ(panel.StateOf("panelLoaded"), "0");
    sim.Command("plug");
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
    EXPECT_TRUE(WaitUntil([&] { return panel.StateOf("panelLoaded") == "1"; }));
    EXPECT_EQ(panel.StateOf("check"), "1") << panel.State();
    EXPECT_EQ(panel.StateOf("slider3"), std::to_string(after));

    // The monitor lists what went both ways, as the simulator saw it.
    ASSERT_TRUE(panel.ShowMonitor());
    EXPECT_TRUE(WaitUntil([&] { return panel.Visible("TForm2"); }));
    std::istringstream lines(panel.MonitorText());
    int sent = 0, received = 0;
    const std::string log = sim.Log();
    for (std::string line; std::getline(lines, line);) {
        ASSERT_GE(line.size(), 4u);
        ASSERT_EQ(line.back(), ' ') << line;
        const std::string bytes = line.substr(3, line.size() - 4);
        if (line.rfind("-->", 0) == 0) {
            ++sent;
            EXPECT_NE(log.find("<- " + bytes), std::string::npos) << line;
        } else {
            ASSERT_EQ(line.rfind("<--", 0), 0u) << line;
            ++received;
            EXPECT_NE(log.find("-> " + bytes), std::string::npos) << line;
        }
    }
    EXPECT_GT(sent, 10);
    EXPECT_GT(received, 10);

    CloseAndExpectCleanExit(panel);
}

} // namespace
