// What hostile skin files cost: peak memory and the work of lookups, measured
// through a counting allocator that replaces the global one. An executable of
// its own, so that no other test pays for the count and nothing else
// allocates while a measurement runs.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "runtime/bmpcodec.h"
#include "runtime/classes.h"
#include "skinfiles/skinread.h"
#include "skinfiles/skinvalues.h"
#include "skinfiles/winconvert.h"
#include "skinfiles/winskinini.h"

namespace {

// Every allocation carries its size in front, so that the count goes down
// again on delete.
std::atomic<int64_t> liveBytes{0};
std::atomic<int64_t> peakBytes{0};
std::atomic<int64_t> allocations{0};
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size)
{
    auto* block = static_cast<unsigned char*>(std::malloc(size + kHeader));
    if (!block) throw std::bad_alloc();
    *reinterpret_cast<size_t*>(block) = size;
    const int64_t now = liveBytes += static_cast<int64_t>(size);
    int64_t peak = peakBytes.load();
    while (now > peak && !peakBytes.compare_exchange_weak(peak, now)) {
    }
    ++allocations;
    return block + kHeader;
}

void Release(void* p) noexcept
{
    if (!p) return;
    auto* block = static_cast<unsigned char*>(p) - kHeader;
    liveBytes -= static_cast<int64_t>(*reinterpret_cast<size_t*>(block));
    std::free(block);
}

// The peak above what was live when it started, and the allocations made.
class Measure {
public:
    Measure() : base_(liveBytes.load()), count_(allocations.load()) { peakBytes = base_; }
    int64_t PeakMiB() const { return (peakBytes.load() - base_) >> 20; }
    int64_t Allocations() const { return allocations.load() - count_; }

private:
    int64_t base_;
    int64_t count_;
};

using Bytes = std::vector<uint8_t>;

void PutInt32(Bytes& b, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

TMemoryStream Packed(const Bytes& unpacked)
{
    TMemoryStream in, out;
    in.WriteBuffer(unpacked.data(), int64_t(unpacked.size()));
    Compress(in, out);
    out.SetPosition(0);
    return out;
}

} // namespace

void* operator new(size_t size)
{
    return Allocate(size);
}
void* operator new[](size_t size)
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    Release(p);
}
void operator delete[](void* p) noexcept
{
    Release(p);
}
void operator delete(void* p, size_t) noexcept
{
    Release(p);
}
void operator delete[](void* p, size_t) noexcept
{
    Release(p);
}

// A name list of four million line breaks packs into some 80 KB; split
// into a string list first, it cost close to 200 MB before the file limit
// refused it.
TEST(SkinFileMemory, ANameListOfMillionsOfLinesIsRefusedBeforeItIsSplit)
{
    Bytes unpacked;
    PutInt32(unpacked, 20000);
    const int32_t names = 4'000'000;
    PutInt32(unpacked, names);
    unpacked.insert(unpacked.end(), 8, 0);
    unpacked.insert(unpacked.end(), size_t(names), '\n');
    TMemoryStream package = Packed(unpacked);
    unpacked = Bytes();
    ASSERT_LT(package.GetSize(), 100 * 1024);

    TSkinReader reader;
    Measure m;
    EXPECT_FALSE(reader.Loadfromstream(package));
    EXPECT_NE(reader.LastError.find("names 4000000 files"), std::string::npos) << reader.LastError;
    // The unpacked stream itself (4 MB, grown by doubling) is the floor.
    EXPECT_LE(m.PeakMiB(), 24);
    EXPECT_EQ(reader.FileCount(), 0);
}

// 64 bytes of RLE describe an 8192 x 8192 image whose unwritten pixels take
// colour 0: the decoder would hand out 256 MB for it. The skin budget
// refuses it before anything is allocated.
TEST(SkinFileMemory, AnRleBitmapBeyondTheSkinBudgetCostsNothing)
{
    Bytes bmp = {'B', 'M'};
    PutInt32(bmp, 64);
    PutInt32(bmp, 0);
    PutInt32(bmp, 14 + 40 + 8); // pixel data after a two-entry palette
    PutInt32(bmp, 40);
    PutInt32(bmp, 8192);
    PutInt32(bmp, 8192);
    bmp.push_back(1), bmp.push_back(0); // planes
    bmp.push_back(8), bmp.push_back(0); // bits
    PutInt32(bmp, 1);                   // RLE8
    for (int i = 0; i < 5; ++i)
        PutInt32(bmp, 0);
    PutInt32(bmp, 0x00FF00FF); // palette
    PutInt32(bmp, 0);
    bmp.insert(bmp.end(), {0, 1}); // end of bitmap
    Measure m;
    try {
        DecodeBmp(bmp, kSkinPixelBudget);
        ADD_FAILURE() << "an image of 67108864 pixels went through a budget of " << kSkinPixelBudget;
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(std::string(e.Message).find("8192 x 8192"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(m.PeakMiB(), 0);
}

// The loader reads about a dozen keys of every section whose name begins
// with "Button". Each lookup used to walk all section headers, lower-casing
// two strings per header: 4,000 such sections took seconds. An index makes
// a lookup cost a few allocations, however many sections there are.
TEST(SkinFileWork, LookupsDoNotGrowWithTheNumberOfSections)
{
    auto iniOf = [](int sections) {
        std::string text;
        for (int i = 0; i < sections; ++i)
            text += "[ButtonWithALongSectionName" + std::to_string(i) + "]\nAction=" + std::to_string(i % 5) +
                    "\nXcoord=" + std::to_string(i) + "\n";
        return text;
    };
    auto allocationsPerLookup = [&](int sections) {
        TMemoryStream s;
        const std::string text = iniOf(sections);
        s.WriteBuffer(text.data(), int64_t(text.size()));
        s.SetPosition(0);
        TQuickIni ini;
        ini.LoadFromStream(&s);
        const int lookups = 200;
        auto readAll = [&] {
            for (int i = 0; i < lookups; ++i) {
                const int n = (i * 37) % sections;
                EXPECT_EQ(ini.ReadInteger("buttonwithalongsectionname" + std::to_string(n), "XCOORD", -1), n);
            }
        };
        // The first reading of a section indexes its keys, once; counted is
        // what every later lookup costs, as the loader's dozen per section.
        readAll();
        Measure m;
        readAll();
        return m.Allocations() / lookups;
    };
    const int64_t small = allocationsPerLookup(40);
    const int64_t large = allocationsPerLookup(4000);
    EXPECT_LE(large, 8);
    EXPECT_LE(large, small + 1) << "small " << small << ", large " << large;
}
