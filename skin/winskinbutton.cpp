#include "skin/winskinbutton.h"

#include <algorithm>

#include "components/typinfo.h"
#include "framework/buttons.h"
#include "framework/gdiobj.h"
#include "skin/winskinimage.h"

namespace {

bool IsTrue(TObject* obj, const char* prop)
{
    return LowerCase(GetProperty(obj, prop)) == "true";
}

// The glyph's image `index` (1-based) of numGlyphs side by side; image 2
// (disabled) is embossed from image 1 when the strip has none. The key colour
// is the strip's bottom-left pixel.
std::unique_ptr<TBitmap> GlyphImage(TBitmap* glyph, int32_t numGlyphs, int32_t index, TColor& key)
{
    const int w = glyph->GetWidth() / numGlyphs, h = glyph->GetHeight();
    auto one = std::make_unique<TBitmap>();
    one->SetSize(w, h);
    key = glyph->Canvas()->Pixels(0, h - 1);
    const bool emboss = index == 2 && numGlyphs < 2;
    if (index > numGlyphs) index = 1;
    HDC src = glyph->Canvas()->Handle();
    HDC dst = one->Canvas()->Handle();
    if (!emboss) {
        BitBlt(dst, 0, 0, w, h, src, w * (index - 1), 0, SRCCOPY);
        return one;
    }
    // Grayed look: every dark pixel becomes a highlight one pixel down and
    // right, with the shadow colour over it in place.
    const COLORREF keyRgb = ColorToRGB(key);
    TBrushHandle keyBrush(CreateSolidBrush(keyRgb));
    RECT all{0, 0, w, h};
    FillRect(dst, &all, keyBrush.Get());
    const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
    std::vector<bool> dark(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const COLORREF c = GetPixel(src, x, y);
            const int luma = (GetRValue(c) * 30 + GetGValue(c) * 59 + GetBValue(c) * 11) / 100;
            dark[static_cast<size_t>(y * w + x)] = c != keyRgb && luma < 192;
        }
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (dark[static_cast<size_t>(y * w + x)] && x + 1 < w && y + 1 < h)
                SetPixel(dst, x + 1, y + 1, light);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (dark[static_cast<size_t>(y * w + x)]) SetPixel(dst, x, y, shadow);
    return one;
}

// The focus rectangle 2 pixels around a caption, clipped to the face.
// DrawFocusRect inverts through the DC's colours: fixed, the dots come out
// the same on every face.
void DrawFocusAround(HDC dc, const TRect& text, const TRect& face)
{
    RECT f{text.Left - 2, text.Top - 2, text.Right + 2, text.Bottom + 2};
    RECT clip = face;
    IntersectRect(&f, &f, &clip);
    const COLORREF t = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF b = SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &f);
    SetTextColor(dc, t);
    SetBkColor(dc, b);
}

} // namespace

// ---------------------------------------------------------------------------
// TSkinButton

void RegisterSkinButtonKinds()
{
    static const bool once = [] {
        RegisterSkinKind("TSkinButton", [](TComponent* o) -> TSkinControl* { return new TSkinButton(o); });
        RegisterSkinKind("TSkinBitButton",
                         [](TComponent* o) -> TSkinControl* { return new TSkinBitButton(o); });
        RegisterSkinKind("TSkinSpeedButton",
                         [](TComponent* o) -> TSkinControl* { return new TSkinSpeedButton(o); });
        RegisterSkinKind("TSkinMenuButton",
                         [](TComponent* o) -> TSkinControl* { return new TSkinMenuButton(o); });
        return true;
    }();
    (void)once;
}

const TClassInfo& TSkinButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinButton>();
    return info;
}
const TClassInfo& TSkinBitButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinBitButton>();
    return info;
}
const TClassInfo& TSkinSpeedButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinSpeedButton>();
    return info;
}
const TClassInfo& TSkinMenuButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TSkinMenuButton>();
    return info;
}

TSkinButton::TSkinButton(TComponent* AOwner) : TSkinControl(AOwner), buffer_(std::make_unique<TBitmap>()) {}

TSkinButton::~TSkinButton() = default;

void TSkinButton::SetParentBG()
{
    ParentBG =
        (Control && Control->Tag == SkinTransparentTag) || (fsd && fsd->Options.Contains(xoTransparent));
}

void TSkinButton::Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas)
{
    TSkinControl::Init(frame, data, recolor, canvas);
    if (Control) {
        const std::string cls = LowerCase(Control->ClassName());
        OwnMouseDown = cls.compare(0, 3, "trz") == 0 || cls.compare(0, 3, "tel") == 0;
    }
    SetParentBG();
}

void TSkinButton::Inithwnd(HWND wnd, TSkinData* data, TSkinControlHost* frame, TCanvas* canvas)
{
    TSkinControl::Inithwnd(wnd, data, frame, canvas);
    SetParentBG();
}

bool TSkinButton::HasSkin() const
{
    return fsd && fsd->Button && !fsd->Button->Image->Empty();
}

int32_t TSkinButton::FaceFrame()
{
    const LONG_PTR style = GetWindowLongEx(GWL_STYLE);
    EnabledLook = !(style & WS_DISABLED);
    // A plain window has no Default property; its default-button style says
    // the same.
    const bool isDefault = Control ? IsTrue(Control, "Default") : (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    int32_t frame = SkinBtnNormal;
    if (HasFocus() || isDefault) frame = SkinBtnFocused;
    if (Pressed)
        frame = SkinBtnPressed;
    else if (Hot)
        frame = SkinBtnHot;
    if (!EnabledLook) frame = SkinBtnDisabled;
    return frame;
}

TColor TSkinButton::TextColor(int32_t frame)
{
    TColor color = Control ? Control->Font()->GetColor() : clBtnText;
    if (TDataSkinButton* b = fsd ? fsd->Button.get() : nullptr) {
        if (b->NormalColour2Given) color = b->NormalColour2;
        if (frame == SkinBtnHot && b->MouseOverColour2Given) color = b->MouseOverColour2;
        if (frame == SkinBtnPressed && b->PressedColour2Given) color = b->PressedColour2;
    }
    if (frame == SkinBtnDisabled) color = clGrayText;
    return color;
}

HDC TSkinButton::BeginFace(const TRect& rect, int32_t frame, bool drawFace)
{
    buffer_->SetSize(std::max(rect.Width(), 1), std::max(rect.Height(), 1));
    HDC dc = buffer_->Canvas()->Handle();
    const TRect local = Rect(0, 0, rect.Width(), rect.Height());
    if (ParentBG && Control)
        DrawParentImage(Control, dc);
    else
        FillBG(dc, local);
    if (drawFace) DrawSkinMap(dc, local, fsd->Button->Frame, frame, fsd->Button.get());
    return dc;
}

void TSkinButton::EndFace(HDC dc, const TRect& rect)
{
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), buffer_->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TSkinButton::DrawBtnText(HDC dc, const TRect& rect, const std::wstring& caption, TColor color,
                              bool focusRect)
{
    std::wstring text = caption;
    if (size_t at = text.find(L"||"); at != std::wstring::npos) text.replace(at, 2, L"\r\n");
    const TRect inner = Rect(rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2);
    RECT measured{0, 0, inner.Width(), 0};
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
              DT_CALCRECT | DT_WORDBREAK | DT_CENTER);
    const int w = measured.right, h = measured.bottom;
    RECT r{inner.Left + (inner.Width() - w) / 2, inner.Top + (inner.Height() - h) / 2, 0, 0};
    r.right = r.left + w;
    r.bottom = r.top + h;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColor = SetTextColor(dc, ColorToRGB(color));
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, CheckBiDi(DT_CENTER | DT_WORDBREAK));
    SetTextColor(dc, oldColor);
    SetBkMode(dc, oldMode);
    if (focusRect && !text.empty()) DrawFocusAround(dc, Rect(r.left, r.top, r.right, r.bottom), rect);
}

void TSkinButton::DrawControl(HDC dc, const TRect& rect)
{
    if (!HasSkin() || rect.IsEmpty()) return;
    const int32_t frame = FaceFrame();
    HDC face = BeginFace(rect, frame, true);
    {
        TFontSelect font(*this, face);
        DrawBtnText(face, Rect(0, 0, rect.Width(), rect.Height()), ControlCaption(), TextColor(frame),
                    HasFocus() && !fsd->Options.Contains(xoNoFocusRect));
    }
    EndFace(dc, rect);
}

void TSkinButton::Click()
{
    if (Control) {
        Control->Click();
        return;
    }
    HWND wnd = Wnd();
    if (!wnd) return;
    const bool framework = LowerCase(GetWindowClassname(wnd)) == "tbutton";
    const int id = framework ? 0 : GetDlgCtrlID(wnd);
    PostMessageW(GetParent(wnd), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(wnd));
}

bool TSkinButton::BeforeProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT:
        if (!HasSkin()) break;
        WMPaint(Message);
        return false;
    case WM_ERASEBKGND:
        if (!HasSkin()) break;
        Message.Result = 1;
        return false;
    case WM_TIMER:
        if (HWND wnd = Wnd()) KillTimer(wnd, 1);
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (OwnMouseDown) break;
        HWND wnd = Wnd();
        if (wnd && GetFocus() != wnd) SetFocus(wnd);
        Pressed = true;
        Invalidate();
        if (Control && Control->OnMouseDown) {
            TShiftState shift = KeysToShiftState(static_cast<WORD>(Message.WParam));
            if (Message.Msg == WM_LBUTTONDBLCLK) shift.Include(ssDouble);
            int x = Message.XPos(), y = Message.YPos();
            // Beyond 16 bits the packed position wraps: ask the cursor.
            if (Control->Width() > 32768 || Control->Height() > 32768) {
                POINT p;
                GetCursorPos(&p);
                const TPoint c = Control->ScreenToClient(Point(p.x, p.y));
                x = c.X;
                y = c.Y;
            }
            Control->OnMouseDown(Control, mbLeft, shift, x, y);
        }
        Message.Result = 0;
        return false;
    }
    default:
        break;
    }
    return TSkinControl::BeforeProc(Message);
}

void TSkinButton::AfterProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (Message.WParam == VK_SPACE) {
            Pressed = Message.Msg == WM_KEYDOWN;
            Invalidate();
        }
        return;
    case WM_MOUSEMOVE:
        if (EnabledLook && !Hot) {
            Hot = true;
            if (Frame && !Control) Frame->HotControl = this;
            Invalidate();
            if (HWND wnd = Wnd()) DoTrackMouse(wnd);
        }
        return;
    case WM_LBUTTONUP:
        if (Pressed) {
            Pressed = false;
            Invalidate();
            Click(); // last: the click may free the control and us
        }
        return;
    case WM_MOUSELEAVE:
        Hot = false;
        Pressed = false;
        if (Frame && Frame->HotControl == this) Frame->HotControl = nullptr;
        Invalidate();
        return;
    case CM_DIALOGKEY:
    case CM_FOCUSCHANGED:
    // The system button paints its new default or pushed look at once;
    // ours has to come back over it.
    case BM_SETSTYLE:
    case BM_SETSTATE:
        Invalidate();
        return;
    default:
        TSkinControl::AfterProc(Message);
    }
}

// ---------------------------------------------------------------------------
// TSkinBitButton

int32_t TSkinBitButton::GlyphIndex(int32_t frame, bool down)
{
    if (down) return 4;
    switch (frame) {
    case SkinBtnPressed:
        return 3;
    case SkinBtnDisabled:
        return 2;
    default:
        return 1;
    }
}

void TSkinBitButton::DrawGlyphCaption(HDC dc, const TRect& rect, int32_t glyphIndex, TColor color,
                                      bool focusRect)
{
    TObject* owner = Control;
    auto* glyph = dynamic_cast<TBitmap*>(GetObjProp(owner, "Glyph"));
    const std::wstring caption = ControlCaption();
    if (!glyph || glyph->Empty()) {
        DrawBtnText(dc, rect, caption, color, focusRect);
        return;
    }
    int32_t numGlyphs = GetIntProperty(owner, "NumGlyphs");
    if (numGlyphs < 1) numGlyphs = 1;
    // The key is the strip's bottom-left pixel, whichever image is shown.
    TColor key = clNone;
    std::unique_ptr<TBitmap> image = GlyphImage(glyph, numGlyphs, glyphIndex, key);
    const int32_t margin = IsPublishedProp(owner, "Margin") ? GetIntProperty(owner, "Margin") : -1;
    const int32_t spacing = IsPublishedProp(owner, "Spacing") ? GetIntProperty(owner, "Spacing") : 4;
    const int layout = GetIntProperty(owner, "Layout");
    const TRect text =
        DrawImgCaption(dc, rect, image.get(), 1, 1, caption, layout, margin, spacing, color, key);
    if (focusRect && !caption.empty()) DrawFocusAround(dc, text, rect);
}

void TSkinBitButton::DrawPicControl(HDC dc, const TRect& rect)
{
    TObject* prop = GetObjProp(Control, PictureProp);
    TGraphic* graphic = dynamic_cast<TGraphic*>(prop);
    if (auto* picture = dynamic_cast<TPicture*>(prop)) graphic = picture->Graphic();
    if (!graphic || graphic->Empty()) {
        DrawBtnText(dc, rect, ControlCaption(), TextColor(FaceFrame()), false);
        return;
    }
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Draw(rect.Left + (rect.Width() - graphic->GetWidth()) / 2,
                rect.Top + (rect.Height() - graphic->GetHeight()) / 2, graphic);
    canvas.SetHandle(nullptr);
}

void TSkinBitButton::DrawControl(HDC dc, const TRect& rect)
{
    if (!HasSkin() || rect.IsEmpty()) return;
    const int32_t frame = FaceFrame();
    HDC face = BeginFace(rect, frame, true);
    const TRect local = Rect(0, 0, rect.Width(), rect.Height());
    if (!PictureProp.empty()) {
        DrawPicControl(face, local);
    } else {
        TFontSelect font(*this, face);
        DrawGlyphCaption(face, local, GlyphIndex(frame, false), TextColor(frame),
                         HasFocus() && !fsd->Options.Contains(xoNoFocusRect));
    }
    EndFace(dc, rect);
}

// ---------------------------------------------------------------------------
// TSkinMenuButton

void TSkinMenuButton::DrawControl(HDC dc, const TRect& rect)
{
    if (!HasSkin() || rect.IsEmpty()) return;
    const int32_t frame = FaceFrame();
    HDC face = BeginFace(rect, frame, true);
    const int arrow = 12;
    const TRect text = Rect(0, 0, std::max(rect.Width() - arrow, 0), rect.Height());
    const TColor color = TextColor(frame);
    {
        TFontSelect font(*this, face);
        DrawBtnText(face, text, ControlCaption(), color, HasFocus() && !fsd->Options.Contains(xoNoFocusRect));
    }
    // The drop-down arrow: a small downward triangle in the text colour.
    const int cx = rect.Width() - arrow / 2 - 2, cy = rect.Height() / 2;
    TBrushHandle brush(CreateSolidBrush(ColorToRGB(color)));
    TPenHandle pen(CreatePen(PS_SOLID, 1, ColorToRGB(color)));
    TSelectObject selBrush(face, brush.Get());
    TSelectObject selPen(face, pen.Get());
    POINT tri[3] = {{cx - 3, cy - 1}, {cx + 3, cy - 1}, {cx, cy + 2}};
    Polygon(face, tri, 3);
    EndFace(dc, rect);
}

// ---------------------------------------------------------------------------
// TSkinSpeedButton

TSkinSpeedButton::TSkinSpeedButton(TComponent* AOwner) : TSkinBitButton(AOwner) {}

void TSkinSpeedButton::Attach(TSkinControlHost* frame, TSkinData* data, bool, TCanvas* canvas)
{
    InitGraphicControl(frame, data, canvas);
}

void TSkinSpeedButton::InitGraphicControl(TSkinControlHost* frame, TSkinData* data, TCanvas* canvas)
{
    if (Inited) return;
    fsd = data;
    WorkCanvas = canvas;
    Frame = frame;
    GControl = dynamic_cast<TGraphicControl*>(Owner());
    if (!GControl) return;
    HookControl(GControl);
    if (frame) frame->HostControls().AddControlList(this);
    State = SkinStateAttached;
    Inited = true;
    SetParentBG();
    GControl->Invalidate();
}

int32_t TSkinSpeedButton::SpeedFaceFrame()
{
    int32_t frame = SkinBtnNormal;
    if (Pressed)
        frame = SkinBtnPressed;
    else if (Hot)
        frame = SkinBtnHot;
    if (!IsTrue(Control, "Enabled")) frame = SkinBtnDisabled;
    if (IsTrue(Control, "Down")) frame = SkinBtnPressed;
    return frame;
}

bool TSkinSpeedButton::BeforeProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_PAINT: {
        if (!HasSkin() || !Message.WParam || !GControl) break;
        auto* canvas = dynamic_cast<TControlCanvas*>(GControl->Canvas());
        if (!canvas) break;
        canvas->Lock();
        canvas->FreeHandle();
        canvas->SetHandle(reinterpret_cast<HDC>(Message.WParam));
        try {
            DrawSpeedbtn(canvas, Rect(0, 0, GControl->Width(), GControl->Height()));
        } catch (...) {
            // The parent's paint goes on without this button's face.
        }
        canvas->SetHandle(nullptr);
        canvas->Unlock();
        Message.Result = 1;
        return false;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // Down state, grouping and the click stay the button's own.
        Default(Message);
        Pressed = true;
        Invalidate();
        return false;
    }
    case WM_LBUTTONUP:
        return true;
    default:
        break;
    }
    return TSkinButton::BeforeProc(Message);
}

void TSkinSpeedButton::AfterProc(TMessage& Message)
{
    switch (Message.Msg) {
    case WM_ENABLE:
    case CM_FOCUSCHANGED:
    case CM_ENABLEDCHANGED:
        return;
    case WM_NCDESTROY:
    case CM_RELEASE:
        Unhook();
        return;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (Message.WParam == VK_SPACE) {
            Pressed = Message.Msg == WM_KEYDOWN;
            Invalidate();
        }
        return;
    case WM_LBUTTONUP:
        Pressed = false;
        Invalidate();
        return;
    case CM_MOUSEENTER:
        Hot = true;
        Invalidate();
        return;
    case CM_MOUSELEAVE:
        Hot = false;
        Pressed = false;
        if (GControl && GControl->GetVisible()) Invalidate();
        return;
    default:
        TSkinButton::AfterProc(Message);
    }
}

void TSkinSpeedButton::PaintControl(HDC)
{
    if (!GControl) return;
    TCanvas* canvas = GControl->Canvas();
    if (!canvas || !canvas->HandleAllocated()) return;
    canvas->Lock();
    try {
        DrawSpeedbtn(canvas, Rect(0, 0, GControl->Width(), GControl->Height()));
    } catch (...) {
    }
    canvas->Unlock();
}

void TSkinSpeedButton::DrawPicbtn(HDC dc, const TRect& rect)
{
    DrawPicControl(dc, rect);
}

void TSkinSpeedButton::DrawSpeedbtn(TCanvas* canvas, const TRect& rect)
{
    // Painting the parent's background under the button paints the parent's
    // graphic children, this button among them.
    if (drawing_ || !GControl || !HasSkin()) return;
    if (rect.Width() < 1 || rect.Height() < 1) return;
    drawing_ = true;
    struct TReset {
        bool& flag;
        ~TReset() { flag = false; }
    } reset{drawing_};

    const int32_t frame = SpeedFaceFrame();
    const bool down = IsTrue(Control, "Down");
    const bool flat = IsTrue(Control, "Flat");
    HDC face = BeginFace(rect, frame, frame == SkinBtnPressed || frame == SkinBtnHot || !flat);
    const TRect local = Rect(0, 0, rect.Width(), rect.Height());
    if (!PictureProp.empty()) {
        DrawPicbtn(face, local);
    } else {
        // The normal caption colour applies to the resting face only.
        TColor color = Control->Font()->GetColor();
        if (TDataSkinButton* b = fsd->Button.get()) {
            if (frame == SkinBtnNormal && b->NormalColour2Given) color = b->NormalColour2;
            if (frame == SkinBtnHot && b->MouseOverColour2Given) color = b->MouseOverColour2;
            if (frame == SkinBtnPressed && b->PressedColour2Given) color = b->PressedColour2;
        }
        if (frame == SkinBtnDisabled) color = clGrayText;
        TFontSelect font(*this, face);
        DrawGlyphCaption(face, local, GlyphIndex(frame, down), color, false);
    }
    BitBlt(canvas->Handle(), rect.Left, rect.Top, rect.Width(), rect.Height(), face, 0, 0, SRCCOPY);
}
