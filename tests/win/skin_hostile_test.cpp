// Skin packages made to hurt: images that ask for more memory than a skin
// needs, and numbers no window can show. A skin comes from whoever made it;
// loading it must cost a bounded amount and drawing it must stay in range.
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

// Edge sizes, offsets and widths near the ends of the 32-bit range made the
// nine-slice sums and the caption width wrap round. Held at load time to
// what a window can show, too-wide margins are dropped as any margin that
// does not fit, and the frame draws.
TEST_F(SkinHostile, NumbersNoWindowCanShowAreHeldToTheLargestItCan)
{
    // Five frames of 10 x 10; frame 1 red on the left half, blue on the right.
    TSkinPackageWriter w;
    w.Add("buttons.bmp", BmpOf(50, 10, [](int x, int) { return x < 5 ? clRed : x < 10 ? clBlue : clLime; }));
    w.Add("top.bmp", BmpOf(142, 50, [](int, int y) { return y < 25 ? RGB(90, 120, 150) : RGB(60, 70, 80); }));
    w.Add("close.bmp", BmpOf(96, 18, [](int, int) { return RGB(200, 30, 30); }));
    w.Add("skin.ini", Text("[Buttons]\nBitmap=buttons.bmp\nLeftWidth=2147483647\nRightWidth=2147483647\n"
                           "TopHeight=-2147483648\nBottomHeight=0x7FFFFFFF\n"
                           "[Personality]\nTop=top.bmp\nTopFrame=2\nTopTopHeight=2147483647\n"
                           "TopBotHeight=2147483647\nTextBack=top.bmp\nTXTBackleft=2147483647\n"
                           "TXTBackRight=2147483647\nTextShift=-2147483648\nmenuBar=top.bmp\n"
                           "TileLeftMenu=2147483647\n"
                           "[Button0]\nAction=0\nAlign=1\nXcoord=2147483647\nYcoord=-2147483648\n"
                           "ButtonImage=close.bmp\n"
                           "[GroupBox]\nImage=top.bmp\nBackgroundLeftShift=2147483647\n"));
    TSkinData d(nullptr);
    TMemoryStream package = Packed(w);
    d.LoadFromStream(package);
    ASSERT_FALSE(d.NotLoaded) << d.LoadError;
    EXPECT_EQ(d.Button->Margins, Rect(kSkinMaxExtent, -kSkinMaxExtent, kSkinMaxExtent, kSkinMaxExtent));
    EXPECT_EQ(d.BorderTop->Margins, Rect(kSkinMaxExtent, 0, kSkinMaxExtent, 0));
    EXPECT_EQ(d.Title->TXTBackleft, kSkinMaxExtent);
    EXPECT_EQ(d.Title->TXTBackRight, kSkinMaxExtent);
    EXPECT_EQ(d.Title->Margins.Left, -kSkinMaxExtent);
    EXPECT_EQ(d.MenuBar->Margins.Left, kSkinMaxExtent);
    EXPECT_EQ(d.GroupBox->BackgroundLeftShift, kSkinMaxExtent);
    ASSERT_FALSE(d.SysButtons.empty());
    EXPECT_EQ(d.SysButtons[0]->Xcoord, kSkinMaxExtent);
    EXPECT_EQ(d.SysButtons[0]->Ycoord, -kSkinMaxExtent);

    // Margins wider than the button are dropped: frame 1 stretched whole,
    // red over the left half and blue over the right, as the image has it.
    TBitmap out;
    out.SetPixelFormat(pf24bit);
    out.SetSize(20, 10);
    DrawRect2(out.Canvas()->Handle(), Rect(0, 0, 20, 10), d.Button->Image.get(), false, false, false, 5, 1,
              d.Button->Margins);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(out.Canvas()->GetPixel(x, y), x < 10 ? clRed : clBlue) << x << "," << y;

    // A window in this skin paints, its caption where the window is.
    delete SkinManager;
    auto manager = std::make_unique<TSkinManage>();
    manager->AddSkinData(&d);
    manager->Enabled = true;
    manager->UseState = 1;
    auto form = frametest::MainShapedForm();
    form->Show();
    ASSERT_TRUE(manager->AddForm(form->Handle()));
    TWinSkinForm* f = manager->FindSkinForm(form->Handle());
    ASSERT_TRUE(frametest::PumpUntil([&] { return f->FrameState == FrameSkinned; }));
    f->UpdateNc();
    const int width = frametest::WindowRectOf(form->Handle()).Width();
    EXPECT_GE(f->CaptionRect.Left, -kSkinMaxExtent);
    EXPECT_LE(f->CaptionRect.Right, width);
    form.reset();
    manager.reset();
}
