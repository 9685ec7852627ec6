#include "framework/controls.h"

#include <algorithm>

#include "framework/menus.h"

// ---------------------------------------------------------------------------
// Helpers

HINSTANCE MainInstance()
{
    static HINSTANCE instance = GetModuleHandleA(nullptr);
    return instance;
}

TShiftState KeysToShiftState(WORD keys)
{
    TShiftState s;
    if (keys & MK_SHIFT) s.Include(ssShift);
    if (keys & MK_CONTROL) s.Include(ssCtrl);
    if (keys & MK_LBUTTON) s.Include(ssLeft);
    if (keys & MK_RBUTTON) s.Include(ssRight);
    if (keys & MK_MBUTTON) s.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    return s;
}

TShiftState KeyboardStateToShiftState()
{
    TShiftState s;
    if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
    if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
    if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
    if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
    return s;
}

// ---------------------------------------------------------------------------
// TControlCanvas

namespace {
// Canvases holding a window DC outside painting; the loop gives the DCs back
// when idle, as the system's DC cache is small.
// Never freed: forms freed during static destruction still use it.
std::vector<TControlCanvas*>& CanvasList()
{
    static auto* list = new std::vector<TControlCanvas*>;
    return *list;
}
} // namespace

const TClassInfo& TControlCanvas::StaticClass()
{
    static const TClassInfo& info = PublishClass<TControlCanvas>();
    return info;
}

TControlCanvas::TControlCanvas(TControl* control) : control_(control) {}

TControlCanvas::~TControlCanvas()
{
    FreeHandle();
}

void TControlCanvas::SetControl(TControl* control)
{
    if (control_ == control) return;
    FreeHandle();
    control_ = control;
}

void TControlCanvas::CreateHandle()
{
    if (!control_) return;
    if (auto* win = dynamic_cast<TWinControl*>(control_)) {
        dc_ = TWindowDC::Get(win->Handle());
    } else {
        TWinControl* parent = control_->Parent();
        if (!parent) return;
        dc_ = TWindowDC::Get(parent->Handle());
        // The control draws in its own coordinates, clipped to itself.
        SetWindowOrgEx(dc_.Handle(), -control_->Left(), -control_->Top(), nullptr);
        IntersectClipRect(dc_.Handle(), 0, 0, control_->Width(), control_->Height());
    }
    CanvasList().push_back(this);
    SetHandle(dc_.Handle());
}

void TControlCanvas::FreeHandle()
{
    if (!dc_) return;
    SetHandle(nullptr);
    dc_.Reset();
    auto& list = CanvasList();
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void TControlCanvas::FreeDeviceContexts()
{
    const std::vector<TControlCanvas*> list = CanvasList();
    for (TControlCanvas* c : list)
        c->FreeHandle();
}

// Gives a control's canvas a DC for one paint and takes it back, also when
// painting fails.
namespace {
class TPaintScope {
public:
    TPaintScope(TControlCanvas& canvas, HDC dc) : canvas_(canvas)
    {
        canvas_.Lock();
        canvas_.FreeHandle();
        canvas_.SetHandle(dc);
    }
    ~TPaintScope()
    {
        canvas_.SetHandle(nullptr);
        canvas_.Unlock();
    }
    TPaintScope(const TPaintScope&) = delete;
    TPaintScope& operator=(const TPaintScope&) = delete;

private:
    TControlCanvas& canvas_;
};
} // namespace

// ---------------------------------------------------------------------------
// TUtilityWindow

namespace {
const char kUtilityClass[] = "OrvaneUtilWindow";
}

TUtilityWindow::TUtilityWindow(std::function<bool(TMessage&)> handler) : handler_(std::move(handler))
{
    WNDCLASSA wc{};
    if (!GetClassInfoA(MainInstance(), kUtilityClass, &wc)) {
        wc = WNDCLASSA{};
        wc.lpfnWndProc = &TUtilityWindow::Proc;
        wc.hInstance = MainInstance();
        wc.lpszClassName = kUtilityClass;
        RegisterClassA(&wc);
    }
    wnd_ = CreateWindowExA(WS_EX_TOOLWINDOW, kUtilityClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           MainInstance(), nullptr);
    if (!wnd_) throw EOutOfResources("Error creating window");
    ++TResourceCount::Windows;
    SetWindowLongPtrA(wnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TUtilityWindow::~TUtilityWindow()
{
    if (wnd_) DestroyWindow(wnd_);
}

LRESULT CALLBACK TUtilityWindow::Proc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TUtilityWindow*>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        self->wnd_ = nullptr;
        --TResourceCount::Windows;
        return DefWindowProcA(wnd, msg, wParam, lParam);
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        if (self->handler_ && self->handler_(m)) return m.Result;
    } catch (...) {
        ApplicationHandleException(nullptr);
        return 0;
    }
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

// ---------------------------------------------------------------------------
// TControl

TControl* TControl::captureControl_ = nullptr;
TControl* TControl::mouseControl_ = nullptr;

const TClassInfo& TControl::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TControl>()
            .Int("Left", &TControl::Left, &TControl::SetLeft)
            .Int("Top", &TControl::Top, &TControl::SetTop)
            .Int("Width", &TControl::Width, &TControl::SetWidth)
            .Int("Height", &TControl::Height, &TControl::SetHeight)
            .Enum("Align", &TControl::GetAlign, &TControl::SetAlign, alNone)
            .Bool("Visible", &TControl::GetVisible, &TControl::SetVisible, true)
            .Bool("Enabled", &TControl::GetEnabled, &TControl::SetEnabled, true)
            .Color("Color", &TControl::GetColor, &TControl::SetColor)
            .Bool("ParentColor", &TControl::GetParentColor, &TControl::SetParentColor, true)
            .Object("Font", &TControl::Font, &TControl::SetFont)
            .Bool("ParentFont", &TControl::GetParentFont, &TControl::SetParentFont, true)
            .String("Caption", &TControl::Caption, &TControl::SetCaption)
            .String("Hint", &TControl::GetHint, &TControl::SetHint)
            .Bool("ShowHint", &TControl::GetShowHint, &TControl::SetShowHint, false)
            .Bool("ParentShowHint", &TControl::GetParentShowHint, &TControl::SetParentShowHint, true)
            .Int("Cursor", &TControl::GetCursor, &TControl::SetCursor, crDefault)
            .Object("PopupMenu", &TControl::GetPopupMenu, &TControl::SetPopupMenu)
            .Event("OnClick", &TControl::OnClick)
            .Event("OnDblClick", &TControl::OnDblClick)
            .Event("OnMouseDown", &TControl::OnMouseDown)
            .Event("OnMouseMove", &TControl::OnMouseMove)
            .Event("OnMouseUp", &TControl::OnMouseUp)
            .Event("OnMouseEnter", &TControl::OnMouseEnter)
            .Event("OnMouseLeave", &TControl::OnMouseLeave)
            .Event("OnResize", &TControl::OnResize);
    return info;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), font_(std::make_unique<TFont>())
{
    WindowProc = [this](TMessage& m) { WndProc(m); };
    font_->OnChange = [this](TObject* sender) { FontChanged(sender); };
    ControlStyle = {csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TControl::~TControl()
{
    if (captureControl_ == this) captureControl_ = nullptr;
    if (mouseControl_ == this) mouseControl_ = nullptr;
    CancelHint(this);
    if (parent_) parent_->RemoveControl(this);
    font_->OnChange = nullptr;
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    TMessage m{Msg, WParam, LParam, 0};
    if (WindowProc)
        WindowProc(m);
    else
        WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
        if (ControlStyle.Contains(csClickEvents)) ControlState.Include(csClicked);
        ControlState.Include(csLButtonDown);
        break;
    case WM_LBUTTONUP:
        ControlState.Exclude(csLButtonDown);
        break;
    }
    Dispatch(Message);
}

void TControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        WMMouseButton(Message);
        return;
    case WM_MOUSEMOVE:
        WMMouseMove(Message);
        return;
    case CM_ENABLEDCHANGED:
        CMEnabledChanged(Message);
        return;
    case CM_VISIBLECHANGED:
        CMVisibleChanged(Message);
        return;
    case CM_COLORCHANGED:
        CMColorChanged(Message);
        return;
    case CM_FONTCHANGED:
        CMFontChanged(Message);
        return;
    case CM_TEXTCHANGED:
        CMTextChanged(Message);
        return;
    case CM_PARENTCOLORCHANGED:
        CMParentColorChanged(Message);
        return;
    case CM_PARENTFONTCHANGED:
        CMParentFontChanged(Message);
        return;
    case CM_PARENTSHOWHINTCHANGED:
        CMParentShowHintChanged(Message);
        return;
    case CM_MOUSEENTER:
        CMMouseEnter(Message);
        return;
    case CM_MOUSELEAVE:
        CMMouseLeave(Message);
        return;
    case CM_HITTEST:
        CMHitTest(Message);
        return;
    }
    DefaultHandler(Message);
}

void TControl::DefaultHandler(TMessage&) {}

// --- Parent

void TControl::SetParent(TWinControl* AParent)
{
    if (AParent == parent_) return;
    if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
    if (parent_) parent_->RemoveControl(this);
    if (AParent) AParent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* AParent)
{
    auto* win = dynamic_cast<TWinControl*>(AParent);
    if (AParent && !win)
        throw EComponentError("Control " + GetName() + " cannot be placed on a " + AParent->ClassName());
    SetParent(win);
}

TComponent* TControl::GetParentComponent() const
{
    return parent_;
}

// --- Bounds

void TControl::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    if (ALeft == left_ && ATop == top_ && AWidth == width_ && AHeight == height_) return;
    const bool sized = AWidth != width_ || AHeight != height_;
    Invalidate();
    left_ = ALeft;
    top_ = ATop;
    width_ = AWidth;
    height_ = AHeight;
    Invalidate();
    if (align_ != alNone) RequestAlign();
    if (sized) Resize();
}

TRect TControl::ClientRect()
{
    return Rect(0, 0, width_, height_);
}

void TControl::SetClientWidth(int32_t value)
{
    SetWidth(width_ - ClientWidth() + value);
}

void TControl::SetClientHeight(int32_t value)
{
    SetHeight(height_ - ClientHeight() + value);
}

TPoint TControl::ClientToScreen(TPoint p)
{
    if (!parent_) return p;
    return parent_->ClientToScreen({p.X + left_, p.Y + top_});
}

TPoint TControl::ScreenToClient(TPoint p)
{
    if (!parent_) return p;
    const TPoint q = parent_->ScreenToClient(p);
    return {q.X - left_, q.Y - top_};
}

void TControl::SetAlign(TAlign value)
{
    if (value == align_) return;
    align_ = value;
    RequestAlign();
}

void TControl::RequestAlign()
{
    if (parent_) parent_->Realign();
}

void TControl::Resize()
{
    if (OnResize) OnResize(this);
}

// --- State

void TControl::SetVisible(bool value)
{
    if (value == visible_) return;
    visible_ = value;
    Perform(CM_VISIBLECHANGED, value);
    RequestAlign();
}

bool TControl::Showing() const
{
    return visible_ && parent_ && parent_->Showing();
}

void TControl::SetEnabled(bool value)
{
    if (value == enabled_) return;
    enabled_ = value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::SetColor(TColor value)
{
    if (value == color_) {
        parentColor_ = false;
        return;
    }
    color_ = value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentColor(bool value)
{
    if (value == parentColor_) return;
    parentColor_ = value;
    if (value && parent_) Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetParentFont(bool value)
{
    if (value == parentFont_) return;
    parentFont_ = value;
    if (value && parent_) Perform(CM_PARENTFONTCHANGED);
}

void TControl::FontChanged(TObject*)
{
    if (!settingParentFont_) parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetText(const std::string& value)
{
    if (value == text_) return;
    text_ = value;
    Perform(CM_TEXTCHANGED);
}

void TControl::SetShowHint(bool value)
{
    parentShowHint_ = false;
    if (value == showHint_) return;
    showHint_ = value;
    if (auto* win = dynamic_cast<TWinControl*>(this)) win->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value)
{
    if (value == parentShowHint_) return;
    parentShowHint_ = value;
    if (value && parent_) Perform(CM_PARENTSHOWHINTCHANGED);
}

std::string TControl::HintToShow() const
{
    if (!showHint_ || !Showing()) return {};
    // Its own hint, else the nearest parent's that has one.
    const TControl* source = this;
    while (source && source->GetHint().empty())
        source = source->Parent();
    if (!source) return {};
    const std::string& hint = source->GetHint();
    return hint.substr(0, hint.find('|'));
}

HWND TControl::HintHolder() const
{
    const TWinControl* holder = dynamic_cast<const TWinControl*>(this);
    if (!holder) holder = Parent();
    return holder && holder->HandleAllocated() ? holder->GetHandleIfAllocated() : nullptr;
}

void TControl::SetCursor(TCursor value)
{
    cursor_ = value;
}

void TControl::SetPopupMenu(TPopupMenu* value)
{
    if (value == popupMenu_) return;
    if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
    popupMenu_ = value;
    if (popupMenu_) popupMenu_->FreeNotification(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == popupMenu_) popupMenu_ = nullptr;
}

void TControl::Loaded()
{
    TComponent::Loaded();
    if (parent_) {
        if (parentColor_) Perform(CM_PARENTCOLORCHANGED);
        if (parentFont_) Perform(CM_PARENTFONTCHANGED);
        if (parentShowHint_) Perform(CM_PARENTSHOWHINTCHANGED);
    }
}

// --- Painting and order

void TControl::Invalidate()
{
    if (!parent_ || !parent_->HandleAllocated() || !visible_) return;
    const RECT r = BoundsRect();
    InvalidateRect(parent_->GetHandleIfAllocated(), &r, !ControlStyle.Contains(csOpaque));
}

void TControl::Update()
{
    if (parent_) parent_->Update();
}

void TControl::Repaint()
{
    Invalidate();
    Update();
}

void TControl::BringToFront()
{
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.push_back(this);
    }
    if (auto* win = dynamic_cast<TWinControl*>(this)) {
        if (win->HandleAllocated())
            SetWindowPos(win->GetHandleIfAllocated(), HWND_TOP, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        Invalidate();
    }
}

void TControl::SendToBack()
{
    if (parent_) {
        auto& list = parent_->controls_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        list.insert(list.begin(), this);
    }
    if (auto* win = dynamic_cast<TWinControl*>(this)) {
        if (win->HandleAllocated())
            SetWindowPos(win->GetHandleIfAllocated(), HWND_BOTTOM, 0, 0, 0, 0,
                         SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
        Invalidate();
    }
}

// --- Mouse

bool TControl::MouseCapture() const
{
    return captureControl_ == this;
}

void TControl::SetMouseCapture(bool value)
{
    if (value == MouseCapture()) return;
    auto* win = dynamic_cast<TWinControl*>(this);
    // A graphic control captures through its parent's window, which routes
    // the mouse to it while the capture lasts.
    TWinControl* holder = win ? win : parent_;
    if (value) {
        if (!holder || !holder->HandleAllocated()) return;
        captureControl_ = this;
        SetCapture(holder->GetHandleIfAllocated());
    } else {
        captureControl_ = nullptr;
        if (holder && GetCapture() == holder->GetHandleIfAllocated()) ReleaseCapture();
    }
}

void TControl::Click()
{
    if (OnClick) OnClick(this);
}

void TControl::DblClick()
{
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y)
{
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

// --- Message handlers

void TControl::WMMouseButton(TMessage& Message)
{
    DefaultHandler(Message);
    TShiftState shift = KeysToShiftState(LOWORD(Message.WParam));
    const int x = Message.XPos(), y = Message.YPos();
    auto up = [&](TMouseButton button) {
        if (button == mbLeft) {
            if (ControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
            if (ControlState.Contains(csClicked)) {
                ControlState.Exclude(csClicked);
                if (ClientRect().Contains({x, y})) Click();
            }
        }
        MouseUp(button, shift, x, y);
    };
    switch (Message.Msg) {
    case WM_LBUTTONDOWN:
        MouseDown(mbLeft, shift, x, y);
        break;
    case WM_RBUTTONDOWN:
        MouseDown(mbRight, shift, x, y);
        break;
    case WM_MBUTTONDOWN:
        MouseDown(mbMiddle, shift, x, y);
        break;
    case WM_LBUTTONDBLCLK:
        if (ControlStyle.Contains(csClickEvents)) DblClick();
        MouseDown(mbLeft, shift.Include(ssDouble), x, y);
        break;
    case WM_RBUTTONDBLCLK:
        MouseDown(mbRight, shift.Include(ssDouble), x, y);
        break;
    case WM_MBUTTONDBLCLK:
        MouseDown(mbMiddle, shift.Include(ssDouble), x, y);
        break;
    case WM_LBUTTONUP:
        up(mbLeft);
        break;
    case WM_RBUTTONUP:
        up(mbRight);
        break;
    case WM_MBUTTONUP:
        up(mbMiddle);
        break;
    }
}

void TControl::WMMouseMove(TMessage& Message)
{
    DefaultHandler(Message);
    MouseMove(KeysToShiftState(LOWORD(Message.WParam)), Message.XPos(), Message.YPos());
}

void TControl::CMEnabledChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMVisibleChanged(TMessage&)
{
    // Hidden or shown, the parent repaints the area.
    if (parent_ && parent_->HandleAllocated()) {
        const RECT r = BoundsRect();
        InvalidateRect(parent_->GetHandleIfAllocated(), &r, TRUE);
    }
}

void TControl::CMColorChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMFontChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMTextChanged(TMessage&)
{
    Invalidate();
}

void TControl::CMParentColorChanged(TMessage&)
{
    if (!parentColor_ || !parent_) return;
    if (color_ != parent_->GetColor()) {
        color_ = parent_->GetColor();
        Perform(CM_COLORCHANGED);
    }
}

void TControl::CMParentFontChanged(TMessage&)
{
    if (!parentFont_ || !parent_) return;
    settingParentFont_ = true;
    try {
        font_->Assign(parent_->Font());
    } catch (...) {
        settingParentFont_ = false;
        throw;
    }
    settingParentFont_ = false;
}

void TControl::CMParentShowHintChanged(TMessage&)
{
    if (!parentShowHint_ || !parent_ || showHint_ == parent_->GetShowHint()) return;
    showHint_ = parent_->GetShowHint();
    if (auto* win = dynamic_cast<TWinControl*>(this)) win->NotifyControls(CM_PARENTSHOWHINTCHANGED);
}

void TControl::CMMouseEnter(TMessage& Message)
{
    DefaultHandler(Message);
    if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::CMMouseLeave(TMessage& Message)
{
    DefaultHandler(Message);
    if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::CMHitTest(TMessage& Message)
{
    Message.Result = HTCLIENT;
}

// ---------------------------------------------------------------------------
// TGraphicControl

const TClassInfo& TGraphicControl::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGraphicControl>();
    return info;
}

TGraphicControl::TGraphicControl(TComponent* AOwner)
    : TControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this))
{
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& Message)
{
    if (Message.Msg == WM_PAINT) {
        WMPaint(Message);
        return;
    }
    TControl::Dispatch(Message);
}

void TGraphicControl::WMPaint(TMessage& Message)
{
    if (!Message.WParam) return;
    TPaintScope scope(*canvas_, reinterpret_cast<HDC>(Message.WParam));
    canvas_->Font()->Assign(font_.get());
    Paint();
}

// ---------------------------------------------------------------------------
// TCustomControl

const TClassInfo& TCustomControl::StaticClass()
{
    static const TClassInfo& info = PublishClass<TCustomControl>();
    return info;
}

TCustomControl::TCustomControl(TComponent* AOwner)
    : TWinControl(AOwner), canvas_(std::make_unique<TControlCanvas>(this))
{
    ControlState.Include(csCustomPaint);
}

TCustomControl::~TCustomControl()
{
    // The window goes before the canvas that may hold its DC.
    DestroyHandle();
}

void TCustomControl::PaintWindow(HDC DC)
{
    TPaintScope scope(*canvas_, DC);
    canvas_->Font()->Assign(font_.get());
    canvas_->Brush()->SetColor(color_);
    Paint();
}
