// The main window's device connection against a scripted CH375DLL.DLL (built
// from fakes/fake_ch375.cpp and placed beside this test, where the panel
// looks for the library): the order of the library calls, the message at
// start without a device, plug events handed over from the library's thread
// and acted on only on the window's, and the status they leave behind.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/shell.h"
#include "tests/win/panel_forms.h"

namespace {

using panel_testing::Lib;
using panel_testing::MessageBoxWatcher;
using panel_testing::Pump;

const char kConnectCalls[] = "Open 0;SetTimeout 0 3000 3000;SetExclusive 0 0;SetDeviceNotify 0 '' routine;"
                             "SetExclusive 0 1";

class PanelConnection : public panel_testing::PanelForms {
protected:
    void SetUp() override { ASSERT_TRUE(Lib().module && Lib().Reset && Lib().Raise) << "the fake library"; }
    // The form as the program creates it; boxes shown meanwhile are answered.
    std::vector<std::string> CreateMainWindow(bool deviceAnswers)
    {
        Lib().Reset(deviceAnswers);
        MessageBoxWatcher boxes;
        Application->CreateForm(Form1);
        return boxes.Texts();
    }
    std::string Status() const { return Form1->Label9->Caption(); }
};

TEST_F(PanelConnection, StartWithoutDeviceSaysSoClosesTheDeviceAndStaysHiddenButAlive)
{
    const auto boxes = CreateMainWindow(false);
    EXPECT_EQ(boxes, std::vector<std::string>{"No connect device!"});
    // The connect sequence runs in full after the failed open, then the
    // close request runs FormClose.
    EXPECT_EQ(Lib().Calls(), std::string(kConnectCalls) + ";Close 0");
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_FALSE(Form1->deviceConnected);
    EXPECT_FALSE(Form1->GetVisible()) << "the loop shows it later";
    EXPECT_FALSE(Application->Terminated()) << "it was not the main form yet";
    // The start values went in after the connection.
    EXPECT_TRUE(Form1->firstReplyPending);
    EXPECT_FALSE(Form1->panelLoaded);
    EXPECT_EQ(Form1->parameterSet, kStartParameters);
}

TEST_F(PanelConnection, StartWithDeviceShowsConnectedWithoutAMessage)
{
    const auto boxes = CreateMainWindow(true);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(Lib().Calls(), kConnectCalls);
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(Form1->deviceConnected);
    EXPECT_TRUE(Form1->firstReplyPending);
}

TEST_F(PanelConnection, PlugEventsAreActedOnOnlyOnTheWindowsThread)
{
    CreateMainWindow(true);
    Lib().Calls();
    Form1->panelLoaded = true;

    // The library's thread only hands the removal over.
    ASSERT_TRUE(Lib().Raise(CH375_DEVICE_REMOVE));
    EXPECT_EQ(Status(), "Connected");
    EXPECT_EQ(Lib().Calls(), "");
    Pump();
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_FALSE(Form1->deviceConnected);
    EXPECT_FALSE(Form1->panelLoaded);
    EXPECT_EQ(Lib().Calls(), "Close 0");
    EXPECT_EQ(Lib().LastCloseThread(), GetCurrentThreadId());

    // An arrival reconnects and registers the routine again.
    ASSERT_TRUE(Lib().Raise(CH375_DEVICE_ARRIVAL));
    Pump();
    EXPECT_EQ(Lib().Calls(), kConnectCalls);
    EXPECT_EQ(Status(), "Connected");
    EXPECT_TRUE(Form1->deviceConnected);
    EXPECT_TRUE(Form1->firstReplyPending);
}

// An arrival whose open fails (the device is held by another program, or is
// gone again) must not claim a connection the cycle would then talk to.
TEST_F(PanelConnection, ArrivalWithAFailedOpenStaysDisconnected)
{
    CreateMainWindow(true);
    Lib().Raise(CH375_DEVICE_REMOVE);
    Pump();
    Lib().Calls();

    Lib().SetOpen(false);
    Lib().Raise(CH375_DEVICE_ARRIVAL);
    Pump();
    EXPECT_EQ(Lib().Calls(), kConnectCalls) << "the routine is registered again all the same";
    EXPECT_EQ(Status(), "Disconnect");
    EXPECT_FALSE(Form1->deviceConnected);
    EXPECT_FALSE(Form1->firstReplyPending);
}

TEST_F(PanelConnection, OtherEventCodesChangeNothing)
{
    for (const bool connected : {true, false}) {
        SCOPED_TRACE(connected ? "connected" : "disconnected");
        if (Form1) Form1->Free();
        Form1 = nullptr;
        CreateMainWindow(connected);
        Lib().Calls();
        Form1->panelLoaded = true;
        Form1->firstReplyPending = false;
        const std::string status = Status();
        for (const ULONG code : {1UL, 2UL, 4UL, 0x80000003UL}) {
            Lib().Raise(code);
            Pump();
            Form1->DeviceNotify(code);
        }
        EXPECT_EQ(Lib().Calls(), "");
        EXPECT_EQ(Status(), status);
        EXPECT_EQ(Form1->deviceConnected, connected);
        EXPECT_TRUE(Form1->panelLoaded);
        EXPECT_FALSE(Form1->firstReplyPending);
    }
}

TEST_F(PanelConnection, ClosingTheMonitorHidesItAndTheProgramGoesOn)
{
    CreateMainWindow(true);
    Application->CreateForm(Form2);
    EXPECT_FALSE(Form2->GetVisible());
    EXPECT_FALSE(IsWindowVisible(Form2->Handle()));
    Form1->ShowMonitor();
    EXPECT_TRUE(IsWindowVisible(Form2->Handle()));
    SendMessageA(Form2->Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(IsWindowVisible(Form2->Handle()));
    EXPECT_FALSE(Application->Terminated());
    EXPECT_EQ(Application->MainForm(), Form1);
}

// --- The shell's last line of defence --------------------------------------

TEST(Shell, ExitCodeTellsACleanRunFromAnEscapedException)
{
    TApplication app(nullptr);
    std::vector<std::string> shown;
    app.OnException = [&](TObject*, Exception& e) { shown.push_back(e.Message); };

    EXPECT_EQ(RunShell(app, [&] { new TComponent(&app); }), ExitSuccess);
    EXPECT_EQ(app.ComponentCount(), 0) << "the windows go when the run ends";
    EXPECT_TRUE(shown.empty());

    EXPECT_EQ(RunShell(app,
                       [&] {
                           new TComponent(&app);
                           throw EConvertError("window creation failed");
                       }),
              ExitFailure);
    EXPECT_EQ(app.ComponentCount(), 0) << "also after a failure";
    EXPECT_EQ(RunShell(app, [] { throw 42; }), ExitFailure);
    EXPECT_EQ(shown, (std::vector<std::string>{"window creation failed", ""}));
}

} // namespace
