#include "device/devicelink.h"

#include <atomic>

#include "framework/controls.h"

namespace {

constexpr ULONG kDevice = 0;

// The library calls a plain routine with nothing but the event code, so the
// window it is posted to has to be known without an object: the window of
// the link that registered last.
std::atomic<HWND> notifyTarget{nullptr};

} // namespace

DeviceLink::DeviceLink(TNotifyHandler onNotify) : onNotify_(std::move(onNotify))
{
    window_ = std::make_unique<TUtilityWindow>([this](TMessage& Message) {
        if (Message.Msg != WM_DEVICENOTIFY) return false;
        if (onNotify_) onNotify_(static_cast<ULONG>(Message.WParam));
        return true;
    });
    library_.Load();
}

DeviceLink::~DeviceLink()
{
    Unregister();
    // The module goes after the window: a notification already posted then
    // finds no window rather than a handler of a link that is gone.
    window_.reset();
}

bool DeviceLink::Available()
{
    return library_.Load();
}

HWND DeviceLink::NotifyWindow() const
{
    return window_ ? window_->Handle() : nullptr;
}

bool DeviceLink::OpenDevice()
{
    return library_.Loaded() && library_.OpenDevice(kDevice) != INVALID_HANDLE_VALUE;
}

void DeviceLink::CloseDevice()
{
    if (library_.Loaded()) library_.CloseDevice(kDevice);
}

void DeviceLink::SetTimeout(ULONG WriteTimeout, ULONG ReadTimeout)
{
    if (library_.Loaded()) library_.SetTimeout(kDevice, WriteTimeout, ReadTimeout);
}

void DeviceLink::SetExclusive(bool Exclusive)
{
    if (library_.Loaded()) library_.SetExclusive(kDevice, Exclusive ? 1 : 0);
}

void DeviceLink::SetDeviceNotify()
{
    if (!library_.Loaded()) return;
    notifyTarget.store(NotifyWindow());
    char noIdentifier[1] = {};
    library_.SetDeviceNotify(kDevice, noIdentifier, &DeviceLink::NotifyRoutine);
    registered_ = true;
}

void DeviceLink::Unregister()
{
    if (!registered_ || !library_.Loaded()) return;
    registered_ = false;
    HWND mine = NotifyWindow();
    // Another link took the events over: leave its registration alone.
    if (!notifyTarget.compare_exchange_strong(mine, nullptr)) return;
    // Once this returns the routine is not running any more.
    char noIdentifier[1] = {};
    library_.SetDeviceNotify(kDevice, noIdentifier, nullptr);
}

bool DeviceLink::WriteData(const void* Buffer, ULONG& Length)
{
    if (!library_.Loaded()) {
        Length = 0;
        return false;
    }
    return library_.WriteData(kDevice, const_cast<void*>(Buffer), &Length) != FALSE;
}

bool DeviceLink::ReadData(void* Buffer, ULONG& Length)
{
    if (!library_.Loaded()) {
        Length = 0;
        return false;
    }
    return library_.ReadData(kDevice, Buffer, &Length) != FALSE;
}

void CALLBACK DeviceLink::NotifyRoutine(ULONG EventStatus)
{
    // On the library's thread: only hand the code over.
    if (HWND target = notifyTarget.load()) PostMessageA(target, WM_DEVICENOTIFY, EventStatus, 0);
}
