#include "widgets/ivclcomponent.h"

namespace {
constexpr UINT_PTR kWidgetTimerId = 1;
}

const TClassInfo& TiVCLComponent::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiVCLComponent>();
    return info;
}

const TClassInfo& TiCustomComponent::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiCustomComponent>();
    return info;
}

TiVCLComponent::TiVCLComponent(TComponent* AOwner) : TiComponent(AOwner)
{
    InitializeCriticalSection(&paintLock_);
    timerWindow_ = std::make_unique<TUtilityWindow>([this](TMessage& m) {
        if (m.Msg != WM_TIMER) return false;
        TimerProc(m);
        return true;
    });
}

TiVCLComponent::~TiVCLComponent()
{
    destroying_ = true;
    // No message may reach a widget whose parts are going.
    DestroyHandle();
    TimerStop();
    timerWindow_.reset();
    transparentBitmap_.reset();
    DeleteCriticalSection(&paintLock_);
}

// --- Locking

void TiVCLComponent::Lock()
{
    if (!destroying_) EnterCriticalSection(&paintLock_);
}

void TiVCLComponent::Unlock()
{
    if (!destroying_) LeaveCriticalSection(&paintLock_);
}

// --- Transparency

void TiVCLComponent::CreateParams(TCreateParams& Params)
{
    TiComponent::CreateParams(Params);
    if (transparent_) Params.ExStyle |= WS_EX_TRANSPARENT;
}

void TiVCLComponent::SetTransparent(bool Value)
{
    if (Value == transparent_) return;
    transparent_ = Value;
    HWND wnd = GetHandleIfAllocated();
    if (transparent_) {
        if (wnd) SetWindowLongA(wnd, GWL_EXSTYLE, GetWindowLongA(wnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
        if (!transparentBitmap_) {
            transparentBitmap_ = std::make_unique<TBitmap>();
            transparentBitmap_->SetSize(Width(), Height());
        }
        RequestTransparentCapture();
    } else {
        if (wnd) SetWindowLongA(wnd, GWL_EXSTYLE, GetWindowLongA(wnd, GWL_EXSTYLE) & ~WS_EX_TRANSPARENT);
        transparentBitmap_.reset();
        capturePending_ = false;
    }
    BackGroundChange();
}

void TiVCLComponent::RequestTransparentCapture()
{
    if (!transparent_ || capturePending_) return;
    capturePending_ = true;
    BackGroundChange();
    // Re-linking the window to its parent makes the system repaint it
    // together with what lies beneath it.
    if (HWND wnd = GetHandleIfAllocated())
        SetWindowLongPtrA(wnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(GetParent(wnd)));
}

void TiVCLComponent::GetTransparentBitmap()
{
    if (!transparentBitmap_) return;
    const int32_t w = Width(), h = Height();
    if (transparentBitmap_->GetWidth() != w || transparentBitmap_->GetHeight() != h)
        transparentBitmap_->SetSize(w, h);
    TCanvas* dest = transparentBitmap_->Canvas();
    HDC own = Canvas()->HandleAllocated() ? Canvas()->Handle() : nullptr;
    const POINT probes[4] = {{5, 5}, {w - 5, 5}, {5, h - 5}, {w - 5, h - 5}};
    bool visible = own != nullptr;
    for (const POINT& p : probes)
        visible = visible && PtVisible(own, p.x, p.y);
    if (visible) {
        BitBlt(dest->Handle(), 0, 0, w, h, own, 0, 0, SRCCOPY);
        capturePending_ = false;
    } else {
        // Partly covered: show the colour now and try again at the next paint.
        dest->Brush()->SetStyle(bsSolid);
        dest->Brush()->SetColor(GetBackGroundColor());
        dest->FillRect(Rect(0, 0, w, h));
    }
}

void TiVCLComponent::DrawBackGround(TCanvas* Canvas, TColor BackGroundColor)
{
    if (paintingToDC_) return;
    if (!transparent_) {
        TiComponent::DrawBackGround(Canvas, BackGroundColor);
        return;
    }
    ResetBackGroundChange();
    if (capturePending_) GetTransparentBitmap();
    if (transparentBitmap_)
        BitBlt(Canvas->Handle(), 0, 0, transparentBitmap_->GetWidth(), transparentBitmap_->GetHeight(),
               transparentBitmap_->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TiVCLComponent::RepaintAll()
{
    TiComponent::RepaintAll();
    RequestTransparentCapture();
}

// --- Painting into a foreign device context

void TiVCLComponent::iPaintToDC(int X, int Y, bool SkipBackground, HDC DC)
{
    TSaveDC saved(DC);
    SetViewportOrgEx(DC, 0, 0, nullptr);
    SetWindowOrgEx(DC, -X, -Y, nullptr);
    SetMapMode(DC, MM_TEXT);
    {
        TRegionHandle clip(CreateRectRgn(X, Y, X + Width(), Y + Height()));
        SelectClipRgn(DC, clip.Get());
    }
    paintingToDC_ = SkipBackground;
    auto* canvas = static_cast<TControlCanvas*>(Canvas());
    Lock();
    canvas->Lock();
    canvas->FreeHandle();
    canvas->SetHandle(DC);
    const bool cached = GetCachedDrawing();
    SetCachedDrawing(false);
    try {
        iPaintTo(canvas);
    } catch (...) {
    }
    SetCachedDrawing(cached);
    canvas->SetHandle(nullptr);
    canvas->Unlock();
    Unlock();
    paintingToDC_ = false;
    SelectClipRgn(DC, nullptr);
}

// --- Widget timer

void TiVCLComponent::TimerStart(uint32_t FirstInterval, uint32_t Interval)
{
    if (timerId_ != 0) return;
    timerInterval_ = Interval;
    HWND wnd = timerWindow_->Handle();
    if (FirstInterval != 0) {
        timerId_ = SetTimer(wnd, kWidgetTimerId, FirstInterval, nullptr);
        firstInterval_ = timerId_ != 0;
    } else if (Interval != 0) {
        timerId_ = SetTimer(wnd, kWidgetTimerId, Interval, nullptr);
    }
}

void TiVCLComponent::TimerStop()
{
    if (timerWindow_) KillTimer(timerWindow_->Handle(), kWidgetTimerId);
    timerId_ = 0;
    firstInterval_ = false;
}

void TiVCLComponent::TimerProc(TMessage& Message)
{
    if (Message.WParam != kWidgetTimerId || timerId_ == 0) return;
    if (firstInterval_) {
        firstInterval_ = false;
        KillTimer(timerWindow_->Handle(), kWidgetTimerId);
        timerId_ = SetTimer(timerWindow_->Handle(), kWidgetTimerId, timerInterval_, nullptr);
    }
    if (OnInternalTimer) OnInternalTimer();
}

void TiVCLComponent::OPCNewDataSpecial(double) {}
void TiVCLComponent::UpdateOPCSpecialList() {}

// --- Messages

void TiVCLComponent::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        WMGetDlgCode(Message);
        return;
    case WM_MOUSEWHEEL:
        WMMouseWheel(Message);
        return;
    // A widget is no top-level window: its form passes the system's colour
    // change on as CM_SYSCOLORCHANGE.
    case WM_SYSCOLORCHANGE:
    case CM_SYSCOLORCHANGE:
    case WM_PALETTECHANGED:
        WMSysColorChange(Message);
        return;
    }
    TiComponent::Dispatch(Message);
}

void TiVCLComponent::CreateWnd()
{
    TiComponent::CreateWnd();
    // Widgets are found by their object, never by a dialog id.
    SetWindowLongPtrA(handle_, GWLP_ID, 0);
}

void TiVCLComponent::WMEraseBkgnd(TMessage& Message)
{
    Message.Result = 1;
}

void TiVCLComponent::WMGetDlgCode(TMessage& Message)
{
    DefaultHandler(Message);
    Message.Result |= DLGC_WANTALLKEYS;
}

void TiVCLComponent::CMWantSpecialKey(TMessage& Message)
{
    TiComponent::CMWantSpecialKey(Message);
    WORD key = Message.CharCode();
    LRESULT result = Message.Result;
    iWantSpecialKey(key, result);
    Message.Result = result;
}

// A key press reaches iKeyDown once, from the key-down event with the real
// shift state; the pre-dispatch notification only decides about dialog
// navigation. A key-up that the notification consumes (a claimed arrow key)
// sends no key-up message after it, so iKeyUp runs here for it instead.
void TiVCLComponent::CNKeyDown(TMessage& Message)
{
    try {
        TiComponent::CNKeyDown(Message);
    } catch (...) {
    }
}

void TiVCLComponent::CNKeyUp(TMessage& Message)
{
    try {
        TiComponent::CNKeyUp(Message);
        if (Message.Result != 0) {
            WORD key = Message.CharCode();
            iKeyUp(key, {});
        }
    } catch (...) {
    }
}

void TiVCLComponent::WMMouseButton(TMessage& Message)
{
    try {
        TiComponent::WMMouseButton(Message);
    } catch (...) {
    }
}

void TiVCLComponent::WMMouseWheel(TMessage& Message)
{
    const int delta = GET_WHEEL_DELTA_WPARAM(Message.WParam);
    const TShiftState shift = KeysToShiftState(GET_KEYSTATE_WPARAM(Message.WParam));
    const TPoint pos(static_cast<short>(LOWORD(Message.LParam)), static_cast<short>(HIWORD(Message.LParam)));
    if (iMouseWheel(delta, shift, pos))
        Message.Result = 1;
    else
        DefaultHandler(Message);
}

void TiVCLComponent::WMSetFocus(TMessage& Message)
{
    iDoSetFocus();
    TiComponent::WMSetFocus(Message);
}

void TiVCLComponent::WMKillFocus(TMessage& Message)
{
    if (reinterpret_cast<HWND>(Message.WParam) != GetHandleIfAllocated()) iDoKillFocus();
    TiComponent::WMKillFocus(Message);
}

void TiVCLComponent::WMWindowPosChanged(TMessage& Message)
{
    TiComponent::WMWindowPosChanged(Message);
    RequestTransparentCapture();
}

void TiVCLComponent::SetBounds(int32_t ALeft, int32_t ATop, int32_t AWidth, int32_t AHeight)
{
    if (ALeft == Left() && ATop == Top() && AWidth == Width() && AHeight == Height()) return;
    TiComponent::SetBounds(ALeft, ATop, AWidth, AHeight);
    const bool sized = AWidth > 0 && AHeight > 0;
    if (transparentBitmap_ && sized) transparentBitmap_->SetSize(AWidth, AHeight);
    RequestTransparentCapture();
    if (sized) SetBackGroundCacheSize(AWidth, AHeight);
    BackGroundChange();
}

void TiVCLComponent::WMSysColorChange(TMessage& Message)
{
    DefaultHandler(Message);
    BackGroundChange();
}

void TiVCLComponent::CMColorChanged(TMessage&)
{
    BackGroundChange();
}
