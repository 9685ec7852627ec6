// Skin packages made to hurt: images that ask for more memory than a skin
// needs. A skin comes from whoever made it; loading it must cost a bounded
// amount.
#include <gtest/gtest.h>
// clang-format off
#include <windows.h>
#include <psapi.h>
// clang-format on

#include <functional>
#include <string>
#include <vector>

#include "framework/resourcecount.h"
#include "skin/winskindata.h"
#include "skin/winskinimage.h"
#include "skinfiles/skinpackage.h"
#include "skinfiles/skinvalues.h"
#include "tests/win/skin_frame_testing.h"

namespace {

using Bytes = std::vector<uint8_t>;

void PutInt32(Bytes& b, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(uint32_t(v) >> (8 * i)));
}

// 64 bytes: an 8-bit RLE bitmap of the given size whose data ends at once,
// so that every pixel takes palette entry 0.
Bytes EmptyRleBitmap(int32_t width, int32_t height)
{
    Bytes b = {'B', 'M'};
    PutInt32(b, 64);
    PutInt32(b, 0);
    PutInt32(b, 14 + 40 + 8);
    PutInt32(b, 40);
    PutInt32(b, width);
    PutInt32(b, height);
    b.insert(b.end(), {1, 0, 8, 0});
    PutInt32(b, 1); // RLE8
    for (int i = 0; i < 5; ++i)
        PutInt32(b, 0);
    PutInt32(b, 0x00204060);
    PutInt32(b, 0);
    b.insert(b.end(), {0, 1});
    return b;
}

Bytes BmpOf(int w, int h, const std::function<TColor(int, int)>& colour)
{
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.Canvas()->SetPixel(x, y, colour(x, y));
    TMemoryStream s;
    b.SaveToStream(s);
    return s.Bytes();
}

Bytes Text(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}

TMemoryStream Packed(const TSkinPackageWriter& writer)
{
    TMemoryStream s;
    writer.SaveToStream(s);
    s.SetPosition(0);
    return s;
}

size_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.PeakWorkingSetSize;
}

size_t WorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc);
    return pmc.WorkingSetSize;
}

class SkinHostile : public ::testing::Test {
protected:
    void SetUp() override
    {
        TSkinData::ShowSkinMessage = [this](const std::string& text) { messages.push_back(text); };
        gdi0_ = TResourceCount::GdiObjects;
    }
    void TearDown() override
    {
        TSkinData::ShowSkinMessage = nullptr;
        delete SkinManager;
        EXPECT_EQ(TResourceCount::GdiObjects, gdi0_) << "GDI objects left behind";
    }
    std::vector<std::string> messages;

private:
    int gdi0_ = 0;
};

} // namespace

// Thirty-seven images of 64 bytes each, every one an 8192 x 8192 bitmap:
// decoded, each asked for 256 MB of pixels and 64 MB of bitmap. The skin's
// pixel budget refuses the first before it is made.
TEST_F(SkinHostile, ImagesBeyondThePixelBudgetAreRefusedBeforeTheyAreMade)
{
    TSkinPackageWriter w;
    std::string ini;
    // In the order the loader reads them; the rest are never asked for.
    const char* sections[] = {"Headerbar", "MenuItem",   "MenuBackground",
                              "Scrollbar", "HorzScroll", "VertScroll"};
    for (int i = 0; i < 37; ++i) {
        const std::string name = "huge" + std::to_string(i) + ".bmp";
        w.Add(name, EmptyRleBitmap(8192, 8192));
        ini +=
            "[" + std::string(sections[i % 6]) + (i < 6 ? "" : std::to_string(i)) + "]\nImage=" + name + "\n";
    }
    w.Add("skin.ini", Text(ini));
    TMemoryStream package = Packed(w);
    ASSERT_LT(package.GetSize(), 8 * 1024);

    const size_t before = std::max(PeakWorkingSet(), WorkingSet());
    TSkinData d(nullptr);
    d.LoadFromStream(package);
    EXPECT_TRUE(d.NotLoaded);
    EXPECT_NE(d.LoadError.find("huge0.bmp"), std::string::npos) << d.LoadError;
    EXPECT_NE(d.LoadError.find("8192 x 8192"), std::string::npos) << d.LoadError;
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("huge0.bmp"), std::string::npos);
    const size_t after = PeakWorkingSet();
    EXPECT_LT(after > before ? after - before : 0, size_t{32} << 20) << "peak working set grew by that much";
}

// The budget counts every image of the package: what fits alone may not fit
// after the others. Two 2048 x 2048 images take all of it; a third image of
// one pixel is one too many, and the error names it.
TEST_F(SkinHostile, ThePixelBudgetIsSharedByAllImagesOfAPackage)
{
    static_assert(kSkinPixelBudget == 2 * 2048 * 2048);
    TSkinPackageWriter w;
    w.Add("a.bmp", EmptyRleBitmap(2048, 2048));
    w.Add("b.bmp", EmptyRleBitmap(2048, 2048));
    w.Add("c.bmp", BmpOf(1, 1, [](int, int) { return clRed; }));
    w.Add("skin.ini", Text("[MenuItem]\nImage=a.bmp\n[MenuBackground]\nImage=b.bmp\n"));
    TSkinData d(nullptr);
    TMemoryStream fits = Packed(w);
    d.LoadFromStream(fits);
    ASSERT_FALSE(d.NotLoaded) << d.LoadError;
    EXPECT_EQ(d.MenuItem->Image->GetWidth(), 2048);
    EXPECT_EQ(d.MenuBackground->Image->GetHeight(), 2048);

    TSkinPackageWriter over;
    for (const TSkinPackageFile& f : w.Files())
        if (f.Name != "skin.ini") over.Add(f.Name, f.Data);
    // The scroll bar is read after the menu images.
    over.Add("skin.ini",
             Text("[MenuItem]\nImage=a.bmp\n[MenuBackground]\nImage=b.bmp\n[Scrollbar]\nImage=c.bmp\n"));
    TMemoryStream tooMuch = Packed(over);
    d.LoadFromStream(tooMuch);
    EXPECT_FALSE(d.NotLoaded) << "the skin loaded before stays";
    EXPECT_EQ(d.Scrollbar, nullptr);
    EXPECT_EQ(d.LoadError.rfind("The skin cannot be loaded: c.bmp: ", 0), 0u) << d.LoadError;
    EXPECT_NE(d.LoadError.find("8388608 pixels in all"), std::string::npos) << d.LoadError;
}
