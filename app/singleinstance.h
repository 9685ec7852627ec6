// One panel per device: a second start finds the panel already running for
// that device, brings it to the front and leaves. Win32 only.
//
// The claim is a named shared block holding the first panel's process id,
// alive while that panel runs (the system frees it when the process ends,
// also after a crash). Its name carries the device the interface library
// reaches: always device 0 through the chip maker's library, a port of the
// simulator through ours (ORVANE_SIM_PORT; its default port is the same
// device as no variable). Panels for different simulators, as the
// end-to-end tests start them, each get their own.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

class TPanelInstance {
public:
    // Claims the device's name; Claimed() says whether this is the first.
    explicit TPanelInstance(const std::string& name);
    ~TPanelInstance();
    TPanelInstance(const TPanelInstance&) = delete;
    TPanelInstance& operator=(const TPanelInstance&) = delete;

    bool Claimed() const { return claimed_; }
    // For a second start: the running panel's window to the front (its
    // message box when one is open). Waits up to timeoutMs for a panel still
    // starting to show a window; false when none showed.
    bool BringRunningToFront(DWORD timeoutMs) const;

    // The claim's name for the device this process's library reaches.
    static std::string NameForThisDevice();

private:
    HANDLE block_ = nullptr;
    volatile DWORD* processId_ = nullptr;
    bool claimed_ = false;
};
