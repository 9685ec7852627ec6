// The real orvane-panel.exe and the real orvane-sim.exe as a Windows program
// of ours sees them under Wine: both started on free ports in job objects, so
// nothing outlives the driver; the panel watched from outside (its top-level
// windows, its message boxes) and asked through the WM_COPYDATA requests of
// panelprobe.h; the simulator driven over its control port, its traffic log
// read from its file. Shared by the end-to-end tests and the soak run.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/parameterset.h"
#include "link/netsocket.h"
#include "panel/panelprobe.h"
#include "simulator/controlsession.h"
#include "simulator/devicemodel.h"
#include "tests/support/jobprocess.h"
#include "tests/support/simcontrol.h"
#include "tests/support/simlog.h"

namespace paneldriver {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Where the build put the panel (beside it: the library and the simulator).
// A Unix path from CMake, which Wine's drive Z: reaches.
inline std::string PanelDir()
{
    std::string dir = ORVANE_PANEL_DIR;
    if (!dir.empty() && dir[0] == '/') dir = "Z:" + dir;
    for (char& c : dir)
        if (c == '/') c = '\\';
    return dir + "\\";
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

inline bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds within = 15s)
{
    for (auto until = Clock::now() + within;; std::this_thread::sleep_for(30ms)) {
        if (done()) return true;
        if (Clock::now() >= until) return false;
    }
}

inline std::string TempBase(const char* what, uint16_t port)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "orvane-e2e-" + what + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(port);
}

using Process = TJobProcess;

// A host program run to its end (Wine starts Unix programs for start /unix).
inline bool RunUnix(const std::string& command)
{
    Process p;
    return p.Start("start.exe /wait /unix " + command) && p.WaitExit(30000) == 0;
}

// A process as the host sees it, "Z:\\proc\\<pid>\\" (Wine maps the host's
// root to Z:), found by a text its command line carries; "" when none does.
inline std::string HostProcessDir(const std::string& marker)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
    if (search == INVALID_HANDLE_VALUE) return "";
    std::string result;
    do {
        const std::string name = found.cFileName;
        if (name.empty() || name.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string dir = "Z:\\proc\\" + name + "\\";
        if (ReadFile(dir + "cmdline").find(marker) == std::string::npos) continue;
        result = dir;
        break;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return result;
}

class Simulator {
public:
    // With `saved`, the simulator starts as a device that saved those values
    // earlier; without, with its factory values.
    explicit Simulator(uint16_t port, std::optional<ParameterSet> saved = std::nullopt)
        : controlPort_(FreeLoopbackPort())
    {
        const std::string base = TempBase("sim", port);
        log = base + ".log";
        logName_ = log.substr(log.find_last_of('\\') + 1);
        state_ = base + ".state";
        DeleteFileA(log.c_str());
        DeleteFileA(state_.c_str());
        if (saved) std::ofstream(state_, std::ios::binary) << FormatParameterFile(*saved);
        const std::string cmd = "\"" + PanelDir() + "orvane-sim.exe\" --no-stdin --seed 7 --port " +
                                std::to_string(port) + " --control-port " + std::to_string(controlPort_) +
                                " --log \"" + log + "\" --state \"" + state_ + "\"";
        if (!process_.Start(cmd)) {
            error = "cannot start " + cmd;
            return;
        }
        if (!control_.Connect(controlPort_, DefaultTokenFile(state_, controlPort_), 30s))
            error = "the simulator did not come up, or did not take its token";
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
    bool Started() const { return error.empty(); }
    bool Running() const { return process_.Running(); }
    // Ended as a crash or the task manager ends it: no goodbye to anyone.
    void Kill() { process_.Kill(); }
    // A host signal to the simulator's process ("STOP", "CONT"), as a
    // debugger or a suspended machine gives it.
    bool Signal(const std::string& name)
    {
        const std::string dir = HostProcessDir(logName_);
        if (dir.empty()) return false;
        const std::string pid = dir.substr(8, dir.size() - 9); // "Z:\\proc\\" ... "\\"
        return RunUnix("/bin/kill -" + name + " " + pid);
    }
    // The simulator's answer line ("ok ...", "error ...").
    std::string Command(const std::string& line) { return control_.Command(line); }
    std::string Log() const { return ReadFile(log); }
    // What the device has saved, or nothing while it has saved nothing.
    std::optional<ParameterSet> Saved() const
    {
        std::string problem;
        return ParseParameterFile(ReadFile(state_), problem);
    }

    std::string log;
    std::string error; // empty when it came up

private:
    uint16_t controlPort_;
    std::string state_;
    std::string logName_; // unique to this simulator: finds its host process
    Process process_;
    TSimControl control_;
};

// The panel's top-level windows, and the requests it answers.
class Panel {
public:
    // The library in the panel's folder reaches the simulator on this port.
    // Without `probe` the panel runs as shipped and answers no request.
    // `options` go on its command line; `dir` is the folder the program is
    // started from (the build's, with the library beside it, unless said
    // otherwise).
    explicit Panel(uint16_t simPort, bool probe = true, const std::string& options = "",
                   const std::string& dir = PanelDir())
    {
        SetEnvironmentVariableA("ORVANE_SIM_PORT", std::to_string(simPort).c_str());
        SetEnvironmentVariableA(kPanelProbeVariable, probe ? "1" : nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Panel::ProbeProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "OrvaneE2EProbe";
        RegisterClassA(&wc);
        probe_ = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(probe_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The panel passes over words that are not options; the tag only
        // lets HostDir tell this panel from any other running on the machine.
        tag_ = "orvane-driver-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(simPort);
        started_ = process_.Start("\"" + dir + "orvane-panel.exe\" " + options + " " + tag_);
    }
    ~Panel()
    {
        process_.Kill();
        if (probe_) DestroyWindow(probe_);
    }

    bool Started() const { return started_; }
    Process& process() { return process_; }
    // Closes the main window as its close box does; the program's exit
    // code, or -1 when it has not ended within 20 s.
    long Close()
    {
        PostMessageA(Window("TForm1"), WM_SYSCOMMAND, SC_CLOSE, 0);
        return process_.WaitExit(20000);
    }

    // A top-level window of the panel's of this class ("TForm1", "TForm2",
    // "#32770" for a message box, "#32768" for a menu), or null.
    HWND Window(const char* className) const
    {
        for (HWND wnd : TopLevelWindows())
            if (Class(wnd) == className) return wnd;
        return nullptr;
    }
    // Every question about another process's window waits for the Wine
    // server, which a loaded machine makes slow; a window's process and
    // class never change, so each window is asked about them once.
    std::vector<HWND> TopLevelWindows() const
    {
        std::vector<HWND> all;
        EnumWindows(
            [](HWND wnd, LPARAM p) -> BOOL {
                reinterpret_cast<std::vector<HWND>*>(p)->push_back(wnd);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&all));
        std::map<HWND, Known> known;
        std::vector<HWND> found;
        for (HWND wnd : all) {
            auto it = known_.find(wnd);
            Known k;
            if (it != known_.end()) {
                k = it->second;
            } else {
                GetWindowThreadProcessId(wnd, &k.pid);
                k.cls = ClassOf(wnd);
            }
            if (k.pid == process_.Id()) found.push_back(wnd);
            known.emplace(wnd, std::move(k));
        }
        known_.swap(known); // windows gone are forgotten
        return found;
    }
    // The class of a window TopLevelWindows listed, without asking again.
    std::string Class(HWND wnd) const
    {
        const auto it = known_.find(wnd);
        return it != known_.end() ? it->second.cls : ClassOf(wnd);
    }
    // The panel's pop-ups: its visible top-level windows other than its two
    // forms, tool tips and the hidden windows of the framework and the input
    // method. Message boxes and menus, whatever class a skin gives a menu.
    std::vector<HWND> Popups() const
    {
        std::vector<HWND> found;
        for (HWND wnd : TopLevelWindows()) {
            const std::string cls = Class(wnd);
            if (cls != "TForm1" && cls != "TForm2" && cls != "tooltips_class32" &&
                cls != "OrvaneUtilWindow" && cls != "IME" && IsWindowVisible(wnd))
                found.push_back(wnd);
        }
        return found;
    }
    // Every window of the process, top-level and child, as the window
    // manager counts them: independent of the framework's own accounting.
    int WindowCount() const
    {
        int count = 0;
        for (HWND top : TopLevelWindows()) {
            ++count;
            EnumChildWindows(
                top,
                [](HWND, LPARAM p) -> BOOL {
                    ++*reinterpret_cast<int*>(p);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&count));
        }
        return count;
    }
    static std::string ClassOf(HWND wnd)
    {
        char cls[64] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        return cls;
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
    // One value of a "key=value;..." answer, or "" when it has none.
    static std::string ValueOf(const std::string& answer, const std::string& key)
    {
        const std::string text = ";" + answer + ";";
        const size_t at = text.find(";" + key + "=");
        if (at == std::string::npos) return "";
        const size_t from = at + key.size() + 2;
        return text.substr(from, text.find(';', from) - from);
    }
    std::string StateOf(const std::string& key) { return ValueOf(State(), key); }
    std::string MonitorText() { return Query(ProbeQueryMonitor, ""); }
    std::string Resources() { return Query(ProbeQueryResources, ""); }
    // The window of a windowed control of the main window or the monitor.
    HWND Handle(const std::string& control)
    {
        COPYDATASTRUCT request{ProbeQueryHandle, static_cast<DWORD>(control.size()),
                               const_cast<char*>(control.data())};
        DWORD_PTR result = 0;
        SendMessageTimeoutA(Window("TForm1"), WM_COPYDATA, reinterpret_cast<WPARAM>(probe_),
                            reinterpret_cast<LPARAM>(&request), SMTO_NORMAL, 5000, &result);
        return reinterpret_cast<HWND>(result);
    }
    std::string Query(uintptr_t kind, const std::string& data, UINT timeoutMs = 5000)
    {
        HWND main = Window("TForm1");
        if (!main) return "<no window>";
        answer_.reset();
        COPYDATASTRUCT request{kind, static_cast<DWORD>(data.size()), const_cast<char*>(data.data())};
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(main, WM_COPYDATA, reinterpret_cast<WPARAM>(probe_),
                                 reinterpret_cast<LPARAM>(&request), SMTO_NORMAL, timeoutMs, &result) ||
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
    // The panel's process as the host sees it, "Z:\\proc\\<pid>\\" (Wine
    // maps the host's root to Z:), or "" when it is not found: the /proc
    // entry whose command line carries this panel's tag, so that other
    // panels running on the machine are not taken for it.
    const std::string& HostDir()
    {
        if (hostDir_.empty()) hostDir_ = HostProcessDir(tag_);
        return hostDir_;
    }
    // A "Name: N kB" figure of the host's /proc/<pid>/status, in bytes; -1
    // when there is none. "RssAnon" is the process's private resident
    // memory (Wine reports no private bytes to Windows programs), "VmRSS"
    // its working set.
    double HostStatus(const std::string& name)
    {
        if (HostDir().empty()) return -1;
        std::istringstream in(ReadFile(HostDir() + "status"));
        for (std::string line; std::getline(in, line);)
            if (line.rfind(name + ":", 0) == 0) return std::stod(line.substr(name.size() + 1)) * 1024;
        return -1;
    }

    // The text of a message box of the panel's.
    static std::string BoxText(HWND box)
    {
        char text[1024] = {};
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
    bool started_ = false;
    std::optional<std::string> answer_;
    std::string tag_;
    struct Known {
        DWORD pid = 0;
        std::string cls;
    };
    mutable std::map<HWND, Known> known_;
    std::string hostDir_;
};

// How most end-to-end tests begin: a simulator on a free port (with values
// it saved earlier, when given) and a panel that has opened its window and
// loaded its controls from that device.
class TConnectedPanel {
public:
    explicit TConnectedPanel(std::optional<ParameterSet> saved = std::nullopt)
        : port((NetStartup(), FreeLoopbackPort())), sim(port, saved), panel(port)
    {
    }
    // Empty once both are up and the panel is loaded, else what is missing.
    std::string Start()
    {
        if (!sim.Started()) return sim.error;
        if (!panel.Started()) return "the panel did not start";
        if (!WaitUntil([&] { return panel.Visible("TForm1"); }, 60s)) return "the main window did not open";
        if (!WaitUntil([&] { return panel.StateOf("panelLoaded") == "1"; }, 30s))
            return "the controls were not loaded: " + panel.State();
        return "";
    }

    uint16_t port;
    Simulator sim;
    Panel panel;
};

// The end of a long text, for failure messages.
inline std::string Tail(const std::string& text, size_t size = 2000)
{
    return text.size() > size ? "..." + text.substr(text.size() - size) : text;
}

inline std::vector<std::string> Received(const std::string& log)
{
    return LoggedFrames(log, true);
}

inline bool HasFrame(const std::string& log, const std::string& frame)
{
    for (const std::string& f : Received(log))
        if (f.rfind(frame, 0) == 0) return true;
    return false;
}

// Nine values in wire order, as "a,b,...": the form of the panel's "params=".
inline std::string WireText(const ParameterSet& p)
{
    std::string out;
    for (int32_t v : {p.micInputType, p.micOffset, p.vuRefreshTime, p.alarmThreshold, p.numberBrightness,
                      p.vuBrightness, p.autoBrightness, p.alarmShowTime, p.alarmResetTime})
        out += std::to_string(v) + ",";
    out.pop_back();
    return out;
}

// The simulator's "params" answer in wire order, as the panel's "params=".
inline std::string SimParams(const std::string& answer)
{
    static const char* const keys[] = {
        "input",          "offset",          "refresh",   "threshold", "number-brightness",
        "bar-brightness", "auto-brightness", "show-time", "reset-time"};
    std::string out;
    for (const char* key : keys) {
        const std::string k = std::string(" ") + key + "=";
        const size_t at = answer.find(k);
        if (at == std::string::npos) return "<" + answer + ">";
        const size_t from = at + k.size();
        out += answer.substr(from, answer.find(' ', from) - from) + ",";
    }
    out.pop_back();
    return out;
}

inline std::string Hex2(int value)
{
    char text[3];
    snprintf(text, sizeof text, "%02X", value & 0xFF);
    return text;
}

// A click with the mouse at a point of a window's client area, as the
// window sees a user's click (flat buttons have no window: click the parent).
inline void ClickAt(HWND wnd, int x, int y)
{
    PostMessageA(wnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
    PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

inline void PressKey(HWND wnd, WPARAM key)
{
    PostMessageA(wnd, WM_KEYDOWN, key, 1);
    PostMessageA(wnd, WM_KEYUP, key, 0xC0000001);
}

// Replaces an edit's text by typing, then presses Enter.
inline void TypeAndEnter(HWND edit, const std::string& text)
{
    PressKey(edit, VK_END);
    for (int i = 0; i < 5; ++i)
        PressKey(edit, VK_BACK);
    for (char c : text)
        PressKey(edit, c == '-' ? VK_OEM_MINUS : static_cast<WPARAM>(c));
    PressKey(edit, VK_RETURN);
}

// Where the flat buttons lie on Panel1 (they have no window of their own).
inline constexpr POINT kSelfCheckButton{668, 403};
inline constexpr POINT kSaveButton{668, 427};
inline constexpr POINT kDefaultButton{668, 451};

} // namespace paneldriver
