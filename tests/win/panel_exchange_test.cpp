// The main window's exchange cycle, control coupling and reading display, and
// the traffic monitor, with the real forms against the scripted library: the
// frames written (as the library received them), the replies fed back, and
// the controls and display they leave behind. Ticks are driven by hand so
// every step is deterministic.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/win/panel_forms.h"

namespace {

using panel_testing::Lib;
using panel_testing::MessageBoxWatcher;
using panel_testing::PollReply;
using panel_testing::Pump;

constexpr char kPoll[] = "EB 90 01 01 7D";
constexpr char kSelfCheck[] = "EB 90 02 03 80 00";
constexpr char kSave[] = "EB 90 02 04 80 01";

void Queue(const std::vector<unsigned char>& reply)
{
    Lib().QueueReply(reply.data(), static_cast<int>(reply.size()));
}

std::string Hex(const RequestFrame& frame)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < frame.length; ++i) {
        if (i) text += ' ';
        text += digits[frame.bytes[static_cast<size_t>(i)] >> 4];
        text += digits[frame.bytes[static_cast<size_t>(i)] & 15];
    }
    return text;
}

// A device whose values all differ from the window layout's.
const ParameterSet kDeviceValues{1, -5, 12, 95, 40, 50, 1, 7, 9};
// One whose values are the window layout's own.
const ParameterSet kLayoutValues{1, -20, 3, 60, 10, 10, 0, 1, 1};

class PanelExchange : public panel_testing::PanelForms {
protected:
    void SetUp() override
    {
        OpenForms({.historyClock = [] { return now; }, .showMonitor = true, .foreground = false});
    }
    static void Tick(int n = 1)
    {
        for (int i = 0; i < n; ++i) {
            Form1->Timer1Timer(Form1->Timer1);
            now += 10;
        }
    }
    // The level history's clock: 10 ms a tick, as the platform's timer runs.
    static inline TTimeMs now = 1'700'000'000'000;
    // Sends a poll, reads the reply and lets the next sending turn come.
    static void LoadFromDevice(const ParameterSet& p, uint8_t reading = 50, uint8_t level = 0)
    {
        Queue(PollReply(reading, p, level));
        Tick(2);
    }
    // Nothing is sent but polls until the device's values are in.
    static void LoadLayoutValuesFromDevice()
    {
        LoadFromDevice(kLayoutValues);
        Lib().Calls();
        Lib().Writes();
    }
    static std::vector<std::string> MonitorLines()
    {
        std::vector<std::string> lines;
        TStrings* memo = Form2->Memo1->Lines();
        for (int i = 0; i < memo->Count(); ++i)
            lines.push_back(memo->Get(i));
        return lines;
    }
    static int Lit()
    {
        int n = 0;
        for (TiLedRectangle* led : Form1->ledBar)
            n += led->GetActive() ? 1 : 0;
        return n;
    }
    static void PressEnter(TEdit* edit, const std::string& text)
    {
        edit->SetText(text);
        SendMessageA(edit->Handle(), WM_CHAR, '\r', 0);
    }
};

TEST_F(PanelExchange, ShowStartsDarkWithARedE1AndTheDbCPicture)
{
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "E1");
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetSegmentColor(), clRed);
    EXPECT_EQ(Lit(), 0);
    EXPECT_EQ(Form1->barLevel, 1);
    EXPECT_EQ(Form1->Image1->Width(), 213) << "sized to its picture";
    EXPECT_EQ(Form1->Image1->Height(), 85);
    EXPECT_FALSE(Form1->SpeedButton4->GetVisible());
    EXPECT_FALSE(Form1->iSwitchPanel1->GetVisible());
    EXPECT_EQ(Form1->ClientWidth(), 754);
    EXPECT_EQ(Form1->ClientHeight(), 500);
    EXPECT_EQ(GetWindowLongA(Form1->Handle(), GWL_STYLE) & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0)
        << "neither resized nor maximised";
    EXPECT_EQ(Form1->ledBar[0]->Left(), 8);
    EXPECT_EQ(Form1->ledBar[36]->Left(), 728);
}

TEST_F(PanelExchange, PollsAlternateWithReadsWhileNothingIsPendingAndEveryFrameIsLogged)
{
    Queue(PollReply(50, kDeviceValues, 3));
    Queue(PollReply(51, kDeviceValues, 3));
    Tick(4);
    EXPECT_EQ(Lib().Calls(), "Write 0;Read 0;Write 0;Read 0");
    EXPECT_EQ(Lib().Writes(), std::string(kPoll) + ";" + kPoll);
    const auto lines = MonitorLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "-->EB 90 01 01 7D ");
    EXPECT_EQ(lines[1].substr(0, 15), "<--EB 91 0C 01 ");
    EXPECT_EQ(lines[1].size(), 3u + 48u);
    EXPECT_EQ(lines[3].substr(0, 18), "<--EB 91 0C 01 33 ") << "the second reading, 51";

    // A failed read adds no line and the next tick sends again.
    Tick(2);
    EXPECT_EQ(Lib().Calls(), "Write 0;Read 0");
    EXPECT_EQ(MonitorLines().size(), 5u);
}

TEST_F(PanelExchange, SelfCheckGoesAtTheNextSendingTurnOnceForTwoPresses)
{
    LoadLayoutValuesFromDevice();
    Form1->SpeedButton1->Click();
    Form1->SpeedButton1->Click();
    Tick();
    EXPECT_EQ(Lib().Writes(), kSelfCheck) << "one frame for two presses";
    Tick();
    EXPECT_EQ(Lib().Calls(), "Write 0;Read 0") << "the turn after it reads";
    Tick(2);
    EXPECT_EQ(Lib().Writes(), kPoll);
}

// A button and a value changed between two sending turns, in either order:
// directly, or as posted input that waits behind a slow read and is then
// handled all at once. Both reach the device, the write first, so that the
// save stores what the panel shows.
TEST_F(PanelExchange, AButtonAndAChangeBeforeTheSendingTurnAreBothSentTheWriteFirst)
{
    HWND panel1 = dynamic_cast<TWinControl*>(Form1->FindComponent("Panel1"))->Handle();
    HWND slider3 = Form1->iSlider3->Handle();
    LoadLayoutValuesFromDevice();
    int threshold = 60;
    for (const bool posted : {false, true})
        for (const bool saveFirst : {true, false}) {
            SCOPED_TRACE(std::string(posted ? "posted behind a slow read, " : "in one turn, ") +
                         (saveFirst ? "save first" : "change first"));
            ++threshold;
            const auto save = [&] {
                if (!posted) return Form1->SpeedButton2->Click();
                PostMessageA(panel1, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(668, 427));
                PostMessageA(panel1, WM_LBUTTONUP, 0, MAKELPARAM(668, 427));
            };
            const auto change = [&] {
                if (!posted) return Form1->iSlider3->SetPosition(threshold);
                PostMessageA(slider3, WM_KEYDOWN, VK_UP, 1);
                PostMessageA(slider3, WM_KEYUP, VK_UP, 0xC0000001);
            };
            if (posted) {
                Tick(); // a poll, whose reply the device is slow to send
                Lib().SetReadDelay(300);
                std::thread user([&] {
                    Sleep(100);
                    saveFirst ? (save(), change()) : (change(), save());
                });
                Tick();
                user.join();
                Lib().SetReadDelay(0);
                Application->ProcessMessages();
            } else {
                saveFirst ? (save(), change()) : (change(), save());
            }
            Lib().Writes();
            Tick(6);
            EXPECT_EQ(Lib().Writes(), Hex(BuildRequest(RequestKind::WriteParameters,
                                                       {1, -20, 3, threshold, 10, 10, 0, 1, 1})) +
                                          ";" + kSave + ";" + kPoll);
        }
    EXPECT_EQ(Form1->iSlider3->GetPosition(), threshold);
}

// An acknowledgement read where the poll's reply was due (it came late), or
// a poll reply cut short whose remaining bytes happen to make the sum: no
// reading, no level, no parameters. Not as the first reply either, where
// the controls would take zeros that the next change writes to the device.
TEST_F(PanelExchange, ALateAcknowledgementOrACutReplyInAPollsPlaceChangesNothing)
{
    std::vector<unsigned char> ack = {0xEB, 0x91, 0x04, 0x02, 0x00, 0x00, 0x00};
    ack.push_back(FrameChecksum(ack));
    // EB + 91 + 0C + 01 + 100 + 1 + 5 + 13 is 0 modulo 256, the checksum the
    // cleared buffer holds at offset 15.
    const std::vector<unsigned char> cut = {0xEB, 0x91, 0x0C, 0x01, 100, 1, 5, 13};
    for (const auto& reply : {ack, cut}) {
        Queue(reply);
        Tick(2);
        EXPECT_FALSE(Form1->panelLoaded);
        EXPECT_TRUE(Form1->firstReplyPending);
        EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "E1");
        EXPECT_EQ(Form1->iSlider3->GetPosition(), 60);
    }
    LoadFromDevice(kDeviceValues, 50, 30);
    Tick(40);
    ASSERT_EQ(Lit(), 30);
    for (const auto& reply : {ack, cut}) {
        Queue(reply);
        Tick(2);
        Tick(10);
        EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "50");
        EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetSegmentColor(), clLime);
        EXPECT_EQ(Lit(), 30) << "the bar keeps its target";
        EXPECT_EQ(Form1->iSlider3->GetPosition(), 95);
        EXPECT_TRUE(Form1->pendingRequests.Empty());
    }
    EXPECT_EQ(Form1->parameterSet, kDeviceValues);
}

// The device never got it, so it is tried again rather than lost.
TEST_F(PanelExchange, AFailedWriteKeepsTheRequestForTheNextSendingTurn)
{
    LoadFromDevice(kDeviceValues);
    Lib().Calls();
    Lib().Writes();
    Lib().SetWriteResult(FALSE);
    Form1->SpeedButton2->Click();
    Tick(2);
    EXPECT_EQ(Lib().Calls(), "Write 0;Write 0") << "no read after a failed write";
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::SaveParameters);
    EXPECT_TRUE(MonitorLines().size() == 2u) << "failed writes are not logged";

    Lib().SetWriteResult(TRUE);
    Tick();
    EXPECT_EQ(Lib().Writes(), kSave);
    EXPECT_TRUE(Form1->pendingRequests.Empty());
    Tick(2);
    EXPECT_EQ(Lib().Writes(), kPoll) << "sent once, then polls again";

    // A failed poll leaves nothing pending behind it.
    Tick();
    Lib().SetWriteResult(FALSE);
    Tick();
    EXPECT_TRUE(Form1->pendingRequests.Empty());
}

TEST_F(PanelExchange, FirstPollReplyLoadsEveryControlWithoutAWrite)
{
    LoadFromDevice(kDeviceValues);
    EXPECT_TRUE(Form1->pendingRequests.Empty());
    EXPECT_TRUE(Form1->panelLoaded);
    EXPECT_FALSE(Form1->firstReplyPending);
    EXPECT_EQ(Form1->parameterSet, kDeviceValues);
    EXPECT_EQ(Form1->UpDown1->GetPosition(), -5);
    EXPECT_EQ(Form1->Edit1->GetText(), "-5");
    EXPECT_EQ(Form1->iSlider1->GetPosition(), -5);
    EXPECT_EQ(Form1->iSlider2->GetPosition(), 12);
    EXPECT_EQ(Form1->iSlider3->GetPosition(), 95);
    EXPECT_EQ(Form1->Edit3->GetText(), "95");
    EXPECT_EQ(Form1->iSlider4->GetPosition(), 40);
    EXPECT_EQ(Form1->iSlider5->GetPosition(), 50);
    EXPECT_EQ(Form1->iSlider6->GetPosition(), 7);
    EXPECT_EQ(Form1->iSlider7->GetPosition(), 9);
    EXPECT_EQ(Form1->Edit7->GetText(), "9");
    EXPECT_EQ(Form1->RadioGroup1->GetItemIndex(), 0) << "code 1 is dBA, as the layout had it";
    EXPECT_TRUE(Form1->CheckBox1->GetChecked());
    Tick();
    EXPECT_EQ(Lib().Writes(), std::string(kPoll) + ";" + kPoll) << "only polls";

    // A later reply's parameters are ignored.
    Queue(PollReply(60, {2, 3, 30, 70, 90, 90, 0, 2, 2}, 0));
    Tick();
    EXPECT_EQ(Form1->parameterSet, kDeviceValues);
    EXPECT_EQ(Form1->iSlider3->GetPosition(), 95);
    EXPECT_EQ(Form1->RadioGroup1->GetItemIndex(), 0);
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "60");
}

TEST_F(PanelExchange, AChangedInputTypeOnLoadingWritesTheLoadedValuesOnce)
{
    ParameterSet p = kDeviceValues;
    p.micInputType = 0;
    LoadFromDevice(p);
    EXPECT_EQ(Form1->RadioGroup1->GetItemIndex(), 1) << "code 0 selects dB";
    Tick();
    EXPECT_EQ(Lib().Writes(), std::string(kPoll) + ";" + Hex(BuildRequest(RequestKind::WriteParameters, p)));
    Tick(2);
    EXPECT_EQ(Lib().Writes(), kPoll);
}

// Unplugged with a request written and its reply not yet read; changed,
// saved and self-checked while away: after the arrival the device's values
// come first, and nothing asked meanwhile overwrites them.
TEST_F(PanelExchange, UnplugAndReplugLoadTheControlsAgainBeforeAnythingIsSent)
{
    LoadFromDevice(kDeviceValues);
    Tick();
    Form1->DeviceNotify(CH375_DEVICE_REMOVE);
    Lib().Calls();
    Lib().Writes();
    const std::string reading = Form1->iSevenSegmentHexadecimal1->GetValue();
    Form1->iSlider4->SetPosition(66);
    Form1->SpeedButton2->Click();
    Form1->SpeedButton1->Click();
    Tick(5);
    EXPECT_EQ(Lib().Calls(), "") << "no library call while disconnected";
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), reading);

    Form1->DeviceNotify(CH375_DEVICE_ARRIVAL);
    Lib().Calls();
    ParameterSet p = kDeviceValues;
    p.alarmThreshold = 77;
    LoadFromDevice(p);
    EXPECT_EQ(Lib().Calls(), "Write 0;Read 0") << "no wait for a reply from before the removal";
    EXPECT_EQ(Form1->iSlider3->GetPosition(), 77);
    EXPECT_EQ(Form1->iSlider4->GetPosition(), 40);
    Tick(4);
    EXPECT_EQ(Lib().Writes(), std::string(kPoll) + ";" + kPoll + ";" + kPoll);
}

TEST_F(PanelExchange, InputCodeAboveTwoSelectsDbCAndShowsNoPicture)
{
    ParameterSet p = kDeviceValues;
    p.micInputType = 7;
    LoadFromDevice(p);
    EXPECT_EQ(Form1->RadioGroup1->GetItemIndex(), 2);
    EXPECT_TRUE(Form1->Image1->Picture()->Graphic() == nullptr ||
                Form1->Image1->Picture()->Graphic()->Empty());
}

// The picture is the weighting's own; both the radio group and the hidden
// switch panel ask for a write whatever suppressDirty says.
TEST_F(PanelExchange, InputTypeSelectionsChangeThePictureAndAskForAWrite)
{
    auto picture = [] {
        TCanvas* c = Form1->Image1->Picture()->Bitmap()->Canvas();
        std::vector<TColor> pixels;
        for (int y = 20; y < 70; y += 5)
            for (int x = 0; x < 213; x += 3)
                pixels.push_back(c->GetPixel(x, y));
        return pixels;
    };
    const auto dbC = picture();
    Form1->suppressDirty = true;
    Form1->RadioGroup1->SetItemIndex(1);
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters);
    const auto dB = picture();
    EXPECT_NE(dB, dbC);
    Form1->pendingRequests.Clear();
    Form1->iSwitchPanel1->SetPosition(2);
    Form1->iSwitchPanel1PositionChangeFinished(Form1->iSwitchPanel1);
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters);
    EXPECT_EQ(picture(), dbC) << "switch position 2 is code 2, dB(C)";
    Form1->suppressDirty = false;
}

TEST_F(PanelExchange, EnterInAnEditMovesSliderAndSpinnerWithinTheRange)
{
    PressEnter(Form1->Edit3, "130");
    EXPECT_EQ(Form1->iSlider3->GetPosition(), 120);
    EXPECT_EQ(Form1->UpDown3->GetPosition(), 120);
    EXPECT_EQ(Form1->Edit3->GetText(), "120");
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters);

    PressEnter(Form1->Edit6, "$1A");
    EXPECT_EQ(Form1->iSlider6->GetPosition(), 26) << "hexadecimal is an integer too";
}

TEST_F(PanelExchange, EnterWithNoNumberSaysDataFormatErrorAndChangesNothingElse)
{
    std::vector<std::string> boxes;
    {
        MessageBoxWatcher watcher;
        PressEnter(Form1->Edit4, "abc");
        boxes = watcher.Texts();
    }
    EXPECT_EQ(boxes, std::vector<std::string>{"Data format error!"});
    EXPECT_EQ(Form1->Edit4->GetText(), "abc");
    EXPECT_EQ(Form1->iSlider4->GetPosition(), 10);
    EXPECT_EQ(Form1->UpDown4->GetPosition(), 10);
    EXPECT_TRUE(Form1->pendingRequests.Empty());
    EXPECT_FALSE(Form1->pairBusy[4]);
}

TEST_F(PanelExchange, SliderAndSpinnerFollowEachOther)
{
    LoadLayoutValuesFromDevice();
    Form1->iSlider1->SetPosition(-7);
    EXPECT_EQ(Form1->UpDown1->GetPosition(), -7);
    EXPECT_EQ(Form1->Edit1->GetText(), "-7");
    Tick();
    const std::string frame = Lib().Writes();
    EXPECT_EQ(frame.substr(15, 2), "87") << frame;

    Form1->pendingRequests.Clear();
    // The spinner's own arrow, as the user clicks it.
    SendMessageA(Form1->UpDown5->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 3));
    SendMessageA(Form1->UpDown5->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(8, 3));
    Pump();
    EXPECT_EQ(Form1->UpDown5->GetPosition(), 11);
    EXPECT_EQ(Form1->iSlider5->GetPosition(), 11);
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters);
}

// The box may never show what the device does not hold: every change asks
// for a write, except the panel's own while it loads the device's values.
TEST_F(PanelExchange, EveryChangeOfTheCheckBoxAsksForAWriteButLoadingItDoesNot)
{
    HWND box = Form1->CheckBox1->Handle();
    SendMessageA(box, WM_KEYDOWN, VK_SPACE, 0);
    SendMessageA(box, WM_KEYUP, VK_SPACE, 0xC0000001);
    Pump();
    EXPECT_TRUE(Form1->CheckBox1->GetChecked());
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters) << "the space bar";

    Form1->pendingRequests.Clear();
    SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(box, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    Pump();
    EXPECT_FALSE(Form1->CheckBox1->GetChecked());
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters) << "the mouse";

    Form1->pendingRequests.Clear();
    ParameterSet p = kDeviceValues;
    p.autoBrightness = 1;
    LoadFromDevice(p);
    EXPECT_TRUE(Form1->CheckBox1->GetChecked());
    EXPECT_TRUE(Form1->pendingRequests.Empty()) << "loaded, not changed by the user";
}

TEST_F(PanelExchange, DefaultParameterWritesOnlyWhatReallyChanges)
{
    LoadLayoutValuesFromDevice();
    Form1->SpeedButton3->Click();
    EXPECT_EQ(Form1->pendingRequests.Next(), RequestKind::WriteParameters);
    EXPECT_EQ(Form1->iSlider2->GetPosition(), 3) << "1 is held at the slider's minimum";
    EXPECT_EQ(Form1->iSlider3->GetPosition(), 100);
    EXPECT_EQ(Form1->Edit7->GetText(), "10");
    EXPECT_TRUE(Form1->CheckBox1->GetChecked());
    Tick();
    EXPECT_EQ(Lib().Writes(),
              Hex(BuildRequest(RequestKind::WriteParameters, {1, 0, 3, 100, 100, 100, 1, 10, 10})));

    Tick();
    Form1->SpeedButton3->Click();
    EXPECT_TRUE(Form1->pendingRequests.Empty()) << "everything already at its default";
    Form1->CheckBox1->SetChecked(false);
    Tick(2);
    Lib().Writes();
    Form1->SpeedButton3->Click();
    EXPECT_TRUE(Form1->CheckBox1->GetChecked());
    Tick();
    EXPECT_EQ(Lib().Writes(),
              Hex(BuildRequest(RequestKind::WriteParameters, {1, 0, 3, 100, 100, 100, 1, 10, 10})))
        << "the check box alone differed";
}

TEST_F(PanelExchange, ReadingIsColouredAgainstTheThresholdHeldWhenItArrives)
{
    ParameterSet p = kDeviceValues;
    p.alarmThreshold = 85;
    LoadFromDevice(p, 90);
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "90");
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetSegmentColor(), clLime)
        << "judged against 100, before decoding";
    for (const auto& [reading, color] : std::vector<std::pair<uint8_t, TColor>>{{84, clLime}, {85, clRed}}) {
        Queue(PollReply(reading, p, 0));
        Tick(2);
        EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), std::to_string(reading));
        EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetSegmentColor(), color) << int(reading);
    }
    Queue(PollReply(0xE8, p, 20));
    Tick(2);
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetValue(), "E8");
    EXPECT_EQ(Form1->iSevenSegmentHexadecimal1->GetSegmentColor(), clRed);
}

TEST_F(PanelExchange, LevelBarClimbsFallsAndStandsStillWhileDisconnected)
{
    LoadFromDevice(kDeviceValues, 50, 30);
    Tick(40);
    EXPECT_EQ(Lit(), 30);
    Queue(PollReply(50, kDeviceValues, 10));
    Tick(2);
    EXPECT_EQ(Lit(), 10) << "falls at once";
    Form1->levelTarget = 200;
    Tick(40);
    EXPECT_EQ(Lit(), 37);
    Queue(PollReply(0xE1, kDeviceValues, 30));
    Tick(2);
    EXPECT_EQ(Lit(), 1) << "an error shows one lamp";

    Form1->DeviceNotify(CH375_DEVICE_REMOVE);
    Form1->readingCode = 50;
    Form1->levelTarget = 30;
    Tick(10);
    EXPECT_EQ(Lit(), 1);
}

// --- The traffic monitor ---------------------------------------------------

void ClickToolButton(TToolButton* button)
{
    SendMessageA(Form2->Handle(), WM_COMMAND, MAKEWPARAM(button->Command(), BN_CLICKED),
                 reinterpret_cast<LPARAM>(Form2->ToolBar1->Handle()));
}

TEST_F(PanelExchange, MonitorPausesResumesAndClears)
{
    const uint8_t poll[] = {0xEB, 0x90, 0x01, 0x01, 0x7D};
    EXPECT_EQ(Form2->ToolButton1->Caption(), "Puase");
    Form2->LogFrame(poll, 5, true);

    ClickToolButton(Form2->ToolButton1);
    EXPECT_EQ(Form2->ToolButton1->Caption(), "Run");
    Form2->LogFrame(poll, 5, true);
    EXPECT_EQ(MonitorLines(), std::vector<std::string>{"-->EB 90 01 01 7D "}) << "not logged while paused";

    ClickToolButton(Form2->ToolButton2);
    EXPECT_TRUE(MonitorLines().empty()) << "clearing works while paused";
    Form2->LogFrame(poll, 5, false);
    EXPECT_TRUE(MonitorLines().empty());
    EXPECT_TRUE(Form2->paused);

    ClickToolButton(Form2->ToolButton1);
    EXPECT_EQ(Form2->ToolButton1->Caption(), "Pause");
    Form2->LogFrame(poll, 5, false);
    EXPECT_EQ(MonitorLines(), std::vector<std::string>{"<--EB 90 01 01 7D "});
}

TEST_F(PanelExchange, MonitorKeepsWhatIsLoggedWhileHiddenAndEmptiesItselfAtFiveThousandLines)
{
    Form2->Hide();
    const uint8_t poll[] = {0xEB, 0x90, 0x01, 0x01, 0x7D};
    const uint8_t reply[] = {0xEB, 0x91};
    Form2->LogFrame(poll, 5, true);
    Form2->LogFrame(reply, 2, false);
    EXPECT_EQ(Form2->LineCount(), 2);
    Form2->Show();
    EXPECT_EQ(MonitorLines(), (std::vector<std::string>{"-->EB 90 01 01 7D ", "<--EB 91 "}));

    ClickToolButton(Form2->ToolButton2);
    Form2->Hide();
    for (int i = 1; i < 4999; ++i)
        Form2->LogFrame(poll, 5, true);
    EXPECT_EQ(Form2->LineCount(), 4998);
    Form2->Show();
    Form2->LogFrame(poll, 5, true);
    EXPECT_EQ(Form2->Memo1->Lines()->Count(), 4999);
    Form2->LogFrame(poll, 5, true);
    EXPECT_EQ(Form2->Memo1->Lines()->Count(), 0) << "the 5000th line empties it";
    EXPECT_EQ(Form2->LineCount(), 0);
}

} // namespace

namespace {

// The main window's layout carries the default skin package; reading the
// layout must turn it into skin objects, not merely store the bytes.
TEST_F(PanelExchange, TheMainWindowCarriesTheDefaultSkinLoaded)
{
    TSkinData* skin = Form1->SkinData1;
    ASSERT_NE(skin, nullptr);
    EXPECT_FALSE(skin->NotLoaded);
    EXPECT_TRUE(skin->GetActive());
    EXPECT_EQ(skin->DisableTag, 99);
    EXPECT_EQ(skin->SkinFormtype, sfMainform);
    EXPECT_TRUE(skin->Options.Contains(xoPreview));
    EXPECT_TRUE(skin->Options.Contains(xoToolbarBK));
    EXPECT_FALSE(skin->SkinControls.Contains(xcMenuItem));
    EXPECT_FALSE(skin->SkinControls.Contains(xcFastReport));
    EXPECT_TRUE(skin->SkinControls.Contains(xcSpeedButton));

    TMemoryStream package;
    package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
    EXPECT_EQ(skin->SkinStream().Bytes(), package.Bytes());
    EXPECT_FALSE(skin->Button->Image->Empty());
    EXPECT_FALSE(skin->BorderTop->Image->Empty());
    EXPECT_EQ(skin->SysButtons.size(), 9u); // six system buttons, then the three MDI ones
}

} // namespace

namespace {

// The level history hears of accepted poll replies only, with the
// parameters the reply carries (weighting, offset, threshold, alarm show and
// reset times), and of the disconnected time as a gap.
TEST_F(PanelExchange, TheLevelHistoryRecordsAcceptedPollRepliesOnly)
{
    const size_t before = Form3->History().Recorder().Recent().Size();
    LoadFromDevice(kDeviceValues, 96);
    std::vector<unsigned char> damaged = PollReply(97, kDeviceValues, 0);
    damaged.back() ^= 1;
    Queue(damaged);
    Tick(2);
    Form1->SpeedButton1->Click(); // "Self Check": its reply is no reading
    std::vector<unsigned char> answer = {0xEB, 0x91, 0x02, 0x03, 0x80};
    answer.push_back(FrameChecksum(answer));
    Queue(answer);
    Tick(2);
    Queue(PollReply(0xE2, kDeviceValues, 0));
    Tick(2);
    const TRing<TLevelSample>& recent = Form3->History().Recorder().Recent();
    ASSERT_EQ(recent.Size(), before + 2) << "the damaged reply and the self check's are not readings";
    const TLevelSample& first = recent[before];
    EXPECT_EQ(first.level, 96);
    EXPECT_EQ(first.weighting, 1) << "dB(A), as the device holds";
    EXPECT_EQ(first.threshold, 95) << "the device's, not the panel's start value";
    EXPECT_EQ(first.offset, -5) << "the reply's microphone offset";
    EXPECT_EQ(first.showTime, 7) << "the reply's alarm show time";
    EXPECT_EQ(first.resetTime, 9) << "the reply's alarm reset time";
    EXPECT_TRUE(first.Over());
    EXPECT_EQ(recent[before + 1].status, TLevelStatus::E2);

    // Unplugged for three seconds: those seconds are gaps that say why.
    Form1->DeviceNotify(CH375_DEVICE_REMOVE);
    Tick(300);
    const TRing<TSecondRecord>& records = Form3->History().Recorder().Records();
    int disconnected = 0;
    for (size_t i = 0; i < records.Size(); ++i)
        disconnected += records[i].status == TLevelStatus::Disconnected && !records[i].HasLevels();
    EXPECT_GE(disconnected, 2);
}

// "Level history..." leads the window's own items in the system menu, after
// the system's own and a separator, with Ctrl+H beside it; the command and
// the key open the window, and a running log shows in the main window's
// caption.
TEST_F(PanelExchange, LevelHistoryOpensFromTheSystemMenuAndCtrlHAndALogShowsInTheCaption)
{
    HMENU sys = GetSystemMenu(Form1->Handle(), FALSE);
    const int n = GetMenuItemCount(sys);
    const int first = n - Form1->SystemItems().Count();
    ASSERT_EQ(Form1->SystemItems().Count(), 3) << "the history, the traffic monitor and the About box";
    char text[64] = {};
    GetMenuStringA(sys, static_cast<UINT>(first), text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Level history...\tCtrl+H");
    EXPECT_TRUE(GetMenuState(sys, static_cast<UINT>(first - 1), MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(GetMenuItemID(sys, first), Form1->SystemItems().CommandOf("Level history..."));
    EXPECT_FALSE(Form3->GetVisible());
    SendMessageA(Form1->Handle(), WM_SYSCOMMAND, GetMenuItemID(sys, first), 0);
    EXPECT_TRUE(Form3->GetVisible());

    SendMessageA(Form3->Handle(), WM_CLOSE, 0, 0);
    Pump();
    EXPECT_FALSE(Form3->GetVisible()) << "closing only hides it";
    Form1->Edit3->SetFocus();
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    PostMessageA(Form1->Edit3->Handle(), WM_KEYDOWN, 'H', 0);
    Application->ProcessMessages(); // the program's own loop, which offers keys to short cuts
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_TRUE(Form3->GetVisible());

    struct TNowhere : TLogSink {
        void Append(std::string_view) override {}
        std::string Name() const override { return "C:\\logs\\hall.csv"; }
    };
    const std::string caption = Form1->Caption();
    Form3->History().StartLog(std::make_unique<TNowhere>());
    EXPECT_EQ(Form1->Caption(), caption + " - logging to hall.csv");
    Form3->History().StopLog();
    EXPECT_EQ(Form1->Caption(), caption);
}

} // namespace
