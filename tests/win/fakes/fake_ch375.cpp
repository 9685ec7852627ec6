// A stand-in CH375DLL.DLL for the panel's own tests: it records every call
// (with the calling thread), answers the open as told, and raises plug
// events from a thread of its own, as the real library does.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "ch375/ch375dll.h"

namespace {

std::mutex lock;
std::string calls;
DWORD lastCloseThread = 0;
bool openSucceeds = false;
mPCH375_NOTIFY_ROUTINE routine = nullptr;
// Frames written, as hexadecimal text, and the replies the next reads get.
std::string writes;
bool writeSucceeds = true;
std::deque<std::vector<unsigned char>> replies;
// How long each read holds its caller, as a slow device's would.
DWORD readDelayMs = 0;

std::string Hex(const void* data, ULONG length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (ULONG i = 0; i < length; ++i) {
        if (i) text += ' ';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

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

BOOL WINAPI CH375WriteData(ULONG iIndex, PVOID iBuffer, PULONG ioLength)
{
    Record("Write " + std::to_string(iIndex));
    std::lock_guard<std::mutex> l(lock);
    if (!writeSucceeds) {
        if (ioLength) *ioLength = 0;
        return FALSE;
    }
    if (!writes.empty()) writes += ';';
    writes += Hex(iBuffer, ioLength ? *ioLength : 0);
    return TRUE;
}

// Answers each read with the next queued reply; fails when none is queued.
BOOL WINAPI CH375ReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength)
{
    Record("Read " + std::to_string(iIndex));
    DWORD delay;
    {
        std::lock_guard<std::mutex> l(lock);
        delay = readDelayMs;
    }
    Sleep(delay);
    std::lock_guard<std::mutex> l(lock);
    if (replies.empty() || !ioLength) {
        if (ioLength) *ioLength = 0;
        return FALSE;
    }
    const std::vector<unsigned char> reply = replies.front();
    replies.pop_front();
    const ULONG n = std::min<ULONG>(*ioLength, static_cast<ULONG>(reply.size()));
    memcpy(oBuffer, reply.data(), n);
    *ioLength = n;
    return TRUE;
}

// --- For the tests

void FakeReset(BOOL open)
{
    std::lock_guard<std::mutex> l(lock);
    calls.clear();
    lastCloseThread = 0;
    openSucceeds = open != FALSE;
    writes.clear();
    writeSucceeds = true;
    replies.clear();
    readDelayMs = 0;
}

void FakeSetReadDelay(DWORD ms)
{
    std::lock_guard<std::mutex> l(lock);
    readDelayMs = ms;
}

void FakeSetWriteResult(BOOL succeeds)
{
    std::lock_guard<std::mutex> l(lock);
    writeSucceeds = succeeds != FALSE;
}

void FakeQueueReply(const unsigned char* bytes, int length)
{
    std::lock_guard<std::mutex> l(lock);
    replies.emplace_back(bytes, bytes + length);
}

// The frames written since the last call, ";"-separated, then cleared.
int FakeTakeWrites(char* buffer, int size)
{
    std::lock_guard<std::mutex> l(lock);
    const int n = static_cast<int>(writes.size());
    if (buffer && size > 0) lstrcpynA(buffer, writes.c_str(), size);
    writes.clear();
    return n;
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
