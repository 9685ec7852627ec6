// Image utilities of the skin: blending colours (system colours resolved),
// gradient fills, mirroring and key-colour replacement. Win32 only.
#pragma once

#include "framework/graphics.h"

// Blends a and b (p percent of a when p < 100, else p per mille); system
// colours are resolved to RGB first.
TColor Blend(TColor a, TColor b, int32_t p);
// The saturation figure of the colour (system colours resolved first); see
// HSVSaturation in imgcolor.h.
int32_t GetHSV(TColor color);
// One solid line per pixel row (vertical) or column across rect, from the
// colour `from` at the first line to `to` at the last.
void GradFill(HDC dc, const TRect& rect, TColor from, bool vertical, TColor to);
// Mirrors the bitmap left to right, in place.
void SpiegelnHorizontal(TBitmap* bitmap);
// Makes the bitmap 24-bit and turns every pure magenta pixel into color.
void ChangeTrans(TBitmap* bitmap, TColor color);
