// DeviceLink: the panel's thin layer over CH375DLL.DLL. The library is
// loaded at run time, from the program's own folder first and else from the
// system folder, where the chip vendor's installer puts its own; so either
// ours or the vendor's serves. Every operation addresses device 0 and no
// device handle is kept here. Win32 only.
//
// The library reports plugging and unplugging on a thread of its own. The
// event code is posted to a hidden window and handed to the notify handler
// on the thread that created the link (the user-interface thread), so the
// handler never runs beside the exchange cycle's timer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "device/ch375library.h"

class TUtilityWindow;

class DeviceLink {
public:
    using TNotifyHandler = std::function<void(ULONG EventCode)>;

    // Tries to load the library at once; Available() says whether it did.
    explicit DeviceLink(TNotifyHandler onNotify);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Loaded with all seven operations. A library that was missing is looked
    // for again, so one placed beside the program later is still found.
    bool Available();
    // The library in use, or (none loaded) the place looked at first.
    const std::string& LibraryPath() const { return library_.Path(); }

    // False when the library answers -1 (or is not there).
    bool OpenDevice();
    void CloseDevice();
    void SetTimeout(ULONG WriteTimeout, ULONG ReadTimeout);
    void SetExclusive(bool Exclusive);
    // Registers this link's routine with the library (an empty identifier:
    // there is one kind of device). Plug events go to the handler from now
    // on; a link registered later takes them over.
    void SetDeviceNotify();
    // Length: bytes to send in, bytes sent out.
    bool WriteData(const void* Buffer, ULONG& Length);
    // Length: capacity in, bytes received out.
    bool ReadData(void* Buffer, ULONG& Length);

    // The window plug events are posted to, and the message they come as
    // (wParam: the event code).
    HWND NotifyWindow() const;
    static constexpr UINT WM_DEVICENOTIFY = WM_APP + 0x375;

private:
    void Unregister();
    static void CALLBACK NotifyRoutine(ULONG EventStatus);

    TNotifyHandler onNotify_;
    TCh375Library library_;
    std::unique_ptr<TUtilityWindow> window_;
    bool registered_ = false;
};
