// Components beside the standard controls: the timer, panels, radio groups,
// shapes and images. Win32 only.
#pragma once

#include <memory>
#include <vector>

#include "framework/stdctrls.h"

// TTimer: OnTimer every Interval milliseconds while Enabled, from a hidden
// window of its own; an exception from the handler is reported through
// HandleException and the timer goes on.
class TTimer : public TComponent {
    ORVANE_CLASS(TTimer, TComponent)
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer. The system's floor is about 10 ms.
    uint32_t GetInterval() const { return interval_; }
    void SetInterval(uint32_t value);

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    void UpdateTimer();

    bool enabled_ = true;
    uint32_t interval_ = 1000;
    std::unique_ptr<TUtilityWindow> window_;
};

ORVANE_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)
ORVANE_ENUM(TShapeType, stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle)

// Draws the frame of r, width lines deep, top and left in topColor, bottom
// and right in bottomColor, and leaves r inside it.
void Frame3D(TCanvas* Canvas, TRect& r, TColor topColor, TColor bottomColor, int32_t width);

// A container painted by the framework: outer bevel, border, inner bevel,
// then its colour and caption.
class TCustomPanel : public TCustomControl {
    ORVANE_CLASS(TCustomPanel, TCustomControl)
    explicit TCustomPanel(TComponent* AOwner);

    TBevelCut GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value);
    int32_t GetBevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int32_t value);
    TBorderStyle GetBorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle value);
    TAlignment GetAlignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    bool GetParentBackground() const { return ControlStyle.Contains(csParentBackground); }
    void SetParentBackground(bool value);

protected:
    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void AdjustClientRect(TRect& Rect) override;
    void CMCtl3DChanged(TMessage& Message) override;
    void CMTextChanged(TMessage& Message) override;

private:
    void BevelChanged();

    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int32_t bevelWidth_ = 1;
    TBorderStyle borderStyle_ = bsNone;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
    ORVANE_CLASS(TPanel, TCustomPanel)
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// A string list that reports every change, for controls that rebuild from
// their list (a radio group's buttons).
class TNotifyStringList : public TStringList {
public:
    std::function<void()> OnChange;
    void Put(int index, const std::string& s) override;
    void Insert(int index, const std::string& s) override;
    void Delete(int index) override;
    void Clear() override;
    // Several changes reported once, at the end.
    void BeginUpdate() { ++updating_; }
    void EndUpdate();

private:
    void Changed();
    int updating_ = 0;
    bool changed_ = false;
};

// A group box with one radio button per item, laid out in Columns columns.
// ItemIndex is the checked item (-1: none); every change to a selected item,
// by the user or by code, raises OnClick.
class TCustomRadioGroup : public TCustomGroupBox {
    ORVANE_CLASS(TCustomRadioGroup, TCustomGroupBox)
    explicit TCustomRadioGroup(TComponent* AOwner);
    ~TCustomRadioGroup() override;

    TStrings* Items() const { return items_.get(); }
    void SetItems(const TStrings& value);
    int32_t GetItemIndex() const { return itemIndex_; }
    void SetItemIndex(int32_t value);
    int32_t GetColumns() const { return columns_; }
    void SetColumns(int32_t value);
    // The radio button of item i.
    TRadioButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }

    void Loaded() override;

protected:
    void WMSize(TMessage& Message) override;
    void CMFontChanged(TMessage& Message) override;
    void CMEnabledChanged(TMessage& Message) override;
    void ArrangeButtons();

private:
    friend class TGroupButton;
    void ItemsChanged();
    void UpdateButtons();
    void ButtonChecked(TRadioButton* button);

    std::unique_ptr<TNotifyStringList> items_;
    std::vector<TRadioButton*> buttons_;
    int32_t itemIndex_ = -1;
    int32_t columns_ = 1;
    bool updating_ = false;
};

class TRadioGroup : public TCustomRadioGroup {
    ORVANE_CLASS(TRadioGroup, TCustomRadioGroup)
    explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
};

// A rectangle, square, ellipse or circle, rounded or not, drawn with Pen
// and filled with Brush.
class TShape : public TGraphicControl {
    ORVANE_CLASS(TShape, TGraphicControl)
    explicit TShape(TComponent* AOwner);
    ~TShape() override;

    TShapeType GetShape() const { return shape_; }
    void SetShape(TShapeType value);
    TPen* Pen() const { return pen_.get(); }
    void SetPen(const TPen* value) { pen_->Assign(value); }
    TBrush* Brush() const { return brush_.get(); }
    void SetBrush(const TBrush* value) { brush_->Assign(value); }

protected:
    void Paint() override;

private:
    TShapeType shape_ = stRectangle;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
};

// A picture drawn on its parent: at the top left, centred, or stretched
// (keeping its proportions when asked); transparent pictures leave their
// transparent colour out. With AutoSize the control takes the picture's size.
class TImage : public TGraphicControl {
    ORVANE_CLASS(TImage, TGraphicControl)
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return picture_.get(); }
    void SetPicture(const TPicture* value) { picture_->Assign(value); }
    bool GetAutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    bool GetCenter() const { return center_; }
    void SetCenter(bool value);
    bool GetStretch() const { return stretch_; }
    void SetStretch(bool value);
    bool GetProportional() const { return proportional_; }
    void SetProportional(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);

    void Loaded() override;

protected:
    void Paint() override;
    // Where the picture goes in the client area.
    TRect DestRect() const;

private:
    void PictureChanged();

    std::unique_ptr<TPicture> picture_;
    bool autoSize_ = false;
    bool center_ = false;
    bool stretch_ = false;
    bool proportional_ = false;
    bool transparent_ = false;
};
