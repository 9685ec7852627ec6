// The skinned kinds of the plain controls: edits (their border), up-down
// spinners (wholly skin-painted, stand-alone or inside an edit), check boxes
// and radio buttons (from the Button object's check and radio images), group
// boxes (a rounded line in the skin's colours), and panels and tool bars
// (recoloured only; tool-bar buttons through the frame's custom-draw
// handlers). The pictures themselves are drawn by winskineditdraw.h. Win32
// only.
#pragma once

#include "skin/winskineditdraw.h"
#include "skin/winsubclass.h"

// Registers the kinds of this unit with the matcher's table (also done by
// static objects; calling it makes sure a program that names no kind
// directly still links them). Idempotent.
void RegisterSkinEditKinds();

class TSkinUpDown;

// An edit: paints its content itself; the skin replaces its border.
class TSkinEdit : public TSkinControl {
    ORVANE_CLASS(TSkinEdit, TSkinControl)
    explicit TSkinEdit(TComponent* AOwner) : TSkinControl(AOwner) {}

    void AfterProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;
    // An up-down living inside the edit (a child window of the spinner
    // classes) is attached by handle and left in the frame's list.
    void FindUPDown(HWND edit, TSkinData* data, TCanvas* canvas);
    // Painting for WM_PRINT.
    void PaintControl1(HDC dc);
    void DrawControl1(HDC dc, const TRect& rect);
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TSkinUpDown* UpDown = nullptr; // owned by the frame's list
};

// An up-down control, painted wholly by the skin.
class TSkinUpDown : public TSkinControl {
    ORVANE_CLASS(TSkinUpDown, TSkinControl)
    explicit TSkinUpDown(TComponent* AOwner) : TSkinControl(AOwner) {}
    ~TSkinUpDown() override;

    bool BeforeProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;
    void DrawSkinButton(HDC dc, const TRect& rect, int direction, int state);
    void DrawButton(TCanvas* canvas, const TRect& rect, int direction, int state);

    bool Embedded = false;           // a child of an edit
    int32_t OrientationOverride = 0; // 1 forces left and right halves
    bool Pressed = false;            // the left button went down on the control

private:
    bool Vertical();
    void RepaintNow();
};

// A check box from the Button object's CheckImage.
class TSkinCheckBox : public TSkinControl {
    ORVANE_CLASS(TSkinCheckBox, TSkinControl)
    explicit TSkinCheckBox(TComponent* AOwner) : TSkinControl(AOwner) {}

    void Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas) override;
    void Inithwnd(HWND wnd, TSkinData* data, TSkinControlHost* frame, TCanvas* canvas) override;
    bool BeforeProc(TMessage& Message) override;
    void AfterProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;

    int32_t LastCheck = 0;     // the last BM_SETCHECK state plus 1; 0 none
    bool SkinnedPaint = false; // CheckImage is there
    bool ParentBackground = false;

protected:
    // Caption, font, text colour and focus for both check-like kinds.
    void PaintWith(HDC dc, const TRect& rect, TBitmap* image, int frames, int frame, int rightInset);
    void SetFlags(TBitmap* image);
    TCheckLook Look();
    // The strip this kind is painted from; none without a skin.
    virtual TBitmap* FaceImage() const;
};

// A radio button from the Button object's RadioImage.
class TSkinRadioButton : public TSkinCheckBox {
    ORVANE_CLASS(TSkinRadioButton, TSkinCheckBox)
    explicit TSkinRadioButton(TComponent* AOwner) : TSkinCheckBox(AOwner) {}

    void AfterProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;

protected:
    TBitmap* FaceImage() const override;
};

// A group box or radio group: a rounded line in the skin's shadow colour with
// the caption on the face colour.
class TSkinGroupBox : public TSkinControl {
    ORVANE_CLASS(TSkinGroupBox, TSkinControl)
    explicit TSkinGroupBox(TComponent* AOwner) : TSkinControl(AOwner) {}

    void Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas) override;
    bool BeforeProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;
    void DefaultDraw(HDC dc, const TRect& rect);

    bool FrameworkControl = false;
};

// Panels, nested forms and tool bars: no hook at all, only the colour (with
// recolour on) until released.
class TSkinBox : public TSkinControl {
    ORVANE_CLASS(TSkinBox, TSkinControl)
    explicit TSkinBox(TComponent* AOwner) : TSkinControl(AOwner) {}

    void Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas) override;
    void Unsubclass() override;
    void AfterProc(TMessage& Message) override;
};

// The frame's tool-bar custom-draw handlers.
void ToolBarDrawBackground(TSkinControlHost& frame, TToolBar* bar, const TRect& rect, bool& defaultDraw);
void ToolBarDrawButton(TSkinControlHost& frame, TToolBar* bar, TToolButton* button, TCustomDrawState state,
                       bool& defaultDraw);
