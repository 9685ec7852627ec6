// Skinned menus: the pop-up menu window object that paints every menu
// window's frame and background from the skin, the owner-drawn item painting
// a skinned window uses for its menus and its skinned system menu, and the
// menu bar a skinned frame draws in its menu band. Win32 only.
//
// The frame (TWinSkinForm) owns one TSkinFormMenus and reaches it through
// the calls listed there; the menu side reaches the frame only through
// TSkinMenuHost, which the frame implements.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/gdiobj.h"
#include "framework/graphics.h"
#include "framework/menus.h"
#include "skin/winskinncobject.h"

class TCustomForm;
class TSkinData;
class TSkinManage;
class TWinSkinForm;
class TWinSkinMenu;

// The tag that marks the skinned system menu's pop-up menu.
constexpr int32_t SkinSysMenuTag = 0x8235;
// A menu item was selected (the frame hands it to MenuSelect).
constexpr UINT WM_SKIN_MENUSELECT = 0x3518;

// ---------------------------------------------------------------------------
// What the menu side needs from the skinned frame of its window.

class TSkinMenuHost {
public:
    virtual ~TSkinMenuHost() = default;

    virtual HWND MenuHostHandle() const = 0;
    // The frame object itself: the owner the menu-bar buttons report to.
    virtual TWinSkinForm* MenuHostFrame() = 0;
    // The window's framework form, or null for windows of other classes.
    virtual TCustomForm* MenuHostForm() const = 0;
    virtual TSkinData* MenuHostSkinData() const = 0;

    // Window state and icon set.
    virtual bool MenuHostMaximized() const = 0;
    virtual bool MenuHostMinimized() const = 0;
    virtual bool MenuHostHasMaximizeBox() const = 0;
    virtual bool MenuHostHasMinimizeBox() const = 0;
    virtual bool MenuHostRightToLeft() const = 0;
    // The frame is drawn active.
    virtual bool MenuHostActive() const = 0;

    // The menu band in window coordinates (empty without a menu bar).
    virtual TRect MenuHostBandRect() const = 0;
    // The buttons of a maximized MDI child that stand at the band's right
    // end: where they are, in window coordinates (empty when none show), and
    // their painting into dc, whose (0, 0) is the window point origin.
    virtual TRect MenuHostMDIButtonsRect() const = 0;
    virtual void MenuHostDrawMDIButtons(HDC dc, TPoint origin) = 0;
    // For an MDI child, its MDI frame's form; null otherwise.
    virtual TCustomForm* MenuHostMDIFrameForm() const = 0;
    // The menu bar has a drop-down open: the frame's hover timer leaves the
    // hot button alone meanwhile.
    virtual void MenuHostSetTracking(bool tracking) = 0;
    // The frame's hot non-client object (caption or menu-bar button).
    virtual TNCObject* MenuHostHotObject() const = 0;
    virtual void MenuHostSetHotObject(TNCObject* object) = 0;
    virtual void StopHoverTimer() = 0;

    virtual void Restore() = 0;
    virtual void Maximize() = 0;
    virtual void Minimize() = 0;

    virtual TFont* MenuHostCaptionFont() = 0;
    // The tick count of the last system-menu pop-up, and the system's
    // double-click time read when the frame was made.
    virtual DWORD MenuHostLastPopTime() const = 0;
    virtual void MenuHostSetLastPopTime(DWORD ticks) = 0;
    virtual UINT MenuHostDoubleClickTime() const = 0;
};

// ---------------------------------------------------------------------------
// Which kind of menu window is opening, as a frame tells the manager on
// WM_INITMENUPOPUP. It decides which skin option skins the menu. 32-bit.
enum TMenuKind : int32_t {
    MenuKindPopup = 0,  // nobody told: one of the application's pop-up menus (xcPopupMenu)
    MenuKindMain = 1,   // a drop-down of a window's menu (xcMainMenu or xcMenuItem)
    MenuKindSystem = 2, // the system menu (xcSystemMenu)
};

// A menu window (class "#32768"): frame and background from the skin.

class TWinSkinPopMenu {
public:
    TWinSkinPopMenu() = default;
    ~TWinSkinPopMenu();
    TWinSkinPopMenu(const TWinSkinPopMenu&) = delete;
    TWinSkinPopMenu& operator=(const TWinSkinPopMenu&) = delete;

    // Subclasses the menu window.
    void InitSkin(HWND wnd, TSkinData* data, TMenuKind kind);
    // Gives the window its own procedure back; safe to call twice.
    void UnSubClass();

    LRESULT WinWndProc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT NcPaint(WPARAM wParam, LPARAM lParam);
    LRESULT WMPrint(WPARAM wParam, LPARAM lParam);
    LRESULT WMPrintClient(WPARAM wParam, LPARAM lParam);
    LRESULT WMERASEBKGND(WPARAM wParam, LPARAM lParam);
    // Paints the background bitmap for the window's current size; false
    // when the skin has no menu background to paint.
    bool UpdateMenu();

    bool Subclassed() const { return oldProc_ != nullptr; }
    // Where the client area starts in the window: the menu frame's width.
    TPoint ClientOffset() const;
    // The whole menu window painted from the skin (null until painted).
    TBitmap* Background() const { return bg_.get(); }

    HWND Wnd = nullptr;
    // The manager that made it: while that one is disabled the menu keeps
    // the system's painting.
    TSkinManage* Manager = nullptr;
    TSkinData* SkinData = nullptr;
    int32_t LastSelected = -1;
    TMenuKind Kind = MenuKindPopup;
    // The menu shown in the window, once an item drawing told which.
    HMENU Menu = nullptr;
    // The window shows one of the application's own pop-up menus.
    bool AppMenu = false;

private:
    static LRESULT CALLBACK MenuProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void DeleteRegion();
    // Shapes the window to the background's pixels other than the key.
    void CutKeyColour();

    WNDPROC oldProc_ = nullptr;
    std::unique_ptr<TBitmap> bg_;
    bool regionApplied_ = false;
    TRegionHandle region_;
};

// The pop-up menu object painted last.
extern TWinSkinPopMenu* newskinmenu;

// ---------------------------------------------------------------------------
// The menu bar.

class TMenuBtn : public TNCObject {
public:
    TMenuBtn(TWinSkinMenu& bar, TWinSkinForm* owner);

    void MouseDown() override;
    void MouseUp() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void Draw() override;

    TWinSkinMenu& Bar;
    TMenuItem* Item = nullptr; // the framework item, when the bar shows a TMainMenu
    TSkinData* SkinData = nullptr;
    int32_t Index = 0;
    std::wstring Caption;
    HMENU SubMenu = nullptr;
    UINT Command = 0;
};

class TSkinFormMenus;
class TSkinMenuWatch;

class TWinSkinMenu {
public:
    TWinSkinMenu(TSkinFormMenus& menus, TSkinMenuHost& host);
    ~TWinSkinMenu();
    TWinSkinMenu(const TWinSkinMenu&) = delete;
    TWinSkinMenu& operator=(const TWinSkinMenu&) = delete;

    // Rebuilds the buttons from the framework main menu (when the form has
    // one) or from MenuHandle.
    void UpdataBtn();
    // Lays the buttons out in band (window coordinates).
    void SetMenuRect(const TRect& band);
    // Paints the band and every button into dc (a window DC).
    void DrawMenu(HDC dc, const TRect& band);
    // Repaints one button over the stored band, straight into the window.
    void DrawButton(TMenuBtn& button);
    // The visible button at a point in window coordinates, or null.
    TMenuBtn* FindBtn(TPoint p) const;
    int Count() const { return static_cast<int>(Buttons.size()); }

    std::vector<std::unique_ptr<TMenuBtn>> Buttons;
    TMainMenu* MainMenu = nullptr;
    TRect MenuRect;
    HMENU MenuHandle = nullptr;
    bool Painting = false;
    // The band as last painted, for repainting single buttons.
    TBitmap* Band() const { return band_.get(); }

private:
    friend class TMenuBtn;
    void PaintBand(TCanvas& canvas, const TRect& size);
    void PaintCaption(TCanvas& canvas, const TMenuBtn& button, const TRect& r, TColor color);

    TSkinFormMenus& menus_;
    TSkinMenuHost& host_;
    std::unique_ptr<TBitmap> band_;
};

// ---------------------------------------------------------------------------
// The menu half of a skinned window. The frame owns one and calls:
//   InitSkin, once skinned:        InitPopMenu(true), InitMainMenu(true) when
//                                  xcMenuItem, AttachMenuBar(GetMenu(wnd))
//                                  when the window has a menu (not MDI child)
//   UpdateNc, menu band:           DrawMenuBar(dc, band)
//   WM_INITMENU:                   WMINITMENU(hmenu)
//   WM_INITMENUPOPUP:              FindPopupMenu on the manager, then default
//   WM_MEASUREITEM / WM_DRAWITEM:  WMMEASUREITEM / WMDRAWITEM; default when false
//   WM_NCMOUSEMOVE / LBUTTONDOWN:  MenuBar()->FindBtn, MouseEnter / MouseDown
//                                  then CheckMenu
//   WM_SYSCOMMAND SC_KEYMENU:      FindButtonFromAccel, then CheckMenu
//   CM_DIALOGCHAR (form hook):     CMDialogChar
//   0x3518:                        MenuSelect
//   CM_MENUCHANGED:                MenuChanged(GetMenu(wnd))
//   caption right click, icon:     PopSysmenu(screen point)
//   WM_SYSCOMMAND SC_KEYMENU ' ':  KeySysmenu(client origin)
//   UnSubclass / UnSubclass2:      InitPopMenu(false), InitMainMenu(false),
//                                  DetachMenuBar()
class TSkinFormMenus {
public:
    explicit TSkinFormMenus(TSkinMenuHost& host);
    ~TSkinFormMenus();
    TSkinFormMenus(const TSkinFormMenus&) = delete;
    TSkinFormMenus& operator=(const TSkinFormMenus&) = delete;

    // --- Owner-drawn items (events of framework items)
    void MeasureItem(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
    void MeasureItemPop(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height);
    void DrawMenuItem(TObject* Sender, TCanvas* ACanvas, const TRect& ARect, bool Selected);
    void DrawMenuCaption(TCanvas* ACanvas, const TRect& ARect);
    void DrawItemText(TMenuItem* item, TCanvas* ACanvas, bool selected, const TRect& R);
    // One line of item text; measure only (DT_CALCRECT in format) widens an
    // empty caption to a space.
    void DoDrawText(TCanvas* ACanvas, const std::string& text, TRect& r, UINT format);
    // The item without a MenuItem object: colours only.
    void DefaultMenuItem(TMenuItem* item, TCanvas* ACanvas, const TRect& ARect, bool Selected);

    // --- Items of plain menus (no framework item behind them)
    // A transient framework item carrying the text and state of item `id`.
    std::unique_ptr<TMenuItem> CreateMenuItem(HMENU menu, UINT id);
    void DrawHMenuItem2(const DRAWITEMSTRUCT& dis);
    bool WMMEASUREITEM(MEASUREITEMSTRUCT* mis);
    bool WMDRAWITEM(DRAWITEMSTRUCT* dis);
    // Every item of the menu and its submenus becomes owner-drawn.
    void WMINITMENU(HMENU menu);

    // --- Hanging the painting on the form's framework menus (and taking it away)
    void InitPopMenu(bool skin);
    void InitMainMenu(bool skin);
    void InitToolbarMenu(bool skin);
    // The background of the menu window showing menu, or null.
    TBitmap* GetMenuBG(HMENU menu);

    // --- The skinned system menu
    void PopSysmenu(TPoint p);
    // Alt+Space: the same menu, but a key is never half of a double click.
    void KeySysmenu(TPoint p);
    void CreateSysmenu2();
    void CreateSysmenu();
    TPopupMenu* SysMenu() const { return sysMenu_.get(); }

    // --- The menu bar
    TWinSkinMenu* MenuBar() const { return menuBar_.get(); }
    // Takes the window's menu over (the window stops drawing it itself).
    void AttachMenuBar(HMENU menu);
    // Gives the window its menu back and frees the bar.
    void DetachMenuBar();
    void MenuChanged(HMENU menu);
    void DrawMenuBar(HDC dc, const TRect& band);
    void CheckMenu(TMenuBtn* button);
    void ClickButton(TMenuBtn* button);
    void MenuSelect(WPARAM wParam, LPARAM lParam);
    TMenuBtn* FindButtonFromAccel(wchar_t ch) const;
    void CancelMenu();
    // The form's CM_DIALOGCHAR after the form had its go; answers whether a
    // bar button took it.
    bool CMDialogChar(TMessage& message);
    bool Tracking() const { return tracking_; }

    TFont* MenuFont() { return &menuFont_; }
    TSkinMenuHost& Host() { return host_; }

private:
    friend class TWinSkinMenu;
    TImageList* ImagesOf(TMenuItem* item) const;
    // DrawMenuItem for an item shown in the menu parent.
    void DrawItemIn(TMenuItem* item, HMENU parent, TCanvas* ACanvas, const TRect& ARect, bool Selected);
    void HookMenu(TMenu* menu, bool skin, bool main);
    std::unique_ptr<TPopupMenu> NewSysMenu();
    void ShowSysmenu(TPoint p);
    TMenuItem* AddSysItem(const std::string& caption, int image, TNotifyEvent click);
    void EndTracking();
    static LRESULT CALLBACK MenuMsgHook(int code, WPARAM wParam, LPARAM lParam);

    TSkinMenuHost& host_;
    TFont menuFont_;
    std::unique_ptr<TPopupMenu> sysMenu_;
    std::unique_ptr<TWinSkinMenu> menuBar_;
    // The framework menus carrying the engine's events, and the component
    // that hears of their destruction.
    std::vector<TMenu*> hooked_;
    std::unique_ptr<TSkinMenuWatch> watch_;
    // Texts of plain menu items made owner-drawn, by command identifier.
    std::map<UINT, std::string> plainTexts_;
    bool tracking_ = false;
    TMenuBtn* trackBtn_ = nullptr;
    HHOOK msgHook_ = nullptr;
};
