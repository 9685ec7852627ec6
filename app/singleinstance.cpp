#include "app/singleinstance.h"

#include <cstdlib>
#include <optional>

#include "link/linkwire.h"

namespace {

struct TSearch {
    DWORD pid;
    HWND main = nullptr;
    HWND box = nullptr;
};

BOOL CALLBACK VisitWindow(HWND wnd, LPARAM param)
{
    auto* s = reinterpret_cast<TSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != s->pid || !IsWindowVisible(wnd)) return TRUE;
    char cls[32] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    const std::string name = cls;
    if (name == "#32770" && !s->box) s->box = wnd;
    if (name == "TForm1") s->main = wnd;
    return TRUE;
}

} // namespace

TPanelInstance::TPanelInstance(const std::string& name)
{
    SetLastError(0);
    block_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), name.c_str());
    if (!block_) {
        // Nothing to hold a claim with: run rather than refuse the user.
        claimed_ = true;
        return;
    }
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    processId_ = static_cast<volatile DWORD*>(MapViewOfFile(block_, FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
    claimed_ = !existed;
    if (claimed_ && processId_) *processId_ = GetCurrentProcessId();
}

TPanelInstance::~TPanelInstance()
{
    if (processId_) UnmapViewOfFile(const_cast<DWORD*>(processId_));
    if (block_) CloseHandle(block_);
}

bool TPanelInstance::BringRunningToFront(DWORD timeoutMs) const
{
    if (!processId_) return false;
    const DWORD until = GetTickCount() + timeoutMs;
    for (;;) {
        // The first panel writes its id just after making the block.
        if (const DWORD pid = *processId_) {
            TSearch s{pid};
            EnumWindows(&VisitWindow, reinterpret_cast<LPARAM>(&s));
            // A box still open at start-up ("No connect device!") is what
            // the user must answer first.
            if (HWND target = s.box ? s.box : s.main) {
                if (s.main && IsIconic(s.main)) ShowWindow(s.main, SW_RESTORE);
                SetForegroundWindow(target);
                return true;
            }
        }
        if (static_cast<LONG>(GetTickCount() - until) >= 0) return false;
        Sleep(50);
    }
}

std::string TPanelInstance::NameForThisDevice()
{
    // Local\: per logon session, so two users of one machine each have theirs.
    std::string name = "Local\\OrvanePanel.Device";
    // The library's own reading of the variable: the default port is the
    // same device as no variable at all.
    const char* text = std::getenv(kSimPortVariable);
    if (const std::optional<uint16_t> port = text ? ParsePort(text) : std::nullopt; port && *port != kDefaultSimPort)
        name += "." + std::to_string(*port);
    return name;
}
