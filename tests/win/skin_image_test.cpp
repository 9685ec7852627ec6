// The skin's image routines, checked by reading pixels back: which source
// pixels land where for frames, nine-slices, three-slices and tiles, the
// key colour left out, regions from images, the colour utilities, and the
// handle counts every test must leave where it found them.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "framework/resourcecount.h"
#include "runtime/sysutils.h"
#include "skin/imgutil.h"
#include "skin/winskinimage.h"
#include "tests/win/gdi_leak_check.h"

namespace {

class SkinImage : public TGdiLeakCheckedTest {};

std::unique_ptr<TBitmap> Make(int w, int h, const std::function<TColor(int, int)>& color)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b->Canvas()->SetPixel(x, y, color(x, y));
    return b;
}

std::unique_ptr<TBitmap> Filled(int w, int h, TColor color)
{
    return Make(w, h, [&](int, int) { return color; });
}

// Every pixel tells where it came from: red = 8 * x, green = 8 * y (x and
// y below 32).
TColor Coord(int x, int y)
{
    return static_cast<TColor>(RGB(8 * x, 8 * y, 100));
}
int SrcX(TColor c)
{
    return GetRValue(c) / 8;
}
int SrcY(TColor c)
{
    return GetGValue(c) / 8;
}

TColor Px(TBitmap& b, int x, int y)
{
    return b.Canvas()->GetPixel(x, y);
}

const TRect kNoMargins{0, 0, 0, 0};
const TRect kMargins4{4, 4, 4, 4};

TEST_F(SkinImage, FramesAreCutSideBySideOrOneBelowAnother)
{
    auto across = Make(30, 10, Coord); // three frames of 10 x 10
    auto map = GetHMap(Rect(0, 0, 10, 10), across.get(), kNoMargins, false, false, 3, 2);
    ASSERT_TRUE(map);
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(SrcX(Px(*map, x, 5)), 10 + x) << x;

    auto down = Make(10, 30, Coord);
    map = GetHMap(Rect(0, 0, 10, 10), down.get(), kNoMargins, true, false, 3, 3);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(SrcY(Px(*map, 5, y)), 20 + y) << y;

    EXPECT_EQ(FrameRect(across.get(), false, 3, 2), Rect(10, 0, 20, 10));
    // Frame numbers outside the image fall back to the nearest frame.
    EXPECT_EQ(FrameRect(across.get(), false, 3, 7), Rect(20, 0, 30, 10));
    EXPECT_EQ(FrameRect(across.get(), false, 3, 0), Rect(0, 0, 10, 10));
}

TEST_F(SkinImage, NineSliceKeepsCornersAndStretchesEdgesAndCentre)
{
    auto img = Make(12, 12, Coord);
    auto map = GetHMap(Rect(0, 0, 100, 20), img.get(), kMargins4, false, false, 1, 1);
    ASSERT_TRUE(map);
    ASSERT_EQ(map->GetWidth(), 100);
    ASSERT_EQ(map->GetHeight(), 20);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(Px(*map, x, y), Coord(x, y));
            EXPECT_EQ(Px(*map, 96 + x, y), Coord(8 + x, y));
            EXPECT_EQ(Px(*map, x, 16 + y), Coord(x, 8 + y));
            EXPECT_EQ(Px(*map, 96 + x, 16 + y), Coord(8 + x, 8 + y));
        }
    // The top edge comes from the source's top edge, stretched across.
    for (int x = 4; x < 96; x += 7) {
        EXPECT_EQ(SrcY(Px(*map, x, 1)), 1);
        EXPECT_GE(SrcX(Px(*map, x, 1)), 4);
        EXPECT_LE(SrcX(Px(*map, x, 1)), 7);
    }
    // The centre comes from the source's centre.
    const TColor c = Px(*map, 50, 10);
    EXPECT_GE(SrcX(c), 4);
    EXPECT_LE(SrcX(c), 7);
    EXPECT_GE(SrcY(c), 4);
    EXPECT_LE(SrcY(c), 7);
}

TEST_F(SkinImage, MarginsThatDoNotFitAreDroppedInTheirDirectionOnly)
{
    auto img = Make(12, 12, Coord);
    auto map = GetHMap(Rect(0, 0, 6, 20), img.get(), kMargins4, false, false, 1, 1);
    ASSERT_TRUE(map);
    // Across: the whole frame scaled (every other source column).
    EXPECT_LE(SrcX(Px(*map, 0, 0)), 1);
    EXPECT_GE(SrcX(Px(*map, 2, 0)), 4);
    EXPECT_GE(SrcX(Px(*map, 5, 0)), 10);
    // Down: the top and bottom margins still hold.
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(SrcY(Px(*map, 0, y)), y);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(SrcY(Px(*map, 0, 16 + y)), 8 + y);

    // Margins wider than the source frame leave no middle to stretch: they
    // are dropped rather than mirroring the copy.
    map = GetHMap(Rect(0, 0, 40, 40), img.get(), Rect(8, 0, 8, 0), false, false, 1, 1);
    EXPECT_EQ(SrcX(Px(*map, 0, 0)), 0);
    EXPECT_EQ(SrcX(Px(*map, 39, 0)), 11);
}

TEST_F(SkinImage, TiledCentreRepeatsAtSourceSizeAndEdgesCoverTheOverrun)
{
    auto img = Make(12, 12, Coord);
    auto map = GetHMap(Rect(0, 0, 30, 22), img.get(), kMargins4, false, true, 1, 1);
    ASSERT_TRUE(map);
    for (int y = 4; y < 18; ++y)
        for (int x = 4; x < 26; ++x)
            ASSERT_EQ(Px(*map, x, y), Coord(4 + (x - 4) % 4, 4 + (y - 4) % 4)) << x << "," << y;
    // The last tile would reach x = 27 and y = 19: the right and bottom
    // edges lie over it.
    EXPECT_EQ(SrcX(Px(*map, 26, 8)), 8);
    EXPECT_EQ(SrcY(Px(*map, 8, 18)), 8);
    EXPECT_EQ(Px(*map, 29, 21), Coord(11, 11));
}

// A small tile repeated over a large area (a skin's one-pixel centre over a
// menu): the pattern is the tile's everywhere, and the copies it takes,
// recorded one by one in an enhanced metafile, stay few.
TEST_F(SkinImage, TilingCostsAFewCopiesWhateverTheTileSize)
{
    auto img = Make(5, 4, Coord);
    auto dest = Filled(240, 160, clBlack);
    DrawBGbmp(dest->Canvas(), Rect(0, 0, 240, 160), img.get(), Rect(1, 1, 4, 3));
    for (int y = 0; y < 160; ++y)
        for (int x = 0; x < 240; ++x)
            ASSERT_EQ(Px(*dest, x, y), Coord(1 + x % 3, 1 + y % 2)) << x << "," << y;

    auto blitsFor = [&](const TRect& source) {
        HDC emf = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
        DrawBGbmp(emf, Rect(0, 0, 240, 160), img.get(), source);
        HENHMETAFILE recorded = CloseEnhMetaFile(emf);
        int blits = 0;
        EnumEnhMetaFile(
            nullptr, recorded,
            [](HDC, HANDLETABLE*, const ENHMETARECORD* r, int, LPARAM count) -> int {
                if (r->iType == EMR_BITBLT || r->iType == EMR_STRETCHBLT) ++*reinterpret_cast<int*>(count);
                return 1;
            },
            &blits, nullptr);
        DeleteEnhMetaFile(recorded);
        return blits;
    };
    EXPECT_LE(blitsFor(Rect(2, 2, 3, 3)), 4) << "a one-pixel tile";
    EXPECT_LE(blitsFor(Rect(1, 1, 4, 3)), 4) << "a three by two tile";
    EXPECT_LE(blitsFor(Rect(0, 0, 5, 4)), 4) << "the whole image";
}

TEST_F(SkinImage, KeyColourLeavesTheDestinationAlone)
{
    auto img = Make(3, 1, [](int x, int) { return x == 1 ? SkinKeyColor : clBlue; });
    auto dest = Filled(6, 2, clLime);
    HDC dc = dest->Canvas()->Handle();

    DrawRect2(dc, Rect(0, 0, 3, 1), img.get(), false, false, true, 1, 1, kNoMargins);
    EXPECT_EQ(Px(*dest, 0, 0), clBlue);
    EXPECT_EQ(Px(*dest, 1, 0), clLime);
    EXPECT_EQ(Px(*dest, 2, 0), clBlue);

    // Stretching never blends the key into its neighbours.
    dest = Filled(6, 2, clLime);
    dc = dest->Canvas()->Handle();
    DrawRect1(dc, Rect(0, 0, 6, 2), img.get(), true, 1, 1);
    EXPECT_EQ(Px(*dest, 0, 1), clBlue);
    EXPECT_EQ(Px(*dest, 2, 1), clLime);
    EXPECT_EQ(Px(*dest, 3, 0), clLime);
    EXPECT_EQ(Px(*dest, 5, 0), clBlue);

    // Without the flag the key colour is copied like any other.
    DrawRect2(dc, Rect(0, 0, 3, 1), img.get(), false, false, false, 1, 1, kNoMargins);
    EXPECT_EQ(Px(*dest, 1, 0), SkinKeyColor);

    // DrawTranmap copies no more than the bitmap holds.
    dest = Filled(6, 2, clLime);
    DrawTranmap(dest->Canvas()->Handle(), Rect(0, 0, 6, 2), img.get());
    EXPECT_EQ(Px(*dest, 2, 0), clBlue);
    EXPECT_EQ(Px(*dest, 4, 0), clLime);
    EXPECT_EQ(Px(*dest, 0, 1), clLime);
}

TEST_F(SkinImage, ThreeSlicesAcrossAndDown)
{
    auto img = Make(10, 4, Coord);
    const TRect margins{2, 1, 2, 1};
    auto dest = Filled(20, 8, clBlack);
    // Tiled: the 6-pixel middle repeats from x = 2; the right end covers the
    // overrun at 18 and 19. Every piece is stretched to the height.
    DrawRectTile(dest->Canvas(), Rect(0, 0, 20, 8), img.get(), false, false, 1, 1, margins);
    EXPECT_EQ(SrcX(Px(*dest, 1, 7)), 1);
    EXPECT_EQ(SrcX(Px(*dest, 8, 0)), 2);
    EXPECT_EQ(SrcX(Px(*dest, 15, 0)), 3);
    EXPECT_EQ(SrcX(Px(*dest, 18, 0)), 8);
    EXPECT_EQ(SrcY(Px(*dest, 5, 7)), 3);

    // Stretched middle; ends unscaled.
    dest = Filled(40, 4, clBlack);
    DrawRectH(dest->Canvas()->Handle(), Rect(0, 0, 40, 4), img.get(), false, 1, 1, margins);
    EXPECT_EQ(SrcX(Px(*dest, 1, 0)), 1);
    EXPECT_EQ(SrcX(Px(*dest, 38, 0)), 8);
    EXPECT_EQ(SrcX(Px(*dest, 39, 0)), 9);
    // Narrower than the frame: the whole frame squeezed.
    dest = Filled(5, 4, clBlack);
    DrawRectH(dest->Canvas()->Handle(), Rect(0, 0, 5, 4), img.get(), false, 1, 1, margins);
    EXPECT_GE(SrcX(Px(*dest, 4, 0)), 8);

    auto tall = Make(4, 10, Coord);
    dest = Filled(4, 30, clBlack);
    DrawRectV(dest->Canvas()->Handle(), Rect(0, 0, 4, 30), tall.get(), false, 1, 1, Rect(0, 3, 0, 3));
    EXPECT_EQ(SrcY(Px(*dest, 0, 2)), 2);
    EXPECT_EQ(SrcY(Px(*dest, 0, 15)) >= 3 && SrcY(Px(*dest, 0, 15)) <= 6, true);
    EXPECT_EQ(SrcY(Px(*dest, 0, 29)), 9);

    auto thumb = GetThumbMap(Rect(0, 0, 8, 30), tall.get(), Rect(0, 3, 0, 3), false, 1, 1);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(Px(*thumb, 7, 0), Coord(3, 0));
    EXPECT_EQ(SrcY(Px(*thumb, 0, 27)), 7);
}

TEST_F(SkinImage, UnscaledCentredAndTiledBackgrounds)
{
    auto img = Make(8, 4, Coord); // two frames of 4 x 4
    auto dest = Filled(9, 9, clBlack);
    DrawRect3(dest->Canvas()->Handle(), Rect(0, 0, 9, 9), img.get(), false, 2, 2);
    EXPECT_EQ(Px(*dest, 2, 2), Coord(4, 0));
    EXPECT_EQ(Px(*dest, 5, 5), Coord(7, 3));
    EXPECT_EQ(Px(*dest, 6, 6), clBlack);

    dest = Filled(10, 10, clBlack);
    DrawBGbmp(dest->Canvas(), Rect(1, 1, 10, 10), img.get(), Rect(1, 1, 4, 3));
    EXPECT_EQ(Px(*dest, 0, 0), clBlack);
    EXPECT_EQ(Px(*dest, 1, 1), Coord(1, 1));
    EXPECT_EQ(Px(*dest, 4, 3), Coord(1, 1));
    EXPECT_EQ(Px(*dest, 9, 9), Coord(3, 1));
}

TEST_F(SkinImage, NothingToDrawDrawsNothing)
{
    auto img = Make(2, 2, Coord);
    TBitmap empty;
    auto dest = Filled(4, 4, clLime);
    HDC dc = dest->Canvas()->Handle();
    // No frames, frames narrower than a pixel (2 / 3), an empty image, none.
    const std::vector<std::pair<TBitmap*, int>> cases{
        {img.get(), 0}, {img.get(), 3}, {&empty, 1}, {nullptr, 1}};
    for (auto [image, frames] : cases) {
        DrawRect2(dc, Rect(0, 0, 4, 4), image, false, false, false, frames, 1, kNoMargins);
        DrawBorder(dc, Rect(0, 0, 4, 4), image, false, frames, 1, kNoMargins);
        DrawRect1(dc, Rect(0, 0, 4, 4), image, false, frames, 1);
        DrawRect3(dc, Rect(0, 0, 4, 4), image, false, frames, 1);
        DrawRectTile(dest->Canvas(), Rect(0, 0, 4, 4), image, false, false, frames, 1, kNoMargins);
        DrawRectH(dc, Rect(0, 0, 4, 4), image, false, frames, 1, kNoMargins);
        DrawRectV(dc, Rect(0, 0, 4, 4), image, false, frames, 1, kNoMargins);
        auto map = GetHMap(Rect(0, 0, 4, 4), image, kNoMargins, false, false, frames, 1);
        ASSERT_TRUE(map);
        EXPECT_EQ(Px(*map, 0, 0), clBlack);
        auto thumb = GetThumbMap(Rect(0, 0, 4, 4), image, kNoMargins, false, frames, 1);
        ASSERT_TRUE(thumb);
    }
    DrawRect2(dc, Rect(0, 0, 4, 4), img.get(), false, false, false, 3, 1, kNoMargins);
    EXPECT_EQ(Px(*dest, 0, 0), clLime);
    EXPECT_EQ(Px(*dest, 3, 3), clLime);

    // Inverted rectangles.
    EXPECT_FALSE(GetHMap(Rect(5, 0, 0, 4), img.get(), kNoMargins, false, false, 1, 1));
    EXPECT_FALSE(GetThumbMap(Rect(0, 5, 4, 0), img.get(), kNoMargins, false, 1, 1));
    DrawRect2(dc, Rect(4, 0, 0, 4), img.get(), false, false, false, 1, 1, kNoMargins);
    DrawRect3(dc, Rect(4, 4, 0, 0), img.get(), false, 1, 1);
    DrawTranmap(dc, Rect(4, 4, 0, 0), img.get());
    EXPECT_EQ(Px(*dest, 0, 0), clLime);

    // A frame that is all margin has no middle to repeat.
    DrawRectTile(dest->Canvas(), Rect(0, 0, 4, 4), img.get(), false, false, 1, 1, Rect(1, 0, 1, 0));
    EXPECT_EQ(SrcX(Px(*dest, 3, 0)), 1);
}

std::vector<RECT> RegionRects(HRGN rgn)
{
    const DWORD size = ::GetRegionData(rgn, 0, nullptr);
    std::vector<uint8_t> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    ::GetRegionData(rgn, size, data);
    const auto* r = reinterpret_cast<const RECT*>(data->Buffer);
    return std::vector<RECT>(r, r + data->rdh.nCount);
}

TEST_F(SkinImage, RegionsLeaveOutTheKeyColour)
{
    auto img = Make(3, 1, [](int x, int) { return x == 1 ? SkinKeyColor : clBlue; });
    TRegionHandle rgn = BitmapToRegion(img.get(), 5, 7);
    ASSERT_TRUE(rgn);
    auto rects = RegionRects(rgn.Get());
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(TRect(rects[0]), Rect(5, 7, 6, 8));
    EXPECT_EQ(TRect(rects[1]), Rect(7, 7, 8, 8));

    // Tolerance reaches upward from the key's channels.
    auto nearKey =
        Make(3, 2, [](int x, int y) { return x == 2 && y == 1 ? RGB(255, 8, 255) : SkinKeyColor; });
    rgn = BitmapToRegion(nearKey.get(), 0, 0, 0, 10, 0);
    ASSERT_TRUE(rgn);
    RECT box{};
    EXPECT_EQ(::GetRgnBox(rgn.Get(), &box), NULLREGION);
    rgn = BitmapToRegion(nearKey.get(), 0, 0);
    ASSERT_EQ(RegionRects(rgn.Get()).size(), 1u);
    EXPECT_EQ(TRect(RegionRects(rgn.Get())[0]), Rect(2, 1, 3, 2));

    TBitmap empty;
    EXPECT_FALSE(BitmapToRegion(&empty, 0, 0));

    // Many runs: more rectangles than one batch holds.
    auto checks = Make(200, 30, [](int x, int y) { return (x + y) % 2 ? SkinKeyColor : clRed; });
    rgn = BitmapToRegion(checks.get(), 0, 0);
    EXPECT_TRUE(::PtInRegion(rgn.Get(), 199, 29));
    EXPECT_FALSE(::PtInRegion(rgn.Get(), 198, 29));
    EXPECT_EQ(RegionRects(rgn.Get()).size(), 3000u);
}

TEST_F(SkinImage, ColourUtilities)
{
    // System colours are resolved before blending.
    const COLORREF face = ColorToRGB(clBtnFace);
    EXPECT_EQ(static_cast<COLORREF>(Blend(clBtnFace, clWhite, 1000)), face);
    EXPECT_EQ(Blend(clWhite, clBlack, 50), 0x808080);
    EXPECT_EQ(GetHSV(clRed), 255);
    EXPECT_EQ(GetHSV(clNavy), 200);

    auto bmp = Filled(10, 40, clBlack);
    GradFill(bmp->Canvas()->Handle(), Rect(0, 0, 10, 40), clWhite, true, clBlack);
    EXPECT_EQ(Px(*bmp, 9, 0), clWhite);
    EXPECT_EQ(Px(*bmp, 0, 39), clBlack);
    // 255 + floor((19 + 20 * -255) / 39) = 124
    EXPECT_EQ(Px(*bmp, 5, 20), static_cast<TColor>(RGB(124, 124, 124)));
    GradFill(bmp->Canvas()->Handle(), Rect(0, 0, 10, 40), clRed, false, clBlue);
    EXPECT_EQ(Px(*bmp, 0, 39), clRed);
    EXPECT_EQ(Px(*bmp, 9, 0), clBlue);

    auto img = Make(3, 2, Coord);
    SpiegelnHorizontal(img.get());
    EXPECT_EQ(Px(*img, 0, 1), Coord(2, 1));
    EXPECT_EQ(Px(*img, 1, 0), Coord(1, 0));
    EXPECT_EQ(Px(*img, 2, 0), Coord(0, 0));

    auto keyed = Make(2, 1, [](int x, int) { return x ? SkinKeyColor : RGB(255, 0, 254); });
    ChangeTrans(keyed.get(), clLime);
    EXPECT_EQ(Px(*keyed, 1, 0), clLime);
    EXPECT_EQ(Px(*keyed, 0, 0), static_cast<TColor>(RGB(255, 0, 254)));
}

TEST_F(SkinImage, WindowTextAndClass)
{
    HWND wnd = ::CreateWindowExW(0, L"STATIC", L"Caption \u00e9", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    ASSERT_TRUE(wnd);
    EXPECT_EQ(GetFormCaption(wnd), L"Caption \u00e9");
    EXPECT_EQ(GetFormCaptionA(wnd).substr(0, 8), "Caption ");
    EXPECT_EQ(LowerCase(GetWindowClassname(wnd)), "static");
    ::DestroyWindow(wnd);
    EXPECT_EQ(GetFormCaption(nullptr), L"");
}

} // namespace

namespace {

TEST_F(SkinImage, BuiltInBitmapsTravelWithTheLibrary)
{
    TBitmap track, vert, glyphs;
    track.LoadFromResourceName(nullptr, SkinTrackResource);
    vert.LoadFromResourceName(nullptr, SkinTrackVertResource);
    glyphs.LoadFromResourceName(nullptr, SkinMenuGlyphsResource);
    ASSERT_EQ(track.GetWidth(), 16);
    ASSERT_EQ(track.GetHeight(), 4);
    ASSERT_EQ(vert.GetWidth(), 4);
    ASSERT_EQ(vert.GetHeight(), 16);
    // A groove: grey above, white below, silver between; upright the same.
    EXPECT_EQ(Px(track, 8, 0), clGray);
    EXPECT_EQ(Px(track, 8, 2), clSilver);
    EXPECT_EQ(Px(track, 8, 3), clWhite);
    EXPECT_EQ(Px(vert, 0, 8), clGray);
    EXPECT_EQ(Px(vert, 3, 8), clWhite);

    ASSERT_EQ(glyphs.GetWidth(), 64);
    ASSERT_EQ(glyphs.GetHeight(), 16);
    for (int cell = 0; cell < 4; ++cell) {
        int black = 0, other = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const TColor c = Px(glyphs, 16 * cell + x, y);
                black += c == clBlack;
                other += c != clBlack && c != clWhite;
            }
        EXPECT_GT(black, 8) << cell;
        EXPECT_EQ(other, 0) << cell;
        EXPECT_EQ(Px(glyphs, 16 * cell, 0), clWhite);
    }
}

} // namespace
