// Menu windows: the pop-up menu window object and the manager's list of them.
#include <algorithm>

#include "framework/forms.h"
#include "skin/winskindata.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"
#include "skin/winskinmenu.h"

TWinSkinPopMenu* newskinmenu = nullptr;

namespace {

// The window property that leads from a menu window to its object.
constexpr const char* MenuObjectProp = "OrvaneSkinPopMenu";
// The system menu window's frame: items start this far in.
constexpr int MenuBorder = 3;

bool HasMenuBackground(const TSkinData* data)
{
    return data && !data->NotLoaded && data->MenuBackground && !data->MenuBackground->Image->Empty();
}

SIZE WindowSize(HWND wnd)
{
    RECT r{};
    GetWindowRect(wnd, &r);
    return {r.right - r.left, r.bottom - r.top};
}

// The border strips of the background, copied around the window's edges.
void CopyFrameStrips(HDC dc, TBitmap* bg)
{
    HDC src = bg->Canvas()->Handle();
    const int w = bg->GetWidth(), h = bg->GetHeight();
    BitBlt(dc, 0, 0, w, MenuBorder, src, 0, 0, SRCCOPY);
    BitBlt(dc, 0, h - MenuBorder, w, MenuBorder, src, 0, h - MenuBorder, SRCCOPY);
    BitBlt(dc, 0, 0, MenuBorder, h, src, 0, 0, SRCCOPY);
    BitBlt(dc, w - MenuBorder, 0, MenuBorder, h, src, w - MenuBorder, 0, SRCCOPY);
}

} // namespace

// ---------------------------------------------------------------------------
// TWinSkinPopMenu

TWinSkinPopMenu::~TWinSkinPopMenu()
{
    UnSubClass();
    if (newskinmenu == this) newskinmenu = nullptr;
}

void TWinSkinPopMenu::InitSkin(HWND wnd, TSkinData* data, TMenuKind kind)
{
    if (oldProc_) return;
    Wnd = wnd;
    SkinData = data;
    Kind = kind;
    SetPropA(wnd, MenuObjectProp, this);
    oldProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWinSkinPopMenu::MenuProc)));
    if (!oldProc_) RemovePropA(wnd, MenuObjectProp);
}

void TWinSkinPopMenu::UnSubClass()
{
    if (!oldProc_) return;
    if (IsWindow(Wnd)) {
        // Only put ours back if nobody subclassed on top of us meanwhile.
        if (GetWindowLongPtrA(Wnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TWinSkinPopMenu::MenuProc))
            SetWindowLongPtrA(Wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(oldProc_));
        RemovePropA(Wnd, MenuObjectProp);
    }
    oldProc_ = nullptr;
    DeleteRegion();
}

void TWinSkinPopMenu::DeleteRegion()
{
    if (regionApplied_ && IsWindow(Wnd)) SetWindowRgn(Wnd, nullptr, FALSE);
    regionApplied_ = false;
    region_.Reset();
}

LRESULT CALLBACK TWinSkinPopMenu::MenuProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<TWinSkinPopMenu*>(GetPropA(wnd, MenuObjectProp));
    if (!self) return DefWindowProcA(wnd, msg, wParam, lParam);
    return self->WinWndProc(msg, wParam, lParam);
}

LRESULT TWinSkinPopMenu::Default(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!oldProc_) return DefWindowProcA(Wnd, msg, wParam, lParam);
    return CallWindowProcA(oldProc_, Wnd, msg, wParam, lParam);
}

LRESULT TWinSkinPopMenu::WinWndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_SKIN_ISSKINNED) return 1;
    if (!Manager || !Manager->Enabled) return Default(msg, wParam, lParam);
    switch (msg) {
    case WM_DESTROY: {
        WNDPROC old = oldProc_;
        HWND wnd = Wnd;
        UnSubClass();
        return CallWindowProcA(old, wnd, msg, wParam, lParam);
    }
    case WM_ERASEBKGND:
        return WMERASEBKGND(wParam, lParam);
    case WM_NCPAINT:
        return NcPaint(wParam, lParam);
    case WM_PAINT: {
        // Where the system draws the menu's frame inside the client area
        // (no non-client border), the skin's frame goes back over it.
        LRESULT result = Default(msg, wParam, lParam);
        if (ClientOffset() == TPoint(0, 0) && UpdateMenu()) try {
                TWindowDC dc = TWindowDC::Get(Wnd, true);
                CopyFrameStrips(dc.Handle(), bg_.get());
            } catch (const Exception&) {
            }
        return result;
    }
    case WM_PRINT:
        return WMPrint(wParam, lParam);
    case WM_PRINTCLIENT:
        return WMPrintClient(wParam, lParam);
    default:
        return Default(msg, wParam, lParam);
    }
}

LRESULT TWinSkinPopMenu::WMERASEBKGND(WPARAM wParam, LPARAM lParam)
{
    // Windows 9x erased with a brush that fought the skin; there it is
    // never passed on.
    if (!Win32PlatformIsUnicode) return 1;
    if (!(SkinData && SkinData->Options.Contains(xoMenuBG))) Default(WM_ERASEBKGND, wParam, lParam);
    return 1;
}

bool TWinSkinPopMenu::UpdateMenu()
{
    if (!HasMenuBackground(SkinData) || !IsWindow(Wnd)) return false;
    const SIZE size = WindowSize(Wnd);
    if (size.cx <= 0 || size.cy <= 0) return false;
    if (!bg_ || bg_->GetWidth() != size.cx || bg_->GetHeight() != size.cy) {
        TDataSkinObject& o = *SkinData->MenuBackground;
        bg_ = GetHMap(Rect(0, 0, size.cx, size.cy), o.Image.get(), o.Margins, false, o.Tile == 1, 1, 1);
        if (bg_) CutKeyColour();
    }
    return bg_ != nullptr;
}

void TWinSkinPopMenu::CutKeyColour()
{
    // The key colour marks what no skin image shows: a background with
    // rounded or cut corners leaves them to whatever lies below the menu,
    // as the window frame's borders do. A background without the key keeps
    // the window's plain rectangle.
    TRegionHandle shape = BitmapToRegion(bg_.get(), 0, 0, 1, 1, 1, SkinKeyColor);
    RECT box{};
    const bool whole =
        !shape || (GetRgnBox(shape.Get(), &box) == SIMPLEREGION && box.left == 0 && box.top == 0 &&
                   box.right == bg_->GetWidth() && box.bottom == bg_->GetHeight());
    if (whole) {
        if (regionApplied_) SetWindowRgn(Wnd, nullptr, FALSE);
        regionApplied_ = false;
        return;
    }
    // Called while painting: the paint under way draws into the new shape.
    if (SetWindowRgn(Wnd, shape.Get(), FALSE)) {
        shape.Release(); // the window's now
        regionApplied_ = true;
    }
}

TPoint TWinSkinPopMenu::ClientOffset() const
{
    POINT p{0, 0};
    RECT r{};
    if (!IsWindow(Wnd) || !ClientToScreen(Wnd, &p) || !GetWindowRect(Wnd, &r))
        return {MenuBorder, MenuBorder};
    return {p.x - r.left, p.y - r.top};
}

LRESULT TWinSkinPopMenu::NcPaint(WPARAM wParam, LPARAM lParam)
{
    if (!UpdateMenu()) return Default(WM_NCPAINT, wParam, lParam);
    newskinmenu = this;
    try {
        TWindowDC dc = TWindowDC::Get(Wnd, true);
        CopyFrameStrips(dc.Handle(), bg_.get());
        BitBlt(dc.Handle(), 0, 0, bg_->GetWidth(), bg_->GetHeight(), bg_->Canvas()->Handle(), 0, 0, SRCCOPY);
    } catch (const Exception&) {
        // A menu that cannot be painted from the skin keeps what it shows.
    }
    return 0;
}

LRESULT TWinSkinPopMenu::WMPrint(WPARAM wParam, LPARAM lParam)
{
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (!dc || !UpdateMenu()) return Default(WM_PRINT, wParam, lParam);
    const int w = bg_->GetWidth(), h = bg_->GetHeight();
    BitBlt(dc, 0, 0, w, h, bg_->Canvas()->Handle(), 0, 0, SRCCOPY);
    TSaveDC save(dc);
    SetBkMode(dc, TRANSPARENT);
    IntersectClipRect(dc, MenuBorder, MenuBorder, w - MenuBorder, h - MenuBorder);
    return Default(WM_PRINT, wParam, lParam);
}

LRESULT TWinSkinPopMenu::WMPrintClient(WPARAM wParam, LPARAM lParam)
{
    LRESULT result = Default(WM_PRINTCLIENT, wParam, lParam);
    HDC dc = reinterpret_cast<HDC>(wParam);
    if (dc && UpdateMenu()) CopyFrameStrips(dc, bg_.get());
    return result;
}

// ---------------------------------------------------------------------------
// The manager's menu list

bool TSkinManage::AddMenu(HWND wnd)
{
    if (!Enabled || !IsWindow(wnd)) return false;
    if (FindSkinMenu(wnd)) return false;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(wnd, WM_SKIN_ISSKINNED, 0, 0, SMTO_NORMAL, 1000, &answer) && answer == 1)
        return false;
    TSkinData* data = FindSkindata(wnd);
    if (!data || data->NotLoaded) return false;
    const TSkinControlTypes& c = data->SkinControls;
    bool wanted = false;
    switch (MenuKind) {
    case MenuKindPopup:
        wanted = c.Contains(xcPopupMenu);
        break;
    case MenuKindMain:
        wanted = c.Contains(xcMainMenu) || c.Contains(xcMenuItem);
        break;
    case MenuKindSystem:
        wanted = c.Contains(xcSystemMenu);
        break;
    }
    if (!wanted) return false;
    auto menu = std::make_unique<TWinSkinPopMenu>();
    menu->Manager = this;
    menu->InitSkin(wnd, data, MenuKind);
    if (!menu->Subclassed()) return false;
    menu->AppMenu = AppPopup;
    MenuList.push_back(std::move(menu));
    return true;
}

void TSkinManage::DeleteMenu(HWND wnd)
{
    auto it = std::find_if(MenuList.begin(), MenuList.end(), [&](const auto& m) { return m->Wnd == wnd; });
    if (it == MenuList.end()) return;
    (*it)->UnSubClass();
    MenuList.erase(it);
    if (MenuList.empty()) {
        AppPopup = false;
        MenuKind = MenuKindPopup;
    }
}

TWinSkinPopMenu* TSkinManage::FindSkinMenu(HWND wnd) const
{
    for (const auto& m : MenuList)
        if (m->Wnd == wnd) return m.get();
    return nullptr;
}

void TSkinManage::FindPopupMenu(HMENU menu)
{
    if (!menu || !Screen) return;
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        for (int j = 0; j < form->ComponentCount(); ++j) {
            auto* popup = dynamic_cast<TPopupMenu*>(form->Components(j));
            if (popup && popup->HandleAllocated() && popup->Handle() == menu) {
                AppPopup = true;
                return;
            }
        }
    }
}

void TSkinManage::SetPopMenu()
{
    for (auto& m : MenuList)
        m->AppMenu = true;
}

void TSkinManage::SetHMenu(HMENU menu)
{
    if (!menu) return;
    for (auto& m : MenuList)
        if (m->Menu == menu) return;
    for (auto it = MenuList.rbegin(); it != MenuList.rend(); ++it)
        if (!(*it)->Menu) {
            (*it)->Menu = menu;
            return;
        }
}

TBitmap* TSkinManage::GetMenuBg(HMENU menu) const
{
    for (const auto& m : MenuList)
        if (m->Menu == menu && menu) {
            m->UpdateMenu();
            return m->Background();
        }
    return nullptr;
}
