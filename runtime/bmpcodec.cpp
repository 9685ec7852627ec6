#include "runtime/bmpcodec.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <string>

static_assert(std::endian::native == std::endian::little,
              "pixel words are copied as the B, G, R, A bytes of a DIB row");

namespace {

enum : uint32_t {
    BI_RGB = 0,
    BI_RLE8 = 1,
    BI_RLE4 = 2,
    BI_BITFIELDS = 3,
    BI_JPEG = 4,
    BI_PNG = 5,
    BI_ALPHABITFIELDS = 6,
};

constexpr size_t FileHeaderSize = 14;
constexpr size_t CoreHeaderSize = 12;
constexpr size_t InfoHeaderSize = 40;
constexpr uint32_t Opaque = 0xFF000000u;

[[noreturn]] void Fail(const std::string& why)
{
    throw EInvalidGraphic("Invalid bitmap: " + why);
}

uint16_t U16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t U32(const uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
int32_t I32(const uint8_t* p)
{
    return static_cast<int32_t>(U32(p));
}

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::string Num(uint64_t v)
{
    return std::to_string(v);
}

// Everything the headers say, checked, before any pixel is touched.
struct Layout {
    int64_t width = 0;
    int64_t height = 0; // positive
    bool topDown = false;
    int bitCount = 0;
    uint32_t compression = BI_RGB;
    uint32_t masks[4] = {}; // red, green, blue, alpha
    size_t paletteStart = 0;
    size_t paletteEntries = 0;
    size_t paletteEntrySize = 4;
    size_t pixelStart = 0;
};

void ReadInfoHeader(std::span<const uint8_t> d, Layout& l, uint32_t& colorsUsed, size_t& afterHeader)
{
    if (d.size() < FileHeaderSize + 4) Fail("truncated info header");
    const uint32_t infoSize = U32(&d[FileHeaderSize]);
    switch (infoSize) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 108:
    case 124:
        break;
    default:
        Fail("unsupported info header size " + Num(infoSize));
    }
    if (d.size() - FileHeaderSize < infoSize) Fail("truncated info header");
    const uint8_t* h = &d[FileHeaderSize];
    afterHeader = FileHeaderSize + infoSize;
    colorsUsed = 0;
    if (infoSize == CoreHeaderSize) {
        l.width = U16(h + 4);
        l.height = U16(h + 6);
        l.bitCount = U16(h + 10);
        l.paletteEntrySize = 3;
        return;
    }
    l.width = I32(h + 4);
    const int64_t height = I32(h + 8);
    l.topDown = height < 0;
    l.height = l.topDown ? -height : height;
    l.bitCount = U16(h + 14);
    l.compression = U32(h + 16);
    colorsUsed = U32(h + 32);
    if (infoSize >= 52) {
        l.masks[0] = U32(h + 40);
        l.masks[1] = U32(h + 44);
        l.masks[2] = U32(h + 48);
    }
    if (infoSize >= 56) l.masks[3] = U32(h + 52);
}

void CheckFormat(const Layout& l)
{
    switch (l.bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
        break;
    default:
        Fail("unsupported bit count " + Num(l.bitCount));
    }
    switch (l.compression) {
    case BI_RGB:
        break;
    case BI_RLE8:
        if (l.bitCount != 8) Fail("RLE8 compression needs 8 bits per pixel, not " + Num(l.bitCount));
        break;
    case BI_RLE4:
        if (l.bitCount != 4) Fail("RLE4 compression needs 4 bits per pixel, not " + Num(l.bitCount));
        break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS:
        if (l.bitCount != 16 && l.bitCount != 32)
            Fail("bit-field compression needs 16 or 32 bits per pixel, not " + Num(l.bitCount));
        break;
    case BI_JPEG:
        Fail("JPEG compression is not supported");
    case BI_PNG:
        Fail("PNG compression is not supported");
    default:
        Fail("unknown compression " + Num(l.compression));
    }
    if ((l.compression == BI_RLE8 || l.compression == BI_RLE4) && l.topDown)
        Fail("a compressed bitmap cannot be top-down");
}

void CheckSize(const Layout& l, int64_t maxPixels)
{
    if (l.width <= 0 || l.width > BmpMaxDimension) Fail("width " + std::to_string(l.width) + " out of range");
    if (l.height == 0 || l.height > BmpMaxDimension)
        Fail("height " + std::to_string(l.height) + " out of range");
    if (l.width * l.height > maxPixels)
        Fail("image of " + Num(l.width) + " x " + Num(l.height) + " pixels is too large (more than the " +
             Num(std::max<int64_t>(maxPixels, 0)) + " allowed)");
}

// 16- and 32-bit files without masks use the fixed layouts; a 40-byte header
// keeps its masks in the bytes after it.
void ReadMasks(std::span<const uint8_t> d, Layout& l, size_t& afterHeader, uint32_t infoSize)
{
    const bool bitfields = l.compression == BI_BITFIELDS || l.compression == BI_ALPHABITFIELDS;
    if (bitfields && infoSize == InfoHeaderSize) {
        const size_t count = l.compression == BI_ALPHABITFIELDS ? 4 : 3;
        if (d.size() - afterHeader < count * 4) Fail("truncated colour masks");
        for (size_t i = 0; i < count; ++i)
            l.masks[i] = U32(&d[afterHeader + i * 4]);
        afterHeader += count * 4;
    }
    if (bitfields) {
        if ((l.masks[0] | l.masks[1] | l.masks[2]) == 0) Fail("colour masks are all zero");
        // Bits beyond the pixel width can never be set; dropping them keeps
        // the scaling below exact.
        if (l.bitCount == 16)
            for (uint32_t& m : l.masks)
                m &= 0xFFFFu;
        return;
    }
    if (l.bitCount == 16) {
        l.masks[0] = 0x7C00, l.masks[1] = 0x03E0, l.masks[2] = 0x001F, l.masks[3] = 0;
    } else if (l.bitCount == 32) {
        // The spare byte is taken as alpha; if it is zero everywhere the image
        // is treated as opaque afterwards.
        l.masks[0] = 0xFF0000, l.masks[1] = 0xFF00, l.masks[2] = 0xFF, l.masks[3] = 0xFF000000u;
    } else {
        std::fill(std::begin(l.masks), std::end(l.masks), 0u);
    }
}

void PlaceTables(std::span<const uint8_t> d, Layout& l, uint32_t colorsUsed, size_t afterHeader)
{
    const uint32_t offBits = U32(&d[10]);
    if (offBits < afterHeader)
        Fail("pixel data offset " + Num(offBits) + " points into the headers (which end at " +
             Num(afterHeader) + ")");
    l.pixelStart = offBits;
    l.paletteStart = afterHeader;
    if (l.bitCount <= 8) {
        const size_t full = size_t{1} << l.bitCount;
        size_t entries = colorsUsed != 0 && colorsUsed < full ? colorsUsed : full;
        // Some writers store a short table without saying so; where the pixel
        // data starts tells how long it really is.
        entries = std::min(entries, (offBits - afterHeader) / l.paletteEntrySize);
        if (entries == 0) Fail("missing colour table");
        if (d.size() - afterHeader < entries * l.paletteEntrySize) Fail("truncated colour table");
        l.paletteEntries = entries;
    }
    if (offBits >= d.size())
        Fail("pixel data offset " + Num(offBits) + " is outside the file of " + Num(d.size()) + " bytes");
}

// Indices past the end of a short palette read as black.
std::array<uint32_t, 256> ColourLookup(std::span<const uint8_t> d, const Layout& l)
{
    std::array<uint32_t, 256> lut;
    lut.fill(Opaque);
    for (size_t i = 0; i < l.paletteEntries; ++i) {
        const uint8_t* e = &d[l.paletteStart + i * l.paletteEntrySize];
        lut[i] = Opaque | uint32_t{e[2]} << 16 | uint32_t{e[1]} << 8 | e[0];
    }
    return lut;
}

// One channel of a bit-field pixel, scaled to 8 bits with rounding.
struct Channel {
    explicit Channel(uint32_t mask) : mask(mask), shift(mask ? std::countr_zero(mask) : 0), max(mask >> shift)
    {
    }
    uint32_t Get(uint32_t pixel) const
    {
        const uint64_t v = (pixel & mask) >> shift;
        return max ? static_cast<uint32_t>((v * 255 + max / 2) / max) : 0;
    }
    uint32_t mask;
    int shift;
    uint32_t max;
};

uint32_t* OutRow(TBmpImage& img, const Layout& l, int64_t fileRow)
{
    const int64_t y = l.topDown ? fileRow : l.height - 1 - fileRow;
    return img.Pixels.data() + y * l.width;
}

void DecodeIndexed(const uint8_t* src, size_t stride, const Layout& l, const std::array<uint32_t, 256>& lut,
                   TBmpImage& img)
{
    const int bits = l.bitCount;
    const int perByte = 8 / bits;
    const unsigned mask = (1u << bits) - 1;
    for (int64_t r = 0; r < l.height; ++r, src += stride) {
        uint32_t* out = OutRow(img, l, r);
        if (bits == 8) {
            for (int64_t x = 0; x < l.width; ++x)
                out[x] = lut[src[x]];
            continue;
        }
        for (int64_t x = 0; x < l.width; ++x) {
            const int slot = static_cast<int>(x % perByte);
            const unsigned index = src[x / perByte] >> (8 - bits * (slot + 1)) & mask;
            out[x] = lut[index];
        }
    }
}

void Decode24(const uint8_t* src, size_t stride, const Layout& l, TBmpImage& img)
{
    for (int64_t r = 0; r < l.height; ++r, src += stride) {
        uint32_t* out = OutRow(img, l, r);
        const uint8_t* p = src;
        for (int64_t x = 0; x < l.width; ++x, p += 3)
            out[x] = Opaque | uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
    }
}

void DecodeBitfields(const uint8_t* src, size_t stride, const Layout& l, TBmpImage& img)
{
    const bool plain32 = l.bitCount == 32 && l.masks[0] == 0xFF0000 && l.masks[1] == 0xFF00 &&
                         l.masks[2] == 0xFF && (l.masks[3] == 0xFF000000u || l.masks[3] == 0);
    if (plain32) {
        const uint32_t fill = l.masks[3] ? 0 : Opaque;
        for (int64_t r = 0; r < l.height; ++r, src += stride) {
            uint32_t* out = OutRow(img, l, r);
            std::memcpy(out, src, static_cast<size_t>(l.width) * 4);
            if (fill)
                for (int64_t x = 0; x < l.width; ++x)
                    out[x] |= fill;
        }
        return;
    }
    const Channel red(l.masks[0]), green(l.masks[1]), blue(l.masks[2]), alpha(l.masks[3]);
    const size_t bytes = static_cast<size_t>(l.bitCount / 8);
    for (int64_t r = 0; r < l.height; ++r, src += stride) {
        uint32_t* out = OutRow(img, l, r);
        const uint8_t* p = src;
        for (int64_t x = 0; x < l.width; ++x, p += bytes) {
            const uint32_t v = bytes == 2 ? U16(p) : U32(p);
            const uint32_t a = l.masks[3] ? alpha.Get(v) : 0xFF;
            out[x] = a << 24 | red.Get(v) << 16 | green.Get(v) << 8 | blue.Get(v);
        }
    }
}

// Runs and absolute runs are cut at the row's end; a delta or an end of line
// may leave pixels unwritten, which keep palette entry 0. Returns the bytes
// consumed, including the end-of-bitmap marker when present.
size_t DecodeRle(std::span<const uint8_t> data, const Layout& l, const std::array<uint32_t, 256>& lut,
                 TBmpImage& img)
{
    const bool rle4 = l.compression == BI_RLE4;
    std::fill(img.Pixels.begin(), img.Pixels.end(), lut[0]);
    size_t p = 0;
    int64_t x = 0, y = 0;
    uint32_t* row = OutRow(img, l, 0);
    auto need = [&](size_t n) {
        if (data.size() - p < n) Fail("truncated RLE data in row " + Num(y));
    };
    auto nextRow = [&](int64_t dy) {
        y += dy;
        if (y < l.height) row = OutRow(img, l, y);
    };
    while (y < l.height) {
        need(2);
        const uint8_t n = data[p], v = data[p + 1];
        p += 2;
        if (n > 0) { // a run of one index, or of two alternating nibbles
            const int64_t end = std::min<int64_t>(x + n, l.width);
            for (int64_t i = 0; x + i < end; ++i)
                row[x + i] = lut[rle4 ? (i & 1 ? v & 15 : v >> 4) : v];
            x += n;
        } else if (v == 0) { // end of line
            x = 0;
            nextRow(1);
        } else if (v == 1) { // end of bitmap
            return p;
        } else if (v == 2) { // delta
            need(2);
            x += data[p];
            nextRow(data[p + 1]);
            p += 2;
        } else { // absolute run of v indices, padded to a 16-bit boundary
            const size_t bytes = rle4 ? (v + 1u) / 2 : v;
            need(bytes);
            const int64_t end = std::min<int64_t>(x + v, l.width);
            for (int64_t i = 0; x + i < end; ++i) {
                const uint8_t b = data[p + (rle4 ? i / 2 : i)];
                row[x + i] = lut[rle4 ? (i & 1 ? b & 15 : b >> 4) : b];
            }
            x += v;
            p += std::min(bytes + (bytes & 1), data.size() - p);
        }
    }
    // The image is full; a writer may still have closed it properly.
    if (data.size() - p >= 2 && data[p] == 0 && data[p + 1] == 1) p += 2;
    return p;
}

// Bytes of one stored row, rounded up to 32 bits. Cannot overflow for sizes
// CheckSize accepts, but the decoder must not rely on that staying so.
uint64_t Stride(int64_t width, int bitCount)
{
    const uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
    if (width < 0 || bits / static_cast<uint64_t>(bitCount) != static_cast<uint64_t>(width) ||
        bits > UINT64_MAX - 31)
        Fail("row size overflows");
    return (bits + 31) / 32 * 4;
}

TBmpImage Decode(std::span<const uint8_t> d, int64_t maxPixels, size_t& end)
{
    if (d.size() < FileHeaderSize) Fail("truncated file header");
    if (d[0] != 'B' || d[1] != 'M') Fail("bad signature (not a Windows bitmap)");

    Layout l;
    uint32_t colorsUsed = 0;
    size_t afterHeader = 0;
    ReadInfoHeader(d, l, colorsUsed, afterHeader);
    CheckFormat(l);
    CheckSize(l, maxPixels);
    ReadMasks(d, l, afterHeader, U32(&d[FileHeaderSize]));
    PlaceTables(d, l, colorsUsed, afterHeader);

    TBmpImage img;
    img.Width = static_cast<int32_t>(l.width);
    img.Height = static_cast<int32_t>(l.height);
    img.BitCount = l.bitCount;
    img.RedMask = l.masks[0], img.GreenMask = l.masks[1], img.BlueMask = l.masks[2],
    img.AlphaMask = l.masks[3];
    const auto lut = ColourLookup(d, l);
    img.Palette.assign(lut.begin(), lut.begin() + static_cast<std::ptrdiff_t>(l.paletteEntries));

    const std::span<const uint8_t> pixels = d.subspan(l.pixelStart);
    if (l.compression == BI_RLE8 || l.compression == BI_RLE4) {
        img.Pixels.resize(static_cast<size_t>(l.width * l.height));
        end = l.pixelStart + DecodeRle(pixels, l, lut, img);
        return img;
    }

    // The last row's padding is often left off; the data it would hold is not.
    const uint64_t stride = Stride(l.width, l.bitCount);
    const uint64_t lastRow = (static_cast<uint64_t>(l.width) * static_cast<uint64_t>(l.bitCount) + 7) / 8;
    const uint64_t size = stride * static_cast<uint64_t>(l.height - 1) + lastRow;
    if (size > pixels.size())
        Fail("truncated pixel data (" + Num(size) + " bytes needed, " + Num(pixels.size()) + " present)");
    end = l.pixelStart +
          static_cast<size_t>(std::min<uint64_t>(stride * static_cast<uint64_t>(l.height), pixels.size()));

    img.Pixels.resize(static_cast<size_t>(l.width * l.height));
    if (l.bitCount <= 8)
        DecodeIndexed(pixels.data(), stride, l, lut, img);
    else if (l.bitCount == 24)
        Decode24(pixels.data(), stride, l, img);
    else
        DecodeBitfields(pixels.data(), stride, l, img);

    if (l.masks[3] != 0) {
        // Most 32-bit writers leave the spare byte at zero: that is no alpha.
        const bool anyAlpha =
            std::any_of(img.Pixels.begin(), img.Pixels.end(), [](uint32_t p) { return p >> 24; });
        if (!anyAlpha)
            for (uint32_t& p : img.Pixels)
                p |= Opaque;
        img.HasAlpha =
            std::any_of(img.Pixels.begin(), img.Pixels.end(), [](uint32_t p) { return p < Opaque; });
    }
    return img;
}

} // namespace

TBmpImage DecodeBmp(std::span<const uint8_t> data, int64_t maxPixels)
{
    size_t end = 0;
    return Decode(data, maxPixels, end);
}

TBmpImage DecodeBmp(TStream& stream, int64_t maxPixels)
{
    const int64_t start = stream.GetPosition();
    const int64_t available = stream.GetSize() - start;
    std::vector<uint8_t> data(static_cast<size_t>(std::max<int64_t>(available, 0)));
    stream.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
    size_t end = 0;
    TBmpImage img;
    try {
        img = Decode(data, maxPixels, end);
    } catch (...) {
        stream.SetPosition(start);
        throw;
    }
    stream.SetPosition(start + static_cast<int64_t>(end));
    return img;
}

void EncodeBmp(const TBmpImage& image, int bitCount, TStream& stream)
{
    if (bitCount != 24 && bitCount != 32)
        throw EInvalidGraphic("Cannot write a " + Num(bitCount) + "-bit bitmap");
    if (image.Width <= 0 || image.Height <= 0 || image.Width > BmpMaxDimension ||
        image.Height > BmpMaxDimension ||
        image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height))
        throw EInvalidGraphic("Cannot write a bitmap whose size does not match its pixels");

    const size_t stride = static_cast<size_t>(Stride(image.Width, bitCount));
    const size_t imageSize = stride * static_cast<size_t>(image.Height);
    const size_t offBits = FileHeaderSize + InfoHeaderSize;
    std::vector<uint8_t> file(offBits + imageSize);
    uint8_t* f = file.data();
    f[0] = 'B', f[1] = 'M';
    Put32(f + 2, static_cast<uint32_t>(file.size()));
    Put32(f + 10, offBits);
    uint8_t* h = f + FileHeaderSize;
    Put32(h, InfoHeaderSize);
    Put32(h + 4, static_cast<uint32_t>(image.Width));
    Put32(h + 8, static_cast<uint32_t>(image.Height));
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<uint32_t>(bitCount));
    Put32(h + 16, BI_RGB);
    Put32(h + 20, static_cast<uint32_t>(imageSize));

    for (int32_t y = 0; y < image.Height; ++y) {
        const uint32_t* in = image.Pixels.data() + static_cast<size_t>(y) * image.Width;
        uint8_t* out = f + offBits + static_cast<size_t>(image.Height - 1 - y) * stride;
        if (bitCount == 32) {
            std::memcpy(out, in, static_cast<size_t>(image.Width) * 4);
            continue;
        }
        for (int32_t x = 0; x < image.Width; ++x, out += 3) {
            out[0] = static_cast<uint8_t>(in[x]);
            out[1] = static_cast<uint8_t>(in[x] >> 8);
            out[2] = static_cast<uint8_t>(in[x] >> 16);
        }
    }
    stream.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
}
