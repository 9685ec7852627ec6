#include "framework/stdctrls.h"

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
    SetOpaque(!value);
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

// ---------------------------------------------------------------------------
// TButtonControl

const TClassInfo& TButtonControl::StaticClass()
{
    static const TClassInfo& info = PublishClass<TButtonControl>();
    return info;
}

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner)
{
    // The BUTTON procedure tracks the mouse and reports clicks itself.
    ControlStyle = {csSetCaption, csDoubleClicks};
    SetTabStop(true);
}

void TButtonControl::Dispatch(TMessage& Message)
{
    if (Message.Msg == CN_COMMAND) {
        switch (HIWORD(Message.WParam)) {
        case BN_CLICKED:
            ButtonClicked();
            break;
        case BN_DOUBLECLICKED:
            DblClick();
            break;
        }
        return;
    }
    TWinControl::Dispatch(Message);
}

void TButtonControl::ClickIfAllowed()
{
    if (!clicksDisabled_ && !ComponentState().Contains(csLoading)) Click();
}

// ---------------------------------------------------------------------------
// TButton

const TClassInfo& TButton::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TButton>()
            .Bool("Default", &TButton::GetDefault, &TButton::SetDefault, false)
            .Bool("Cancel", &TButton::GetCancel, &TButton::SetCancel, false)
            .Int("ModalResult", &TButton::GetModalResult, &TButton::SetModalResult, mrNone);
    return info;
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner)
{
    SetBounds(0, 0, 75, 25);
}

void TButton::CreateParams(TCreateParams& Params)
{
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= default_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TButton::SetButtonStyle(bool isDefault)
{
    if (handle_) SendMessageA(handle_, BM_SETSTYLE, isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

void TButton::SetDefault(bool value)
{
    if (value == default_) return;
    default_ = value;
    active_ = value;
    SetButtonStyle(value);
}

void TButton::Click()
{
    // A form that keeps a modal result is told this button's.
    if (modalResult_ != mrNone)
        if (TCustomForm* form = GetParentForm(this)) SetIntProperty(form, "ModalResult", modalResult_);
    TButtonControl::Click();
}

void TButton::CMDialogKey(TMessage& Message)
{
    const WORD key = Message.CharCode();
    if (((key == VK_RETURN && active_) || (key == VK_ESCAPE && cancel_)) &&
        KeyboardStateToShiftState().Empty() && CanFocus()) {
        Click();
        Message.Result = 1;
        return;
    }
    TButtonControl::CMDialogKey(Message);
}

// Enter belongs to the focused button, or to the default one while the
// focus is elsewhere.
void TButton::CMFocusChanged(TMessage& Message)
{
    auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
    const bool active = dynamic_cast<TButton*>(focused) ? focused == this : default_;
    if (active != active_) {
        active_ = active;
        SetButtonStyle(active);
    }
    TButtonControl::CMFocusChanged(Message);
}

// ---------------------------------------------------------------------------
// TCheckBox

const TClassInfo& TCheckBox::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TCheckBox>()
            .Enum("Alignment", &TCheckBox::GetAlignment, &TCheckBox::SetAlignment, taRightJustify)
            .Bool("AllowGrayed", &TCheckBox::GetAllowGrayed, &TCheckBox::SetAllowGrayed, false)
            .Bool("Checked", &TCheckBox::GetChecked, &TCheckBox::SetChecked, false)
            .Stored(false) // State says the same
            .Enum("State", &TCheckBox::GetState, &TCheckBox::SetState, cbUnchecked);
    return info;
}

TCheckBox::TCheckBox(TComponent* AOwner) : TButtonControl(AOwner)
{
    SetBounds(0, 0, 97, 17);
}

void TCheckBox::CreateParams(TCreateParams& Params)
{
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= BS_3STATE;
    if (alignment_ == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TCheckBox::CreateWindowDone()
{
    SendMessageA(handle_, BM_SETCHECK, static_cast<WPARAM>(state_), 0);
}

void TCheckBox::SetAlignment(TAlignment value)
{
    if (value == taCenter) value = taRightJustify;
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

void TCheckBox::SetState(TCheckBoxState value)
{
    if (value == state_) return;
    state_ = value;
    if (handle_) SendMessageA(handle_, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    ClickIfAllowed();
}

void TCheckBox::Toggle()
{
    switch (state_) {
    case cbUnchecked:
        SetState(allowGrayed_ ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TCheckBox::ButtonClicked()
{
    Toggle();
}

// ---------------------------------------------------------------------------
// TRadioButton

const TClassInfo& TRadioButton::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TRadioButton>()
            .Enum("Alignment", &TRadioButton::GetAlignment, &TRadioButton::SetAlignment, taRightJustify)
            .Bool("Checked", &TRadioButton::GetChecked, &TRadioButton::SetChecked, false);
    return info;
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner)
{
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& Params)
{
    TButtonControl::CreateParams(Params);
    CreateSubClass(Params, "BUTTON");
    Params.Style |= BS_RADIOBUTTON;
    if (alignment_ == taLeftJustify) Params.Style |= BS_LEFTTEXT;
}

void TRadioButton::CreateWindowDone()
{
    SendMessageA(handle_, BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TAlignment value)
{
    if (value == taCenter) value = taRightJustify;
    if (value == alignment_) return;
    alignment_ = value;
    RecreateWnd();
}

void TRadioButton::SetChecked(bool value)
{
    if (value == checked_) return;
    checked_ = value;
    // Tab reaches a group of radio buttons at its checked one.
    SetTabStop(value);
    if (handle_) SendMessageA(handle_, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!value) return;
    if (parent_)
        for (int i = 0; i < parent_->ControlCount(); ++i)
            if (auto* other = dynamic_cast<TRadioButton*>(parent_->Controls(i)); other && other != this)
                other->SetChecked(false);
    ClickIfAllowed();
}

// ---------------------------------------------------------------------------
// TCustomGroupBox

const TClassInfo& TCustomGroupBox::StaticClass()
{
    static const TClassInfo& info = PublishClass<TCustomGroupBox>();
    return info;
}

const TClassInfo& TGroupBox::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGroupBox>();
    return info;
}

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents,     csSetCaption,
                    csDoubleClicks,    csReplicatable, csParentBackground};
    SetBounds(0, 0, 185, 105);
}

int32_t TCustomGroupBox::CaptionHeight()
{
    TWindowDC dc = TWindowDC::Get(nullptr);
    TSelectObject font(dc.Handle(), font_->Handle());
    SIZE size{};
    GetTextExtentPoint32A(dc.Handle(), "0", 1, &size);
    return size.cy;
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect)
{
    TCustomControl::AdjustClientRect(Rect);
    const int inset = GetCtl3D() ? 2 : 1;
    Rect =
        TRect(Rect.Left + inset, Rect.Top + CaptionHeight() + inset, Rect.Right - inset, Rect.Bottom - inset);
}

// The frame runs through the middle of the caption's line; a 3-D frame is
// an etched pair (shadow, then highlight one pixel down-right), a flat one a
// single window-frame line. The caption is drawn on the box's colour, so the
// frame line stops on both sides of it.
void TCustomGroupBox::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->Font()->Assign(font_.get());
    const int32_t h = canvas->TextHeight("0");
    TRect r(0, h / 2 - 1, width_, height_);
    canvas->Brush()->SetStyle(bsSolid);
    if (GetCtl3D()) {
        TRect light(r.Left + 1, r.Top + 1, r.Right, r.Bottom);
        canvas->Brush()->SetColor(clBtnHighlight);
        canvas->FrameRect(light);
        r = TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
        canvas->Brush()->SetColor(clBtnShadow);
    } else {
        canvas->Brush()->SetColor(clWindowFrame);
    }
    canvas->FrameRect(r);
    if (!text_.empty()) {
        TRect t(8, 0, 0, h);
        canvas->DrawText(text_, t, DT_SINGLELINE | DT_CALCRECT);
        canvas->Brush()->SetColor(color_);
        canvas->DrawText(text_, t, DT_SINGLELINE);
    }
}

void TCustomGroupBox::CMCtl3DChanged(TMessage& Message)
{
    TCustomControl::CMCtl3DChanged(Message);
    Invalidate();
    Realign();
}

void TCustomGroupBox::CMTextChanged(TMessage& Message)
{
    TCustomControl::CMTextChanged(Message);
    Invalidate();
}

void TCustomGroupBox::CMFontChanged(TMessage& Message)
{
    TCustomControl::CMFontChanged(Message);
    Realign();
}
