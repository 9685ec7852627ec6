// TiPositionComponent: a widget showing or setting one real number between
// two bounds. It clamps the position, remembers the lowest and highest
// positions reached, watches optional limit bands and reports changes,
// telling a user's change from a program's and marking the end of a user's
// gesture (OnPositionChangeFinished).
#pragma once

#include <memory>
#include <vector>

#include "widgets/ivclcomponent.h"

ORVANE_EVENT(TOnPositionLimit, void(TObject* Sender, int Index));

// A min/max marker; here only its position matters.
class TiGaugePointer : public TPersistent {
    ORVANE_CLASS(TiGaugePointer, TPersistent)
    double Position = 0;
    int32_t Size = 8;
    int32_t Margin = 0;
    TColor Color = clYellow;
    TColor DisabledColor = clBtnShadow;
    int32_t Style = 0;
    bool Style3D = false;
    bool Visible = false;
};

struct TiLimitObject {
    double UpperValue = 0;
    double LowerValue = 0;
    int32_t PointerSize = 0;
    int32_t PointerMargin = 0;
    bool DrawScaleSide = false;
    TColor UpperPointerColor = clRed;
    TColor LowerPointerColor = clRed;
    bool ShowUpperPointer = true;
    bool ShowLowerPointer = true;
};

class TiPositionComponent : public TiCustomComponent {
    ORVANE_CLASS(TiPositionComponent, TiCustomComponent)
    explicit TiPositionComponent(TComponent* AOwner);
    ~TiPositionComponent() override;

    virtual double GetPosition() { return position_; }
    virtual void SetPosition(double Value);
    virtual void SetPositionMin(double Value);
    virtual void SetPositionMax(double Value);
    double GetPositionMin() const { return positionMin_; }
    double GetPositionMax() const { return positionMax_; }
    // Sets the position without raising OnPositionChange.
    void SetPositionNoEvent(double Value);
    void SetPositionMinMax(double Min, double Max);

    double GetCurrentMin() const { return minPointer_->Position; }
    void SetCurrentMin(double Value);
    double GetCurrentMax() const { return maxPointer_->Position; }
    void SetCurrentMax(double Value);
    void ResetMinMax();
    bool GetMinMaxFixed() const { return minMaxFixed_; }
    void SetMinMaxFixed(bool Value) { minMaxFixed_ = Value; }
    bool GetMinMaxUserCanMove() const { return minMaxUserCanMove_; }
    void SetMinMaxUserCanMove(bool Value) { minMaxUserCanMove_ = Value; }
    bool GetShowMaxPointer() const { return showMaxPointer_; }
    void SetShowMaxPointer(bool Value);
    bool GetShowMinPointer() const { return showMinPointer_; }
    void SetShowMinPointer(bool Value);
    int32_t GetMinMaxPointerMargin() const { return minMaxPointerMargin_; }
    void SetMinMaxPointerMargin(int32_t Value);
    int32_t GetMinMaxPointerSize() const { return minMaxPointerSize_; }
    void SetMinMaxPointerSize(int32_t Value);
    TColor GetMinPointerColor() const { return minPointerColor_; }
    void SetMinPointerColor(TColor Value);
    TColor GetMaxPointerColor() const { return maxPointerColor_; }
    void SetMaxPointerColor(TColor Value);
    void SetMinMaxStyle3D(bool Value);

    // The share of the range below x: 0..1.
    double ValuePercent(double x) const;
    double GetPositionPercent() const { return ValuePercent(position_); }
    void SetPositionPercent(double p);

    // --- Limit bands; an index outside the list raises "Limit Index out of bounds".
    void AddLimit(int32_t PointerSize, int32_t PointerMargin, bool DrawScaleSide, double UpperValue,
                  double LowerValue, TColor UpperPointerColor, TColor LowerPointerColor);
    void RemoveLimit(int Index);
    void RemoveAllLimits();
    int GetLimitCount() const { return static_cast<int>(limits_.size()); }
    TiLimitObject* GetLimitObject(int Index) const;
    double GetLimitUpperValue(int Index) const { return GetLimitObject(Index)->UpperValue; }
    double GetLimitLowerValue(int Index) const { return GetLimitObject(Index)->LowerValue; }
    int32_t GetLimitPointerMargin(int Index) const { return GetLimitObject(Index)->PointerMargin; }
    int32_t GetLimitPointerSize(int Index) const { return GetLimitObject(Index)->PointerSize; }
    TColor GetLimitUpperPointerColor(int Index) const { return GetLimitObject(Index)->UpperPointerColor; }
    TColor GetLimitLowerPointerColor(int Index) const { return GetLimitObject(Index)->LowerPointerColor; }
    bool GetLimitShowUpperPointer(int Index) const { return GetLimitObject(Index)->ShowUpperPointer; }
    bool GetLimitShowLowerPointer(int Index) const { return GetLimitObject(Index)->ShowLowerPointer; }
    bool GetLimitDrawScaleSide(int Index) const { return GetLimitObject(Index)->DrawScaleSide; }
    void SetLimitUpperValue(int Index, double Value);
    void SetLimitLowerValue(int Index, double Value);
    void SetLimitPointerMargin(int Index, int32_t Value);
    void SetLimitPointerSize(int Index, int32_t Value);
    void SetLimitUpperPointerColor(int Index, TColor Value);
    void SetLimitLowerPointerColor(int Index, TColor Value);
    void SetLimitShowUpperPointer(int Index, bool Value);
    void SetLimitShowLowerPointer(int Index, bool Value);
    void SetLimitDrawScaleSide(int Index, bool Value);

    TNotifyEvent OnPositionChange;
    TNotifyEvent OnCurrentMaxChange;
    TNotifyEvent OnCurrentMinChange;
    TNotifyEvent OnPositionChangeFinished;
    TNotifyEvent OnPositionOverMax;
    TNotifyEvent OnPositionUnderMin;
    TOnPositionLimit OnPositionOverLimit;
    TOnPositionLimit OnPositionUnderLimit;
    TNotifyEvent OnPositionChangeUser;

    // "PositionMax_2": the upper bound, always written, read without clamping.
    void DefineProperties(TFiler& filer) override;

protected:
    virtual void DoOPCPositionChangeFinished();
    virtual void DoPointerBounds();

    void DoPositionChange();
    void DoPositionChangeFinished();
    void DoCurrentMinChange();
    void DoCurrentMaxChange();
    void DoPositionOverMax();
    void DoPositionUnderMin();
    void DoPositionOverLimit(int Index);
    void DoPositionUnderLimit(int Index);

    // Set by a concrete widget around changes that come from the user.
    bool userChange_ = false;
    bool pendingFinish_ = false;
    double position_ = 0;
    double positionMax_ = 100;
    double positionMin_ = 0;

    void LimitExtremesToBounds();

private:
    void UpdateExtremes(double x);

    std::vector<std::unique_ptr<TiLimitObject>> limits_;
    bool showMaxPointer_ = false, showMinPointer_ = false;
    int32_t minMaxPointerMargin_ = 0;
    int32_t minMaxPointerSize_ = 8;
    TColor minPointerColor_ = clYellow;
    TColor maxPointerColor_ = clAqua;
    bool minMaxFixed_ = false;
    bool minMaxUserCanMove_ = false;
    std::unique_ptr<TiGaugePointer> minPointer_;
    std::unique_ptr<TiGaugePointer> maxPointer_;
};
