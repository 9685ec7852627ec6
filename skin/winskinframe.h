// TWinSkinForm: the per-window half of the skin engine. It replaces a
// window's procedure, takes over the whole non-client area and paints it from
// the skin data (caption bar, borders, caption buttons, menu band), shapes
// the window with a region cut out of the border images, keeps the client
// area at its designed size, answers non-client input itself, and gives
// everything back when the skin goes off or the window goes away. Win32 only.
//
// The frame's pieces: winskinframe.cpp (take-over, activation, dispatch,
// geometry, skin change), winskinframepaint.cpp (painting and the region),
// winskinsysbtn.cpp (caption buttons and frame input), winskinframerelease.cpp
// (MDI client, release).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/gdiobj.h"
#include "skin/winskindata.h"
#include "skin/winskinmenu.h"
#include "skin/winskinncobject.h"
#include "skin/winsubclass.h"

// The engine's private window messages. Their numbers are shared with other
// modules carrying the engine, so they never change.
constexpr UINT WM_SKIN_CHANGED = 0x3401;       // the skin data loaded another skin
constexpr UINT WM_SKIN_NCPAINT = 0x3502;       // repaint the non-client area now
constexpr UINT WM_SKIN_SYSBTNACTION = 0x3514;  // wParam: an action the frame does not know
constexpr UINT WM_SKIN_SYSBTNVISIBLE = 0x3515; // wParam Visibility, lParam Action: > 0 shows it
constexpr UINT WM_SKIN_MDIMAX = 0x3516;        // to the MDI client: a child maximized or retitled
constexpr UINT WM_SKIN_RECREATED = 0x3517;     // wParam: old handle of a recreated skinned control
constexpr UINT WM_SKIN_PAINTTO = 0xBC4B;       // wParam DC, lParam marker: paint the frame there
constexpr UINT WM_SKIN_IDENTIFY = 0xBC4D;      // lParam marker: answer the marker
constexpr UINT WM_SKIN_SKINNED = 0xBC4E;       // skinning of the window finished
constexpr LPARAM SkinMarker = 0x41A2;

ORVANE_ENUM(TSkinFormStyle, sfsNormal, sfsMDIform, sfsMDIChild, sfsChild)
ORVANE_ENUM(TSkinFormBorder, sbsSizeable, sbsSingle, sbsNone, sbsDialog)
ORVANE_ENUM(TSkinWindowState, swsNormal, swsMax, swsMin)
ORVANE_ENUM(TSkinFormIcon, sbiMax, sbiMin, sbiHelp, sbisystem, sbicaption)
using TSkinFormIcons = TSet<TSkinFormIcon>;

// Where a frame is in its life. The numbers are the engine's own, 32-bit,
// and 2 is unused: keep them as they are.
enum TFrameState : int32_t {
    FrameAttached = 0,   // window taken over, frame not yet shown: WM_NCPAINT is swallowed
    FrameSkinned = 1,    // the frame is ours and painted
    FrameChanging = 3,   // another skin is being put on
    FrameDestroying = 4, // the window is going away; nothing more is drawn
    FrameResizing = 5,   // the window is being sized to the skin's frame
    FrameReleased = 6,   // given back; the manager frees it at its next clean-up
};

class TWinSkinForm;
class TSkinManage;

// One caption-bar button; its skin object belongs to the skin data.
class TWinSysButton : public TNCObject {
public:
    TWinSysButton(TWinSkinForm* owner, TDataSkinSysButton* skin) : TNCObject(owner), SkinObject(skin) {}
    void MouseDown() override;
    void MouseUp() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Draw() override;

    TDataSkinSysButton* SkinObject;
};

class TWinSkinForm : public TComponent, public TSkinControlHost, public TSkinMenuHost {
    ORVANE_CLASS(TWinSkinForm, TComponent)
    explicit TWinSkinForm(TComponent* AOwner);
    ~TWinSkinForm() override;

    // --- What the skinned controls see of their frame
    HWND HostHandle() override { return Wnd; }
    TCustomForm* HostForm() override { return Form; }
    TSkinData* HostSkinData() override { return Data; }
    TCanvas* HostCanvas() override { return canvas2_.get(); }
    bool HostActive() override;
    TSkinControlList& HostControls() override { return *controls_; }

    // --- What the menu side sees of its frame
    HWND MenuHostHandle() const override { return Wnd; }
    TWinSkinForm* MenuHostFrame() override { return this; }
    TCustomForm* MenuHostForm() const override { return Form; }
    TSkinData* MenuHostSkinData() const override { return Data; }
    bool MenuHostMaximized() const override { return WindowState == swsMax; }
    bool MenuHostMinimized() const override { return WindowState == swsMin; }
    bool MenuHostHasMaximizeBox() const override { return Icons.Contains(sbiMax); }
    bool MenuHostHasMinimizeBox() const override { return Icons.Contains(sbiMin); }
    bool MenuHostRightToLeft() const override { return RightToLeft; }
    bool MenuHostActive() const override { return Active; }
    TRect MenuHostBandRect() const override;
    TRect MenuHostMDIButtonsRect() const override;
    void MenuHostDrawMDIButtons(HDC dc, TPoint origin) override;
    TCustomForm* MenuHostMDIFrameForm() const override;
    void MenuHostSetTracking(bool tracking) override { MenuTracking = tracking; }
    TNCObject* MenuHostHotObject() const override { return HotObject; }
    void MenuHostSetHotObject(TNCObject* object) override { HotObject = object; }
    void StopHoverTimer() override { StopHover(); }
    TFont* MenuHostCaptionFont() override { return captionFont_.get(); }
    DWORD MenuHostLastPopTime() const override { return LastSysMenuTime; }
    void MenuHostSetLastPopTime(DWORD ticks) override { LastSysMenuTime = ticks; }
    UINT MenuHostDoubleClickTime() const override { return DblClickTime; }
    TSkinFormMenus& Menus() { return *menus_; }

    // --- The attached skinned controls
    bool AddControlList(TSkinControl* control) { return controls_->AddControlList(control); }
    void DeleteControl(TSkinControl* control) { controls_->DeleteControl(control); }
    void DeleteControls() { controls_->DeleteControls(); }
    void DeleteSkinDeleted() { controls_->DeleteSkinDeleted(); }
    void InitControls(TWinControl* form) { controls_->InitControls(form); }
    void InitHwndControls(HWND wnd) { controls_->InitHwndControls(wnd); }

    // --- Take-over
    void InitTform(TSkinData* data, TCustomForm* form);
    void InitDlg(TSkinData* data) { InitSkin(data); }
    void InitSkin(TSkinData* data);
    void InitSkinData();
    void SkinChange();

    // --- Painting (winskinframepaint.cpp)
    void UpdateNc(HDC dc = nullptr);
    void Drawborder(int index, const TRect& rect, HDC dc);
    void DrawLine(TCanvas* canvas, const TRect& rect);
    void Refresh();
    static void RePaint(HWND wnd);
    void Cropwindow();
    void Uncropwindow();
    void ResizeForm(int keepCurrent);

    // --- Caption buttons and frame input (winskinsysbtn.cpp)
    void PopSysmenu(TPoint point);
    void DrawSysbtn(TWinSysButton* button, int state);
    void DrawAllSysbtn(HDC dc, const TRect& rect);
    void SetSysbtnRect();
    bool SysBtnVisible(int index);
    void SysBtnAction(int x, int y);
    TWinSysButton* FindBtn(TPoint point);
    TMenuBtn* MenuButtonAt(TPoint point); // the menu-bar button there, if any
    TPoint GetWinXY(int x, int y);
    void Maximize() override;
    void Restore() override;
    void Minimize() override;
    void DeleteSysbtn();

    // --- Release. The numbered names are the engine's own: keep them.
    void UnSubclass();  // the skin goes off a live window
    void UnSubclass2(); // a window whose frame was never skinned
    void UnSubclass3(); // on WM_NCDESTROY: no resizing, no drawing

    // The window and what the frame knows of it.
    TSkinManage* Manager = nullptr; // the manager listing this frame; told when it goes
    HWND Wnd = nullptr;
    TCustomForm* Form = nullptr;
    TSkinData* Data = nullptr;
    TFrameState FrameState = FrameAttached;
    bool Active = true;
    bool SkinFrame = false; // the frame is painted by us, not the system
    TSkinFormStyle FormStyle = sfsNormal;
    TSkinFormBorder Border = sbsSingle;
    TSkinFormIcons Icons;
    TSkinWindowState WindowState = swsNormal;
    bool RightToLeft = false, Sizeable = false, UnicodeWnd = false, MessageDialog = false, ChildWnd = false;
    bool ControlsInited = false;
    bool FrameChanged = false, TextChanged = false;
    bool MenuTracking = false;
    std::string WndClassName;
    HWND OwnerWnd = nullptr;
    HWND MDIClient = nullptr;
    HMENU Menu = nullptr, SysMenu = nullptr;
    DWORD Style = 0;
    TColor OldColor = clBtnFace;
    bool SavedMenuUpdate = true;
    std::string SkinFormName; // handed to the skin data's form events

    // Geometry, in pixels.
    int FrameLeft = 0, FrameTop = 0, FrameRight = 0, FrameBottom = 0;
    int MenuHeight = 0;
    int SysFrameWidth = 0, SysFrameHeight = 0; // system frame recorded at activation
    TRect WindowRect;                          // screen
    TRect CaptionRect;                         // window coordinates of the caption text
    int WinWidth = 0, WinHeight = 0;
    int RegionWidth = 0, RegionHeight = 0;
    int RightReserved = 0;
    int CaptionWidth = 0;
    std::wstring Caption;
    std::wstring CaptionPrefix = L"  ", CaptionSuffix = L" ";

    // Caption buttons and input.
    std::vector<std::unique_ptr<TWinSysButton>> SysButtons;
    int SysButtonCount() const { return static_cast<int>(SysButtons.size()); }
    TNCObject* HotObject = nullptr;
    DWORD LastSysMenuTime = 0;
    UINT DblClickTime = 500;
    TTimer* HoverTimer() const { return hoverTimer_.get(); }
    void OnTimer(TObject* Sender);

    HICON IconHandle = nullptr;
    bool RegionApplied = false;
    TFont* CaptionFont() const { return captionFont_.get(); }
    TCanvas* WorkCanvas() const { return canvas1_.get(); }
    TCanvas* WorkCanvas2() const { return canvas2_.get(); }
    TBitmap* IconBitmap() const { return iconBmp_.get(); }

protected:
    // The replaced window procedure and the message tables.
    static LRESULT CALLBACK WinWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MDIClientProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void WndProc(TMessage& m);
    // The second and third message tables; the numbered names are the engine's own: keep them.
    bool Table2(TMessage& m);
    bool Table3(TMessage& m);
    void Default(TMessage& m);
    void NewWndProc(TMessage& m);
    void Activate();
    void AfterSkin();
    void WMSize(TMessage& m);
    void WMNCCalcSize(TMessage& m);
    void WMSysCommand(TMessage& m);
    void RefreshWindowState();
    void GetIcon();
    void SubclassMDI();
    void UnSubclassMDI();
    void RestoreProcedures();
    void ReleaseControls();

    // Non-client input (winskinsysbtn.cpp).
    void WMNCHitTest(TMessage& m);
    void WMNCMouseMove(TMessage& m);
    void WMNCLButtonDown(TMessage& m);
    void WMNCLButtonUp(TMessage& m);
    void WMNCLButtonDblClk(TMessage& m);
    void WMNCRButtonDown(TMessage& m);
    void StopHover();
    void PostSysCommand(WPARAM command);
    bool HasSysClose();

    void DrawFLine(HDC dc, int w, int h, bool minimized);
    void DrawSysbtnTo(HDC dc, TWinSysButton* button, int frame);

private:
    WNDPROC oldWndProc_ = nullptr;
    WNDPROC oldMDIProc_ = nullptr;
    bool subclassed_ = false;
    bool formHooked_ = false;
    std::function<void(TMessage&)> oldFormProc_;
    std::unique_ptr<TTimer> hoverTimer_;
    std::unique_ptr<TFont> captionFont_;
    std::unique_ptr<TCanvas> canvas1_, canvas2_;
    std::unique_ptr<TBitmap> iconBmp_, captionBuffer_;
    std::unique_ptr<TSkinControlList> controls_;
    std::unique_ptr<TSkinFormMenus> menus_;
};

// The frame hangs on its window under this property; the replaced window
// procedure finds it there. The name is ours alone so that no other module
// mistakes it.
constexpr const char* SkinFramePropName = "OrvaneWinSkinForm";

// The frame of a window, found through the window property the frame sets.
TWinSkinForm* FindSkinFrame(HWND wnd);
// Every frame alive, whichever manager made it: the skin data reaches them
// all when a load replaces the objects their caption buttons point into.
std::vector<TWinSkinForm*>& LiveSkinFrames();
