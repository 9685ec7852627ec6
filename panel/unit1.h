// Unit1: the main window TForm1, the panel itself. Win32 only.
//
// The window shows the device's reading and level, lets the user set the
// device's nine parameters, and talks to the device on a 1 ms timer: one
// request frame on one tick, its reply on the next. It also holds the device
// connection: opening the device when the window is created and whenever it
// is plugged in, closing it when it is unplugged and when the window closes,
// and the status label Label9 ("Connected" / "Disconnect").
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "device/deviceframe.h"
#include "device/devicelink.h"
#include "device/parameterset.h"
#include "framework/buttons.h"
#include "framework/comctrls.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "framework/sysmenu.h"
#include "panel/exchangelogic.h"
#include "skin/winskindata.h"
#include "widgets/iledrectangle.h"
#include "widgets/isevensegmenthexadecimal.h"
#include "widgets/islider.h"
#include "widgets/iswitchpanel.h"

class TForm1 : public TForm {
    ORVANE_CLASS(TForm1, TForm)
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override;

    // Runs once the layout has made SkinData1, before anything is shown or
    // asked of the device: the skin the user chose for this run.
    static std::function<void(TSkinData&)> ChooseSkin;

    // --- Controls from the layout
    TLabel* Label9 = nullptr;
    TiSevenSegmentHexadecimal* iSevenSegmentHexadecimal1 = nullptr;
    TImage* Image1 = nullptr;
    TImageList* ImageList1 = nullptr;
    TTimer* Timer1 = nullptr;
    TSkinData* SkinData1 = nullptr;
    TiSwitchPanel* iSwitchPanel1 = nullptr;
    TiSlider *iSlider1 = nullptr, *iSlider2 = nullptr, *iSlider3 = nullptr, *iSlider4 = nullptr,
             *iSlider5 = nullptr, *iSlider6 = nullptr, *iSlider7 = nullptr;
    TUpDown *UpDown1 = nullptr, *UpDown3 = nullptr, *UpDown4 = nullptr, *UpDown5 = nullptr,
            *UpDown6 = nullptr, *UpDown7 = nullptr;
    TEdit *Edit1 = nullptr, *Edit3 = nullptr, *Edit4 = nullptr, *Edit5 = nullptr, *Edit6 = nullptr,
          *Edit7 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TRadioGroup* RadioGroup1 = nullptr;
    TSpeedButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
                 *SpeedButton4 = nullptr;

    // --- Device connection
    bool ConnectDevice();
    void DisconnectDevice();
    void DeviceNotify(ULONG EventCode);

    // The device is open and present; the exchange cycle does nothing
    // while it is false.
    bool deviceConnected = false;
    // The next accepted poll reply is taken into parameterSet.
    bool firstReplyPending = false;
    // The controls have been loaded from the device since the last plug-in.
    bool panelLoaded = false;

    // --- Parameter set and exchange state
    void ResetParameters();
    ParameterSet parameterSet = kStartParameters;
    int32_t readingCode = 0;
    int32_t levelTarget = 0;
    // What the user asked for that has not gone out yet.
    PendingRequests pendingRequests;
    // The request written last whose reply the next tick reads.
    RequestKind awaitingReply = RequestKind::None;
    // While set, the panel's own control changes do not ask for a write.
    bool suppressDirty = false;

    // --- Exchange cycle
    // Writes one request; false when the device did not take it.
    bool SendRequest(RequestKind kind);
    // Reads the reply to kind; true when it was accepted.
    bool ReadReply(RequestKind kind);
    // The controls' values, in wire order, into parameterSet.
    void GatherParameters();
    // parameterSet into the controls, in the order the device's values load.
    void LoadControls();

    // --- Reading display
    std::array<TiLedRectangle*, kLevelBarLeds> ledBar{};
    int barLevel = 0;
    // Ticks the bar has stepped since the window was shown.
    uint32_t barTicks = 0;
    void ShowReading();
    void BarStep();
    void ShowLevelBar();
    void ShowInputPicture(int index);

    // --- Control coupling: one re-entrancy flag per slider/spinner/edit
    // group, indexed by the group's number (1, 3 to 7).
    std::array<bool, 8> pairBusy{};
    void MarkWritePending();

    // --- Handlers named in the layout
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormShow(TObject* Sender);
    void Timer1Timer(TObject* Sender);
    void iSlider1PositionChange(TObject* Sender);
    void iSlider2PositionChange(TObject* Sender);
    void iSlider3PositionChange(TObject* Sender);
    void iSlider4PositionChange(TObject* Sender);
    void iSlider5PositionChange(TObject* Sender);
    void iSlider6PositionChange(TObject* Sender);
    void iSlider7PositionChange(TObject* Sender);
    void UpDown1Changing(TObject* Sender, bool& AllowChange);
    void UpDown3Changing(TObject* Sender, bool& AllowChange);
    void UpDown4Changing(TObject* Sender, bool& AllowChange);
    void UpDown5Changing(TObject* Sender, bool& AllowChange);
    void UpDown6Changing(TObject* Sender, bool& AllowChange);
    void UpDown7Changing(TObject* Sender, bool& AllowChange);
    void UpDown1ChangingEx(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction);
    void UpDown3ChangingEx(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction);
    void UpDown4ChangingEx(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction);
    void UpDown5ChangingEx(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction);
    void UpDown6ChangingEx(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction);
    void UpDown7ChangingEx(TObject* Sender, bool& AllowChange, short NewValue, TUpDownDirection Direction);
    void Edit1KeyPress(TObject* Sender, char& Key);
    void Edit3KeyPress(TObject* Sender, char& Key);
    void Edit4KeyPress(TObject* Sender, char& Key);
    void Edit5KeyPress(TObject* Sender, char& Key);
    void Edit6KeyPress(TObject* Sender, char& Key);
    void Edit7KeyPress(TObject* Sender, char& Key);
    void CheckBox1Click(TObject* Sender);
    void RadioGroup1Click(TObject* Sender);
    void iSwitchPanel1PositionChangeFinished(TObject* Sender);
    void SpeedButton1Click(TObject* Sender);
    void SpeedButton2Click(TObject* Sender);
    void SpeedButton3Click(TObject* Sender);
    void SpeedButton4Click(TObject* Sender);

    // Brings up the traffic monitor (what the hidden "Debug" button does).
    void ShowMonitor();
    // Brings up the level history ("Level history..." in the system menu,
    // Ctrl+H).
    void ShowHistory();
    // The version, the licence and the interface library in use ("About
    // Orvane Panel..." in the system menu).
    void ShowAbout();
    // The main window's own items of its system menu, below the system's.
    TSystemMenuItems& SystemItems() { return systemItems_; }

    // --- Edits left without Enter: their number applies as Enter would
    // apply it; text that is no number goes back to the value in force.
    void EditExit(int group);

    DeviceLink& Link() { return *link_; }

protected:
    // A window made anew gets the system menu's items again.
    void CreateWnd() override;
    // The system menu's own items.
    void Dispatch(TMessage& Message) override;

private:
    struct TCoupledGroup {
        TiSlider* slider;
        TUpDown* upDown;
        TEdit* edit;
    };
    TCoupledGroup Group(int n) const;
    void SliderMoved(int group);
    void SpinnerChanging(int group, short NewValue);
    void EditKeyPress(int group, char Key);
    // The edit's number into the slider, its spinner and the device.
    void ApplyEditValue(int group, int32_t value);
    // "Level history..." (when the history window exists), "Traffic
    // monitor" and "About Orvane Panel...", with their keys.
    void BuildSystemMenu();
    // The display while no device answers: the last reading stays, dimmed,
    // so that it does not read as live.
    void ShowDisplayLive(bool live);
    void ShowConnection(bool connected);
    // The level history's running log, shown in the caption.
    void JoinHistory();
    void ShowLogInCaption();

    std::unique_ptr<DeviceLink> link_;
    TSystemMenuItems systemItems_;
    // The caption without the log's note.
    std::string plainCaption_;
};

extern TForm1* Form1;
