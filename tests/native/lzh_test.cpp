#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "skinfiles/winconvert.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Pack(const Bytes& input)
{
    TMemoryStream src, dst;
    src.WriteBuffer(input.data(), static_cast<int64_t>(input.size()));
    Compress(src, dst);
    return dst.Bytes();
}

Bytes Unpack(const Bytes& packed)
{
    TMemoryStream src, dst;
    src.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
    Decompress(src, dst);
    EXPECT_EQ(dst.GetPosition(), dst.GetSize());
    return dst.Bytes();
}

Bytes FromText(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

Bytes RandomBytes(size_t n, uint32_t seed)
{
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& c : b)
        c = static_cast<uint8_t>(rng());
    return b;
}

// Words from a small vocabulary in lines, with runs and rare bytes mixed in:
// long and short matches, near and far positions.
Bytes StructuredBytes(size_t n, uint32_t seed)
{
    static const char* const words[] = {"skin", "frame", "button", "[Form]", "Caption=", "0xFF00FF",
                                        "\r\n", "=",     "bitmap", "the",    "level",    "  "};
    std::mt19937 rng(seed);
    Bytes b;
    while (b.size() < n) {
        const uint32_t pick = rng() % 20;
        if (pick < 12) {
            const std::string w = words[pick];
            b.insert(b.end(), w.begin(), w.end());
        } else if (pick < 14) {
            b.insert(b.end(), rng() % 200, static_cast<uint8_t>(rng()));
        } else {
            b.push_back(static_cast<uint8_t>(rng()));
        }
    }
    b.resize(n);
    return b;
}

Bytes WithSize(Bytes packed, int32_t size)
{
    const uint32_t v = static_cast<uint32_t>(size);
    for (int i = 0; i < 4; i++)
        packed[i] = static_cast<uint8_t>(v >> (8 * i));
    return packed;
}

// Reaches the coding steps, to drive the Huffman coder with chosen symbol
// frequencies that no ordinary input produces.
class TLZHProbe : public TLZH {
public:
    using TLZH::DecodeChar;
    using TLZH::EncodeChar;
    using TLZH::EncodeEnd;
    using TLZH::EndLZH;
    using TLZH::InitLZH;
    using TLZH::StartHuff;
};

} // namespace

TEST(Lzh, PacksKnownStreams)
{
    EXPECT_EQ(Pack(FromText("abc")), (Bytes{0x03, 0x00, 0x00, 0x00, 0xF6, 0xFB, 0xBD, 0xE0}));
    // One literal, then a 9-byte match at distance 1 that overlaps its own output.
    EXPECT_EQ(Pack(FromText("aaaaaaaaaa")), (Bytes{0x0A, 0x00, 0x00, 0x00, 0xF6, 0xC9, 0x00, 0x00}));
    EXPECT_EQ(Unpack(Bytes{0x0A, 0x00, 0x00, 0x00, 0xF6, 0xC9, 0x00, 0x00}), FromText("aaaaaaaaaa"));
}

TEST(Lzh, BitStreamStaysExactOnLongInputs)
{
    // Pinned from the plain byte-at-a-time form of the coder (before the
    // word-wise match compare and run scan): a long stream with rebuilds,
    // near and far matches must keep every bit.
    const struct {
        uint32_t seed;
        int64_t size;
        uint64_t hash;
    } pinned[] = {{1, 59352, 0x59b3764d0e2ac7aaull},
                  {2, 58618, 0x21455621d857b1ebull},
                  {3, 58845, 0x3dfd1b53e5e8bd56ull}};
    const char* const words[] = {"alpha", "beta", "gamma", "[Skin]", "\r\n", "=", "0x00FF00"};
    for (const auto& p : pinned) {
        std::mt19937 rng(p.seed);
        Bytes in;
        while (in.size() < 300000) {
            const uint32_t pick = rng() % 12;
            if (pick < 7) {
                const std::string w = words[pick];
                in.insert(in.end(), w.begin(), w.end());
            } else if (pick < 8) {
                const uint32_t n = rng() % 100;
                in.insert(in.end(), n, static_cast<uint8_t>(rng()));
            } else {
                in.push_back(static_cast<uint8_t>(rng()));
            }
        }
        in.resize(300000);
        const Bytes packed = Pack(in);
        uint64_t hash = 1469598103934665603ull; // FNV-1a
        for (uint8_t c : packed)
            hash = (hash ^ c) * 1099511628211ull;
        EXPECT_EQ(static_cast<int64_t>(packed.size()), p.size) << p.seed;
        EXPECT_EQ(hash, p.hash) << p.seed;
    }
}

TEST(Lzh, EmptyInputCodesOneSymbolAndUnpacksToNothing)
{
    const Bytes packed = Pack({});
    ASSERT_GE(packed.size(), 5u);
    ASSERT_LE(packed.size(), 6u);
    EXPECT_EQ(Bytes(packed.begin(), packed.begin() + 4), (Bytes{0, 0, 0, 0}));
    EXPECT_TRUE(Unpack(packed).empty());
}

TEST(Lzh, RoundTripsRandomAndStructuredInputs)
{
    const size_t sizes[] = {1, 2, 3, 59, 60, 61, 4095, 4096, 4097, 70001};
    for (size_t n : sizes) {
        const Bytes r = RandomBytes(n, static_cast<uint32_t>(n));
        EXPECT_EQ(Unpack(Pack(r)), r) << "random " << n;
        const Bytes s = StructuredBytes(n, static_cast<uint32_t>(n));
        EXPECT_EQ(Unpack(Pack(s)), s) << "structured " << n;
    }
    const Bytes big = StructuredBytes(1 << 20, 7);
    const Bytes packed = Pack(big);
    EXPECT_LT(packed.size(), big.size() / 2);
    EXPECT_EQ(Unpack(packed), big);
}

TEST(Lzh, LongRunPacksToAHandfulOfBytes)
{
    const Bytes run(4096, 0x5A);
    const Bytes packed = Pack(run);
    // One literal and sixty-nine 60-byte matches at distance 1, about 13
    // bits each.
    EXPECT_LE(packed.size(), 4u + 120u);
    EXPECT_EQ(Unpack(packed), run);
    // The preset spaces are already a dictionary: a run of them needs no literal.
    EXPECT_LT(Pack(Bytes(4096, ' ')).size(), packed.size());
}

TEST(Lzh, TreeRebuildKeepsCoderAndDecoderInStep)
{
    // Mostly literals: the root weight reaches its limit several times.
    const Bytes input = RandomBytes(200000, 99);
    TMemoryStream src, packed, out;
    src.WriteBuffer(input.data(), static_cast<int64_t>(input.size()));
    src.SetPosition(0);

    TLZH packer;
    packer.SourceStream = &src;
    packer.DestStream = &packed;
    int32_t written = 0;
    packer.LZHPack(written, packer.BlockSource(), packer.BlockSink());
    EXPECT_EQ(written, static_cast<int32_t>(input.size()));
    EXPECT_GE(packer.ReconstCount(), 3);

    packed.SetPosition(0);
    TLZH unpacker;
    unpacker.SourceStream = &packed;
    unpacker.DestStream = &out;
    unpacker.LZHUnpack(written, unpacker.BlockSource(), unpacker.BlockSink());
    EXPECT_EQ(unpacker.ReconstCount(), packer.ReconstCount());
    EXPECT_EQ(out.Bytes(), input);
}

TEST(Lzh, CodesDeeperThanSixteenBitsSurvive)
{
    // Leaf weights that grow like Fibonacci numbers chain the tree: each
    // heavy symbol sits one level above the rest. Below the chain, the
    // untouched symbols (weight 1) form a subtree about nine levels deep, so
    // its leaves end up 17 or 18 levels down.
    const int chain = 9;
    const int bottom = 314 - chain;
    std::vector<int> weights{160};
    for (int below = bottom, total = bottom + 160; static_cast<int>(weights.size()) < chain;) {
        weights.push_back(below + 1);
        below = total;
        total += weights.back();
    }
    std::vector<int> schedule;
    for (int sym = 0; sym < chain; sym++)
        for (int k = 1; k < weights[sym]; k++)
            schedule.push_back(sym);
    for (int sym = 313; sym > 290; sym--)
        schedule.push_back(sym); // light leaves at the bottom
    schedule.push_back(0);

    Bytes bits;
    TLZHPutBytes sink = [&bits](const void* p, uint16_t, uint16_t& actual) {
        bits.push_back(*static_cast<const uint8_t*>(p));
        actual = 1;
    };
    TLZHProbe enc;
    enc.InitLZH();
    enc.StartHuff();
    for (int sym : schedule)
        enc.EncodeChar(sink, static_cast<unsigned>(sym));
    enc.EncodeEnd(sink);
    enc.EndLZH();

    size_t pos = 0;
    TLZHGetBytes source = [&](void* p, uint16_t, uint16_t& actual) {
        actual = pos < bits.size() ? 1 : 0;
        *static_cast<uint8_t*>(p) = actual ? bits[pos++] : 0;
    };
    TLZHProbe dec;
    dec.InitLZH();
    dec.StartHuff();
    for (size_t i = 0; i < schedule.size(); i++)
        ASSERT_EQ(dec.DecodeChar(source), schedule[i]) << i;
    dec.EndLZH();
}

TEST(Lzh, ShortStreamStillReachesItsSize)
{
    const Bytes input = StructuredBytes(20000, 3);
    const Bytes packed = Pack(input);
    const Bytes cut(packed.begin(), packed.begin() + 4 + (packed.size() - 4) / 2);
    const Bytes out = Unpack(cut);
    ASSERT_EQ(out.size(), input.size());
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 1000), Bytes(input.begin(), input.begin() + 1000));
}

TEST(Lzh, SizePrefixGovernsOutputLength)
{
    const Bytes tenA = Pack(FromText("aaaaaaaaaa"));
    // The 9-byte match is cut where the size says.
    EXPECT_EQ(Unpack(WithSize(tenA, 5)), FromText("aaaaa"));
    EXPECT_EQ(Unpack(WithSize(tenA, 1)), FromText("a"));
    EXPECT_TRUE(Unpack(WithSize(tenA, 0)).empty());
    EXPECT_TRUE(Unpack(WithSize(tenA, -7)).empty());
    // Up to the bound a larger size decodes zero bits past the end.
    EXPECT_EQ(Unpack(WithSize(tenA, 48 * 4 + 64)).size(), 48u * 4 + 64);
}

TEST(Lzh, RejectsSizesNoStreamOfThatLengthCanHold)
{
    const Bytes tenA = Pack(FromText("aaaaaaaaaa"));
    for (int32_t size : {48 * 4 + 65, 0x7FFFFFFF}) {
        try {
            Unpack(WithSize(tenA, size));
            ADD_FAILURE() << "accepted size " << size;
        } catch (const ElzhException& e) {
            EXPECT_NE(std::string(e.what()).find("Corrupt packed stream"), std::string::npos) << e.what();
        }
    }
    EXPECT_THROW(Unpack(Bytes{0x01, 0x00}), ElzhException);
}

TEST(Lzh, BlockStreamsLeaveExactPositions)
{
    const Bytes input = StructuredBytes(5000, 11);
    const Bytes packed = Pack(input);
    // Trailing data after the bit stream must not be consumed by the read-ahead.
    TMemoryStream src, out;
    src.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
    const Bytes trailer(100000, 0xEE);
    src.WriteBuffer(trailer.data(), static_cast<int64_t>(trailer.size()));
    src.SetPosition(4);
    out.WriteBuffer("prefix", 6);

    TLZH lzh;
    lzh.SourceStream = &src;
    lzh.DestStream = &out;
    lzh.LZHUnpack(static_cast<int32_t>(input.size()), lzh.BlockSource(), lzh.BlockSink());
    // The bit reader keeps at most two bytes ahead of what it has used.
    EXPECT_GE(src.GetPosition(), static_cast<int64_t>(packed.size()) - 1);
    EXPECT_LE(src.GetPosition(), static_cast<int64_t>(packed.size()) + 2);
    EXPECT_EQ(out.GetPosition(), 6 + static_cast<int64_t>(input.size()));
    EXPECT_EQ(Bytes(out.Bytes().begin() + 6, out.Bytes().end()), input);
}
