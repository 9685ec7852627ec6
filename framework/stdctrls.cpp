#include "stdctrls.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TLabel

const TClassInfo& TLabel::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TLabel>()
            .Enum("Alignment", &TLabel::GetAlignment, &TLabel::SetAlignment, taLeftJustify)
            .Enum("Layout", &TLabel::GetLayout, &TLabel::SetLayout, tlTop)
            .Bool("WordWrap", &TLabel::GetWordWrap, &TLabel::SetWordWrap, false)
            .Bool("Transparent", &TLabel::GetTransparent, &TLabel::SetTransparent, false)
            .Bool("AutoSize", &TLabel::GetAutoSize, &TLabel::SetAutoSize, true)
            .Bool("ShowAccelChar", &TLabel::GetShowAccelChar, &TLabel::SetShowAccelChar, true);
    return info;
}

TLabel::TLabel(TComponent* AOwner) : TGraphicControl(AOwner)
{
    ControlStyle.Include(csOpaque);
    ControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 65, 17);
}

void TLabel::SetAlignment(TAlignment value)
{
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TLabel::SetLayout(TTextLayout value)
{
    if (value == layout_) return;
    layout_ = value;
    Invalidate();
}

void TLabel::SetWordWrap(bool value)
{
    if (value == wordWrap_) return;
    wordWrap_ = value;
    AdjustBounds();
    Invalidate();
}

void TLabel::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    // An opaque label paints its whole rectangle, so the parent need not
    // erase under it; a transparent one needs the parent's background.
    if (value)
        ControlStyle.Exclude(csOpaque);
    else
        ControlStyle.Include(csOpaque);
    Invalidate();
}

void TLabel::SetAutoSize(bool value)
{
    if (value == autoSize_) return;
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::SetShowAccelChar(bool value)
{
    if (value == showAccelChar_) return;
    showAccelChar_ = value;
    AdjustBounds();
    Invalidate();
}

UINT TLabel::TextFormat() const
{
    UINT format = DT_EXPANDTABS;
    if (wordWrap_) format |= DT_WORDBREAK;
    if (!showAccelChar_) format |= DT_NOPREFIX;
    switch (alignment_) {
    case taRightJustify:
        format |= DT_RIGHT;
        break;
    case taCenter:
        format |= DT_CENTER;
        break;
    default:
        break;
    }
    return format;
}

void TLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TLabel::CMTextChanged(TMessage& Message)
{
    TGraphicControl::CMTextChanged(Message);
    AdjustBounds();
}

void TLabel::CMFontChanged(TMessage& Message)
{
    TGraphicControl::CMFontChanged(Message);
    AdjustBounds();
}

// Measures the caption on a screen DC (the label may have no parent window
// yet) and grows or shrinks towards the side its alignment anchors.
void TLabel::AdjustBounds()
{
    if (!autoSize_ || ComponentState().Contains(csLoading)) return;
    TWindowDC dc = TWindowDC::Get(nullptr);
    TSelectObject font(dc.Handle(), font_->Handle());
    RECT r{0, 0, wordWrap_ ? width_ : 0, 0};
    std::string text = text_;
    // An empty caption or one ending in a line break still has a line's height.
    if (text.empty() || text.back() == '\n') text += ' ';
    ::DrawTextA(dc.Handle(), text.c_str(), static_cast<int>(text.size()), &r, TextFormat() | DT_CALCRECT);
    int32_t left = left_;
    const int32_t width = r.right - r.left;
    if (!wordWrap_) {
        if (alignment_ == taRightJustify) left = left_ + width_ - width;
        if (alignment_ == taCenter) left = left_ + (width_ - width) / 2;
    }
    SetBounds(left, top_, wordWrap_ ? width_ : width, r.bottom - r.top);
}

void TLabel::Paint()
{
    TCanvas* canvas = Canvas();
    const TRect client = ClientRect();
    if (!transparent_) {
        canvas->Brush()->SetColor(color_);
        canvas->Brush()->SetStyle(bsSolid);
        canvas->FillRect(client);
    }
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->Assign(font_.get());
    const UINT format = TextFormat();
    TRect r = client;
    if (layout_ != tlTop) {
        // The text's height at this width decides where it starts.
        TRect calc = client;
        canvas->DrawText(text_, calc, format | DT_CALCRECT);
        const int32_t h = calc.Height();
        const int32_t offset = layout_ == tlBottom ? client.Height() - h : (client.Height() - h) / 2;
        r.Top += offset;
    }
    if (!enabled_) {
        // Disabled text: embossed, a highlight copy one pixel down-right.
        TRect shifted(r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1);
        canvas->Font()->SetColor(clBtnHighlight);
        canvas->DrawText(text_, shifted, format);
        canvas->Font()->SetColor(clBtnShadow);
    }
    canvas->DrawText(text_, r, format);
}
