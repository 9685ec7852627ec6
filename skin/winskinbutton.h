// Skinned buttons: push buttons, bitmap buttons, speed buttons and drop-down
// menu buttons painted from the skin's button image (five frames side by
// side: 1 normal, 2 pressed, 3 disabled, 4 hot, 5 focused or default).
// Without a button image the controls keep their own painting; their mouse
// and keyboard handling stays the engine's. Win32 only.
#pragma once

#include <memory>
#include <string>

#include "skin/winsubclass.h"

// Enters the button kinds into the kind registry (once; the control list
// calls it, so that the kinds are there whenever a matcher runs).
void RegisterSkinButtonKinds();

// Face frames of the button image.
constexpr int32_t SkinBtnNormal = 1;
constexpr int32_t SkinBtnPressed = 2;
constexpr int32_t SkinBtnDisabled = 3;
constexpr int32_t SkinBtnHot = 4;
constexpr int32_t SkinBtnFocused = 5;

class TSkinButton : public TSkinControl {
    ORVANE_CLASS(TSkinButton, TSkinControl)
    explicit TSkinButton(TComponent* AOwner);
    ~TSkinButton() override;

    void Init(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas) override;
    void Inithwnd(HWND wnd, TSkinData* data, TSkinControlHost* frame, TCanvas* canvas) override;
    bool BeforeProc(TMessage& Message) override;
    void AfterProc(TMessage& Message) override;
    void DrawControl(HDC dc, const TRect& rect) override;

    bool Pressed = false;
    bool Hot = false;
    // Paint over the parent's background instead of csButtonFace (Tag 5555
    // or xoTransparent).
    bool ParentBG = false;
    // Classes whose own mouse-down handling must run as it is.
    bool OwnMouseDown = false;
    // A picture property painted instead of the glyph ("PngImage" for the
    // Skin3rd kinds "pngbitbtn" and "pngspeedbutton"); empty: the glyph.
    std::string PictureProp;

    // The face frame for the state now, and the caption colour in it.
    int32_t FaceFrame();
    TColor TextColor(int32_t frame);

protected:
    bool HasSkin() const;
    // Buffer at the control's size with its background: the parent's image or
    // csButtonFace; the face frame over it. Answers the buffer's DC.
    HDC BeginFace(const TRect& rect, int32_t frame, bool drawFace);
    void EndFace(HDC dc, const TRect& rect);
    // The caption centred, the first "||" a line break, inset 2 pixels; a
    // focus rectangle 2 pixels around it when asked.
    void DrawBtnText(HDC dc, const TRect& rect, const std::wstring& caption, TColor color, bool focusRect);
    void SetParentBG();
    void Click();

    std::unique_ptr<TBitmap> buffer_;
};

// A push button with a glyph (Glyph/NumGlyphs, laid out by Layout, Margin,
// Spacing) or a picture property.
class TSkinBitButton : public TSkinButton {
    ORVANE_CLASS(TSkinBitButton, TSkinButton)
    explicit TSkinBitButton(TComponent* AOwner) : TSkinButton(AOwner) {}
    void DrawControl(HDC dc, const TRect& rect) override;

protected:
    // Glyph image (1 up, 2 disabled, 3 down, 4 stay down) for a face frame.
    static int32_t GlyphIndex(int32_t frame, bool down);
    // The glyph and caption on the face; with focusRect the caption gets the
    // focus rectangle push buttons draw.
    void DrawGlyphCaption(HDC dc, const TRect& rect, int32_t glyphIndex, TColor color, bool focusRect);
    void DrawPicControl(HDC dc, const TRect& rect);
};

// A windowless speed button: hooked through its WindowProc, painted on its
// parent's DC through its own canvas.
class TSkinSpeedButton : public TSkinBitButton {
    ORVANE_CLASS(TSkinSpeedButton, TSkinBitButton)
    explicit TSkinSpeedButton(TComponent* AOwner);

    void Attach(TSkinControlHost* frame, TSkinData* data, bool recolor, TCanvas* canvas) override;
    void InitGraphicControl(TSkinControlHost* frame, TSkinData* data, TCanvas* canvas);
    bool BeforeProc(TMessage& Message) override;
    void AfterProc(TMessage& Message) override;
    void PaintControl(HDC dc) override;

    // The face frame and glyph image the button shows now.
    int32_t SpeedFaceFrame();

protected:
    void DrawSpeedbtn(TCanvas* canvas, const TRect& rect);
    void DrawPicbtn(HDC dc, const TRect& rect);

private:
    bool drawing_ = false;
};

// A drop-down menu button: painted as a push button with an arrow at the
// right.
class TSkinMenuButton : public TSkinButton {
    ORVANE_CLASS(TSkinMenuButton, TSkinButton)
    explicit TSkinMenuButton(TComponent* AOwner) : TSkinButton(AOwner) {}
    void DrawControl(HDC dc, const TRect& rect) override;
};
