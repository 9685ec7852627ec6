// Windows BMP files in and out, without GDI: the bitmap class, the skin loader
// and the fuzzer all go through this one decoder. Portable: no <windows.h>.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/classes.h"

// A decoded bitmap.
//
// Pixels holds Width * Height values 0xAARRGGBB, row after row from the top
// row down. On the little-endian machines we build for, that is byte for byte
// the memory of a top-down 32-bit DIB (B, G, R, A), so a bitmap can copy a
// whole image in one go. Images without an alpha channel (and images whose
// alpha is zero everywhere, which is what most 32-bit writers store in the
// spare byte) come out opaque: alpha 0xFF.
//
// The remaining fields describe what the file held, so that a bitmap can
// report its original pixel format.
struct TBmpImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;

    int BitCount = 0; // 1, 4, 8, 16, 24 or 32
    // The channel masks of 16- and 32-bit files (the defaults when the file
    // named none: 555 for 16 bits, 888 for 32); zero for other depths.
    uint32_t RedMask = 0, GreenMask = 0, BlueMask = 0, AlphaMask = 0;
    bool HasAlpha = false; // some pixel has an alpha other than 0xFF
    // The colour table of 1-, 4- and 8-bit files as 0xFFRRGGBB, as many
    // entries as the file declared (at most 2^BitCount); empty otherwise.
    std::vector<uint32_t> Palette;

    uint32_t Pixel(int32_t x, int32_t y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

// Larger images are refused as damaged rather than allocated.
inline constexpr int32_t BmpMaxDimension = 32768;
inline constexpr int64_t BmpMaxPixels = int64_t{64} << 20;

// Decodes a whole BMP file. Anything malformed, truncated, too large or in a
// form we do not read (JPEG or PNG inside a BMP, OS/2 2.x headers) raises
// EInvalidGraphic saying what is wrong; the decoder never reads outside data.
TBmpImage DecodeBmp(std::span<const uint8_t> data, int64_t maxPixels = BmpMaxPixels);

// Decodes the file starting at the stream's position and leaves the position
// just after the last byte of pixel data the image used.
TBmpImage DecodeBmp(TStream& stream, int64_t maxPixels = BmpMaxPixels);

// Writes image as a 24- or 32-bit BMP file (40-byte info header, bottom-up,
// rows padded to 4 bytes) at the stream's position. 32-bit files keep the
// alpha byte of each pixel. Raises EInvalidGraphic for another bit count or
// an image whose size does not match its pixels.
void EncodeBmp(const TBmpImage& image, int bitCount, TStream& stream);
