// Group boxes, panels and tool bars, and the registration of this unit's
// kinds.
#include "skin/winskinedit.h"

#include <mutex>

#include "components/typinfo.h"
#include "skin/winskinimage.h"

namespace {

bool PublishesOrdinal(TObject* obj, const char* name)
{
    const TPropInfo* p = GetPropInfo(obj, name);
    return p && (p->Kind == TPropKind::Color || p->Kind == TPropKind::Integer);
}

// The graphic children (labels) of a container painted into dc, as the
// container's own painting would have done after itself.
void PaintGraphicChildren(TWinControl* container, HDC dc)
{
    for (int i = 0; i < container->ControlCount(); ++i) {
        TControl* c = container->Controls(i);
        if (dynamic_cast<TWinControl*>(c) || !c->GetVisible()) continue;
        const RECT r = c->BoundsRect();
        if (!RectVisible(dc, &r)) continue;
        TSaveDC save(dc);
        POINT org;
        GetWindowOrgEx(dc, &org);
        SetWindowOrgEx(dc, org.x - c->Left(), org.y - c->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
    }
}

// A tool button's image and caption, laid out as the tool bar lays them out:
// the image centred above the caption, or beside it for list tool bars. The
// same place in every state: a caption that moves as the mouse comes and
// goes, or as the button is pressed, is what this drawing is here to avoid.
void DrawToolButtonContent(TToolBar* bar, TToolButton* button, const TRect& r)
{
    TCanvas* canvas = bar->Canvas();
    HDC dc = canvas->Handle();
    TImageList* images = bar->GetImages();
    const int index = button->GetImageIndex();
    const bool hasImage = images && index >= 0 && index < images->Count();
    const int iw = hasImage ? images->GetWidth() : 0, ih = hasImage ? images->GetHeight() : 0;
    const std::string caption = bar->GetShowCaptions() ? button->Caption() : std::string();
    // The bar's own font, which its window already has: drawing every
    // button at rest must not leave font objects behind in the canvas.
    TSelectObject font(dc, caption.empty() ? nullptr : bar->Font()->Handle());
    SIZE text{0, 0};
    if (!caption.empty()) GetTextExtentPoint32A(dc, caption.data(), static_cast<int>(caption.size()), &text);
    int ix, iy, tx, ty;
    if (bar->GetList()) {
        const int total = iw + (iw && text.cx ? 4 : 0) + text.cx;
        ix = r.Left + (r.Width() - total) / 2;
        iy = r.Top + (r.Height() - ih) / 2;
        tx = ix + iw + (iw && text.cx ? 4 : 0);
        ty = r.Top + (r.Height() - text.cy) / 2;
    } else {
        const int total = ih + (ih && text.cy ? 2 : 0) + text.cy;
        ix = r.Left + (r.Width() - iw) / 2;
        iy = r.Top + (r.Height() - total) / 2;
        tx = r.Left + (r.Width() - text.cx) / 2;
        ty = iy + ih + (ih && text.cy ? 2 : 0);
    }
    if (hasImage) images->Draw(canvas, ix, iy, index);
    if (!caption.empty()) {
        // The colour the skin chose for the state is the canvas font's.
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(dc, ColorToRGB(canvas->Font()->GetColor()));
        TextOutA(dc, tx, ty, caption.data(), static_cast<int>(caption.size()));
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// TSkinGroupBox

const TClassInfo& TSkinGroupBox::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinGroupBox>();
    return info;
}

void TSkinGroupBox::Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas)
{
    TSkinControl::Init(frame, data, recolor, canvas);
    FrameworkControl = Control != nullptr;
}

bool TSkinGroupBox::BeforeProc(TMessage& Message)
{
    if (!TSkinControl::BeforeProc(Message)) return false;
    if (FrameworkControl && Message.Msg == WM_PAINT) {
        WMPaint(Message);
        return false;
    }
    return true;
}

void TSkinGroupBox::DrawControl(HDC dc, const TRect& rect)
{
    DefaultDraw(dc, rect);
}

void TSkinGroupBox::DefaultDraw(HDC dc, const TRect& rect)
{
    HWND wnd = Wnd();
    if (!dc || !fsd || !wnd) return;
    TGroupPaint p;
    p.Caption = GetFormCaption(wnd);
    if (p.Caption.empty() && Control) p.Caption = ControlCaption();
    TFontSelect font(*this, dc);
    auto* controlFont = Control ? dynamic_cast<TFont*>(GetObjProp(Control, "Font")) : nullptr;
    p.TextColor = controlFont ? controlFont->GetColor() : clBtnText;
    p.Face = fsd->Colors[csButtonFace];
    p.Line = fsd->Colors[csButtonShadow];
    p.FillFace = Control != nullptr;
    if (!Control) p.EraseSystemFrame = fsd->BackBrush() ? fsd->BackBrush() : GetSysColorBrush(COLOR_BTNFACE);
    p.RightAligned = (GetWindowLongEx(GWL_EXSTYLE) & WS_EX_RIGHT) != 0;
    p.RightToLeft = Control && GetEnumProperty(Control, "BiDiMode") == "bdRightToLeft";
    PaintGroupBox(dc, rect, p);
    if (auto* container = dynamic_cast<TWinControl*>(Control)) PaintGraphicChildren(container, dc);
}

// ---------------------------------------------------------------------------
// TSkinBox

const TClassInfo& TSkinBox::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinBox>();
    return info;
}

void TSkinBox::Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas)
{
    // No hook: a panel paints itself in the colour it is given.
    if (Inited) return;
    Recolor = recolor;
    fsd = data;
    Frame = frame;
    WorkCanvas = canvas;
    Control = dynamic_cast<TControl*>(Owner());
    if (!Control) return;
    if (auto* w = dynamic_cast<TWinControl*>(Control)) hwnd = w->GetHandleIfAllocated();
    if (frame) frame->HostControls().AddControlList(this);
    if (Recolor && fsd && PublishesOrdinal(Control, "Color")) {
        SavedColor = GetIntProperty(Control, "Color");
        Kind2 = GetProperty(Control, "ParentColor") == "True"; // given back with the colour
        SetIntProperty(Control, "Color", fsd->Colors[csButtonFace]);
    } else {
        Recolor = false;
    }
    Inited = true;
    State = SkinStateAttached;
}

void TSkinBox::Unsubclass()
{
    // The colour goes back whenever the control outlives the skin; a control
    // on its way out is past caring.
    if (Recolor && Control && !Control->ComponentState().Contains(csDestroying)) {
        SetIntProperty(Control, "Color", SavedColor);
        // Setting Color cut the control loose from its parent's colour.
        if (Kind2) SetProperty(Control, "ParentColor", "True");
    }
    Recolor = false;
    State = SkinStateReleased;
}

void TSkinBox::AfterProc(TMessage&) {}

// ---------------------------------------------------------------------------
// Tool bars

void ToolBarDrawBackground(TSkinControlHost& frame, TToolBar* bar, const TRect& rect, bool&)
{
    TSkinData* data = frame.HostSkinData();
    if (!bar || !data || !data->Toolbar || data->Toolbar->Image->Empty() ||
        data->Options.Contains(xoToolbarBK))
        return;
    HDC dc = bar->Canvas()->Handle();
    TBitmap* image = data->Toolbar->Image.get();
    const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), image->Canvas()->Handle(), 0, 0,
               image->GetWidth(), image->GetHeight(), SRCCOPY);
    if (oldMode) SetStretchBltMode(dc, oldMode);
}

void ToolBarDrawButton(TSkinControlHost& frame, TToolBar* bar, TToolButton* button, TCustomDrawState state,
                       bool& defaultDraw)
{
    TSkinData* data = frame.HostSkinData();
    if (!bar || !button || !data || !frame.HostActive() || data->Options.Contains(xoToolbarButton)) return;
    const TDataSkinButton& b = *data->Button;
    if (b.Image->Empty()) return;
    const int face = ToolButtonFaceState(state);
    // Disabled and checked buttons keep the tool bar's own look.
    if (!face && (state.Contains(cdsGrayed) || state.Contains(cdsDisabled) || state.Contains(cdsChecked)))
        return;
    TFont* font = bar->Canvas()->Font();
    if ((face == 1 || !face) && b.NormalColour2Given) font->SetColor(b.NormalColour2);
    if (face == 4 && b.MouseOverColour2Given) font->SetColor(b.MouseOverColour2);
    if (face == 2 && b.PressedColour2Given) font->SetColor(b.PressedColour2);
    const TRect r = button->BoundsRect();
    HDC dc = bar->Canvas()->Handle();
    if (face)
        DrawRect2(dc, Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1), b.Image.get(), false, false,
                  b.Trans == 1, 5, face, b.Margins);
    // The system's default drawing fills hot and pressed buttons with its
    // own background, over the face, so the image and caption are drawn
    // here; and here in the rest state too, or the caption would jump
    // between the tool bar's layout and ours as the mouse comes and goes.
    defaultDraw = false;
    DrawToolButtonContent(bar, button, r);
}

// ---------------------------------------------------------------------------
// Registration

void RegisterSkinEditKinds()
{
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterSkinKind("TSkinEdit", [](TComponent* o) -> TSkinControl* { return new TSkinEdit(o); });
        RegisterSkinKind("TSkinUpDown", [](TComponent* o) -> TSkinControl* { return new TSkinUpDown(o); });
        RegisterSkinKind("TSkinCheckBox",
                         [](TComponent* o) -> TSkinControl* { return new TSkinCheckBox(o); });
        RegisterSkinKind("TSkinRadioButton",
                         [](TComponent* o) -> TSkinControl* { return new TSkinRadioButton(o); });
        RegisterSkinKind("TSkinGroupBox",
                         [](TComponent* o) -> TSkinControl* { return new TSkinGroupBox(o); });
        RegisterSkinKind("TSkinBox", [](TComponent* o) -> TSkinControl* { return new TSkinBox(o); });
        SkinToolBarHandlers().DrawBackground = ToolBarDrawBackground;
        SkinToolBarHandlers().DrawButton = ToolBarDrawButton;
    });
}

namespace {
[[maybe_unused]] const bool registered = (RegisterSkinEditKinds(), true);
}
