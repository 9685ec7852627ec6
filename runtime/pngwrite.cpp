#include "runtime/pngwrite.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "runtime/sysutils.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0)
{
    static const std::array<uint32_t, 256> table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    crc = ~crc;
    for (size_t i = 0; i < n; ++i)
        crc = table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t Adler32(const Bytes& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return b << 16 | a;
}

void PutBig32(Bytes& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

// Bits go out least significant first, as deflate packs them; Huffman codes
// are sent most significant bit first, so they are reversed on the way.
class TBitWriter {
public:
    explicit TBitWriter(Bytes& out) : out_(out) {}
    void Bits(uint32_t value, int count)
    {
        for (int i = 0; i < count; ++i) {
            acc_ |= ((value >> i) & 1u) << fill_;
            if (++fill_ == 8) Flush();
        }
    }
    void Code(uint32_t code, int length)
    {
        for (int i = length - 1; i >= 0; --i)
            Bits(code >> i, 1);
    }
    void Finish()
    {
        if (fill_) Flush();
    }

private:
    void Flush()
    {
        out_.push_back(uint8_t(acc_));
        acc_ = 0;
        fill_ = 0;
    }
    Bytes& out_;
    uint32_t acc_ = 0;
    int fill_ = 0;
};

// The fixed literal/length code of deflate.
void Symbol(TBitWriter& w, int symbol)
{
    if (symbol < 144)
        w.Code(0x30 + symbol, 8);
    else if (symbol < 256)
        w.Code(0x190 + symbol - 144, 9);
    else if (symbol < 280)
        w.Code(symbol - 256, 7);
    else
        w.Code(0xC0 + symbol - 280, 8);
}

constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                           33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                           1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                            6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(TBitWriter& w, int length, int distance)
{
    int l = 28;
    while (kLengthBase[size_t(l)] > length)
        --l;
    Symbol(w, 257 + l);
    w.Bits(uint32_t(length - kLengthBase[size_t(l)]), kLengthExtra[size_t(l)]);
    int d = 29;
    while (kDistBase[size_t(d)] > distance)
        --d;
    w.Code(uint32_t(d), 5);
    w.Bits(uint32_t(distance - kDistBase[size_t(d)]), kDistExtra[size_t(d)]);
}

// A zlib stream of data: one final block in the fixed codes, greedy matches
// found through a hash of three bytes with a bounded chain.
Bytes Deflate(const Bytes& data)
{
    constexpr int kWindow = 32768, kMaxLength = 258, kMaxChain = 48, kHashSize = 1 << 15;
    Bytes out = {0x78, 0x01};
    TBitWriter w(out);
    w.Bits(1, 1); // final block
    w.Bits(1, 2); // fixed codes
    std::vector<int> head(kHashSize, -1), prev(kWindow, -1);
    const int n = int(data.size());
    auto hash = [&](int i) {
        return ((data[size_t(i)] << 10) ^ (data[size_t(i) + 1] << 5) ^ data[size_t(i) + 2]) & (kHashSize - 1);
    };
    auto insert = [&](int i) {
        if (i + 2 >= n) return;
        const int h = hash(i);
        prev[size_t(i % kWindow)] = head[size_t(h)];
        head[size_t(h)] = i;
    };
    for (int i = 0; i < n;) {
        int bestLength = 0, bestDistance = 0;
        if (i + 2 < n) {
            int candidate = head[size_t(hash(i))];
            for (int chain = 0; candidate >= 0 && i - candidate <= kWindow && chain < kMaxChain; ++chain) {
                int length = 0;
                const int limit = std::min(kMaxLength, n - i);
                while (length < limit && data[size_t(candidate + length)] == data[size_t(i + length)])
                    ++length;
                if (length > bestLength) {
                    bestLength = length;
                    bestDistance = i - candidate;
                    if (length == limit) break;
                }
                const int next = prev[size_t(candidate % kWindow)];
                if (next >= candidate) break; // the slot was reused by a newer position
                candidate = next;
            }
        }
        if (bestLength >= 3) {
            Match(w, bestLength, bestDistance);
            for (int k = 0; k < bestLength; ++k)
                insert(i + k);
            i += bestLength;
        } else {
            Symbol(w, data[size_t(i)]);
            insert(i);
            ++i;
        }
    }
    Symbol(w, 256);
    w.Finish();
    PutBig32(out, Adler32(data));
    return out;
}

void Chunk(TStream& stream, const char* type, const Bytes& body)
{
    Bytes b;
    PutBig32(b, uint32_t(body.size()));
    b.insert(b.end(), type, type + 4);
    b.insert(b.end(), body.begin(), body.end());
    PutBig32(b, Crc32(b.data() + 4, b.size() - 4));
    stream.WriteBuffer(b.data(), int64_t(b.size()));
}

// Each row with the filter that leaves the smallest sum of residues, the
// usual guess at what deflates best.
Bytes FilteredRows(const TBmpImage& image)
{
    const size_t stride = size_t(image.Width) * 3;
    Bytes rows, above(stride, 0), row(stride), trial(stride);
    rows.reserve((stride + 1) * size_t(image.Height));
    for (int32_t y = 0; y < image.Height; ++y) {
        for (int32_t x = 0; x < image.Width; ++x) {
            const uint32_t p = image.Pixel(x, y);
            row[size_t(x) * 3] = uint8_t(p >> 16);
            row[size_t(x) * 3 + 1] = uint8_t(p >> 8);
            row[size_t(x) * 3 + 2] = uint8_t(p);
        }
        Bytes best;
        uint8_t bestType = 0;
        long bestCost = -1;
        for (uint8_t type = 0; type < 3; ++type) {
            long cost = 0;
            for (size_t i = 0; i < stride; ++i) {
                const uint8_t left = i >= 3 ? row[i - 3] : 0;
                trial[i] = uint8_t(row[i] - (type == 1 ? left : type == 2 ? above[i] : 0));
                cost += std::abs(int(int8_t(trial[i])));
            }
            if (bestCost < 0 || cost < bestCost) {
                bestCost = cost;
                bestType = type;
                best = trial;
            }
        }
        rows.push_back(bestType);
        rows.insert(rows.end(), best.begin(), best.end());
        above = row;
    }
    return rows;
}

} // namespace

void EncodePng(const TBmpImage& image, TStream& stream)
{
    if (image.Width <= 0 || image.Height <= 0 ||
        image.Pixels.size() != size_t(image.Width) * size_t(image.Height))
        throw EInvalidGraphic("Cannot write a picture whose size does not match its pixels");
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    stream.WriteBuffer(signature, 8);
    Bytes header;
    PutBig32(header, uint32_t(image.Width));
    PutBig32(header, uint32_t(image.Height));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, filters, no interlace
    Chunk(stream, "IHDR", header);
    Chunk(stream, "IDAT", Deflate(FilteredRows(image)));
    Chunk(stream, "IEND", {});
}
