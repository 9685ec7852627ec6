#include "device/devicelink.h"

#include <atomic>

#include "framework/controls.h"

namespace {

constexpr ULONG kDevice = 0;

// The library calls a plain routine with nothing but the event code, so the
// window it is posted to has to be known without an object: the window of
// the link that registered last.
std::atomic<HWND> notifyTarget{nullptr};

constexpr char kLibraryName[] = "CH375DLL.DLL";

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string ModulePath(HMODULE module)
{
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, n < MAX_PATH ? n : 0);
}

// The folder the chip maker's installer puts its library into. Only that
// folder is searched: never the current folder or PATH, where anybody could
// leave a library of that name.
HMODULE LoadFromSystemFolder()
{
    HMODULE module = LoadLibraryExA(kLibraryName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system without the search flags (Windows 7 before its loader
    // update): the same folder by its full path.
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, n) + "\\" + kLibraryName;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <class F> F Resolve(HMODULE module, const char* name)
{
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

} // namespace

DeviceLink::DeviceLink(TNotifyHandler onNotify)
    : onNotify_(std::move(onNotify)), path_(ProgramFolder() + kLibraryName)
{
    window_ = std::make_unique<TUtilityWindow>([this](TMessage& Message) {
        if (Message.Msg != WM_DEVICENOTIFY) return false;
        if (onNotify_) onNotify_(static_cast<ULONG>(Message.WParam));
        return true;
    });
    Load();
}

DeviceLink::~DeviceLink()
{
    Unregister();
    // The module goes after the window: a notification already posted then
    // finds no window rather than a handler of a link that is gone.
    window_.reset();
    module_.reset();
}

bool DeviceLink::Load()
{
    if (module_) return true;
    // Beside the program first: ours, or the maker's put there by the user.
    // Its own folder is searched for what it needs in turn.
    if (Bind(TModule(LoadLibraryExA(path_.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH)))) return true;
    return Bind(TModule(LoadFromSystemFolder()));
}

bool DeviceLink::Bind(TModule module)
{
    if (!module) return false;
    HMODULE m = module.get();
    open_ = Resolve<decltype(open_)>(m, "CH375OpenDevice");
    close_ = Resolve<decltype(close_)>(m, "CH375CloseDevice");
    setTimeout_ = Resolve<decltype(setTimeout_)>(m, "CH375SetTimeout");
    setExclusive_ = Resolve<decltype(setExclusive_)>(m, "CH375SetExclusive");
    setDeviceNotify_ = Resolve<decltype(setDeviceNotify_)>(m, "CH375SetDeviceNotify");
    writeData_ = Resolve<decltype(writeData_)>(m, "CH375WriteData");
    readData_ = Resolve<decltype(readData_)>(m, "CH375ReadData");
    // A library lacking any of them is not the one we talk to.
    if (!(open_ && close_ && setTimeout_ && setExclusive_ && setDeviceNotify_ && writeData_ && readData_)) {
        open_ = nullptr;
        close_ = nullptr;
        setTimeout_ = nullptr;
        setExclusive_ = nullptr;
        setDeviceNotify_ = nullptr;
        writeData_ = nullptr;
        readData_ = nullptr;
        return false;
    }
    loadedPath_ = ModulePath(m);
    module_ = std::move(module);
    return true;
}

bool DeviceLink::Available()
{
    return Load();
}

HWND DeviceLink::NotifyWindow() const
{
    return window_ ? window_->Handle() : nullptr;
}

bool DeviceLink::OpenDevice()
{
    return module_ && open_(kDevice) != INVALID_HANDLE_VALUE;
}

void DeviceLink::CloseDevice()
{
    if (module_) close_(kDevice);
}

void DeviceLink::SetTimeout(ULONG WriteTimeout, ULONG ReadTimeout)
{
    if (module_) setTimeout_(kDevice, WriteTimeout, ReadTimeout);
}

void DeviceLink::SetExclusive(bool Exclusive)
{
    if (module_) setExclusive_(kDevice, Exclusive ? 1 : 0);
}

void DeviceLink::SetDeviceNotify()
{
    if (!module_) return;
    notifyTarget.store(NotifyWindow());
    char noIdentifier[1] = {};
    setDeviceNotify_(kDevice, noIdentifier, &DeviceLink::NotifyRoutine);
    registered_ = true;
}

void DeviceLink::Unregister()
{
    if (!registered_ || !module_) return;
    registered_ = false;
    HWND mine = NotifyWindow();
    // Another link took the events over: leave its registration alone.
    if (!notifyTarget.compare_exchange_strong(mine, nullptr)) return;
    // Once this returns the routine is not running any more.
    char noIdentifier[1] = {};
    setDeviceNotify_(kDevice, noIdentifier, nullptr);
}

bool DeviceLink::WriteData(const void* Buffer, ULONG& Length)
{
    if (!module_) {
        Length = 0;
        return false;
    }
    return writeData_(kDevice, const_cast<void*>(Buffer), &Length) != FALSE;
}

bool DeviceLink::ReadData(void* Buffer, ULONG& Length)
{
    if (!module_) {
        Length = 0;
        return false;
    }
    return readData_(kDevice, Buffer, &Length) != FALSE;
}

void CALLBACK DeviceLink::NotifyRoutine(ULONG EventStatus)
{
    // On the library's thread: only hand the code over.
    if (HWND target = notifyTarget.load()) PostMessageA(target, WM_DEVICENOTIFY, EventStatus, 0);
}
