// skinned-shots.exe PANEL.bmp MONITOR.bmp: starts the real main window and
// traffic monitor as the program does (against the scripted interface
// library beside it, which answers the open), lets the skin take them over,
// and captures each window from the screen. Exits 1 when a window did not
// get its skinned frame or a capture failed.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "framework/forms.h"
#include "monitor/unit2.h"
#include "panel/unit1.h"
#include "skin/winskinform.h"
#include "skin/winskinframe.h"

namespace {

void Pump(int ms)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (std::chrono::steady_clock::now() < until);
}

bool Skinned(HWND wnd)
{
    for (int i = 0; i < 400; ++i) {
        TWinSkinForm* f = FindSkinFrame(wnd);
        if (f && f->FrameState == FrameSkinned && f->ControlsInited) return true;
        Pump(10);
    }
    return false;
}

bool Capture(HWND wnd, const std::string& file)
{
    SetForegroundWindow(wnd);
    RedrawWindow(wnd, nullptr, nullptr,
                 RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Pump(300);
    RECT r{};
    GetWindowRect(wnd, &r);
    TBitmap shot;
    shot.SetPixelFormat(pf24bit);
    shot.SetSize(r.right - r.left, r.bottom - r.top);
    TWindowDC screen = TWindowDC::Get(nullptr);
    BitBlt(shot.Canvas()->Handle(), 0, 0, r.right - r.left, r.bottom - r.top, screen.Handle(), r.left, r.top,
           SRCCOPY);
    shot.SaveToFile(file);
    return true;
}

// The scripted library answers the open; the panel then starts connected.
void DeviceAnswers()
{
    if (HMODULE lib = LoadLibraryA("CH375DLL.DLL"))
        if (auto reset = reinterpret_cast<void(__cdecl*)(BOOL)>(
                reinterpret_cast<void*>(GetProcAddress(lib, "FakeReset"))))
            reset(TRUE);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: skinned-shots PANEL.bmp MONITOR.bmp\n");
        return 2;
    }
    DeviceAnswers();
    int failures = 0;
    try {
        Application->Initialize();
        Application->CreateForm(Form1);
        Application->CreateForm(Form2);
        // The main window's skin data starts the manager; a build in which it
        // does not yet gets one here, as the skin data would make it.
        if (!SkinManager && Form1->SkinData1) {
            SkinManager = new TSkinManage();
            SkinManager->AddSkinData(Form1->SkinData1);
            SkinManager->InstallHook();
            SkinManager->Enabled = true;
        }
        Form1->Show();
        Pump(400);
        if (!Skinned(Form1->Handle())) {
            std::fprintf(stderr, "the main window did not get its skinned frame\n");
            ++failures;
        }
        Capture(Form1->Handle(), argv[1]);
        Form2->SetLeft(Form1->Left() + 40);
        Form2->SetTop(Form1->Top() + 40);
        Form2->Show();
        Pump(400);
        if (!Skinned(Form2->Handle())) {
            std::fprintf(stderr, "the traffic monitor did not get its skinned frame\n");
            ++failures;
        }
        Capture(Form2->Handle(), argv[2]);
    } catch (const Exception& e) {
        std::fprintf(stderr, "skinned-shots: %s\n", e.Message.c_str());
        ++failures;
    }
    delete Form2;
    delete Form1;
    delete SkinManager;
    return failures ? 1 : 0;
}
