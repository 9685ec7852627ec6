// The real panel and the real simulator must hold the same values whatever
// the order of events: a device plugged in while "No connect device!" is
// open, the "Automatic Detection" box changed by keyboard or by "Default
// Parameter", buttons pressed while a slow reply holds the window, and
// changes made while no device is connected. The simulator's own "params",
// its saved file and its frame log are the truth; input is posted to the
// panel's windows as the message loop receives a user's.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/e2e/paneldriver.h"

namespace {

using namespace paneldriver;

constexpr char kPoll[] = "EB 90 01 01 7D";
constexpr char kSelfCheck[] = "EB 90 02 03 80 00";
constexpr char kSave[] = "EB 90 02 04 80 01";
constexpr char kWrite[] = "EB 90 0A 02";

// What a device saved earlier: unlike the window's design values and the
// panel's defaults in every field but the input type, which matches the
// window's so that loading it asks for no write of its own.
const ParameterSet kSaved{1, 5, 20, 90, 50, 60, 0, 20, 30};

std::vector<std::string> ReceivedSince(const Simulator& sim, size_t from)
{
    std::vector<std::string> frames = Received(sim.Log());
    frames.erase(frames.begin(), frames.begin() + static_cast<std::ptrdiff_t>(std::min(from, frames.size())));
    return frames;
}

size_t IndexOf(const std::vector<std::string>& frames, const std::string& prefix, size_t from = 0)
{
    for (size_t i = from; i < frames.size(); ++i)
        if (frames[i].rfind(prefix, 0) == 0) return i;
    return std::string::npos;
}

HWND WaitForBox(Panel& panel)
{
    HWND box = nullptr;
    WaitUntil(
        [&] {
            box = panel.Window("#32770");
            return box && IsWindowVisible(box);
        },
        60s);
    return box;
}

bool Loaded(Panel& panel)
{
    return WaitUntil([&] { return panel.StateOf("panelLoaded") == "1"; }, 20s);
}

bool SimHolds(Simulator& sim, const ParameterSet& p)
{
    return WaitUntil([&] { return SimParams(sim.Command("params")) == WireText(p); }, 20s);
}

void CloseAndExpectCleanExit(Panel& panel)
{
    EXPECT_EQ(panel.Close(), 0);
}

TEST(PanelAndDevice, ADevicePluggedInWhileTheNoDeviceMessageIsOpenIsInUseAfterOk)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Panel panel(port);
    ASSERT_TRUE(panel.Started());
    HWND box = WaitForBox(panel);
    ASSERT_TRUE(box) << "no message box";

    Simulator sim(port, kSaved);
    ASSERT_TRUE(sim.Started()) << sim.error;
    // The panel hears of the device inside the message's own loop.
    ASSERT_TRUE(WaitUntil([&] { return sim.Log().find("device opened") != std::string::npos; })) << Tail(sim.Log());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }));

    EXPECT_EQ(panel.Caption("Label9"), "Connected");
    ASSERT_TRUE(Loaded(panel)) << panel.State() << "\n" << Tail(sim.Log());
    EXPECT_EQ(panel.StateOf("params"), WireText(kSaved));
    const size_t polls = Received(sim.Log()).size();
    EXPECT_TRUE(WaitUntil([&] { return Received(sim.Log()).size() > polls + 20; })) << "the exchange goes on";
    EXPECT_EQ(sim.Log().find("device closed"), std::string::npos) << Tail(sim.Log());
    CloseAndExpectCleanExit(panel);
}

TEST(PanelAndDevice, TheAutomaticDetectionBoxReachesTheDeviceHoweverItChanges)
{
    TConnectedPanel session; // factory values: the panel's defaults, automatic brightness on
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
    ASSERT_EQ(panel.StateOf("check"), "1");
    ParameterSet device = FactoryParameters();
    HWND checkBox = panel.Handle("CheckBox1");
    HWND panel1 = panel.Handle("Panel1");
    ASSERT_TRUE(checkBox && panel1);

    // The space bar.
    PressKey(checkBox, VK_SPACE);
    ASSERT_TRUE(WaitUntil([&] { return panel.StateOf("check") == "0"; }));
    device.autoBrightness = 0;
    EXPECT_TRUE(SimHolds(sim, device)) << SimParams(sim.Command("params"));

    // "Default Parameter" where only the box differs from its default.
    ClickAt(panel1, kDefaultButton.x, kDefaultButton.y);
    ASSERT_TRUE(WaitUntil([&] { return panel.StateOf("check") == "1"; }));
    device.autoBrightness = 1;
    EXPECT_TRUE(SimHolds(sim, device)) << SimParams(sim.Command("params"));

    // And what "Save Parameter" stores afterwards.
    PressKey(checkBox, VK_SPACE);
    ClickAt(panel1, kSaveButton.x, kSaveButton.y);
    device.autoBrightness = 0;
    EXPECT_TRUE(WaitUntil([&] { return sim.Saved() == device; })) << Tail(sim.Log());
    CloseAndExpectCleanExit(panel);
}

// While a reply is slow the window waits in the read, and everything the
// user does meanwhile is handled at once when it returns.
TEST(PanelAndDevice, ButtonsPressedWhileAReplyIsSlowAreAllSentWithThePendingWriteFirst)
{
    TConnectedPanel session(kSaved);
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
    HWND panel1 = panel.Handle("Panel1");
    HWND slider3 = panel.Handle("iSlider3");
    ASSERT_TRUE(panel1 && slider3);

    const auto behindASlowReply = [&](const std::function<void()>& input) {
        ASSERT_EQ(sim.Command("fault delay 2500").substr(0, 2), "ok");
        std::this_thread::sleep_for(500ms); // the panel now waits in a read
        input();
        sim.Command("fault off");
    };

    // "Default Parameter", then "Save Parameter".
    size_t from = Received(sim.Log()).size();
    behindASlowReply([&] {
        ClickAt(panel1, kDefaultButton.x, kDefaultButton.y);
        ClickAt(panel1, kSaveButton.x, kSaveButton.y);
    });
    ParameterSet defaults = kDefaultParameters;
    defaults.vuRefreshTime = 3; // held at the slider's minimum
    EXPECT_TRUE(WaitUntil([&] { return sim.Saved() == defaults; })) << Tail(sim.Log());
    auto frames = ReceivedSince(sim, from);
    const size_t write = IndexOf(frames, kWrite);
    EXPECT_NE(write, std::string::npos);
    EXPECT_NE(IndexOf(frames, kSave, write), std::string::npos) << "the save follows the write";

    // "Save Parameter", then a slider step: the write still goes first.
    from = Received(sim.Log()).size();
    behindASlowReply([&] {
        ClickAt(panel1, kSaveButton.x, kSaveButton.y);
        PressKey(slider3, VK_DOWN);
    });
    defaults.alarmThreshold = 99;
    EXPECT_TRUE(WaitUntil([&] { return sim.Saved() == defaults; })) << Tail(sim.Log());
    frames = ReceivedSince(sim, from);
    EXPECT_LT(IndexOf(frames, kWrite), IndexOf(frames, kSave));
    EXPECT_EQ(IndexOf(frames, kSave, IndexOf(frames, kSave) + 1), std::string::npos) << "one save";
    CloseAndExpectCleanExit(panel);
}

TEST(PanelAndDevice, ChangesMadeWithoutTheDeviceNeverOverwriteItsValues)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Panel panel(port);
    ASSERT_TRUE(panel.Started());
    HWND box = WaitForBox(panel);
    ASSERT_TRUE(box) << "no message box";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }));
    HWND edit4 = panel.Handle("Edit4");
    HWND panel1 = panel.Handle("Panel1");
    ASSERT_TRUE(edit4 && panel1);

    // Disconnected: a number, a save and a self check.
    const auto changeWhileAway = [&](const std::string& brightness) {
        TypeAndEnter(edit4, brightness);
        ClickAt(panel1, kSaveButton.x, kSaveButton.y);
        ClickAt(panel1, kSelfCheckButton.x, kSelfCheckButton.y);
        ASSERT_TRUE(WaitUntil([&] { return panel.StateOf("slider4") == brightness; })) << panel.State();
    };
    const auto expectTheDevicesValuesLoadFirst = [&](Simulator& sim, size_t from) {
        ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
        ASSERT_TRUE(Loaded(panel)) << panel.State();
        const auto frames = ReceivedSince(sim, from);
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.front(), kPoll);
        EXPECT_EQ(IndexOf(frames, kSave), std::string::npos) << Tail(sim.Log());
        EXPECT_EQ(IndexOf(frames, kSelfCheck), std::string::npos) << Tail(sim.Log());
        EXPECT_EQ(SimParams(sim.Command("params")), WireText(kSaved));
        EXPECT_EQ(sim.Saved(), kSaved);
        EXPECT_EQ(panel.StateOf("params"), WireText(kSaved));
    };

    changeWhileAway("55");
    Simulator sim(port, kSaved);
    ASSERT_TRUE(sim.Started()) << sim.error;
    expectTheDevicesValuesLoadFirst(sim, 0);

    ASSERT_EQ(sim.Command("unplug").substr(0, 2), "ok");
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
    changeWhileAway("77");
    const size_t from = Received(sim.Log()).size();
    ASSERT_EQ(sim.Command("plug").substr(0, 2), "ok");
    expectTheDevicesValuesLoadFirst(sim, from);

    // Loaded, the user's changes go out as usual.
    TypeAndEnter(edit4, "44");
    ParameterSet changed = kSaved;
    changed.numberBrightness = 44;
    EXPECT_TRUE(SimHolds(sim, changed)) << SimParams(sim.Command("params"));
    CloseAndExpectCleanExit(panel);
}

} // namespace
