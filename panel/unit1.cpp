#include "unit1.h"

#include "monitor/unit2.h"

TForm1* Form1 = nullptr;

namespace {

// Write and read time-outs: long enough for a device that is busy saving.
constexpr ULONG kTimeoutMs = 3000;

} // namespace

const TClassInfo& TForm1::StaticClass()
{
    static const TClassInfo& info = PublishClass<TForm1>()
                                        .Field("Label9", &TForm1::Label9)
                                        .Handler<TCloseEvent>("FormClose", &TForm1::FormClose)
                                        .Handler<TNotifyEvent>("FormShow", &TForm1::FormShow);
    return info;
}

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner)
{
    LoadLayout();
    link_ = std::make_unique<DeviceLink>([this](ULONG code) { DeviceNotify(code); });
    if (!ConnectDevice()) {
        Application->MessageBox("No connect device!", Application->Title, MB_OK);
        // Not the main form yet: this only runs FormClose and keeps the
        // window hidden; the message loop shows it as usual.
        Close();
    }
    ResetParameters();
}

TForm1::~TForm1() = default;

void TForm1::ShowConnection(bool connected)
{
    deviceConnected = connected;
    if (Label9) Label9->SetCaption(connected ? "Connected" : "Disconnect");
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

void TForm1::ResetParameters()
{
    parameterSet = kStartParameters;
    readingCode = 0;
    levelTarget = 0;
    pendingRequest = RequestKind::None;
    firstReplyPending = true;
    suppressDirty = false;
    panelLoaded = false;
}

void TForm1::FormClose(TObject*, TCloseAction&)
{
    // Whether or not it is open: closing is harmless either way.
    link_->CloseDevice();
}

void TForm1::FormShow(TObject*)
{
    // The reading display and the exchange cycle start here once they exist.
}

void TForm1::ShowMonitor()
{
    if (Form2) Form2->Show();
}

void TForm1::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_COPYDATA && Message.LParam) {
        Message.Result = AnswerProbe(reinterpret_cast<HWND>(Message.WParam),
                                     *reinterpret_cast<const COPYDATASTRUCT*>(Message.LParam));
        return;
    }
    TForm::Dispatch(Message);
}

LRESULT TForm1::AnswerProbe(HWND asker, const COPYDATASTRUCT& request)
{
    switch (request.dwData) {
    case ProbeQueryText: {
        const std::string name(static_cast<const char*>(request.lpData), request.cbData);
        auto* control = dynamic_cast<TControl*>(FindComponent(name));
        if (!control || !IsWindow(asker)) return 0;
        std::string text = control->Caption();
        COPYDATASTRUCT reply{ProbeText, static_cast<DWORD>(text.size()), text.data()};
        SendMessageA(asker, WM_COPYDATA, reinterpret_cast<WPARAM>(Handle()),
                     reinterpret_cast<LPARAM>(&reply));
        return 1;
    }
    case ProbeShowMonitor:
        ShowMonitor();
        return Form2 ? 1 : 0;
    default:
        return 0;
    }
}
