#include "panel/unit1.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "history/unit3.h"
#include "monitor/unit2.h"
#include "panel/aboutbox.h"

TForm1* Form1 = nullptr;

namespace {

// Write and read time-outs: long enough for a device that is busy saving.
constexpr ULONG kTimeoutMs = 3000;

// The panel's own control changes while it loads the device's values.
class TSuppressDirty {
public:
    explicit TSuppressDirty(bool& flag) : flag_(flag) { flag_ = true; }
    ~TSuppressDirty() { flag_ = false; }
    TSuppressDirty(const TSuppressDirty&) = delete;
    TSuppressDirty& operator=(const TSuppressDirty&) = delete;

private:
    bool& flag_;
};

int16_t SpinnerValue(double sliderPosition)
{
    return static_cast<int16_t>(std::trunc(sliderPosition));
}

} // namespace

const TClassInfo& TForm1::StaticClass()
{
    using T = TForm1;
    static const TClassInfo& info =
        PublishClass<T>()
            .Field("Label9", &T::Label9)
            .Field("iSevenSegmentHexadecimal1", &T::iSevenSegmentHexadecimal1)
            .Field("Image1", &T::Image1)
            .Field("ImageList1", &T::ImageList1)
            .Field("Timer1", &T::Timer1)
            .Field("SkinData1", &T::SkinData1)
            .Field("iSwitchPanel1", &T::iSwitchPanel1)
            .Field("iSlider1", &T::iSlider1)
            .Field("iSlider2", &T::iSlider2)
            .Field("iSlider3", &T::iSlider3)
            .Field("iSlider4", &T::iSlider4)
            .Field("iSlider5", &T::iSlider5)
            .Field("iSlider6", &T::iSlider6)
            .Field("iSlider7", &T::iSlider7)
            .Field("UpDown1", &T::UpDown1)
            .Field("UpDown3", &T::UpDown3)
            .Field("UpDown4", &T::UpDown4)
            .Field("UpDown5", &T::UpDown5)
            .Field("UpDown6", &T::UpDown6)
            .Field("UpDown7", &T::UpDown7)
            .Field("Edit1", &T::Edit1)
            .Field("Edit3", &T::Edit3)
            .Field("Edit4", &T::Edit4)
            .Field("Edit5", &T::Edit5)
            .Field("Edit6", &T::Edit6)
            .Field("Edit7", &T::Edit7)
            .Field("CheckBox1", &T::CheckBox1)
            .Field("RadioGroup1", &T::RadioGroup1)
            .Field("SpeedButton1", &T::SpeedButton1)
            .Field("SpeedButton2", &T::SpeedButton2)
            .Field("SpeedButton3", &T::SpeedButton3)
            .Field("SpeedButton4", &T::SpeedButton4)
            .Handler<TCloseEvent>("FormClose", &T::FormClose)
            .Handler<TNotifyEvent>("FormShow", &T::FormShow)
            .Handler<TNotifyEvent>("Timer1Timer", &T::Timer1Timer)
            .Handler<TNotifyEvent>("iSlider1PositionChange", &T::iSlider1PositionChange)
            .Handler<TNotifyEvent>("iSlider2PositionChange", &T::iSlider2PositionChange)
            .Handler<TNotifyEvent>("iSlider3PositionChange", &T::iSlider3PositionChange)
            .Handler<TNotifyEvent>("iSlider4PositionChange", &T::iSlider4PositionChange)
            .Handler<TNotifyEvent>("iSlider5PositionChange", &T::iSlider5PositionChange)
            .Handler<TNotifyEvent>("iSlider6PositionChange", &T::iSlider6PositionChange)
            .Handler<TNotifyEvent>("iSlider7PositionChange", &T::iSlider7PositionChange)
            .Handler<TUDChangingEvent>("UpDown1Changing", &T::UpDown1Changing)
            .Handler<TUDChangingEvent>("UpDown3Changing", &T::UpDown3Changing)
            .Handler<TUDChangingEvent>("UpDown4Changing", &T::UpDown4Changing)
            .Handler<TUDChangingEvent>("UpDown5Changing", &T::UpDown5Changing)
            .Handler<TUDChangingEvent>("UpDown6Changing", &T::UpDown6Changing)
            .Handler<TUDChangingEvent>("UpDown7Changing", &T::UpDown7Changing)
            .Handler<TUDChangingEventEx>("UpDown1ChangingEx", &T::UpDown1ChangingEx)
            .Handler<TUDChangingEventEx>("UpDown3ChangingEx", &T::UpDown3ChangingEx)
            .Handler<TUDChangingEventEx>("UpDown4ChangingEx", &T::UpDown4ChangingEx)
            .Handler<TUDChangingEventEx>("UpDown5ChangingEx", &T::UpDown5ChangingEx)
            .Handler<TUDChangingEventEx>("UpDown6ChangingEx", &T::UpDown6ChangingEx)
            .Handler<TUDChangingEventEx>("UpDown7ChangingEx", &T::UpDown7ChangingEx)
            .Handler<TKeyPressEvent>("Edit1KeyPress", &T::Edit1KeyPress)
            .Handler<TKeyPressEvent>("Edit3KeyPress", &T::Edit3KeyPress)
            .Handler<TKeyPressEvent>("Edit4KeyPress", &T::Edit4KeyPress)
            .Handler<TKeyPressEvent>("Edit5KeyPress", &T::Edit5KeyPress)
            .Handler<TKeyPressEvent>("Edit6KeyPress", &T::Edit6KeyPress)
            .Handler<TKeyPressEvent>("Edit7KeyPress", &T::Edit7KeyPress)
            .Handler<TNotifyEvent>("CheckBox1Click", &T::CheckBox1Click)
            .Handler<TNotifyEvent>("RadioGroup1Click", &T::RadioGroup1Click)
            .Handler<TNotifyEvent>("iSwitchPanel1PositionChangeFinished",
                                   &T::iSwitchPanel1PositionChangeFinished)
            .Handler<TNotifyEvent>("SpeedButton1Click", &T::SpeedButton1Click)
            .Handler<TNotifyEvent>("SpeedButton2Click", &T::SpeedButton2Click)
            .Handler<TNotifyEvent>("SpeedButton3Click", &T::SpeedButton3Click)
            .Handler<TNotifyEvent>("SpeedButton4Click", &T::SpeedButton4Click);
    return info;
}

std::function<void(TSkinData&)> TForm1::ChooseSkin;

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner)
{
    // The layout's controls that the code never names.
    RegisterClasses<TPanel, TShape, TLabel, TGroupBox, TiLedRectangle>();
    LoadLayout();
    if (ChooseSkin && SkinData1) ChooseSkin(*SkinData1);
    for (int group : {1, 3, 4, 5, 6, 7})
        Group(group).edit->OnExit = [this, group](TObject*) { EditExit(group); };
    link_ = std::make_unique<DeviceLink>([this](ULONG code) { DeviceNotify(code); });
    if (!ConnectDevice()) {
        Application->MessageBox("No connect device!", Application->Title, MB_OK);
        // Not the main form yet: this only runs FormClose and keeps the
        // window hidden; the message loop shows it as usual. A device plugged
        // in while the message was open has been opened in its loop, and
        // FormClose would close it again under a panel showing "Connected".
        if (!deviceConnected) Close();
    }
    ResetParameters();
}

TForm1::~TForm1()
{
    // The history window outlives this one at exit.
    if (Form3) Form3->OnLogChanged = nullptr;
}

// ---------------------------------------------------------------------------
// Device connection

void TForm1::ShowConnection(bool connected)
{
    deviceConnected = connected;
    if (Label9) Label9->SetCaption(connected ? "Connected" : "Disconnect");
    // Live again only with the first reply accepted, not with the open.
    if (!connected) ShowDisplayLive(false);
}

void TForm1::ShowDisplayLive(bool live)
{
    // The widget's own "power off" look: lit segments in the off colour.
    if (iSevenSegmentHexadecimal1) iSevenSegmentHexadecimal1->SetPowerOff(!live);
}

bool TForm1::ConnectDevice()
{
    if (!link_->Available()) {
        // Without the library nothing tells us of a later plug-in either.
        ShowConnection(false);
        firstReplyPending = false;
        return false;
    }
    const bool opened = link_->OpenDevice();
    ShowConnection(opened);
    firstReplyPending = opened;
    if (opened) {
        // The device's own values load first. What was asked while no device
        // was there (or of the one before) must not overwrite them, and the
        // reply to a request of a former connection never comes.
        pendingRequests.Clear();
        awaitingReply = RequestKind::None;
    }
    // Also after a failed open: the notification is what lets a device
    // plugged in later be found.
    link_->SetTimeout(kTimeoutMs, kTimeoutMs);
    link_->SetExclusive(false);
    link_->SetDeviceNotify();
    link_->SetExclusive(true);
    return deviceConnected;
}

void TForm1::DisconnectDevice()
{
    link_->CloseDevice();
    ShowConnection(false);
}

void TForm1::DeviceNotify(ULONG EventCode)
{
    switch (EventCode) {
    case CH375_DEVICE_ARRIVAL:
        // An arrival whose open fails (another program holds the device)
        // stays disconnected: the status shows what the open found.
        ConnectDevice();
        break;
    case CH375_DEVICE_REMOVE:
        DisconnectDevice();
        panelLoaded = false;
        break;
    default:
        break;
    }
}

void TForm1::FormClose(TObject*, TCloseAction&)
{
    // Whether or not it is open: closing is harmless either way.
    link_->CloseDevice();
}

// ---------------------------------------------------------------------------
// Parameter set

void TForm1::ResetParameters()
{
    parameterSet = kStartParameters;
    readingCode = 0;
    levelTarget = 0;
    pendingRequests.Clear();
    firstReplyPending = true;
    suppressDirty = false;
    panelLoaded = false;
}

void TForm1::GatherParameters()
{
    parameterSet = ::GatherParameters(PanelControlValues{
        RadioGroup1->GetItemIndex(),
        UpDown1->GetPosition(),
        iSlider2->GetPosition(),
        UpDown3->GetPosition(),
        UpDown4->GetPosition(),
        UpDown5->GetPosition(),
        CheckBox1->GetChecked(),
        UpDown6->GetPosition(),
        UpDown7->GetPosition(),
    });
}

void TForm1::LoadControls()
{
    const PanelControlValues v = ControlValuesFor(parameterSet);
    // Each spinner brings its slider and edit along; the controls hold what
    // lies outside their ranges at the nearest end.
    auto spinner = [](int value) { return static_cast<int16_t>(std::clamp(value, -32768, 32767)); };
    UpDown1->SetPosition(spinner(v.upDown1));
    iSlider2->SetPosition(v.slider2);
    UpDown3->SetPosition(spinner(v.upDown3));
    UpDown4->SetPosition(spinner(v.upDown4));
    UpDown5->SetPosition(spinner(v.upDown5));
    UpDown6->SetPosition(spinner(v.upDown6));
    UpDown7->SetPosition(spinner(v.upDown7));
    RadioGroup1->SetItemIndex(v.radioItem);
    CheckBox1->SetChecked(v.checkBox1);
}

// ---------------------------------------------------------------------------
// Exchange cycle

void TForm1::Timer1Timer(TObject*)
{
    // Disconnected time is recorded too, as a gap.
    if (Form3) Form3->RecordTick(deviceConnected);
    if (!deviceConnected) return;
    const ExchangeTurn turn = NextExchangeTurn(awaitingReply, pendingRequests, panelLoaded);
    if (turn.read) {
        ReadReply(turn.kind);
        awaitingReply = RequestKind::None;
    } else {
        pendingRequests.Sent(turn.kind, SendRequest(turn.kind));
    }
    BarStep();
}

bool TForm1::SendRequest(RequestKind kind)
{
    if (kind == RequestKind::WriteParameters) GatherParameters();
    const RequestFrame frame = BuildRequest(kind, parameterSet);
    try {
        ULONG length = static_cast<ULONG>(frame.length);
        if (!link_->WriteData(frame.bytes.data(), length)) return false;
        if (Form2) Form2->LogFrame(frame.bytes.data(), std::min<size_t>(length, frame.bytes.size()), true);
        awaitingReply = kind;
        return true;
    } catch (...) {
        // Device traffic never troubles the user; the monitor shows the gap.
        return false;
    }
}

bool TForm1::ReadReply(RequestKind kind)
{
    DeviceFrame buffer{};
    ULONG length = kDeviceFrameSize;
    bool read = false;
    try {
        read = link_->ReadData(buffer.data(), length);
        if (read) {
            length = std::min<ULONG>(length, kDeviceFrameSize);
            if (Form2) Form2->LogFrame(buffer.data(), length, false);
        }
    } catch (...) {
        return false;
    }
    if (!CheckReply(buffer, read ? static_cast<int64_t>(length) : 0, read)) return false;
    ShowDisplayLive(true);
    if (kind != RequestKind::Poll) return true;

    // A late acknowledgement read where the poll's reply was due carries no
    // reading and no parameters: it changes nothing, as a rejected reply.
    const std::optional<PollReply> reply = DecodePollReply(buffer);
    if (!reply) return true;
    readingCode = reply->reading;
    levelTarget = reply->level;
    // Judged against the threshold held now, before the reply's own.
    ShowReading();
    if (firstReplyPending) {
        parameterSet = ParametersFromPollReply(*reply);
        if (!panelLoaded && deviceConnected) {
            panelLoaded = true;
            {
                TSuppressDirty quiet(suppressDirty);
                LoadControls();
                ShowInputPicture(InputTypeImageIndex(reply->inputCode));
            }
        }
        firstReplyPending = false;
    }
    // With the parameters the reply carries: what the device measured and
    // judged its alarm with.
    if (Form3) Form3->RecordReply(reply->reading, ParametersFromPollReply(*reply));
    return true;
}

// ---------------------------------------------------------------------------
// Reading display

void TForm1::FormShow(TObject*)
{
    for (int n = 0; n < kLevelBarLeds; ++n)
        ledBar[static_cast<size_t>(n)] =
            dynamic_cast<TiLedRectangle*>(FindComponent("iLedRectangle" + std::to_string(n + 1)));
    for (TiLedRectangle* led : ledBar)
        if (led) led->SetActive(false);
    barLevel = 1;
    barTicks = 0;
    ShowInputPicture(2);
    iSevenSegmentHexadecimal1->SetValue("E1");
    iSevenSegmentHexadecimal1->SetSegmentColor(clRed);
    ShowDisplayLive(deviceConnected);
    pairBusy.fill(false);
    // The first showing: the history window exists by now.
    if (systemItems_.Count() == 0) {
        BuildSystemMenu();
        JoinHistory();
    }
    Timer1->SetEnabled(true);
}

void TForm1::ShowReading()
{
    const ReadingShow show = ShowReadingFor(static_cast<uint8_t>(readingCode), parameterSet.alarmThreshold);
    iSevenSegmentHexadecimal1->SetValue(show.text);
    iSevenSegmentHexadecimal1->SetSegmentColor(show.color);
}

void TForm1::BarStep()
{
    ++barTicks;
    barLevel = NextBarLevel(barLevel, levelTarget, static_cast<uint8_t>(readingCode));
    ShowLevelBar();
}

void TForm1::ShowLevelBar()
{
    // A lamp already in the state asked for does not repaint.
    for (int i = 0; i < kLevelBarLeds; ++i)
        if (TiLedRectangle* led = ledBar[static_cast<size_t>(i)]) led->SetActive(i < barLevel);
}

void TForm1::ShowInputPicture(int index)
{
    if (index >= 0 && index < ImageList1->Count()) {
        TBitmap picture;
        ImageList1->GetBitmap(index, &picture);
        Image1->Picture()->SetBitmap(&picture);
    } else {
        // A code the device made up has no picture: show none.
        Image1->Picture()->Assign(nullptr);
    }
}

// ---------------------------------------------------------------------------
// Control coupling

void TForm1::MarkWritePending()
{
    if (!suppressDirty) pendingRequests.MarkWrite();
}

TForm1::TCoupledGroup TForm1::Group(int n) const
{
    switch (n) {
    case 1:
        return {iSlider1, UpDown1, Edit1};
    case 3:
        return {iSlider3, UpDown3, Edit3};
    case 4:
        return {iSlider4, UpDown4, Edit4};
    case 5:
        return {iSlider5, UpDown5, Edit5};
    case 6:
        return {iSlider6, UpDown6, Edit6};
    default:
        return {iSlider7, UpDown7, Edit7};
    }
}

void TForm1::SliderMoved(int group)
{
    bool& busy = pairBusy[static_cast<size_t>(group)];
    if (busy) return;
    busy = true;
    const TCoupledGroup g = Group(group);
    g.upDown->SetPosition(SpinnerValue(g.slider->GetPosition()));
    MarkWritePending();
    busy = false;
}

void TForm1::SpinnerChanging(int group, short NewValue)
{
    bool& busy = pairBusy[static_cast<size_t>(group)];
    if (busy) return;
    busy = true;
    Group(group).slider->SetPosition(NewValue);
    MarkWritePending();
    busy = false;
}

void TForm1::ApplyEditValue(int group, int32_t value)
{
    bool& busy = pairBusy[static_cast<size_t>(group)];
    if (busy) return;
    const TCoupledGroup g = Group(group);
    busy = true;
    try {
        // The slider holds the value within its range; spinner and edit
        // then show what the slider holds.
        g.slider->SetPosition(value);
        g.upDown->SetPosition(SpinnerValue(g.slider->GetPosition()));
        MarkWritePending();
    } catch (...) {
        busy = false;
        throw;
    }
    busy = false;
}

void TForm1::EditKeyPress(int group, char Key)
{
    if (Key != '\r') return;
    try {
        ApplyEditValue(group, StrToInt(Group(group).edit->GetText()));
    } catch (const Exception&) {
        Application->MessageBox("Data format error!", Application->Title, MB_OK);
    }
}

void TForm1::EditExit(int group)
{
    // Focus moves while the window is taken down too; nothing is applied then.
    if (ComponentState().Contains(csDestroying)) return;
    const TCoupledGroup g = Group(group);
    int32_t value = 0;
    // Leaving an edit untouched writes nothing; a box on focus loss would
    // fight the click that moved the focus, so bad text just goes back.
    if (TryStrToInt(g.edit->GetText(), value) && value != SpinnerValue(g.slider->GetPosition()))
        ApplyEditValue(group, value);
    const std::string shown = std::to_string(g.upDown->GetPosition());
    if (g.edit->GetText() != shown) g.edit->SetText(shown);
}

void TForm1::iSlider1PositionChange(TObject*)
{
    SliderMoved(1);
}
void TForm1::iSlider2PositionChange(TObject*)
{
    MarkWritePending();
}
void TForm1::iSlider3PositionChange(TObject*)
{
    SliderMoved(3);
}
void TForm1::iSlider4PositionChange(TObject*)
{
    SliderMoved(4);
}
void TForm1::iSlider5PositionChange(TObject*)
{
    SliderMoved(5);
}
void TForm1::iSlider6PositionChange(TObject*)
{
    SliderMoved(6);
}
void TForm1::iSlider7PositionChange(TObject*)
{
    SliderMoved(7);
}

// The change is always allowed; following it is the Ex handlers' work.
void TForm1::UpDown1Changing(TObject*, bool& AllowChange)
{
    AllowChange = true;
}
void TForm1::UpDown3Changing(TObject*, bool& AllowChange)
{
    AllowChange = true;
}
void TForm1::UpDown4Changing(TObject*, bool& AllowChange)
{
    AllowChange = true;
}
void TForm1::UpDown5Changing(TObject*, bool& AllowChange)
{
    AllowChange = true;
}
void TForm1::UpDown6Changing(TObject*, bool& AllowChange)
{
    AllowChange = true;
}
void TForm1::UpDown7Changing(TObject*, bool& AllowChange)
{
    AllowChange = true;
}

void TForm1::UpDown1ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection)
{
    SpinnerChanging(1, NewValue);
    AllowChange = true;
}
void TForm1::UpDown3ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection)
{
    SpinnerChanging(3, NewValue);
    AllowChange = true;
}
void TForm1::UpDown4ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection)
{
    SpinnerChanging(4, NewValue);
    AllowChange = true;
}
void TForm1::UpDown5ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection)
{
    SpinnerChanging(5, NewValue);
    AllowChange = true;
}
void TForm1::UpDown6ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection)
{
    SpinnerChanging(6, NewValue);
    AllowChange = true;
}
void TForm1::UpDown7ChangingEx(TObject*, bool& AllowChange, short NewValue, TUpDownDirection)
{
    SpinnerChanging(7, NewValue);
    AllowChange = true;
}

void TForm1::Edit1KeyPress(TObject*, char& Key)
{
    EditKeyPress(1, Key);
}
void TForm1::Edit3KeyPress(TObject*, char& Key)
{
    EditKeyPress(3, Key);
}
void TForm1::Edit4KeyPress(TObject*, char& Key)
{
    EditKeyPress(4, Key);
}
void TForm1::Edit5KeyPress(TObject*, char& Key)
{
    EditKeyPress(5, Key);
}
void TForm1::Edit6KeyPress(TObject*, char& Key)
{
    EditKeyPress(6, Key);
}
void TForm1::Edit7KeyPress(TObject*, char& Key)
{
    EditKeyPress(7, Key);
}

// Any change of the box, by mouse, by the space bar or by "Default
// Parameter": a box showing what the device does not hold would be a lie.
void TForm1::CheckBox1Click(TObject*)
{
    MarkWritePending();
}

void TForm1::RadioGroup1Click(TObject*)
{
    // Also while loading the device's values: a changed selection is written
    // back once.
    pendingRequests.MarkWrite();
    ShowInputPicture(InputTypeImageIndex(InputCodeFromItem(RadioGroup1->GetItemIndex())));
}

void TForm1::iSwitchPanel1PositionChangeFinished(TObject*)
{
    pendingRequests.MarkWrite();
    ShowInputPicture(iSwitchPanel1->GetPosition());
}

void TForm1::SpeedButton1Click(TObject*)
{
    pendingRequests.Ask(RequestKind::SelfCheck);
}
void TForm1::SpeedButton2Click(TObject*)
{
    pendingRequests.Ask(RequestKind::SaveParameters);
}

void TForm1::SpeedButton3Click(TObject*)
{
    parameterSet = kDefaultParameters;
    // No suppressDirty: each control that really changes asks for the write.
    UpDown1->SetPosition(static_cast<int16_t>(kDefaultParameters.micOffset));
    iSlider2->SetPosition(kDefaultParameters.vuRefreshTime);
    UpDown3->SetPosition(static_cast<int16_t>(kDefaultParameters.alarmThreshold));
    UpDown4->SetPosition(static_cast<int16_t>(kDefaultParameters.numberBrightness));
    UpDown5->SetPosition(static_cast<int16_t>(kDefaultParameters.vuBrightness));
    UpDown6->SetPosition(static_cast<int16_t>(kDefaultParameters.alarmShowTime));
    UpDown7->SetPosition(static_cast<int16_t>(kDefaultParameters.alarmResetTime));
    RadioGroup1->SetItemIndex(ItemFromInputCode(kDefaultParameters.micInputType));
    CheckBox1->SetChecked(kDefaultParameters.autoBrightness != 0);
}

void TForm1::SpeedButton4Click(TObject*)
{
    ShowMonitor();
}

void TForm1::ShowMonitor()
{
    if (Form2) Form2->Show();
}

// ---------------------------------------------------------------------------
// System menu and level history

void TForm1::BuildSystemMenu()
{
    // One list for every window this one opens, below the system's own; the
    // skinned frame copies it from the window's system menu.
    if (Form3) systemItems_.Add("Level history...", scCtrl | 'H', [this] { ShowHistory(); });
    systemItems_.Add("Traffic monitor", scCtrl | 'D', [this] { ShowMonitor(); });
    systemItems_.Add("About Orvane Panel...", scNone, [this] { ShowAbout(); });
    systemItems_.Attach(Handle());
    // Offered every key before the focused control, so that the keys work
    // whichever control has the focus.
    OnShortCut = [this](uint16_t key, bool& handled) { handled = systemItems_.ShortCut(key); };
}

void TForm1::JoinHistory()
{
    if (!Form3) return;
    plainCaption_ = Caption();
    Form3->OnLogChanged = [this](TObject*) { ShowLogInCaption(); };
    ShowLogInCaption();
}

void TForm1::ShowHistory()
{
    if (Form3) Form3->ShowHistory();
}

void TForm1::ShowLogInCaption()
{
    if (!Form3 || !Form3->History().Logging()) {
        SetCaption(plainCaption_);
        return;
    }
    std::string name = Form3->History().LogName();
    if (const size_t slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    SetCaption(plainCaption_ + " - logging to " + Utf8ToAnsi(name));
}

void TForm1::ShowAbout()
{
    const bool loaded = link_ && link_->Available();
    Application->MessageBox(AboutText(link_ ? link_->LibraryPath() : "CH375DLL.DLL", loaded),
                            "About Orvane Panel", MB_OK | MB_ICONINFORMATION);
}

void TForm1::CreateWnd()
{
    TForm::CreateWnd();
    // A window made anew has a fresh system menu: the items go on it again.
    systemItems_.Attach(GetHandleIfAllocated());
}

void TForm1::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_SYSCOMMAND && systemItems_.SysCommand(Message.WParam)) {
        Message.Result = 0;
        return;
    }
    TForm::Dispatch(Message);
}
