// The skin's image routines: pick one state frame out of a multi-frame
// image, scale it into a rectangle keeping fixed-size edges (nine-slice,
// three-slice), tile it, copy it with the key colour left out, and turn an
// image into a window region. They hold no state between calls. Win32 only.
//
// Conventions shared by all of them:
// - image: frames of equal size side by side, or one below another when
//   vertical is set. Frames are numbered from 1; frame numbers outside
//   1..frames are clamped into that range.
// - margins: the edge sizes (Left, Top, Right, Bottom) of the source frame
//   that are copied without being stretched along their edge.
// - A null or empty image, a frame count below 1, or a frame narrower or
//   lower than one pixel draws nothing (and the bitmap-returning routines
//   answer a bitmap of the asked size left black).
// - Scaling uses COLORONCOLOR: rows and columns are dropped or repeated,
//   never blended, so the key colour survives scaling.
#pragma once

#include <memory>
#include <string>

#include "framework/graphics.h"

class TControl;

// The built-in bitmaps every program linking the skin library carries:
// a 16 x 4 track groove, the same upright (4 x 16), and four 16 x 16 black
// glyphs on white (restore, maximize, minimize, close).
constexpr const char* SkinTrackResource = "TRACK";
constexpr const char* SkinTrackVertResource = "TRACKVERT";
constexpr const char* SkinMenuGlyphsResource = "SKINMENUGLYPHS";

// The key colour: pixels of exactly this colour are left out by the
// transparent copies and by BitmapToRegion.
constexpr TColor SkinKeyColor = 0xFF00FF;

// The source rectangle of frame `frame` of `frames` in image (empty when
// there is nothing to draw).
TRect FrameRect(TBitmap* image, bool vertical, int32_t frames, int32_t frame);

// A new 24-bit bitmap of size's width and height holding the frame
// nine-sliced: corners unscaled, edges stretched along their edge, the centre
// stretched or (tile) repeated from the top left. Margins that do not fit the
// size are dropped in that direction. Null for an inverted size.
std::unique_ptr<TBitmap> GetHMap(const TRect& size, TBitmap* image, const TRect& margins, bool vertical,
                                 bool tile, int32_t frames, int32_t frame);
// GetHMap for rect, copied to dc opaquely or with the key colour left out.
void DrawRect2(HDC dc, const TRect& rect, TBitmap* image, bool vertical, bool tile, bool transparent,
               int32_t frames, int32_t frame, const TRect& margins);
// Nine-slices straight into dc, every piece (centre included) stretched.
void DrawBorder(HDC dc, const TRect& rect, TBitmap* image, bool vertical, int32_t frames, int32_t frame,
                const TRect& margins);
// The whole frame stretched to rect.
void DrawRect1(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int32_t frames, int32_t frame);
// The frame unscaled, centred in rect (offsets rounded toward zero).
void DrawRect3(HDC dc, const TRect& rect, TBitmap* image, bool transparent, int32_t frames, int32_t frame);
// Three-slice across: the left and right margin parts at the ends, the middle
// repeated from left to right; every piece stretched to rect's height.
void DrawRectTile(TCanvas* canvas, const TRect& rect, TBitmap* image, bool vertical, bool transparent,
                  int32_t frames, int32_t frame, const TRect& margins);
// Three-slice across with the middle stretched (margins Left and Right);
// the whole frame stretched when rect is narrower than the frame.
void DrawRectH(HDC dc, const TRect& rect, TBitmap* image, bool vertical, int32_t frames, int32_t frame,
               const TRect& margins);
// Three-slice down with the middle stretched (margins Top and Bottom); the
// whole frame stretched when rect is lower than the frame.
void DrawRectV(HDC dc, const TRect& rect, TBitmap* image, bool vertical, int32_t frames, int32_t frame,
               const TRect& margins);
// A new 24-bit bitmap of size's width and height: the frame three-sliced
// down (top part, stretched middle, bottom part), every piece stretched to
// the width. Null for an inverted size.
std::unique_ptr<TBitmap> GetThumbMap(const TRect& size, TBitmap* image, const TRect& margins, bool vertical,
                                     int32_t frames, int32_t frame);
// Tiles source (a rectangle of image) over dest, column by column from the
// top left, clipped to dest.
void DrawBGbmp(TCanvas* canvas, const TRect& dest, TBitmap* image, const TRect& source);
void DrawBGbmp(HDC dc, const TRect& dest, TBitmap* image, const TRect& source);
// Copies bitmap unscaled from its top-left corner into rect, leaving out
// every pixel of key.
void DrawTranmap(HDC dc, const TRect& rect, TBitmap* bitmap, TColor key = SkinKeyColor);
// Plain copy of bitmap into rect, unscaled from its top-left corner.
void Bitmapdraw(HDC dc, const TRect& rect, TBitmap* bitmap);
// Paints control's parent background into dc (parent's erase-background,
// then paint), as seen under the control.
void DrawParentImage(TControl* control, HDC dc);
// A region of every pixel of bitmap that is not the key colour, offset by
// (x, y). A pixel counts as key when each channel lies between the key's
// value and that value plus the tolerance (capped at 255). Null handle for
// a null or empty bitmap; an empty region for one that is all key.
TRegionHandle BitmapToRegion(TBitmap* bitmap, int32_t x, int32_t y, uint8_t redTolerance = 0,
                             uint8_t greenTolerance = 0, uint8_t blueTolerance = 0,
                             TColor key = SkinKeyColor);
// The window's text, wide and as the window's ANSI text.
std::wstring GetFormCaption(HWND wnd);
std::string GetFormCaptionA(HWND wnd);
// The window's class name (at most 100 characters).
std::string GetWindowClassname(HWND wnd);
