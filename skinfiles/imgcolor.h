// Colour arithmetic of the skin images: blending, the saturation figure the
// tool-bar gradient keys on, and gradient steps. Portable: these take plain
// RGB values (red in the low byte); resolving system colours first is the
// Win32 side's job (imgutil.h).
#pragma once

#include <cstdint>

// Per channel (p*a + (s - p)*b + s/2) div s, with s = 100 for p below 100 and
// 1000 otherwise, so p is a percentage or a per-mille. p is clamped to 0..s,
// so the result always stays in 0..255 per channel.
uint32_t BlendRGB(uint32_t a, uint32_t b, int32_t p);

// The colour's saturation scaled to 0..255; 200 when red, green and blue are
// all below 160 (dark colours count as saturated enough).
int32_t HSVSaturation(uint32_t rgb);

// Line i of a gradient of `lines` lines from `from` to `to` (per channel
// from + (n div 2 + i*(to - from)) div n, n = lines - 1, the division
// rounding down so that the last line is exactly `to`). A gradient of one
// line (or none) is `from` throughout.
uint32_t GradientColor(uint32_t from, uint32_t to, int32_t i, int32_t lines);
