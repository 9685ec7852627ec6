#include "runtime/bmpcodec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// The sample files below name only the fields they set; GCC 12 warns about
// the others even though they have default initializers.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using Bytes = std::vector<uint8_t>;

// Builds a BMP file field by field, so that each test states exactly the
// bytes it feeds the decoder.
struct BmpFile {
    uint32_t infoSize = 40;
    int32_t width = 1;
    int32_t height = 1;
    uint16_t bits = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    std::vector<uint32_t> masks;   // in the header for infoSize >= 52, else after it
    std::vector<uint32_t> palette; // 0xRRGGBB
    Bytes pixels;
    int64_t offBits = -1; // -1: right after the palette

    Bytes Build() const
    {
        Bytes f;
        auto u8 = [&](uint32_t v) { f.push_back(static_cast<uint8_t>(v)); };
        auto u16 = [&](uint32_t v) { u8(v), u8(v >> 8); };
        auto u32 = [&](uint32_t v) { u16(v), u16(v >> 16); };
        const bool core = infoSize == 12;
        const size_t maskBytes = infoSize == 40 ? masks.size() * 4 : 0;
        const size_t start = 14 + infoSize + maskBytes + palette.size() * (core ? 3 : 4);
        u8('B'), u8('M'), u32(static_cast<uint32_t>(start + pixels.size())), u32(0);
        u32(offBits < 0 ? static_cast<uint32_t>(start) : static_cast<uint32_t>(offBits));
        u32(infoSize);
        if (core) {
            u16(static_cast<uint32_t>(width)), u16(static_cast<uint32_t>(height)), u16(1), u16(bits);
        } else {
            u32(static_cast<uint32_t>(width)), u32(static_cast<uint32_t>(height)), u16(1), u16(bits);
            u32(compression), u32(static_cast<uint32_t>(pixels.size())), u32(2835), u32(2835);
            u32(colorsUsed), u32(0);
            for (size_t i = 40; i < infoSize; i += 4) {
                const size_t m = (i - 40) / 4;
                u32(m < masks.size() ? masks[m] : 0);
            }
        }
        if (infoSize == 40)
            for (uint32_t m : masks)
                u32(m);
        for (uint32_t c : palette) {
            u8(c), u8(c >> 8), u8(c >> 16);
            if (!core) u8(0);
        }
        f.insert(f.end(), pixels.begin(), pixels.end());
        return f;
    }
};

// Rows from the top, as the decoder delivers them.
std::vector<uint32_t> Rows(std::initializer_list<std::initializer_list<uint32_t>> rows)
{
    std::vector<uint32_t> out;
    for (auto r : rows)
        out.insert(out.end(), r);
    return out;
}

constexpr uint32_t Black = 0xFF000000u;
const std::vector<uint32_t> Pal = {0x102030, 0xA0B0C0, 0x00FF00, 0x0000FF};
constexpr uint32_t P0 = 0xFF102030u, P1 = 0xFFA0B0C0u, P2 = 0xFF00FF00u, P3 = 0xFF0000FFu;

TEST(BmpDecode, IndexedDepthsUnpackMostSignificantFirstAndPadRows)
{
    BmpFile one{.width = 3, .height = 2, .bits = 1, .palette = {0x102030, 0xA0B0C0}};
    one.pixels = {0xA0, 0, 0, 0, /* top */ 0x40, 0, 0, 0};
    TBmpImage img = DecodeBmp(one.Build());
    EXPECT_EQ(img.Pixels, Rows({{P0, P1, P0}, {P1, P0, P1}}));
    EXPECT_EQ(img.BitCount, 1);
    EXPECT_EQ(img.Palette, (std::vector<uint32_t>{P0, P1}));

    BmpFile four{.width = 3, .bits = 4, .palette = Pal, .pixels = {0x12, 0x30, 0, 0}};
    EXPECT_EQ(DecodeBmp(four.Build()).Pixels, Rows({{P1, P2, P3}}));

    // A two-colour table: indices past it are black, not read from beyond it.
    BmpFile eight{.width = 2, .height = 2, .bits = 8, .colorsUsed = 2, .palette = {0x102030, 0xA0B0C0}};
    eight.pixels = {5, 255, 0, 0, /* top */ 0, 1, 0, 0};
    img = DecodeBmp(eight.Build());
    EXPECT_EQ(img.Pixels, Rows({{P0, P1}, {Black, Black}}));
    EXPECT_EQ(img.Palette.size(), 2u);
}

TEST(BmpDecode, ShortTableWithoutCountIsSizedByPixelOffset)
{
    BmpFile f{.width = 2, .bits = 8, .palette = {0x102030, 0xA0B0C0, 0x00FF00}, .pixels = {2, 7, 0, 0}};
    TBmpImage img = DecodeBmp(f.Build());
    EXPECT_EQ(img.Palette.size(), 3u);
    EXPECT_EQ(img.Pixels, Rows({{P2, Black}}));
}

TEST(BmpDecode, CoreHeaderUsesThreeByteTableEntries)
{
    BmpFile f{.infoSize = 12, .width = 2, .bits = 8, .palette = {0x102030, 0xA0B0C0}, .pixels = {1, 0, 0, 0}};
    EXPECT_EQ(DecodeBmp(f.Build()).Pixels, Rows({{P1, P0}}));
    BmpFile rgb{.infoSize = 12, .width = 1, .bits = 24, .pixels = {0x30, 0x20, 0x10, 0}};
    EXPECT_EQ(DecodeBmp(rgb.Build()).Pixels, Rows({{P0}}));
}

TEST(BmpDecode, TopDownAndBottomUpGiveTheSameImageForEveryHeaderSize)
{
    const Bytes top = {1, 2, 3, 4, 5, 6, 0, 0}, bottom = {7, 8, 9, 10, 11, 12, 0, 0};
    const auto expected = Rows({{0xFF030201, 0xFF060504}, {0xFF090807, 0xFF0C0B0A}});
    for (uint32_t size : {40u, 52u, 56u, 108u, 124u}) {
        SCOPED_TRACE(size);
        BmpFile up{.infoSize = size, .width = 2, .height = 2, .bits = 24};
        up.pixels = bottom, up.pixels.insert(up.pixels.end(), top.begin(), top.end());
        BmpFile down = up;
        down.height = -2;
        down.pixels = top, down.pixels.insert(down.pixels.end(), bottom.begin(), bottom.end());
        EXPECT_EQ(DecodeBmp(up.Build()).Pixels, expected);
        TBmpImage img = DecodeBmp(down.Build());
        EXPECT_EQ(img.Pixels, expected);
        EXPECT_EQ(img.Height, 2);
    }
}

TEST(BmpDecode, SixteenBitMasksScaleEachChannelToEightBits)
{
    // Default 555: full red, full blue, and 16 of 31 green.
    BmpFile f555{.width = 3, .bits = 16, .pixels = {0x00, 0x7C, 0x1F, 0x00, 0x00, 0x02, 0, 0}};
    TBmpImage img = DecodeBmp(f555.Build());
    EXPECT_EQ(img.Pixels, Rows({{0xFFFF0000, 0xFF0000FF, 0xFF008400}}));
    EXPECT_EQ(img.GreenMask, 0x03E0u);

    // 565 in bit fields after a 40-byte header: 32 of 63 green rounds to 130.
    BmpFile f565{.width = 2, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F}};
    f565.pixels = {0x00, 0xF8, 0x00, 0x04};
    img = DecodeBmp(f565.Build());
    EXPECT_EQ(img.Pixels, Rows({{0xFFFF0000, 0xFF008200}}));
    EXPECT_FALSE(img.HasAlpha);

    // 4444 with alpha, masks inside a 56-byte header.
    BmpFile argb{.infoSize = 56, .width = 1, .bits = 16, .compression = 3};
    argb.masks = {0x0F00, 0x00F0, 0x000F, 0xF000};
    argb.pixels = {0x00, 0x8F, 0, 0};
    img = DecodeBmp(argb.Build());
    EXPECT_EQ(img.Pixels, Rows({{0x88FF0000}}));
    EXPECT_TRUE(img.HasAlpha);
}

TEST(BmpDecode, ThirtyTwoBitAlphaIsKeptOnlyWhenTheFileUsesIt)
{
    BmpFile spare{.width = 2, .bits = 32, .pixels = {1, 2, 3, 0, 4, 5, 6, 0}};
    TBmpImage img = DecodeBmp(spare.Build());
    EXPECT_EQ(img.Pixels, Rows({{0xFF030201, 0xFF060504}}));
    EXPECT_FALSE(img.HasAlpha);

    BmpFile alpha = spare;
    alpha.pixels[3] = 0x80;
    img = DecodeBmp(alpha.Build());
    EXPECT_EQ(img.Pixels, Rows({{0x80030201, 0x00060504}}));
    EXPECT_TRUE(img.HasAlpha);

    // Bit fields in R, G, B, A byte order.
    BmpFile rgba{.infoSize = 108, .width = 1, .bits = 32, .compression = 3};
    rgba.masks = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};
    rgba.pixels = {0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(DecodeBmp(rgba.Build()).Pixels, Rows({{0x44112233}}));
}

TEST(BmpDecode, Rle8RunsAbsoluteRunsDeltasAndLineEnds)
{
    BmpFile f{.width = 4, .height = 4, .bits = 8, .compression = 1, .palette = Pal};
    f.pixels = {
        3, 1, 5, 2, 0, 0,       // bottom row: run of three, a run cut at the row's end
        0, 3, 1, 2, 3, 0, 0, 0, // absolute run of three, padded to an even count
        0, 2, 1, 1,             // delta one right and one up: rest of this row stays index 0
        1, 3, 0, 0,             // top row
        0, 1,                   // end of bitmap
    };
    TBmpImage img = DecodeBmp(f.Build());
    EXPECT_EQ(img.Pixels, Rows({{P0, P3, P0, P0}, {P0, P0, P0, P0}, {P1, P2, P3, P0}, {P1, P1, P1, P2}}));

    // An image that fills up without an end-of-bitmap marker is complete.
    BmpFile full{
        .width = 1, .height = 1, .bits = 8, .compression = 1, .palette = Pal, .pixels = {1, 3, 0, 0}};
    EXPECT_EQ(DecodeBmp(full.Build()).Pixels, Rows({{P3}}));
    // An absolute run longer than the row is cut and the next row is untouched.
    BmpFile cut{.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = Pal};
    cut.pixels = {0, 3, 1, 2, 3, 0, 0, 0, 0, 1};
    EXPECT_EQ(DecodeBmp(cut.Build()).Pixels, Rows({{P0, P0}, {P1, P2}}));
}

TEST(BmpDecode, Rle4AlternatesNibbles)
{
    BmpFile f{.width = 5, .height = 2, .bits = 4, .compression = 2, .palette = Pal};
    f.pixels = {
        5, 0x12, 0,    0,    // bottom: 1 2 1 2 1
        0, 3,    0x32, 0x10, // absolute run: 3 2 1
        0, 2,    1,    0,    // delta one to the right
        1, 3,                // a single pixel: the high nibble, 0
        0, 1,
    };
    EXPECT_EQ(DecodeBmp(f.Build()).Pixels, Rows({{P3, P2, P1, P0, P0}, {P1, P2, P1, P2, P1}}));

    // Absolute run of five nibbles: three bytes, padded to four.
    BmpFile odd{.width = 5, .bits = 4, .compression = 2, .palette = Pal};
    odd.pixels = {0, 5, 0x12, 0x31, 0x20, 0, 0, 1};
    EXPECT_EQ(DecodeBmp(odd.Build()).Pixels, Rows({{P1, P2, P3, P1, P2}}));
}

TEST(BmpCodec, EncodedFilesDecodeToTheSamePixels)
{
    TBmpImage img;
    img.Width = 5, img.Height = 3; // 15-byte rows: the 24-bit file pads each to 16
    for (uint32_t i = 0; i < 15; ++i)
        img.Pixels.push_back(0xFF000000u | (i * 0x10F3A7u & 0xFFFFFF));

    TMemoryStream s24;
    EncodeBmp(img, 24, s24);
    EXPECT_EQ(s24.GetSize(), 54 + 16 * 3);
    s24.SetPosition(0);
    TBmpImage back = DecodeBmp(s24);
    EXPECT_EQ(back.Pixels, img.Pixels);
    EXPECT_EQ(back.BitCount, 24);
    // The first stored row is the bottom one.
    EXPECT_EQ(s24.Memory()[54], static_cast<uint8_t>(img.Pixel(0, 2)));

    img.Pixels[7] = 0x40123456;
    TMemoryStream s32;
    EncodeBmp(img, 32, s32);
    back = DecodeBmp(std::span<const uint8_t>(s32.Bytes()));
    EXPECT_EQ(back.Pixels, img.Pixels);
    EXPECT_TRUE(back.HasAlpha);

    EXPECT_THROW(EncodeBmp(img, 16, s32), EInvalidGraphic);
    img.Pixels.pop_back();
    EXPECT_THROW(EncodeBmp(img, 24, s32), EInvalidGraphic);
}

TEST(BmpCodec, StreamDecodeStartsAtThePositionAndStopsAfterThePixels)
{
    BmpFile f{.width = 1, .bits = 24, .pixels = {1, 2, 3, 0}};
    const Bytes file = f.Build();
    TMemoryStream s;
    s.WriteBuffer("xyz", 3);
    s.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
    s.WriteBuffer("tail", 4);
    s.SetPosition(3);
    EXPECT_EQ(DecodeBmp(s).Pixels, Rows({{0xFF030201}}));
    EXPECT_EQ(s.GetPosition(), 3 + static_cast<int64_t>(file.size()));

    // A failed decode leaves the stream where it was.
    s.SetPosition(1);
    EXPECT_THROW(DecodeBmp(s), EInvalidGraphic);
    EXPECT_EQ(s.GetPosition(), 1);
}

// Each kind of damage, applied to a small valid file.
TEST(BmpDecode, DamagedFilesRaiseInvalidGraphicNamingTheFault)
{
    const BmpFile rgb{.width = 2, .height = 2, .bits = 24, .pixels = Bytes(16, 7)};
    const BmpFile pal{.width = 2, .height = 2, .bits = 8, .palette = Pal, .pixels = Bytes(8, 1)};
    const BmpFile rle{.width = 2,
                      .height = 2,
                      .bits = 8,
                      .compression = 1,
                      .palette = Pal,
                      .pixels = {2, 1, 0, 0, 2, 1, 0, 1}};
    struct Case {
        std::string name;
        Bytes file;
        std::string message;
    };
    auto with = [](BmpFile f, auto change) {
        change(f);
        return f.Build();
    };
    auto patched = [](Bytes b, size_t at, uint8_t v) {
        b.at(at) = v;
        return b;
    };
    auto cut = [](Bytes b, size_t n) {
        b.resize(n);
        return b;
    };
    const Bytes good = rgb.Build();
    const std::vector<Case> cases = {
        {"empty", {}, "truncated file header"},
        {"short file header", cut(good, 13), "truncated file header"},
        {"signature", patched(good, 1, 'A'), "bad signature"},
        {"no info header size", cut(good, 16), "truncated info header"},
        {"short info header", cut(good, 40), "truncated info header"},
        {"OS/2 2.x header", with(rgb, [](BmpFile& f) { f.infoSize = 64; }), "info header size 64"},
        {"zero width", with(rgb, [](BmpFile& f) { f.width = 0; }), "width 0"},
        {"negative width", with(rgb, [](BmpFile& f) { f.width = -2; }), "width -2"},
        {"huge width", with(rgb, [](BmpFile& f) { f.width = 40000; }), "width 40000"},
        {"zero height", with(rgb, [](BmpFile& f) { f.height = 0; }), "height 0"},
        {"most negative height", with(rgb, [](BmpFile& f) { f.height = INT32_MIN; }), "height 2147483648"},
        {"too many pixels", with(rgb, [](BmpFile& f) { f.width = f.height = 32768; }), "too large"},
        {"2 bits", with(pal, [](BmpFile& f) { f.bits = 2; }), "bit count 2"},
        {"0 bits", with(rgb, [](BmpFile& f) { f.bits = 0; }), "bit count 0"},
        {"JPEG", with(rgb, [](BmpFile& f) { f.compression = 4; }), "JPEG"},
        {"PNG", with(rgb, [](BmpFile& f) { f.compression = 5; }), "PNG"},
        {"unknown compression", with(rgb, [](BmpFile& f) { f.compression = 9; }), "compression 9"},
        {"RLE8 at 24 bits", with(rgb, [](BmpFile& f) { f.compression = 1; }), "RLE8"},
        {"RLE4 at 8 bits", with(pal, [](BmpFile& f) { f.compression = 2; }), "RLE4"},
        {"bit fields at 24 bits", with(rgb, [](BmpFile& f) { f.compression = 3; }), "bit-field"},
        {"top-down RLE", with(rle, [](BmpFile& f) { f.height = -2; }), "top-down"},
        {"masks missing", with(rgb, [](BmpFile& f) { f.bits = 32, f.compression = 3, f.pixels.clear(); }),
         "truncated colour masks"},
        {"zero masks",
         with(rgb,
              [](BmpFile& f) {
                  f.bits = 32, f.compression = 3, f.masks = {0, 0, 0};
              }),
         "masks are all zero"},
        {"offset into headers", with(rgb, [](BmpFile& f) { f.offBits = 20; }), "points into the headers"},
        {"offset past the end", with(rgb, [](BmpFile& f) { f.offBits = 1000; }), "outside the file"},
        {"no colour table", with(pal, [](BmpFile& f) { f.palette.clear(); }), "missing colour table"},
        {"short colour table", cut(pal.Build(), 60), "truncated colour table"},
        {"short pixel data", cut(good, good.size() - 4), "truncated pixel data"},
        {"RLE without end", with(rle, [](BmpFile& f) { f.pixels.resize(4); }), "truncated RLE data in row 1"},
        {"RLE absolute run cut",
         with(rle,
              [](BmpFile& f) {
                  f.pixels = {0, 4, 1, 1};
              }),
         "truncated RLE"},
        {"RLE delta cut",
         with(rle,
              [](BmpFile& f) {
                  f.pixels = {0, 2, 1};
              }),
         "truncated RLE"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            DecodeBmp(c.file);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(e.Message.find(c.message), std::string::npos) << e.Message;
        }
    }
    // The last row's padding alone may be missing.
    EXPECT_EQ(DecodeBmp(cut(good, good.size() - 2)).Pixels.size(), 4u);
}

// Cutting or corrupting any byte of a valid file either fails cleanly or,
// for a cut, still yields the same picture (only trailing bytes went).
TEST(BmpDecode, EveryPrefixAndByteFlipFailsCleanly)
{
    std::vector<BmpFile> files = {
        {.width = 3,
         .height = 2,
         .bits = 1,
         .palette = {0, 0xFFFFFF},
         .pixels = {0xA0, 0, 0, 0, 0x40, 0, 0, 0}},
        {.width = 3, .height = 2, .bits = 4, .colorsUsed = 4, .palette = Pal, .pixels = Bytes(8, 0x31)},
        {.infoSize = 56,
         .width = 2,
         .height = -2,
         .bits = 16,
         .compression = 3,
         .masks = {0x0F00, 0x00F0, 0x000F, 0xF000},
         .pixels = Bytes(8, 0x9C)},
        {.width = 2,
         .height = 2,
         .bits = 32,
         .compression = 3,
         .masks = {0xFF, 0xFF00, 0xFF0000},
         .pixels = Bytes(16, 5)},
        {.width = 4,
         .height = 3,
         .bits = 8,
         .compression = 1,
         .palette = Pal,
         .pixels = {3, 1, 0, 0, 0, 3, 1, 2, 3, 0, 0, 2, 1, 1, 1, 3, 0, 1}},
        {.width = 5,
         .height = 2,
         .bits = 4,
         .compression = 2,
         .palette = Pal,
         .pixels = {5, 0x12, 0, 0, 0, 5, 0x12, 0x31, 0x20, 0, 0, 1}},
    };
    for (const BmpFile& f : files) {
        const Bytes file = f.Build();
        const TBmpImage whole = DecodeBmp(file);
        for (size_t n = 0; n < file.size(); ++n) {
            try {
                EXPECT_EQ(DecodeBmp(std::span(file.data(), n)).Pixels, whole.Pixels) << "prefix " << n;
            } catch (const EInvalidGraphic&) {
            }
            for (uint8_t v : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                Bytes damaged = file;
                damaged[n] = v;
                try {
                    DecodeBmp(damaged);
                } catch (const EInvalidGraphic&) {
                }
            }
        }
    }
}

} // namespace

// The fuzzer's hand-made seeds (the *.bmp files; the rest of the corpus is
// what fuzzing kept, damaged files included) are meant to reach the
// decoder's far end, not its checks.
TEST(BmpDecode, FuzzSeedsAreValidFiles)
{
    int count = 0;
    for (const auto& entry :
         std::filesystem::directory_iterator(ORVANE_SOURCE_DIR "/tests/fuzz/corpus/fuzz_bmp")) {
        if (entry.path().extension() != ".bmp") continue;
        SCOPED_TRACE(entry.path().filename().string());
        TMemoryStream s;
        s.LoadFromFile(entry.path().string());
        EXPECT_NO_THROW(DecodeBmp(s));
        ++count;
    }
    EXPECT_GE(count, 9);
}
