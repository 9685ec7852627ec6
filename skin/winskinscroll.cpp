#include "skin/winskinscroll.h"

#include <mutex>

#include "components/typinfo.h"
#include "runtime/sysutils.h"

namespace {

constexpr UINT MsgPaintBorderInto = 0xBC4B; // with lParam kPrivateTag: the border into wParam
constexpr LPARAM kPrivateTag = 0x41A2;

bool PublishesOrdinal(TObject* obj, const char* name)
{
    const TPropInfo* p = GetPropInfo(obj, name);
    return p && (p->Kind == TPropKind::Color || p->Kind == TPropKind::Integer);
}

bool IsNT51()
{
    OSVERSIONINFOA v{};
    v.dwOSVersionInfoSize = sizeof v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExA(&v)) return false;
#pragma GCC diagnostic pop
    return v.dwMajorVersion > 5 || (v.dwMajorVersion == 5 && v.dwMinorVersion >= 1);
}

} // namespace

// ---------------------------------------------------------------------------
// TWScrollbar

const TClassInfo& TWScrollbar::StaticClass()
{
    static const TClassInfo& info = PublishClass<TWScrollbar>();
    return info;
}

TWScrollbar::TWScrollbar(TComponent* AOwner) : TCustomPanel(AOwner)
{
    SetVisible(false);
    SetBevelOuter(bvNone);
    SetTabStop(false);
    SetOpaque(true);
    ArrowSize = GetSystemMetrics(SM_CXHSCROLL);
}

TWScrollbar::~TWScrollbar()
{
    *alive_ = false;
}

void TWScrollbar::CreateParams(TCreateParams& Params)
{
    TCustomPanel::CreateParams(Params);
    Params.ExStyle |= WS_EX_TOOLWINDOW;
    Params.Style &= ~static_cast<DWORD>(WS_TABSTOP);
}

TSkinData* TWScrollbar::Data() const
{
    return SkinControl ? SkinControl->fsd : nullptr;
}

void TWScrollbar::Attach(TSkinScrollbar* skin, TWinControl* control, int kind)
{
    SkinControl = skin;
    Control = control;
    Kind = kind;
    Orientation = kind == wsbVertical ? 1 : 0;
    TWinControl* parent = control->Parent();
    if (parent && PublishesOrdinal(parent, "Color"))
        SetColor(GetIntProperty(parent, "Color"));
    else if (TSkinData* data = Data())
        SetColor(data->Colors[csButtonFace]);
    SetParent(parent);
    ControlWnd = control->Handle();
    SetPosition(ControlWnd);
}

bool TWScrollbar::ReadInfo(SCROLLBARINFO& info)
{
    TSkinData* data = Data();
    if (!data || !ControlWnd || !IsWindow(ControlWnd)) return false;
    if (!data->GetScrollBarInfo(ControlWnd, Kind == wsbVertical ? OBJID_VSCROLL : OBJID_HSCROLL, info))
        return false;
    const RECT& rc = info.rcScrollBar;
    BarLength = Orientation == 1 ? rc.bottom - rc.top : rc.right - rc.left;
    ThumbStart = info.xyThumbTop;
    ThumbEnd = info.xyThumbBottom;
    return true;
}

void TWScrollbar::SetPosition(HWND wnd)
{
    ControlWnd = wnd;
    SCROLLBARINFO info{};
    if (!ReadInfo(info) || !IsWindowVisible(wnd) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) || !Parent() ||
        !Parent()->HandleAllocated()) {
        HideScrollbar();
        return;
    }
    const RECT screen = info.rcScrollBar;
    if (screen.right <= screen.left || screen.bottom <= screen.top) {
        HideScrollbar();
        return;
    }
    BarOrigin = Point(screen.left, screen.top);
    RECT client = screen;
    MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&client), 2);
    BarRect = client;
    RECT inParent = screen;
    MapWindowPoints(nullptr, Parent()->Handle(), reinterpret_cast<POINT*>(&inParent), 2);
    SetBounds(inParent.left, inParent.top, inParent.right - inParent.left, inParent.bottom - inParent.top);
    // Just above the control: behind whatever lay above it before.
    HWND above = GetWindow(wnd, GW_HWNDPREV);
    if (above != Handle())
        SetWindowPos(Handle(), above ? above : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Shown = true;
    if (!GetVisible())
        SetVisible(true);
    else
        Invalidate();
}

void TWScrollbar::HideScrollbar()
{
    Shown = false;
    if (GetVisible()) SetVisible(false);
}

int TWScrollbar::GetScrollPos(TPoint p)
{
    const TScrollGeometry g{BarLength, ArrowSize, ThumbStart, ThumbEnd};
    return ScrollHitPart(Orientation == 1 ? p.Y : p.X, g);
}

TRect TWScrollbar::GetThumb()
{
    if (ThumbEnd <= ThumbStart) return TRect();
    return Orientation == 1 ? Rect(0, ThumbStart, Width(), ThumbEnd)
                            : Rect(ThumbStart, 0, ThumbEnd, Height());
}

void TWScrollbar::Paint()
{
    TSkinData* data = Data();
    SCROLLBARINFO info{};
    if (!data || !Shown || !ReadInfo(info) || (info.rgstate[0] & STATE_SYSTEM_INVISIBLE)) return;
    TScrollBarLook look;
    look.Vertical = Orientation == 1;
    look.Cross = look.Vertical ? info.rcScrollBar.right - info.rcScrollBar.left
                               : info.rcScrollBar.bottom - info.rcScrollBar.top;
    look.Geometry = TScrollGeometry{BarLength, ArrowSize, ThumbStart, ThumbEnd};
    look.Enabled = GetEnabled() && !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE);
    look.Hot = Hot;
    look.Pressed = Pressed;
    if (Pressed && Hot == sbpThumb) {
        // The system draws its own thumb only under us; ours follows the
        // cursor as the dragged one would.
        POINT now{};
        GetCursorPos(&now);
        look.Dragging = true;
        look.StartAtPress = PressThumb;
        look.Moved = look.Vertical ? now.y - PressCursor.Y : now.x - PressCursor.X;
    }
    look.Face = data->Colors[csButtonFace];
    PaintScrollBar(Canvas()->Handle(), ClientRect(), look, *data);
}

void TWScrollbar::MoveOver(TMessage& Message)
{
    const int part = GetScrollPos(Point(Message.XPos(), Message.YPos()));
    if (part != Hot) {
        Hot = part;
        Invalidate();
    }
    DoTrackMouse(Handle());
}

void TWScrollbar::Press(TMessage& Message)
{
    POINT screen{};
    GetCursorPos(&screen);
    PressCursor = Point(screen.x, screen.y);
    PressThumb = ThumbStart;
    Hot = GetScrollPos(Point(Message.XPos(), Message.YPos()));
    Pressed = true;
    Repaint();
    ReleaseCapture();
    // The system's own tracking of its bar runs inside this call and comes
    // back when the button is released; the control's scroll messages
    // repaint us meanwhile.
    std::shared_ptr<bool> alive = alive_;
    HWND target = ControlWnd;
    if (target && IsWindow(target))
        SendMessageW(target, WM_NCLBUTTONDOWN, Kind == wsbVertical ? HTVSCROLL : HTHSCROLL,
                     MAKELPARAM(screen.x, screen.y));
    if (!*alive) return;
    Pressed = false;
    Repaint();
    Message.Result = 0;
}

void TWScrollbar::Release(TMessage& Message)
{
    Pressed = false;
    ReleaseCapture();
    if (ControlWnd && IsWindow(ControlWnd)) {
        POINT screen{};
        GetCursorPos(&screen);
        PostMessageW(ControlWnd, WM_NCLBUTTONUP, Kind == wsbVertical ? HTVSCROLL : HTHSCROLL,
                     MAKELPARAM(screen.x, screen.y));
    }
    Invalidate();
    Message.Result = 0;
}

void TWScrollbar::WndProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SKIN_CONTROLSKINNED:
        // Ours: the matcher must never skin the overlay itself.
        Message.Result = 1;
        return;
    case WM_ERASEBKGND:
        Message.Result = 1;
        return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        Press(Message);
        return;
    case WM_LBUTTONUP:
        Release(Message);
        return;
    case WM_MOUSEMOVE:
        MoveOver(Message);
        break;
    case WM_MOUSELEAVE:
        if (!Pressed && Hot != sbpNone) {
            Hot = sbpNone;
            Invalidate();
        }
        break;
    default:
        break;
    }
    TCustomPanel::WndProc(Message);
}

// ---------------------------------------------------------------------------
// TSkinScrollbar

const TClassInfo& TSkinScrollbar::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinScrollbar>();
    return info;
}

TSkinScrollbar::~TSkinScrollbar()
{
    FreeOverlays();
}

void TSkinScrollbar::FreeOverlays()
{
    if (auto* h = std::exchange(HScroll, nullptr)) h->Free();
    if (auto* v = std::exchange(VScroll, nullptr)) v->Free();
}

void TSkinScrollbar::Notification(TComponent* AComponent, TOperation Operation)
{
    TSkinControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    // The control's parent frees its children, the overlays among them.
    if (AComponent == HScroll) HScroll = nullptr;
    if (AComponent == VScroll) VScroll = nullptr;
}

void TSkinScrollbar::Attach(TSkinControlHost* frame, TSkinData* data, bool, TCanvas* canvas)
{
    if (auto* control = dynamic_cast<TWinControl*>(Owner())) InitScrollbar(control, data, frame, canvas);
}

void TSkinScrollbar::InitScrollbar(TWinControl* control, TSkinData* data, TSkinControlHost* frame,
                                   TCanvas* canvas)
{
    if (Inited || !control || !data) return;
    fsd = data;
    Frame = frame;
    WorkCanvas = canvas;
    Control = control;
    hwnd = control->Handle();
    NT51 = IsNT51();
    if (frame) frame->HostControls().AddControlList(this);
    Border = LowerCase(GetEnumProperty(control, "BorderStyle")) != "bsnone" &&
             UpperCase(control->ClassName()) != "TIMAGESCROLLBOX" && Kind != 1;
    if (PublishesOrdinal(control, "FixedColor")) {
        // Grids: the fixed cells take the face colour. Kept apart from the
        // base's Color so that each goes back where it came from.
        savedFixed_ = GetIntProperty(control, "FixedColor");
        fixedSaved_ = true;
        SetIntProperty(control, "FixedColor", data->Colors[csButtonFace]);
    }
    HScroll = new TWScrollbar(this);
    HScroll->Attach(this, control, wsbHorizontal);
    VScroll = new TWScrollbar(this);
    VScroll->Attach(this, control, wsbVertical);
    HScroll->SetEnabled(control->GetEnabled());
    VScroll->SetEnabled(control->GetEnabled());
    if (!control->GetVisible()) {
        HScroll->HideScrollbar();
        VScroll->HideScrollbar();
    }
    HookControl(control);
    Inited = true;
    State = SkinStateAttached;
    // The new border.
    RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}

void TSkinScrollbar::Unsubclass()
{
    if (fixedSaved_ && Control && !Control->ComponentState().Contains(csDestroying))
        SetIntProperty(Control, "FixedColor", savedFixed_);
    fixedSaved_ = false;
    TSkinControl::Unsubclass();
    if (State == SkinStateWindowGone) return;
    FreeOverlays();
    // Released: the control's own border and bars come back at once, and
    // nothing of ours may paint over them until the hook goes.
    SkinActive = false;
    HWND wnd = Wnd();
    if (wnd && IsWindow(wnd))
        RedrawWindow(wnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

void TSkinScrollbar::SkinChange()
{
    if (fixedSaved_ && Control && fsd) SetIntProperty(Control, "FixedColor", fsd->Colors[csButtonFace]);
    TSkinControl::SkinChange();
    RepaintShown();
}

void TSkinScrollbar::SetScrollbarPos()
{
    HWND wnd = Wnd();
    if (!wnd) return;
    if (HScroll) HScroll->SetPosition(wnd);
    if (VScroll) VScroll->SetPosition(wnd);
}

void TSkinScrollbar::RepaintShown()
{
    for (TWScrollbar* o : {HScroll, VScroll})
        if (o && o->Shown) o->Invalidate();
}

void TSkinScrollbar::DrawBorder(HDC dc, const TRect& rect)
{
    if (fsd) DrawScrollControlBorder(dc, rect, fsd->Colors[csButtonShadow], fsd->Colors[csButtonFace]);
}

void TSkinScrollbar::BENCPAINT(HDC dc)
{
    HWND wnd = Wnd();
    if (!wnd) return;
    TWindowDC own;
    if (!dc) {
        own = TWindowDC::Get(wnd, true);
        dc = own.Handle();
    }
    RECT r;
    GetWindowRect(wnd, &r);
    DrawBorder(dc, Rect(0, 0, r.right - r.left, r.bottom - r.top));
    FillCorner(dc);
}

void TSkinScrollbar::FillCorner(HDC windowDC)
{
    if (!HScroll || !VScroll || !HScroll->Shown || !VScroll->Shown || !fsd) return;
    HWND wnd = Wnd();
    RECT w;
    GetWindowRect(wnd, &w);
    // Between the right end of the horizontal bar and the bottom of the
    // vertical one, in window coordinates.
    const int left = VScroll->BarOrigin.X - w.left;
    const int top = HScroll->BarOrigin.Y - w.top;
    const TRect corner = Rect(left, top, left + VScroll->Width(), top + HScroll->Height());
    FillColor(windowDC, corner, fsd->Colors[csButtonFace]);
}

bool TSkinScrollbar::BeforeProc(TMessage& Message)
{
    if (Message.Msg == WM_NCPAINT && Border) {
        Default(Message);
        try {
            BENCPAINT(nullptr);
        } catch (...) {
            // The system's border stays.
        }
        return false;
    }
    return TSkinControl::BeforeProc(Message);
}

void TSkinScrollbar::AfterProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        SetScrollbarPos();
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (TWScrollbar* o = Message.Msg == WM_HSCROLL ? HScroll : VScroll) {
            o->Hot = ScrollPartOfRequest(LOWORD(Message.WParam));
            if (o->Shown) o->Repaint();
        }
        break;
    case WM_MOUSEWHEEL:
        RepaintShown();
        break;
    case CM_VISIBLECHANGED:
        if (Control && Control->GetVisible()) {
            SetScrollbarPos();
        } else {
            if (HScroll) HScroll->HideScrollbar();
            if (VScroll) VScroll->HideScrollbar();
        }
        break;
    case CM_ENABLEDCHANGED:
        for (TWScrollbar* o : {HScroll, VScroll})
            if (o && Control) o->SetEnabled(Control->GetEnabled());
        RepaintShown();
        TSkinControl::AfterProc(Message);
        break;
    case CM_RECREATEWND:
        // The frame replaces this object by a fresh one for the new window.
        if (Frame && Frame->HostHandle())
            PostMessageW(Frame->HostHandle(), WM_SKIN_CONTROLRECREATED, reinterpret_cast<WPARAM>(hwnd), 0);
        break;
    case MsgPaintBorderInto:
        if (Message.LParam == kPrivateTag) {
            RECT r;
            GetWindowRect(Wnd(), &r);
            DrawBorder(reinterpret_cast<HDC>(Message.WParam), Rect(0, 0, r.right - r.left, r.bottom - r.top));
            Message.Result = kPrivateTag;
        }
        break;
    default:
        TSkinControl::AfterProc(Message);
        break;
    }
}

void TSkinScrollbar::DrawControl(HDC, const TRect&)
{
    HWND wnd = Wnd();
    if (!wnd) return;
    const LONG_PTR style = GetWindowLongEx(GWL_STYLE);
    if (HScroll) {
        if (HScroll->Shown)
            HScroll->Invalidate();
        else if (style & WS_HSCROLL)
            HScroll->SetPosition(wnd);
    }
    if (VScroll) {
        if (VScroll->Shown)
            VScroll->Invalidate();
        else if (style & WS_VSCROLL)
            VScroll->SetPosition(wnd);
    }
    TWindowDC dc = TWindowDC::Get(wnd, true);
    FillCorner(dc.Handle());
}

// ---------------------------------------------------------------------------
// Registration

void RegisterSkinScrollKinds()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterSkinKind("TSkinScrollbar",
                         [](TComponent* o) -> TSkinControl* { return new TSkinScrollbar(o); });
    });
}

namespace {
[[maybe_unused]] const bool registered = (RegisterSkinScrollKinds(), true);
}
