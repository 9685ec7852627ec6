// The library's one device lives in the simulator at the other end of a TCP
// connection. A watcher thread owns that connection: it connects, greets,
// receives replies into an inbox and reports arrivals and removals. Callers
// take replies from the inbox under one lock, and send on the connection one
// at a time outside it, so that a slow send holds up neither the watcher nor
// a reader.
#include "ch375/ch375dll.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "link/linkwire.h"
#include "link/netsocket.h"

namespace {

constexpr ULONG kDefaultTimeoutMs = 5000;
constexpr DWORD kRetryMs = 250;
// Refused (unplugged, or held by another process): ask less often, so that a
// waiting process does not crowd the simulator's log.
constexpr DWORD kRefusedRetryMs = 1000;
constexpr int kConnectTimeoutMs = 1000;
constexpr DWORD kGreetingTimeoutMs = 2000;
// Open waits this long for the watcher's attempt to reach the device.
constexpr DWORD kOpenWaitMs = 5000;
// Nobody reading: keep the newest replies, drop the oldest.
constexpr size_t kInboxLimit = 64;
// Stopping waits this long for the watcher to finish its current wait.
constexpr DWORD kStopWaitMs = 5000;

class TLock {
public:
    explicit TLock(SRWLOCK& l) : l_(l) { AcquireSRWLockExclusive(&l_); }
    ~TLock() { ReleaseSRWLockExclusive(&l_); }
    TLock(const TLock&) = delete;
    TLock& operator=(const TLock&) = delete;

private:
    SRWLOCK& l_;
};

// One per watcher thread, so that a watcher being stopped can never be
// mistaken for the one started after it.
struct TWatcher {
    std::atomic<bool> stop{false};
    HMODULE module = nullptr;
};

struct TDevice {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE changed = CONDITION_VARIABLE_INIT;
    // Held by whoever sends on the connection, taken before `lock`: messages
    // never interleave, and the watcher closes no socket a sender still uses.
    SRWLOCK sendLock = SRWLOCK_INIT;

    // Everything below is guarded by `lock`.
    TSocket* link = nullptr;      // the watcher's socket while connected
    LinkReader* reader = nullptr; // its reader; bytes are taken off the socket only under the lock
    bool linkEnded = false;       // the connection is over; the watcher reports the removal
    bool opened = false;
    bool exclusive = false;
    ULONG writeTimeoutMs = kDefaultTimeoutMs;
    ULONG readTimeoutMs = kDefaultTimeoutMs;
    mPCH375_NOTIFY_ROUTINE routine = nullptr;
    int routineCalls = 0;
    std::deque<std::vector<uint8_t>> inbox;

    TWatcher* watcher = nullptr;
    HANDLE watcherThread = nullptr;
    DWORD watcherId = 0;
    bool attemptWanted = false;
    bool attemptRunning = false;
    uint64_t attempts = 0;
};

TDevice g;

void Wait(DWORD ms)
{
    SleepConditionVariableSRW(&g.changed, &g.lock, ms, 0);
}

void WakeAll()
{
    WakeAllConditionVariable(&g.changed);
}

bool OnWatcherThread()
{
    return g.watcherThread && GetCurrentThreadId() == g.watcherId;
}

uint16_t DevicePort()
{
    char text[16];
    const DWORD n = GetEnvironmentVariableA(kSimPortVariable, text, sizeof text);
    if (n > 0 && n < sizeof text)
        if (auto p = ParsePort(text)) return *p;
    return kDefaultSimPort;
}

// Caller holds the lock. Moves the replies that have reached the socket into
// the inbox, without waiting for more.
enum class TTaken { Nothing, Some, End };
TTaken TakeArrivedLocked(TSocket& s, LinkReader& reader)
{
    if (g.linkEnded) return TTaken::End;
    const bool readable = s.WaitReadable(0);
    int n = 0;
    if (readable) {
        uint8_t buf[512];
        n = s.Recv(buf, sizeof buf);
        if (n > 0) reader.Feed(std::span(buf, static_cast<size_t>(n)));
    }
    while (auto m = reader.Next()) {
        if (m->type != LinkType::Frame) continue;
        if (g.inbox.size() == kInboxLimit) g.inbox.pop_front();
        g.inbox.push_back(std::move(m->body));
    }
    WakeAll();
    if ((readable && n <= 0) || reader.Broken()) {
        g.linkEnded = true;
        return TTaken::End;
    }
    return readable ? TTaken::Some : TTaken::Nothing;
}

// Caller holds the lock, about to send a request. Every reply that has
// reached us answers an earlier request whose read has given up: left here,
// it would be taken as the answer to this one, and every later reply would
// go to the request after its own. That includes replies still in the
// socket, which is why replies leave the socket only under the lock.
void DropStaleRepliesLocked()
{
    if (g.link && g.reader)
        while (TakeArrivedLocked(*g.link, *g.reader) == TTaken::Some) {
        }
    g.inbox.clear();
}

// Caller holds sendLock, not the lock. A failed send is left to the
// watcher, which sees the broken connection and reports the removal.
bool SendInTurn(LinkType type, std::span<const uint8_t> body, bool request)
{
    TSocket* link;
    ULONG timeoutMs;
    {
        TLock l(g.lock);
        if (request) {
            if (!g.opened) return false;
            DropStaleRepliesLocked();
        }
        if (!g.link || g.linkEnded) return false;
        link = g.link;
        timeoutMs = g.writeTimeoutMs;
    }
    const int t =
        timeoutMs == INFINITE ? 24 * 3600 * 1000 : static_cast<int>(std::min<ULONG>(timeoutMs, 0x7FFFFFFF));
    return link->SendAll(EncodeLink(type, body), t);
}

bool Send(LinkType type, std::span<const uint8_t> body = {}, bool request = false)
{
    TLock sending(g.sendLock);
    return SendInTurn(type, body, request);
}

void SendExclusive()
{
    TLock sending(g.sendLock);
    uint8_t flag;
    {
        TLock l(g.lock);
        flag = g.exclusive ? 1 : 0;
    }
    SendInTurn(LinkType::Exclusive, std::span(&flag, 1), false);
}

void CallRoutine(ULONG event)
{
    mPCH375_NOTIFY_ROUTINE r;
    {
        TLock l(g.lock);
        r = g.routine;
        if (!r) return;
        ++g.routineCalls;
    }
    r(event);
    TLock l(g.lock);
    --g.routineCalls;
    WakeAll();
}

// A connection the simulator has welcomed, or an invalid socket when the
// device is absent, unplugged or held by another process.
TSocket Greet(LinkReader& reader, bool& refused)
{
    refused = false;
    TSocket s = TSocket::Connect(DevicePort(), kConnectTimeoutMs);
    if (!s.Valid()) return {};
    if (!s.SendAll(EncodeHello(GetCurrentProcessId(), false), kConnectTimeoutMs)) return {};
    const ULONGLONG deadline = GetTickCount64() + kGreetingTimeoutMs;
    for (;;) {
        if (auto m = reader.Next()) {
            if (m->type == LinkType::Welcome) return s;
            refused = true;
            return {};
        }
        const ULONGLONG now = GetTickCount64();
        if (reader.Broken() || now >= deadline || !s.WaitReadable(static_cast<int>(deadline - now)))
            return {};
        uint8_t buf[256];
        const int n = s.Recv(buf, sizeof buf);
        if (n <= 0) return {};
        reader.Feed(std::span(buf, static_cast<size_t>(n)));
    }
}

// Until the peer goes away or the watcher is told to stop. The short wait
// only bounds how long a stop request goes unnoticed; replies wake it at once.
void Receive(TSocket& s, LinkReader& reader, const TWatcher& self)
{
    for (;;) {
        s.WaitReadable(100);
        TLock l(g.lock);
        if (self.stop || TakeArrivedLocked(s, reader) == TTaken::End) return;
    }
}

void WatchLoop(TWatcher& self)
{
    while (!self.stop) {
        {
            TLock l(g.lock);
            g.attemptRunning = true;
        }
        LinkReader reader;
        bool refused = false;
        TSocket s = Greet(reader, refused);
        {
            TLock l(g.lock);
            g.attemptRunning = false;
            g.attemptWanted = false;
            ++g.attempts;
            if (s.Valid() && !self.stop) {
                g.link = &s;
                g.reader = &reader;
                g.linkEnded = false;
                g.inbox.clear();
            }
            WakeAll();
        }
        if (!s.Valid() || self.stop) {
            TLock l(g.lock);
            if (!g.attemptWanted && !self.stop) Wait(refused ? kRefusedRetryMs : kRetryMs);
            continue;
        }
        CallRoutine(CH375_DEVICE_ARRIVAL);
        Receive(s, reader, self);
        {
            TLock l(g.lock);
            if (g.link == &s) g.link = nullptr;
            g.reader = nullptr;
            g.opened = false;
            g.inbox.clear();
            WakeAll();
        }
        {
            TLock sending(g.sendLock);
            s.Close();
        }
        if (!self.stop) CallRoutine(CH375_DEVICE_REMOVE);
    }
}

DWORD WINAPI WatcherMain(LPVOID param)
{
    auto* self = static_cast<TWatcher*>(param);
    WatchLoop(*self);
    const HMODULE module = self->module;
    delete self;
    // The thread holds a reference to this library, so it cannot be unloaded
    // under the thread's feet; the reference goes as the thread ends.
    FreeLibraryAndExitThread(module, 0);
    return 0;
}

void EnsureWatcher()
{
    TLock l(g.lock);
    if (g.watcher) return;
    NetStartup();
    auto* w = new TWatcher;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&WatcherMain),
                            &w->module)) {
        delete w;
        return;
    }
    DWORD id = 0;
    const HANDLE h = CreateThread(nullptr, 0, WatcherMain, w, 0, &id);
    if (!h) {
        FreeLibrary(w->module);
        delete w;
        return;
    }
    g.watcher = w;
    g.watcherThread = h;
    g.watcherId = id;
}

// With the device closed and nobody to tell about plug events, the
// connection has no purpose: the watcher ends and the connection with it.
void StopWatcherIfIdle()
{
    HANDLE h;
    bool wait;
    {
        TLock l(g.lock);
        if (!g.watcher || g.opened || g.routine) return;
        g.watcher->stop = true;
        WakeAll();
        wait = !OnWatcherThread();
        h = g.watcherThread;
        g.watcher = nullptr;
        g.watcherThread = nullptr;
        g.watcherId = 0;
    }
    if (wait) WaitForSingleObject(h, kStopWaitMs);
    CloseHandle(h);
}

// Waits on the lock for a condition, up to timeoutMs (INFINITE allowed).
template <class Done> bool WaitFor(Done done, ULONG timeoutMs)
{
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        const ULONGLONG now = GetTickCount64();
        if (timeoutMs != INFINITE && now >= deadline) return false;
        Wait(timeoutMs == INFINITE ? INFINITE : static_cast<DWORD>(deadline - now));
    }
    return true;
}

} // namespace

extern "C" {

HANDLE WINAPI CH375OpenDevice(ULONG iIndex)
{
    if (iIndex != 0) return INVALID_HANDLE_VALUE;
    EnsureWatcher();
    bool announce = false;
    {
        TLock l(g.lock);
        if (!g.watcher) return INVALID_HANDLE_VALUE;
        // Ask the watcher to try now rather than at its next turn; an attempt
        // already under way may have started before the device came up, so
        // wait for the one after it.
        if (!g.link && !OnWatcherThread()) {
            const uint64_t target = g.attempts + (g.attemptRunning ? 2 : 1);
            g.attemptWanted = true;
            WakeAll();
            WaitFor([&] { return g.link || g.attempts >= target || !g.watcher; }, kOpenWaitMs);
        }
        if (!g.link) return INVALID_HANDLE_VALUE;
        announce = !g.opened;
        g.opened = true;
    }
    if (announce) {
        Send(LinkType::Open);
        SendExclusive();
    }
    return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(iIndex + 1));
}

VOID WINAPI CH375CloseDevice(ULONG iIndex)
{
    if (iIndex != 0) return;
    bool wasOpen;
    {
        TLock l(g.lock);
        wasOpen = g.opened;
        g.opened = false;
        g.inbox.clear();
        WakeAll();
    }
    if (wasOpen) Send(LinkType::Close);
    StopWatcherIfIdle();
}

BOOL WINAPI CH375SetTimeout(ULONG iIndex, ULONG iWriteTimeout, ULONG iReadTimeout)
{
    if (iIndex != 0) return FALSE;
    TLock l(g.lock);
    g.writeTimeoutMs = iWriteTimeout;
    g.readTimeoutMs = iReadTimeout;
    return TRUE;
}

BOOL WINAPI CH375SetExclusive(ULONG iIndex, ULONG iExclusive)
{
    if (iIndex != 0) return FALSE;
    bool opened;
    {
        TLock l(g.lock);
        g.exclusive = iExclusive != 0;
        opened = g.opened;
    }
    if (opened) SendExclusive();
    return TRUE;
}

BOOL WINAPI CH375SetDeviceNotify(ULONG iIndex, PCHAR /*iDeviceID*/, mPCH375_NOTIFY_ROUTINE iNotifyRoutine)
{
    if (iIndex != 0) return FALSE;
    {
        TLock l(g.lock);
        g.routine = iNotifyRoutine;
        // The caller may free what the old routine uses once we return.
        if (!iNotifyRoutine && !OnWatcherThread()) WaitFor([] { return g.routineCalls == 0; }, INFINITE);
    }
    if (iNotifyRoutine)
        EnsureWatcher();
    else
        StopWatcherIfIdle();
    return TRUE;
}

BOOL WINAPI CH375WriteData(ULONG iIndex, PVOID iBuffer, PULONG ioLength)
{
    if (!ioLength) return FALSE;
    const ULONG length = *ioLength;
    *ioLength = 0;
    if (iIndex != 0 || !iBuffer || length == 0 || length >= kMaxLinkMessage) return FALSE;
    if (!Send(LinkType::Frame, std::span(static_cast<const uint8_t*>(iBuffer), length), true)) return FALSE;
    *ioLength = length;
    return TRUE;
}

BOOL WINAPI CH375ReadData(ULONG iIndex, PVOID oBuffer, PULONG ioLength)
{
    if (!ioLength) return FALSE;
    const ULONG capacity = *ioLength;
    *ioLength = 0;
    if (iIndex != 0 || !oBuffer) return FALSE;
    TLock l(g.lock);
    if (!g.opened) return FALSE;
    WaitFor([] { return !g.inbox.empty() || !g.opened || !g.link; }, g.readTimeoutMs);
    if (g.inbox.empty() || !g.opened) return FALSE;
    const std::vector<uint8_t> frame = std::move(g.inbox.front());
    g.inbox.pop_front();
    const ULONG n = std::min<ULONG>(capacity, static_cast<ULONG>(frame.size()));
    std::memcpy(oBuffer, frame.data(), n);
    *ioLength = n;
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
