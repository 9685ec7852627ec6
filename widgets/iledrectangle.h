// TiLedRectangle: a rectangular lamp filling its whole area, with an
// optional bevel, a small white reflection and an optional centred caption.
// The level bar of the panel is a row of these.
#pragma once

#include <memory>
#include <string>

#include "widgets/iled.h"

ORVANE_ENUM(TiAlignmentHorizontal, iahCenter, iahLeft, iahRight)

class TiLedRectangle : public TiLed {
    ORVANE_CLASS(TiLedRectangle, TiLed)
    explicit TiLedRectangle(TComponent* AOwner);
    ~TiLedRectangle() override;

    const std::string& GetCenterLabelText() const { return centerLabelText_; }
    void SetCenterLabelText(const std::string& Value)
    {
        SetStringProperty(Value, centerLabelText_, irtBackGround);
    }
    TFont* GetCenterLabelFont() const { return centerLabelFont_.get(); }
    // Copies the font given.
    void SetCenterLabelFont(const TFont* Value);
    TColor GetCenterLabelFontActiveColor() const { return fontActiveColor_; }
    void SetCenterLabelFontActiveColor(TColor Value)
    {
        SetColorProperty(Value, fontActiveColor_, irtBackGround);
    }
    TColor GetCenterLabelFontInactiveColor() const { return fontInactiveColor_; }
    void SetCenterLabelFontInactiveColor(TColor Value)
    {
        SetColorProperty(Value, fontInactiveColor_, irtBackGround);
    }
    bool GetCenterLabelWordWrap() const { return wordWrap_; }
    void SetCenterLabelWordWrap(bool Value) { SetBooleanProperty(Value, wordWrap_, irtBackGround); }
    int32_t GetCenterLabelEndsMargin() const { return endsMargin_; }
    void SetCenterLabelEndsMargin(int32_t Value) { SetIntegerProperty(Value, endsMargin_, irtBackGround); }
    TiAlignmentHorizontal GetCenterLabelAlignment() const { return alignment_; }
    void SetCenterLabelAlignment(TiAlignmentHorizontal Value);
    bool GetShowReflection() const { return showReflection_; }
    void SetShowReflection(bool Value) { SetBooleanProperty(Value, showReflection_, irtBackGround); }

protected:
    void iPaintTo(TCanvas* Canvas) override;

private:
    void DrawCaption(TCanvas* Canvas, const TRect& R);

    std::string centerLabelText_;
    std::unique_ptr<TFont> centerLabelFont_;
    TColor fontActiveColor_ = clBlack;
    TColor fontInactiveColor_ = clWhite;
    bool wordWrap_ = false;
    int32_t endsMargin_ = 5;
    TiAlignmentHorizontal alignment_ = iahCenter;
    bool showReflection_ = true;
};
