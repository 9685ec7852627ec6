#include "widgets/islider.h"

#include <cstdio>

#include "components/layoutreader.h"
#include "components/layoutwriter.h"

namespace {
constexpr double kWheelGapDays = 30.0 / 86400000.0; // wheel steps closer than 30 ms are dropped

TRect Moved(const TRect& r, int dx, int dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}
} // namespace

const TClassInfo& TiSlider::StaticClass()
{
    static const TClassInfo& info = []() -> const TClassInfo& {
        auto b = PublishClass<TiSlider>();
        iPublishBackGroundColor(b);
        iPublishBorderStyle(b);
        iPublishBackGroundPicture(b);
        iPublishTransparent(b);
        iPublishOffsets(b);
        iPublishShowDisabledState(b, true);
        b.Float("Position", &TiSlider::GetPosition, &TiSlider::SetPosition)
            .Float("PositionMax", &TiSlider::GetPositionMax, &TiSlider::SetPositionMax)
            .Float("PositionMin", &TiSlider::GetPositionMin, &TiSlider::SetPositionMin)
            .Float("CurrentMax", &TiSlider::GetCurrentMax, &TiSlider::SetCurrentMax)
            .Float("CurrentMin", &TiSlider::GetCurrentMin, &TiSlider::SetCurrentMin)
            .Bool("MinMaxFixed", &TiSlider::GetMinMaxFixed, &TiSlider::SetMinMaxFixed, false)
            .Event("OnPositionChange", &TiSlider::OnPositionChange)
            .Event("OnCurrentMaxChange", &TiSlider::OnCurrentMaxChange)
            .Event("OnCurrentMinChange", &TiSlider::OnCurrentMinChange)
            .Event("OnPositionOverMax", &TiSlider::OnPositionOverMax)
            .Event("OnPositionUnderMin", &TiSlider::OnPositionUnderMin)
            .Event("OnPositionOverLimit", &TiSlider::OnPositionOverLimit)
            .Event("OnPositionUnderLimit", &TiSlider::OnPositionUnderLimit)
            .Event("OnPositionChangeFinished", &TiSlider::OnPositionChangeFinished)
            .Event("OnPositionChangeUser", &TiSlider::OnPositionChangeUser);
        iPublishScale(b);
        b.Int("EndsMargin", &TiSlider::GetEndsMargin, &TiSlider::SetEndsMargin, 5)
            .Color("PointerIndicatorInactiveColor", &TiSlider::GetPointerIndicatorInactiveColor,
                   &TiSlider::SetPointerIndicatorInactiveColor, clBlack)
            .Color("PointerIndicatorActiveColor", &TiSlider::GetPointerIndicatorActiveColor,
                   &TiSlider::SetPointerIndicatorActiveColor, clRed)
            .Float("KeyPageStepSize", &TiSlider::GetKeyPageStepSize, &TiSlider::SetKeyPageStepSize)
            .Float("KeyArrowStepSize", &TiSlider::GetKeyArrowStepSize, &TiSlider::SetKeyArrowStepSize)
            .Float("MouseWheelStepSize", &TiSlider::GetMouseWheelStepSize, &TiSlider::SetMouseWheelStepSize)
            .Int("PointerHeight", &TiSlider::GetPointerHeight, &TiSlider::SetPointerHeight, 10)
            .Int("PointerWidth", &TiSlider::GetPointerWidth, &TiSlider::SetPointerWidth, 15)
            .Enum("PointerStyle", &TiSlider::GetPointerStyle, &TiSlider::SetPointerStyle, ispsLed)
            .Enum("OrientationTickMarks", &TiSlider::GetOrientationTickMarks,
                  &TiSlider::SetOrientationTickMarks, iosBottomRight)
            .Enum("Orientation", &TiSlider::GetOrientation, &TiSlider::SetOrientation, ioVertical)
            .Color("TrackColor", &TiSlider::GetTrackColor, &TiSlider::SetTrackColor, clWhite)
            .Enum("TrackStyle", &TiSlider::GetTrackStyle, &TiSlider::SetTrackStyle, istsBox)
            .Bool("ShowFocusRect", &TiSlider::GetShowFocusRect, &TiSlider::SetShowFocusRect, true)
            .Bool("ReverseScale", &TiSlider::GetReverseScale, &TiSlider::SetReverseScale, false)
            .Enum("MouseControlStyle", &TiSlider::GetMouseControlStyle, &TiSlider::SetMouseControlStyle,
                  ismcsSlideOnly)
            .Bool("AutoCenter", &TiSlider::GetAutoCenter, &TiSlider::SetAutoCenter, false)
            .Object("PointerBitmap", &TiSlider::GetPointerBitmap, &TiSlider::SetPointerBitmap)
            .Bool("PointerFillEnabled", &TiSlider::GetPointerFillEnabled, &TiSlider::SetPointerFillEnabled,
                  false)
            .Color("PointerFillColor", &TiSlider::GetPointerFillColor, &TiSlider::SetPointerFillColor,
                   clBlue);
        return b;
    }();
    return info;
}

TiSlider::TiSlider(TComponent* AOwner) : TiScaleComponent(AOwner), pointerBitmap_(std::make_unique<TBitmap>())
{
    SetBounds(Left(), Top(), 70, 200);
    SetTabStop(true);
    SetShowDisabledState(true);
    CreateBackGroundPicture();
    pointerBitmap_->SetTransparent(true);
    pointerBitmap_->OnChange = [this](TObject*) { InvalidateChange(); };
}

TiSlider::~TiSlider() = default;

void TiSlider::DefineProperties(TFiler& filer)
{
    TiScaleComponent::DefineProperties(filer);
    filer.DefineProperty(
        "KeyArrowStepSize_2", [this](TReader& r) { keyArrowStepSize_ = r.ReadFloat(); },
        [this](TWriter& w) { w.WriteFloat(keyArrowStepSize_); }, true);
    filer.DefineProperty(
        "KeyPageStepSize_2", [this](TReader& r) { keyPageStepSize_ = r.ReadFloat(); },
        [this](TWriter& w) { w.WriteFloat(keyPageStepSize_); }, true);
}

// --- Setters

void TiSlider::SetEndsMargin(int32_t Value)
{
    SetIntegerProperty(Value, endsMargin_, irtBackGround);
}

void TiSlider::SetPointerIndicatorInactiveColor(TColor Value)
{
    SetColorProperty(Value, inactiveColor_, irtBackGround);
}

void TiSlider::SetPointerIndicatorActiveColor(TColor Value)
{
    SetColorProperty(Value, activeColor_, irtBackGround);
}

void TiSlider::SetKeyPageStepSize(double Value)
{
    SetDoubleProperty(Value, keyPageStepSize_, irtInvalidate);
}

void TiSlider::SetKeyArrowStepSize(double Value)
{
    SetDoubleProperty(Value, keyArrowStepSize_, irtInvalidate);
}

void TiSlider::SetMouseWheelStepSize(double Value)
{
    SetDoubleProperty(Value, mouseWheelStepSize_, irtInvalidate);
}

void TiSlider::SetPointerHeight(int32_t Value)
{
    SetIntegerProperty(Value, pointerHeight_, irtBackGround);
}

void TiSlider::SetPointerWidth(int32_t Value)
{
    SetIntegerProperty(Value, pointerWidth_, irtBackGround);
}

void TiSlider::SetPointerStyle(TiSliderPointerStyle Value)
{
    if (Value == pointerStyle_) return;
    pointerStyle_ = Value;
    trackInset_ = pointerStyle_ == ispsLed ? 2 : 0;
    BackGroundChange();
}

void TiSlider::SetOrientationTickMarks(TiOrientationSide Value)
{
    if (Value == orientationTickMarks_) return;
    orientationTickMarks_ = Value;
    BackGroundChange();
}

void TiSlider::SetOrientation(TiOrientation Value)
{
    if (Value == orientation_) return;
    orientation_ = Value;
    // A stored layout already holds the turned size.
    if (!GetLoading()) SetBounds(Left(), Top(), Height(), Width());
    BackGroundChange();
}

void TiSlider::SetTrackColor(TColor Value)
{
    SetColorProperty(Value, trackColor_, irtBackGround);
}

void TiSlider::SetTrackStyle(TiSliderTrackStyle Value)
{
    if (Value == trackStyle_) return;
    trackStyle_ = Value;
    BackGroundChange();
}

void TiSlider::SetShowFocusRect(bool Value)
{
    SetBooleanProperty(Value, showFocusRect_, irtInvalidate);
}

void TiSlider::SetReverseScale(bool Value)
{
    SetBooleanProperty(Value, reverseScale_, irtBackGround);
}

void TiSlider::SetAutoCenter(bool Value)
{
    SetBooleanProperty(Value, autoCenter_, irtBackGround);
}

void TiSlider::SetPointerBitmap(const TBitmap* Value)
{
    if (Value)
        pointerBitmap_->Assign(Value);
    else
        pointerBitmap_->FreeImage();
    pointerBitmap_->SetTransparentMode(tmAuto);
    pointerBitmap_->SetTransparent(true);
    InvalidateChange();
}

void TiSlider::SetPointerFillEnabled(bool Value)
{
    SetBooleanProperty(Value, pointerFillEnabled_, irtBackGround);
}

void TiSlider::SetPointerFillColor(TColor Value)
{
    SetColorProperty(Value, pointerFillColor_, irtBackGround);
}

// --- Geometry

iwm::SliderMetrics TiSlider::Metrics() const
{
    iwm::SliderMetrics m;
    m.Width = Width();
    m.Height = Height();
    m.Vertical = orientation_ == ioVertical;
    m.TicksBottomRight = orientationTickMarks_ == iosBottomRight;
    m.LedPointer = pointerStyle_ == ispsLed;
    m.ReverseScale = reverseScale_;
    m.EndsMargin = endsMargin_;
    m.TrackInset = trackInset_;
    m.PointerHeight = pointerHeight_;
    m.PointerWidth = pointerWidth_;
    return m;
}

double TiSlider::GetPixelsToPosition(int32_t Pixel) const
{
    return iwm::SliderPixelsToPosition(Metrics(), Pixel, positionMin_, positionMax_);
}

int32_t TiSlider::GetPixelsMin()
{
    CalcPoints();
    return iwm::SliderScale(Metrics(), ToIRect(trackRect_)).PixelMin;
}

int32_t TiSlider::GetPixelsMax()
{
    CalcPoints();
    return iwm::SliderScale(Metrics(), ToIRect(trackRect_)).PixelMax;
}

void TiSlider::CalcPoints()
{
    const iwm::SliderMetrics m = Metrics();
    pointerOverhang_ = m.Overhang();
    const iwm::SliderRects r = iwm::SliderCalcPoints(m, ValuePercent(position_));
    trackRect_ = ToTRect(r.Track);
    pointerRect_ = ToTRect(r.Pointer);
    fillRect_ = ToTRect(r.Fill);
}

void TiSlider::CalcAutoCenterOffsets(TCanvas* Canvas)
{
    centerOffsetX_ = centerOffsetY_ = 0;
    if (!autoCenter_) return;
    const TiScaleObject& s = *Scale();
    int32_t extent = 0;
    if (s.ShowTickLabels) {
        char buffer[64];
        std::snprintf(buffer, sizeof buffer, ("%." + std::to_string(GetDecimalPoints()) + "f").c_str(),
                      positionMax_);
        Canvas->SetFont(s.TickLabelFont());
        const SIZE size = Canvas->TextExtent(Trim(buffer));
        extent = s.TickMargin + s.TickMajorLength + s.TickLabelMargin +
                 (orientation_ == ioVertical ? size.cx : size.cy);
    } else if (s.ShowTicksMajor) {
        extent = s.TickMargin + s.TickMajorLength;
    }
    const TRect& T = trackRect_;
    if (orientation_ == ioVertical)
        centerOffsetX_ = (Width() + T.Left - extent - T.Right - pointerOverhang_) / 2;
    else
        centerOffsetY_ = (Height() + T.Top - extent - T.Bottom - pointerOverhang_) / 2;
}

void TiSlider::PlaceRects(TCanvas* Canvas)
{
    CalcPoints();
    CalcAutoCenterOffsets(Canvas);
    const bool nearSide = orientationTickMarks_ == iosBottomRight;
    int dx = 0, dy = 0;
    if (orientation_ == ioVertical) {
        dx = GetOffsetX() + centerOffsetX_;
        if (!nearSide) dx = -dx;
    } else {
        dy = GetOffsetY() + centerOffsetY_;
        if (!nearSide) dy = -dy;
    }
    trackRect_ = Moved(trackRect_, dx, dy);
    pointerRect_ = Moved(pointerRect_, dx, dy);
    fillRect_ = Moved(fillRect_, dx, dy);
}

// --- Painting

void TiSlider::iPaintTo(TCanvas* Canvas)
{
    PlaceRects(Canvas);
    DrawBackGround(Canvas, GetBackGroundColor());
    DrawBar(Canvas);
    DrawTicks(Canvas);
    DrawIndicator(Canvas);
    if (showFocusRect_ && hasFocus_)
        iDrawFocusRect(Canvas, Rect(0, 0, Width(), Height()), GetBackGroundColor());
}

void TiSlider::DrawBar(TCanvas* Canvas)
{
    const TRect& T = trackRect_;
    const int I = trackInset_;
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Pen()->SetStyle(psSolid);
    auto polyline = [Canvas](std::initializer_list<TPoint> points) {
        Canvas->Polyline(std::vector<TPoint>(points));
    };
    const bool vertical = orientation_ == ioVertical;
    const int c = vertical ? (T.Left + T.Right) / 2 : (T.Top + T.Bottom) / 2;
    auto along = [&](int at) {
        if (vertical)
            Line(Canvas, at, T.Top + I, at, T.Bottom - I);
        else
            Line(Canvas, T.Left + I, at, T.Right - I, at);
    };
    switch (trackStyle_) {
    case istsBox: {
        const bool greyed = !GetEnabled() && GetShowDisabledState();
        Canvas->Brush()->SetColor(greyed ? GetBackGroundColor() : trackColor_);
        Canvas->FillRect(T);
        Canvas->Pen()->SetColor(clBtnShadow);
        polyline({{T.Right, T.Top}, {T.Left, T.Top}, {T.Left, T.Bottom}});
        // On a white background the inner shadow would vanish.
        if (GetBackGroundColor() == static_cast<TColor>(0xFFFFFF)) Canvas->Pen()->SetColor(clBlack);
        polyline({{T.Right - 1, T.Top + 1}, {T.Left + 1, T.Top + 1}, {T.Left + 1, T.Bottom - 1}});
        Canvas->Pen()->SetColor(clBtnHighlight);
        polyline({{T.Right - 1, T.Top}, {T.Right - 1, T.Bottom - 1}, {T.Left, T.Bottom - 1}});
        Canvas->Pen()->SetColor(clSilver);
        polyline({{T.Right - 2, T.Top + 2}, {T.Right - 2, T.Bottom - 2}, {T.Left, T.Bottom - 2}});
        break;
    }
    case istsLine:
        Canvas->Pen()->SetColor(trackColor_);
        along(c);
        break;
    case istsBevelLowered:
    case istsBevelRasied: {
        const bool lowered = trackStyle_ == istsBevelLowered;
        Canvas->Pen()->SetColor(lowered ? clBtnShadow : clBtnHighlight);
        along(c - 2);
        along(c - 1);
        Canvas->Pen()->SetColor(lowered ? clBtnHighlight : clBtnShadow);
        along(c);
        along(c + 1);
        break;
    }
    }
}

void TiSlider::DrawTicks(TCanvas* Canvas)
{
    TiScaleObject& s = *Scale();
    const iwm::SliderScaleLine line = iwm::SliderScale(Metrics(), ToIRect(trackRect_));
    s.Max = positionMax_;
    s.Min = positionMin_;
    s.Orientation = orientation_;
    s.OrientationTickMarks = orientationTickMarks_;
    s.ReverseScale = reverseScale_;
    s.PixelMin = line.PixelMin;
    s.PixelMax = line.PixelMax;
    s.Base = line.Base;
    s.Draw(Canvas, GetShowDisabledState() ? GetEnabled() : true, GetBackGroundColor());
}

TColor TiSlider::IndicatorColor() const
{
    const bool active = dragging_ || (pointerStyle_ == ispsLed && keyDown_);
    return active ? activeColor_ : inactiveColor_;
}

void TiSlider::DrawIndicator(TCanvas* Canvas)
{
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Pen()->SetStyle(psSolid);
    if (pointerFillEnabled_) {
        Canvas->Pen()->SetColor(pointerFillColor_);
        Canvas->Brush()->SetColor(pointerFillColor_);
        Canvas->Rectangle(fillRect_);
    }
    const TRect& P = pointerRect_;
    const TColor indicator = IndicatorColor();
    const bool vertical = orientation_ == ioVertical;
    const bool nearSide = orientationTickMarks_ == iosBottomRight;
    const int h = (P.Bottom - P.Top) / 2, v = (P.Right - P.Left) / 2;
    const int cx = (P.Left + P.Right) / 2, cy = (P.Top + P.Bottom) / 2;
    auto pen = [Canvas](TColor c) { Canvas->Pen()->SetColor(c); };
    auto polyline = [Canvas](std::initializer_list<TPoint> points) {
        Canvas->Polyline(std::vector<TPoint>(points));
    };
    auto barEdges = [&] {
        pen(clWhite);
        polyline({{P.Left, P.Bottom}, {P.Left, P.Top}, {P.Right, P.Top}});
        pen(clBlack);
        polyline({{P.Right, P.Top}, {P.Right, P.Bottom}, {P.Left, P.Bottom}});
    };
    switch (pointerStyle_) {
    case ispsLed: {
        pen(clBtnFace);
        Canvas->Brush()->SetColor(clBtnFace);
        Canvas->Rectangle(P);
        const TRect L(P.Left + 1, P.Top + 1, P.Right - 2, P.Bottom - 2);
        pen(indicator);
        Canvas->Brush()->SetColor(indicator);
        Canvas->Rectangle(L);
        pen(clGray);
        polyline({{L.Left, L.Bottom}, {L.Left, L.Top}, {L.Right, L.Top}});
        pen(clWhite);
        Line(Canvas, L.Left + 2, L.Top + 2, L.Left + 4, L.Top + 2);
        break;
    }
    case ispsPointer: {
        pen(clBlack);
        Canvas->Brush()->SetColor(dragging_ ? clBtnHighlight : clBtnFace);
        TPoint p[5];
        if (vertical && nearSide)
            p[0] = {P.Left, P.Top}, p[1] = {P.Right - h, P.Top}, p[2] = {P.Right, cy},
            p[3] = {P.Right - h, P.Bottom}, p[4] = {P.Left, P.Bottom};
        else if (vertical)
            p[0] = {P.Right, P.Top}, p[1] = {P.Left + h, P.Top}, p[2] = {P.Left, cy},
            p[3] = {P.Left + h, P.Bottom}, p[4] = {P.Right, P.Bottom};
        else if (nearSide)
            p[0] = {P.Left, P.Top}, p[1] = {P.Left, P.Bottom - v}, p[2] = {cx, P.Bottom},
            p[3] = {P.Right, P.Bottom - v}, p[4] = {P.Right, P.Top};
        else
            p[0] = {P.Left, P.Bottom}, p[1] = {P.Left, P.Top + v}, p[2] = {cx, P.Top},
            p[3] = {P.Right, P.Top + v}, p[4] = {P.Right, P.Bottom};
        Canvas->Polygon(p, 5);
        pen(clWhite);
        if (nearSide)
            polyline({p[4], p[0], p[1], p[2]});
        else
            polyline({p[0], p[1], p[2]});
        break;
    }
    case ispsBar:
    case ispsLightBar:
        pen(clBtnFace);
        Canvas->Brush()->SetColor(pointerStyle_ == ispsBar && dragging_ ? clBtnHighlight : clBtnFace);
        Canvas->Rectangle(P);
        barEdges();
        if (pointerStyle_ == ispsLightBar) {
            const TColor colors[3] = {clBlack, indicator, clWhite};
            for (int i = 0; i < 3; ++i) {
                pen(colors[i]);
                if (vertical)
                    Line(Canvas, P.Left + 1, cy - 1 + i, P.Right - 1, cy - 1 + i);
                else
                    Line(Canvas, cx - 1 + i, P.Top + 1, cx - 1 + i, P.Bottom - 1);
            }
        }
        break;
    case ispsBarColor:
        pen(indicator);
        Canvas->Brush()->SetColor(indicator);
        Canvas->Rectangle(P);
        barEdges();
        break;
    case ispsBitmap:
        if (!pointerBitmap_->Empty())
            Canvas->Draw(cx - pointerBitmap_->GetWidth() / 2, cy - pointerBitmap_->GetHeight() / 2,
                         pointerBitmap_.get());
        break;
    }
}

// --- Mouse

void TiSlider::iMouseDown(TMouseButton Button, TShiftState, int X, int Y)
{
    if (Button != mbLeft) return;
    pendingFinish_ = false;
    if (HandleAllocated() && CanFocus() && !Focused()) SetFocus();
    userChange_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{userChange_};
    PlaceRects(Canvas());
    auto startDrag = [&] {
        dragging_ = true;
        dragStartX_ = X;
        dragStartY_ = Y;
        dragStartPosition_ = position_;
    };
    const bool vertical = orientation_ == ioVertical;
    const TRect& P = pointerRect_;
    switch (mouseControlStyle_) {
    case ismcsSlideOnly:
        startDrag();
        break;
    case ismcsSlidePage: {
        const bool across = vertical ? (X >= P.Left && X <= P.Right) : (Y >= P.Top && Y <= P.Bottom);
        if (!across) return; // beside the track: only the focus was taken
        // "Beyond" the pointer raises: above it on a vertical slider, right of it on a horizontal one.
        int dir = 0;
        if (vertical)
            dir = Y < P.Top ? 1 : (Y > P.Bottom ? -1 : 0);
        else
            dir = X < P.Left ? -1 : (X > P.Right ? 1 : 0);
        if (reverseScale_) dir = -dir;
        if (dir != 0)
            SetPosition(position_ + dir * keyPageStepSize_);
        else
            startDrag();
        break;
    }
    case ismcsGoto:
        SetPosition(GetPixelsToPosition(vertical ? Y : X));
        startDrag();
        break;
    }
    userChange_ = false;
    InvalidateChange();
}

void TiSlider::iMouseMove(TShiftState, int X, int Y)
{
    if (!dragging_) return;
    userChange_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{userChange_};
    const bool vertical = orientation_ == ioVertical;
    if (mouseControlStyle_ == ismcsSlideOnly) {
        const int32_t range = GetTravelRange();
        const double span = positionMax_ - positionMin_;
        if (range <= 0) {
            // No travel to map onto: the side of the press decides.
            SetPosition(X > dragStartX_ ? positionMax_ : positionMin_);
        } else if (vertical) {
            const double d = static_cast<double>(dragStartY_ - Y) / range * span;
            SetPosition(reverseScale_ ? dragStartPosition_ - d : dragStartPosition_ + d);
        } else {
            const double d = static_cast<double>(dragStartX_ - X) / range * span;
            SetPosition(reverseScale_ ? dragStartPosition_ + d : dragStartPosition_ - d);
        }
    } else {
        SetPosition(GetPixelsToPosition(vertical ? Y : X));
    }
    userChange_ = false;
    InvalidateChange();
}

void TiSlider::iMouseUp(TMouseButton, TShiftState, int, int)
{
    InvalidateChange();
    if (dragging_) {
        dragging_ = false;
        DoPositionChangeFinished();
    }
}

// --- Keyboard and wheel

void TiSlider::iWantSpecialKey(WORD& CharCode, LRESULT& Result)
{
    switch (CharCode) {
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN:
        Result = 1;
        break;
    }
}

void TiSlider::iKeyDown(WORD& Key, TShiftState)
{
    keyDown_ = true;
    userChange_ = true;
    struct Clear {
        bool& flag;
        ~Clear() { flag = false; }
    } clear{userChange_};
    switch (Key) {
    case VK_LEFT:
    case VK_DOWN:
        SetPosition(position_ - keyArrowStepSize_);
        break;
    case VK_RIGHT:
    case VK_UP:
        SetPosition(position_ + keyArrowStepSize_);
        break;
    case VK_PRIOR:
        SetPosition(position_ + keyPageStepSize_);
        break;
    case VK_NEXT:
        SetPosition(position_ - keyPageStepSize_);
        break;
    case VK_HOME:
        SetPosition(positionMin_);
        break;
    case VK_END:
        SetPosition(positionMax_);
        break;
    default:
        return;
    }
    Key = 0;
}

void TiSlider::iKeyUp(WORD&, TShiftState)
{
    InvalidateChange();
    if (keyDown_) {
        keyDown_ = false;
        if (pendingFinish_) DoPositionChangeFinished();
    }
}

bool TiSlider::iMouseWheel(int WheelDelta, TShiftState Shift, TPoint MousePos)
{
    const bool result = TiScaleComponent::iMouseWheel(WheelDelta, Shift, MousePos);
    const double now = iNow();
    if (now - lastWheelTime_ >= kWheelGapDays) {
        lastWheelTime_ = now;
        userChange_ = true;
        struct Clear {
            bool& flag;
            ~Clear() { flag = false; }
        } clear{userChange_};
        const int sign = WheelDelta > 0 ? 1 : (WheelDelta < 0 ? -1 : 0);
        SetPosition(position_ + sign * mouseWheelStepSize_);
        userChange_ = false;
        DoPositionChangeFinished();
    }
    return result;
}

void TiSlider::iDoKillFocus()
{
    TiScaleComponent::iDoKillFocus();
    dragging_ = false;
    keyDown_ = false;
}

void TiSlider::DoOPCPositionChangeFinished()
{
    OPCOutputData("Position", GetPosition());
}
