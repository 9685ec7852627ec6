#include "skin/winsubclass.h"

#include <algorithm>
#include <map>

#include "components/typinfo.h"
#include "framework/buttons.h"
#include "framework/gdiobj.h"
#include "skin/winskinbutton.h"
#include "skin/winskinedit.h"
#include "skin/winskinimage.h"
#include "skin/winskinscroll.h"

namespace {

// The window properties a plain window carries while it is hooked: the
// object, and the procedure it replaced (kept apart so that a window
// subclassed again over us still reaches its own procedure once we go).
constexpr const char* ObjectProp = "OrvaneSkinControl";
constexpr const char* OldProcProp = "OrvaneSkinControlProc";

int liveObjects = 0;
std::unique_ptr<TBitmap> sharedBuffer;

std::map<std::string, TSkinKindFactory>& Kinds()
{
    static std::map<std::string, TSkinKindFactory> kinds;
    return kinds;
}

bool IsPublishedOrdinal(TObject* obj, const char* name)
{
    const TPropInfo* p = GetPropInfo(obj, name);
    return p && (p->Kind == TPropKind::Color || p->Kind == TPropKind::Integer);
}

} // namespace

struct TSkinControl::THookState {
    TSkinControl* Self = nullptr;
    std::function<void(TMessage&)> Old;
};

namespace {
// What goes into the control's WindowProc. Recognisable by type, so that we
// take it out only while it is still the outermost hook.
struct THookFn {
    std::shared_ptr<TSkinControl::THookState> State;
    void operator()(TMessage& m) const
    {
        auto s = State; // the object may go while the message is routed
        if (s->Self)
            s->Self->NewWndProc(m);
        else if (s->Old)
            s->Old(m);
    }
};
} // namespace

// ---------------------------------------------------------------------------
// Kind registry

void RegisterSkinKind(const std::string& kind, TSkinKindFactory factory)
{
    if (factory)
        Kinds()[kind] = std::move(factory);
    else
        Kinds().erase(kind);
}

bool SkinKindRegistered(const std::string& kind)
{
    return Kinds().count(kind) != 0;
}

TSkinControl* CreateSkinKind(const std::string& kind, TComponent* owner)
{
    auto it = Kinds().find(kind);
    if (it == Kinds().end() || !it->second) return nullptr;
    return it->second(owner);
}

TSkinToolBarHandlers& SkinToolBarHandlers()
{
    static TSkinToolBarHandlers handlers;
    return handlers;
}

static TSkinKindRegistration registerBase("TSkinControl",
                                          [](TComponent* o) -> TSkinControl* { return new TSkinControl(o); });

// ---------------------------------------------------------------------------
// TSkinControl

const TClassInfo& TSkinControl::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinControl>();
    return info;
}

TSkinControl::TSkinControl(TComponent* AOwner) : TComponent(AOwner)
{
    ++liveObjects;
}

TSkinControl::~TSkinControl()
{
    *alive_ = false;
    LeaveList();
    Unhook();
    UnhookWindow();
    if (--liveObjects == 0) sharedBuffer.reset();
}

void TSkinControl::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == Control) {
        // Gone without us: nothing left to put back.
        if (hook_) hook_->Self = nullptr;
        hookedProc_ = false;
        Control = nullptr;
        GControl = nullptr;
    }
}

HWND TSkinControl::Wnd() const
{
    if (auto w = dynamic_cast<TWinControl*>(Control)) return w->GetHandleIfAllocated();
    return Control ? nullptr : hwnd;
}

void TSkinControl::HookControl(TControl* control)
{
    if (hookedProc_ || !control) return;
    Control = control;
    if (control != Owner()) FreeNotification(control);
    hook_ = std::make_shared<THookState>();
    hook_->Self = this;
    hook_->Old = control->WindowProc;
    control->WindowProc = THookFn{hook_};
    hookedProc_ = true;
}

void TSkinControl::Unhook()
{
    if (!hookedProc_) return;
    hookedProc_ = false;
    hook_->Self = nullptr;
    // A control on its way out is past caring (and its members may already
    // be gone when it is our owner).
    if (!Control || Control->ComponentState().Contains(csDestroying)) return;
    auto* top = Control->WindowProc.target<THookFn>();
    if (top && top->State == hook_) Control->WindowProc = hook_->Old;
    // Otherwise someone hooked over us: our forwarder stays in their chain
    // and passes everything on.
}

void TSkinControl::UnhookWindow()
{
    if (!hookedWnd_) return;
    HWND wnd = std::exchange(hookedWnd_, nullptr);
    WNDPROC old = std::exchange(oldWndProc_, nullptr);
    if (!IsWindow(wnd)) return;
    RemovePropA(wnd, ObjectProp);
    auto current = reinterpret_cast<WNDPROC>(UnicodeWnd ? GetWindowLongPtrW(wnd, GWLP_WNDPROC)
                                                        : GetWindowLongPtrA(wnd, GWLP_WNDPROC));
    if (current == &TSkinControl::HwndProc) {
        if (UnicodeWnd)
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        else
            SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        RemovePropA(wnd, OldProcProp);
    }
    // Else HwndProc stays in the chain and forwards through OldProcProp.
}

LRESULT CALLBACK TSkinControl::HwndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    auto* self = static_cast<TSkinControl*>(GetPropA(wnd, ObjectProp));
    if (!self) {
        auto old = reinterpret_cast<WNDPROC>(GetPropA(wnd, OldProcProp));
        const bool wide = IsWindowUnicode(wnd);
        if (msg == WM_NCDESTROY) RemovePropA(wnd, OldProcProp);
        if (!old)
            return wide ? DefWindowProcW(wnd, msg, wParam, lParam) : DefWindowProcA(wnd, msg, wParam, lParam);
        return wide ? CallWindowProcW(old, wnd, msg, wParam, lParam)
                    : CallWindowProcA(old, wnd, msg, wParam, lParam);
    }
    TMessage m{msg, wParam, lParam, 0};
    try {
        self->NewWndProc(m);
    } catch (...) {
        // A plain window has nobody to report to; the message counts as
        // handled with what it has.
    }
    return m.Result;
}

void TSkinControl::Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas)
{
    if (Inited) return;
    Recolor = recolor;
    fsd = data;
    Frame = frame;
    WorkCanvas = canvas;
    auto* control = dynamic_cast<TControl*>(Owner());
    if (!control) return;
    if (auto* w = dynamic_cast<TWinControl*>(control))
        hwnd = w->GetHandleIfAllocated();
    else
        GControl = dynamic_cast<TGraphicControl*>(control);
    HookControl(control);
    if (frame) frame->HostControls().AddControlList(this);
    if (Recolor && fsd && IsPublishedOrdinal(Control, "Color")) {
        SavedColor = GetIntProperty(Control, "Color");
        savedParentColor_ = GetProperty(Control, "ParentColor") == "True";
        SetIntProperty(Control, "Color", fsd->Colors[csButtonFace]);
    } else {
        Recolor = false;
    }
    Invalidate();
    Inited = true;
    State = SkinStateAttached;
}

void TSkinControl::Inithwnd(HWND wnd, TSkinData* data, TSkinControlHost* frame, TCanvas* canvas)
{
    if (Inited || !IsWindow(wnd)) return;
    fsd = data;
    WorkCanvas = canvas;
    Frame = frame;
    hwnd = wnd;
    EnabledLook = true;
    if (frame) frame->HostControls().AddControlList(this);
    UnicodeWnd = IsWindowUnicode(wnd) != FALSE;
    Caption = GetFormCaption(wnd);
    SetPropA(wnd, ObjectProp, this);
    LONG_PTR old =
        UnicodeWnd
            ? SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TSkinControl::HwndProc))
            : SetWindowLongPtrA(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TSkinControl::HwndProc));
    oldWndProc_ = reinterpret_cast<WNDPROC>(old);
    SetPropA(wnd, OldProcProp, reinterpret_cast<HANDLE>(old));
    hookedWnd_ = wnd;
    Invalidate();
    Inited = true;
    State = SkinStateAttached;
}

void TSkinControl::Attach(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas)
{
    Init(frame, data, recolor, canvas);
}

void TSkinControl::Unsubclass()
{
    if (!Recolor || !Control || Control->ComponentState().Contains(csDestroying)) return;
    SetIntProperty(Control, "Color", SavedColor);
    // Setting Color cut the control loose from its parent's colour; a control
    // that followed its parent follows it again.
    if (savedParentColor_) SetProperty(Control, "ParentColor", "True");
    Recolor = false;
}

void TSkinControl::SkinChange()
{
    if (Recolor && Control && fsd) SetIntProperty(Control, "Color", fsd->Colors[csButtonFace]);
    Invalidate();
}

void TSkinControl::LeaveList()
{
    if (Frame && Frame->HotControl == this) Frame->HotControl = nullptr;
    if (auto* list = std::exchange(list_, nullptr)) list->DeleteControl(this);
}

// --- Routing

void TSkinControl::NewWndProc(TMessage& Message)
{
    if (Message.Msg == WM_SKIN_CONTROLSWITCH) {
        SkinActive = static_cast<intptr_t>(Message.WParam) > 0;
        // Also when switched off: the control's own look has to come back.
        Invalidate();
        return;
    }
    if (!SkinActive) {
        Default(Message);
        return;
    }
    std::shared_ptr<bool> alive = alive_;
    if (!BeforeProc(Message) || !*alive) return;
    Default(Message);
    if (*alive) AfterProc(Message);
}

void TSkinControl::Default(TMessage& Message)
{
    if (hookedProc_) {
        if (hook_->Old) hook_->Old(Message);
    } else if (oldWndProc_ && hookedWnd_) {
        Message.Result =
            UnicodeWnd
                ? CallWindowProcW(oldWndProc_, hookedWnd_, Message.Msg, Message.WParam, Message.LParam)
                : CallWindowProcA(oldWndProc_, hookedWnd_, Message.Msg, Message.WParam, Message.LParam);
    }
}

bool TSkinControl::BeforeProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_NCDESTROY:
        Default(Message);
        SkinActive = false;
        State = SkinStateWindowGone;
        Unsubclass();
        // A plain window is gone for good: nothing may point at us from it.
        if (!Control) UnhookWindow();
        return false;
    case WM_SKIN_CONTROLSKINNED:
        Message.Result = 1;
        return false;
    default:
        return true;
    }
}

void TSkinControl::AfterProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case CM_ENABLEDCHANGED:
        Invalidate();
        break;
    case WM_PAINT:
        PaintControl(reinterpret_cast<HDC>(Message.WParam));
        break;
    default:
        break;
    }
}

// --- Painting

void TSkinControl::Invalidate()
{
    if (GControl) {
        GControl->Invalidate();
        return;
    }
    HWND wnd = Wnd();
    if (wnd && IsWindow(wnd)) RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void TSkinControl::MouseLeave()
{
    TMessage m{GControl ? CM_MOUSELEAVE : static_cast<UINT>(WM_MOUSELEAVE), 0, 0, 0};
    if (Control)
        Control->Perform(m.Msg, 0, 0);
    else if (HWND wnd = Wnd())
        SendMessageW(wnd, m.Msg, 0, 0);
}

void TSkinControl::PaintControl(HDC dc)
{
    HWND wnd = Wnd();
    if (!wnd) return;
    try {
        TWindowDC own;
        if (!dc) {
            own = TWindowDC::Get(wnd, true);
            dc = own.Handle();
        }
        RECT r;
        GetWindowRect(wnd, &r);
        WindowRect = r;
        DrawControl(dc, Rect(0, 0, r.right - r.left, r.bottom - r.top));
    } catch (...) {
        // A control that cannot be painted now keeps what it shows.
    }
}

void TSkinControl::DrawControl(HDC, const TRect&) {}

TRect TSkinControl::ControlRect()
{
    if (GControl) return Rect(0, 0, GControl->Width(), GControl->Height());
    RECT r{};
    if (HWND wnd = Wnd()) GetWindowRect(wnd, &r);
    return Rect(0, 0, r.right - r.left, r.bottom - r.top);
}

bool TSkinControl::HasFocus()
{
    HWND wnd = Wnd();
    return wnd && GetFocus() == wnd;
}

TWinControl* TSkinControl::ParentControl()
{
    if (Control) return Control->Parent();
    return FindControl(ParentHandle());
}

HWND TSkinControl::ParentHandle()
{
    if (Control && Control->Parent()) return Control->Parent()->GetHandleIfAllocated();
    HWND wnd = Wnd();
    return wnd ? GetParent(wnd) : nullptr;
}

void TSkinControl::FillColor(HDC dc, const TRect& rect, TColor color)
{
    TBrushHandle brush(CreateSolidBrush(ColorToRGB(color)));
    RECT r = rect;
    FillRect(dc, &r, brush.Get());
}

void TSkinControl::FillBG(HDC dc, const TRect& rect)
{
    FillColor(dc, rect, fsd ? fsd->Colors[csButtonFace] : clBtnFace);
}

void TSkinControl::FillParentBG(HDC dc, const TRect& rect)
{
    TWinControl* parent = ParentControl();
    if (parent && IsPublishedOrdinal(parent, "Color"))
        FillColor(dc, rect, GetIntProperty(parent, "Color"));
    else
        FillBG(dc, rect);
}

void TSkinControl::DrawFocus(HDC dc, const TRect& textRect, const TRect& clip)
{
    RECT r{textRect.Left - 2, textRect.Top - 1, textRect.Right + 2, textRect.Bottom + 1};
    RECT c = clip;
    IntersectRect(&r, &r, &c);
    if (IsRectEmpty(&r)) return;
    // DrawFocusRect inverts through the DC's colours: fix them so the dots
    // come out the same on every face.
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBk = SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &r);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBk);
}

TRect TSkinControl::DrawCaption(HDC dc, const std::wstring& text, const TRect& rect, bool center,
                                bool enabled, TColor color)
{
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, ColorToRGB(enabled ? color : clGrayText));
    UINT flags = CheckBiDi(DT_SINGLELINE | DT_VCENTER | (center ? DT_CENTER : DT_LEFT));
    RECT measured{0, 0, 0, 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_SINGLELINE | DT_CALCRECT);
    RECT r = rect;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, flags);
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    const int w = measured.right, h = measured.bottom;
    const int left = center ? rect.Left + (rect.Width() - w) / 2 : rect.Left;
    const int top = rect.Top + (rect.Height() - h) / 2;
    return Rect(left, top, left + w, top + h);
}

TRect TSkinControl::DrawImgCaption(HDC dc, const TRect& rect, TBitmap* glyph, int32_t numGlyphs,
                                   int32_t index, const std::wstring& text, int layout, int32_t margin,
                                   int32_t spacing, TColor color, TColor key)
{
    if (numGlyphs < 1) numGlyphs = 1;
    if (index < 1 || index > numGlyphs) index = 1;
    int gw = 0, gh = 0;
    if (glyph && !glyph->Empty()) {
        gw = glyph->GetWidth() / numGlyphs;
        gh = glyph->GetHeight();
    }
    const int w = rect.Width(), h = rect.Height();
    const bool across = layout == blGlyphLeft || layout == blGlyphRight;
    // The caption wraps in the face less its 2-pixel inset and, beside the
    // glyph, less the glyph and 2 more.
    const int wrapWidth = std::max(w - 4 - (across && gw ? gw + 2 : 0), 0);
    RECT measured{0, 0, wrapWidth, 0};
    if (!text.empty())
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_WORDBREAK);
    const int tw = text.empty() ? 0 : measured.right, th = text.empty() ? 0 : measured.bottom;

    // Along the layout direction, from the face's edge.
    const int length = across ? w : h, g = across ? gw : gh, t = across ? tw : th;
    if (g == 0 || t == 0) spacing = 0;
    if (margin == -1 && spacing == -1) {
        margin = (length - g - t) / 3;
        spacing = margin;
    } else if (margin == -1) {
        margin = (length - (g + spacing + t)) / 2;
    } else if (spacing == -1) {
        spacing = (length - margin - g - t) / 2;
    }
    TPoint gp, tp;
    UINT align = DT_CENTER;
    switch (layout) {
    case blGlyphRight:
        gp = Point(w - margin - gw, (h - gh) / 2);
        tp = Point(gp.X - spacing - tw, (h - th) / 2);
        align = DT_RIGHT;
        break;
    case blGlyphTop:
        gp = Point((w - gw) / 2, margin);
        tp = Point((w - tw) / 2, margin + gh + spacing);
        break;
    case blGlyphBottom:
        gp = Point((w - gw) / 2, h - margin - gh);
        tp = Point((w - tw) / 2, gp.Y - spacing - th);
        break;
    default:
        gp = Point(margin, (h - gh) / 2);
        tp = Point(margin + gw + spacing, (h - th) / 2);
        align = DT_LEFT;
        break;
    }
    if (gw > 0) {
        TBitmap one;
        one.SetSize(gw, gh);
        BitBlt(one.Canvas()->Handle(), 0, 0, gw, gh, glyph->Canvas()->Handle(), gw * (index - 1), 0, SRCCOPY);
        DrawTranmap(dc, Bounds(rect.Left + gp.X, rect.Top + gp.Y, gw, gh), &one, key);
    }
    const TRect textRect = Bounds(rect.Left + tp.X, rect.Top + tp.Y, tw, th);
    if (!text.empty()) {
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColor = SetTextColor(dc, ColorToRGB(color));
        RECT r = textRect;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, CheckBiDi(align | DT_WORDBREAK));
        SetTextColor(dc, oldColor);
        SetBkMode(dc, oldMode);
    }
    return textRect;
}

void TSkinControl::DrawSkinMap(HDC dc, const TRect& rect, int32_t frames, int32_t frame, TDataSkinObject* obj)
{
    if (!obj || obj->Image->Empty()) return;
    DrawRect2(dc, rect, obj->Image.get(), false, obj->Tile == 1, obj->Trans == 1, frames, frame,
              obj->Margins);
}

void TSkinControl::DrawSkinMap1(HDC dc, const TRect& rect, TBitmap* bitmap, int32_t frames, int32_t frame)
{
    TCanvas canvas;
    canvas.SetHandle(dc);
    DrawSkinMap3(&canvas, rect, bitmap, frames, frame);
    canvas.SetHandle(nullptr);
}

void TSkinControl::DrawSkinMap2(HDC dc, const TRect& rect, TBitmap* bitmap, int32_t frames, int32_t frame)
{
    DrawRect1(dc, rect, bitmap, true, frames, frame);
}

void TSkinControl::DrawSkinMap3(TCanvas* canvas, const TRect& rect, TBitmap* bitmap, int32_t frames,
                                int32_t frame)
{
    if (canvas) DrawRect1(canvas->Handle(), rect, bitmap, true, frames, frame);
}

TBitmap* TSkinControl::SharedBuffer()
{
    if (!sharedBuffer) sharedBuffer = std::make_unique<TBitmap>();
    return sharedBuffer.get();
}

void TSkinControl::DrawBMPSkin(TBitmap* target, const TRect& rect, TDataSkinObject* obj, int32_t frames,
                               int32_t frame, bool transparent)
{
    if (!target) return;
    HDC dc = target->Canvas()->Handle();
    FillBG(dc, rect);
    if (!obj || obj->Image->Empty()) return;
    DrawRect2(dc, rect, obj->Image.get(), false, obj->Tile == 1, transparent, frames, frame, obj->Margins);
}

void TSkinControl::DrawSkin(const TRect& rect, TDataSkinObject* obj, int32_t frames, int32_t frame,
                            bool transparent)
{
    TBitmap* buffer = SharedBuffer();
    if (buffer->GetWidth() < rect.Right || buffer->GetHeight() < rect.Bottom)
        buffer->SetSize(std::max(buffer->GetWidth(), rect.Right), std::max(buffer->GetHeight(), rect.Bottom));
    DrawBMPSkin(buffer, rect, obj, frames, frame, transparent);
}

void TSkinControl::DrawBuf(HDC dc, const TRect& rect)
{
    if (!sharedBuffer || sharedBuffer->Empty()) return;
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), sharedBuffer->Canvas()->Handle(), rect.Left,
           rect.Top, SRCCOPY);
}

void TSkinControl::WMPaint(TMessage& Message)
{
    HWND wnd = Wnd();
    if (!wnd) return;
    RECT client{};
    GetClientRect(wnd, &client);
    if (Message.WParam) {
        try {
            DrawControl(reinterpret_cast<HDC>(Message.WParam), client);
        } catch (...) {
        }
    } else {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        try {
            DrawControl(dc, client);
        } catch (...) {
            // Painting failures leave the control as it was.
        }
        EndPaint(wnd, &ps);
    }
    Message.Result = 0;
}

void TSkinControl::WMERASEBKGND(TMessage& Message)
{
    HDC dc = reinterpret_cast<HDC>(Message.WParam);
    if (dc) {
        if (Control)
            DrawParentImage(Control, dc);
        else if (HWND wnd = Wnd()) {
            RECT r;
            GetClientRect(wnd, &r);
            FillParentBG(dc, r);
        }
    }
    Message.Result = 1;
}

UINT TSkinControl::CheckBiDi(UINT flags)
{
    if (Control && GetEnumProperty(Control, "BiDiMode") == "bdRightToLeft") flags |= DT_RTLREADING;
    return flags;
}

int TSkinControl::TextHeight(HDC dc, const std::wstring& text)
{
    SIZE size{};
    const std::wstring sample = text.empty() ? std::wstring(L"Wg") : text;
    GetTextExtentPoint32W(dc, sample.c_str(), static_cast<int>(sample.size()), &size);
    return size.cy;
}

LONG_PTR TSkinControl::GetWindowLongEx(int index)
{
    HWND wnd = Wnd();
    if (!wnd) return 0;
    return UnicodeWnd ? GetWindowLongPtrW(wnd, index) : GetWindowLongPtrA(wnd, index);
}

std::wstring TSkinControl::ControlCaption()
{
    if (Control) return StrToWideStr(GetStringProp(Control, "Caption"));
    if (HWND wnd = Wnd()) return GetFormCaption(wnd);
    return Caption;
}

TSkinControl::TFontSelect::TFontSelect(TSkinControl& owner, HDC dc) : dc_(dc)
{
    HGDIOBJ font = nullptr;
    if (owner.Control)
        font = owner.Control->Font()->Handle();
    else if (HWND wnd = owner.Wnd())
        font = reinterpret_cast<HGDIOBJ>(SendMessageW(wnd, WM_GETFONT, 0, 0));
    if (!font) font = GetStockObject(DEFAULT_GUI_FONT);
    old_ = SelectObject(dc, font);
}

TSkinControl::TFontSelect::~TFontSelect()
{
    if (old_) SelectObject(dc_, old_);
}

// ---------------------------------------------------------------------------
// TSkinControlList: bookkeeping (the matcher is in winskinmatch.cpp)

TSkinControlList::TSkinControlList(TSkinControlHost& host) : host_(host)
{
    // Kinds register from their own units; a static library leaves out units
    // nothing refers to, so the list names the ones it knows.
    RegisterSkinButtonKinds();
    RegisterSkinEditKinds();
    RegisterSkinScrollKinds();
}

TSkinControlList::~TSkinControlList()
{
    DeleteControls();
}

TSkinControl* TSkinControlList::FindObject(const TControl* control) const
{
    for (TSkinControl* obj : items_)
        if (obj->Control == control) return obj;
    return nullptr;
}

TSkinControl* TSkinControlList::FindObject(HWND wnd) const
{
    if (!wnd) return nullptr;
    for (TSkinControl* obj : items_)
        if (obj->hwnd == wnd) return obj;
    return nullptr;
}

bool TSkinControlList::AddControlList(TSkinControl* control)
{
    if (!control) return false;
    if (std::find(items_.begin(), items_.end(), control) != items_.end()) return true;
    items_.push_back(control);
    control->list_ = this;
    return false;
}

void TSkinControlList::DeleteControl(TSkinControl* control)
{
    auto it = std::find(items_.begin(), items_.end(), control);
    if (it == items_.end()) return;
    items_.erase(it);
    if (control->list_ == this) control->list_ = nullptr;
    ForgetToolBar(control->Control);
}

void TSkinControlList::ForgetToolBar(const TControl* control)
{
    if (!control) return;
    toolBars_.erase(std::remove_if(toolBars_.begin(), toolBars_.end(),
                                   [control](const TGivenHandlers& g) { return g.Bar == control; }),
                    toolBars_.end());
}

void TSkinControlList::ReleaseToolBars()
{
    for (const TGivenHandlers& given : std::exchange(toolBars_, {})) {
        TToolBar* bar = given.Bar;
        if (bar->ComponentState().Contains(csDestroying)) continue;
        if (given.Background) bar->OnCustomDraw = nullptr;
        if (given.Button) bar->OnCustomDrawButton = nullptr;
        bar->Invalidate();
    }
}

void TSkinControlList::DeleteControls()
{
    ReleaseToolBars();
    // Freeing one object can free others (those it owns); each leaves the
    // list as it goes, so take them one at a time from the end.
    while (!items_.empty()) {
        TSkinControl* obj = items_.back();
        items_.pop_back();
        obj->list_ = nullptr;
        if (obj->State != SkinStateWindowGone) obj->Unsubclass();
        obj->Free();
    }
    seen_.clear();
}

void TSkinControlList::DeleteSkinDeleted()
{
    for (;;) {
        auto it = std::find_if(items_.begin(), items_.end(),
                               [](TSkinControl* obj) { return obj->State == SkinStateWindowGone; });
        if (it == items_.end()) break;
        TSkinControl* obj = *it;
        items_.erase(it);
        obj->list_ = nullptr;
        obj->Free();
    }
    // Windows examined once may have gone and their handles come back for
    // new windows.
    seen_.erase(std::remove_if(seen_.begin(), seen_.end(), [](HWND w) { return !IsWindow(w); }), seen_.end());
}

void TSkinControlList::SkinChange()
{
    const std::vector<TSkinControl*> items = items_;
    for (TSkinControl* obj : items)
        if (std::find(items_.begin(), items_.end(), obj) != items_.end()) obj->SkinChange();
}

void TSkinControlList::Reattach(HWND oldHandle)
{
    TSkinControl* obj = FindObject(oldHandle);
    if (!obj) return;
    TControl* control = obj->Control;
    DeleteControl(obj);
    if (obj->State != SkinStateWindowGone) obj->Unsubclass();
    obj->Free();
    if (control && !control->ComponentState().Contains(csDestroying)) AddComp(control, control->Parent());
}
