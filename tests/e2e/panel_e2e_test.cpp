// The real orvane-panel.exe with the real orvane-sim.exe, both started here
// on free ports and ended before each test returns. The panel is watched
// from outside, as a user would see it: its top-level windows, its message
// boxes, and its status label read back through the window (the panel
// answers a WM_COPYDATA request with the caption). The simulator is driven
// over its control port and its traffic log is read at the end.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/colors.h"
#include "framework/sysmenu.h"
#include "tests/e2e/paneldriver.h"

namespace {

using namespace paneldriver;

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
    ASSERT_TRUE(panel.Started());

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
    char title[64] = {};
    GetWindowTextA(box, title, sizeof title);
    EXPECT_STREQ(title, "Orvane Panel");
    EXPECT_FALSE(mainShownBeforeBox);
    EXPECT_FALSE(panel.Visible("TForm1")) << "the main window waits for the message";

    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); })) << "the main window did not open";
    EXPECT_EQ(panel.Caption("Label9"), "Disconnect");
    EXPECT_FALSE(panel.Visible("TForm2"));

    // A device plugged in afterwards is found.
    {
        Simulator sim(port);
        ASSERT_TRUE(sim.Started()) << sim.error;
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
    ASSERT_TRUE(sim.Started()) << sim.error;
    Panel panel(port);
    ASSERT_TRUE(panel.Started());

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

TEST(PanelEndToEnd, TalksToTheDeviceShowsItsReadingAndSendsTheUsersChanges)
{
    TConnectedPanel session;
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
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

    // Unplugged, the space bar unchecks the box; plugged again, the controls
    // come back from the device and the change made meanwhile is not sent.
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

// Any local process can send a window WM_COPYDATA; the panel as shipped must
// not answer, and even in a test run a request without its data is refused.
TEST(PanelEndToEnd, TheTestProbeAnswersOnlyInTestRunsAndRefusesARequestWithoutData)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    ASSERT_TRUE(sim.Started()) << sim.error;
    for (const bool probe : {false, true}) {
        SCOPED_TRACE(probe ? "test run" : "as shipped");
        const size_t from = sim.Log().size();
        Panel panel(port, probe);
        ASSERT_TRUE(panel.Started());
        ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }, 60s));
        // The device is held by one panel at a time: wait until this one has it.
        ASSERT_TRUE(WaitUntil([&] { return sim.Log().find("device opened", from) != std::string::npos; }));
        EXPECT_EQ(panel.Caption("Label9") == "Connected", probe);
        EXPECT_EQ(panel.State().find("reading=") != std::string::npos, probe);
        EXPECT_EQ(panel.ShowMonitor(), probe);
        COPYDATASTRUCT empty{ProbeQueryText, 6, nullptr};
        DWORD_PTR result = 1;
        EXPECT_TRUE(SendMessageTimeoutA(panel.Window("TForm1"), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&empty),
                                        SMTO_NORMAL, 5000, &result));
        EXPECT_EQ(result, 0u);
        EXPECT_TRUE(panel.process().Running());
        CloseAndExpectCleanExit(panel);
        EXPECT_TRUE(WaitUntil([&] { return sim.Log().find("connection closed", from) != std::string::npos; }));
    }
}

// While the device does not answer, the window thread waits up to 3 s in
// each read. What the user typed meanwhile is handled once the read ends:
// Alt+Space, Escape, Alt+Space leave the system menu open, not closed.
TEST(PanelEndToEnd, KeysTypedWhileTheDeviceIsSilentOpenTheSystemMenuOnceTheReadEnds)
{
    TConnectedPanel session;
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
    HWND main = panel.Window("TForm1");
    ASSERT_TRUE(main);
    auto menuShown = [&] { return !panel.Popups().empty(); };

    ASSERT_EQ(sim.Command("fault drop").substr(0, 2), "ok");
    for (int round = 0; round < 2; ++round) {
        // An answer that took a second came at the end of a read; the next
        // read begins within a tick or two.
        ASSERT_TRUE(WaitUntil(
            [&] {
                const auto asked = Clock::now();
                panel.State();
                return Clock::now() - asked > 1s;
            },
            30s));
        std::this_thread::sleep_for(200ms);
        const auto typed = Clock::now();
        PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        PressKey(main, VK_ESCAPE);
        PostMessageA(main, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        const bool open = WaitUntil([&] { return menuShown(); }, 15s);
        const double after = std::chrono::duration<double>(Clock::now() - typed).count();
        std::this_thread::sleep_for(1500ms);
        EXPECT_TRUE(open && menuShown()) << "round " << round << ": the second Alt+Space left no menu";
        std::cout << "[ figure ] menu shown " << after << " s after the keys\n";
        PressKey(main, VK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !menuShown(); }, 15s)) << "round " << round;
        PressKey(main, VK_ESCAPE); // the menu bar mode Escape may leave behind
    }
    ASSERT_EQ(sim.Command("fault off").substr(0, 2), "ok");
    CloseAndExpectCleanExit(panel);
}

TEST(PanelEndToEnd, ASecondStartBringsTheRunningPanelForwardAndLeavesWhileOtherDevicesGetTheirOwn)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    ASSERT_TRUE(sim.Started()) << sim.error;
    Panel first(port);
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(first.CaptionBecomes("Label9", "Connected"));
    ASSERT_TRUE(first.ShowMonitor());
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == first.Window("TForm2"); }))
        << "the monitor in front to begin with";

    Panel second(port);
    ASSERT_TRUE(second.Started());
    bool secondWindow = false;
    WaitUntil(
        [&] {
            secondWindow = secondWindow || second.Window("TForm1") || second.Window("#32770");
            return !second.process().Running();
        },
        30s);
    EXPECT_FALSE(secondWindow) << "the second start showed a window";
    EXPECT_EQ(second.process().WaitExit(5000), 3) << "the code that tells a launcher it is already running";
    EXPECT_EQ(GetForegroundWindow(), first.Window("TForm1")) << "the running panel came to the front";
    EXPECT_EQ(first.Caption("Label9"), "Connected") << "and keeps its device";
    const std::string log = sim.Log();
    EXPECT_EQ(log.find("connection open", log.find("connection open") + 1), std::string::npos)
        << "one connection only: " << Tail(log);

    // A panel for another device (another simulator's port) is a panel of its own.
    const uint16_t otherPort = FreeLoopbackPort();
    Panel other(otherPort);
    ASSERT_TRUE(other.Started());
    // The box's text is there once it shows, not yet when its window is made.
    HWND box = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return (box = other.Window("#32770")) && IsWindowVisible(box); }, 60s))
        << "its own start";
    EXPECT_EQ(Panel::BoxText(box), "No connect device!");
    CloseAndExpectCleanExit(first);
}

TEST(PanelEndToEnd, TheSystemMenuShowsTheMonitorAndTellsTheVersionAndTheLibraryInUse)
{
    TConnectedPanel session;
    ASSERT_EQ(session.Start(), "");
    Panel& panel = session.panel;
    HWND main = panel.Window("TForm1");

    // The panel's own items, in their order: "Level history...", "Traffic
    // monitor", "About Orvane Panel...".
    PostMessageA(main, WM_SYSCOMMAND, TSystemMenuItems::Command(1), 0);
    EXPECT_TRUE(WaitUntil([&] { return panel.Visible("TForm2"); })) << "Traffic monitor";

    PostMessageA(main, WM_SYSCOMMAND, TSystemMenuItems::Command(2), 0);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = panel.Window("#32770")) && IsWindowVisible(box); }));
    char title[64] = {};
    GetWindowTextA(box, title, sizeof title);
    EXPECT_STREQ(title, "About Orvane Panel");
    const std::string text = Panel::BoxText(box);
    std::ifstream versionFile(ORVANE_SOURCE_DIR "/VERSION");
    std::string version;
    std::getline(versionFile, version);
    EXPECT_NE(text.find("Orvane Panel " + version + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find("MIT License"), std::string::npos) << text;
    EXPECT_NE(text.find("in use: ours\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\\CH375DLL.DLL"), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitUntil([&] { return !panel.Window("#32770"); }));
    CloseAndExpectCleanExit(panel);
}

} // namespace
