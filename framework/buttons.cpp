#include "framework/buttons.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Layout

TButtonLayoutResult CalcButtonLayout(const TRect& client, TPoint glyphSize, TPoint textSize,
                                     TButtonLayout layout, int margin, int spacing)
{
    const int cw = client.Width(), ch = client.Height();
    const bool across = layout == blGlyphLeft || layout == blGlyphRight;
    TPoint glyph, text;
    // Across the layout direction both are centred.
    if (across) {
        glyph.Y = (ch - glyphSize.Y + 1) / 2;
        text.Y = (ch - textSize.Y + 1) / 2;
    } else {
        glyph.X = (cw - glyphSize.X + 1) / 2;
        text.X = (cw - textSize.X + 1) / 2;
    }
    const int length = across ? cw : ch;
    const int g = across ? glyphSize.X : glyphSize.Y;
    const int t = across ? textSize.X : textSize.Y;
    // One of the two alone is centred.
    if (g == 0 || t == 0) spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (length - (g + t)) / 3;
            spacing = margin;
        } else {
            margin = (length - (g + spacing + t) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (length - (margin + g) - t) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        glyph.X = margin;
        text.X = glyph.X + g + spacing;
        break;
    case blGlyphRight:
        glyph.X = cw - margin - g;
        text.X = glyph.X - spacing - t;
        break;
    case blGlyphTop:
        glyph.Y = margin;
        text.Y = glyph.Y + g + spacing;
        break;
    case blGlyphBottom:
        glyph.Y = ch - margin - g;
        text.Y = glyph.Y - spacing - t;
        break;
    }
    TButtonLayoutResult r;
    r.GlyphPos = {client.Left + glyph.X, client.Top + glyph.Y};
    r.TextBounds = Bounds(client.Left + text.X, client.Top + text.Y, textSize.X, textSize.Y);
    return r;
}

// ---------------------------------------------------------------------------
// TButtonGlyph

TButtonGlyph::TButtonGlyph() : glyph_(std::make_unique<TBitmap>()) {}

void TButtonGlyph::SetGlyph(const TBitmap* value)
{
    if (value && !value->Empty())
        glyph_->Assign(value);
    else
        glyph_->FreeImage();
    // A strip of square images tells its own count.
    if (!glyph_->Empty() && glyph_->GetHeight() > 0 && glyph_->GetWidth() % glyph_->GetHeight() == 0) {
        const int n = glyph_->GetWidth() / glyph_->GetHeight();
        if (n >= 1 && n <= 4) numGlyphs_ = n;
    }
    if (OnChange) OnChange(nullptr);
}

void TButtonGlyph::SetNumGlyphs(TNumGlyphs value)
{
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_) return;
    numGlyphs_ = value;
    if (OnChange) OnChange(nullptr);
}

TPoint TButtonGlyph::Size() const
{
    if (glyph_->Empty()) return {0, 0};
    return {glyph_->GetWidth() / numGlyphs_, glyph_->GetHeight()};
}

void TButtonGlyph::DrawGlyph(TCanvas& canvas, TPoint pos, TButtonState state)
{
    const TPoint size = Size();
    if (size.X <= 0 || size.Y <= 0) return;
    int index = static_cast<int>(state);
    if (index >= numGlyphs_) index = 0;
    // The strip's key colour is its bottom-left pixel, for every image.
    TColor key = glyph_->Canvas()->Pixels(0, glyph_->GetHeight() - 1);
    TBitmap image;
    image.SetPixelFormat(pf24bit);
    image.SetSize(size.X, size.Y);
    image.Canvas()->CopyRect(Rect(0, 0, size.X, size.Y), glyph_->Canvas(),
                             Bounds(index * size.X, 0, size.X, size.Y));
    if (state == bsDisabled && numGlyphs_ < 2) {
        // Embossed: the dark parts of the picture, once in highlight shifted
        // by a pixel and once in shadow over it.
        TBitmap emboss;
        emboss.SetPixelFormat(pf24bit);
        emboss.SetSize(size.X + 1, size.Y + 1);
        emboss.Canvas()->Brush()->SetColor(clFuchsia);
        emboss.Canvas()->FillRect(Rect(0, 0, size.X + 1, size.Y + 1));
        const COLORREF hi = ColorToRGB(clBtnHighlight), sh = ColorToRGB(clBtnShadow);
        for (int pass = 0; pass < 2; ++pass)
            for (int y = 0; y < size.Y; ++y)
                for (int x = 0; x < size.X; ++x) {
                    const TColor c = image.Canvas()->Pixels(x, y);
                    if (c == key) continue;
                    const COLORREF rgb = static_cast<COLORREF>(c);
                    const int lum = (GetRValue(rgb) * 30 + GetGValue(rgb) * 59 + GetBValue(rgb) * 11) / 100;
                    if (lum >= 192) continue;
                    const TColor color = static_cast<TColor>(pass == 0 ? hi : sh);
                    emboss.Canvas()->Pixels(x + 1 - pass, y + 1 - pass) = color;
                }
        emboss.SetTransparentColor(clFuchsia);
        emboss.SetTransparent(true);
        canvas.Draw(pos.X, pos.Y, &emboss);
        return;
    }
    image.SetTransparentColor(key);
    image.SetTransparent(true);
    canvas.Draw(pos.X, pos.Y, &image);
}

void TButtonGlyph::DrawCaption(TCanvas& canvas, const TRect& r, const std::string& caption,
                               TButtonState state)
{
    if (caption.empty()) return;
    canvas.Brush()->SetStyle(bsClear);
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    TRect rr = r;
    if (state == bsDisabled) {
        const TColor color = canvas.Font()->GetColor();
        TRect shifted = Rect(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
        canvas.Font()->SetColor(clBtnHighlight);
        canvas.DrawText(caption, shifted, format);
        canvas.Font()->SetColor(clBtnShadow);
        canvas.DrawText(caption, rr, format);
        canvas.Font()->SetColor(color);
        return;
    }
    canvas.DrawText(caption, rr, format);
}

TRect TButtonGlyph::Draw(TCanvas& canvas, const TRect& client, TPoint offset, const std::string& caption,
                         TButtonLayout layout, int margin, int spacing, TButtonState state)
{
    TPoint textSize{0, 0};
    if (!caption.empty()) {
        TRect measure = Rect(0, 0, client.Width(), 0);
        canvas.DrawText(caption, measure, DT_CALCRECT | DT_SINGLELINE);
        textSize = {measure.Width(), measure.Height()};
    }
    const TButtonLayoutResult lr = CalcButtonLayout(client, Size(), textSize, layout, margin, spacing);
    DrawGlyph(canvas, {lr.GlyphPos.X + offset.X, lr.GlyphPos.Y + offset.Y}, state);
    const TRect text = Rect(lr.TextBounds.Left + offset.X, lr.TextBounds.Top + offset.Y,
                            lr.TextBounds.Right + offset.X, lr.TextBounds.Bottom + offset.Y);
    DrawCaption(canvas, text, caption, state);
    return text;
}

// ---------------------------------------------------------------------------
// TGlyphFace

TGlyphFace::TGlyphFace()
{
    glyph_.OnChange = [this](TObject*) { FaceChanged(); };
}

void TGlyphFace::SetLayout(TButtonLayout value)
{
    if (value == layout_) return;
    layout_ = value;
    FaceChanged();
}

void TGlyphFace::SetMargin(int32_t value)
{
    if (value == margin_ || value < -1) return;
    margin_ = value;
    FaceChanged();
}

void TGlyphFace::SetSpacing(int32_t value)
{
    if (value == spacing_ || value < -1) return;
    spacing_ = value;
    FaceChanged();
}

// ---------------------------------------------------------------------------
// TBitBtn

namespace {
struct TKindInfo {
    const char* Caption;
    TModalResult Result;
};
const TKindInfo kKinds[] = {
    {"", mrNone},        {"OK", mrOk},          {"Cancel", mrCancel}, {"&Help", mrNone},
    {"&Yes", mrYes},     {"&No", mrNo},         {"&Close", mrNone},   {"Abort", mrAbort},
    {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", 8},
};
} // namespace

const TClassInfo& TBitBtn::StaticClass()
{
    static const TClassInfo& info = PublishClass<TBitBtn>()
                                        .Object("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph)
                                        .Int("NumGlyphs", &TBitBtn::GetNumGlyphs, &TBitBtn::SetNumGlyphs, 1)
                                        .Enum("Layout", &TBitBtn::GetLayout, &TBitBtn::SetLayout, blGlyphLeft)
                                        .Int("Margin", &TBitBtn::GetMargin, &TBitBtn::SetMargin, -1)
                                        .Int("Spacing", &TBitBtn::GetSpacing, &TBitBtn::SetSpacing, 4)
                                        .Enum("Kind", &TBitBtn::GetKind, &TBitBtn::SetKind, bkCustom);
    return info;
}

TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), canvas_(std::make_unique<TCanvas>()) {}

TBitBtn::~TBitBtn()
{
    DestroyHandle();
}

void TBitBtn::CreateParams(TCreateParams& Params)
{
    TButton::CreateParams(Params);
    defaultLook_ = (Params.Style & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    Params.Style = (Params.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TBitBtn::SetKind(TBitBtnKind value)
{
    if (value == kind_) return;
    const TBitBtnKind old = kind_;
    kind_ = value;
    if (value == bkCustom) return;
    // Only a caption the previous kind gave is replaced.
    if (Caption().empty() || Caption() == kKinds[old].Caption) SetCaption(kKinds[value].Caption);
    SetModalResult(kKinds[value].Result);
    if (value == bkOK || value == bkYes) SetDefault(true);
    if (value == bkCancel || value == bkNo) SetCancel(true);
}

void TBitBtn::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CN_DRAWITEM:
        CNDrawItem(Message);
        return;
    case BM_SETSTYLE: {
        // The push button asks for its default look; an owner-drawn button
        // keeps its type and draws the look itself.
        const bool def = (Message.WParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
        Message.WParam = (Message.WParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_OWNERDRAW;
        TButton::Dispatch(Message);
        if (def != defaultLook_) {
            defaultLook_ = def;
            Invalidate();
        }
        return;
    }
    case WM_LBUTTONDBLCLK:
        // A quick second click is a click, as on a push button.
        Message.Msg = WM_LBUTTONDOWN;
        break;
    }
    TButton::Dispatch(Message);
}

void TBitBtn::CNDrawItem(TMessage& Message)
{
    const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(Message.LParam);
    canvas_->SetHandle(dis->hDC);
    try {
        DrawItem(*dis);
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
    Message.Result = 1;
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& DrawItemStruct)
{
    TCanvas& c = *canvas_;
    TRect r = DrawItemStruct.rcItem;
    const bool pressed = (DrawItemStruct.itemState & ODS_SELECTED) != 0;
    const bool focused = (DrawItemStruct.itemState & ODS_FOCUS) != 0;
    const bool disabled = (DrawItemStruct.itemState & ODS_DISABLED) != 0 || !enabled_;
    c.Font()->Assign(font_.get());
    // The default button wears a black outline around its face.
    if (focused || defaultLook_) {
        c.Brush()->SetColor(clWindowFrame);
        c.FrameRect(r);
        r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
    RECT face = r;
    DrawFrameControl(c.Handle(), &face, DFC_BUTTON,
                     DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pressed ? DFCS_PUSHED : 0));
    const TRect inner = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    const TPoint offset = pressed ? TPoint{1, 1} : TPoint{0, 0};
    const TButtonState state = disabled ? bsDisabled : pressed ? bsDown : bsUp;
    glyph_.Draw(c, inner, offset, Caption(), layout_, margin_, spacing_, state);
    if (focused) {
        c.Brush()->SetStyle(bsSolid);
        c.Brush()->SetColor(clBtnFace);
        c.Font()->SetColor(clBtnText);
        c.DrawFocusRect(Rect(r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3));
    }
}

// ---------------------------------------------------------------------------
// TSpeedButton

const TClassInfo& TSpeedButton::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TSpeedButton>()
            .Bool("AllowAllUp", &TSpeedButton::GetAllowAllUp, &TSpeedButton::SetAllowAllUp, false)
            .Int("GroupIndex", &TSpeedButton::GetGroupIndex, &TSpeedButton::SetGroupIndex, 0)
            .Bool("Down", &TSpeedButton::GetDown, &TSpeedButton::SetDown, false)
            .Bool("Flat", &TSpeedButton::GetFlat, &TSpeedButton::SetFlat, false)
            .Object("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph)
            .Int("NumGlyphs", &TSpeedButton::GetNumGlyphs, &TSpeedButton::SetNumGlyphs, 1)
            .Enum("Layout", &TSpeedButton::GetLayout, &TSpeedButton::SetLayout, blGlyphLeft)
            .Int("Margin", &TSpeedButton::GetMargin, &TSpeedButton::SetMargin, -1)
            .Int("Spacing", &TSpeedButton::GetSpacing, &TSpeedButton::SetSpacing, 4)
            .Bool("Transparent", &TSpeedButton::GetTransparent, &TSpeedButton::SetTransparent, true);
    return info;
}

TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner)
{
    // Clicks are decided in MouseUp, after the down state has settled.
    ControlStyle = {csCaptureMouse, csDoubleClicks};
    width_ = 23;
    height_ = 22;
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetFlat(bool value)
{
    if (value == flat_) return;
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    SetOpaque(!value);
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int32_t value)
{
    if (value == groupIndex_) return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value)
{
    if (value == allowAllUp_) return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value)
{
    // Only a grouped button stays down. The layout may give Down before
    // GroupIndex, so while loading the value is kept as it comes.
    if (groupIndex_ == 0 && !ComponentState().Contains(csLoading)) value = false;
    if (value == down_) return;
    // The last button of a group goes up only when the group allows it.
    if (down_ && !value && !allowAllUp_ && !ComponentState().Contains(csLoading)) return;
    down_ = value;
    if (value) {
        if (state_ == bsUp) Invalidate();
        state_ = bsExclusive;
    } else {
        state_ = bsUp;
        Invalidate();
    }
    if (value) UpdateExclusive();
    Invalidate();
}

// Tells the other buttons of the group (same parent, same index) who is
// down now, and which rules hold.
void TSpeedButton::UpdateExclusive()
{
    if (groupIndex_ == 0 || !parent_) return;
    TMessage m{CM_BUTTONPRESSED, static_cast<WPARAM>(groupIndex_), reinterpret_cast<LPARAM>(this), 0};
    parent_->Broadcast(m);
}

void TSpeedButton::ButtonPressed(TSpeedButton* sender)
{
    if (sender == this || sender->groupIndex_ != groupIndex_) return;
    if (sender->down_ && down_) {
        down_ = false;
        state_ = bsUp;
        Invalidate();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TSpeedButton::Dispatch(TMessage& Message)
{
    if (Message.Msg == CM_BUTTONPRESSED) {
        if (static_cast<int32_t>(Message.WParam) == groupIndex_ && groupIndex_ != 0)
            ButtonPressed(reinterpret_cast<TSpeedButton*>(Message.LParam));
        // Result stays 0: every button of the parent hears it.
        return;
    }
    TGraphicControl::Dispatch(Message);
}

void TSpeedButton::Click()
{
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled_) return;
    if (!down_) {
        state_ = bsDown;
        Repaint();
    }
    dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y)
{
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!dragging_) return;
    TButtonState next = down_ ? bsExclusive : bsUp;
    if (ClientRect().Contains({X, Y})) next = down_ ? bsExclusive : bsDown;
    if (next != state_) {
        state_ = next;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y)
{
    if (dragging_ && Button == mbLeft) {
        dragging_ = false;
        const bool inside = ClientRect().Contains({X, Y});
        if (groupIndex_ == 0) {
            state_ = bsUp;
            mouseInControl_ = mouseInControl_ && inside;
            Invalidate();
        } else if (inside) {
            SetDown(!down_);
            if (down_) Repaint();
        } else {
            state_ = down_ ? bsExclusive : bsUp;
            Invalidate();
        }
        if (inside) Click();
    }
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::CMMouseEnter(TMessage& Message)
{
    TGraphicControl::CMMouseEnter(Message);
    if (!mouseInControl_ && enabled_) {
        mouseInControl_ = true;
        if (flat_) Invalidate();
    }
}

void TSpeedButton::CMMouseLeave(TMessage& Message)
{
    TGraphicControl::CMMouseLeave(Message);
    if (mouseInControl_) {
        mouseInControl_ = false;
        if (flat_) Invalidate();
    }
}

void TSpeedButton::CMEnabledChanged(TMessage& Message)
{
    if (!enabled_) {
        mouseInControl_ = false;
        state_ = bsUp;
    }
    TGraphicControl::CMEnabledChanged(Message);
}

void TSpeedButton::Paint()
{
    TCanvas& c = *Canvas();
    TRect r = Rect(0, 0, width_, height_);
    if (r.IsEmpty()) return;
    if (!enabled_) {
        state_ = bsDisabled;
        dragging_ = false;
    } else if (state_ == bsDisabled) {
        state_ = down_ && groupIndex_ != 0 ? bsExclusive : bsUp;
    }
    const bool pushed = state_ == bsDown || state_ == bsExclusive;
    if (flat_) {
        if (!transparent_) {
            c.Brush()->SetColor(color_);
            c.FillRect(r);
        }
        if (pushed) {
            if (state_ == bsExclusive && !transparent_) {
                c.Brush()->SetColor(clBtnHighlight);
                c.FillRect(r);
            }
            RECT e = r;
            DrawEdge(c.Handle(), &e, BDR_SUNKENOUTER, BF_RECT);
        } else if (mouseInControl_ && enabled_) {
            RECT e = r;
            DrawEdge(c.Handle(), &e, BDR_RAISEDINNER, BF_RECT);
        }
    } else {
        RECT face = r;
        DrawFrameControl(c.Handle(), &face, DFC_BUTTON,
                         DFCS_BUTTONPUSH | DFCS_ADJUSTRECT | (pushed ? DFCS_PUSHED : 0));
        if (state_ == bsExclusive) {
            // Stay-down: the face lighter than a pressed one.
            c.Brush()->SetColor(cl3DLight);
            c.FillRect(face);
        }
    }
    c.Font()->Assign(font_.get());
    const TRect inner = Rect(2, 2, width_ - 2, height_ - 2);
    const TPoint offset = pushed ? TPoint{1, 1} : TPoint{0, 0};
    glyph_.Draw(c, inner, offset, Caption(), layout_, margin_, spacing_, state_);
}
