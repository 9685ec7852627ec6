// TiSwitchPanel: a rotary selector with two or three positions. A round knob
// carries a bar-shaped handle pointing at the selected position; a caption
// panel above it names the positions and highlights the selected one. The
// knob turns by dragging round it (or steps by clicking, in the increment
// style), a caption selects its position, and the arrow, Home, End and page
// keys step it.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "widgets/iindicatorgeometry.h"
#include "widgets/ivclcomponent.h"

ORVANE_ENUM(TiSwitchPanelMouseControlStyle, ispmcsRotate, ispmcsIncrement)
ORVANE_ENUM(TiSwitchPanelBorderStyle, ispbsLine, ispbsRaised, ispbsLowered, ispbsTop, ispbsNone)

class TiSwitchPanel : public TiCustomComponent {
    ORVANE_CLASS(TiSwitchPanel, TiCustomComponent)
    explicit TiSwitchPanel(TComponent* AOwner);
    ~TiSwitchPanel() override;

    TFont* GetPanelFontInactive() const { return panelFontInactive_.get(); }
    void SetPanelFontInactive(const TFont* Value);
    TFont* GetPanelFontActive() const { return panelFontActive_.get(); }
    void SetPanelFontActive(const TFont* Value);
    const std::string& GetPositionCaption(int Index) const
    {
        return captions_.at(static_cast<size_t>(Index));
    }
    void SetPositionCaption(int Index, const std::string& Value);

    int32_t GetPosition() const { return position_; }
    void SetPosition(int32_t Value);
    int32_t GetPositionCount() const { return positionCount_; }
    // Held to 2..3; a position beyond the new count moves to the last one
    // without events.
    void SetPositionCount(int32_t Value);

    bool GetKnobRadiusAutoSize() const { return knobRadiusAutoSize_; }
    void SetKnobRadiusAutoSize(bool Value) { SetBooleanProperty(Value, knobRadiusAutoSize_, irtInvalidate); }
    // While sized automatically: the radius of the last paint.
    int32_t GetKnobRadius() const { return knobRadius_; }
    void SetKnobRadius(int32_t Value) { SetIntegerProperty(Value, knobRadius_, irtInvalidate); }
    int32_t GetKnobHandleWidth() const { return knobHandleWidth_; }
    void SetKnobHandleWidth(int32_t Value) { SetIntegerProperty(Value, knobHandleWidth_, irtInvalidate); }
    TColor GetKnobHandleColor() const { return knobHandleColor_; }
    void SetKnobHandleColor(TColor Value) { SetColorProperty(Value, knobHandleColor_, irtInvalidate); }
    TColor GetKnobInnerColor() const { return knobInnerColor_; }
    void SetKnobInnerColor(TColor Value) { SetColorProperty(Value, knobInnerColor_, irtInvalidate); }
    TColor GetKnobOuterColor() const { return knobOuterColor_; }
    void SetKnobOuterColor(TColor Value) { SetColorProperty(Value, knobOuterColor_, irtInvalidate); }
    TiSwitchPanelMouseControlStyle GetMouseControlStyle() const { return mouseControlStyle_; }
    void SetMouseControlStyle(TiSwitchPanelMouseControlStyle Value) { mouseControlStyle_ = Value; }
    double GetPanelMarginTop() const { return panelMarginTop_; }
    void SetPanelMarginTop(double Value) { SetDoubleProperty(Value, panelMarginTop_, irtInvalidate); }
    double GetPanelMarginRow() const { return panelMarginRow_; }
    void SetPanelMarginRow(double Value) { SetDoubleProperty(Value, panelMarginRow_, irtInvalidate); }
    double GetPanelMarginBottom() const { return panelMarginBottom_; }
    void SetPanelMarginBottom(double Value) { SetDoubleProperty(Value, panelMarginBottom_, irtInvalidate); }
    TColor GetPanelBackGroundColor() const { return panelBackGroundColor_; }
    void SetPanelBackGroundColor(TColor Value)
    {
        SetColorProperty(Value, panelBackGroundColor_, irtInvalidate);
    }
    int32_t GetKnobSideMargin() const { return knobSideMargin_; }
    void SetKnobSideMargin(int32_t Value) { SetIntegerProperty(Value, knobSideMargin_, irtInvalidate); }
    // The switch's own border (the base's bevel is not used).
    TiSwitchPanelBorderStyle GetPanelBorderStyle() const { return borderStyle_; }
    void SetPanelBorderStyle(TiSwitchPanelBorderStyle Value);
    TColor GetBackGroundColorTop() const { return backGroundColorTop_; }
    void SetBackGroundColorTop(TColor Value) { SetColorProperty(Value, backGroundColorTop_, irtInvalidate); }

    // Hit areas and knob as the last paint laid them out.
    TRect GetCaptionRect(int Index) const { return captionRects_.at(static_cast<size_t>(Index)); }
    TRect GetKnobRect() const { return knobRect_; }
    TPoint GetKnobCenter() const { return knobCenter_; }

    TNotifyEvent OnPositionChange;
    TNotifyEvent OnPositionChangeUser;
    TNotifyEvent OnPositionChangeFinished;

protected:
    void iPaintTo(TCanvas* Canvas) override;
    void DrawBorder(TCanvas* Canvas) override;
    void iMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void iMouseMove(TShiftState Shift, int X, int Y) override;
    void iMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void iKeyDown(WORD& Key, TShiftState Shift) override;
    void iKeyUp(WORD& Key, TShiftState Shift) override;
    void iWantSpecialKey(WORD& CharCode, LRESULT& Result) override;
    void iDoKillFocus() override;

    void DoPositionChange();
    void DoPositionChangeFinished();

private:
    TSwitchPanelLayout Layout(TCanvas* Canvas);
    void DrawCaptions(TCanvas* Canvas, const TSwitchPanelLayout& L);
    void DrawKnob(TCanvas* Canvas, const TSwitchPanelLayout& L);
    void ClearPressed();

    std::unique_ptr<TFont> panelFontInactive_;
    std::unique_ptr<TFont> panelFontActive_;
    std::array<std::string, 3> captions_{"On", "Off", "Manual"};
    int32_t position_ = 0;
    int32_t positionCount_ = 3;
    bool knobRadiusAutoSize_ = true;
    int32_t knobRadius_ = 0;
    int32_t knobHandleWidth_ = 10;
    TColor knobHandleColor_ = clGray;
    TColor knobInnerColor_ = clGray;
    TColor knobOuterColor_ = clWhite;
    TPoint knobCenter_;
    TRect knobRect_;
    TRect innerKnobRect_;
    std::array<TRect, 3> captionRects_{};
    std::array<bool, 3> captionPressed_{};
    bool knobPressed_ = false;
    double referenceAngle_ = 0;
    bool keyDown_ = false;
    TiSwitchPanelMouseControlStyle mouseControlStyle_ = ispmcsRotate;
    double panelMarginTop_ = 0.25, panelMarginRow_ = 0.25, panelMarginBottom_ = 0.25;
    TColor panelBackGroundColor_ = clBlack;
    int32_t knobSideMargin_ = 0;
    TiSwitchPanelBorderStyle borderStyle_ = ispbsLine;
    TColor backGroundColorTop_ = clAqua;
    bool userChange_ = false;
    bool pendingFinish_ = false;
};
