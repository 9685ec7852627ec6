// What the real panel shows when the real device side misbehaves: replies
// spoiled, late or missing, the device pulled in the middle of an exchange,
// the simulator stopped, killed and started again, the interface library
// missing. Each fault is injected through the simulator (or the process
// itself) and the outcome read from the running panel and the simulator's
// own log and parameters. docs/RELIABILITY.md names these tests row by row.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "framework/sysmenu.h"
#include "link/linkwire.h"
#include "tests/e2e/paneldriver.h"

namespace {

using namespace paneldriver;

constexpr char kWrite[] = "EB 90 0A 02";

size_t CountFrom(const std::vector<std::string>& frames, size_t from, const char* prefix = "")
{
    size_t n = 0;
    for (size_t i = from; i < frames.size(); ++i)
        n += frames[i].rfind(prefix, 0) == 0;
    return n;
}

// One of the device's nine values, by its place in wire order (input,
// offset, refresh, threshold, number and bar brightness, automatic
// brightness, alarm show and reset time); -1 when the simulator does not answer.
int DeviceValue(Simulator& sim, int place)
{
    const std::string params = SimParams(sim.Command("params"));
    if (params.empty() || params[0] == '<') return -1;
    size_t at = 0;
    for (int i = 0; i < place; ++i)
        at = params.find(',', at) + 1;
    return std::stoi(params.substr(at));
}

int Threshold(Simulator& sim)
{
    return DeviceValue(sim, 3);
}

// One step of the threshold slider, as a user's arrow key; the value the
// device must then hold.
int StepThreshold(Panel& panel)
{
    const int before = std::stoi(panel.StateOf("slider3"));
    const bool up = before < 120;
    PressKey(panel.Handle("iSlider3"), up ? VK_UP : VK_DOWN);
    return up ? before + 1 : before - 1;
}

bool Shows(Panel& panel, const std::string& key, const std::string& value, std::chrono::milliseconds within = 15s)
{
    return WaitUntil([&] { return panel.StateOf(key) == value; }, within);
}

// Replies that arrive but are not fit to take must leave the reading, the
// bar and the controls as they were and make the panel write nothing; the
// exchange goes on at its pace meanwhile.
TEST(FaultMatrix, SpoiledRepliesChangeNothingTheUserSeesAndWriteNothing)
{
    TConnectedPanel session;
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
    int reading = 50;
    for (const char* fault : {"garbage", "short", "bad-checksum"}) {
        SCOPED_TRACE(fault);
        sim.Command("level 12");
        sim.Command("reading " + std::to_string(reading));
        ASSERT_TRUE(Shows(panel, "reading", std::to_string(reading))) << panel.State();
        ASSERT_TRUE(Shows(panel, "lit", "12")) << panel.State();
        const std::string params = panel.StateOf("params");
        const size_t received = Received(sim.Log()).size();
        const size_t sent = LoggedFrames(sim.Log(), false).size();

        ASSERT_EQ(sim.Command(std::string("fault ") + fault).substr(0, 2), "ok");
        // What the panel would show if it took these replies.
        sim.Command("reading " + std::to_string(reading + 20));
        sim.Command("level 30");
        EXPECT_TRUE(WaitUntil([&] { return LoggedFrames(sim.Log(), false).size() >= sent + 60; }, 30s))
            << "the exchange stalled: " << Tail(sim.Log());
        const std::string state = panel.State();
        EXPECT_EQ(Panel::ValueOf(state, "reading"), std::to_string(reading)) << state;
        EXPECT_EQ(Panel::ValueOf(state, "lit"), "12") << state;
        EXPECT_EQ(Panel::ValueOf(state, "params"), params);
        EXPECT_EQ(CountFrom(Received(sim.Log()), received, kWrite), 0u) << "a write after a spoiled reply";

        // Back in step at once when the replies are sound again.
        sim.Command("fault off");
        EXPECT_TRUE(Shows(panel, "reading", std::to_string(reading + 20))) << panel.State();
        EXPECT_TRUE(Shows(panel, "lit", "30")) << panel.State();
        reading += 5;
    }
}

// A device that answers late or not at all: each read waits for its reply
// up to the 3000 ms time-out, so the panel asks no faster than that; a
// write made meanwhile still reaches the device, and so does a number typed
// meanwhile, without a "Data format error!" box; the display only ever
// shows what the device reported; and the exchange is back in step once
// the replies come on time.
TEST(FaultMatrix, ASilentOrLateDeviceSlowsTheExchangeAndLosesNothing)
{
    TConnectedPanel session;
    ASSERT_EQ(session.Start(), "");
    Simulator& sim = session.sim;
    Panel& panel = session.panel;
    const struct {
        const char* fault;
        // The least the panel can take per request; 0: none, since a reply
        // 3.5 s late ends the read of a later request, and such reads can
        // follow each other at any pace. Each request then still waits for
        // a time-out or for a reply that arrived.
        double secondsPerRequest;
        bool takesTheNewReading; // within the fault
    } rows[] = {
        {"fault drop", 3.0, false},
        {"fault delay 1000", 1.0, true},
        {"fault delay 3500", 0, false},
    };
    int base = 40;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        sim.Command("reading " + std::to_string(base));
        ASSERT_TRUE(Shows(panel, "reading", std::to_string(base))) << panel.State();
        const size_t received = Received(sim.Log()).size();
        const size_t replied = LoggedFrames(sim.Log(), false).size();
        ASSERT_EQ(sim.Command(row.fault).substr(0, 2), "ok");
        const auto t0 = Clock::now();
        sim.Command("reading " + std::to_string(base + 10));
        const int threshold = StepThreshold(panel);
        const int showTime = 20 + base / 10; // alarm show time, 1 to 60
        TypeAndEnter(panel.Handle("Edit6"), std::to_string(showTime));

        // Every answer of the window's comes between two reads: never after
        // more than one time-out.
        std::set<std::string> shown;
        while (Clock::now() - t0 < 8s) {
            shown.insert(panel.StateOf("reading"));
            std::this_thread::sleep_for(300ms);
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        const std::string log = sim.Log();
        const size_t requests = CountFrom(Received(log), received);
        const size_t replies = CountFrom(LoggedFrames(log, false), replied);
        std::cout << "[ figure ] " << row.fault << ": " << requests << " requests and " << replies << " replies in "
                  << seconds << " s\n";
        const double most = row.secondsPerRequest > 0 ? seconds / row.secondsPerRequest + 3
                                                       : static_cast<double>(replies) + seconds / 3 + 3;
        EXPECT_LE(requests, most) << "requests went out without waiting for a reply";
        EXPECT_GE(requests, 2u) << "the exchange stopped";
        for (const std::string& r : shown)
            EXPECT_TRUE(r == std::to_string(base) || r == std::to_string(base + 10)) << "shown: '" << r << "'";
        if (row.takesTheNewReading) {
            EXPECT_TRUE(shown.count(std::to_string(base + 10))) << "the late replies were lost";
        }
        if (std::string(row.fault) == "fault drop") {
            EXPECT_FALSE(shown.count(std::to_string(base + 10))) << "a reading that was never sent";
        }
        EXPECT_TRUE(WaitUntil([&] { return Threshold(sim) == threshold; }, 20s)) << "the write made meanwhile";
        EXPECT_TRUE(WaitUntil([&] { return DeviceValue(sim, 7) == showTime; }, 20s)) << "the number typed meanwhile";
        EXPECT_EQ(panel.Popups(), std::vector<HWND>{}) << "a box or menu for a valid number";

        sim.Command("fault off");
        sim.Command("reading " + std::to_string(base + 20));
        EXPECT_TRUE(Shows(panel, "reading", std::to_string(base + 20), 20s)) << "not back in step: " << panel.State();
        EXPECT_EQ(panel.StateOf("slider3"), std::to_string(threshold));
        base += 30;
    }
}

// The device goes away while the panel waits for a reply, after a write
// that the device carried out but whose reply it held; the simulator is
// stopped and resumed; it is killed and another started on its port.
TEST(FaultMatrix, TheDeviceGoingAwayInTheMiddleOfAnExchange)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    std::optional<Simulator> sim(std::in_place, port);
    ASSERT_TRUE(sim->Started()) << sim->error;
    Panel panel(port);
    ASSERT_TRUE(panel.Started());
    ASSERT_TRUE(Shows(panel, "panelLoaded", "1", 60s)) << panel.State();
    const auto replug = [&] {
        sim->Command("fault off");
        ASSERT_EQ(sim->Command("plug").substr(0, 2), "ok");
        ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
        ASSERT_TRUE(Shows(panel, "panelLoaded", "1")) << panel.State();
    };

    {
        SCOPED_TRACE("unplugged during a held read");
        ASSERT_EQ(sim->Command("fault delay 60000").substr(0, 2), "ok");
        std::this_thread::sleep_for(1s); // the panel now waits in a read
        const auto t0 = Clock::now();
        sim->Command("unplug");
        EXPECT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
        std::cout << "[ figure ] \"Disconnect\" shown "
                  << std::chrono::duration<double>(Clock::now() - t0).count()
                  << " s after an unplug during a held read\n";
        EXPECT_EQ(panel.StateOf("panelLoaded"), "0");
        replug();
    }
    {
        SCOPED_TRACE("unplugged between a write and its reply");
        ASSERT_EQ(sim->Command("fault delay 60000").substr(0, 2), "ok");
        const int threshold = StepThreshold(panel);
        ASSERT_TRUE(WaitUntil([&] { return Threshold(*sim) == threshold; }, 20s)) << Tail(sim->Log());
        sim->Command("unplug");
        EXPECT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
        replug();
        // Panel and device agree on what the device carried out.
        EXPECT_EQ(panel.StateOf("slider3"), std::to_string(threshold));
        EXPECT_EQ(panel.StateOf("params"), SimParams(sim->Command("params")));
    }
    {
        // The connection stays up while the process is stopped, so the
        // panel stays "Connected" and keeps its last reading; its reads time
        // out as with a silent device, and it answers between them.
        SCOPED_TRACE("stopped and resumed");
        sim->Command("reading 61");
        ASSERT_TRUE(Shows(panel, "reading", "61"));
        ASSERT_TRUE(sim->Signal("STOP"));
        const auto t0 = Clock::now();
        std::set<std::string> shown, status;
        while (Clock::now() - t0 < 7s) {
            shown.insert(panel.StateOf("reading"));
            status.insert(panel.Caption("Label9"));
            std::this_thread::sleep_for(300ms);
        }
        ASSERT_TRUE(sim->Signal("CONT"));
        EXPECT_EQ(shown, std::set<std::string>{"61"});
        EXPECT_EQ(status, std::set<std::string>{"Connected"});
        sim->Command("reading 62");
        EXPECT_TRUE(Shows(panel, "reading", "62", 20s)) << "not back in step: " << panel.State();
    }
    {
        SCOPED_TRACE("killed, then another simulator on the port");
        sim->Kill();
        EXPECT_TRUE(panel.CaptionBecomes("Label9", "Disconnect"));
        sim.reset();
        const ParameterSet saved{1, 5, 20, 90, 50, 60, 0, 20, 30};
        sim.emplace(port, saved);
        ASSERT_TRUE(sim->Started()) << sim->error;
        EXPECT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
        EXPECT_TRUE(Shows(panel, "panelLoaded", "1")) << panel.State();
        EXPECT_EQ(panel.StateOf("params"), WireText(saved)) << "the new device's values";
        sim->Command("reading 63");
        EXPECT_TRUE(Shows(panel, "reading", "63"));
    }
    EXPECT_EQ(panel.Close(), 0);
}

// The panel alone in a folder, without CH375DLL.DLL beside it (and none in
// the system folder): it says there is no device, runs on disconnected,
// never reaches the device that is there, tells in its About box what it
// looked for, and ends cleanly.
TEST(FaultMatrix, WithoutTheInterfaceLibraryThePanelRunsDisconnected)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    Simulator sim(port);
    ASSERT_TRUE(sim.Started()) << sim.error;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string dir = std::string(temp) + "orvane-e2e-nolib-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((PanelDir() + "orvane-panel.exe").c_str(), (dir + "orvane-panel.exe").c_str(), FALSE));
    {
        Panel panel(port, true, "", dir);
        ASSERT_TRUE(panel.Started());
        HWND box = nullptr;
        ASSERT_TRUE(WaitUntil([&] { return (box = panel.Window("#32770")) && IsWindowVisible(box); }, 60s));
        EXPECT_EQ(Panel::BoxText(box), "No connect device!");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return panel.Visible("TForm1"); }));
        EXPECT_EQ(panel.Caption("Label9"), "Disconnect");

        PostMessageA(panel.Window("TForm1"), WM_SYSCOMMAND, TSystemMenuItems::Command(2), 0);
        ASSERT_TRUE(WaitUntil([&] { return (box = panel.Window("#32770")) && IsWindowVisible(box); }));
        const std::string about = Panel::BoxText(box);
        EXPECT_NE(about.find("USB interface library: not found"), std::string::npos) << about;
        EXPECT_NE(about.find(dir + "CH375DLL.DLL"), std::string::npos) << about;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(WaitUntil([&] { return !panel.Window("#32770"); }));

        EXPECT_EQ(sim.Log().find("connection open"), std::string::npos) << Tail(sim.Log());
        EXPECT_EQ(panel.Close(), 0);
    }
    DeleteFileA((dir + "orvane-panel.exe").c_str());
    RemoveDirectoryA(dir.c_str());
}

// A device side that answers the library's handshake, then sends poll
// replies nobody asked for as fast as the connection takes them: what a
// broken or hostile device can do. The panel's requests are read and
// counted, never answered.
class TFloodingDevice {
public:
    TFloodingDevice(uint16_t port, uint8_t reading) : listener_(TSocket::Listen(port, error))
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        TDeviceModel model(std::string(temp) + "orvane-e2e-flood.state", 1);
        model.ForceReading(reading);
        model.ForceLevel(20);
        const uint8_t poll[] = {0xEB, 0x90, 0x01, 0x01, 0x7D};
        reply_ = EncodeLink(LinkType::Frame, model.Handle(poll, 0).reply);
        for (int i = 0; i < 64; ++i)
            burst_.insert(burst_.end(), reply_.begin(), reply_.end());
        if (listener_.Valid()) thread_ = std::thread([this] { Run(); });
    }
    ~TFloodingDevice()
    {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    std::string error;
    std::atomic<bool> flooding{false};
    std::atomic<uint64_t> bytesSent{0};
    std::atomic<uint64_t> requests{0};

private:
    void Run()
    {
        while (!stop_) {
            if (!listener_.WaitReadable(100)) continue;
            TSocket peer = listener_.Accept();
            if (peer.Valid()) Serve(peer);
        }
    }
    void Serve(TSocket& peer)
    {
        TLinkReader reader;
        while (!stop_) {
            while (peer.WaitReadable(flooding ? 0 : 50)) {
                uint8_t buf[512];
                const int n = peer.Recv(buf, sizeof buf);
                if (n <= 0) return;
                reader.Feed(std::span(buf, static_cast<size_t>(n)));
            }
            while (auto m = reader.Next()) {
                if (m->type == LinkType::Hello) peer.SendAll(EncodeLink(LinkType::Welcome), 1000);
                if (m->type == LinkType::Open || m->type == LinkType::Exclusive)
                    peer.SendAll(EncodeLink(LinkType::Granted), 1000);
                if (m->type == LinkType::Frame) ++requests;
            }
            if (flooding && peer.SendAll(burst_, 1000)) bytesSent += burst_.size();
        }
    }

    TSocket listener_;
    std::vector<uint8_t> reply_, burst_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Replies pour in faster than the panel asks: the library keeps only the
// newest few, so the panel's memory stays flat, its window answers, its
// exchange goes on and it shows the reading the replies carry.
TEST(FaultMatrix, AFloodOfDeviceFramesCostsNoMemoryAndLeavesThePanelAnswering)
{
    NetStartup();
    const uint16_t port = FreeLoopbackPort();
    TFloodingDevice device(port, 70);
    ASSERT_EQ(device.error, "");
    Panel panel(port);
    ASSERT_TRUE(panel.Started());
    ASSERT_TRUE(panel.CaptionBecomes("Label9", "Connected"));
    device.flooding = true;
    ASSERT_TRUE(Shows(panel, "reading", "70")) << panel.State();
    std::this_thread::sleep_for(2s);
    const double memoryBefore = panel.HostStatus("RssAnon");
    const uint64_t sentBefore = device.bytesSent, requestsBefore = device.requests;
    const auto t0 = Clock::now();
    int answers = 0, asked = 0;
    while (Clock::now() - t0 < 10s) {
        ++asked;
        answers += panel.StateOf("reading") == "70";
        std::this_thread::sleep_for(200ms);
    }
    const double memoryAfter = panel.HostStatus("RssAnon");
    const double megabytes = (device.bytesSent - sentBefore) / 1048576.0;
    std::cout << "[ figure ] " << megabytes << " MiB of replies in 10 s; private memory " << memoryBefore / 1048576
              << " -> " << memoryAfter / 1048576 << " MiB; " << device.requests - requestsBefore << " requests\n";
    EXPECT_GT(megabytes, 1.0) << "the flood did not flow";
    EXPECT_EQ(answers, asked) << "the window stopped answering or showed another reading";
    EXPECT_GT(device.requests - requestsBefore, 10u) << "the exchange stopped";
    ASSERT_GT(memoryBefore, 0);
    EXPECT_LT(memoryAfter - memoryBefore, 4 * 1048576.0) << "memory grew with the flood";
    device.flooding = false;
    EXPECT_EQ(panel.Close(), 0);
}

} // namespace
