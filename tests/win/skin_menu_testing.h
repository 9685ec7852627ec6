// Shared pieces of the skinned-menu tests: the default skin loaded once, a
// stand-in for the skinned frame, and a way to look at a menu window while
// the system's menu loop has it open.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/forms.h"
#include "runtime/sysutils.h"
#include "skin/winskindata.h"
#include "skin/winskinform.h"
#include "skin/winskinmenu.h"
#include "skinfiles/skinpackage.h"

namespace menutest {

inline std::string AssetDir()
{
    // This file's folder, as Wine sees the Linux path.
    std::string file = __FILE__;
    file = file.substr(0, file.find_last_of("/\\"));
    return (file[0] == '/' ? "Z:" + file : file) + "/../../assets/skin";
}

// Skin data holding the default skin (reloaded per test: tests change it).
inline std::unique_ptr<TSkinData> DefaultSkin()
{
    auto data = std::make_unique<TSkinData>(nullptr);
    data->SkinFormtype = sfDialog; // loading must not reach for a manager
    TMemoryStream package;
    TSkinPackageWriter::FromFolder(AssetDir()).SaveToStream(package);
    package.SetPosition(0);
    data->LoadFromStream(package);
    return data;
}

// The skin's images keep a device context once drawn from; they live with
// the skin data, so tests counting objects let them have it first.
inline void GiveImagesTheirDCs(TSkinData& data)
{
    for (TDataSkinObject* o : {data.MenuBackground.get(), data.MenuItem.get(), data.MenuBar.get()})
        if (o && !o->Image->Empty()) o->Image->Canvas()->Handle();
}

inline TColor Rgb(int r, int g, int b)
{
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

// What the frame would offer the menu side.
struct TFakeHost : TSkinMenuHost {
    HWND Wnd = nullptr;
    TCustomForm* Form = nullptr;
    TSkinData* Data = nullptr;
    bool Max = false, Min = false, MaxBox = false, MinBox = true, Rtl = false, Active = true;
    TRect Band;
    bool Tracking = false;
    TNCObject* Hot = nullptr;
    int HoverStops = 0, Restores = 0, Maximizes = 0, Minimizes = 0;
    DWORD LastPop = 0;
    UINT DoubleClick = 500;
    TFont CaptionFont;

    HWND MenuHostHandle() const override { return Wnd; }
    TWinSkinForm* MenuHostFrame() override { return nullptr; }
    TCustomForm* MenuHostForm() const override { return Form; }
    TSkinData* MenuHostSkinData() const override { return Data; }
    bool MenuHostMaximized() const override { return Max; }
    bool MenuHostMinimized() const override { return Min; }
    bool MenuHostHasMaximizeBox() const override { return MaxBox; }
    bool MenuHostHasMinimizeBox() const override { return MinBox; }
    bool MenuHostRightToLeft() const override { return Rtl; }
    bool MenuHostActive() const override { return Active; }
    TRect MenuHostBandRect() const override { return Band; }
    // Stand-ins for a maximized MDI child's buttons: a filled rectangle.
    TRect MDIButtons;
    TCustomForm* MDIFrame = nullptr;
    TRect MenuHostMDIButtonsRect() const override { return MDIButtons; }
    void MenuHostDrawMDIButtons(HDC dc, TPoint origin) override
    {
        TBrushHandle green(CreateSolidBrush(RGB(0, 255, 0)));
        const RECT r{MDIButtons.Left - origin.X, MDIButtons.Top - origin.Y, MDIButtons.Right - origin.X,
                     MDIButtons.Bottom - origin.Y};
        FillRect(dc, &r, green.Get());
    }
    TCustomForm* MenuHostMDIFrameForm() const override { return MDIFrame; }
    void MenuHostSetTracking(bool tracking) override { Tracking = tracking; }
    TNCObject* MenuHostHotObject() const override { return Hot; }
    void MenuHostSetHotObject(TNCObject* object) override { Hot = object; }
    void StopHoverTimer() override { ++HoverStops; }
    void Restore() override { ++Restores; }
    void Maximize() override { ++Maximizes; }
    void Minimize() override { ++Minimizes; }
    TFont* MenuHostCaptionFont() override { return &CaptionFont; }
    DWORD MenuHostLastPopTime() const override { return LastPop; }
    void MenuHostSetLastPopTime(DWORD ticks) override { LastPop = ticks; }
    UINT MenuHostDoubleClickTime() const override { return DoubleClick; }
};

// The open menu window of this thread, or null.
inline HWND OpenMenuWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM p) {
            char cls[16] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            if (std::string(cls) == "#32768" && IsWindowVisible(wnd)) {
                *reinterpret_cast<HWND*>(p) = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Opens menu at (x, y) for owner, calls look with the menu window once it
// shows, and closes it. Answers whether look ran.
inline bool WhileMenuOpen(HWND owner, HMENU menu, const std::function<void(HWND)>& look, int x = 60,
                          int y = 60)
{
    static std::function<void(HWND)>* current = nullptr;
    static bool ran = false;
    ran = false;
    current = const_cast<std::function<void(HWND)>*>(&look);
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR, DWORD) {
        if (ran) return;
        if (HWND wnd = OpenMenuWindow()) {
            ran = true;
            (*current)(wnd);
            EndMenu();
        }
    });
    // A menu that never shows must not hang the test.
    const UINT_PTR guard = SetTimer(nullptr, 0, 3000, [](HWND, UINT, UINT_PTR, DWORD) { EndMenu(); });
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN, x, y, 0, owner, nullptr);
    KillTimer(nullptr, timer);
    KillTimer(nullptr, guard);
    current = nullptr;
    return ran;
}

inline HWND MakeOwner(DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX)
{
    static bool registered = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SkinMenuOwner";
        return RegisterClassA(&wc) != 0;
    }();
    (void)registered;
    HWND wnd = CreateWindowExA(0, "SkinMenuOwner", "menus", style, 20, 20, 320, 240, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    return wnd;
}

} // namespace menutest
