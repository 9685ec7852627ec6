#include "framework/extctrls.h"

#include <algorithm>

namespace {
constexpr UINT_PTR kTimerId = 1;
}

const TClassInfo& TTimer::StaticClass()
{
    static const TClassInfo& info = PublishClass<TTimer>()
                                        .Bool("Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled, true)
                                        .Int("Interval", &TTimer::GetInterval, &TTimer::SetInterval, 1000)
                                        .Event("OnTimer", &TTimer::OnTimer);
    return info;
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner)
{
    window_ = std::make_unique<TUtilityWindow>([this](TMessage& m) {
        if (m.Msg != WM_TIMER) return false;
        try {
            Timer();
        } catch (...) {
            ApplicationHandleException(this);
        }
        return true;
    });
    UpdateTimer();
}

TTimer::~TTimer()
{
    KillTimer(window_->Handle(), kTimerId);
}

void TTimer::SetEnabled(bool value)
{
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::SetInterval(uint32_t value)
{
    if (value == interval_) return;
    interval_ = value;
    UpdateTimer();
}

// The system timer runs whenever the component is enabled with an interval;
// a tick without a handler does nothing.
void TTimer::UpdateTimer()
{
    KillTimer(window_->Handle(), kTimerId);
    if (enabled_ && interval_ != 0 && !SetTimer(window_->Handle(), kTimerId, interval_, nullptr))
        throw EOutOfResources("Not enough timers available");
}

void TTimer::Timer()
{
    if (enabled_ && OnTimer) OnTimer(this);
}

// ---------------------------------------------------------------------------
// Frame3D

void Frame3D(TCanvas* Canvas, TRect& r, TColor topColor, TColor bottomColor, int32_t width)
{
    Canvas->Pen()->SetWidth(1);
    Canvas->Pen()->SetStyle(psSolid);
    // Corner points: a polyline leaves out its end point, so each pair of
    // edges is drawn one pixel past its corner.
    TRect f(r.Left, r.Top, r.Right - 1, r.Bottom - 1);
    for (; width > 0; --width) {
        Canvas->Pen()->SetColor(topColor);
        Canvas->Polyline({{f.Left, f.Bottom}, {f.Left, f.Top}, {f.Right, f.Top}});
        Canvas->Pen()->SetColor(bottomColor);
        Canvas->Polyline({{f.Right, f.Top}, {f.Right, f.Bottom}, {f.Left - 1, f.Bottom}});
        f = TRect(f.Left + 1, f.Top + 1, f.Right - 1, f.Bottom - 1);
    }
    r = TRect(f.Left, f.Top, f.Right + 1, f.Bottom + 1);
}

// ---------------------------------------------------------------------------
// TCustomPanel

const TClassInfo& TCustomPanel::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TCustomPanel>()
            .Enum("Alignment", &TCustomPanel::GetAlignment, &TCustomPanel::SetAlignment, taCenter)
            .Enum("BevelInner", &TCustomPanel::GetBevelInner, &TCustomPanel::SetBevelInner, bvNone)
            .Enum("BevelOuter", &TCustomPanel::GetBevelOuter, &TCustomPanel::SetBevelOuter, bvRaised)
            .Int("BevelWidth", &TCustomPanel::GetBevelWidth, &TCustomPanel::SetBevelWidth, 1)
            .Enum("BorderStyle", &TCustomPanel::GetBorderStyle, &TCustomPanel::SetBorderStyle, bsNone)
            .Bool("ParentBackground", &TCustomPanel::GetParentBackground, &TCustomPanel::SetParentBackground,
                  true);
    return info;
}

const TClassInfo& TPanel::StaticClass()
{
    static const TClassInfo& info = PublishClass<TPanel>();
    return info;
}

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner)
{
    ControlStyle = {csAcceptsControls, csCaptureMouse, csClickEvents,  csSetCaption,
                    csOpaque,          csDoubleClicks, csReplicatable, csParentBackground};
    SetBounds(0, 0, 185, 41);
    SetColor(clBtnFace);
}

void TCustomPanel::CreateParams(TCreateParams& Params)
{
    TCustomControl::CreateParams(Params);
    if (borderStyle_ == bsSingle) {
        if (GetCtl3D())
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    // The bevels follow the size: the whole panel repaints when it changes.
    Params.WindowClass.style |= CS_HREDRAW | CS_VREDRAW;
}

void TCustomPanel::BevelChanged()
{
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value)
{
    if (value == bevelOuter_) return;
    bevelOuter_ = value;
    BevelChanged();
}

void TCustomPanel::SetBevelInner(TBevelCut value)
{
    if (value == bevelInner_) return;
    bevelInner_ = value;
    BevelChanged();
}

void TCustomPanel::SetBevelWidth(int32_t value)
{
    value = std::max<int32_t>(value, 1);
    if (value == bevelWidth_) return;
    bevelWidth_ = value;
    BevelChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value)
{
    if (value != bsNone) value = bsSingle;
    if (value == borderStyle_) return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment value)
{
    if (value == alignment_) return;
    alignment_ = value;
    Invalidate();
}

void TCustomPanel::SetParentBackground(bool value)
{
    if (value)
        ControlStyle.Include(csParentBackground);
    else
        ControlStyle.Exclude(csParentBackground);
    Invalidate();
}

void TCustomPanel::CMCtl3DChanged(TMessage& Message)
{
    if (borderStyle_ == bsSingle) RecreateWnd();
    TCustomControl::CMCtl3DChanged(Message);
}

void TCustomPanel::CMTextChanged(TMessage& Message)
{
    TCustomControl::CMTextChanged(Message);
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& Rect)
{
    TCustomControl::AdjustClientRect(Rect);
    int32_t bevel = 0;
    if (bevelOuter_ != bvNone) bevel += bevelWidth_;
    if (bevelInner_ != bvNone) bevel += bevelWidth_;
    Rect = TRect(Rect.Left + bevel, Rect.Top + bevel, Rect.Right - bevel, Rect.Bottom - bevel);
}

namespace {
// A lowered bevel is shadowed at the top left, a raised one lit; a space
// bevel takes room and shows the panel's colour.
void BevelColors(TBevelCut cut, TColor face, TColor& top, TColor& bottom)
{
    top = cut == bvLowered ? clBtnShadow : cut == bvRaised ? clBtnHighlight : face;
    bottom = cut == bvLowered ? clBtnHighlight : cut == bvRaised ? clBtnShadow : face;
}
} // namespace

void TCustomPanel::Paint()
{
    TCanvas* canvas = Canvas();
    TRect r = ClientRect();
    TColor top, bottom;
    if (bevelOuter_ != bvNone) {
        BevelColors(bevelOuter_, color_, top, bottom);
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    }
    Frame3D(canvas, r, color_, color_, GetBorderWidth());
    if (bevelInner_ != bvNone) {
        BevelColors(bevelInner_, color_, top, bottom);
        Frame3D(canvas, r, top, bottom, bevelWidth_);
    }
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(color_);
    canvas->FillRect(r);
    if (text_.empty()) return;
    canvas->Brush()->SetStyle(bsClear);
    canvas->Font()->Assign(font_.get());
    const int32_t h = canvas->TextHeight("W");
    r.Top = (r.Top + r.Bottom - h) / 2;
    r.Bottom = r.Top + h;
    UINT format = DT_EXPANDTABS | DT_SINGLELINE | DT_VCENTER;
    if (alignment_ == taCenter) format |= DT_CENTER;
    if (alignment_ == taRightJustify) format |= DT_RIGHT;
    canvas->DrawText(text_, r, format);
}

// ---------------------------------------------------------------------------
// TNotifyStringList

void TNotifyStringList::Put(int index, const std::string& s)
{
    TStringList::Put(index, s);
    Changed();
}

void TNotifyStringList::Insert(int index, const std::string& s)
{
    TStringList::Insert(index, s);
    Changed();
}

void TNotifyStringList::Delete(int index)
{
    TStringList::Delete(index);
    Changed();
}

void TNotifyStringList::Clear()
{
    TStringList::Clear();
    Changed();
}

void TNotifyStringList::EndUpdate()
{
    if (updating_ > 0 && --updating_ == 0 && changed_) {
        changed_ = false;
        if (OnChange) OnChange();
    }
}

void TNotifyStringList::Changed()
{
    if (updating_ > 0) {
        changed_ = true;
        return;
    }
    if (OnChange) OnChange();
}

// ---------------------------------------------------------------------------
// TGroupButton: a radio group's button, which tells its group when it
// becomes checked.

class TGroupButton : public TRadioButton {
    ORVANE_CLASS(TGroupButton, TRadioButton)
    TGroupButton(TComponent* AOwner) : TRadioButton(AOwner) {}
    TGroupButton(TCustomRadioGroup* group) : TRadioButton(nullptr), group_(group) { SetParent(group); }
    void Click() override
    {
        TRadioButton::Click();
        if (group_ && GetChecked()) group_->ButtonChecked(this);
    }

private:
    TCustomRadioGroup* group_ = nullptr;
};

const TClassInfo& TGroupButton::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGroupButton>();
    return info;
}

// ---------------------------------------------------------------------------
// TCustomRadioGroup

const TClassInfo& TCustomRadioGroup::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TCustomRadioGroup>()
            .Int("Columns", &TCustomRadioGroup::GetColumns, &TCustomRadioGroup::SetColumns, 1)
            .Int("ItemIndex", &TCustomRadioGroup::GetItemIndex, &TCustomRadioGroup::SetItemIndex, -1)
            .Strings("Items", &TCustomRadioGroup::Items, &TCustomRadioGroup::SetItems);
    return info;
}

const TClassInfo& TRadioGroup::StaticClass()
{
    static const TClassInfo& info = PublishClass<TRadioGroup>();
    return info;
}

TCustomRadioGroup::TCustomRadioGroup(TComponent* AOwner)
    : TCustomGroupBox(AOwner), items_(std::make_unique<TNotifyStringList>())
{
    items_->OnChange = [this] { ItemsChanged(); };
}

TCustomRadioGroup::~TCustomRadioGroup()
{
    items_->OnChange = nullptr;
    // The buttons are children and go with the window control; the list of
    // them must not outlive them.
    DestroyHandle();
    for (TRadioButton* b : buttons_)
        b->Free();
    buttons_.clear();
}

void TCustomRadioGroup::SetItems(const TStrings& value)
{
    items_->BeginUpdate();
    try {
        items_->Assign(value);
    } catch (...) {
        items_->EndUpdate();
        throw;
    }
    items_->EndUpdate();
}

void TCustomRadioGroup::SetColumns(int32_t value)
{
    value = std::clamp<int32_t>(value, 1, 16);
    if (value == columns_) return;
    columns_ = value;
    ArrangeButtons();
    Invalidate();
}

// Values beyond the items mean the last one; below -1, none.
void TCustomRadioGroup::SetItemIndex(int32_t value)
{
    if (ComponentState().Contains(csLoading)) {
        itemIndex_ = value;
        return;
    }
    value = std::clamp<int32_t>(value, -1, static_cast<int32_t>(buttons_.size()) - 1);
    if (value == itemIndex_) return;
    if (itemIndex_ >= 0) buttons_[static_cast<size_t>(itemIndex_)]->SetChecked(false);
    itemIndex_ = value;
    // Checking the button raises OnClick through ButtonChecked.
    if (itemIndex_ >= 0) buttons_[static_cast<size_t>(itemIndex_)]->SetChecked(true);
}

void TCustomRadioGroup::ButtonChecked(TRadioButton* button)
{
    if (updating_) return;
    const auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end()) return;
    itemIndex_ = static_cast<int32_t>(it - buttons_.begin());
    Click();
}

void TCustomRadioGroup::ItemsChanged()
{
    if (ComponentState().Contains(csLoading)) return;
    if (itemIndex_ >= items_->Count()) itemIndex_ = items_->Count() - 1;
    UpdateButtons();
}

void TCustomRadioGroup::Loaded()
{
    TCustomGroupBox::Loaded();
    UpdateButtons();
    if (itemIndex_ < -1 || itemIndex_ >= items_->Count()) itemIndex_ = -1;
    // The item the layout selected shows checked without a click.
    ArrangeButtons();
}

// One button per item, reusing the ones there are; the checked one follows
// ItemIndex without raising OnClick (the selection did not change).
void TCustomRadioGroup::UpdateButtons()
{
    updating_ = true;
    try {
        while (buttons_.size() > static_cast<size_t>(items_->Count())) {
            buttons_.back()->Free();
            buttons_.pop_back();
        }
        while (buttons_.size() < static_cast<size_t>(items_->Count()))
            buttons_.push_back(new TGroupButton(this));
        for (size_t i = 0; i < buttons_.size(); ++i) {
            TRadioButton* b = buttons_[i];
            b->SetCaption(items_->Get(static_cast<int>(i)));
            b->SetEnabled(GetEnabled());
            b->SetChecked(static_cast<int32_t>(i) == itemIndex_);
        }
        ArrangeButtons();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
    Invalidate();
}

// Columns side by side, items down each column first; the rows share the
// height below the caption, the spare pixels split above and below.
void TCustomRadioGroup::ArrangeButtons()
{
    if (buttons_.empty() || ComponentState().Contains(csLoading)) return;
    const int32_t count = static_cast<int32_t>(buttons_.size());
    const int32_t perColumn = (count + columns_ - 1) / columns_;
    const int32_t buttonWidth = (width_ - 10) / columns_;
    const int32_t textHeight = CaptionHeight();
    const int32_t space = height_ - textHeight - 5;
    const int32_t buttonHeight = space / perColumn;
    const int32_t topMargin = textHeight + 1 + (space % perColumn) / 2;
    for (int32_t i = 0; i < count; ++i)
        buttons_[static_cast<size_t>(i)]->SetBounds((i / perColumn) * buttonWidth + 8,
                                                    (i % perColumn) * buttonHeight + topMargin, buttonWidth,
                                                    buttonHeight);
}

void TCustomRadioGroup::WMSize(TMessage& Message)
{
    TCustomGroupBox::WMSize(Message);
    ArrangeButtons();
}

void TCustomRadioGroup::CMFontChanged(TMessage& Message)
{
    TCustomGroupBox::CMFontChanged(Message);
    ArrangeButtons();
}

void TCustomRadioGroup::CMEnabledChanged(TMessage& Message)
{
    TCustomGroupBox::CMEnabledChanged(Message);
    for (TRadioButton* b : buttons_)
        b->SetEnabled(GetEnabled());
}

// ---------------------------------------------------------------------------
// TShape

const TClassInfo& TShape::StaticClass()
{
    static const TClassInfo& info = PublishClass<TShape>()
                                        .Object("Brush", &TShape::Brush, &TShape::SetBrush)
                                        .Object("Pen", &TShape::Pen, &TShape::SetPen)
                                        .Enum("Shape", &TShape::GetShape, &TShape::SetShape, stRectangle);
    return info;
}

TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>())
{
    ControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 65, 65);
    pen_->OnChange = [this](TObject*) { Invalidate(); };
    brush_->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape()
{
    pen_->OnChange = nullptr;
    brush_->OnChange = nullptr;
}

void TShape::SetShape(TShapeType value)
{
    if (value == shape_) return;
    shape_ = value;
    Invalidate();
}

// The outline is centred on the bounds' inner edge, so a wide pen stays
// inside the control: half the pen width in from each side.
void TShape::Paint()
{
    TCanvas* canvas = Canvas();
    canvas->SetPen(pen_.get());
    canvas->SetBrush(brush_.get());
    const int32_t penWidth = pen_->GetWidth();
    int32_t x = penWidth / 2, y = x;
    int32_t w = width_ - penWidth + 1, h = height_ - penWidth + 1;
    if (penWidth == 0) {
        --w;
        --h;
    }
    const int32_t s = std::min(w, h);
    if (shape_ == stSquare || shape_ == stRoundSquare || shape_ == stCircle) {
        x += (w - s) / 2;
        y += (h - s) / 2;
        w = h = s;
    }
    switch (shape_) {
    case stRectangle:
    case stSquare:
        canvas->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        canvas->RoundRect(x, y, x + w, y + h, s / 4, s / 4);
        break;
    case stEllipse:
    case stCircle:
        canvas->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// ---------------------------------------------------------------------------
// TImage

const TClassInfo& TImage::StaticClass()
{
    static const TClassInfo& info =
        PublishClass<TImage>()
            .Bool("AutoSize", &TImage::GetAutoSize, &TImage::SetAutoSize, false)
            .Bool("Center", &TImage::GetCenter, &TImage::SetCenter, false)
            .Object("Picture", &TImage::Picture, &TImage::SetPicture)
            .Bool("Proportional", &TImage::GetProportional, &TImage::SetProportional, false)
            .Bool("Stretch", &TImage::GetStretch, &TImage::SetStretch, false)
            .Bool("Transparent", &TImage::GetTransparent, &TImage::SetTransparent, false);
    return info;
}

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), picture_(std::make_unique<TPicture>())
{
    ControlStyle.Include(csReplicatable);
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage()
{
    picture_->OnChange = nullptr;
}

void TImage::SetAutoSize(bool value)
{
    if (value == autoSize_) return;
    autoSize_ = value;
    PictureChanged();
}

void TImage::SetCenter(bool value)
{
    if (value == center_) return;
    center_ = value;
    PictureChanged();
}

void TImage::SetStretch(bool value)
{
    if (value == stretch_) return;
    stretch_ = value;
    PictureChanged();
}

void TImage::SetProportional(bool value)
{
    if (value == proportional_) return;
    proportional_ = value;
    PictureChanged();
}

void TImage::SetTransparent(bool value)
{
    if (value == transparent_) return;
    transparent_ = value;
    PictureChanged();
}

void TImage::Loaded()
{
    TGraphicControl::Loaded();
    PictureChanged();
}

void TImage::PictureChanged()
{
    if (ComponentState().Contains(csLoading)) return;
    TGraphic* g = picture_->Graphic();
    if (g && !g->Empty()) {
        // The picture's own flag decides how it draws; set it without
        // coming back here.
        if (g->GetTransparent() != transparent_) {
            auto saved = std::move(picture_->OnChange);
            picture_->OnChange = nullptr;
            g->SetTransparent(transparent_);
            picture_->OnChange = std::move(saved);
        }
        if (autoSize_) SetBounds(left_, top_, g->GetWidth(), g->GetHeight());
    }
    // An opaque picture covering the whole control needs no erasing under it.
    const TRect d = DestRect();
    SetOpaque(g && !g->Empty() && !transparent_ && d.Left <= 0 && d.Top <= 0 && d.Right >= width_ &&
              d.Bottom >= height_);
    Invalidate();
}

TRect TImage::DestRect() const
{
    const int32_t pw = picture_->Width(), ph = picture_->Height();
    int32_t w = pw, h = ph;
    if (stretch_ || (proportional_ && (pw > width_ || ph > height_))) {
        if (proportional_ && pw > 0 && ph > 0) {
            // The larger ratio decides: the picture fits in both directions.
            if (static_cast<int64_t>(width_) * ph > static_cast<int64_t>(height_) * pw) {
                h = height_;
                w = static_cast<int32_t>(static_cast<int64_t>(pw) * height_ / ph);
            } else {
                w = width_;
                h = static_cast<int32_t>(static_cast<int64_t>(ph) * width_ / pw);
            }
        } else {
            w = width_;
            h = height_;
        }
    }
    int32_t x = 0, y = 0;
    if (center_) {
        x = (width_ - w) / 2;
        y = (height_ - h) / 2;
    }
    return Bounds(x, y, w, h);
}

void TImage::Paint()
{
    TGraphic* g = picture_->Graphic();
    if (!g || g->Empty()) return;
    const TRect d = DestRect();
    if (d.Width() == g->GetWidth() && d.Height() == g->GetHeight())
        Canvas()->Draw(d.Left, d.Top, g);
    else
        Canvas()->StretchDraw(d, g);
}
