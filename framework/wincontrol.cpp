// TWinControl: controls with a window of their own.
#include <algorithm>
#include <cstdio>

#include "framework/controls.h"
#include "framework/hints.h"
#include "framework/menus.h"

namespace {

// The window property holding the object, named after the module instance
// and the thread so that several framework copies in one process (a DLL
// with its own) never take each other's windows.
ATOM ControlAtom()
{
    static const ATOM atom = [] {
        char name[32];
        std::snprintf(name, sizeof name, "ControlOfs%.8X%.8X",
                      static_cast<unsigned>(reinterpret_cast<uintptr_t>(MainInstance())),
                      static_cast<unsigned>(GetCurrentThreadId()));
        return GlobalAddAtomA(name);
    }();
    return atom;
}

// The control whose window is being created: its first messages arrive
// before CreateWindowEx returns the handle.
thread_local TWinControl* creatingControl = nullptr;

bool IsWindowed(const TControl* c)
{
    return dynamic_cast<const TWinControl*>(c) != nullptr;
}

LPCSTR CursorResource(TCursor c)
{
    switch (c) {
    case crCross:
        return IDC_CROSS;
    case crIBeam:
        return IDC_IBEAM;
    case crSizeNESW:
        return IDC_SIZENESW;
    case crSizeNS:
        return IDC_SIZENS;
    case crSizeNWSE:
        return IDC_SIZENWSE;
    case crSizeWE:
        return IDC_SIZEWE;
    case crUpArrow:
        return IDC_UPARROW;
    case crHourGlass:
        return IDC_WAIT;
    case crNo:
        return IDC_NO;
    case crAppStart:
        return IDC_APPSTARTING;
    case crHandPoint:
        return IDC_HAND;
    case crSizeAll:
        return IDC_SIZEALL;
    default:
        return IDC_ARROW;
    }
}

} // namespace

TWinControl* FindControl(HWND wnd)
{
    if (!wnd) return nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    if (pid != GetCurrentProcessId()) return nullptr;
    return static_cast<TWinControl*>(GetPropA(wnd, MAKEINTATOM(ControlAtom())));
}

const TClassInfo& TWinControl::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TWinControl>()
            .Bool("TabStop", &TWinControl::GetTabStop, &TWinControl::SetTabStop, false)
            .Int("TabOrder", &TWinControl::GetTabOrder, &TWinControl::SetTabOrder)
            .Bool("Ctl3D", &TWinControl::GetCtl3D, &TWinControl::SetCtl3D, true)
            .Bool("ParentCtl3D", &TWinControl::GetParentCtl3D, &TWinControl::SetParentCtl3D, true)
            .Int("BorderWidth", &TWinControl::GetBorderWidth, &TWinControl::SetBorderWidth, 0)
            .Event("OnEnter", &TWinControl::OnEnter)
            .Event("OnExit", &TWinControl::OnExit)
            .Event("OnKeyDown", &TWinControl::OnKeyDown)
            .Event("OnKeyPress", &TWinControl::OnKeyPress)
            .Event("OnKeyUp", &TWinControl::OnKeyUp);
    return info;
}

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), brush_(std::make_unique<TBrush>())
{
    brush_->SetColor(color_);
}

TWinControl::~TWinControl()
{
    DestroyHandle();
    // Leave the parent while still a TWinControl, so it drops this one from
    // its tab order too.
    if (parent_) parent_->RemoveControl(this);
    // Children go with their parent, whoever owns them.
    while (!controls_.empty()) {
        TControl* c = controls_.back();
        RemoveControl(c);
        c->Free();
    }
}

void TWinControl::BeforeDestruction()
{
    TControl::BeforeDestruction();
    // While the whole object still exists, so that its own handlers see the
    // window go.
    DestroyHandle();
}

// --- The window

HWND TWinControl::Handle()
{
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded()
{
    if (!handle_) CreateHandle();
}

void TWinControl::CreateHandle()
{
    if (!handle_) {
        if (parent_ && !parent_->HandleAllocated()) {
            // The parent creates its children, this one included.
            parent_->HandleNeeded();
            if (handle_) return;
        }
        CreateWnd();
    }
    for (TControl* c : std::vector<TControl*>(controls_))
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->CreateHandle();
}

void TWinControl::CreateParams(TCreateParams& Params)
{
    Params.Caption = text_;
    Params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle.Contains(csAcceptsControls)) Params.Style |= WS_CLIPCHILDREN;
    if (visible_) Params.Style |= WS_VISIBLE;
    if (!enabled_) Params.Style |= WS_DISABLED;
    if (tabStop_) Params.Style |= WS_TABSTOP;
    Params.X = left_;
    Params.Y = top_;
    Params.Width = width_;
    Params.Height = height_;
    Params.WndParent = parent_ ? parent_->GetHandleIfAllocated() : nullptr;
    Params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    Params.WindowClass.lpfnWndProc = DefWindowProcA;
    Params.WindowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    Params.WinClassName = ClassName();
}

void TWinControl::CreateSubClass(TCreateParams& Params, const char* ControlClassName)
{
    WNDCLASSA wc{};
    if (!GetClassInfoA(nullptr, ControlClassName, &wc) &&
        !GetClassInfoA(MainInstance(), ControlClassName, &wc))
        throw EInvalidOperation(std::string("Window class ") + ControlClassName + " not found");
    Params.WindowClass = wc;
    Params.WindowClass.style &= ~static_cast<UINT>(CS_GLOBALCLASS);
}

void TWinControl::CreateWnd()
{
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation("Control '" + GetName() + "' has no parent window");
    defWndProc_ = params.WindowClass.lpfnWndProc;
    WNDCLASSA existing{};
    if (!GetClassInfoA(MainInstance(), params.WinClassName.c_str(), &existing)) {
        WNDCLASSA wc = params.WindowClass;
        wc.lpfnWndProc = &TWinControl::StdWndProc;
        wc.hInstance = MainInstance();
        wc.lpszClassName = params.WinClassName.c_str();
        if (!RegisterClassA(&wc))
            throw EOutOfResources("Cannot register window class " + params.WinClassName);
    }
    ControlState.Include(csCreating);
    try {
        CreateWindowHandle(params);
    } catch (...) {
        ControlState.Exclude(csCreating);
        throw;
    }
    ControlState.Exclude(csCreating);
    if (!handle_) throw EOutOfResources("Error creating window");
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), 0);
    CreateWindowDone();
}

void TWinControl::CreateWindowHandle(const TCreateParams& Params)
{
    creatingControl = this;
    HWND wnd = CreateWindowExA(Params.ExStyle, Params.WinClassName.c_str(), Params.Caption.c_str(),
                               Params.Style, Params.X, Params.Y, Params.Width, Params.Height,
                               Params.WndParent, nullptr, MainInstance(), Params.Param);
    creatingControl = nullptr;
    if (wnd && !handle_ && IsWindow(wnd)) AttachHandle(wnd);
}

void TWinControl::AttachHandle(HWND wnd)
{
    handle_ = wnd;
    SetPropA(wnd, MAKEINTATOM(ControlAtom()), this);
    ++TResourceCount::Windows;
}

void TWinControl::DetachHandle()
{
    RemovePropA(handle_, MAKEINTATOM(ControlAtom()));
    handle_ = nullptr;
    trackingLeave_ = false;
    --TResourceCount::Windows;
    if (captureControl_ == this ||
        (captureControl_ && captureControl_->parent_ == this && !IsWindowed(captureControl_)))
        captureControl_ = nullptr;
}

void TWinControl::DestroyHandle()
{
    if (!handle_) return;
    // Children keep their state (text) before the system takes their windows.
    for (TControl* c : controls_)
        if (auto* w = dynamic_cast<TWinControl*>(c)) w->DestroyHandle();
    DestroyWnd();
}

void TWinControl::DestroyWnd()
{
    const int len = GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(std::max(len, 0)) + 1, '\0');
    GetWindowTextA(handle_, text.data(), len + 1);
    text.resize(static_cast<size_t>(std::max(len, 0)));
    text_ = text;
    TControlCanvas::FreeDeviceContexts();
    DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle()
{
    ControlState.Include(csDestroyingHandle);
    HWND wnd = handle_;
    DestroyWindow(wnd);
    ControlState.Exclude(csDestroyingHandle);
    // A window whose WM_NCDESTROY never reached us (destroyed by another
    // thread, or refused) is forgotten all the same.
    if (handle_ == wnd && !IsWindow(wnd)) DetachHandle();
}

void TWinControl::RecreateWnd()
{
    if (handle_) Perform(CM_RECREATEWND);
}

void TWinControl::CMRecreateWnd(TMessage&)
{
    if (!handle_) return;
    DestroyHandle();
    if (parent_) {
        if (parent_->HandleAllocated()) CreateHandle();
    } else if (visible_) {
        CreateHandle();
        ShowWindow(handle_, SW_SHOWNORMAL);
    }
}

bool TWinControl::Showing() const
{
    if (parent_) return visible_ && parent_->Showing();
    return visible_ && handle_ && IsWindowVisible(handle_);
}

LRESULT CALLBACK TWinControl::StdWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TWinControl* c = FindControl(wnd);
    if (!c) {
        c = creatingControl;
        if (!c) return DefWindowProcA(wnd, msg, wParam, lParam);
        creatingControl = nullptr;
        c->AttachHandle(wnd);
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (c->WindowProc)
            c->WindowProc(m);
        else
            c->WndProc(m);
    } catch (...) {
        ApplicationHandleException(c);
    }
    if (msg == WM_NCDESTROY && c->handle_ == wnd) c->DetachHandle();
    return m.Result;
}

void TWinControl::DefaultHandler(TMessage& Message)
{
    if (!handle_) return;
    Message.Result = CallWindowProcA(defWndProc_ ? defWndProc_ : DefWindowProcA, handle_, Message.Msg,
                                     Message.WParam, Message.LParam);
}

// --- Children

void TWinControl::InsertControl(TControl* AControl)
{
    AControl->parent_ = this;
    controls_.push_back(AControl);
    auto* win = dynamic_cast<TWinControl*>(AControl);
    if (win) tabList_.push_back(win);
    AControl->Perform(CM_PARENTCOLORCHANGED);
    AControl->Perform(CM_PARENTFONTCHANGED);
    AControl->Perform(CM_PARENTSHOWHINTCHANGED);
    if (win) {
        win->Perform(CM_PARENTCTL3DCHANGED);
        if (handle_) win->CreateHandle();
    } else {
        AControl->Invalidate();
    }
    if (AControl->align_ != alNone) Realign();
}

void TWinControl::RemoveControl(TControl* AControl)
{
    if (AControl->parent_ != this) return;
    auto* win = dynamic_cast<TWinControl*>(AControl);
    if (win) {
        win->DestroyHandle();
        tabList_.erase(std::remove(tabList_.begin(), tabList_.end(), win), tabList_.end());
    } else {
        AControl->Invalidate();
    }
    controls_.erase(std::remove(controls_.begin(), controls_.end(), AControl), controls_.end());
    if (mouseControl_ == AControl) mouseControl_ = nullptr;
    if (captureControl_ == AControl) AControl->SetMouseCapture(false);
    TopParent()->ControlRemoved(AControl);
    AControl->parent_ = nullptr;
    if (AControl->align_ != alNone) Realign();
}

bool TWinControl::ContainsControl(const TControl* AControl) const
{
    for (const TControl* c = AControl; c; c = c->parent_)
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool AllowDisabled) const
{
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (IsWindowed(c) || !c->visible_ || (!c->enabled_ && !AllowDisabled)) continue;
        if (!c->BoundsRect().Contains(p)) continue;
        const TPoint local{p.X - c->left_, p.Y - c->top_};
        if (c->Perform(CM_HITTEST, 0, MAKELPARAM(local.X, local.Y)) != 0) return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message)
{
    for (TControl* c : std::vector<TControl*>(controls_)) {
        c->WindowProc(Message);
        if (Message.Result != 0) return;
    }
}

void TWinControl::NotifyControls(UINT Msg)
{
    TMessage m{Msg, 0, 0, 0};
    Broadcast(m);
}

// --- Message routing

void TWinControl::WndProc(TMessage& Message)
{
    if (Message.Msg >= WM_MOUSEMOVE && Message.Msg <= WM_MBUTTONDBLCLK && handle_) {
        const TPoint p{Message.XPos(), Message.YPos()};
        TControl* target = nullptr;
        if (captureControl_ && captureControl_->parent_ == this && !IsWindowed(captureControl_))
            target = captureControl_;
        else if (!captureControl_ || captureControl_ == this)
            target = ControlAtPos(p, false);
        if (Message.Msg != WM_MOUSEMOVE) CancelHint(nullptr);
        if (Message.Msg == WM_MOUSEMOVE) {
            if (!trackingLeave_) {
                TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, handle_, 0};
                trackingLeave_ = TrackMouseEvent(&tme) != FALSE;
            }
            if (!captureControl_) UpdateMouseControl(target ? target : this);
        }
        if (target) {
            RouteMouseToControl(Message, target);
            return;
        }
    }
    TControl::WndProc(Message);
}

void TWinControl::RouteMouseToControl(TMessage& Message, TControl* target)
{
    const LPARAM local = MAKELPARAM(Message.XPos() - target->left_, Message.YPos() - target->top_);
    Message.Result = target->Perform(Message.Msg, Message.WParam, local);
    // The system asks for a context menu only for windows; a graphic
    // control's right click asks through its parent's window.
    if (Message.Msg == WM_RBUTTONUP && handle_) {
        POINT p{Message.XPos(), Message.YPos()};
        ::ClientToScreen(handle_, &p);
        SendMessageA(handle_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(handle_), MAKELPARAM(p.x, p.y));
    }
}

void TWinControl::UpdateMouseControl(TControl* target)
{
    if (mouseControl_ == target) return;
    TControl* old = mouseControl_;
    mouseControl_ = target;
    if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (target && mouseControl_ == target)
        target->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(target));
    HintMouseEntered(mouseControl_);
}

void TWinControl::WMMouseLeave(TMessage& Message)
{
    trackingLeave_ = false;
    if (mouseControl_ == this ||
        (mouseControl_ && mouseControl_->parent_ == this && !IsWindowed(mouseControl_)))
        UpdateMouseControl(nullptr);
    DefaultHandler(Message);
}

void TWinControl::WMCaptureChanged(TMessage& Message)
{
    if (captureControl_ &&
        (captureControl_ == this || (captureControl_->parent_ == this && !IsWindowed(captureControl_))) &&
        reinterpret_cast<HWND>(Message.LParam) != handle_)
        captureControl_ = nullptr;
    DefaultHandler(Message);
}

void TWinControl::WMSetCursor(TMessage& Message)
{
    if (reinterpret_cast<HWND>(Message.WParam) == handle_ && LOWORD(Message.LParam) == HTCLIENT) {
        POINT pt;
        GetCursorPos(&pt);
        ::ScreenToClient(handle_, &pt);
        TControl* c = ControlAtPos({pt.x, pt.y}, false);
        const TCursor cursor = c ? c->cursor_ : cursor_;
        if (cursor != crDefault) {
            ::SetCursor(cursor == crNone ? nullptr : LoadCursor(nullptr, CursorResource(cursor)));
            Message.Result = 1;
            return;
        }
    }
    DefaultHandler(Message);
}

void TWinControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT:
        WMPaint(Message);
        return;
    case WM_ERASEBKGND:
        WMEraseBkgnd(Message);
        return;
    case WM_SIZE:
        WMSize(Message);
        return;
    case WM_WINDOWPOSCHANGED:
        WMWindowPosChanged(Message);
        return;
    case WM_SETFOCUS:
        WMSetFocus(Message);
        return;
    case WM_KILLFOCUS:
        WMKillFocus(Message);
        return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        WMKeyDown(Message);
        return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        WMKeyUp(Message);
        return;
    case WM_CHAR:
        WMChar(Message);
        return;
    case WM_SETCURSOR:
        WMSetCursor(Message);
        return;
    case WM_MOUSELEAVE:
        WMMouseLeave(Message);
        return;
    case WM_CAPTURECHANGED:
        WMCaptureChanged(Message);
        return;
    case WM_NCDESTROY:
        WMNCDestroy(Message);
        return;
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
        WMOwnerDraw(Message);
        return;
    case WM_CONTEXTMENU:
        WMContextMenu(Message);
        return;
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        WMReflect(Message);
        return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
        CNKeyDown(Message);
        return;
    case CN_KEYUP:
        CNKeyUp(Message);
        return;
    case CN_CHAR:
        CNChar(Message);
        return;
    case CN_SYSCHAR:
        CNSysChar(Message);
        return;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC:
        CNCtlColor(Message);
        return;
    case CM_DIALOGKEY:
        CMDialogKey(Message);
        return;
    case CM_DIALOGCHAR:
        CMDialogChar(Message);
        return;
    case CM_WANTSPECIALKEY:
        CMWantSpecialKey(Message);
        return;
    case CM_ENTER:
        CMEnter(Message);
        return;
    case CM_EXIT:
        CMExit(Message);
        return;
    case CM_FOCUSCHANGED:
        CMFocusChanged(Message);
        return;
    case CM_RECREATEWND:
        CMRecreateWnd(Message);
        return;
    case CM_CTL3DCHANGED:
        CMCtl3DChanged(Message);
        return;
    case CM_PARENTCTL3DCHANGED:
        CMParentCtl3DChanged(Message);
        return;
    case CM_SYSCOLORCHANGE:
        CMSysColorChange(Message);
        return;
    }
    TControl::Dispatch(Message);
}

void TWinControl::WMNCDestroy(TMessage& Message)
{
    DefaultHandler(Message);
}

void TWinControl::WMReflect(TMessage& Message)
{
    if (Message.Msg == WM_COMMAND && Message.LParam == 0 && DispatchMenuMessage(Message)) return;
    HWND child = nullptr;
    if (Message.Msg == WM_NOTIFY)
        child = Message.LParam ? reinterpret_cast<NMHDR*>(Message.LParam)->hwndFrom : nullptr;
    else
        child = reinterpret_cast<HWND>(Message.LParam);
    TWinControl* c = FindControl(child);
    if (c && c != this)
        Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    else
        DefaultHandler(Message);
}

void TWinControl::WMOwnerDraw(TMessage& Message)
{
    if (DispatchMenuMessage(Message)) return;
    HWND child = nullptr;
    if (Message.Msg == WM_DRAWITEM && Message.LParam)
        child = reinterpret_cast<DRAWITEMSTRUCT*>(Message.LParam)->hwndItem;
    else if (Message.Msg == WM_MEASUREITEM && Message.LParam && handle_)
        child = GetDlgItem(handle_,
                           static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(Message.LParam)->CtlID));
    TWinControl* c = FindControl(child);
    if (c && c != this)
        Message.Result = c->Perform(CN_BASE + Message.Msg, Message.WParam, Message.LParam);
    else
        DefaultHandler(Message);
}

void TWinControl::WMContextMenu(TMessage& Message)
{
    if (!handle_) return;
    POINT screen{static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam))};
    TControl* target = this;
    if (screen.x == -1 && screen.y == -1) {
        // From the keyboard: the menu opens over the control.
        const TRect r = ClientRect();
        screen = {r.Width() / 2, r.Height() / 2};
        ::ClientToScreen(handle_, &screen);
    } else {
        POINT client = screen;
        ::ScreenToClient(handle_, &client);
        if (TControl* c = ControlAtPos({client.x, client.y}, false)) target = c;
    }
    // A graphic child without a menu of its own shows its parent's.
    if (target != this && !target->popupMenu_) target = this;
    TPopupMenu* menu = target->popupMenu_;
    if (menu && menu->GetAutoPopup()) {
        CancelHint(nullptr);
        menu->SetPopupComponent(target);
        menu->Popup(screen.x, screen.y);
        Message.Result = 1;
        return;
    }
    DefaultHandler(Message);
}

void TWinControl::CNCtlColor(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    SetTextColor(dc, ColorToRGB(font_->GetColor()));
    SetBkColor(dc, ColorToRGB(color_));
    Message.Result = reinterpret_cast<LRESULT>(BackgroundBrush());
}

// --- State messages

void TWinControl::CMEnabledChanged(TMessage& Message)
{
    if (handle_) EnableWindow(handle_, enabled_);
    TControl::CMEnabledChanged(Message);
    Invalidate();
}

void TWinControl::CMVisibleChanged(TMessage&)
{
    if (handle_) {
        ShowWindow(handle_, visible_ ? SW_SHOWNA : SW_HIDE);
    } else if (visible_ && parent_ && parent_->HandleAllocated()) {
        CreateHandle();
    }
}

void TWinControl::CMColorChanged(TMessage& Message)
{
    brush_->SetColor(color_);
    TControl::CMColorChanged(Message);
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMFontChanged(TMessage& Message)
{
    if (handle_) Perform(WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), 0);
    TControl::CMFontChanged(Message);
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMTextChanged(TMessage&) {}

void TWinControl::SetCtl3D(bool value)
{
    parentCtl3D_ = false;
    if (value == ctl3D_) return;
    ctl3D_ = value;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetParentCtl3D(bool value)
{
    if (value == parentCtl3D_) return;
    parentCtl3D_ = value;
    if (value && parent_) Perform(CM_PARENTCTL3DCHANGED);
}

void TWinControl::CMCtl3DChanged(TMessage&)
{
    NotifyControls(CM_PARENTCTL3DCHANGED);
}

// The system tells only top-level windows that its colours changed; the
// form passes it down, and every container to its own controls.
void TWinControl::CMSysColorChange(TMessage&)
{
    NotifyControls(CM_SYSCOLORCHANGE);
}

void TWinControl::CMParentCtl3DChanged(TMessage&)
{
    if (!parentCtl3D_ || !parent_ || ctl3D_ == parent_->ctl3D_) return;
    ctl3D_ = parent_->ctl3D_;
    Perform(CM_CTL3DCHANGED);
}

void TWinControl::SetBorderWidth(int32_t value)
{
    if (value == borderWidth_) return;
    borderWidth_ = value;
    Realign();
    Invalidate();
}
