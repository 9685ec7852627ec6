#include "widgets/ipositioncomponent.h"

#include "components/layoutreader.h"
#include "components/layoutwriter.h"

const TClassInfo& TiGaugePointer::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiGaugePointer>();
    return info;
}

const TClassInfo& TiPositionComponent::StaticClass()
{
    static const TClassInfo& info = PublishClass<TiPositionComponent>();
    return info;
}

TiPositionComponent::TiPositionComponent(TComponent* AOwner)
    : TiCustomComponent(AOwner), minPointer_(std::make_unique<TiGaugePointer>()),
      maxPointer_(std::make_unique<TiGaugePointer>())
{
    maxPointer_->Color = clAqua;
}

TiPositionComponent::~TiPositionComponent() = default;

void TiPositionComponent::DefineProperties(TFiler& filer)
{
    TiCustomComponent::DefineProperties(filer);
    filer.DefineProperty(
        "PositionMax_2", [this](TReader& r) { positionMax_ = r.ReadFloat(); },
        [this](TWriter& w) { w.WriteFloat(positionMax_); }, true);
}

// --- Position

void TiPositionComponent::SetPosition(double Value)
{
    if (GetLoading()) {
        position_ = Value;
        return;
    }
    double x = Value;
    if (x > positionMax_) x = positionMax_;
    if (x < positionMin_) x = positionMin_;
    if (x == position_) return;
    if (!AllowPropertyChange("Position")) return;
    position_ = x;
    pendingFinish_ = true;
    UpdateExtremes(x);
    InvalidateChange();
    DoPositionChange();
}

void TiPositionComponent::SetPositionNoEvent(double Value)
{
    TNotifyEvent saved = std::move(OnPositionChange);
    OnPositionChange = nullptr;
    try {
        SetPosition(Value);
    } catch (...) {
        OnPositionChange = std::move(saved);
        throw;
    }
    OnPositionChange = std::move(saved);
}

void TiPositionComponent::UpdateExtremes(double x)
{
    if (minMaxFixed_ || GetIsDesigning()) return;
    if (GetCurrentMax() < x) {
        SetCurrentMax(x);
        DoPositionOverMax();
    }
    if (x < GetCurrentMin()) {
        SetCurrentMin(x);
        DoPositionUnderMin();
    }
    // Band events repeat on every change while the position stays outside.
    for (size_t i = 0; i < limits_.size(); ++i) {
        if (x > limits_[i]->UpperValue) DoPositionOverLimit(static_cast<int>(i));
        if (x < limits_[i]->LowerValue) DoPositionUnderLimit(static_cast<int>(i));
    }
}

void TiPositionComponent::SetPositionMin(double Value)
{
    if (Value != positionMin_) SetPositionMinMax(Value, positionMax_);
}

void TiPositionComponent::SetPositionMax(double Value)
{
    if (Value != positionMax_) SetPositionMinMax(positionMin_, Value);
}

void TiPositionComponent::SetPositionMinMax(double Min, double Max)
{
    if (Min == positionMin_ && Max == positionMax_) return;
    positionMin_ = Min;
    positionMax_ = Max;
    LimitExtremesToBounds();
    DoPointerBounds();
    BackGroundChange();
}

void TiPositionComponent::LimitExtremesToBounds()
{
    if (GetLoading() || minMaxFixed_) return;
    if (GetCurrentMin() < positionMin_) SetCurrentMin(positionMin_);
    if (GetCurrentMax() > positionMax_) SetCurrentMax(positionMax_);
}

void TiPositionComponent::DoPointerBounds()
{
    if (GetLoading()) return;
    if (position_ < positionMin_) SetPosition(positionMin_);
    if (position_ > positionMax_) SetPosition(positionMax_);
}

double TiPositionComponent::ValuePercent(double x) const
{
    if (x > positionMax_) return 1;
    if (x >= positionMin_ && positionMax_ != positionMin_)
        return (x - positionMin_) / (positionMax_ - positionMin_);
    return 0;
}

void TiPositionComponent::SetPositionPercent(double p)
{
    SetPosition(positionMin_ + (positionMax_ - positionMin_) * p);
}

// --- Extremes

void TiPositionComponent::SetCurrentMin(double Value)
{
    double x = Value;
    if (!GetLoading()) {
        if (x < positionMin_) x = positionMin_;
        if (x > positionMax_) x = positionMax_;
    }
    if (x == minPointer_->Position) return;
    minPointer_->Position = x;
    if (showMinPointer_) InvalidateChange();
    DoCurrentMinChange();
    if (!GetLoading() && GetCurrentMin() > position_) DoPositionUnderMin();
}

void TiPositionComponent::SetCurrentMax(double Value)
{
    double x = Value;
    if (!GetLoading()) {
        if (x < positionMin_) x = positionMin_;
        if (x > positionMax_) x = positionMax_;
    }
    if (x == maxPointer_->Position) return;
    maxPointer_->Position = x;
    if (showMaxPointer_) InvalidateChange();
    DoCurrentMaxChange();
    if (!GetLoading() && GetCurrentMax() < position_) DoPositionOverMax();
}

void TiPositionComponent::ResetMinMax()
{
    SetCurrentMax(position_);
    SetCurrentMin(position_);
}

void TiPositionComponent::SetShowMaxPointer(bool Value)
{
    SetBooleanProperty(Value, showMaxPointer_, irtBackGround);
}

void TiPositionComponent::SetShowMinPointer(bool Value)
{
    SetBooleanProperty(Value, showMinPointer_, irtBackGround);
}

void TiPositionComponent::SetMinMaxPointerMargin(int32_t Value)
{
    SetIntegerProperty(Value, minMaxPointerMargin_, irtBackGround);
}

void TiPositionComponent::SetMinMaxPointerSize(int32_t Value)
{
    SetIntegerProperty(Value, minMaxPointerSize_, irtBackGround);
}

void TiPositionComponent::SetMinPointerColor(TColor Value)
{
    SetColorProperty(Value, minPointerColor_, irtBackGround);
}

void TiPositionComponent::SetMaxPointerColor(TColor Value)
{
    SetColorProperty(Value, maxPointerColor_, irtBackGround);
}

void TiPositionComponent::SetMinMaxStyle3D(bool Value)
{
    minPointer_->Style3D = Value;
    maxPointer_->Style3D = Value;
    BackGroundChange();
}

// --- Limits

void TiPositionComponent::AddLimit(int32_t PointerSize, int32_t PointerMargin, bool DrawScaleSide,
                                   double UpperValue, double LowerValue, TColor UpperPointerColor,
                                   TColor LowerPointerColor)
{
    auto limit = std::make_unique<TiLimitObject>();
    limit->PointerSize = PointerSize;
    limit->PointerMargin = PointerMargin;
    limit->DrawScaleSide = DrawScaleSide;
    limit->UpperValue = UpperValue;
    limit->LowerValue = LowerValue;
    limit->UpperPointerColor = UpperPointerColor;
    limit->LowerPointerColor = LowerPointerColor;
    limits_.push_back(std::move(limit));
    BackGroundChange();
}

TiLimitObject* TiPositionComponent::GetLimitObject(int Index) const
{
    if (Index < 0 || Index >= GetLimitCount()) throw Exception("Limit Index out of bounds");
    return limits_[static_cast<size_t>(Index)].get();
}

void TiPositionComponent::RemoveLimit(int Index)
{
    GetLimitObject(Index);
    limits_.erase(limits_.begin() + Index);
    BackGroundChange();
}

void TiPositionComponent::RemoveAllLimits()
{
    limits_.clear();
    BackGroundChange();
}

#define ORVANE_LIMIT_SETTER(Name, Type, Field)                                                               \
    void TiPositionComponent::SetLimit##Name(int Index, Type Value)                                          \
    {                                                                                                        \
        GetLimitObject(Index)->Field = Value;                                                                \
        BackGroundChange();                                                                                  \
    }
ORVANE_LIMIT_SETTER(UpperValue, double, UpperValue)
ORVANE_LIMIT_SETTER(LowerValue, double, LowerValue)
ORVANE_LIMIT_SETTER(PointerMargin, int32_t, PointerMargin)
ORVANE_LIMIT_SETTER(PointerSize, int32_t, PointerSize)
ORVANE_LIMIT_SETTER(UpperPointerColor, TColor, UpperPointerColor)
ORVANE_LIMIT_SETTER(LowerPointerColor, TColor, LowerPointerColor)
ORVANE_LIMIT_SETTER(ShowUpperPointer, bool, ShowUpperPointer)
ORVANE_LIMIT_SETTER(ShowLowerPointer, bool, ShowLowerPointer)
ORVANE_LIMIT_SETTER(DrawScaleSide, bool, DrawScaleSide)
#undef ORVANE_LIMIT_SETTER

// --- Events: silent while a layout is read.

void TiPositionComponent::DoOPCPositionChangeFinished() {}

void TiPositionComponent::DoPositionChange()
{
    if (GetLoading()) return;
    if (!userChange_) DoOPCPositionChangeFinished();
    NotifyPropertyChange("Position");
    if (OnPositionChange) OnPositionChange(this);
    if (userChange_ && OnPositionChangeUser) OnPositionChangeUser(this);
}

void TiPositionComponent::DoPositionChangeFinished()
{
    if (GetLoading() || !pendingFinish_) return;
    pendingFinish_ = false;
    DoOPCPositionChangeFinished();
    if (OnPositionChangeFinished) OnPositionChangeFinished(this);
}

void TiPositionComponent::DoCurrentMinChange()
{
    if (!GetLoading() && OnCurrentMinChange) OnCurrentMinChange(this);
}

void TiPositionComponent::DoCurrentMaxChange()
{
    if (!GetLoading() && OnCurrentMaxChange) OnCurrentMaxChange(this);
}

void TiPositionComponent::DoPositionOverMax()
{
    if (!GetLoading() && OnPositionOverMax) OnPositionOverMax(this);
}

void TiPositionComponent::DoPositionUnderMin()
{
    if (!GetLoading() && OnPositionUnderMin) OnPositionUnderMin(this);
}

void TiPositionComponent::DoPositionOverLimit(int Index)
{
    if (!GetLoading() && OnPositionOverLimit) OnPositionOverLimit(this, Index);
}

void TiPositionComponent::DoPositionUnderLimit(int Index)
{
    if (!GetLoading() && OnPositionUnderLimit) OnPositionUnderLimit(this, Index);
}
