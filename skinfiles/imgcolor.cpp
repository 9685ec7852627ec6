#include "skinfiles/imgcolor.h"

#include <algorithm>

namespace {

int32_t Channel(uint32_t rgb, int shift)
{
    return static_cast<int32_t>((rgb >> shift) & 0xFF);
}

uint32_t Pack(int32_t r, int32_t g, int32_t b)
{
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b) << 16;
}

} // namespace

uint32_t BlendRGB(uint32_t a, uint32_t b, int32_t p)
{
    const int32_t s = p < 100 ? 100 : 1000;
    // Outside 0..s one weight turns negative and channels would leave 0..255.
    p = std::clamp(p, 0, s);
    auto mix = [&](int shift) { return (p * Channel(a, shift) + (s - p) * Channel(b, shift) + s / 2) / s; };
    return Pack(mix(0), mix(8), mix(16));
}

int32_t HSVSaturation(uint32_t rgb)
{
    const int32_t r = Channel(rgb, 0), g = Channel(rgb, 8), b = Channel(rgb, 16);
    if (r < 160 && g < 160 && b < 160) return 200;
    const int32_t hi = std::max({r, g, b});
    const int32_t lo = std::min({r, g, b});
    return hi == 0 ? 0 : (hi - lo) * 255 / hi;
}

uint32_t GradientColor(uint32_t from, uint32_t to, int32_t i, int32_t lines)
{
    const int32_t n = lines - 1;
    if (n <= 0) return from & 0xFFFFFF;
    // Rounded to nearest in both directions: with a division truncating
    // toward zero the half step added would round falling channels the
    // wrong way, and a falling gradient would stop one short of `to`.
    auto step = [&](int shift) {
        const int32_t f = Channel(from, shift);
        const int32_t num = n / 2 + i * (Channel(to, shift) - f);
        const int32_t delta = num >= 0 ? num / n : -((-num + n - 1) / n);
        return std::clamp(f + delta, 0, 255);
    };
    return Pack(step(0), step(8), step(16));
}
