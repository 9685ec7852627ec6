// Arbitrary bytes into the BMP decoder: it must either refuse them with
// EInvalidGraphic or produce an image that survives our own encoder unchanged.
#include "runtime/bmpcodec.h"

#include <cstdlib>

namespace {

// Small enough that a hostile header cannot slow the run down with huge
// allocations, large enough for every real skin bitmap.
constexpr int64_t FuzzMaxPixels = int64_t{1} << 20;

void Check(bool ok)
{
    if (!ok) std::abort();
}

void RoundTrip(const TBmpImage& img, int bitCount)
{
    TMemoryStream s;
    EncodeBmp(img, bitCount, s);
    const TBmpImage back = DecodeBmp(std::span<const uint8_t>(s.Bytes()), FuzzMaxPixels);
    Check(back.Width == img.Width && back.Height == img.Height && back.BitCount == bitCount);
    for (size_t i = 0; i < img.Pixels.size(); ++i) {
        // 24 bits drop alpha; 32 bits keep it, except that an all-zero alpha
        // channel reads back as opaque.
        const uint32_t want = bitCount == 24 || !img.HasAlpha ? img.Pixels[i] | 0xFF000000u : img.Pixels[i];
        Check(back.Pixels[i] == want);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TBmpImage img;
    try {
        img = DecodeBmp(std::span(data, size), FuzzMaxPixels);
    } catch (const EInvalidGraphic&) {
        return 0;
    }
    Check(img.Width > 0 && img.Height > 0 && img.Pixels.size() == size_t(img.Width) * size_t(img.Height));
    Check(img.BitCount > 8 || (!img.Palette.empty() && img.Palette.size() <= (1u << img.BitCount)));
    RoundTrip(img, 24);
    RoundTrip(img, 32);
    return 0;
}
