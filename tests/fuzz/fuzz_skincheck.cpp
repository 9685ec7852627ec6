// Arbitrary text as the ini of a skin whose bitmaps are fixed: a border-like
// strip with key-colour corners, a strip too narrow for its frames, and a
// file that is no bitmap. The check must say something sensible about any
// of it and never fail itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/bmpcodec.h"
#include "skinfiles/skincheck.h"

namespace {

std::vector<uint8_t> Bmp(int32_t w, int32_t h)
{
    TBmpImage image;
    image.Width = w;
    image.Height = h;
    image.Pixels.assign(static_cast<size_t>(w) * h, 0xFF404040);
    image.Pixels[0] = 0xFFFF00FF;
    TMemoryStream out;
    EncodeBmp(image, 24, out);
    return {out.Memory(), out.Memory() + out.GetSize()};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const TSkinFiles images = {{"top.bmp", Bmp(142, 50)},
                                      {"left.bmp", Bmp(8, 100)},
                                      {"close.bmp", Bmp(95, 18)},
                                      {"bad.bmp", {'B', 'M', 0}}};
    TSkinFiles files = images;
    files["skin.ini"].assign(data, data + size);
    for (const std::string& line : CheckSkin(files))
        if (line.empty() || line.find(": ") == std::string::npos) std::abort();
    return 0;
}
