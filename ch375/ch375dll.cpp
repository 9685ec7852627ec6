// The seven operations over the link client, which does the work: here are
// only the vendor's types and conventions, the device index, and the thread
// that keeps this library loaded while it runs.
#include "ch375/ch375dll.h"

#include <algorithm>
#include <functional>
#include <span>

#include "link/linkclient.h"

namespace {

uint16_t DevicePort()
{
    // Read on every attempt, from the process's environment block: the
    // C runtime's copy does not see SetEnvironmentVariable.
    char text[16];
    const DWORD n = GetEnvironmentVariableA(kSimPortVariable, text, sizeof text);
    if (n > 0 && n < sizeof text)
        if (auto p = ParsePort(text)) return *p;
    return kDefaultSimPort;
}

struct TThreadStart {
    std::function<void()> body;
    HMODULE module = nullptr;
};

DWORD WINAPI WatcherMain(LPVOID param)
{
    auto* start = static_cast<TThreadStart*>(param);
    start->body();
    const HMODULE module = start->module;
    delete start;
    // The thread holds a reference to this library, so it cannot be unloaded
    // under the thread's feet; the reference goes as the thread ends.
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

bool StartWatcherThread(std::function<void()> body)
{
    auto* start = new TThreadStart{std::move(body)};
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WatcherMain),
                            &start->module)) {
        delete start;
        return false;
    }
    const HANDLE h = CreateThread(nullptr, 0, WatcherMain, start, 0, nullptr);
    if (!h) {
        FreeLibrary(start->module);
        delete start;
        return false;
    }
    CloseHandle(h);
    return true;
}

// Never destroyed: at process exit the system has ended the watcher already,
// and a destructor would wait for it.
TLinkClient& Client()
{
    static TLinkClient* client = new TLinkClient({DevicePort, GetCurrentProcessId(), StartWatcherThread});
    return *client;
}

uint32_t Milliseconds(ULONG value)
{
    return value == INFINITE ? kLinkWaitForever : static_cast<uint32_t>(value);
}

} // namespace

extern "C" {

HANDLE WINAPI CH375OpenDevice(ULONG iIndex)
{
    if (iIndex != 0) {
        SetLastError(ERROR_DEV_NOT_EXIST);
        return INVALID_HANDLE_VALUE;
    }
    if (!Client().Open()) {
        // As opening a device file would leave it: a caller can tell a
        // device another program holds from one that is not there.
        const bool busy = Client().LastRefusal().rfind("busy", 0) == 0;
        SetLastError(busy ? ERROR_BUSY : ERROR_DEV_NOT_EXIST);
        return INVALID_HANDLE_VALUE;
    }
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(iIndex + 1));
}

VOID WINAPI CH375CloseDevice(ULONG iIndex)
{
    if (iIndex == 0) Client().Close();
}

BOOL WINAPI CH375SetTimeout(ULONG iIndex, ULONG iWriteTimeout, ULONG iReadTimeout)
{
    if (iIndex != 0) return FALSE;
    Client().SetTimeouts(Milliseconds(iWriteTimeout), Milliseconds(iReadTimeout));
    return TRUE;
}

BOOL WINAPI CH375SetExclusive(ULONG iIndex, ULONG iExclusive)
{
    if (iIndex != 0) return FALSE;
    return Client().SetExclusive(iExclusive != 0) ? TRUE : FALSE;
}

BOOL WINAPI CH375SetDeviceNotify(ULONG iIndex, PCHAR /*iDeviceID*/, mPCH375_NOTIFY_ROUTINE iNotifyRoutine)
{
    if (iIndex != 0) return FALSE;
    if (iNotifyRoutine)
        Client().SetNotify([iNotifyRoutine](uint32_t event) { iNotifyRoutine(event); });
    else
        Client().SetNotify(nullptr);
    return TRUE;
}

BOOL WINAPI CH375WriteData(ULONG iIndex, PVOID iBuffer, PULONG ioLength)
{
    if (!ioLength) return FALSE;
    const ULONG length = *ioLength;
    *ioLength = 0;
    if (iIndex != 0 || !iBuffer) return FALSE;
    if (!Client().Write(std::span(static_cast<const uint8_t*>(iBuffer), length))) return FALSE;
    *ioLength = length;
    return TRUE;
}

BOOL WINAPI CH375ReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength)
{
    if (!ioLength) return FALSE;
    const ULONG capacity = *ioLength;
    *ioLength = 0;
    if (iIndex != 0 || !oBuffer) return FALSE;
    const auto n = Client().Read(std::span(static_cast<uint8_t*>(oBuffer), capacity));
    if (!n) return FALSE;
    *ioLength = static_cast<ULONG>(*n);
    return TRUE;
}

} // extern "C"

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    // Nothing to undo at detach: while the watcher runs it keeps the library
    // loaded, and at process exit the system has already ended the thread.
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
