// The level history of the real panel with the real simulator: the window
// opened from the system menu, the statistics of loud and quiet spells
// against the replies the simulator logged and the alarms its display
// sounded, a log started through the system's Save dialog with a row for
// each second, and the log's folder made unwritable under the running log:
// for ten seconds no row lost, for good one message after a minute, no
// crash, the exchange at full rate.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/e2e/paneldriver.h"
#include "tests/support/keyboard.h"

namespace {

using namespace paneldriver;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

// Files the test made immutable, which not even root may write; made
// writable again however the test ends.
class TUnwritable {
public:
    ~TUnwritable()
    {
        for (const std::string& path : paths_)
            RunUnix("/usr/bin/chattr -i " + path);
    }
    bool Add(const std::string& unixPath)
    {
        paths_.push_back(unixPath);
        return RunUnix("/usr/bin/chattr +i " + unixPath);
    }

private:
    std::vector<std::string> paths_;
};

// The poll replies the simulator sent after a point of its log: the reading
// byte of each ("-> EB 91 0F 01 RR ...").
std::vector<int> PollReadings(const std::string& log)
{
    std::vector<int> readings;
    for (const std::string& frame : LoggedFrames(log, false))
        if (frame.size() >= 14 && frame.rfind("EB 91", 0) == 0 && frame.substr(9, 2) == "01")
            readings.push_back(std::stoi(frame.substr(12, 2), nullptr, 16));
    return readings;
}

size_t PollsIn(Simulator& sim, std::chrono::milliseconds span, double& perSecond)
{
    auto polls = [&] {
        size_t n = 0;
        for (const std::string& f : Received(sim.Log()))
            if (f.rfind("EB 90 01 01", 0) == 0) ++n;
        return n;
    };
    const size_t before = polls();
    const auto t0 = Clock::now();
    std::this_thread::sleep_for(span);
    const size_t n = polls() - before;
    perSecond = n / std::chrono::duration<double>(Clock::now() - t0).count();
    return n;
}

void Click(Panel& panel, const std::string& button)
{
    HWND wnd = panel.Handle(button);
    ASSERT_TRUE(wnd) << button;
    PostMessageA(wnd, BM_CLICK, 0, 0);
}

// The panel's window of a class with a title, or null.
HWND WindowTitled(Panel& panel, const char* className, const std::string& title)
{
    for (HWND wnd : panel.TopLevelWindows()) {
        char text[256] = {};
        GetWindowTextA(wnd, text, sizeof text);
        if (Panel::ClassOf(wnd) == className && title == text && IsWindowVisible(wnd)) return wnd;
    }
    return nullptr;
}

// Answers the system's Save dialog as a user would: types the name into
// its file name box and presses Save.
bool AnswerSaveDialog(Panel& panel, const std::string& title, std::string file)
{
    for (char& c : file)
        if (c == '/') c = '\\';
    HWND dialog = nullptr;
    if (!WaitUntil([&] { return (dialog = WindowTitled(panel, "#32770", title)) != nullptr; }, 30s))
        return false;
    HWND name = GetDlgItem(dialog, 0x47C); // the name box of the explorer-style dialog
    if (!name) name = GetDlgItem(dialog, 0x480);
    if (!name) return false;
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(file.c_str()));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return WaitUntil([&] { return !IsWindow(dialog) || !IsWindowVisible(dialog); }, 15s);
}

// The window as the screen shows it, cut from the X screen by ImageMagick
// into a PNG beside the other screenshots.
void Screenshot(HWND wnd, const std::string& name)
{
    RECT r{};
    ASSERT_TRUE(GetWindowRect(wnd, &r));
    const std::string dir = ORVANE_SCREENSHOT_DIR;
    ASSERT_TRUE(RunUnix("/bin/mkdir -p " + dir));
    char crop[64];
    std::snprintf(crop, sizeof crop, "%ldx%ld+%ld+%ld", r.right - r.left, r.bottom - r.top, r.left, r.top);
    EXPECT_TRUE(
        RunUnix("/usr/bin/import -window root -crop " + std::string(crop) + " " + dir + "/" + name + ".png"))
        << "ImageMagick's import";
}

TEST(HistoryEndToEnd, RecordsTheLevelLogsEachSecondAndOutlivesAnUnwritableLogFolder)
{
    TConnectedPanel session;
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
    HWND main = panel.Window("TForm1");
    char caption[256] = {};
    GetWindowTextA(main, caption, sizeof caption);
    const std::string mainCaption = caption;

    // The alarm threshold at 70, and show and reset times of 2 s, typed
    // into their boxes as a user does.
    for (const auto& [edit, value, shown] : {std::tuple{"Edit3", "70", "threshold=70"},
                                             {"Edit6", "2", "show-time=2"},
                                             {"Edit7", "2", "reset-time=2"}}) {
        HWND box = panel.Handle(edit);
        ASSERT_TRUE(box) << edit;
        SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value));
        PostMessageA(box, WM_CHAR, '\r', 1);
        ASSERT_TRUE(WaitUntil([&] { return sim.Command("params").find(shown) != std::string::npos; }))
            << sim.Command("params");
    }

    // "Level history..." from the main window's system menu, as a user
    // opens it: a right click on the caption brings up the skin's copy of
    // the system menu, where our item is the third from the bottom, above
    // "Traffic monitor" and "About Orvane Panel..."; Up three times reaches
    // it from the bottom, Enter chooses it.
    RECT frame{};
    GetWindowRect(main, &frame);
    PostMessageA(main, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(frame.left + 80, frame.top + 8));
    HWND menu = nullptr;
    ASSERT_TRUE(WaitUntil([&] {
        for (HWND wnd : panel.TopLevelWindows())
            if (Panel::ClassOf(wnd) == "#32768" && IsWindowVisible(wnd)) menu = wnd;
        return menu != nullptr;
    })) << "no system menu on a right click on the caption";
    for (int i = 0; i < 3; ++i)
        PostMessageA(menu, WM_KEYDOWN, VK_UP, 0);
    PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm3"); })) << "the history window did not open";

    // Closed, it only hides; Ctrl+H on the main window brings it back.
    PostMessageA(panel.Window("TForm3"), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !panel.Visible("TForm3"); }));
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == main; }));
    SendChord(VK_CONTROL, 'H');
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm3"); }))
        << "Ctrl+H did not open the history window";

    // A clean start while unplugged, so that every reading recorded since
    // is a reply in the simulator's log. Then loud and quiet spells that the
    // display's alarm rule tells apart from rises over the threshold: it
    // sounds at the first loud spell, the dip within its reset time lets
    // none begin, and the last loud spell sounds it again: 2 alarms for 3
    // rises. The display's own alarm, as the simulator logs it, is the
    // measure.
    sim.Command("reading 60");
    sim.Command("unplug");
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
    Click(panel, "Form3.Button4");
    ASSERT_TRUE(WaitUntil([&] { return panel.Caption("Form3.Label2").empty(); }))
        << panel.Caption("Form3.Label2");
    const size_t from = sim.Log().size();
    sim.Command("plug");
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
    struct Spell {
        const char* reading;
        std::chrono::milliseconds held;
    };
    const Spell spells[] = {{"reading 60", 2500ms}, {"reading 80", 3000ms}, {"reading 60", 500ms},
                            {"reading 80", 1000ms}, {"reading 60", 3000ms}, {"reading 80", 2000ms},
                            {"reading 60", 1000ms}};
    double loudSeconds = 0, quietSeconds = 0;
    auto spellStart = Clock::now();
    for (const Spell& spell : spells) {
        sim.Command(spell.reading);
        const auto now = Clock::now();
        // The time the previous spell really lasted, by this test's clock.
        if (&spell != spells) {
            const double lasted = std::chrono::duration<double>(now - spellStart).count();
            (std::string((&spell)[-1].reading) == "reading 80" ? loudSeconds : quietSeconds) += lasted;
        }
        spellStart = now;
        std::this_thread::sleep_for(spell.held);
    }
    sim.Command("unplug");
    quietSeconds += std::chrono::duration<double>(Clock::now() - spellStart).count();
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));

    const std::string simLog = sim.Log().substr(from);
    const std::vector<int> readings = PollReadings(simLog);
    double energy = 0;
    int loud = 0;
    for (int r : readings) {
        ASSERT_TRUE(r == 80 || r == 60) << r;
        energy += std::pow(10.0, r / 10.0);
        loud += r == 80;
    }
    ASSERT_GT(loud, 0) << "the spells at 80 dB reached the panel";
    int alarmsShown = 0;
    for (size_t at = simLog.find("-- alarm on"); at != std::string::npos;
         at = simLog.find("-- alarm on", at + 1))
        ++alarmsShown;
    const double perReply = 10 * std::log10(energy / static_cast<double>(readings.size()));
    // The energy mean over time: the spells as long as they were held.
    const double overTime =
        10 * std::log10((loudSeconds * 1e8 + quietSeconds * 1e6) / (loudSeconds + quietSeconds));
    // The figures come once a second; wait for the last replies to show.
    std::vector<std::string> figures;
    const bool settled = WaitUntil([&] {
        figures = Lines(panel.Caption("Form3.Label2"));
        return figures.size() == 10 && figures[9] == std::to_string(alarmsShown);
    });
    ASSERT_EQ(figures.size(), 10u) << panel.Caption("Form3.Label2");
    EXPECT_TRUE(settled) << figures[9] << " alarms shown, the display sounded " << alarmsShown;
    EXPECT_EQ(alarmsShown, 2) << "by the display's rule, on this machine's timing\n" << Tail(simLog);
    EXPECT_EQ(figures[1], "0") << "offset";
    // The spells' lengths by this test's clock are known to a tenth of a
    // second or so; 0.3 dB allows for that and for the moments between
    // the plug and the first reply.
    EXPECT_NEAR(std::stod(figures[2]), overTime, 0.3) << "Leq";
    EXPECT_EQ(figures[3], "80") << "Lmax";
    EXPECT_EQ(figures[4], "60") << "Lmin";
    std::cout << "[ figure ] " << readings.size() << " replies, " << loud << " at 80 dB; Leq shown "
              << figures[2] << " dB, over the spells' time " << overTime << " dB, per reply " << perReply
              << " dB; over threshold " << figures[8] << " for " << loudSeconds << " s at 80 dB; alarms "
              << figures[9] << ", the display's " << alarmsShown << "\n";

    // A log through the Save dialog; a row for each second while it runs.
    const std::string folder = "/tmp/orvane-e2e-log-" + std::to_string(GetCurrentProcessId());
    const std::string file = folder + "/levels.csv";
    CreateDirectoryA(("Z:" + folder).c_str(), nullptr);
    DeleteFileA(("Z:" + file).c_str());
    sim.Command("reading auto");
    sim.Command("plug");
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
    const auto clicked = Clock::now();
    Click(panel, "Form3.Button1");
    ASSERT_TRUE(AnswerSaveDialog(panel, "Start log", "Z:" + file)) << "the Save dialog";
    ASSERT_TRUE(WaitUntil([&] { return panel.Caption("Form3.Label6").rfind("Logging to", 0) == 0; }))
        << panel.Caption("Form3.Label6");
    const auto seenStarted = Clock::now();
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_NE(std::string(caption).find("logging to levels.csv"), std::string::npos) << caption;
    std::this_thread::sleep_for(6s);
    const auto stopping = Clock::now();
    Click(panel, "Form3.Button2");
    ASSERT_TRUE(WaitUntil([&] { return panel.Caption("Form3.Label6") == "No log running."; }));
    const auto seenStopped = Clock::now();
    std::vector<std::string> rows = Lines(ReadFile("Z:" + file));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0], "Time,Local time,Leq,Lmax,Lmin,Weighting,Offset,Threshold,Over,Alarms,Status");
    // The log ran at least from when it showed as running to the click on
    // "Stop log", and at most from the click on "Start log..." to when it
    // showed as stopped; each second that ended meanwhile is one row.
    auto seconds = [](auto from, auto to) { return std::chrono::duration<double>(to - from).count(); };
    const double logged = static_cast<double>(rows.size() - 1);
    const std::string shown = ReadFile("Z:" + file);
    EXPECT_GE(logged, std::floor(seconds(seenStarted, stopping)) - 1) << shown;
    EXPECT_LE(logged, std::ceil(seconds(clicked, seenStopped)) + 1) << shown;
    // One row a second: consecutive clock times, none twice, none left out.
    auto secondOfDay = [](const std::string& row) {
        return row.size() < 19 ? -1
                               : std::stoi(row.substr(11, 2)) * 3600 + std::stoi(row.substr(14, 2)) * 60 +
                                     std::stoi(row.substr(17, 2));
    };
    for (size_t i = 2; i < rows.size(); ++i)
        EXPECT_EQ((secondOfDay(rows[i]) - secondOfDay(rows[i - 1]) + 86400) % 86400, 1) << rows[i - 1] << "\n"
                                                                                        << rows[i];
    for (size_t i = 1; i < rows.size(); ++i)
        EXPECT_NE(rows[i].find(",0,70,"), std::string::npos) << rows[i];
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_EQ(caption, mainCaption) << "the main window's caption without a log";

    // The log runs again; its folder and file become unwritable under it
    // for ten seconds (as when another program holds the file): the rows
    // wait and nobody is troubled, and once the file can be written again
    // every second is in it, once.
    const size_t firstRun = rows.size();
    Click(panel, "Form3.Button1");
    ASSERT_TRUE(AnswerSaveDialog(panel, "Start log", "Z:" + file));
    ASSERT_TRUE(WaitUntil([&] { return panel.Caption("Form3.Label6").rfind("Logging to", 0) == 0; }));
    auto messageBoxes = [&] {
        int boxes = 0;
        for (HWND wnd : panel.TopLevelWindows())
            boxes += Panel::ClassOf(wnd) == "#32770" && IsWindowVisible(wnd);
        return boxes;
    };
    // The exchange's pace with a log running, on this machine now.
    double before = 0;
    PollsIn(sim, 3s, before);
    {
        TUnwritable unwritable;
        ASSERT_TRUE(unwritable.Add(folder) && unwritable.Add(file)) << "chattr";
        ASSERT_TRUE(WaitUntil([&] {
            return panel.Caption("Form3.Label6").find("rows wait") != std::string::npos;
        })) << panel.Caption("Form3.Label6");
        std::this_thread::sleep_for(8s);
        EXPECT_NE(panel.Caption("Form3.Label6").find("access is denied"), std::string::npos)
            << panel.Caption("Form3.Label6");
        EXPECT_EQ(messageBoxes(), 0) << "ten seconds is no reason to stop the log";
    }
    ASSERT_TRUE(WaitUntil([&] {
        return panel.Caption("Form3.Label6").find("rows wait") == std::string::npos;
    })) << panel.Caption("Form3.Label6");
    rows = Lines(ReadFile("Z:" + file));
    ASSERT_GT(rows.size(), firstRun + 10) << "the rows of the ten seconds are in the file";
    for (size_t i = firstRun + 1; i < rows.size(); ++i)
        EXPECT_EQ((secondOfDay(rows[i]) - secondOfDay(rows[i - 1]) + 86400) % 86400, 1) << rows[i - 1] << "\n"
                                                                                        << rows[i];

    // Unwritable for good: after a minute of trying, the log stops and
    // says so once, and the exchange keeps its pace meanwhile.
    {
        TUnwritable unwritable;
        ASSERT_TRUE(unwritable.Add(folder) && unwritable.Add(file)) << "chattr";
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                for (HWND wnd : panel.TopLevelWindows())
                    if (Panel::ClassOf(wnd) == "#32770" && IsWindowVisible(wnd) &&
                        Panel::BoxText(wnd).find("The level log has stopped") != std::string::npos)
                        box = wnd;
                return box != nullptr;
            },
            120s))
            << "no message";
        EXPECT_NE(Panel::BoxText(box).find("levels.csv"), std::string::npos) << Panel::BoxText(box);
        EXPECT_NE(Panel::BoxText(box).find("for a minute"), std::string::npos) << Panel::BoxText(box);
        // While the message waits for the user, the exchange keeps its pace
        // (50 a second on an idle machine; the same machine's pace before
        // the failure is the measure here).
        double rate = 0;
        PollsIn(sim, 4s, rate);
        std::cout << "[ figure ] " << rate << " polls per second with the log's failure on the screen, "
                  << before << " before it\n";
        EXPECT_GT(rate, 0.8 * before);
        EXPECT_EQ(messageBoxes(), 1) << "told once";
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }));
    }
    EXPECT_TRUE(panel.process().Running());
    EXPECT_EQ(panel.Caption("Form3.Label6"), "No log running.");
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_EQ(caption, mainCaption);
    double rate = 0;
    PollsIn(sim, 3s, rate);
    std::cout << "[ figure ] " << rate << " polls per second with the history window open\n";
    EXPECT_GT(rate, 0) << "the exchange goes on";

    // The window after this session, for the user guide.
    std::this_thread::sleep_for(10s);
    HWND history = panel.Window("TForm3");
    SetForegroundWindow(history);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == history; }));
    std::this_thread::sleep_for(500ms);
    Screenshot(history, "history");

    HWND main2 = panel.Window("TForm1");
    PostMessageA(main2, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(panel.process().WaitExit(20000), 0);
    DeleteFileA(("Z:" + file).c_str());
    RemoveDirectoryA(("Z:" + folder).c_str());
}

} // namespace
