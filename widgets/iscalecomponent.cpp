#include "widgets/iscalecomponent.h"

#include <algorithm>
#include <cstdio>

#include "runtime/sysutils.h"

// ---------------------------------------------------------------------------
// TiScaleObject

const TClassInfo& TiScaleObject::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiScaleObject>();
    return info;
}

TiScaleObject::TiScaleObject() : font_(std::make_unique<TFont>())
{
    font_->OnChange = [this](TObject*) { Changed(); };
}

TiScaleObject::~TiScaleObject() = default;

void TiScaleObject::SetTickMajorCount(int32_t Value)
{
    Set(TickMajorCount, std::clamp(Value, 2, 100));
}

void TiScaleObject::SetTickMinorCount(int32_t Value)
{
    Set(TickMinorCount, std::clamp(Value, 1, 100));
}

void TiScaleObject::SetTickMajorLength(int32_t Value)
{
    Set(TickMajorLength, std::max(Value, 1));
}

void TiScaleObject::SetTickMinorLength(int32_t Value)
{
    Set(TickMinorLength, std::max(Value, 1));
}

void TiScaleObject::SetTickLabelPrecision(int32_t Value)
{
    Set(TickLabelPrecision, std::max(Value, 0));
}

int32_t TiScaleObject::GetDecimalPoints() const
{
    return iwm::DecimalPoints(PrecisionStyle == ipsSignificantDigits, TickLabelPrecision, Max, Min);
}

int32_t TiScaleObject::ValueToPixel(double v) const
{
    return iwm::ScalePixel(v, Min, Max, PixelMin, PixelMax, ReverseScale);
}

std::string TiScaleObject::TickLabel(int Index, double v)
{
    const std::string format = "%." + std::to_string(GetDecimalPoints()) + "f";
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format.c_str(), v);
    std::string text = Trim(buffer);
    if (OnCustomizeTickLabel) OnCustomizeTickLabel(Owner, Index, text);
    return text;
}

// A tick across the scale at pixel p, from `from` outwards by `length`.
void TiScaleObject::TickAcross(TCanvas* Canvas, int32_t p, int32_t from, int32_t length, TiBevelStyle style)
{
    const int32_t s = OrientationTickMarks == iosBottomRight ? 1 : -1;
    if (Orientation == ioVertical)
        LineBevel(Canvas, from, p, from + s * length, p, style);
    else
        LineBevel(Canvas, p, from, p, from + s * length, style);
}

void TiScaleObject::Draw(TCanvas* Canvas, bool Enabled, TColor BackGroundColor)
{
    const int32_t s = OrientationTickMarks == iosBottomRight ? 1 : -1;
    const int32_t m = Base + s * TickMargin;
    int32_t minorStart = m;
    if (TickMinorAlignment == itmnaCenter)
        minorStart = Base + s * (TickMargin + TickMajorLength / 2 - TickMinorLength / 2);
    else if (TickMinorAlignment == itmnaOutside)
        minorStart = Base + s * (TickMargin + TickMajorLength - TickMinorLength);
    const int32_t labelLine = m + s * (TickMajorLength + TickLabelMargin);

    Canvas->Brush()->SetStyle(bsClear);
    Canvas->SetFont(font_.get());
    const TiBevelStyle majorStyle = Enabled ? TickMajorStyle : ibsLowered;
    const TiBevelStyle minorStyle = Enabled ? TickMinorStyle : ibsLowered;
    const bool fixed = FixedTicks && TickStep > 0;
    const double first = fixed ? FirstTick : Min;
    const double majorStep = fixed ? TickStep : (Max - Min) / (TickMajorCount - 1);
    const double minorStep = majorStep / (TickMinorCount + 1);
    auto inRange = [&](double v) { return v >= std::min(Min, Max) - 1e-9 && v <= std::max(Min, Max) + 1e-9; };
    auto minorTick = [&](double v) {
        Canvas->Pen()->SetColor(TickMinorColor);
        TickAcross(Canvas, ValueToPixel(v), minorStart, TickMinorLength, minorStyle);
    };

    const bool minors = ShowTicksMinor && ShowTicksMajor;
    if (fixed && minors) {
        // Minor ticks also fill the gap between the bounds and the first tick.
        for (double v = first - minorStep; inRange(v); v -= minorStep)
            minorTick(v);
    }
    for (int i = 0; i < TickMajorCount; ++i) {
        const double v = first + i * majorStep;
        const int32_t p = ValueToPixel(v);
        const bool last = i == TickMajorCount - 1;
        if (ShowTicksMajor && (ShowTicksMajorFirstLast || (i != 0 && !last))) {
            Canvas->Pen()->SetColor(TickMajorColor);
            TickAcross(Canvas, p, m, TickMajorLength, majorStyle);
        }
        if (ShowTickLabels) {
            const std::string text = TickLabel(i, v);
            const SIZE size = Canvas->TextExtent(text);
            TRect r = Orientation == ioVertical
                          ? GetCenterPointRect(labelLine + s * (size.cx / 2), p, size.cx, size.cy)
                          : GetCenterPointRect(p, labelLine + s * (size.cy / 2), size.cx, size.cy);
            iDrawText(Canvas, text, r, {itfHCenter, itfVCenter, itfSingleLine}, Enabled, BackGroundColor);
        }
        if (minors && !last) {
            for (int j = 1; j <= TickMinorCount; ++j)
                minorTick(v + j * minorStep);
        } else if (minors && last && fixed) {
            for (double w = v + minorStep; inRange(w); w += minorStep)
                minorTick(w);
        }
    }
}

// ---------------------------------------------------------------------------
// TiScaleComponent

const TClassInfo& TiScaleComponent::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiScaleComponent>();
    return info;
}

TiScaleComponent::TiScaleComponent(TComponent* AOwner)
    : TiPositionComponent(AOwner), scale_(std::make_unique<TiScaleObject>())
{
    scale_->Owner = this;
    scale_->OnChange = [this] { BackGroundChange(); };
    scale_->OnCustomizeTickLabel = [this](TObject* Sender, int Index, std::string& Text) {
        if (OnCustomizeTickLabel) OnCustomizeTickLabel(Sender, Index, Text);
    };
}

TiScaleComponent::~TiScaleComponent() = default;

int32_t TiScaleComponent::GetDecimalPoints()
{
    return iwm::DecimalPoints(scale_->PrecisionStyle == ipsSignificantDigits, scale_->TickLabelPrecision,
                              positionMax_, positionMin_);
}

void TiScaleComponent::Loaded()
{
    TiPositionComponent::Loaded();
    DoAutoScale();
}

void TiScaleComponent::SetPositionMin(double Value)
{
    if (autoScaleEnabled_ && !GetLoading()) {
        if (Value == positionMin_) return;
        positionMin_ = Value;
        DoAutoScale();
        return;
    }
    TiPositionComponent::SetPositionMin(Value);
}

void TiScaleComponent::SetPositionMax(double Value)
{
    if (autoScaleEnabled_ && !GetLoading()) {
        if (Value == positionMax_) return;
        positionMax_ = Value;
        DoAutoScale();
        return;
    }
    TiPositionComponent::SetPositionMax(Value);
}

void TiScaleComponent::DoAutoScale()
{
    scale_->FixedTicks = false;
    if (!autoScaleEnabled_ || GetLoading()) {
        BackGroundChange();
        return;
    }
    const bool fixed = autoScaleStyle_ == iassFixedMinMax;
    const iwm::AutoScaleResult r =
        iwm::AutoScale(positionMin_, positionMax_, autoScaleDesiredTicks_, autoScaleMaxTicks_, fixed);
    autoScaleMin_ = r.Min;
    autoScaleMax_ = r.Max;
    autoScaleFirstTick_ = r.FirstTick;
    autoScaleStep_ = r.Step;
    scale_->FixedTicks = fixed;
    scale_->FirstTick = r.FirstTick;
    scale_->TickStep = r.Step;
    scale_->SetTickMajorCount(r.TickCount);
    // The caller may have stored a raw bound already: clamp in any case.
    positionMin_ = r.Min;
    positionMax_ = r.Max;
    LimitExtremesToBounds();
    DoPointerBounds();
    BackGroundChange();
}

void TiScaleComponent::SetAutoScaleEnabled(bool Value)
{
    if (Value == autoScaleEnabled_) return;
    autoScaleEnabled_ = Value;
    DoAutoScale();
}

void TiScaleComponent::SetAutoScaleDesiredTicks(int32_t Value)
{
    if (Value < 2 || Value == autoScaleDesiredTicks_) return;
    autoScaleDesiredTicks_ = Value;
    DoAutoScale();
}

void TiScaleComponent::SetAutoScaleMaxTicks(int32_t Value)
{
    if (Value < 2 || Value == autoScaleMaxTicks_) return;
    autoScaleMaxTicks_ = Value;
    DoAutoScale();
}

void TiScaleComponent::SetAutoScaleStyle(TiAutoScaleStyle Value)
{
    if (Value == autoScaleStyle_) return;
    autoScaleStyle_ = Value;
    DoAutoScale();
}
