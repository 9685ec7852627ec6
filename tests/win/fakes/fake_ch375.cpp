// A stand-in CH375DLL.DLL for the panel's own tests: it records every call
// (with the calling thread), answers the open as told, and raises plug
// events from a thread of its own, as the real library does.
#include <windows.h>

#include <mutex>
#include <string>
#include <thread>

#include "ch375/ch375dll.h"

namespace {

std::mutex lock;
std::string calls;
DWORD lastCloseThread = 0;
bool openSucceeds = false;
mPCH375_NOTIFY_ROUTINE routine = nullptr;

void Record(const std::string& call)
{
    std::lock_guard<std::mutex> l(lock);
    if (!calls.empty()) calls += ';';
    calls += call;
}

} // namespace

extern "C" {

HANDLE WINAPI CH375OpenDevice(ULONG iIndex)
{
    Record("Open " + std::to_string(iIndex));
    std::lock_guard<std::mutex> l(lock);
    return openSucceeds ? reinterpret_cast<HANDLE>(1) : INVALID_HANDLE_VALUE;
}

VOID WINAPI CH375CloseDevice(ULONG iIndex)
{
    Record("Close " + std::to_string(iIndex));
    std::lock_guard<std::mutex> l(lock);
    lastCloseThread = GetCurrentThreadId();
}

BOOL WINAPI CH375SetTimeout(ULONG iIndex, ULONG iWriteTimeout, ULONG iReadTimeout)
{
    Record("SetTimeout " + std::to_string(iIndex) + " " + std::to_string(iWriteTimeout) + " " +
           std::to_string(iReadTimeout));
    return TRUE;
}

BOOL WINAPI CH375SetExclusive(ULONG iIndex, ULONG iExclusive)
{
    Record("SetExclusive " + std::to_string(iIndex) + " " + std::to_string(iExclusive));
    return TRUE;
}

BOOL WINAPI CH375SetDeviceNotify(ULONG iIndex, PCHAR iDeviceID, mPCH375_NOTIFY_ROUTINE iNotifyRoutine)
{
    Record("SetDeviceNotify " + std::to_string(iIndex) + " '" + (iDeviceID ? iDeviceID : "(null)") + "' " +
           (iNotifyRoutine ? "routine" : "none"));
    std::lock_guard<std::mutex> l(lock);
    routine = iNotifyRoutine;
    return TRUE;
}

BOOL WINAPI CH375WriteData(ULONG iIndex, PVOID, PULONG ioLength)
{
    Record("Write " + std::to_string(iIndex));
    if (ioLength) *ioLength = 0;
    return FALSE;
}

BOOL WINAPI CH375ReadData(ULONG iIndex, PVOID, PULONG ioLength)
{
    Record("Read " + std::to_string(iIndex));
    if (ioLength) *ioLength = 0;
    return FALSE;
}

// --- For the tests

void FakeReset(BOOL open)
{
    std::lock_guard<std::mutex> l(lock);
    calls.clear();
    lastCloseThread = 0;
    openSucceeds = open != FALSE;
}

void FakeSetOpen(BOOL open)
{
    std::lock_guard<std::mutex> l(lock);
    openSucceeds = open != FALSE;
}

// The calls since the last reset, "; "-separated, then cleared.
int FakeTakeCalls(char* buffer, int size)
{
    std::lock_guard<std::mutex> l(lock);
    const int n = static_cast<int>(calls.size());
    if (buffer && size > 0) lstrcpynA(buffer, calls.c_str(), size);
    calls.clear();
    return n;
}

DWORD FakeLastCloseThread()
{
    std::lock_guard<std::mutex> l(lock);
    return lastCloseThread;
}

// Calls the registered routine on a thread of its own and waits for it.
BOOL FakeRaise(ULONG code)
{
    mPCH375_NOTIFY_ROUTINE r;
    {
        std::lock_guard<std::mutex> l(lock);
        r = routine;
    }
    if (!r) return FALSE;
    std::thread([r, code] { r(code); }).join();
    return TRUE;
}

} // extern "C"
