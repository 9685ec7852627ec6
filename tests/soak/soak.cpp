// orvane-soak [--minutes M]: the real panel against the real simulator for M
// minutes (default 1), with the device misbehaving on a schedule and a user
// working every control through posted input, the way the panel's message
// loop receives a user's keys and clicks. At the end it prints a table of
// checks and exits 1 when one failed.
//
// A minute of the schedule (it repeats):
//    0 s  the traffic monitor is shown and cleared: from here until 25 s its
//         lines must be exactly the frames of the simulator's log
//    2 s  replies replaced by noise, 6 s cut short, 9 s checksums off by one
//   12 s  the reading goes E1, E2 (14 s), E8 (16 s), back to the sound level
//   18 s  replies dropped (each read waits out the panel's 3 s time-out)
//   25 s  Pause, compare, Run, the monitor closed
//   27 s  unplugged, plugged again at 31 s
//   35 s  replies delayed 3.5 s, beyond the time-out, until 41 s
//   44 s  the monitor opened, closed at 50 s
// Throughout, every 350 ms, one user action: slider keys and drags, numbers
// and Enter in the edits (sometimes an empty edit, which earns "Data format
// error!"), the check box by mouse and by space bar, the radio group, the
// four buttons, the system menu.
#include <windows.h>

#include <dbghelp.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/e2e/paneldriver.h"
#include "tests/soak/soakcheck.h"

namespace {

using namespace paneldriver;

// Key data of Alt+Space: scan code 0x39, the Alt bit; the up key also has
// the previous-state and transition bits.
constexpr LPARAM kAltSpaceDown = 0x20390001, kAltSpaceUp = static_cast<LPARAM>(0xE0390001u);

double SecondsSince(Clock::time_point from)
{
    return std::chrono::duration<double>(Clock::now() - from).count();
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::string Mib(double bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (1024.0 * 1024.0));
    return text;
}

struct HandleCloser {
    void operator()(HANDLE h) const
    {
        if (h && h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// The panel's number edits ("EditN") and the range each one's slider holds.
struct TPanelEdit {
    int edit, min, max;
};
constexpr TPanelEdit kPanelEdits[] = {{1, -20, 20}, {3, 60, 120}, {4, 10, 100}, {5, 10, 100}, {6, 1, 60}, {7, 1, 60}};

class Soak {
public:
    Soak(double minutes, unsigned seed, std::string keepLog, std::string dumpDir)
        : total_(minutes * 60), rng_(seed), keepLog_(std::move(keepLog)), dumpDir_(std::move(dumpDir))
    {
    }
    int Run();

private:
    struct Sample {
        double privateBytes, workingSet;
        double gdi, dc, frameworkWindows, windows;
    };
    struct Step {
        double at;
        void (Soak::*run)();
    };

    static const std::vector<Step>& Schedule();
    bool Start();
    void Tick();
    void RunSchedule(double phase);
    void Finish();
    void Event(const std::string& what);
    double Now() const { return SecondsSince(start_); }
    int Random(int from, int to) { return std::uniform_int_distribution<int>(from, to)(rng_); }
    std::string Sim(const std::string& command);
    bool Quiet();
    std::string Shown();
    void WatchWindows();
    void RecordStuckPanel();
    void CollectMonitor();
    void TakeSample();
    void JudgeSamples();
    void SampleReading();

    // The schedule.
    void MonitorWindowOpen();
    void FaultGarbage() { Sim("fault garbage"); }
    void FaultShort() { Sim("fault short"); }
    void FaultBadChecksum() { Sim("fault bad-checksum"); }
    void FaultDrop() { Sim("fault drop"); }
    void FaultDelay() { Sim("fault delay 3500"); }
    void FaultOff() { Sim("fault off"); }
    void ReadingE1()
    {
        Sim("fault off");
        ForceReading("E1");
    }
    void ReadingE2() { ForceReading("E2"); }
    void ReadingE8() { ForceReading("E8"); }
    void ReadingAutoAndDrop();
    void ForceReading(const std::string& code);
    void MonitorWindowVerify();
    void Unplug();
    void Plug();
    void MonitorOpen();
    void MonitorClose();

    // The user.
    void UserAction();
    void SliderKeys();
    void SliderDrag();
    void EditNumber();
    void CheckBox();
    void Radio();
    void Button();
    void SystemMenu();
    bool WaitPastRead(const std::function<bool()>& done, std::chrono::milliseconds within,
                      std::chrono::milliseconds after);
    bool MonitorButton(int index, const std::string& captionAfter);
    HWND Control(const std::string& name);
    void CloseMonitor();
    std::string GuiThreadState(HWND wnd);
    std::string EditTexts();

    double total_;
    std::mt19937 rng_;
    std::string keepLog_;
    std::string dumpDir_; // where a panel that stops answering is dumped; none when empty
    TSoakReport report_;
    std::unique_ptr<Simulator> sim_;
    std::unique_ptr<Panel> panel_;
    Clock::time_point start_;
    double nextAction_ = 0, nextSample_ = 0, nextCollect_ = 0, nextReading_ = 0;
    // When the last user action was posted, and when the panel last said,
    // in answer to a request made then, that it had taken all posted input.
    double lastInputAt_ = -1, inputTakenAsOf_ = 0;
    double lastPhase_ = -1;
    bool alive_ = true;
    double lastAnswer_ = 0;

    // The display's reading as sampled, in order.
    std::vector<std::string> shownReadings_;
    std::vector<Sample> samples_;
    std::vector<double> sampleTimes_;
    std::map<HWND, bool> boxesHandled_;
    // Boxes asked for by empty edits and not seen yet, and until when the
    // last of them may come.
    int boxesDue_ = 0;
    double boxExpectedUntil_ = -1;
    int expectedBoxes_ = 0, unexpectedBoxes_ = 0;
    std::string firstUnexpectedBox_;

    TMonitorTrail trail_;
    bool windowOpen_ = false;
    int windowsCompared_ = 0;
    size_t linesCompared_ = 0;
    std::string pendingReading_;
    std::map<std::string, int> actions_;
    int faults_ = 0;
    bool repliesLate_ = false;
    int lateAfterRead_ = 0;
    double longestRead_ = 0;
    std::string waitNote_;
    bool stuckRecorded_ = false; // the last wait found the panel silent and recorded it
    std::map<std::string, HWND> controls_;
    size_t firstActions_ = 0;
};

const std::vector<Soak::Step>& Soak::Schedule()
{
    static const std::vector<Step> steps = {
        {0.0, &Soak::MonitorWindowOpen}, {2.0, &Soak::FaultGarbage},
        {6.0, &Soak::FaultShort},        {9.0, &Soak::FaultBadChecksum},
        {12.0, &Soak::ReadingE1},        {14.0, &Soak::ReadingE2},
        {16.0, &Soak::ReadingE8},        {18.0, &Soak::ReadingAutoAndDrop},
        {23.0, &Soak::FaultOff},         {25.0, &Soak::MonitorWindowVerify},
        {27.0, &Soak::Unplug},           {31.0, &Soak::Plug},
        {35.0, &Soak::FaultDelay},       {41.0, &Soak::FaultOff},
        {44.0, &Soak::MonitorOpen},      {50.0, &Soak::MonitorClose},
    };
    return steps;
}

void Soak::Event(const std::string& what)
{
    std::printf("[%6.1f s] %s\n", Now(), what.c_str());
    std::fflush(stdout);
}

std::string Soak::Sim(const std::string& command)
{
    const std::string answer = sim_->Command(command);
    report_.Check("simulator takes every command", answer.rfind("ok", 0) == 0, command + " -> " + answer);
    if (command.rfind("fault", 0) == 0 || command.rfind("reading", 0) == 0 || command == "unplug") ++faults_;
    if (command.rfind("fault", 0) == 0)
        repliesLate_ = command.rfind("fault drop", 0) == 0 || command.rfind("fault delay", 0) == 0;
    Event("simulator: " + command);
    return answer;
}

bool Soak::Start()
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    sim_ = std::make_unique<Simulator>(port);
    if (!sim_->Started()) {
        report_.Fail("start", sim_->error);
        return false;
    }
    panel_ = std::make_unique<Panel>(port);
    if (!panel_->Started()) {
        report_.Fail("start", "cannot start the panel");
        return false;
    }
    if (!WaitUntil([&] { return panel_->Visible("TForm1"); }, 90s)) {
        report_.Fail("start", "the main window did not open");
        return false;
    }
    if (!WaitUntil([&] { return panel_->StateOf("panelLoaded") == "1"; }, 30s)) {
        report_.Fail("start", "the panel did not load the device's parameters: " + panel_->State());
        return false;
    }
    report_.Figure("first paint after program start", panel_->StateOf("firstPaintMs") + " ms");
    return true;
}

int Soak::Run()
{
    start_ = Clock::now();
    if (Start()) {
        start_ = Clock::now();
        Event("panel up; soaking for " + std::to_string(static_cast<int>(total_)) + " s");
        while (alive_ && Now() < total_) {
            Tick();
            std::this_thread::sleep_for(40ms);
        }
        if (alive_) Finish();
    }
    report_.Check("panel alive throughout", alive_, alive_ ? "running and answering to the end" : "");
    report_.Figure("run length", std::to_string(static_cast<int>(Now())) + " s of schedule");
    const bool ok = report_.Print(stdout);
    panel_.reset();
    if (sim_ && !keepLog_.empty()) CopyFileA(sim_->log.c_str(), keepLog_.c_str(), FALSE);
    sim_.reset();
    return ok ? 0 : 1;
}

void Soak::Tick()
{
    if (!panel_->process().Running()) {
        alive_ = false;
        report_.Fail("panel alive throughout",
                     "the panel ended at " + std::to_string(static_cast<int>(Now())) + " s");
        return;
    }
    if (Now() - lastAnswer_ > 20) {
        RecordStuckPanel();
        alive_ = false;
        report_.Fail("panel alive throughout",
                     "no answer for 20 s at " + std::to_string(static_cast<int>(Now())) + " s");
        return;
    }
    WatchWindows();
    const double phase = std::fmod(Now(), 60.0);
    RunSchedule(phase);
    // Requests to the panel wait while it waits out a read; made while the
    // device is silent or late, they would hold the schedule up by seconds.
    if (Now() >= nextSample_ && !repliesLate_ && Quiet()) {
        TakeSample();
        nextSample_ = Now() + kSampleSeconds;
    }
    if (Now() >= nextCollect_ && !repliesLate_ && Quiet()) {
        CollectMonitor();
        nextCollect_ = Now() + 2;
    }
    if (Now() >= nextAction_ && inputTakenAsOf_ > lastInputAt_ && Quiet()) {
        UserAction();
        lastInputAt_ = Now();
        nextAction_ = Now() + 0.35;
    }
    if (Now() >= nextReading_) {
        SampleReading();
        nextReading_ = Now() + 0.3;
    }
}

// Often, since a wrong reading stands only until the next poll reply; the
// short wait keeps a panel held in a slow read from stalling the schedule.
//
// The same answer tells whether the panel has taken the input posted to it.
// Posted keys are not a keyboard's: the panel makes a key's character only
// as it takes the key, and queues it behind everything posted by then. Two
// actions posted while the panel waits out a read would interleave: a
// slider key, taken before the characters of a number typed just before
// it, sets that edit's text and its caret to the start, and the number's
// characters then land before the old text ("-5-11"). A keyboard's keys
// wait in the input queue until the characters before them are handled, so
// a user cannot do that; the driver posts an action only once the panel has
// taken the last one, which may still come while it is busy in a read.
void Soak::SampleReading()
{
    const double asked = Now();
    const std::string state = panel_->Query(ProbeQueryState, "", 500);
    const std::string reading = Panel::ValueOf(state, "reading");
    if (!reading.empty()) shownReadings_.push_back(reading);
    if (Panel::ValueOf(state, "posted") == "0") inputTakenAsOf_ = asked;
}

void Soak::RunSchedule(double phase)
{
    if (phase < lastPhase_) lastPhase_ = -1; // a new minute
    for (const Step& step : Schedule())
        if (step.at > lastPhase_ && step.at <= phase) {
            lastPhase_ = step.at;
            (this->*step.run)();
            return; // one step per tick; a late one runs on the next
        }
}

// The panel's visible top-level windows by class, for a failure's detail.
std::string Soak::Shown()
{
    std::string shown;
    for (HWND wnd : panel_->TopLevelWindows())
        if (IsWindowVisible(wnd)) shown += " " + panel_->Class(wnd);
    return shown;
}

// No message box or menu up: the moment for samples and user actions.
bool Soak::Quiet()
{
    return panel_->Popups().empty();
}

// Message boxes: the expected one ("Data format error!" after an empty
// edit was entered) is counted and closed; any other is a failure, closed
// too so that the run goes on.
void Soak::WatchWindows()
{
    for (auto it = boxesHandled_.begin(); it != boxesHandled_.end();)
        it = IsWindow(it->first) ? std::next(it) : boxesHandled_.erase(it);
    for (HWND wnd : panel_->TopLevelWindows()) {
        if (panel_->Class(wnd) != "#32770" || !IsWindowVisible(wnd)) continue;
        if (!boxesHandled_.count(wnd)) {
            boxesHandled_[wnd] = true;
            const std::string text = Panel::BoxText(wnd);
            if (text == "Data format error!" && boxesDue_ > 0 && Now() <= boxExpectedUntil_) {
                Event("the \"Data format error!\" box came");
                ++expectedBoxes_;
                if (--boxesDue_ == 0) boxExpectedUntil_ = -1;
            } else {
                ++unexpectedBoxes_;
                if (firstUnexpectedBox_.empty()) firstUnexpectedBox_ = "'" + text + "'";
                Event("unexpected message box: " + text + "; the edits hold" + EditTexts());
            }
        }
        PostMessageA(wnd, WM_COMMAND, IDOK, 0);
    }
}

// A panel that stops answering is the one failure the checks cannot
// explain by themselves: what it has on screen, and where each of its
// threads waits, tell a hang in the program from a machine too loaded to
// run it.
void Soak::RecordStuckPanel()
{
    for (HWND wnd : panel_->Popups()) {
        const std::string cls = panel_->Class(wnd);
        char title[256] = "";
        GetWindowTextA(wnd, title, sizeof title);
        Event("window up while stuck: " + cls + " '" + title + "'" +
              (cls == "#32770" ? " saying '" + Panel::BoxText(wnd) + "'" : std::string()));
    }
    if (dumpDir_.empty()) return;
    const std::string path = dumpDir_ + "\\orvane-panel-" + std::to_string(panel_->process().Id()) + "-" +
                             std::to_string(static_cast<int>(Now())) + "s.dmp";
    UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE,
                                     panel_->process().Id()));
    const bool written = file.get() != INVALID_HANDLE_VALUE && process.get() &&
                         MiniDumpWriteDump(process.get(), panel_->process().Id(), file.get(),
                                           static_cast<MINIDUMP_TYPE>(MiniDumpWithThreadInfo), nullptr, nullptr,
                                           nullptr);
    Event(written ? "panel dumped to " + path : "could not dump the panel to " + path);
}

void Soak::CollectMonitor()
{
    const std::string text = panel_->MonitorText();
    if (text == "<no answer>" || text == "<no window>") return;
    lastAnswer_ = Now();
    trail_.Take(Lines(text));
}

void Soak::TakeSample()
{
    const auto asked = Clock::now();
    const std::string resources = panel_->Resources();
    const double ms = SecondsSince(asked) * 1000;
    if (resources == "<no answer>" || resources == "<no window>") {
        Event("no answer to the resource request");
        return;
    }
    lastAnswer_ = Now();
    Sample s{panel_->HostStatus("RssAnon"),
             panel_->HostStatus("VmRSS"),
             std::stod("0" + Panel::ValueOf(resources, "gdi")),
             std::stod("0" + Panel::ValueOf(resources, "dc")),
             std::stod("0" + Panel::ValueOf(resources, "windows")),
             static_cast<double>(panel_->WindowCount())};
    samples_.push_back(s);
    sampleTimes_.push_back(Now());
    char line[200];
    std::snprintf(line, sizeof line,
                  "sample: private %s, working set %s, gdi %d, dc %d, windows %d/%d (answer %.0f ms)",
                  Mib(s.privateBytes).c_str(), Mib(s.workingSet).c_str(), static_cast<int>(s.gdi),
                  static_cast<int>(s.dc), static_cast<int>(s.frameworkWindows), static_cast<int>(s.windows),
                  ms);
    Event(line);
}

// ---------------------------------------------------------------------------
// The schedule

void Soak::MonitorWindowOpen()
{
    windowOpen_ = false;
    if (!panel_->ShowMonitor() || !WaitUntil([&] { return panel_->Visible("TForm2"); }, 10s)) {
        report_.Fail("monitor opens, pauses, runs and clears", "the monitor did not show");
        return;
    }
    if (!MonitorButton(1, "")) return;
    if (!WaitUntil([&] { return std::atoi(panel_->StateOf("monitorLines").c_str()) < 50; }, 10s)) {
        report_.Fail("monitor opens, pauses, runs and clears",
                     "Clear left " + panel_->StateOf("monitorLines") + " lines");
        return;
    }
    windowOpen_ = true;
    Event("monitor shown and cleared");
}

void Soak::ForceReading(const std::string& code)
{
    if (!pendingReading_.empty()) {
        // On a loaded machine this step can come late and the next one right
        // after it: the display gets a moment to follow the device.
        std::string shown;
        WaitUntil([&] { return (shown = panel_->StateOf("reading")) == pendingReading_; }, 3s);
        report_.Check("the display shows E1, E2, E8", shown == pendingReading_,
                      "simulator " + pendingReading_ + ", display " + shown);
    }
    pendingReading_ = code;
    Sim("reading " + code);
}

void Soak::ReadingAutoAndDrop()
{
    ForceReading("auto");
    pendingReading_.clear();
    Sim("fault drop");
}

void Soak::MonitorWindowVerify()
{
    if (!windowOpen_) return;
    windowOpen_ = false;
    const char* check = "monitor lines are the simulator's frames";
    if (!MonitorButton(0, "Run")) return;
    const std::vector<std::string> paused = Lines(panel_->MonitorText());
    std::this_thread::sleep_for(1200ms);
    const std::vector<std::string> later = Lines(panel_->MonitorText());
    report_.Check("a paused monitor takes no lines", paused == later,
                  std::to_string(paused.size()) + " lines before, " + std::to_string(later.size()) +
                      " after 1.2 s");
    const std::string why = CompareMonitorWithLog(paused, sim_->Log());
    ++windowsCompared_;
    linesCompared_ += paused.size();
    report_.Check(check, why.empty() && paused.size() > 100,
                  why.empty()
                      ? std::to_string(windowsCompared_) + " windows, " + std::to_string(linesCompared_) +
                            " lines, through every fault but unplugging and delay"
                      : why + " (" + std::to_string(paused.size()) + " lines)");
    trail_.Take(later);
    MonitorButton(0, "Pause");
    CloseMonitor();
}

void Soak::Unplug()
{
    Sim("unplug");
    report_.Check("the panel follows unplug and replug", panel_->CaptionBecomes("Label9", "Disconnect"),
                  "Label9 shows " + panel_->Caption("Label9"));
}

void Soak::Plug()
{
    Sim("plug");
    const bool connected = panel_->CaptionBecomes("Label9", "Connected") &&
                           WaitUntil([&] { return panel_->StateOf("panelLoaded") == "1"; }, 10s);
    report_.Check("the panel follows unplug and replug", connected,
                  connected ? "Disconnect, then Connected with the device's values reloaded"
                            : "after plug: " + panel_->State());
}

void Soak::MonitorOpen()
{
    if (panel_->ShowMonitor() && WaitUntil([&] { return panel_->Visible("TForm2"); }, 10s))
        ++actions_["monitor shown and closed"];
    else
        report_.Fail("monitor opens, pauses, runs and clears", "the monitor did not show");
}

void Soak::MonitorClose()
{
    CloseMonitor();
}

void Soak::CloseMonitor()
{
    HWND monitor = panel_->Window("TForm2");
    if (monitor) PostMessageA(monitor, WM_SYSCOMMAND, SC_CLOSE, 0);
    const auto hidden = [&] { return !panel_->Visible("TForm2"); };
    if (WaitPastRead(hidden, 10s, 3s)) return;
    // Once seen, this failed with the panel answering at once and nothing
    // else up: what its window thread was in, and whether a second close
    // works, tell a lost close from a refused one.
    const std::string state = GuiThreadState(monitor);
    if (monitor) PostMessageA(monitor, WM_SYSCOMMAND, SC_CLOSE, 0);
    const bool second = WaitUntil(hidden, 10s);
    // A panel that did not answer is recorded by the wait already.
    if (!stuckRecorded_) RecordStuckPanel();
    report_.Fail("monitor opens, pauses, runs and clears",
                 "closing left the monitor visible" + waitNote_ + "; " + state + "; a second close " +
                     (second ? "closed it" : "did not close it either") + "; shown:" + Shown());
}

// What each of the panel's edits holds, for a box that says one cannot be read.
std::string Soak::EditTexts()
{
    std::string texts;
    for (const TPanelEdit& e : kPanelEdits) {
        const int n = e.edit;
        // An edit's text lives in its own process: asked for, not read from
        // the window's caption as GetWindowText would across processes.
        char text[64] = "";
        DWORD_PTR copied = 0;
        if (HWND edit = Control("Edit" + std::to_string(n)))
            SendMessageTimeoutA(edit, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                                2000, &copied);
        texts += " Edit" + std::to_string(n) + " '" + text + "'";
    }
    return texts;
}

// The window thread's state as the system keeps it: in a menu, a move or
// size loop, who holds the capture and the focus.
std::string Soak::GuiThreadState(HWND wnd)
{
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!wnd || !GetGUIThreadInfo(GetWindowThreadProcessId(wnd, nullptr), &info)) return "no thread state";
    const auto name = [&](HWND w) { return w ? panel_->Class(w) : std::string("none"); };
    std::string flags;
    if (info.flags & GUI_INMENUMODE) flags += " in-menu";
    if (info.flags & GUI_INMOVESIZE) flags += " in-move-size";
    if (info.flags & GUI_POPUPMENUMODE) flags += " popup-menu";
    if (info.flags & GUI_SYSTEMMENUMODE) flags += " system-menu";
    return "thread flags" + (flags.empty() ? std::string(" none") : flags) + ", active " + name(info.hwndActive) +
           ", focus " + name(info.hwndFocus) + ", capture " + name(info.hwndCapture) + ", menu owner " +
           name(info.hwndMenuOwner) + ", monitor " + (IsWindowEnabled(wnd) ? "enabled" : "disabled");
}

// A click on the monitor's tool button `index` (0 Pause/Run, 1 Clear); with
// a caption given, waits for the Pause button to show it.
bool Soak::MonitorButton(int index, const std::string& captionAfter)
{
    HWND bar = Control("ToolBar1");
    if (!bar) {
        report_.Fail("monitor opens, pauses, runs and clears", "no tool bar window");
        return false;
    }
    ClickAt(bar, 37 * index + 18, 10);
    if (captionAfter.empty()) return true;
    if (!WaitUntil([&] { return panel_->Caption("ToolButton1") == captionAfter; }, 10s)) {
        report_.Fail("monitor opens, pauses, runs and clears", "the Pause button shows '" +
                                                                   panel_->Caption("ToolButton1") +
                                                                   "', not '" + captionAfter + "'");
        return false;
    }
    report_.Check("monitor opens, pauses, runs and clears", true, "Puase/Run/Pause and Clear as clicked");
    return true;
}

// ---------------------------------------------------------------------------
// The user

// A control's window, asked for once: asking waits while the panel waits out
// a read, and a user's input must not.
HWND Soak::Control(const std::string& name)
{
    HWND& wnd = controls_[name];
    if (!wnd || !IsWindow(wnd)) wnd = panel_->Handle(name);
    return wnd;
}

void Soak::UserAction()
{
    // The first actions are one of each kind, so that what the panel sets up
    // on a first use (the system menu keeps its last menu) is set up during
    // warm-up, whatever the dice say later.
    static const int firstRolls[] = {0, 30, 50, 65, 75, 85, 95};
    const int roll = firstActions_ < std::size(firstRolls) ? firstRolls[firstActions_++] : Random(0, 99);
    if (roll < 25)
        SliderKeys();
    else if (roll < 40)
        SliderDrag();
    else if (roll < 60)
        EditNumber();
    else if (roll < 70)
        CheckBox();
    else if (roll < 80)
        Radio();
    else if (roll < 92)
        Button();
    else
        SystemMenu();
}

void Soak::SliderKeys()
{
    static const WPARAM keys[] = {VK_UP, VK_DOWN, VK_UP, VK_DOWN, VK_PRIOR, VK_NEXT, VK_HOME, VK_END};
    const std::string name = "iSlider" + std::to_string(Random(1, 7));
    HWND slider = Control(name);
    if (!slider) return;
    const WPARAM key = keys[Random(0, 7)];
    PressKey(slider, key);
    Event("key " + std::to_string(key) + " on " + name);
    ++actions_["slider keys"];
}

void Soak::SliderDrag()
{
    const std::string name = "iSlider" + std::to_string(Random(1, 7));
    HWND slider = Control(name);
    if (!slider) return;
    const int from = Random(8, 172), to = Random(8, 172);
    Event("drag on " + name + " from " + std::to_string(from) + " to " + std::to_string(to));
    PostMessageA(slider, WM_MOUSEMOVE, 0, MAKELPARAM(12, from));
    PostMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(12, from));
    for (int step = 1; step <= 4; ++step)
        PostMessageA(slider, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(12, from + (to - from) * step / 4));
    PostMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(12, to));
    ++actions_["slider drags"];
}

void Soak::EditNumber()
{
    const TPanelEdit& e = kPanelEdits[Random(0, static_cast<int>(std::size(kPanelEdits)) - 1)];
    HWND edit = Control("Edit" + std::to_string(e.edit));
    if (!edit) return;
    const int roll = Random(0, 99);
    std::string text;
    if (roll < 8) {
        // Nothing to read: the panel says so in a box, once it has taken
        // the keys. Reads of 3 s and more under `fault delay` and a driver
        // busy in a wait of its own can each put off the box, or its being
        // seen, by seconds (once 10 s were not enough), so it is due for
        // 30 s; a box that no empty edit brought is still one too many.
        // A second empty edit entered while the panel still holds the first
        // Enter behind a read brings a second box: each is counted.
        if (Now() > boxExpectedUntil_) boxesDue_ = 0;
        ++boxesDue_;
        boxExpectedUntil_ = Now() + 30;
        Event("empty edit entered: a \"Data format error!\" box is due");
        ++actions_["empty edits entered"];
    } else {
        // Now and then beyond the range, which the slider holds at its end.
        text = std::to_string(roll < 20 ? e.max + Random(1, 30) : Random(e.min, e.max));
        Event("number entered: Edit" + std::to_string(e.edit) + " '" + text + "'");
        ++actions_["numbers entered"];
    }
    TypeAndEnter(edit, text);
}

void Soak::CheckBox()
{
    HWND box = Control("CheckBox1");
    if (!box) return;
    if (Random(0, 1)) {
        ClickAt(box, 7, 8);
        Event("click on CheckBox1");
        ++actions_["check box clicks"];
    } else {
        PressKey(box, VK_SPACE);
        Event("space bar on CheckBox1");
        ++actions_["check box space bar"];
    }
}

void Soak::Radio()
{
    HWND group = Control("RadioGroup1");
    if (!group) return;
    std::vector<HWND> buttons;
    EnumChildWindows(
        group,
        [](HWND wnd, LPARAM p) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(p)->push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&buttons));
    if (buttons.empty()) return;
    const int button = Random(0, static_cast<int>(buttons.size()) - 1);
    ClickAt(buttons[static_cast<size_t>(button)], 6, 8);
    Event("click on radio button " + std::to_string(button));
    ++actions_["radio clicks"];
}

void Soak::Button()
{
    // Self Check, Save Parameter, Default Parameter and the hidden Debug
    // button, which must do nothing.
    static const int rows[] = {403, 427, 451, 481};
    HWND panel1 = Control("Panel1");
    if (!panel1) return;
    const int row = Random(0, 3);
    ClickAt(panel1, 668, rows[row]);
    static const char* const names[] = {"Self Check", "Save Parameter", "Default Parameter", "the hidden Debug button"};
    Event(std::string("click on ") + names[row]);
    ++actions_["button clicks"];
}

// Waits for `done`. When it has not come within `within`, the window thread
// may be waiting out a read of a silent device (up to the 3 s read
// time-out): a request the panel answers shows that read is over, and what
// was posted before the request is handled next, ahead of the timer's next
// read. So `done` must then come within `after`; if it does not, the panel
// dropped what it was asked for rather than being late with it.
bool Soak::WaitPastRead(const std::function<bool()>& done, std::chrono::milliseconds within,
                        std::chrono::milliseconds after)
{
    waitNote_.clear();
    stuckRecorded_ = false;
    if (WaitUntil(done, within)) return true;
    const auto asked = Clock::now();
    if (panel_->Query(ProbeQueryState, "", 20000) == "<no answer>") {
        RecordStuckPanel();
        stuckRecorded_ = true;
        waitNote_ = ", and the panel did not answer for 20 s";
        return false;
    }
    const double busy = SecondsSince(asked) * 1000;
    if (!WaitUntil(done, after)) {
        waitNote_ = " " + std::to_string(after.count()) + " ms after the panel answered";
        return false;
    }
    ++lateAfterRead_;
    longestRead_ = std::max(longestRead_, busy);
    return true;
}

void Soak::SystemMenu()
{
    HWND main = panel_->Window("TForm1");
    if (!main) return;
    // The box an empty edit brings comes once the panel has taken the
    // Enter, which a read can hold back: it would disable the window the
    // menu is asked of, and stand where the menu is looked for.
    if (Now() <= boxExpectedUntil_) return;
    auto menus = [&] {
        int n = 0;
        for (HWND wnd : panel_->Popups())
            n += panel_->Class(wnd) != "#32770";
        return n;
    };
    auto open = [&] { return menus() > 0; };
    auto shut = [&] { return menus() == 0; };
    // Alt+Space as the keyboard sends it. A posted SC_KEYMENU would overtake
    // the characters of keys sent before it, which the panel's loop makes
    // only as it takes those keys: the Enter of a number typed during a read
    // would then reach the menu, close it at once, and the digits with it.
    Event("Alt+Space on the main window");
    PostMessageA(main, WM_SYSKEYDOWN, VK_SPACE, kAltSpaceDown);
    PostMessageA(main, WM_SYSKEYUP, VK_SPACE, kAltSpaceUp);
    const bool opened = WaitPastRead(open, 3s, 5s);
    const std::string openNote = waitNote_;
    PressKey(main, VK_ESCAPE);
    bool closed = WaitPastRead(shut, 2s, 5s);
    if (!closed) {
        // Escape may only have left the menu for the menu-bar mode.
        PressKey(main, VK_ESCAPE);
        closed = WaitPastRead(shut, 2s, 5s);
    }
    if (!closed) {
        PostMessageA(main, WM_CANCELMODE, 0, 0);
        WaitUntil(shut, 3s);
    } else {
        // Closing the pop-up can leave the menu loop running for the menu
        // bar, where it would eat the next keys; a second Escape ends it.
        PressKey(main, VK_ESCAPE);
    }
    const bool answers = panel_->State().find("reading=") != std::string::npos;
    std::string left;
    for (HWND wnd : panel_->Popups())
        left += " " + panel_->Class(wnd);
    Event(std::string("system menu ") + (opened ? "opened" : "did not open") + (closed ? ", closed" : ", not closed"));
    report_.Check("the system menu opens and closes with Escape", opened && closed && answers,
                  !opened    ? "no menu window appeared" + openNote + "; shown:" + Shown()
                  : !closed  ? "still open after two Escapes:" + left
                  : !answers ? "no answer after the menu"
                             : "Alt+Space, Escape");
    ++actions_["system menus"];
}

// ---------------------------------------------------------------------------
// The end

void Soak::Finish()
{
    Event("schedule over: faults off, device plugged");
    for (const char* c : {"fault off", "reading auto", "level auto", "plug"})
        Sim(c);
    if (panel_->Visible("TForm2")) CloseMonitor();
    WaitUntil([&] { return Quiet(); }, 5s);
    WatchWindows();

    const bool connected = panel_->CaptionBecomes("Label9", "Connected");
    std::string panelParams, simParams;
    const bool same = connected && WaitUntil(
                                       [&] {
                                           panelParams = panel_->StateOf("params");
                                           simParams = SimParams(sim_->Command("params"));
                                           return panelParams == simParams;
                                       },
                                       20s);
    report_.Check("the simulator's parameters equal the panel's controls", same,
                  "panel " + panelParams + ", simulator " + simParams);

    // Lines waiting in the hidden monitor go into it when it is shown.
    panel_->ShowMonitor();
    WaitUntil([&] { return panel_->Visible("TForm2"); }, 10s);
    CollectMonitor();
    const std::vector<std::string> logged = ParameterWrites(trail_.Lines());
    // The simulator logs a frame a moment after the panel has sent it; on a
    // loaded machine the last write can still be on its way.
    std::vector<std::string> received;
    WaitUntil(
        [&] {
            received.clear();
            for (const std::string& f : LoggedFrames(sim_->Log(), true))
                if (f.rfind("EB 90 0A 02", 0) == 0) received.push_back(f);
            return IsSubsequence(received, logged);
        },
        10s);
    const size_t reached = SubsequencePrefix(received, logged);
    report_.Check("every WriteParameters logged reached the simulator",
                  !logged.empty() && reached == logged.size(),
                  std::to_string(logged.size()) + " logged (of " + std::to_string(trail_.Lines().size()) +
                      " monitor lines seen), " + std::to_string(received.size()) + " received, in order" +
                      (reached < logged.size()
                           ? "; the first not received is write " + std::to_string(reached + 1) + ", " + logged[reached]
                           : std::string()));
    CloseMonitor();

    WaitUntil([&] { return Quiet(); }, 5s);
    TakeSample();
    JudgeSamples();
    report_.Check("no message box but the expected ones", unexpectedBoxes_ == 0,
                  unexpectedBoxes_
                      ? std::to_string(unexpectedBoxes_) + " unexpected, first " + firstUnexpectedBox_
                      : std::to_string(expectedBoxes_) + " expected \"Data format error!\" boxes");

    std::string actions;
    for (const auto& [name, count] : actions_)
        actions += (actions.empty() ? "" : ", ") + std::to_string(count) + " " + name;
    report_.Figure("user actions", actions);
    // Late replies are taken for a later request's while replies come late;
    // what the display shows must still be what the device reported.
    report_.Figure("replies read for a later request", std::to_string(RepliesOutOfStep(trail_.Lines())));
    const std::vector<std::string> wrong = WrongDisplays(shownReadings_, sim_->Log());
    std::string wrongList;
    for (size_t i = 0; i < wrong.size() && i < 5; ++i)
        wrongList += (i ? ", " : "") + wrong[i];
    report_.Check("every reading shown is one the device reported", wrong.empty(),
                  std::to_string(wrong.size()) + " wrong of " + std::to_string(shownReadings_.size()) +
                      " sampled" + (wrong.empty() ? "" : ": " + wrongList));
    char late[120];
    std::snprintf(late, sizeof late, "%d, the panel answering after up to %.0f ms", lateAfterRead_,
                  longestRead_);
    report_.Figure("menus opened or closed only once a read ended", late);
    report_.Figure("faults injected",
                   std::to_string(faults_) + " simulator fault, reading and unplug commands");

    HWND main = panel_->Window("TForm1");
    if (main) PostMessageA(main, WM_SYSCOMMAND, SC_CLOSE, 0);
    const long code = panel_->process().WaitExit(20000);
    report_.Check("the panel ends cleanly when closed", code == 0, "exit code " + std::to_string(code));
}

void Soak::JudgeSamples()
{
    const size_t warmUp = WarmUpSamples(sampleTimes_, total_);
    auto judge = [&](const TFlatRule& rule, double Sample::*field) {
        std::vector<double> series;
        for (const Sample& s : samples_)
            series.push_back(s.*field);
        const TFlatness f = JudgeFlat(series, warmUp, rule.tolerance);
        auto show = [&](double v) {
            char text[32];
            std::snprintf(text, sizeof text, "%g", v);
            return rule.bytes ? Mib(v) : std::string(text);
        };
        const bool measured = std::all_of(series.begin(), series.end(), [](double v) { return v >= 0; });
        report_.Check(rule.check, f.flat && f.judged >= kFewestJudgedSamples && measured,
                      std::to_string(f.judged) + " samples after warm-up: level " + show(f.early) +
                          " in the first quarter, " + show(f.late) + " in the last (tolerance +" +
                          show(rule.tolerance) + "), range " + show(f.low) + " to " + show(f.high) +
                          (measured ? "" : ", some not measured") +
                          (f.judged >= kFewestJudgedSamples ? "" : ", too few to judge"));
    };
    judge(kPrivateMemoryRule, &Sample::privateBytes);
    judge(kGdiObjectsRule, &Sample::gdi);
    judge(kDeviceContextsRule, &Sample::dc);
    judge(kFrameworkWindowsRule, &Sample::frameworkWindows);
    judge(kWindowsRule, &Sample::windows);
    if (!samples_.empty()) report_.Figure("working set at the end", Mib(samples_.back().workingSet));
}

} // namespace

int main(int argc, char** argv)
{
    double minutes = 1;
    unsigned seed = 11;
    std::string keepLog, dumpDir;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--minutes" && i + 1 < argc)
            minutes = std::atof(argv[++i]);
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<unsigned>(std::atoi(argv[++i]));
        else if (a == "--keep-log" && i + 1 < argc)
            keepLog = argv[++i];
        else if (a == "--dump-dir" && i + 1 < argc)
            dumpDir = argv[++i];
        else {
            std::printf("usage: orvane-soak [--minutes M] [--seed N] [--keep-log FILE] [--dump-dir DIR]\n");
            return 2;
        }
    }
    if (minutes <= 0) minutes = 1;
    setvbuf(stdout, nullptr, _IOLBF, 0);
    return Soak(minutes, seed, keepLog, dumpDir).Run();
}
