#include "widgets/iswitchpanel.h"

#include <algorithm>

namespace {

TPoint ToPoint(TGeoPoint p)
{
    return TPoint(p.X, p.Y);
}

// Sets a flag for the duration of a handler: the mouse handlers mark their
// position changes as the user's.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

const TClassInfo& TiSwitchPanel::StaticClass()
{
    using T = TiSwitchPanel;
    static const TClassInfo& info = []() -> const TClassInfo& {
        auto caption = [](int i) {
            return std::pair{[i](T& o) { return o.GetPositionCaption(i); },
                             [i](T& o, const std::string& v) { o.SetPositionCaption(i, v); }};
        };
        auto b = PublishClass<T>();
        b.Object("PanelFontInactive", &T::GetPanelFontInactive, &T::SetPanelFontInactive)
            .Object("PanelFontActive", &T::GetPanelFontActive, &T::SetPanelFontActive);
        static const char* const captionNames[] = {"PositionCaption1", "PositionCaption2",
                                                   "PositionCaption3"};
        for (int i = 0; i < 3; ++i) {
            auto [get, set] = caption(i);
            b.String(captionNames[i], get, set);
        }
        // Ordinal and colour properties carry no default: a stored form holds
        // every one of them.
        b.Int("Position", &T::GetPosition, &T::SetPosition)
            .Int("PositionCount", &T::GetPositionCount, &T::SetPositionCount)
            .Enum("KnobRadiusAutoSize", &T::GetKnobRadiusAutoSize, &T::SetKnobRadiusAutoSize)
            .Int("KnobRadius", &T::GetKnobRadius, &T::SetKnobRadius)
            .Int("KnobHandleWidth", &T::GetKnobHandleWidth, &T::SetKnobHandleWidth)
            .Color("KnobHandleColor", &T::GetKnobHandleColor, &T::SetKnobHandleColor)
            .Color("KnobInnerColor", &T::GetKnobInnerColor, &T::SetKnobInnerColor)
            .Color("KnobOuterColor", &T::GetKnobOuterColor, &T::SetKnobOuterColor)
            .Enum("MouseControlStyle", &T::GetMouseControlStyle, &T::SetMouseControlStyle)
            .Float("PanelMarginTop", &T::GetPanelMarginTop, &T::SetPanelMarginTop)
            .Float("PanelMarginRow", &T::GetPanelMarginRow, &T::SetPanelMarginRow)
            .Float("PanelMarginBottom", &T::GetPanelMarginBottom, &T::SetPanelMarginBottom)
            .Color("PanelBackGroundColor", &T::GetPanelBackGroundColor, &T::SetPanelBackGroundColor)
            .Int("KnobSideMargin", &T::GetKnobSideMargin, &T::SetKnobSideMargin)
            .Enum("BorderStyle", &T::GetPanelBorderStyle, &T::SetPanelBorderStyle)
            .Color("BackGroundColorTop", &T::GetBackGroundColorTop, &T::SetBackGroundColorTop)
            .Event("OnPositionChange", &T::OnPositionChange)
            .Event("OnPositionChangeUser", &T::OnPositionChangeUser)
            .Event("OnPositionChangeFinished", &T::OnPositionChangeFinished);
        iPublishBackGroundColor(b, clBtnFace);
        return b;
    }();
    return info;
}

TiSwitchPanel::TiSwitchPanel(TComponent* AOwner)
    : TiCustomComponent(AOwner), panelFontInactive_(std::make_unique<TFont>()),
      panelFontActive_(std::make_unique<TFont>())
{
    SetBounds(Left(), Top(), 100, 150);
    for (TFont* f : {panelFontInactive_.get(), panelFontActive_.get()}) {
        f->SetSize(8);
        f->SetStyle({fsBold});
    }
    panelFontInactive_->SetColor(clWhite);
    panelFontActive_->SetColor(clAqua);
    panelFontInactive_->OnChange = [this](TObject*) { InvalidateChange(); };
    panelFontActive_->OnChange = [this](TObject*) { InvalidateChange(); };
}

TiSwitchPanel::~TiSwitchPanel()
{
    panelFontInactive_->OnChange = nullptr;
    panelFontActive_->OnChange = nullptr;
}

void TiSwitchPanel::SetPanelFontInactive(const TFont* Value)
{
    if (Value) panelFontInactive_->Assign(Value);
}

void TiSwitchPanel::SetPanelFontActive(const TFont* Value)
{
    if (Value) panelFontActive_->Assign(Value);
}

void TiSwitchPanel::SetPositionCaption(int Index, const std::string& Value)
{
    SetStringProperty(Value, captions_.at(static_cast<size_t>(Index)), irtInvalidate);
}

void TiSwitchPanel::SetPanelBorderStyle(TiSwitchPanelBorderStyle Value)
{
    if (Value == borderStyle_) return;
    borderStyle_ = Value;
    InvalidateChange();
}

void TiSwitchPanel::SetPositionCount(int32_t Value)
{
    Value = std::clamp(Value, 2, 3);
    if (Value == positionCount_) return;
    positionCount_ = Value;
    if (position_ > Value - 1) position_ = Value - 1;
    InvalidateChange();
}

void TiSwitchPanel::SetPosition(int32_t Value)
{
    // Compared before clamping: asking for a position beyond the ends still
    // reports a change, though the stored value stays.
    if (Value == position_) return;
    if (!AllowPropertyChange("Position")) return;
    position_ = Value;
    pendingFinish_ = true;
    if (!GetLoading()) position_ = std::clamp(position_, 0, positionCount_ - 1);
    BackGroundChange();
    DoPositionChange();
    OPCOutputData("Position", position_);
}

void TiSwitchPanel::DoPositionChange()
{
    if (GetLoading()) return;
    NotifyPropertyChange("Position");
    if (OnPositionChange) OnPositionChange(this);
    if (userChange_ && OnPositionChangeUser) OnPositionChangeUser(this);
}

void TiSwitchPanel::DoPositionChangeFinished()
{
    if (GetLoading() || !pendingFinish_) return;
    pendingFinish_ = false;
    if (OnPositionChangeFinished) OnPositionChangeFinished(this);
}

// --- Painting

TSwitchPanelLayout TiSwitchPanel::Layout(TCanvas* Canvas)
{
    Canvas->SetFont(panelFontInactive_.get());
    const int inactiveHeight = Canvas->TextHeight("A");
    Canvas->SetFont(panelFontActive_.get());
    const int activeHeight = Canvas->TextHeight("A");

    TSwitchPanelInput in;
    in.Width = Width();
    in.Height = Height();
    in.TextHeight = std::max(inactiveHeight, activeHeight);
    in.PositionCount = positionCount_;
    in.Position = position_;
    in.MarginTop = panelMarginTop_;
    in.MarginRow = panelMarginRow_;
    in.MarginBottom = panelMarginBottom_;
    in.KnobRadiusAutoSize = knobRadiusAutoSize_;
    in.KnobRadius = knobRadius_;
    in.KnobSideMargin = knobSideMargin_;
    in.KnobHandleWidth = knobHandleWidth_;
    return SwitchPanelLayout(in);
}

void TiSwitchPanel::iPaintTo(TCanvas* Canvas)
{
    const int W = Width(), H = Height();
    const TSwitchPanelLayout L = Layout(Canvas);
    knobCenter_ = ToPoint(L.Center);
    knobRadius_ = L.KnobRadius; // the computed radius is the property's value

    DrawBackGround(Canvas, GetBackGroundColor());

    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(panelBackGroundColor_);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(panelBackGroundColor_);
    Canvas->Rectangle(0, 0, W, L.PanelHeight + 1);

    switch (borderStyle_) {
    case ispbsLine:
        Canvas->Brush()->SetStyle(bsClear);
        Canvas->Pen()->SetColor(clBlack);
        Canvas->Pen()->SetStyle(psSolid);
        Canvas->Rectangle(0, 0, W, H);
        break;
    case ispbsRaised:
    case ispbsLowered:
        DrawBorder(Canvas); // again, so the edge lies over the caption panel
        break;
    case ispbsTop:
        if (knobSideMargin_ == 0) {
            Canvas->Brush()->SetColor(backGroundColorTop_);
            Canvas->Pen()->SetColor(backGroundColorTop_);
            Canvas->Pen()->SetStyle(psSolid);
            Canvas->Rectangle(0, L.PanelHeight, W - 1, L.Center.Y);
            Canvas->Pen()->SetColor(clBlack);
            Line(Canvas, 0, L.PanelHeight, 0, L.Center.Y);
            Line(Canvas, W - 1, L.PanelHeight, W - 1, L.Center.Y);
        }
        break;
    case ispbsNone:
        break;
    }
    DrawCaptions(Canvas, L);
    DrawKnob(Canvas, L);
}

void TiSwitchPanel::DrawCaptions(TCanvas* Canvas, const TSwitchPanelLayout& L)
{
    Canvas->Brush()->SetStyle(bsClear);
    // Three positions put caption 2 on the first row; the layout gives each
    // caption's anchor by its position.
    for (int i = 0; i < positionCount_; ++i) {
        Canvas->SetFont(i == position_ ? panelFontActive_.get() : panelFontInactive_.get());
        const TPoint a = ToPoint(L.Anchors[static_cast<size_t>(i)]);
        const std::string& text = captions_[static_cast<size_t>(i)];
        TRect r(a.X, a.Y, a.X, a.Y);
        iDrawText(Canvas, text, r, {itfHCenter, itfVTop, itfNoClip}, true, GetBackGroundColor());
        const SIZE size = Canvas->TextExtent(text);
        captionRects_[static_cast<size_t>(i)] =
            TRect(a.X - size.cx / 2, a.Y, a.X + size.cx / 2, a.Y + static_cast<int32_t>(size.cy));
    }
    for (int i = positionCount_; i < 3; ++i)
        captionRects_[static_cast<size_t>(i)] = TRect();
}

void TiSwitchPanel::DrawKnob(TCanvas* Canvas, const TSwitchPanelLayout& L)
{
    const TPoint c = knobCenter_;
    const int R = L.KnobRadius, RI = L.InnerRadius;
    knobRect_ = TRect(c.X - R, c.Y - R, c.X + R, c.Y + R);
    innerKnobRect_ = TRect(c.X - RI, c.Y - RI, c.X + RI, c.Y + RI);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetColor(clBlack);
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(knobOuterColor_);
    Canvas->Ellipse(knobRect_);
    Canvas->Brush()->SetColor(knobInnerColor_);
    Canvas->Ellipse(innerKnobRect_);
    Canvas->Brush()->SetColor(knobHandleColor_);
    const TPoint handle[4] = {ToPoint(L.Handle[0]), ToPoint(L.Handle[1]), ToPoint(L.Handle[2]),
                              ToPoint(L.Handle[3])};
    Canvas->Polygon(handle, 4);
}

void TiSwitchPanel::DrawBorder(TCanvas* Canvas)
{
    const TRect r(0, 0, Width(), Height());
    if (borderStyle_ == ispbsRaised)
        iDrawEdge(Canvas, r, idesRaised);
    else if (borderStyle_ == ispbsLowered)
        iDrawEdge(Canvas, r, idesSunken);
}

// --- Mouse

void TiSwitchPanel::iMouseDown(TMouseButton, TShiftState, int X, int Y)
{
    if (HandleAllocated() && CanFocus()) SetFocus();
    const TPoint p(X, Y);
    for (int i = 0; i < positionCount_; ++i)
        if (captionRects_[static_cast<size_t>(i)].Contains(p)) captionPressed_[static_cast<size_t>(i)] = true;
    if (knobRect_.Contains(p)) {
        knobPressed_ = true;
        if (mouseControlStyle_ == ispmcsRotate)
            referenceAngle_ = SwitchMouseAngle({knobCenter_.X, knobCenter_.Y}, X, Y);
    }
}

void TiSwitchPanel::iMouseMove(TShiftState, int X, int Y)
{
    TFlagScope user(userChange_);
    if (!knobPressed_ || mouseControlStyle_ != ispmcsRotate) return;
    const int step = RotationStep(referenceAngle_, SwitchMouseAngle({knobCenter_.X, knobCenter_.Y}, X, Y));
    if (step != 0) SetPosition(position_ + step);
}

void TiSwitchPanel::iMouseUp(TMouseButton, TShiftState, int X, int Y)
{
    TFlagScope user(userChange_);
    const TPoint p(X, Y);
    for (int i = 0; i < 3; ++i)
        if (captionPressed_[static_cast<size_t>(i)] && captionRects_[static_cast<size_t>(i)].Contains(p))
            SetPosition(i);
    if (knobPressed_ && mouseControlStyle_ == ispmcsIncrement && knobRect_.Contains(p))
        SetPosition(position_ + 1 > positionCount_ - 1 ? 0 : position_ + 1);
    keyDown_ = false;
    ClearPressed();
    DoPositionChangeFinished();
}

void TiSwitchPanel::ClearPressed()
{
    knobPressed_ = false;
    captionPressed_ = {};
}

// --- Keyboard and focus

void TiSwitchPanel::iKeyDown(WORD& Key, TShiftState)
{
    keyDown_ = true;
    switch (Key) {
    case VK_LEFT:
    case VK_DOWN:
        SetPosition(position_ - 1);
        break;
    case VK_RIGHT:
    case VK_UP:
        SetPosition(position_ + 1);
        break;
    case VK_PRIOR:
    case VK_END:
        SetPosition(positionCount_ - 1);
        break;
    case VK_NEXT:
    case VK_HOME:
        SetPosition(0);
        break;
    default:
        return;
    }
    Key = 0;
}

void TiSwitchPanel::iKeyUp(WORD&, TShiftState)
{
    InvalidateChange();
    if (!keyDown_) return;
    keyDown_ = false;
    if (pendingFinish_) {
        pendingFinish_ = false;
        if (OnPositionChangeFinished) OnPositionChangeFinished(this);
    }
}

void TiSwitchPanel::iWantSpecialKey(WORD& CharCode, LRESULT& Result)
{
    if (CharCode == VK_LEFT || CharCode == VK_RIGHT || CharCode == VK_UP || CharCode == VK_DOWN) Result = 1;
}

void TiSwitchPanel::iDoKillFocus()
{
    keyDown_ = false;
    ClearPressed();
    TiCustomComponent::iDoKillFocus();
}
