// The skinned menu bar: one button per top-level item, drawn in the frame's
// menu band, opening its drop-down itself.
#include <algorithm>
#include <climits>
#include <cwctype>

#include "framework/forms.h"
#include "skin/winskindata.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"
#include "skin/winskinmenu.h"

namespace {

constexpr int MenuCaptionLength = 80;

bool HasMenuBar(const TSkinData* data)
{
    return data && data->MenuBar && !data->MenuBar->Image->Empty();
}

// The accelerator of a caption ("&File" -> 'f'), 0 without one.
wchar_t Accelerator(const std::wstring& caption)
{
    for (size_t i = 0; i + 1 < caption.size(); ++i)
        if (caption[i] == L'&') {
            if (caption[i + 1] != L'&') return static_cast<wchar_t>(std::towlower(caption[i + 1]));
            ++i;
        }
    return 0;
}

// The menu bar's drop-down being tracked on this thread, for the message
// hook (one at a time: the system tracks one menu per thread).
TSkinFormMenus* trackingMenus = nullptr;

} // namespace

// ---------------------------------------------------------------------------
// TMenuBtn

TMenuBtn::TMenuBtn(TWinSkinMenu& bar, TWinSkinForm* owner) : TNCObject(owner), Bar(bar) {}

void TMenuBtn::MouseEnter()
{
    if (!Visible) return;
    TSkinMenuHost& host = Bar.host_;
    if (TNCObject* hot = host.MenuHostHotObject(); hot && hot != this) hot->MouseLeave();
    host.MenuHostSetHotObject(this);
    State = NCStateHot;
    Draw();
}

void TMenuBtn::MouseDown()
{
    TSkinMenuHost& host = Bar.host_;
    if (TNCObject* hot = host.MenuHostHotObject(); hot && hot != this) hot->MouseLeave();
    if (!Visible) return;
    host.MenuHostSetHotObject(this);
    State = NCStatePressed;
    Draw();
}

void TMenuBtn::MouseUp()
{
    if (!Visible) return;
    State = NCStateHot;
    Draw();
}

void TMenuBtn::MouseLeave()
{
    if (!Visible) return;
    if (Bar.host_.MenuHostHotObject() == this) Bar.host_.MenuHostSetHotObject(nullptr);
    State = NCStateNormal;
    Draw();
}

void TMenuBtn::Draw()
{
    Bar.DrawButton(*this);
}

// ---------------------------------------------------------------------------
// TWinSkinMenu

TWinSkinMenu::TWinSkinMenu(TSkinFormMenus& menus, TSkinMenuHost& host) : menus_(menus), host_(host) {}

TWinSkinMenu::~TWinSkinMenu() = default;

void TWinSkinMenu::UpdataBtn()
{
    // The frame must not be left holding a button that goes now.
    if (TNCObject* hot = host_.MenuHostHotObject())
        for (auto& b : Buttons)
            if (b.get() == hot) host_.MenuHostSetHotObject(nullptr);
    Buttons.clear();
    TCustomForm* form = host_.MenuHostForm();
    MainMenu = form ? form->GetMenu() : nullptr;
    TSkinData* data = host_.MenuHostSkinData();
    auto add = [&]() -> TMenuBtn& {
        auto b = std::make_unique<TMenuBtn>(*this, host_.MenuHostFrame());
        b->SkinData = data;
        b->Index = static_cast<int32_t>(Buttons.size());
        Buttons.push_back(std::move(b));
        return *Buttons.back();
    };
    if (MainMenu) {
        // The system menu holds the visible items only; their submenus are
        // found by that position.
        int position = 0;
        for (int i = 0; i < MainMenu->Items()->Count(); ++i) {
            TMenuItem* item = MainMenu->Items()->Items(i);
            TMenuBtn& b = add();
            b.Item = item;
            b.Caption = StrToWideStr(item->GetCaption());
            b.Enabled = item->GetEnabled();
            b.Visible = item->GetVisible();
            b.Command = item->Command();
            if (b.Visible) {
                if (MenuHandle) b.SubMenu = GetSubMenu(MenuHandle, position);
                ++position;
            }
        }
        return;
    }
    const int n = MenuHandle ? GetMenuItemCount(MenuHandle) : 0;
    for (int i = 0; i < n; ++i) {
        wchar_t text[MenuCaptionLength + 1] = {};
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof mii;
        mii.fMask = MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_STRING;
        mii.dwTypeData = text;
        mii.cch = MenuCaptionLength;
        if (!GetMenuItemInfoW(MenuHandle, static_cast<UINT>(i), TRUE, &mii)) continue;
        TMenuBtn& b = add();
        b.Caption = text;
        b.Enabled = !(mii.fState & MFS_GRAYED);
        b.Visible = true;
        b.Command = mii.wID;
        b.SubMenu = mii.hSubMenu;
    }
}

void TWinSkinMenu::SetMenuRect(const TRect& band)
{
    MenuRect = band;
    TSkinData* data = host_.MenuHostSkinData();
    const bool rtl = host_.MenuHostRightToLeft();
    int offset = 6;
    if (HasMenuBar(data)) {
        offset = rtl ? data->MenuBar->Margins.Right + 8 : data->MenuBar->Margins.Left + 4;
        if (band.Width() < offset) offset = 12;
    }
    TWindowDC screen = TWindowDC::Get(nullptr);
    HDC dc = screen.Handle();
    TSelectObject font(dc, menus_.MenuFont()->Handle());
    int x = rtl ? band.Right - offset : band.Left + offset;
    // A maximized MDI child's buttons hold the band's right end; the bar's
    // buttons keep 5 pixels away, and one that would reach into them is not
    // shown at all rather than drawn under them.
    const TRect mdi = host_.MenuHostMDIButtonsRect();
    const int end = mdi.IsEmpty() ? INT_MAX : mdi.Left - 5;
    if (rtl) x = std::min(x, end);
    for (auto& b : Buttons) {
        if (!b->Visible) {
            b->BoundsRect = RECT{};
            continue;
        }
        RECT r{0, 0, 0, 0};
        DrawTextW(dc, b->Caption.c_str(), static_cast<int>(b->Caption.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE);
        const int w = (r.right - r.left) + 10;
        if (rtl) {
            b->BoundsRect = RECT{x - w, band.Top, x, band.Bottom - 1};
            x -= w;
        } else {
            b->BoundsRect = x + w <= end ? RECT{x, band.Top, x + w, band.Bottom - 1} : RECT{};
            x += w;
        }
    }
}

void TWinSkinMenu::PaintBand(TCanvas& canvas, const TRect& size)
{
    TSkinData* data = host_.MenuHostSkinData();
    if (HasMenuBar(data)) {
        TDataSkinObject& o = *data->MenuBar;
        const int frame = host_.MenuHostActive() ? 1 : 2;
        if (o.Tile == 1)
            DrawRect2(canvas.Handle(), size, o.Image.get(), true, false, false, 2, frame, o.Margins);
        else
            DrawRectTile(&canvas, size, o.Image.get(), true, false, 2, frame, o.Margins);
    } else {
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(data ? data->Colors[csMenuBar] : clMenu);
        canvas.FillRect(size);
    }
}

void TWinSkinMenu::PaintCaption(TCanvas& canvas, const TMenuBtn& button, const TRect& r, TColor color)
{
    HDC dc = canvas.Handle();
    TSelectObject font(dc, menus_.MenuFont()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(color));
    RECT rr = r;
    DrawTextW(dc, button.Caption.c_str(), static_cast<int>(button.Caption.size()), &rr,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

namespace {
TColor CaptionColor(const TSkinData* data, const TMenuBtn& b)
{
    if (!data) return b.Enabled ? clMenuText : clGrayText;
    return b.Enabled ? data->Colors[csMenuBarText] : data->Colors[csButtonShadow];
}
} // namespace

void TWinSkinMenu::DrawMenu(HDC dc, const TRect& band)
{
    if (!dc || band.IsEmpty()) return;
    Painting = true;
    SetMenuRect(band);
    const TRect size = Rect(0, 0, band.Width(), band.Height());
    band_ = std::make_unique<TBitmap>();
    band_->SetPixelFormat(pf24bit);
    band_->SetSize(size.Width(), size.Height());
    PaintBand(*band_->Canvas(), size);
    TBitmap shown;
    shown.SetPixelFormat(pf24bit);
    shown.SetSize(size.Width(), size.Height());
    shown.Canvas()->CopyRect(size, band_->Canvas(), size);
    TSkinData* data = host_.MenuHostSkinData();
    for (auto& b : Buttons) {
        if (!b->Visible || TRect(b->BoundsRect).IsEmpty()) continue;
        TRect r = b->BoundsRect;
        r = Rect(r.Left - band.Left, r.Top - band.Top, r.Right - band.Left, r.Bottom - band.Top);
        if (b->State != NCStateNormal && data) {
            shown.Canvas()->Brush()->SetColor(data->Colors[csButtonHilight]);
            shown.Canvas()->FrameRect(r);
        }
        PaintCaption(*shown.Canvas(), *b, r, CaptionColor(data, *b));
    }
    if (!host_.MenuHostMDIButtonsRect().IsEmpty())
        host_.MenuHostDrawMDIButtons(shown.Canvas()->Handle(), TPoint(band.Left, band.Top));
    BitBlt(dc, band.Left, band.Top, size.Width(), size.Height(), shown.Canvas()->Handle(), 0, 0, SRCCOPY);
    Painting = false;
}

void TWinSkinMenu::DrawButton(TMenuBtn& button)
{
    if (!band_ || !button.Visible || !IsWindow(host_.MenuHostHandle())) return;
    const TRect r = button.BoundsRect;
    if (r.IsEmpty()) return;
    try {
        TBitmap piece;
        piece.SetPixelFormat(pf24bit);
        piece.SetSize(r.Width(), r.Height());
        const TRect local = Rect(0, 0, r.Width(), r.Height());
        piece.Canvas()->CopyRect(local, band_->Canvas(),
                                 Bounds(r.Left - MenuRect.Left, r.Top - MenuRect.Top, r.Width(), r.Height()));
        TSkinData* data = host_.MenuHostSkinData();
        if (button.State != NCStateNormal && data) {
            piece.Canvas()->Brush()->SetColor(data->Colors[csButtonHilight]);
            piece.Canvas()->FrameRect(local);
        }
        PaintCaption(*piece.Canvas(), button, local, CaptionColor(data, button));
        TWindowDC dc = TWindowDC::Get(host_.MenuHostHandle(), true);
        BitBlt(dc.Handle(), r.Left, r.Top, r.Width(), r.Height(), piece.Canvas()->Handle(), 0, 0, SRCCOPY);
    } catch (const Exception&) {
        // A button that cannot be repainted now is painted with the frame.
    }
}

TMenuBtn* TWinSkinMenu::FindBtn(TPoint p) const
{
    for (auto& b : Buttons)
        if (b->Visible && TRect(b->BoundsRect).Contains(p)) return b.get();
    return nullptr;
}

// ---------------------------------------------------------------------------
// The frame's side of the bar

void TSkinFormMenus::AttachMenuBar(HMENU menu)
{
    HWND wnd = host_.MenuHostHandle();
    if (!menu) return;
    if (!menuBar_) menuBar_ = std::make_unique<TWinSkinMenu>(*this, host_);
    menuBar_->MenuHandle = menu;
    menuBar_->UpdataBtn();
    // The system must never draw the bar itself.
    if (IsWindow(wnd) && GetMenu(wnd) == menu) SetMenu(wnd, nullptr);
}

void TSkinFormMenus::DetachMenuBar()
{
    CancelMenu();
    if (!menuBar_) return;
    HWND wnd = host_.MenuHostHandle();
    if (TNCObject* hot = host_.MenuHostHotObject())
        for (auto& b : menuBar_->Buttons)
            if (b.get() == hot) host_.MenuHostSetHotObject(nullptr);
    HMENU menu = menuBar_->MenuHandle;
    if (TMainMenu* main = menuBar_->MainMenu; main && main->HandleAllocated()) menu = main->Handle();
    if (IsWindow(wnd) && menu && IsMenu(menu) && !GetMenu(wnd)) SetMenu(wnd, menu);
    menuBar_.reset();
}

void TSkinFormMenus::MenuChanged(HMENU menu)
{
    HWND wnd = host_.MenuHostHandle();
    if (!menu) return;
    TSkinData* data = host_.MenuHostSkinData();
    if (menuBar_ && (!data || data->MenuUpdate)) {
        menuBar_->MenuHandle = menu;
        menuBar_->UpdataBtn();
    }
    if (IsWindow(wnd) && GetMenu(wnd) == menu) SetMenu(wnd, nullptr);
}

void TSkinFormMenus::DrawMenuBar(HDC dc, const TRect& band)
{
    if (menuBar_) menuBar_->DrawMenu(dc, band);
}

LRESULT CALLBACK TSkinFormMenus::MenuMsgHook(int code, WPARAM wParam, LPARAM lParam)
{
    TSkinFormMenus* self = trackingMenus;
    if (self && code == MSGF_MENU && self->menuBar_) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        HWND wnd = self->host_.MenuHostHandle();
        if (msg->message == WM_MOUSEMOVE) {
            POINT screen = msg->pt;
            RECT wr{};
            GetWindowRect(wnd, &wr);
            const TPoint p(screen.x - wr.left, screen.y - wr.top);
            TMenuBtn* over = self->menuBar_->FindBtn(p);
            if (over && over != self->trackBtn_ && over->Enabled) {
                // Over another bar button: this drop-down goes and that one
                // opens, as if it had been clicked.
                EndMenu();
                PostMessageA(wnd, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(screen.x, screen.y));
            }
        } else if ((msg->message == WM_SYSKEYDOWN || msg->message == WM_KEYDOWN) && msg->wParam == VK_MENU) {
            EndMenu();
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void TSkinFormMenus::CheckMenu(TMenuBtn* button)
{
    HWND wnd = host_.MenuHostHandle();
    if (!button || !menuBar_ || tracking_) return;
    PostMessageA(wnd, WM_COMMAND, button->Command, 0);
    if (!button->SubMenu || !button->Enabled) return;
    tracking_ = true;
    trackBtn_ = button;
    host_.MenuHostSetTracking(true);
    if (TSkinManage* m = SkinManager) {
        m->MenuKind = MenuKindMain;
        m->AppPopup = true;
    }
    trackingMenus = this;
    msgHook_ = SetWindowsHookExA(WH_MSGFILTER, &TSkinFormMenus::MenuMsgHook, nullptr, GetCurrentThreadId());
    RECT wr{};
    GetWindowRect(wnd, &wr);
    const RECT b = button->BoundsRect;
    const bool rtl = host_.MenuHostRightToLeft();
    const int x = wr.left + (rtl ? b.right : b.left);
    const int y = wr.top + b.bottom;
    TrackPopupMenu(button->SubMenu, (rtl ? TPM_RIGHTALIGN : TPM_LEFTALIGN) | TPM_TOPALIGN | TPM_LEFTBUTTON, x,
                   y, 0, wnd, nullptr);
    EndTracking();
}

void TSkinFormMenus::EndTracking()
{
    if (msgHook_) UnhookWindowsHookEx(msgHook_);
    msgHook_ = nullptr;
    if (trackingMenus == this) trackingMenus = nullptr;
    const bool was = tracking_;
    tracking_ = false;
    if (was) host_.MenuHostSetTracking(false);
    if (was && SkinManager && SkinManager->MenuList.empty()) {
        SkinManager->MenuKind = MenuKindPopup;
        SkinManager->AppPopup = false;
    }
    if (TMenuBtn* b = trackBtn_) {
        trackBtn_ = nullptr;
        // The button may be gone if the menu changed while it was open.
        if (menuBar_)
            for (auto& own : menuBar_->Buttons)
                if (own.get() == b) b->MouseLeave();
    }
}

void TSkinFormMenus::ClickButton(TMenuBtn* button)
{
    if (!button || !button->Visible) return;
    button->MouseDown();
    CheckMenu(button);
}

void TSkinFormMenus::MenuSelect(WPARAM wParam, LPARAM)
{
    // wParam: the index of the bar button to open.
    if (!menuBar_ || wParam >= menuBar_->Buttons.size()) return;
    ClickButton(menuBar_->Buttons[wParam].get());
}

TMenuBtn* TSkinFormMenus::FindButtonFromAccel(wchar_t ch) const
{
    if (!menuBar_) return nullptr;
    const wchar_t key = static_cast<wchar_t>(std::towlower(ch));
    for (auto& b : menuBar_->Buttons) {
        if (!b->Visible) continue;
        if (ch == 0 || Accelerator(b->Caption) == key) return b.get();
    }
    return nullptr;
}

void TSkinFormMenus::CancelMenu()
{
    if (tracking_) EndMenu();
    EndTracking();
}

bool TSkinFormMenus::CMDialogChar(TMessage& message)
{
    const bool altOnly =
        GetKeyState(VK_MENU) < 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_SHIFT) >= 0;
    if (altOnly)
        if (TMenuBtn* b = FindButtonFromAccel(static_cast<wchar_t>(message.WParam)); b && b->Enabled) {
            ClickButton(b);
            message.Result = 1;
            return true;
        }
    // Accelerators of the bar that owns this window's (an MDI child's
    // frame, else the main window's) work from here too.
    TCustomForm* next = host_.MenuHostMDIFrameForm();
    if (!next) next = Application ? Application->MainForm() : nullptr;
    if (next && next != host_.MenuHostForm() && next->HandleAllocated()) {
        message.Result = next->Perform(CM_DIALOGCHAR, message.WParam, message.LParam);
        return message.Result != 0;
    }
    return false;
}
