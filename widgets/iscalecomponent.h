// TiScaleComponent: a position widget with a tick scale and labels. The
// scale object draws the ticks; the concrete widget tells it the range, the
// orientation and where on the control the scale lies before each drawing.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "widgets/ipositioncomponent.h"

ORVANE_ENUM(TiTickMinorAlignment, itmnaInside, itmnaCenter, itmnaOutside)
ORVANE_ENUM(TiPrecisionStyle, ipsSignificantDigits, ipsFixedDecimalPoints)
ORVANE_ENUM(TiAutoScaleStyle, iassAutoMinMax, iassFixedMinMax)
ORVANE_EVENT(TOnCustomizeTickLabel, void(TObject* Sender, int Index, std::string& Text));

class TiScaleObject : public TPersistent {
    ORVANE_CLASS(TiScaleObject, TPersistent)
    TiScaleObject();
    ~TiScaleObject() override;

    // Told after every property change.
    std::function<void()> OnChange;
    // Sender of OnCustomizeTickLabel.
    TObject* Owner = nullptr;
    TOnCustomizeTickLabel OnCustomizeTickLabel;

    bool ShowTicksAxis = true;
    bool ShowTicksMajor = true;
    bool ShowTicksMinor = true;
    bool ShowTickLabels = true;
    bool ShowTicksMajorFirstLast = true;
    int32_t TickMajorCount = 5;
    TColor TickMajorColor = clBlack;
    int32_t TickMajorLength = 7;
    TiBevelStyle TickMajorStyle = ibsNone;
    int32_t TickMinorCount = 4;
    TColor TickMinorColor = clBlack;
    int32_t TickMinorLength = 3;
    TiBevelStyle TickMinorStyle = ibsNone;
    TiTickMinorAlignment TickMinorAlignment = itmnaInside;
    int32_t TickMargin = 5;
    int32_t TickLabelMargin = 5;
    int32_t TickLabelPrecision = 0;
    TiPrecisionStyle PrecisionStyle = ipsFixedDecimalPoints;
    TFont* TickLabelFont() const { return font_.get(); }

    // Setters with the clamping rules; each tells OnChange on a real change.
    void SetTickMajorCount(int32_t Value);
    void SetTickMinorCount(int32_t Value);
    void SetTickMajorLength(int32_t Value);
    void SetTickMinorLength(int32_t Value);
    void SetTickLabelPrecision(int32_t Value);
    template <class V> void Set(V& field, V value)
    {
        if (field == value) return;
        field = value;
        Changed();
    }
    void Changed()
    {
        if (OnChange) OnChange();
    }

    // Loaded by the widget before each drawing.
    double Max = 100, Min = 0;
    TiOrientation Orientation = ioVertical;
    TiOrientationSide OrientationTickMarks = iosBottomRight;
    bool ReverseScale = false;
    int32_t PixelMin = 0, PixelMax = 0, Base = 0;
    // Fixed-bounds automatic scaling: ticks start here, this far apart.
    bool FixedTicks = false;
    double FirstTick = 0, TickStep = 0;

    int32_t GetDecimalPoints() const;
    int32_t ValueToPixel(double v) const;
    std::string TickLabel(int Index, double v);
    void Draw(TCanvas* Canvas, bool Enabled, TColor BackGroundColor);

private:
    void TickAcross(TCanvas* Canvas, int32_t p, int32_t from, int32_t length, TiBevelStyle style);
    std::unique_ptr<TFont> font_;
};

class TiScaleComponent : public TiPositionComponent {
    ORVANE_CLASS(TiScaleComponent, TiPositionComponent)
    explicit TiScaleComponent(TComponent* AOwner);
    ~TiScaleComponent() override;

    TiScaleObject* Scale() const { return scale_.get(); }
    virtual int32_t GetDecimalPoints();

    void Loaded() override;
    void SetPositionMin(double Value) override;
    void SetPositionMax(double Value) override;

    bool GetAutoScaleEnabled() const { return autoScaleEnabled_; }
    void SetAutoScaleEnabled(bool Value);
    int32_t GetAutoScaleDesiredTicks() const { return autoScaleDesiredTicks_; }
    void SetAutoScaleDesiredTicks(int32_t Value);
    int32_t GetAutoScaleMaxTicks() const { return autoScaleMaxTicks_; }
    void SetAutoScaleMaxTicks(int32_t Value);
    TiAutoScaleStyle GetAutoScaleStyle() const { return autoScaleStyle_; }
    void SetAutoScaleStyle(TiAutoScaleStyle Value);
    // What automatic scaling produced.
    double GetAutoScaleMin() const { return autoScaleMin_; }
    double GetAutoScaleMax() const { return autoScaleMax_; }
    double GetAutoScaleFirstTick() const { return autoScaleFirstTick_; }
    double GetAutoScaleStep() const { return autoScaleStep_; }

    // Tick properties, forwarded to the scale object.
#define ORVANE_SCALE_PROP(Type, Name)                                                                        \
    Type Get##Name() const                                                                                   \
    {                                                                                                        \
        return scale_->Name;                                                                                 \
    }                                                                                                        \
    void Set##Name(Type Value)                                                                               \
    {                                                                                                        \
        scale_->Set(scale_->Name, Value);                                                                    \
    }
    ORVANE_SCALE_PROP(bool, ShowTicksAxis)
    ORVANE_SCALE_PROP(bool, ShowTicksMajor)
    ORVANE_SCALE_PROP(bool, ShowTicksMinor)
    ORVANE_SCALE_PROP(bool, ShowTickLabels)
    ORVANE_SCALE_PROP(bool, ShowTicksMajorFirstLast)
    ORVANE_SCALE_PROP(TColor, TickMajorColor)
    ORVANE_SCALE_PROP(TiBevelStyle, TickMajorStyle)
    ORVANE_SCALE_PROP(TColor, TickMinorColor)
    ORVANE_SCALE_PROP(TiBevelStyle, TickMinorStyle)
    ORVANE_SCALE_PROP(TiTickMinorAlignment, TickMinorAlignment)
    ORVANE_SCALE_PROP(int32_t, TickMargin)
    ORVANE_SCALE_PROP(int32_t, TickLabelMargin)
    ORVANE_SCALE_PROP(TiPrecisionStyle, PrecisionStyle)
#undef ORVANE_SCALE_PROP
    int32_t GetTickMajorCount() const
    {
        return scale_->TickMajorCount;
    }
    void SetTickMajorCount(int32_t Value)
    {
        scale_->SetTickMajorCount(Value);
    }
    int32_t GetTickMinorCount() const
    {
        return scale_->TickMinorCount;
    }
    void SetTickMinorCount(int32_t Value)
    {
        scale_->SetTickMinorCount(Value);
    }
    int32_t GetTickMajorLength() const
    {
        return scale_->TickMajorLength;
    }
    void SetTickMajorLength(int32_t Value)
    {
        scale_->SetTickMajorLength(Value);
    }
    int32_t GetTickMinorLength() const
    {
        return scale_->TickMinorLength;
    }
    void SetTickMinorLength(int32_t Value)
    {
        scale_->SetTickMinorLength(Value);
    }
    int32_t GetTickLabelPrecision() const
    {
        return scale_->TickLabelPrecision;
    }
    void SetTickLabelPrecision(int32_t Value)
    {
        scale_->SetTickLabelPrecision(Value);
    }
    TFont* GetTickLabelFont() const
    {
        return scale_->TickLabelFont();
    }
    void SetTickLabelFont(const TFont* Value)
    {
        scale_->TickLabelFont()->Assign(Value);
    }

    TOnCustomizeTickLabel OnCustomizeTickLabel;

protected:
    void DoAutoScale();

private:
    std::unique_ptr<TiScaleObject> scale_;
    bool autoScaleEnabled_ = false;
    int32_t autoScaleDesiredTicks_ = 5;
    int32_t autoScaleMaxTicks_ = 6;
    TiAutoScaleStyle autoScaleStyle_ = iassAutoMinMax;
    double autoScaleMin_ = 0, autoScaleMax_ = 0, autoScaleFirstTick_ = 0, autoScaleStep_ = 0;
};

// Publishes the scale's properties on a widget class.
template <class T> TClassBuilder<T>& iPublishScale(TClassBuilder<T>& b)
{
    return b.Bool("ShowTicksAxis", &T::GetShowTicksAxis, &T::SetShowTicksAxis, true)
        .Bool("ShowTicksMajor", &T::GetShowTicksMajor, &T::SetShowTicksMajor, true)
        .Bool("ShowTicksMinor", &T::GetShowTicksMinor, &T::SetShowTicksMinor, true)
        .Bool("ShowTickLabels", &T::GetShowTickLabels, &T::SetShowTickLabels, true)
        .Bool("ShowTicksMajorFirstLast", &T::GetShowTicksMajorFirstLast, &T::SetShowTicksMajorFirstLast, true)
        .Int("TickMajorCount", &T::GetTickMajorCount, &T::SetTickMajorCount, 5)
        .Color("TickMajorColor", &T::GetTickMajorColor, &T::SetTickMajorColor, clBlack)
        .Int("TickMajorLength", &T::GetTickMajorLength, &T::SetTickMajorLength, 7)
        .Enum("TickMajorStyle", &T::GetTickMajorStyle, &T::SetTickMajorStyle, ibsNone)
        .Int("TickMinorCount", &T::GetTickMinorCount, &T::SetTickMinorCount, 4)
        .Color("TickMinorColor", &T::GetTickMinorColor, &T::SetTickMinorColor, clBlack)
        .Int("TickMinorLength", &T::GetTickMinorLength, &T::SetTickMinorLength, 3)
        .Enum("TickMinorStyle", &T::GetTickMinorStyle, &T::SetTickMinorStyle, ibsNone)
        .Enum("TickMinorAlignment", &T::GetTickMinorAlignment, &T::SetTickMinorAlignment, itmnaInside)
        .Int("TickMargin", &T::GetTickMargin, &T::SetTickMargin, 5)
        .Int("TickLabelMargin", &T::GetTickLabelMargin, &T::SetTickLabelMargin, 5)
        .Object("TickLabelFont", &T::GetTickLabelFont, &T::SetTickLabelFont)
        .Int("TickLabelPrecision", &T::GetTickLabelPrecision, &T::SetTickLabelPrecision, 0)
        .Enum("PrecisionStyle", &T::GetPrecisionStyle, &T::SetPrecisionStyle, ipsFixedDecimalPoints)
        .Event("OnCustomizeTickLabel", &T::OnCustomizeTickLabel)
        .Bool("AutoScaleEnabled", &T::GetAutoScaleEnabled, &T::SetAutoScaleEnabled, false)
        .Int("AutoScaleDesiredTicks", &T::GetAutoScaleDesiredTicks, &T::SetAutoScaleDesiredTicks, 5)
        .Int("AutoScaleMaxTicks", &T::GetAutoScaleMaxTicks, &T::SetAutoScaleMaxTicks, 6)
        .Enum("AutoScaleStyle", &T::GetAutoScaleStyle, &T::SetAutoScaleStyle, iassAutoMinMax);
}
