// Edits and up-down spinners.
#include "skin/winskinedit.h"

#include <algorithm>

#include "runtime/sysutils.h"
#include "skin/winskinimage.h"

namespace {

constexpr UINT MsgPaintClientInto = 0xBC4A; // with lParam kPrivateTag: paint the client area into wParam
constexpr LPARAM kPrivateTag = 0x41A2;

bool IsSpinnerClass(HWND wnd)
{
    const std::string cls = LowerCase(GetWindowClassname(wnd));
    return cls == "msctls_updown32" || cls.find("spin") != std::string::npos ||
           cls.find("updown") != std::string::npos;
}

} // namespace

// ---------------------------------------------------------------------------
// TSkinEdit

const TClassInfo& TSkinEdit::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinEdit>();
    return info;
}

void TSkinEdit::AfterProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT:
    // The system paints its own border with the non-client area; ours has to
    // follow it or a frame-only repaint would bring the sunken edge back.
    case WM_NCPAINT:
        PaintControl(nullptr);
        break;
    case WM_PRINT:
        PaintControl1(reinterpret_cast<HDC>(Message.WParam));
        break;
    case MsgPaintClientInto:
        if (Message.LParam == kPrivateTag) {
            TMessage paint{WM_PAINT, Message.WParam, 0, 0};
            Default(paint);
            Message.Result = kPrivateTag;
        }
        break;
    default:
        TSkinControl::AfterProc(Message);
        break;
    }
}

void TSkinEdit::DrawControl(HDC dc, const TRect& rect)
{
    HWND wnd = Wnd();
    if (!wnd || !fsd) return;
    if (!UpDown && fsd->SkinControls.Contains(xcSpin)) FindUPDown(wnd, fsd, WorkCanvas);
    RECT client;
    GetClientRect(wnd, &client);
    if (client.right < rect.Width() && client.bottom < rect.Height())
        DrawEditBorder(dc, rect, fsd->Colors[csButtonShadow]);
}

void TSkinEdit::FindUPDown(HWND edit, TSkinData* data, TCanvas* canvas)
{
    for (HWND child = GetWindow(edit, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsSpinnerClass(child)) continue;
        if (Frame) {
            // Attached already (by the matcher, or an earlier search).
            if (auto* known = dynamic_cast<TSkinUpDown*>(Frame->HostControls().FindObject(child))) {
                UpDown = known;
                FreeNotification(known);
                return;
            }
        }
        // Without a frame nobody else would free it.
        auto* ud = new TSkinUpDown(Frame ? nullptr : this);
        ud->Embedded = true;
        ud->Inithwnd(child, data, Frame, canvas);
        UpDown = ud;
        if (Frame) FreeNotification(ud);
        return;
    }
}

void TSkinEdit::Notification(TComponent* AComponent, TOperation Operation)
{
    TSkinControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == UpDown) UpDown = nullptr;
}

void TSkinEdit::PaintControl1(HDC dc)
{
    HWND wnd = Wnd();
    if (!dc || !wnd) return;
    try {
        RECT r;
        GetWindowRect(wnd, &r);
        DrawControl1(dc, Rect(0, 0, r.right - r.left, r.bottom - r.top));
    } catch (...) {
        // A print that fails keeps the edit's own border.
    }
}

void TSkinEdit::DrawControl1(HDC dc, const TRect& rect)
{
    HWND wnd = Wnd();
    if (!wnd || !fsd) return;
    RECT client;
    GetClientRect(wnd, &client);
    if (rect.Width() - client.right < 3 || rect.Height() - client.bottom < 3) return;
    LOGBRUSH current{};
    GetObject(GetCurrentObject(dc, OBJ_BRUSH), sizeof current, &current);
    DrawEditPrintBorder(dc, rect, static_cast<TColor>(current.lbColor), fsd->Colors[csButtonShadow]);
}

// ---------------------------------------------------------------------------
// TSkinUpDown

const TClassInfo& TSkinUpDown::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinUpDown>();
    return info;
}

TSkinUpDown::~TSkinUpDown() = default;

bool TSkinUpDown::Vertical()
{
    return !(GetWindowLongEx(GWL_STYLE) & UDS_HORZ) && OrientationOverride != 1;
}

void TSkinUpDown::RepaintNow()
{
    if (HWND wnd = Wnd()) RedrawWindow(wnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

bool TSkinUpDown::BeforeProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT:
        WMPaint(Message);
        return false;
    case WM_ERASEBKGND:
        if (!Control && Message.WParam) {
            RECT r;
            GetClientRect(Wnd(), &r);
            FillColor(reinterpret_cast<HDC>(Message.WParam), r, clWhite);
        }
        Message.Result = 1;
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        // The control's own press first: its repeat clicking stays the
        // system's.
        Default(Message);
        Pressed = true;
        RepaintNow();
        return false;
    case WM_LBUTTONUP:
        Pressed = false;
        Default(Message);
        RepaintNow();
        return false;
    case WM_CAPTURECHANGED:
        // The release can happen elsewhere (a dialog taking the mouse): the
        // pressed look must not outlive the press.
        Default(Message);
        if (Pressed && reinterpret_cast<HWND>(Message.LParam) != Wnd()) {
            Pressed = false;
            RepaintNow();
        }
        return false;
    default:
        return TSkinControl::BeforeProc(Message);
    }
}

void TSkinUpDown::DrawControl(HDC dc, const TRect& rect)
{
    HWND wnd = Wnd();
    if (!wnd || !fsd) return;
    TRect r = rect;
    if (Embedded) {
        RECT client;
        GetClientRect(wnd, &client);
        FillColor(dc, client, clWhite);
        // Keep clear of the edit's border: 3 pixels from its top, bottom and
        // right edges.
        RECT edit;
        GetWindowRect(GetParent(wnd), &edit);
        MapWindowPoints(nullptr, wnd, reinterpret_cast<POINT*>(&edit), 2);
        r.Top = std::max(r.Top, static_cast<int32_t>(edit.top + 3));
        r.Bottom = std::min(r.Bottom, static_cast<int32_t>(edit.bottom - 3));
        r.Right = std::min(r.Right, static_cast<int32_t>(edit.right - 3));
        if (r.IsEmpty()) return;
    }
    TUpDownPaint p;
    p.Vertical = Vertical();
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(wnd, &cursor);
    const bool disabled = (GetWindowLongEx(GWL_STYLE) & WS_DISABLED) != 0;
    UpDownHalfStates(r, p.Vertical, Pressed, Point(cursor.x, cursor.y), disabled, p.FirstState,
                     p.SecondState);
    p.Face = fsd->Colors[csButtonFace];
    p.Shadow = fsd->Colors[csButtonShadow];
    p.DkShadow = fsd->Colors[csButtonDkshadow];
    p.Skin = p.Vertical ? fsd->UpDownVert.get() : fsd->UpDownHorz.get();
    PaintUpDown(dc, r, p);
}

void TSkinUpDown::DrawSkinButton(HDC dc, const TRect& rect, int direction, int state)
{
    TDataSkinBorder* obj = Vertical() ? fsd->UpDownVert.get() : fsd->UpDownHorz.get();
    if (obj) DrawSkinUpDownHalf(dc, rect, *obj, Vertical(), direction, state);
}

void TSkinUpDown::DrawButton(TCanvas* canvas, const TRect& rect, int direction, int state)
{
    if (canvas && fsd)
        DrawPlainUpDownHalf(*canvas, rect, direction, state, fsd->Colors[csButtonFace],
                            fsd->Colors[csButtonShadow], fsd->Colors[csButtonDkshadow]);
}
