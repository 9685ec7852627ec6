// The drawing of the skinned edits, spinners, check boxes, radio buttons,
// group boxes and tool-bar buttons, apart from the controls they belong to:
// each routine takes a device context, a rectangle and the state to show,
// so the control kinds only gather state and the pictures can be checked on
// a bitmap. Win32 only.
#pragma once

#include <string>

#include "framework/comctrls.h"
#include "framework/graphics.h"
#include "skin/winskindata.h"

// ---------------------------------------------------------------------------
// Check boxes and radio buttons.

// What a check-like control shows, before it is turned into an image frame.
struct TCheckLook {
    int Base = 1; // 1 unchecked, 2 checked, 4 grey (third state)
    bool Disabled = false;
    bool Indeterminate = false;
};

// The check image frame for a look on an image of `frames` frames: 1
// unchecked, 2 checked, 3 unchecked disabled, 4 checked disabled (or
// indeterminate). Twelve-frame images have their own layout (5 checked, 4
// unchecked disabled, 8 checked disabled, 9 / 12 indeterminate).
int CheckImageFrame(const TCheckLook& look, int frames);
// The radio image frame; eight-frame images are laid out as the first eight
// of a twelve-frame check image.
int RadioImageFrame(const TCheckLook& look, int frames);

// One check box or radio button: the image frame at its own width and the
// image's height, centred vertically at the left edge (right edge, inset by
// imageRightInset, when boxRight), the caption beside it.
struct TCheckPaint {
    TBitmap* Image = nullptr;
    int Frames = 1;
    int Frame = 1;
    bool BoxRight = false;    // BS_LEFTTEXT: box on the right, text right-aligned
    int ImageRightInset = 0;  // radio buttons sit one pixel in from the right
    bool RightToLeft = false; // BiDiMode right-to-left reading
    bool FillBackground = true;
    TColor Face = clBtnFace;
    std::wstring Caption;
    HFONT Font = nullptr; // null: the font selected in the DC
    TColor TextColor = clBtnText;
    bool Focused = false; // draws the focus rectangle around the caption
};
void PaintCheckLike(HDC dc, const TRect& r, const TCheckPaint& p);

// The rectangle of the check image within r.
TRect CheckImageRect(const TRect& r, int frameWidth, int imageHeight, bool boxRight, int rightInset);

// ---------------------------------------------------------------------------
// Edits.

// The skinned edit border over a window rectangle (origin 0, 0): a 1-pixel
// frame in shadow at the edge and two 1-pixel white frames inside it.
void DrawEditBorder(HDC dc, const TRect& window, TColor shadow);
// The border for printing: the frame inset by 1 in the current brush colour
// inside the outer frame in shadow.
void DrawEditPrintBorder(HDC dc, const TRect& window, TColor inner, TColor shadow);

// ---------------------------------------------------------------------------
// Up-down halves.

// Directions of an up-down half.
constexpr int udDirUp = 0, udDirDown = 1, udDirLeft = 2, udDirRight = 3;
// States of a half: 1 normal, 2 pressed, 3 disabled (4 hot, not used here).
constexpr int udsNormal = 1, udsPressed = 2, udsDisabled = 3;

// The image frame of a half: up 1-4, down 5-8; left 1-4, right 5-8.
int UpDownImageFrame(bool vertical, int direction, int state);
// The two halves of an up-down rectangle: upper and lower at half the height
// (rounded toward zero), left and right at half the width.
void SplitUpDown(const TRect& r, bool vertical, TRect& first, TRect& second);
// The state of each half: pressed where the button is down over it,
// disabled overriding both.
void UpDownHalfStates(const TRect& r, bool vertical, bool buttonDown, TPoint cursor, bool disabled,
                      int& first, int& second);

// One half from the skin object: the frame stretched to the half with the key
// left out, the glyph's same frame (if the object has one) unscaled and
// centred over it.
void DrawSkinUpDownHalf(HDC dc, const TRect& r, TDataSkinBorder& obj, bool vertical, int direction,
                        int state);
// One half without a skin object: a filled, outlined box with a small arrow.
void DrawPlainUpDownHalf(TCanvas& canvas, const TRect& r, int direction, int state, TColor face,
                         TColor shadow, TColor dkShadow);

// A whole up-down into dc at r, through one off-screen buffer: both halves
// from the orientation's skin object, or plain without one.
struct TUpDownPaint {
    bool Vertical = true;
    int FirstState = udsNormal, SecondState = udsNormal;
    TColor Face = clBtnFace, Shadow = clBtnShadow, DkShadow = cl3DDkShadow;
    TDataSkinBorder* Skin = nullptr; // null: the colour-only look
};
void PaintUpDown(HDC dc, const TRect& r, const TUpDownPaint& p);

// ---------------------------------------------------------------------------
// Group boxes.

struct TGroupPaint {
    std::wstring Caption;
    HFONT Font = nullptr; // null: the font selected in the DC
    TColor TextColor = clBtnText;
    TColor Face = clBtnFace;
    TColor Line = clBtnShadow;
    bool FillFace = true;              // framework controls are filled first
    HBRUSH EraseSystemFrame = nullptr; // plain windows: their own frame painted out
    bool RightAligned = false;         // WS_EX_RIGHT
    bool RightToLeft = false;
};
// The rounded 1-pixel line from (1, h / 2) to the bottom right, h the
// height of "0", interrupted by the caption 8 pixels in from the left (or
// right) edge on the face colour.
void PaintGroupBox(HDC dc, const TRect& r, const TGroupPaint& p);

// ---------------------------------------------------------------------------
// Tool-bar buttons.

// The Button frame a tool button is drawn in for its custom-draw state:
// selected 2, focused or hot 4, default 1; 0 (grayed, disabled, or no state)
// leaves the button to the tool bar.
int ToolButtonFaceState(TCustomDrawState state);
