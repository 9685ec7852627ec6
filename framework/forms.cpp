#include "framework/forms.h"

#include <commctrl.h>

#include "components/layoutreader.h"
#include "framework/menus.h"

namespace {
// Constructed before and destroyed after the application's forms.
TScreen theScreen(nullptr);
TApplication theApplication(nullptr);
} // namespace

TScreen* Screen = &theScreen;
TApplication* Application = &theApplication;

void ApplicationHandleException(TObject* Sender)
{
    if (Application) Application->HandleException(Sender);
}

TCustomForm* GetParentForm(TControl* Control)
{
    if (!Control) return nullptr;
    while (Control->Parent())
        Control = Control->Parent();
    return dynamic_cast<TCustomForm*>(Control);
}

// ---------------------------------------------------------------------------
// TCustomForm

const TClassInfo& TCustomForm::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TCustomForm>()
            .Enum("BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle, bsSizeable)
            .Set("BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons,
                 TBorderIcons{biSystemMenu, biMinimize, biMaximize})
            .Enum("Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition, poDesigned)
            .Enum("FormStyle", &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle, fsNormal)
            .Enum("WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState, wsNormal)
            .Int("ClientWidth", &TControl::ClientWidth, &TCustomForm::SetClientWidth)
            .Int("ClientHeight", &TControl::ClientHeight, &TCustomForm::SetClientHeight)
            .Object("Icon", &TCustomForm::Icon, &TCustomForm::SetIcon)
            .Object("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl)
            .Object("Menu", &TCustomForm::GetMenu, &TCustomForm::SetMenu)
            .Bool("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::KeyPreview, false)
            .Bool("AutoScroll", &TCustomForm::AutoScroll, &TCustomForm::AutoScroll, false)
            .Int("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::PixelsPerInch, 96)
            .Int("TextHeight", &TCustomForm::TextHeight, &TCustomForm::TextHeight, 13)
            .Bool("Scaled", &TCustomForm::Scaled, &TCustomForm::Scaled, true)
            .Bool("OldCreateOrder", &TCustomForm::OldCreateOrder, &TCustomForm::OldCreateOrder, false)
            .Event("OnCreate", &TCustomForm::OnCreate)
            .Event("OnShow", &TCustomForm::OnShow)
            .Event("OnHide", &TCustomForm::OnHide)
            .Event("OnClose", &TCustomForm::OnClose)
            .Event("OnCloseQuery", &TCustomForm::OnCloseQuery)
            .Event("OnDestroy", &TCustomForm::OnDestroy)
            .Event("OnActivate", &TCustomForm::OnActivate)
            .Event("OnDeactivate", &TCustomForm::OnDeactivate)
            .Event("OnPaint", &TCustomForm::OnPaint);
    return info;
}

const TClassInfo& TForm::StaticClass()
{
    static const TClassInfo& info = PublishClass<TForm>();
    return info;
}

TCustomForm::TCustomForm(TComponent* AOwner)
    : TWinControl(AOwner), icon_(std::make_unique<TIcon>()), canvas_(std::make_unique<TControlCanvas>(this))
{
    if (Application && Application->pendingReference_) {
        auto setReference = std::move(Application->pendingReference_);
        Application->pendingReference_ = nullptr;
        setReference(this);
    }
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    ControlState.Include(csCustomPaint);
    visible_ = false;
    width_ = 320;
    height_ = 240;
    SetColor(clBtnFace);
    parentFont_ = false;
    icon_->OnChange = [this](TObject* sender) { IconChanged(sender); };
    if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm()
{
    DestroyHandle();
    icon_->OnChange = nullptr;
    if (Screen) Screen->RemoveForm(this);
    if (Application) Application->FormDestroyed(this);
    if (auto* app = dynamic_cast<TApplication*>(Owner()); app && app != Application) app->FormDestroyed(this);
}

void TCustomForm::BeforeDestruction()
{
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            ApplicationHandleException(this);
        }
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::LoadLayout()
{
    const std::string name = UpperCase(ClassName());
    HRSRC res = FindResourceA(MainInstance(), name.c_str(), MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL data = res ? LoadResource(MainInstance(), res) : nullptr;
    const void* bytes = data ? LockResource(data) : nullptr;
    if (!bytes) throw EResNotFound("Resource " + name + " not found");
    LoadLayout(std::string_view(static_cast<const char*>(bytes), SizeofResource(MainInstance(), res)));
}

void TCustomForm::LoadLayout(std::string_view text)
{
    DisableAlign();
    try {
        ReadLayout(*this, text);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
    if (OnCreate) OnCreate(this);
    if (visible_) {
        visible_ = false;
        SetVisible(true);
    }
}

void TCustomForm::Loaded()
{
    ApplyPendingClientSize();
    TWinControl::Loaded();
}

void TCustomForm::ApplyPendingClientSize()
{
    const int32_t w = pendingClientWidth_, h = pendingClientHeight_;
    pendingClientWidth_ = pendingClientHeight_ = -1;
    if (w >= 0) TControl::SetClientWidth(w);
    if (h >= 0) TControl::SetClientHeight(h);
}

void TCustomForm::SetClientWidth(int32_t value)
{
    // The frame depends on the border style, which may come later.
    if (ComponentState().Contains(csLoading))
        pendingClientWidth_ = value;
    else
        TControl::SetClientWidth(value);
}

void TCustomForm::SetClientHeight(int32_t value)
{
    if (ComponentState().Contains(csLoading))
        pendingClientHeight_ = value;
    else
        TControl::SetClientHeight(value);
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
    if (value == borderIcons_) return;
    borderIcons_ = value;
    RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle value)
{
    if (value == formStyle_) return;
    formStyle_ = value;
    if (handle_)
        SetWindowPos(handle_, value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

TWindowState TCustomForm::GetWindowState() const
{
    if (handle_) {
        if (IsIconic(handle_)) return wsMinimized;
        if (IsZoomed(handle_)) return wsMaximized;
        return wsNormal;
    }
    return windowState_;
}

void TCustomForm::SetWindowState(TWindowState value)
{
    windowState_ = value;
    if (handle_ && IsWindowVisible(handle_))
        ShowWindow(handle_, value == wsMinimized   ? SW_MINIMIZE
                            : value == wsMaximized ? SW_MAXIMIZE
                                                   : SW_RESTORE);
}

void TCustomForm::CreateParams(TCreateParams& Params)
{
    TWinControl::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS);
    Params.Style |= WS_CLIPCHILDREN;
    Params.WndParent = nullptr;
    switch (borderStyle_) {
    case bsNone:
        Params.Style |= WS_POPUP;
        break;
    case bsSingle:
        Params.Style |= WS_CAPTION;
        break;
    case bsSizeable:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        break;
    case bsDialog:
        Params.Style |= WS_POPUP | WS_CAPTION;
        Params.ExStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
        break;
    case bsToolWindow:
        Params.Style |= WS_CAPTION;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case bsSizeToolWin:
        Params.Style |= WS_CAPTION | WS_THICKFRAME;
        Params.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (borderStyle_ != bsNone && borderIcons_.Contains(biSystemMenu)) {
        Params.Style |= WS_SYSMENU;
        if (borderStyle_ == bsSingle || borderStyle_ == bsSizeable) {
            if (borderIcons_.Contains(biMinimize)) Params.Style |= WS_MINIMIZEBOX;
            if (borderIcons_.Contains(biMaximize)) Params.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (formStyle_ == fsStayOnTop) Params.ExStyle |= WS_EX_TOPMOST;
    switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
        Params.X = (GetSystemMetrics(SM_CXSCREEN) - width_) / 2;
        Params.Y = (GetSystemMetrics(SM_CYSCREEN) - height_) / 2;
        break;
    case poMainFormCenter:
    case poOwnerFormCenter:
        if (Application && Application->MainForm() && Application->MainForm() != this) {
            const TCustomForm* m = Application->MainForm();
            Params.X = m->Left() + (m->Width() - width_) / 2;
            Params.Y = m->Top() + (m->Height() - height_) / 2;
        }
        break;
    case poDefault:
    case poDefaultPosOnly:
        Params.X = Params.Y = CW_USEDEFAULT;
        break;
    default:
        break;
    }
    Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomForm::CreateWindowDone()
{
    // The system may have placed the window (centring, defaults).
    RECT r;
    GetWindowRect(handle_, &r);
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
    if (!icon_->Empty())
        SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_->Handle()));
    if (menu_) {
        // The layout's client size holds with the menu bar too.
        RECT before, after;
        GetClientRect(handle_, &before);
        menu_->SetWindowHandle(handle_);
        GetClientRect(handle_, &after);
        const int grow = (before.bottom - before.top) - (after.bottom - after.top);
        if (grow > 0)
            SetWindowPos(handle_, nullptr, 0, 0, width_, height_ + grow,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void TCustomForm::SetMenu(TMainMenu* value)
{
    if (value == menu_) return;
    if (menu_) {
        menu_->SetWindowHandle(nullptr);
        menu_->RemoveFreeNotification(this);
    }
    menu_ = value;
    if (menu_) {
        menu_->FreeNotification(this);
        if (handle_) menu_->SetWindowHandle(handle_);
    }
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation)
{
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == menu_) menu_ = nullptr;
}

void TCustomForm::PaintWindow(HDC DC)
{
    if (!OnPaint) return;
    canvas_->Lock();
    canvas_->FreeHandle();
    canvas_->SetHandle(DC);
    try {
        OnPaint(this);
    } catch (...) {
        canvas_->SetHandle(nullptr);
        canvas_->Unlock();
        throw;
    }
    canvas_->SetHandle(nullptr);
    canvas_->Unlock();
}

void TCustomForm::IconChanged(TObject*)
{
    Perform(CM_ICONCHANGED);
}

void TCustomForm::CMIconChanged(TMessage&)
{
    if (handle_)
        SendMessageA(handle_, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(icon_->Empty() ? nullptr : icon_->Handle()));
}

// --- Showing and closing

void TCustomForm::SetVisible(bool value)
{
    if (ComponentState().Contains(csLoading)) {
        visible_ = value;
        return;
    }
    if (value) {
        if (visible_ && handle_ && IsWindowVisible(handle_)) return;
        DoShow();
        visible_ = true;
        HandleNeeded();
        ShowWindow(handle_, windowState_ == wsMinimized   ? SW_SHOWMINIMIZED
                            : windowState_ == wsMaximized ? SW_SHOWMAXIMIZED
                                                          : SW_SHOWNORMAL);
        if (activeControl_ && activeControl_->CanFocus()) activeControl_->SetFocus();
    } else {
        if (!visible_) return;
        DoHide();
        visible_ = false;
        if (handle_) ShowWindow(handle_, SW_HIDE);
    }
}

void TCustomForm::Show()
{
    SetVisible(true);
    BringToFront();
}

void TCustomForm::DoShow()
{
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide()
{
    if (OnHide) OnHide(this);
}

bool TCustomForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::DoClose(TCloseAction& Action)
{
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::Close()
{
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case caHide:
        Hide();
        break;
    case caMinimize:
        SetWindowState(wsMinimized);
        break;
    case caFree:
        Release();
        break;
    default:
        break;
    }
}

void TCustomForm::Release()
{
    PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage&)
{
    Free();
}

// --- Focus

void TCustomForm::SetActiveControl(TWinControl* value)
{
    if (value && !ContainsControl(value))
        throw EInvalidOperation("Invalid active control: not on form " + GetName());
    activeControl_ = value;
    if (value && !ComponentState().Contains(csLoading) && active_ && value->CanFocus()) value->SetFocus();
}

bool TCustomForm::SetFocusedControl(TWinControl* Control)
{
    if (Control != this) activeControl_ = Control;
    if (Control == focusedControl_) return true;
    TWinControl* previous = focusedControl_;
    focusedControl_ = Control;
    if (Screen) Screen->SetActiveForm(this);
    if (previous && previous != this) previous->Perform(CM_EXIT);
    if (Control && Control != this) Control->Perform(CM_ENTER);
    Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Control));
    return true;
}

void TCustomForm::ControlRemoved(TControl* control)
{
    if (static_cast<TControl*>(activeControl_) == control) activeControl_ = nullptr;
    if (static_cast<TControl*>(focusedControl_) == control) focusedControl_ = nullptr;
}

// --- Messages

void TCustomForm::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_CLOSE:
        WMClose(Message);
        return;
    case WM_ACTIVATE:
        WMActivate(Message);
        return;
    case CM_RELEASE:
        CMRelease(Message);
        return;
    case CM_ICONCHANGED:
        CMIconChanged(Message);
        return;
    case WM_SYSCOLORCHANGE:
        NotifyControls(CM_SYSCOLORCHANGE);
        break;
    case WM_DESTROY:
        // The window would destroy the menu it shows; the menu object owns it.
        if (menu_) menu_->SetWindowHandle(nullptr);
        break;
    }
    TWinControl::Dispatch(Message);
}

void TCustomForm::WMClose(TMessage&)
{
    Close();
}

void TCustomForm::WMActivate(TMessage& Message)
{
    active_ = LOWORD(Message.WParam) != WA_INACTIVE;
    if (active_) {
        if (Screen) Screen->SetActiveForm(this);
        if (OnActivate) OnActivate(this);
        // Give the focus back to the control that had it.
        if (activeControl_ && activeControl_->CanFocus()) {
            ::SetFocus(activeControl_->Handle());
            return;
        }
    } else if (OnDeactivate) {
        OnDeactivate(this);
    }
    DefaultHandler(Message);
}

void TCustomForm::CMDialogKey(TMessage& Message)
{
    if (GetKeyState(VK_MENU) >= 0) {
        const WORD key = Message.CharCode();
        if (key == VK_TAB && GetKeyState(VK_CONTROL) >= 0) {
            SelectNext(activeControl_, GetKeyState(VK_SHIFT) >= 0, true);
            Message.Result = 1;
            return;
        }
        if ((key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) && activeControl_ &&
            activeControl_->Parent()) {
            activeControl_->Parent()->SelectNext(activeControl_, key == VK_RIGHT || key == VK_DOWN, false);
            Message.Result = 1;
            return;
        }
    }
    TWinControl::CMDialogKey(Message);
}

// ---------------------------------------------------------------------------
// TScreen

const TClassInfo& TScreen::StaticClass()
{
    static const TClassInfo& info = PublishClass<TScreen>();
    return info;
}

TWinControl* TScreen::ActiveControl() const
{
    return activeForm_ ? activeForm_->ActiveControl() : nullptr;
}

void TScreen::AddForm(TCustomForm* form)
{
    forms_.push_back(form);
}

void TScreen::RemoveForm(TCustomForm* form)
{
    std::erase(forms_, form);
    if (activeForm_ == form) activeForm_ = nullptr;
}

// ---------------------------------------------------------------------------
// TApplication

const TClassInfo& TApplication::StaticClass()
{
    static const TClassInfo& info = PublishClass<TApplication>();
    return info;
}

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner)
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name = path;
    if (const size_t slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string::npos) name.erase(dot);
    Title = name;
}

TApplication::~TApplication()
{
    // The forms go while the application they report to still exists.
    DestroyComponents();
}

void TApplication::Initialize()
{
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&icc);
}

HWND TApplication::Handle()
{
    if (!window_) window_ = std::make_unique<TUtilityWindow>([](TMessage&) { return false; });
    return window_->Handle();
}

void TApplication::FormDestroyed(TCustomForm* form)
{
    if (mainForm_ == form) mainForm_ = nullptr;
}

void TApplication::Run()
{
    try {
        if (mainForm_ && ShowMainForm) mainForm_->Show();
    } catch (...) {
        HandleException(this);
    }
    while (!terminated_)
        HandleMessage();
}

void TApplication::Terminate()
{
    PostQuitMessage(0);
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (ProcessMessage(msg)) {
    }
}

void TApplication::HandleMessage()
{
    MSG msg;
    try {
        if (!ProcessMessage(msg)) Idle();
    } catch (...) {
        HandleException(this);
    }
}

void TApplication::Idle()
{
    TControlCanvas::FreeDeviceContexts();
    if (OnIdle) OnIdle(this);
    if (!terminated_) WaitMessage();
}

bool TApplication::ProcessMessage(MSG& msg)
{
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
    if (msg.message == WM_QUIT) {
        terminated_ = true;
        return true;
    }
    bool handled = false;
    if (OnMessage) OnMessage(msg, handled);
    if (!handled && !IsKeyMsg(msg)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return true;
}

// Key messages first go to the control they are for as CN_ notifications;
// a non-zero answer (a dialog key the form took) consumes them.
bool TApplication::IsKeyMsg(MSG& msg)
{
    if (msg.message < WM_KEYFIRST || msg.message > WM_KEYLAST) return false;
    HWND wnd = GetCapture();
    if (!wnd) wnd = msg.hwnd;
    // A window inside one of ours that is not ours (a control's own child).
    while (wnd && !FindControl(wnd))
        wnd = GetParent(wnd);
    if (!wnd) return false;
    return SendMessageA(wnd, CN_BASE + msg.message, msg.wParam, msg.lParam) != 0;
}

void TApplication::HandleException(TObject* Sender)
{
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    // Reporting runs inside window procedures: nothing may escape it.
    try {
        try {
            std::rethrow_exception(current);
        } catch (Exception& e) {
            if (OnException)
                OnException(Sender, e);
            else
                ShowException(e);
        } catch (std::exception& e) {
            Exception wrapped(e.what());
            if (OnException)
                OnException(Sender, wrapped);
            else
                ShowException(wrapped);
        } catch (...) {
            Exception wrapped("");
            if (OnException)
                OnException(Sender, wrapped);
            else
                ShowException(wrapped);
        }
    } catch (...) {
    }
}

void TApplication::ShowException(const Exception& E)
{
    MessageBox(E.Message, Title, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags)
{
    HWND owner = nullptr;
    if (Screen && Screen->ActiveForm() && Screen->ActiveForm()->HandleAllocated())
        owner = Screen->ActiveForm()->GetHandleIfAllocated();
    else if (mainForm_ && mainForm_->HandleAllocated())
        owner = mainForm_->GetHandleIfAllocated();
    if (!owner) Flags |= MB_TASKMODAL;
    return ::MessageBoxA(owner, Text.c_str(), Caption.c_str(), Flags);
}
