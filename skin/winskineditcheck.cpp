// Check boxes and radio buttons.
#include "skin/winskinedit.h"

#include "components/typinfo.h"
#include "runtime/sysutils.h"
#include "skin/winskinform.h"
#include "skin/winskinimage.h"

namespace {

constexpr UINT MsgCheckRepaint = 0xB0D0;

bool Contains(const std::string& s, const char* part)
{
    return s.find(part) != std::string::npos;
}

} // namespace

// ---------------------------------------------------------------------------
// TSkinCheckBox

const TClassInfo& TSkinCheckBox::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinCheckBox>();
    return info;
}

void TSkinCheckBox::SetFlags(TBitmap* image)
{
    SkinnedPaint = image && !image->Empty();
    ParentBackground =
        (Control && Control->Tag == SkinTransparentTag) || (fsd && fsd->Options.Contains(xoTransparent));
}

void TSkinCheckBox::Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas)
{
    TSkinControl::Init(frame, data, recolor, canvas);
    SetFlags(FaceImage());
    Invalidate();
}

void TSkinCheckBox::Inithwnd(HWND wnd, TSkinData* data, TSkinControlHost* frame, TCanvas* canvas)
{
    TSkinControl::Inithwnd(wnd, data, frame, canvas);
    SetFlags(FaceImage());
    Invalidate();
}

TBitmap* TSkinCheckBox::FaceImage() const
{
    return fsd ? fsd->Button->CheckImage.get() : nullptr;
}

bool TSkinCheckBox::BeforeProc(TMessage& Message)
{
    if (!TSkinControl::BeforeProc(Message)) return false;
    switch (Message.Msg) {
    case WM_PAINT:
    case WM_PRINT:
        if (!SkinnedPaint) return true;
        WMPaint(Message);
        return false;
    case WM_ERASEBKGND:
        if (!ParentBackground) return true;
        WMERASEBKGND(Message);
        return false;
    default:
        return true;
    }
}

void TSkinCheckBox::AfterProc(TMessage& Message)
{
    switch (Message.Msg) {
    case BM_SETCHECK:
        LastCheck = static_cast<int32_t>(Message.WParam) + 1;
        Invalidate();
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case CM_EXIT:
    case MsgCheckRepaint:
        Invalidate();
        break;
    default:
        TSkinControl::AfterProc(Message);
        break;
    }
}

TCheckLook TSkinCheckBox::Look()
{
    TCheckLook look;
    HWND wnd = Wnd();
    const LRESULT state = wnd ? SendMessageW(wnd, BM_GETSTATE, 0, 0) : 0;
    look.Base = (state & 3) == BST_CHECKED ? 2 : 1;
    if (Control && GetPropInfo(Control, "State")) {
        const std::string s = LowerCase(GetEnumProperty(Control, "State"));
        if (Contains(s, "uncheck"))
            look.Base = 1;
        else if (Contains(s, "check"))
            look.Base = 2;
        else if (Contains(s, "gray"))
            look.Base = 4;
    }
    if (Control && GetPropInfo(Control, "DataField") && LastCheck) look.Base = LastCheck == 3 ? 4 : LastCheck;
    if (Control && GetPropInfo(Control, "DataBinding")) look.Base = 1;
    look.Disabled = (GetWindowLongEx(GWL_STYLE) & WS_DISABLED) != 0 || !EnabledLook;
    look.Indeterminate = (state & 3) == BST_INDETERMINATE;
    return look;
}

void TSkinCheckBox::PaintWith(HDC dc, const TRect& rect, TBitmap* image, int frames, int frame,
                              int rightInset)
{
    const LONG_PTR style = GetWindowLongEx(GWL_STYLE);
    const bool enabled = !(style & WS_DISABLED) && EnabledLook;
    if (ParentBackground && Control) DrawParentImage(Control, dc);
    TFontSelect font(*this, dc);
    TCheckPaint p;
    p.Image = image;
    p.Frames = frames;
    p.Frame = frame;
    p.BoxRight = (style & BS_LEFTTEXT) != 0;
    p.ImageRightInset = p.BoxRight ? rightInset : 0;
    p.RightToLeft = Control && GetEnumProperty(Control, "BiDiMode") == "bdRightToLeft";
    p.FillBackground = !ParentBackground;
    p.Face = fsd->Colors[csButtonFace];
    p.Caption = ControlCaption();
    auto* controlFont = Control ? dynamic_cast<TFont*>(GetObjProp(Control, "Font")) : nullptr;
    p.TextColor = !enabled ? clGrayText : controlFont ? controlFont->GetColor() : clBtnText;
    p.Focused = IsVista && HasFocus() && !p.Caption.empty();
    PaintCheckLike(dc, rect, p);
}

void TSkinCheckBox::DrawControl(HDC dc, const TRect& rect)
{
    if (!fsd || !dc) return;
    const TDataSkinButton& b = *fsd->Button;
    PaintWith(dc, rect, b.CheckImage.get(), b.CheckFrame, CheckImageFrame(Look(), b.CheckFrame), 0);
}

// ---------------------------------------------------------------------------
// TSkinRadioButton

const TClassInfo& TSkinRadioButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinRadioButton>();
    return info;
}

TBitmap* TSkinRadioButton::FaceImage() const
{
    return fsd ? fsd->Button->RadioImage.get() : nullptr;
}

void TSkinRadioButton::AfterProc(TMessage& Message)
{
    if (Message.Msg == BM_SETCHECK) {
        Invalidate();
        return;
    }
    TSkinCheckBox::AfterProc(Message);
}

void TSkinRadioButton::DrawControl(HDC dc, const TRect& rect)
{
    if (!fsd || !dc) return;
    TCheckLook look;
    if (Control && GetPropInfo(Control, "Checked"))
        look.Base = LowerCase(GetProperty(Control, "Checked")) == "true" ? 2 : 1;
    else if (HWND wnd = Wnd())
        look.Base = SendMessageW(wnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 2 : 1;
    look.Disabled = (GetWindowLongEx(GWL_STYLE) & WS_DISABLED) != 0 || !EnabledLook;
    const TDataSkinButton& b = *fsd->Button;
    PaintWith(dc, rect, b.RadioImage.get(), b.RadioFrame, RadioImageFrame(look, b.RadioFrame), 1);
}
