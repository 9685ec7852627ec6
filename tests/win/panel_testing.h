// Shared by the panel's tests under Wine: the scripted CH375DLL.DLL beside
// the test (fakes/fake_ch375.cpp), the message pump, and a watcher that
// answers message boxes and keeps their texts.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace panel_testing {

struct Fake {
    HMODULE module;
    void(__cdecl* Reset)(BOOL open);
    void(__cdecl* SetOpen)(BOOL open);
    int(__cdecl* TakeCalls)(char* buffer, int size);
    DWORD(__cdecl* LastCloseThread)();
    BOOL(__cdecl* Raise)(ULONG code);
    void(__cdecl* SetWriteResult)(BOOL succeeds);
    void(__cdecl* QueueReply)(const unsigned char* bytes, int length);
    int(__cdecl* TakeWrites)(char* buffer, int size);
    void(__cdecl* SetReadDelay)(DWORD ms);

    Fake()
    {
        char path[MAX_PATH] = {};
        const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        std::string dir(path, n);
        dir.erase(dir.find_last_of("\\/") + 1);
        module = LoadLibraryA((dir + "CH375DLL.DLL").c_str());
        Reset = Get<decltype(Reset)>("FakeReset");
        SetOpen = Get<decltype(SetOpen)>("FakeSetOpen");
        TakeCalls = Get<decltype(TakeCalls)>("FakeTakeCalls");
        LastCloseThread = Get<decltype(LastCloseThread)>("FakeLastCloseThread");
        Raise = Get<decltype(Raise)>("FakeRaise");
        SetWriteResult = Get<decltype(SetWriteResult)>("FakeSetWriteResult");
        QueueReply = Get<decltype(QueueReply)>("FakeQueueReply");
        TakeWrites = Get<decltype(TakeWrites)>("FakeTakeWrites");
        SetReadDelay = Get<decltype(SetReadDelay)>("FakeSetReadDelay");
    }
    template <class F> F Get(const char* name)
    {
        return module ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
    }
    std::string Calls()
    {
        std::string buffer(8192, '\0');
        TakeCalls(buffer.data(), static_cast<int>(buffer.size()));
        return buffer.c_str();
    }
    // The frames written since the last call, ";"-separated hexadecimal.
    std::string Writes()
    {
        std::string buffer(8192, '\0');
        TakeWrites(buffer.data(), static_cast<int>(buffer.size()));
        return buffer.c_str();
    }
};

inline Fake& Lib()
{
    static Fake fake;
    return fake;
}

inline void Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// Answers every message box of this process with OK and keeps its text.
class MessageBoxWatcher {
public:
    MessageBoxWatcher()
    {
        thread_ = std::thread([this] {
            while (!stop_) {
                EnumWindows(&MessageBoxWatcher::Visit, reinterpret_cast<LPARAM>(this));
                Sleep(20);
            }
        });
    }
    ~MessageBoxWatcher()
    {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::string> Texts()
    {
        std::lock_guard<std::mutex> l(lock_);
        return texts_;
    }

private:
    static BOOL CALLBACK Visit(HWND wnd, LPARAM self)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        char cls[32] = {};
        GetClassNameA(wnd, cls, sizeof cls);
        if (pid != GetCurrentProcessId() || std::string(cls) != "#32770" || !IsWindowVisible(wnd))
            return TRUE;
        auto* w = reinterpret_cast<MessageBoxWatcher*>(self);
        char text[256] = {};
        GetDlgItemTextA(wnd, 0xFFFF, text, sizeof text);
        {
            std::lock_guard<std::mutex> l(w->lock_);
            w->texts_.push_back(text);
        }
        PostMessageA(wnd, WM_COMMAND, IDOK, 0);
        Sleep(100);
        return TRUE;
    }

    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::mutex lock_;
    std::vector<std::string> texts_;
};

} // namespace panel_testing
