// Buttons with pictures: TBitBtn, a push button (the system BUTTON, owner
// drawn) with a glyph beside its caption, and TSpeedButton, a windowless
// button painted by the framework that can stay down, work in groups and, when
// flat, shows its face only under the mouse. Both paint the classic look here;
// the skin engine replaces the painting through WindowProc. Win32 only.
#pragma once

#include <memory>
#include <string>

#include "framework/stdctrls.h"

ORVANE_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
ORVANE_ENUM(TButtonState, bsUp, bsDisabled, bsDown, bsExclusive)
ORVANE_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore,
            bkAll)
using TNumGlyphs = int32_t;

// Where a glyph and a caption go on a button face. Margin is the gap from
// the edge on the glyph's side and Spacing the gap between glyph and caption;
// -1 means automatic (both automatic: thirds of the free length; margin
// alone: the block centred; spacing alone: half of what is left).
struct TButtonLayoutResult {
    TPoint GlyphPos;
    TRect TextBounds;
};
TButtonLayoutResult CalcButtonLayout(const TRect& client, TPoint glyphSize, TPoint textSize,
                                     TButtonLayout layout, int margin, int spacing);

// The glyph strip of a button: NumGlyphs images side by side (up, disabled,
// down, stay-down), transparent in the colour of the bottom-left pixel.
// Without a disabled image one is embossed from the first.
class TButtonGlyph {
public:
    TButtonGlyph();
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(const TBitmap* value);
    TNumGlyphs GetNumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(TNumGlyphs value);
    TPoint Size() const;
    // Paints glyph and caption (Font on the canvas already) inside client,
    // shifted by offset while pressed. Answers the caption's rectangle.
    TRect Draw(TCanvas& canvas, const TRect& client, TPoint offset, const std::string& caption,
               TButtonLayout layout, int margin, int spacing, TButtonState state);
    TNotifyEvent OnChange;

private:
    void DrawGlyph(TCanvas& canvas, TPoint pos, TButtonState state);
    static void DrawCaption(TCanvas& canvas, const TRect& r, const std::string& caption, TButtonState state);

    std::unique_ptr<TBitmap> glyph_;
    TNumGlyphs numGlyphs_ = 1;
};

// Glyph and placement as TBitBtn and TSpeedButton publish them. A mix-in
// rather than a base, since the two buttons descend from different controls;
// each repaints in FaceChanged.
class TGlyphFace {
public:
    TBitmap* Glyph() const { return glyph_.Glyph(); }
    void SetGlyph(const TBitmap* value) { glyph_.SetGlyph(value); }
    TNumGlyphs GetNumGlyphs() const { return glyph_.GetNumGlyphs(); }
    void SetNumGlyphs(TNumGlyphs value) { glyph_.SetNumGlyphs(value); }
    TButtonLayout GetLayout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int32_t GetMargin() const { return margin_; }
    void SetMargin(int32_t value);
    int32_t GetSpacing() const { return spacing_; }
    void SetSpacing(int32_t value);

protected:
    TGlyphFace();
    TGlyphFace(const TGlyphFace&) = delete;
    TGlyphFace& operator=(const TGlyphFace&) = delete;
    virtual ~TGlyphFace() = default;
    virtual void FaceChanged() = 0;

    TButtonGlyph glyph_;
    TButtonLayout layout_ = blGlyphLeft;
    int32_t margin_ = -1;
    int32_t spacing_ = 4;
};

class TBitBtn : public TButton, public TGlyphFace {
    ORVANE_CLASS(TBitBtn, TButton)
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;

    // A standard kind gives caption, modal result and the Default/Cancel
    // role; bkCustom leaves them as set.
    TBitBtnKind GetKind() const { return kind_; }
    void SetKind(TBitBtnKind value);
    // The button draws as the default one (Enter would press it).
    bool IsDefaultLook() const { return defaultLook_; }

protected:
    void CreateParams(TCreateParams& Params) override;
    void Dispatch(TMessage& Message) override;
    virtual void DrawItem(const DRAWITEMSTRUCT& DrawItemStruct);
    void FaceChanged() override { Invalidate(); }

private:
    void CNDrawItem(TMessage& Message);

    TBitBtnKind kind_ = bkCustom;
    bool defaultLook_ = false;
    std::unique_ptr<TCanvas> canvas_;
};

class TSpeedButton : public TGraphicControl, public TGlyphFace {
    ORVANE_CLASS(TSpeedButton, TGraphicControl)
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;

    bool GetFlat() const { return flat_; }
    void SetFlat(bool value);
    bool GetTransparent() const { return transparent_; }
    void SetTransparent(bool value);
    // Buttons of one parent with the same GroupIndex (not 0) are exclusive:
    // putting one down lets the others up. Down needs a GroupIndex.
    int32_t GetGroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int32_t value);
    bool GetDown() const { return down_; }
    void SetDown(bool value);
    // Whether the down button of a group may be clicked up again.
    bool GetAllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value);

    // The look now: up, down while the mouse holds it, stay-down, disabled;
    // and whether the mouse is over it.
    TButtonState State() const { return state_; }
    bool MouseInControl() const { return mouseInControl_; }

    void Click() override;

protected:
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CMMouseEnter(TMessage& Message) override;
    void CMMouseLeave(TMessage& Message) override;
    void CMEnabledChanged(TMessage& Message) override;
    void FaceChanged() override { Invalidate(); }

private:
    void UpdateExclusive();
    void ButtonPressed(TSpeedButton* sender);

    bool flat_ = false;
    bool transparent_ = true;
    int32_t groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    TButtonState state_ = bsUp;
    bool dragging_ = false;
    bool mouseInControl_ = false;
};
