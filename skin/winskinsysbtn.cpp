// The caption buttons of a skinned frame (placement, visibility, drawing,
// actions) and the frame's own handling of non-client mouse input, the hover
// timer and the system commands.
#include <algorithm>

#include "skin/winskinform.h"
#include "skin/winskinframe.h"
#include "skin/winskinimage.h"

namespace {

bool IsIconAction(int action)
{
    return action == 3 || action == 11;
}

// A button's image, one frame wide; empty when the skin gives it nothing to
// show (no image, or no frames to divide it into).
TRect ButtonSize(const TDataSkinSysButton* obj)
{
    if (!obj || obj->Image->Empty() || obj->Frame < 1) return {};
    return Rect(0, 0, obj->Image->GetWidth() / obj->Frame, obj->Image->GetHeight());
}

TPoint MessagePoint(LPARAM lParam)
{
    return Point(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
}

} // namespace

// ---------------------------------------------------------------------------
// TWinSysButton

void TWinSysButton::MouseEnter()
{
    if (!Visible) return;
    if (Owner->HotObject == this && State != NCStateNormal) return; // already shown hot or pressed
    if (Owner->HotObject && Owner->HotObject != this) Owner->HotObject->MouseLeave();
    Owner->HotObject = this;
    State = NCStateHot;
    Draw();
}

void TWinSysButton::MouseDown()
{
    if (Owner->HotObject && Owner->HotObject != this) Owner->HotObject->MouseLeave();
    if (!Visible) return;
    Owner->HotObject = this;
    State = NCStatePressed;
    Draw();
}

void TWinSysButton::MouseUp()
{
    if (!Visible) return;
    State = NCStateHot;
    Draw();
}

void TWinSysButton::MouseLeave()
{
    if (!Visible) return;
    if (Owner->HotObject == this) Owner->HotObject = nullptr;
    State = NCStateNormal;
    Draw();
}

void TWinSysButton::Draw()
{
    Owner->DrawSysbtn(this, State);
}

// ---------------------------------------------------------------------------
// Placement, visibility, drawing

void TWinSkinForm::DeleteSysbtn()
{
    HotObject = nullptr;
    SysButtons.clear();
}

bool TWinSkinForm::SysBtnVisible(int index)
{
    if (index < 0 || index >= SysButtonCount()) return false;
    TWinSysButton& b = *SysButtons[static_cast<size_t>(index)];
    const TDataSkinSysButton& obj = *b.SkinObject;
    const bool maxed = WindowState == swsMax;
    const bool hasMin = Icons.Contains(sbiMin), hasMax = Icons.Contains(sbiMax);
    const bool hasSys = Icons.Contains(sbisystem), hasHelp = Icons.Contains(sbiHelp);
    const bool minOrMax = hasMin || hasMax;
    auto test = [&](int v, bool first) -> bool {
        switch (v) {
        case 0:
            return true;
        case 1:
            return maxed;
        case 2:
            return !maxed;
        case 3:
            return Active;
        case 4:
            return !Active;
        case 6:
        case 8:
            return first ? minOrMax && hasSys : minOrMax;
        case 7:
            return !hasMax;
        case 9:
            return !hasMin;
        case 10:
            return first ? hasHelp && !hasMin && !hasMax : hasHelp;
        case 100:
            return FormStyle == sfsMDIform && Manager && Manager->MDIChildMax && menus_->MenuBar();
        case 200:
            return Border == sbsDialog && !MessageDialog;
        default:
            if (v >= 201 && v <= 999) return true;
            if (v >= 1000 && v <= 2000)
                return !first ||
                       SendMessageA(Wnd, WM_SKIN_SYSBTNVISIBLE, static_cast<WPARAM>(v), obj.Action) > 0;
            return false;
        }
    };
    bool visible = test(obj.Visibility, true) && test(obj.Visibility1, false);
    switch (obj.Action) {
    case 0:
        visible = visible && hasSys;
        break;
    case 1:
        b.Enabled = hasMax && hasSys;
        break;
    case 2:
        b.Enabled = hasMin && hasSys;
        break;
    case 3:
    case 11:
    case 12:
        if (Border == sbsDialog) visible = false;
        break;
    default:
        break;
    }
    b.Visible = visible;
    return visible;
}

void TWinSkinForm::SetSysbtnRect()
{
    const int w = WinWidth;
    for (int i = 0; i < SysButtonCount(); ++i) {
        TWinSysButton& b = *SysButtons[static_cast<size_t>(i)];
        const TDataSkinSysButton& obj = *b.SkinObject;
        const TRect size = ButtonSize(&obj);
        if (!SysBtnVisible(i) || size.IsEmpty()) {
            // Nothing to show is nothing to hit either.
            b.Visible = false;
            b.BoundsRect = {};
            continue;
        }
        const int bw = size.Width(), bh = size.Height();
        TPoint p(obj.Xcoord, obj.Ycoord);
        switch (obj.Align) {
        case 1:
            p.X = w - obj.Xcoord;
            break;
        case 2:
        case 8:
            p.X = CaptionRect.Left - bw - obj.Xcoord;
            break;
        case 3:
        case 9:
            p.X = CaptionRect.Right + obj.Xcoord;
            break;
        case 100:
            p.X = w - obj.Xcoord - FrameRight - (Data->MenuBar ? Data->MenuBar->Margins.Left : 0);
            p.Y = FrameTop + (MenuHeight - bh) / 2;
            break;
        default:
            break;
        }
        b.BoundsRect = Bounds(p.X, p.Y, bw, bh);
    }
}

void TWinSkinForm::DrawSysbtnTo(HDC dc, TWinSysButton* b, int frame)
{
    const TDataSkinSysButton& obj = *b->SkinObject;
    if (IsIconAction(obj.Action)) {
        if (IconHandle)
            DrawIconEx(dc, b->BoundsRect.left, b->BoundsRect.top, IconHandle, GetSystemMetrics(SM_CXSMICON),
                       GetSystemMetrics(SM_CYSMICON), 0, nullptr, DI_NORMAL);
        return;
    }
    DrawRect1(dc, b->BoundsRect, obj.Image.get(), true, obj.Frame, frame);
}

void TWinSkinForm::DrawAllSysbtn(HDC dc, const TRect&)
{
    for (auto& b : SysButtons) {
        const TDataSkinSysButton& obj = *b->SkinObject;
        if (!b->Visible || obj.Image->Empty() || obj.Visibility == 100) continue;
        int frame = Active && b->Enabled ? 1 : 4;
        if (obj.Frame < 4) frame = 1;
        DrawSysbtnTo(dc, b.get(), frame);
    }
}

namespace {
bool InMenuBand(const TWinSysButton& b)
{
    return b.Visible && b.SkinObject->Visibility == 100 && !b.SkinObject->Image->Empty();
}
} // namespace

TRect TWinSkinForm::MenuHostMDIButtonsRect() const
{
    TRect all;
    for (auto& b : SysButtons) {
        if (!InMenuBand(*b)) continue;
        const TRect r = b->BoundsRect;
        all = all.IsEmpty() ? r
                            : Rect(std::min(all.Left, r.Left), std::min(all.Top, r.Top), std::max(all.Right, r.Right),
                                   std::max(all.Bottom, r.Bottom));
    }
    return all;
}

void TWinSkinForm::MenuHostDrawMDIButtons(HDC dc, TPoint origin)
{
    POINT old{};
    OffsetViewportOrgEx(dc, -origin.X, -origin.Y, &old);
    for (auto& b : SysButtons) {
        if (!InMenuBand(*b)) continue;
        int frame = Active && b->Enabled ? 1 : 4;
        if (b->SkinObject->Frame < 4) frame = 1;
        DrawSysbtnTo(dc, b.get(), frame);
    }
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

TCustomForm* TWinSkinForm::MenuHostMDIFrameForm() const
{
    return FormStyle == sfsMDIChild && Manager ? Manager->MDIForm : nullptr;
}

void TWinSkinForm::DrawSysbtn(TWinSysButton* b, int state)
{
    if (!b || !b->Visible || b->SkinObject->Image->Empty() || !Data || Data->NotLoaded) return;
    if (FrameState != FrameSkinned && FrameState != FrameChanging) return;
    const TDataSkinSysButton& obj = *b->SkinObject;
    int frame = state;
    if (!b->Enabled) frame = obj.Frame < 4 ? 1 : 4;
    if (obj.Visibility == 100 && state == NCStateHot) frame = 4;
    try {
        TWindowDC dc = TWindowDC::Get(Wnd, true);
        DrawSysbtnTo(dc.Handle(), b, frame);
    } catch (...) {
    }
}

TWinSysButton* TWinSkinForm::FindBtn(TPoint p)
{
    for (auto& b : SysButtons)
        if (b->Visible && !b->SkinObject->Image->Empty() && TRect(b->BoundsRect).Contains(p)) return b.get();
    return nullptr;
}

TMenuBtn* TWinSkinForm::MenuButtonAt(TPoint p)
{
    TWinSkinMenu* bar = menus_->MenuBar();
    return bar ? bar->FindBtn(p) : nullptr;
}

TPoint TWinSkinForm::GetWinXY(int x, int y)
{
    POINT p{x, y};
    ScreenToClient(Wnd, &p);
    if (!(FormStyle == sfsMDIChild && WindowState == swsMin)) {
        p.x += FrameLeft;
        p.y += FrameTop + MenuHeight;
    }
    return Point(p.x, p.y);
}

// ---------------------------------------------------------------------------
// Actions and window state

void TWinSkinForm::StopHover()
{
    if (hoverTimer_) hoverTimer_->SetEnabled(false);
}

void TWinSkinForm::PostSysCommand(WPARAM command)
{
    PostMessageA(Wnd, WM_SYSCOMMAND, command, 0);
}

bool TWinSkinForm::HasSysClose()
{
    const DWORD version = GetVersion();
    if ((version & 0x80000000u) || LOBYTE(LOWORD(version)) < 5) return true;
    HMENU menu = GetSystemMenu(Wnd, FALSE);
    if (!menu) menu = SysMenu;
    return menu && GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

void TWinSkinForm::SysBtnAction(int x, int y)
{
    auto* b = dynamic_cast<TWinSysButton*>(HotObject);
    if (!b || !b->Visible) return;
    const int action = b->SkinObject->Action;
    auto toActiveChild = [&](WPARAM command) {
        if (!MDIClient) return;
        if (HWND child = reinterpret_cast<HWND>(SendMessageA(MDIClient, WM_MDIGETACTIVE, 0, 0)))
            SendMessageA(child, WM_SYSCOMMAND, command, 0);
    };
    switch (action) {
    case 0:
        if (HasSysClose()) {
            StopHover();
            PostSysCommand(SC_CLOSE);
        }
        break;
    case 1:
    case 22:
        if (b->Enabled) Maximize();
        break;
    case 2:
    case 23:
        if (b->Enabled) Minimize();
        break;
    case 3:
    case 11:
    case 12:
        PopSysmenu(Point(x + 1, y + 1));
        break;
    case 4:
        PostSysCommand(SC_CONTEXTHELP);
        break;
    case 7:
    case 60:
        toActiveChild(SC_MINIMIZE);
        break;
    case 8:
    case 61:
        toActiveChild(SC_RESTORE);
        break;
    case 9:
    case 62:
        toActiveChild(SC_CLOSE);
        break;
    default:
        PostMessageA(Wnd, WM_SKIN_SYSBTNACTION, static_cast<WPARAM>(action), 0);
        break;
    }
}

void TWinSkinForm::PopSysmenu(TPoint point)
{
    menus_->PopSysmenu(point);
}

void TWinSkinForm::Maximize()
{
    if (WindowState == swsMax) {
        Restore();
        return;
    }
    if (FormStyle == sfsMDIChild && Manager) Manager->MDIChildMax = true;
    WindowState = swsMax;
    PostSysCommand(SC_MAXIMIZE);
    HotObject = nullptr;
}

void TWinSkinForm::Restore()
{
    WindowState = swsNormal;
    PostSysCommand(SC_RESTORE);
}

void TWinSkinForm::Minimize()
{
    if (WindowState == swsMin) {
        Restore();
        return;
    }
    WindowState = swsMin;
    // The minimized window needs its system menu for the task bar.
    if (!Icons.Contains(sbicaption) && (Style & WS_SYSMENU))
        SetWindowLongPtrA(Wnd, GWL_STYLE, GetWindowLongPtrA(Wnd, GWL_STYLE) | WS_SYSMENU);
    PostSysCommand(SC_MINIMIZE);
}

void TWinSkinForm::WMSysCommand(TMessage& m)
{
    const UINT command = static_cast<UINT>(m.WParam) & 0xFFF0;
    if (!MenuTracking) {
        if (command == SC_KEYMENU && m.LParam == ' ') {
            // Our system menu stands in for the system's own: one is enough.
            POINT origin{0, 0};
            ClientToScreen(Wnd, &origin);
            menus_->KeySysmenu(Point(origin.x, origin.y));
            m.Result = 0;
            return;
        }
        if (command == SC_KEYMENU && m.LParam != '-' && !GetCapture()) {
            if (TMenuBtn* b = menus_->FindButtonFromAccel(static_cast<wchar_t>(m.LParam))) {
                menus_->CheckMenu(b);
                m.Result = 1;
                return;
            }
        }
        if (command == SC_MINIMIZE) WindowState = swsMin;
        if (command == SC_MAXIMIZE) WindowState = swsMax;
        if (command == SC_RESTORE) {
            WindowState = swsNormal;
            if (FormStyle == sfsMDIChild && Manager) Manager->MDIChildMax = false;
        }
    }
    Default(m);
}

// ---------------------------------------------------------------------------
// Mouse in the frame

void TWinSkinForm::WMNCHitTest(TMessage& m)
{
    Default(m);
    if (m.Result != HTNOWHERE && m.Result != HTCAPTION) return;
    const TPoint s = MessagePoint(m.LParam);
    const TPoint p = GetWinXY(s.X, s.Y);
    if (p.Y > 3) m.Result = HTCAPTION;
    if (p.Y > FrameTop && MenuHeight > 0) m.Result = HTMENU;
}

void TWinSkinForm::WMNCMouseMove(TMessage& m)
{
    if (!Active) {
        Default(m);
        return;
    }
    const TPoint s = MessagePoint(m.LParam);
    const TPoint p = GetWinXY(s.X, s.Y);
    if (TWinSysButton* b = FindBtn(p)) {
        b->MouseEnter();
        m.Result = 0;
        return;
    }
    if (TMenuBtn* b = MenuButtonAt(p)) {
        b->MouseEnter();
        m.Result = 0;
        return;
    }
    if (HotObject) HotObject->MouseLeave();
    HotObject = nullptr;
    Default(m);
}

void TWinSkinForm::WMNCLButtonDown(TMessage& m)
{
    const TPoint s = MessagePoint(m.LParam);
    const TPoint p = GetWinXY(s.X, s.Y);
    if (TWinSysButton* b = FindBtn(p)) {
        if (!Active || GetForegroundWindow() != Wnd) SetForegroundWindow(Wnd);
        b->MouseDown();
        m.Result = 0;
        return;
    }
    if (TMenuBtn* b = MenuButtonAt(p)) {
        if (!Active || GetForegroundWindow() != Wnd) SetForegroundWindow(Wnd);
        b->MouseDown();
        menus_->CheckMenu(b);
        m.Result = 0;
        return;
    }
    if (WindowState == swsMax && Active && m.WParam == HTCAPTION) {
        // A maximized window is not dragged by its caption.
        m.WParam = HTMENU;
    }
    Default(m);
}

void TWinSkinForm::WMNCLButtonUp(TMessage& m)
{
    const TPoint s = MessagePoint(m.LParam);
    const TPoint p = GetWinXY(s.X, s.Y);
    if (TWinSysButton* b = FindBtn(p)) {
        if (b == HotObject) {
            b->MouseUp();
            SysBtnAction(s.X, s.Y);
        }
        m.Result = 0;
        return;
    }
    if (MenuButtonAt(p)) {
        m.Result = 0;
        return;
    }
    Default(m);
}

void TWinSkinForm::WMNCLButtonDblClk(TMessage& m)
{
    const TPoint s = MessagePoint(m.LParam);
    FrameChanged = true;
    const TPoint p = GetWinXY(s.X, s.Y);
    if (MenuButtonAt(p)) {
        m.Result = 0;
        return;
    }
    if (TWinSysButton* b = FindBtn(p)) {
        if (IsIconAction(b->SkinObject->Action)) {
            StopHover();
            PostSysCommand(SC_CLOSE);
        } else {
            // The second press of a quick double click on a button is a press.
            b->MouseDown();
        }
        m.Result = 0;
        return;
    }
    if (WindowState == swsMax || WindowState == swsMin)
        Restore();
    else if (Icons.Contains(sbiMax))
        Maximize();
    else
        Default(m);
}

void TWinSkinForm::WMNCRButtonDown(TMessage& m)
{
    if (m.WParam == HTCAPTION && FormStyle != sfsMDIChild) {
        PopSysmenu(MessagePoint(m.LParam));
        m.Result = 0;
        return;
    }
    Default(m);
}

void TWinSkinForm::OnTimer(TObject*)
{
    if (!Active || MenuTracking) return;
    POINT c{};
    GetCursorPos(&c);
    const TPoint p = GetWinXY(c.x, c.y);
    if (HotObject && !TRect(HotObject->BoundsRect).Contains(p)) {
        TNCObject* hot = HotObject;
        HotObject = nullptr;
        hot->MouseLeave();
    }
    // Controls of a window without a form are never told the mouse left.
    if (!Form && HotControl) {
        RECT r{};
        if (!GetWindowRect(HotControl->hwnd, &r) || !PtInRect(&r, c)) HotControl->MouseLeave();
    }
}
