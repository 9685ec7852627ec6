// Unit1: the main window TForm1, the panel itself. Win32 only.
//
// This unit holds the device connection: opening the device when the window
// is created and whenever it is plugged in, closing it when it is unplugged
// and when the window closes, the flags the exchange cycle obeys, and the
// status label Label9 ("Connected" / "Disconnect").
#pragma once

#include <memory>
#include <string>

#include "device/deviceframe.h"
#include "device/devicelink.h"
#include "device/parameterset.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"
#include "panelprobe.h"

class TForm1 : public TForm {
    ORVANE_CLASS(TForm1, TForm)
    explicit TForm1(TComponent* AOwner);
    ~TForm1() override;

    // --- Controls from the layout
    TLabel* Label9 = nullptr;

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
    RequestKind pendingRequest = RequestKind::None;
    bool suppressDirty = false;

    // --- Handlers named in the layout
    void FormClose(TObject* Sender, TCloseAction& Action);
    void FormShow(TObject* Sender);

    // Brings up the traffic monitor (what the hidden "Debug" button does).
    void ShowMonitor();

    DeviceLink& Link() { return *link_; }

protected:
    void Dispatch(TMessage& Message) override;
    // Answers the requests of panelprobe.h.

private:
    void ShowConnection(bool connected);
    LRESULT AnswerProbe(HWND asker, const COPYDATASTRUCT& request);

    std::unique_ptr<DeviceLink> link_;
};

extern TForm1* Form1;
