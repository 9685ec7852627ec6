#include "ctl/librarydeviceport.h"

namespace {

constexpr ULONG kDevice = 0;

// The library's operations answer only yes or no. A failed open leaves the
// reason in the thread's last error, as opening any device file does: in use
// by another program, or not there.
bool HeldElsewhere(DWORD error)
{
    return error == ERROR_BUSY || error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

} // namespace

TDevicePort::TOpenResult TLibraryDevicePort::Open()
{
    if (!library_.Load()) return {TState::Absent, "cannot load " + library_.Path()};
    // The panel's order: time-outs, then the device, then the claim.
    library_.SetTimeout(kDevice, kCtlWriteTimeoutMs, kCtlReadTimeoutMs);
    SetLastError(ERROR_SUCCESS);
    if (library_.OpenDevice(kDevice) == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (HeldElsewhere(error)) return {TState::Busy, "held by another program"};
        return {TState::Absent, {}};
    }
    open_ = true;
    library_.SetExclusive(kDevice, 1);
    return {TState::Opened, {}};
}

std::unique_ptr<TDevicePort> MakeDevicePort()
{
    return std::make_unique<TLibraryDevicePort>();
}

void TLibraryDevicePort::Close()
{
    if (!open_) return;
    open_ = false;
    library_.CloseDevice(kDevice);
}

bool TLibraryDevicePort::Write(std::span<const uint8_t> frame)
{
    ULONG length = static_cast<ULONG>(frame.size());
    return library_.WriteData(kDevice, const_cast<uint8_t*>(frame.data()), &length) && length == frame.size();
}

std::optional<size_t> TLibraryDevicePort::Read(std::span<uint8_t> buffer)
{
    ULONG length = static_cast<ULONG>(buffer.size());
    if (!library_.ReadData(kDevice, buffer.data(), &length)) return std::nullopt;
    return length;
}
