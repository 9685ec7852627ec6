// TiSlider: a linear slider. A track, a pointer the user drags, clicks,
// steps with the keyboard or turns with the mouse wheel, an optional fill
// from the track's start to the pointer and an optional tick scale.
#pragma once

#include <memory>

#include "widgets/iscalecomponent.h"

ORVANE_ENUM(TiSliderPointerStyle, ispsLed, ispsPointer, ispsBar, ispsLightBar, ispsBarColor, ispsBitmap)
ORVANE_ENUM(TiSliderTrackStyle, istsBox, istsLine, istsBevelLowered, istsBevelRasied)
ORVANE_ENUM(TiSliderMouseControlStyle, ismcsSlideOnly, ismcsSlidePage, ismcsGoto)

class TiSlider : public TiScaleComponent {
    ORVANE_CLASS(TiSlider, TiScaleComponent)
    explicit TiSlider(TComponent* AOwner);
    ~TiSlider() override;

    int32_t GetEndsMargin() const { return endsMargin_; }
    void SetEndsMargin(int32_t Value);
    TColor GetPointerIndicatorInactiveColor() const { return inactiveColor_; }
    void SetPointerIndicatorInactiveColor(TColor Value);
    TColor GetPointerIndicatorActiveColor() const { return activeColor_; }
    void SetPointerIndicatorActiveColor(TColor Value);
    double GetKeyPageStepSize() const { return keyPageStepSize_; }
    void SetKeyPageStepSize(double Value);
    double GetKeyArrowStepSize() const { return keyArrowStepSize_; }
    void SetKeyArrowStepSize(double Value);
    double GetMouseWheelStepSize() const { return mouseWheelStepSize_; }
    void SetMouseWheelStepSize(double Value);
    int32_t GetPointerHeight() const { return pointerHeight_; }
    void SetPointerHeight(int32_t Value);
    int32_t GetPointerWidth() const { return pointerWidth_; }
    void SetPointerWidth(int32_t Value);
    TiSliderPointerStyle GetPointerStyle() const { return pointerStyle_; }
    void SetPointerStyle(TiSliderPointerStyle Value);
    TiOrientationSide GetOrientationTickMarks() const { return orientationTickMarks_; }
    void SetOrientationTickMarks(TiOrientationSide Value);
    TiOrientation GetOrientation() const { return orientation_; }
    void SetOrientation(TiOrientation Value);
    TColor GetTrackColor() const { return trackColor_; }
    void SetTrackColor(TColor Value);
    TiSliderTrackStyle GetTrackStyle() const { return trackStyle_; }
    void SetTrackStyle(TiSliderTrackStyle Value);
    bool GetShowFocusRect() const { return showFocusRect_; }
    void SetShowFocusRect(bool Value);
    bool GetReverseScale() const { return reverseScale_; }
    void SetReverseScale(bool Value);
    TiSliderMouseControlStyle GetMouseControlStyle() const { return mouseControlStyle_; }
    void SetMouseControlStyle(TiSliderMouseControlStyle Value) { mouseControlStyle_ = Value; }
    bool GetAutoCenter() const { return autoCenter_; }
    void SetAutoCenter(bool Value);
    TBitmap* GetPointerBitmap() const { return pointerBitmap_.get(); }
    void SetPointerBitmap(const TBitmap* Value);
    bool GetPointerFillEnabled() const { return pointerFillEnabled_; }
    void SetPointerFillEnabled(bool Value);
    TColor GetPointerFillColor() const { return pointerFillColor_; }
    void SetPointerFillColor(TColor Value);

    int32_t GetTravelRange() const { return Metrics().TravelRange(); }
    double GetPixelsToPosition(int32_t Pixel) const;
    int32_t GetPixelsMin();
    int32_t GetPixelsMax();

    // The rectangles of the last paint (or CalcPoints).
    TRect TrackRect() const { return trackRect_; }
    TRect PointerRect() const { return pointerRect_; }
    TRect FillRect() const { return fillRect_; }
    bool Dragging() const { return dragging_; }
    bool KeyIsDown() const { return keyDown_; }

    // "KeyArrowStepSize_2" and "KeyPageStepSize_2" after the inherited ones.
    void DefineProperties(TFiler& filer) override;

protected:
    void iPaintTo(TCanvas* Canvas) override;
    void iMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void iMouseMove(TShiftState Shift, int X, int Y) override;
    void iMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void iKeyDown(WORD& Key, TShiftState Shift) override;
    void iKeyUp(WORD& Key, TShiftState Shift) override;
    void iWantSpecialKey(WORD& CharCode, LRESULT& Result) override;
    void iDoKillFocus() override;
    bool iMouseWheel(int WheelDelta, TShiftState Shift, TPoint MousePos) override;
    void DoOPCPositionChangeFinished() override;

    void CalcPoints();
    void CalcAutoCenterOffsets(TCanvas* Canvas);
    void DrawBar(TCanvas* Canvas);
    void DrawTicks(TCanvas* Canvas);
    void DrawIndicator(TCanvas* Canvas);

private:
    iwm::SliderMetrics Metrics() const;
    // CalcPoints and the centring shift: where everything is drawn now.
    void PlaceRects(TCanvas* Canvas);
    TColor IndicatorColor() const;

    double dragStartPosition_ = 0;
    bool dragging_ = false;
    int32_t dragStartX_ = 0, dragStartY_ = 0;
    double lastWheelTime_ = 0;
    bool keyDown_ = false;
    TRect pointerRect_, fillRect_, trackRect_;
    int32_t pointerOverhang_ = 0;
    int32_t centerOffsetX_ = 0, centerOffsetY_ = 0;
    int32_t endsMargin_ = 5;
    TColor inactiveColor_ = clBlack;
    TColor activeColor_ = clRed;
    double keyPageStepSize_ = 10;
    double keyArrowStepSize_ = 1;
    double mouseWheelStepSize_ = 1;
    int32_t pointerHeight_ = 10;
    int32_t pointerWidth_ = 15;
    TiSliderPointerStyle pointerStyle_ = ispsLed;
    TiOrientationSide orientationTickMarks_ = iosBottomRight;
    TiOrientation orientation_ = ioVertical;
    int32_t trackInset_ = 2;
    TColor trackColor_ = clWhite;
    TiSliderTrackStyle trackStyle_ = istsBox;
    bool showFocusRect_ = true;
    bool reverseScale_ = false;
    TiSliderMouseControlStyle mouseControlStyle_ = ismcsSlideOnly;
    bool autoCenter_ = false;
    std::unique_ptr<TBitmap> pointerBitmap_;
    bool pointerFillEnabled_ = false;
    TColor pointerFillColor_ = clBlue;
};
