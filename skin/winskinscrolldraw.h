// The skinned scroll bar as a picture: where its parts lie along the bar,
// which part a point falls on, where a dragged thumb goes, and the painting
// of a whole bar (track, arrows, thumb, grip) from the skin's scroll-bar
// objects into one buffer. The overlay windows only gather this state.
// Win32 only.
#pragma once

#include "framework/graphics.h"
#include "skin/winskindata.h"

// The parts of a bar, numbered as the scroll requests they stand for.
constexpr int sbpNone = -1;
constexpr int sbpFirstArrow = SB_LINEUP;    // 0: up or left
constexpr int sbpSecondArrow = SB_LINEDOWN; // 1: down or right
constexpr int sbpPageBefore = SB_PAGEUP;    // 2
constexpr int sbpPageAfter = SB_PAGEDOWN;   // 3
constexpr int sbpThumb = SB_THUMBTRACK;     // 5

// Along the bar, in pixels from its start.
struct TScrollGeometry {
    int Length = 0;     // the bar's length
    int Arrow = 0;      // one arrow's length
    int ThumbStart = 0; // the thumb, from start to end
    int ThumbEnd = 0;
};

// The part under coordinate c along the bar.
int ScrollHitPart(int c, const TScrollGeometry& g);

// Where a dragged thumb starts: at its start when pressed plus the cursor's
// movement along the bar since then, kept between the two arrows.
int DraggedThumbStart(int startAtPress, int moved, const TScrollGeometry& g);

// The bar's thickness for the skin: the Scrollbar image's height when it is
// within 2 pixels of the arrow size, else the arrow size.
int ScrollThickness(const TSkinData& data, int arrow);

// The scroll-request code a WM_HSCROLL / WM_VSCROLL carries, as the part to
// show operated (sbpNone once the scrolling ends).
int ScrollPartOfRequest(int request);

// A bar as it is to be shown.
struct TScrollBarLook {
    bool Vertical = true;
    int Cross = 0; // the bar's size across
    TScrollGeometry Geometry;
    bool Enabled = true;
    int Hot = sbpNone;
    bool Pressed = false;
    // While the thumb is dragged its start follows the cursor.
    bool Dragging = false;
    int StartAtPress = 0;
    int Moved = 0;
    TColor Face = clBtnFace;
};

// Paints the bar into dc at dest (the overlay's client area), through one
// buffer of the bar's size. Answers false, painting nothing, when the skin
// has no Scrollbar image or the bar does not fit dest.
bool PaintScrollBar(HDC dc, const TRect& dest, const TScrollBarLook& look, TSkinData& data);

// The image frames the painting picks, for a look: the first and second
// arrow, the track, the thumb (0: none drawn) and its grip (0: none).
struct TScrollFrames {
    int FirstArrow = 0, SecondArrow = 0, Track = 0, Thumb = 0, Grip = 0;
};
TScrollFrames ScrollFramesOf(const TScrollBarLook& look);

// The border a skinned scrolling control gets instead of its sunken edge:
// a 1-pixel frame in shadow at the window edge and one in face inside it.
void DrawScrollControlBorder(HDC dc, const TRect& window, TColor shadow, TColor face);
