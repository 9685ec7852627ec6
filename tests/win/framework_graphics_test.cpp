// The canvas and bitmaps under Wine: GDI's drawing rules as the widgets rely
// on them, BMP streams, transparency, fonts, image lists, layouts, and the
// live handle counts, which every test must leave where it found them.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "components/layoutreader.h"
#include "components/layoutwriter.h"
#include "framework/graphics.h"
#include "tests/win/gdi_leak_check.h"

namespace {

class Graphics : public TGdiLeakCheckedTest {};

// A 24-bit bitmap filled with one colour.
std::unique_ptr<TBitmap> Filled(int w, int h, TColor color, TPixelFormat format = pf24bit)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(format);
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

TColor Px(TBitmap& b, int x, int y)
{
    return b.Canvas()->Pixels(x, y);
}

// A BMP file of 1, 4 or 8 bits; indices top row first.
std::vector<uint8_t> PaletteBmp(int bits, int w, int h, const std::vector<uint32_t>& palette,
                                const std::vector<int>& indices)
{
    const int stride = ((w * bits + 31) / 32) * 4;
    const uint32_t offBits = 14 + 40 + 4 * static_cast<uint32_t>(palette.size());
    const uint32_t fileSize = offBits + static_cast<uint32_t>(stride * h);
    std::vector<uint8_t> f(fileSize, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&f[at], &v, 2); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, fileSize);
    put32(10, offBits);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(w));
    put32(22, static_cast<uint32_t>(h)); // bottom-up
    put16(26, 1);
    put16(28, static_cast<uint16_t>(bits));
    put32(46, static_cast<uint32_t>(palette.size()));
    for (size_t i = 0; i < palette.size(); ++i)
        put32(54 + 4 * i, palette[i]); // 0x00RRGGBB is B, G, R, 0 in memory
    for (int y = 0; y < h; ++y) {
        uint8_t* row = &f[offBits + static_cast<size_t>(h - 1 - y) * stride];
        for (int x = 0; x < w; ++x) {
            const int i = indices[static_cast<size_t>(y) * w + x];
            const int bit = x * bits;
            row[bit / 8] |= static_cast<uint8_t>(i << (8 - bits - bit % 8));
        }
    }
    return f;
}

TColor FromRgb(uint32_t rrggbb)
{
    return static_cast<TColor>((rrggbb >> 16 & 0xFF) | (rrggbb & 0xFF00) | (rrggbb & 0xFF) << 16);
}

} // namespace

// ---------------------------------------------------------------------------
// GDI's drawing rules.

TEST_F(Graphics, LinesLeaveOutTheirEndPoint)
{
    auto b = Filled(12, 12, clWhite);
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clBlack);
    c->Polyline({Point(1, 1), Point(6, 1), Point(6, 6)});
    for (int x = 1; x <= 6; ++x)
        EXPECT_EQ(Px(*b, x, 1), clBlack) << x;
    for (int y = 1; y < 6; ++y)
        EXPECT_EQ(Px(*b, 6, y), clBlack) << y;
    EXPECT_EQ(Px(*b, 6, 6), clWhite); // the last point is not drawn

    c->MoveTo(0, 10);
    c->LineTo(5, 10);
    EXPECT_EQ(Px(*b, 4, 10), clBlack);
    EXPECT_EQ(Px(*b, 5, 10), clWhite);
    EXPECT_EQ(c->GetPenPos(), Point(5, 10));
}

TEST_F(Graphics, ShapeExtentsExcludeRightAndBottom)
{
    auto b = Filled(14, 14, clWhite);
    TCanvas* c = b->Canvas();
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clRed);
    c->Rectangle(0, 0, 10, 10);
    EXPECT_EQ(Px(*b, 0, 0), clBlack);
    EXPECT_EQ(Px(*b, 9, 9), clBlack);
    EXPECT_EQ(Px(*b, 9, 0), clBlack);
    EXPECT_EQ(Px(*b, 5, 5), clRed);
    EXPECT_EQ(Px(*b, 10, 5), clWhite);
    EXPECT_EQ(Px(*b, 5, 10), clWhite);

    // FillRect: brush only, right and bottom excluded.
    c->Brush()->SetColor(clLime);
    c->FillRect(Rect(2, 2, 5, 5));
    EXPECT_EQ(Px(*b, 2, 2), clLime);
    EXPECT_EQ(Px(*b, 4, 4), clLime);
    EXPECT_EQ(Px(*b, 5, 5), clRed);

    // FrameRect: a one-pixel ring in the brush, the inside untouched.
    c->Brush()->SetColor(clBlue);
    c->FrameRect(Rect(1, 1, 9, 9));
    EXPECT_EQ(Px(*b, 1, 1), clBlue);
    EXPECT_EQ(Px(*b, 8, 8), clBlue);
    EXPECT_EQ(Px(*b, 8, 4), clBlue);
    EXPECT_EQ(Px(*b, 3, 3), clLime);
    EXPECT_EQ(Px(*b, 9, 9), clBlack);

    // A clear pen draws no outline; a clear brush no fill.
    auto d = Filled(8, 8, clWhite);
    d->Canvas()->Pen()->SetStyle(psClear);
    d->Canvas()->Brush()->SetColor(clRed);
    d->Canvas()->Rectangle(0, 0, 8, 8);
    EXPECT_EQ(Px(*d, 0, 0), clRed);
    d->Canvas()->Pen()->SetStyle(psSolid);
    d->Canvas()->Brush()->SetStyle(bsClear);
    d->Canvas()->Rectangle(2, 2, 6, 6);
    EXPECT_EQ(Px(*d, 2, 2), clBlack);
    EXPECT_EQ(Px(*d, 3, 3), clRed);
}

TEST_F(Graphics, PixelsReadBackAsDrawnAndSystemColoursResolve)
{
    auto b = Filled(4, 4, clBlack);
    TCanvas* c = b->Canvas();
    c->Pixels(1, 2) = clAqua;
    c->Pixels(3, 3) = static_cast<TColor>(0x123456);
    c->Pixels(0, 0) = clBtnFace;
    EXPECT_EQ(static_cast<TColor>(c->Pixels(1, 2)), clAqua);
    EXPECT_EQ(c->GetPixel(3, 3), 0x123456);
    EXPECT_EQ(static_cast<COLORREF>(c->GetPixel(0, 0)), ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(c->GetPixel(10, 10), clNone); // outside the bitmap
    EXPECT_EQ(ColorToRGB(clRed), RGB(255, 0, 0));
    EXPECT_EQ(ColorToRGB(clWindowText), ::GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(ColorToRGB(clDefault), ::GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ColorToRGB(clNone), RGB(0, 0, 0));

    // ScanLine sees what the canvas drew, top row first.
    const auto* row = static_cast<const uint8_t*>(b->ScanLine(2));
    EXPECT_EQ(row[3], 0xFF); // blue of clAqua at x = 1
    EXPECT_EQ(row[5], 0x00); // red
    EXPECT_THROW(b->ScanLine(4), EInvalidGraphic);
}

TEST_F(Graphics, CopyRectHonoursCopyModeAndStretches)
{
    auto src = Filled(4, 4, clRed);
    src->Canvas()->Pixels(0, 0) = clWhite;
    auto dst = Filled(8, 8, clBlack);
    dst->Canvas()->CopyRect(Rect(0, 0, 4, 4), src->Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(Px(*dst, 0, 0), clWhite);
    EXPECT_EQ(Px(*dst, 3, 3), clRed);
    EXPECT_EQ(Px(*dst, 4, 4), clBlack);

    dst->Canvas()->CopyMode = cmNotSrcCopy;
    dst->Canvas()->CopyRect(Rect(4, 4, 8, 8), src->Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(Px(*dst, 4, 4), clBlack);
    EXPECT_EQ(Px(*dst, 5, 5), clAqua); // not red

    // Doubling: each source pixel covers two by two.
    dst->Canvas()->CopyMode = cmSrcCopy;
    dst->Canvas()->CopyRect(Rect(0, 0, 8, 8), src->Canvas(), Rect(0, 0, 4, 4));
    EXPECT_EQ(Px(*dst, 1, 1), clWhite);
    EXPECT_EQ(Px(*dst, 2, 1), clRed);

    auto small = Filled(2, 2, clBlue);
    dst->Canvas()->StretchDraw(Rect(0, 0, 8, 8), small.get());
    EXPECT_EQ(Px(*dst, 7, 7), clBlue);
    dst->Canvas()->Draw(6, 6, src.get()); // clipped at the bitmap's edge
    EXPECT_EQ(Px(*dst, 6, 6), clWhite);
    EXPECT_EQ(Px(*dst, 7, 7), clRed);
}

// ---------------------------------------------------------------------------
// Bitmaps and BMP streams.

TEST_F(Graphics, BitmapRoundTripsThroughBmpStreamPixelForPixel)
{
    for (TPixelFormat format : {pf24bit, pf32bit}) {
        TBitmap b;
        b.SetPixelFormat(format);
        b.SetSize(37, 11); // odd width: rows are padded
        std::mt19937 rng(7);
        const int bpp = format == pf24bit ? 3 : 4;
        for (int y = 0; y < b.GetHeight(); ++y) {
            auto* row = static_cast<uint8_t*>(b.ScanLine(y));
            for (int i = 0; i < b.GetWidth() * bpp; ++i)
                row[i] = static_cast<uint8_t>(rng());
            if (bpp == 4)
                for (int x = 0; x < b.GetWidth(); ++x)
                    row[4 * x + 3] = 0xFF;
        }
        TMemoryStream s;
        b.SaveToStream(s);
        EXPECT_EQ(s.Memory()[28], format == pf24bit ? 24 : 32);
        s.SetPosition(0);
        TBitmap c;
        c.LoadFromStream(s);
        ASSERT_EQ(c.GetWidth(), 37);
        ASSERT_EQ(c.GetHeight(), 11);
        EXPECT_EQ(c.GetPixelFormat(), format);
        for (int y = 0; y < 11; ++y)
            ASSERT_EQ(std::memcmp(b.ScanLine(y), c.ScanLine(y), static_cast<size_t>(37 * bpp)), 0) << y;
    }
}

TEST_F(Graphics, PaletteBmpFilesLoadWithTheirColours)
{
    const std::vector<uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF8040, 0x808080,
                                       0xFFFFFF, 0x123456, 0xABCDEF, 0x00FFFF, 0xFF00FF, 0x404040,
                                       0x800000, 0x008000, 0x000080, 0xC0C0C0};
    struct Case {
        int bits;
        TPixelFormat format;
        int colours;
    };
    for (Case k : {Case{1, pf1bit, 2}, Case{4, pf4bit, 16}, Case{8, pf8bit, 16}}) {
        const int w = 9, h = 3;
        std::vector<int> idx(w * h);
        for (size_t i = 0; i < idx.size(); ++i)
            idx[i] = static_cast<int>((i * 5 + 3) % k.colours);
        const std::vector<uint32_t> p(pal.begin(), pal.begin() + k.colours);
        const std::vector<uint8_t> file = PaletteBmp(k.bits, w, h, p, idx);
        TMemoryStream s;
        s.WriteBuffer(file.data(), static_cast<int64_t>(file.size()));
        s.SetPosition(0);
        TBitmap b;
        b.LoadFromStream(s);
        EXPECT_EQ(b.GetPixelFormat(), k.format) << k.bits;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(Px(b, x, y), FromRgb(p[static_cast<size_t>(idx[y * w + x])]))
                    << k.bits << " bits at " << x << "," << y;
        // The indices themselves survive (an 8-bit row holds them as bytes).
        if (k.bits == 8) {
            EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(1))[2], idx[w + 2]);
        }

        // Saved as 24 bits, the colours stay.
        TMemoryStream out;
        b.SaveToStream(out);
        out.SetPosition(0);
        TBitmap c;
        c.LoadFromStream(out);
        EXPECT_EQ(c.GetPixelFormat(), pf24bit);
        EXPECT_EQ(Px(c, 4, 2), Px(b, 4, 2));
    }
}

TEST_F(Graphics, SixteenBitBmpLoadsAs555)
{
    // Two pixels, 5-5-5: pure red and a mid grey (16, 16, 16 of 31).
    std::vector<uint8_t> f(14 + 40 + 4, 0);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&f[at], &v, 4); };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<uint32_t>(f.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 1);
    f[26] = 1;
    f[28] = 16;
    const uint16_t red = 31 << 10, grey = 16 << 10 | 16 << 5 | 16;
    std::memcpy(&f[54], &red, 2);
    std::memcpy(&f[56], &grey, 2);
    TMemoryStream s;
    s.WriteBuffer(f.data(), static_cast<int64_t>(f.size()));
    s.SetPosition(0);
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(b.GetPixelFormat(), pf15bit);
    EXPECT_EQ(Px(b, 0, 0), clRed);
    const TColor g = Px(b, 1, 0);
    EXPECT_EQ(g & 0xFF, (g >> 8) & 0xFF); // grey stays grey
    EXPECT_NEAR(g & 0xFF, 0x84, 4);
    // The stored word itself is unchanged.
    EXPECT_EQ(static_cast<uint16_t*>(b.ScanLine(0))[1], grey);
}

TEST_F(Graphics, DamagedBmpIsRefusedAndLeavesTheBitmapAlone)
{
    auto b = Filled(3, 3, clRed);
    const std::vector<uint8_t> file = PaletteBmp(8, 4, 4, {0x000000, 0xFFFFFF}, std::vector<int>(16, 1));
    TMemoryStream s;
    s.WriteBuffer(file.data(), static_cast<int64_t>(file.size() - 6)); // pixels cut short
    s.SetPosition(0);
    EXPECT_THROW(b->LoadFromStream(s), EInvalidGraphic);
    EXPECT_EQ(b->GetWidth(), 3);
    EXPECT_EQ(Px(*b, 1, 1), clRed);
}

TEST_F(Graphics, AssignIsADeepCopyAndResizeKeepsPixels)
{
    auto a = Filled(5, 5, clRed);
    a->SetTransparent(true);
    TBitmap b;
    b.Assign(a.get());
    b.Canvas()->Pixels(2, 2) = clBlue;
    EXPECT_EQ(Px(*a, 2, 2), clRed);
    EXPECT_EQ(Px(b, 2, 2), clBlue);
    EXPECT_EQ(Px(b, 0, 0), clRed);
    EXPECT_TRUE(b.GetTransparent());
    EXPECT_NE(a->Handle(), b.Handle());

    b.SetWidth(8);
    EXPECT_EQ(Px(b, 2, 2), clBlue);
    EXPECT_EQ(Px(b, 7, 0), clBlack);
    b.SetHeight(0);
    EXPECT_TRUE(b.Empty());
    EXPECT_EQ(b.Handle(), nullptr);

    // Converting formats goes through GDI and keeps the colours that fit.
    a->SetPixelFormat(pf8bit);
    EXPECT_EQ(a->GetPixelFormat(), pf8bit);
    EXPECT_EQ(Px(*a, 1, 1), clRed);
    a->SetPixelFormat(pf32bit);
    EXPECT_EQ(Px(*a, 1, 1), clRed);
}

TEST_F(Graphics, TransparentDrawLeavesOutTheKeyColour)
{
    // Magenta all round (the bottom-left pixel gives the key), green inside.
    auto sprite = Filled(4, 4, clFuchsia);
    sprite->Canvas()->Brush()->SetColor(clLime);
    sprite->Canvas()->FillRect(Rect(1, 1, 3, 3));
    sprite->SetTransparent(true);
    EXPECT_EQ(sprite->GetTransparentMode(), tmAuto);
    EXPECT_EQ(sprite->GetTransparentColor(), clFuchsia);

    auto target = Filled(6, 6, clWhite);
    target->Canvas()->Draw(1, 1, sprite.get());
    EXPECT_EQ(Px(*target, 1, 1), clWhite);
    EXPECT_EQ(Px(*target, 4, 4), clWhite);
    EXPECT_EQ(Px(*target, 2, 2), clLime);
    EXPECT_EQ(Px(*target, 3, 3), clLime);

    // A fixed colour: now the green is the key and magenta shows.
    sprite->SetTransparentColor(clLime);
    EXPECT_EQ(sprite->GetTransparentMode(), tmFixed);
    auto target2 = Filled(6, 6, clWhite);
    target2->Canvas()->StretchDraw(Rect(0, 0, 4, 4), sprite.get());
    EXPECT_EQ(Px(*target2, 0, 0), clFuchsia);
    EXPECT_EQ(Px(*target2, 2, 2), clWhite);

    // Not transparent: everything is copied.
    sprite->SetTransparent(false);
    target2->Canvas()->Draw(0, 0, sprite.get());
    EXPECT_EQ(Px(*target2, 2, 2), clLime);
}

TEST_F(Graphics, OtherFormatsDrawTransparentToo)
{
    // A 32-bit bitmap loaded from a file carries alpha 0xFF; the key must
    // still match.
    auto sprite = Filled(3, 3, clFuchsia, pf32bit);
    sprite->Canvas()->Pixels(1, 1) = clBlue;
    TMemoryStream s;
    sprite->SaveToStream(s);
    s.SetPosition(0);
    TBitmap loaded;
    loaded.LoadFromStream(s);
    loaded.SetTransparent(true);
    auto target = Filled(3, 3, clWhite);
    target->Canvas()->Draw(0, 0, &loaded);
    EXPECT_EQ(Px(*target, 0, 0), clWhite);
    EXPECT_EQ(Px(*target, 1, 1), clBlue);

    // A palette bitmap: the key is matched against the table's colour.
    loaded.SetPixelFormat(pf8bit);
    auto target8 = Filled(3, 3, clWhite);
    target8->Canvas()->Draw(0, 0, &loaded);
    EXPECT_EQ(Px(*target8, 2, 2), clWhite);
    EXPECT_EQ(Px(*target8, 1, 1), clBlue);

    // Handing a bitmap its own handle changes nothing.
    loaded.SetHandle(loaded.Handle());
    EXPECT_EQ(Px(loaded, 1, 1), clBlue);
}

// ---------------------------------------------------------------------------
// Fonts and text.

TEST_F(Graphics, FontChangeReselectsIntoTheDc)
{
    auto b = Filled(200, 60, clWhite);
    TCanvas* c = b->Canvas();
    const int small = c->TextHeight("Hg");
    EXPECT_EQ(::GetCurrentObject(c->Handle(), OBJ_FONT), c->Font()->Handle());

    int notified = 0;
    TFont& f = *c->Font();
    HFONT before = f.Handle();
    c->Font()->SetHeight(-30);
    EXPECT_NE(f.Handle(), before);
    // Selected at once, without another drawing call.
    EXPECT_EQ(::GetCurrentObject(c->Handle(), OBJ_FONT), f.Handle());
    EXPECT_GT(c->TextHeight("Hg"), small);
    EXPECT_EQ(::GetObjectType(before), 0u); // the old font is gone, not leaked

    TFont other;
    other.OnChange = [&](TObject*) { ++notified; };
    other.SetHeight(-30);
    other.SetHeight(-30); // no change, no notice
    other.SetStyle({fsBold});
    EXPECT_EQ(notified, 2);
    c->SetFont(&other);
    EXPECT_TRUE(c->Font()->GetStyle().Contains(fsBold));

    // Colour changes reach the DC's text colour.
    c->Font()->SetColor(clRed);
    EXPECT_EQ(::GetTextColor(c->Handle()), RGB(255, 0, 0));
}

TEST_F(Graphics, TextIsMeasuredAndDrawnInMsSansSerif)
{
    auto b = Filled(120, 30, clWhite);
    TCanvas* c = b->Canvas();
    EXPECT_EQ(c->Font()->GetName(), "MS Sans Serif");
    EXPECT_EQ(c->Font()->GetHeight(), -11);
    EXPECT_EQ(c->Font()->GetSize(), 8);
    const int w = c->TextWidth("Connected");
    EXPECT_GT(w, 20);
    EXPECT_GT(c->TextHeight("Connected"), 8);

    c->Font()->SetColor(clBlack);
    c->Brush()->SetStyle(bsClear);
    c->TextOut(2, 2, "Connected");
    int dark = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 120; ++x)
            dark += Px(*b, x, y) != clWhite;
    EXPECT_GT(dark, 20);
    // A clear brush leaves the background, and TextRect clips to its box.
    EXPECT_EQ(Px(*b, 1, 1), clWhite);
    c->Brush()->SetColor(clBlue);
    c->TextRect(Rect(0, 20, 10, 30), 0, 20, "WWWWWW");
    EXPECT_EQ(Px(*b, 9, 29), clBlue);
    EXPECT_EQ(Px(*b, 10, 29), clWhite);
}

namespace {

int CALLBACK CountFace(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return 1;
}

bool FaceInstalled(const char* face)
{
    TWindowDC screen = TWindowDC::Get(nullptr);
    LOGFONTA q{};
    q.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(q.lfFaceName, face);
    int count = 0;
    ::EnumFontFamiliesExA(screen.Handle(), &q, CountFace, reinterpret_cast<LPARAM>(&count), 0);
    return count > 0;
}

} // namespace

TEST_F(Graphics, DefaultFontIsRealisedAsMsSansSerif)
{
    // Wine finds its own fonts only in the prefix's Fonts folder on this
    // system; without them every face falls back to a substitute.
    if (!FaceInstalled("MS Sans Serif")) GTEST_SKIP() << "MS Sans Serif is not installed in this Wine prefix";
    TBitmap b;
    b.SetSize(1, 1);
    b.Canvas()->TextWidth("x");
    char face[LF_FACESIZE] = {};
    ::GetTextFaceA(b.Canvas()->Handle(), LF_FACESIZE, face);
    EXPECT_STREQ(face, "MS Sans Serif");
}

// ---------------------------------------------------------------------------
// Handles and their lifetime.

namespace {

// A canvas that makes its DC when first asked, as window canvases do.
class TOnDemandCanvas : public TCanvas {
public:
    ~TOnDemandCanvas() override { Release(); }
    void Release()
    {
        SetHandle(nullptr);
        dc_.Reset();
    }
    int created = 0;

protected:
    void CreateHandle() override
    {
        dc_ = TMemoryDC::Create();
        ++created;
        SetHandle(dc_.Get());
    }

private:
    TMemoryDC dc_;
};

} // namespace

TEST_F(Graphics, CanvasGivesStockObjectsBackAndMakesHandlesOnDemand)
{
    TCanvas bare;
    EXPECT_THROW(bare.Rectangle(0, 0, 1, 1), EInvalidOperation);

    TOnDemandCanvas c;
    EXPECT_FALSE(c.HandleAllocated());
    c.Pen()->SetColor(clRed);
    c.Rectangle(0, 0, 2, 2);
    EXPECT_EQ(c.created, 1);
    HDC dc = c.Handle();
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), c.Pen()->Handle());
    c.Refresh();
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_PEN), ::GetStockObject(BLACK_PEN));
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), ::GetStockObject(SYSTEM_FONT));
    c.TextWidth("x"); // selects again
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), c.Font()->Handle());
    c.SetHandle(nullptr); // before the DC goes, the stock objects go back
    EXPECT_EQ(::GetCurrentObject(dc, OBJ_FONT), ::GetStockObject(SYSTEM_FONT));
    c.Release();
    c.FillRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(c.created, 2);

    EXPECT_TRUE(c.TryLock());
    c.Lock();
    EXPECT_EQ(c.LockCount(), 2);
    c.Unlock();
    c.Unlock();
}

TEST_F(Graphics, NothingLeaksWhenPaintingThrows)
{
    const int gdi = TResourceCount::GdiObjects;
    HBITMAP dib = nullptr;
    try {
        auto b = Filled(10, 10, clWhite);
        dib = b->Handle();
        TBitmap copy;
        copy.Assign(b.get());
        copy.Canvas()->Font()->SetStyle({fsItalic});
        copy.Canvas()->TextOut(0, 0, "x");
        copy.Canvas()->Pen()->SetWidth(3);
        copy.Canvas()->Ellipse(0, 0, 9, 9);
        EXPECT_GT(TResourceCount::GdiObjects, gdi);
        throw std::runtime_error("mid-paint");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(TResourceCount::GdiObjects, gdi);
    EXPECT_EQ(::GetObjectType(dib), 0u); // really deleted, not just uncounted

    // Holders free what they were given, and a moved-from holder nothing.
    TBrushHandle brush(::CreateSolidBrush(RGB(1, 2, 3)));
    TBrushHandle moved = std::move(brush);
    EXPECT_FALSE(brush);
    EXPECT_EQ(TResourceCount::GdiObjects, gdi + 1);
    moved.Reset();
    EXPECT_EQ(TResourceCount::GdiObjects, gdi);
}

TEST_F(Graphics, IconOwnsItsHandle)
{
    auto color = Filled(16, 16, clRed);
    auto mask = Filled(16, 16, clBlack);
    ICONINFO ii{TRUE, 0, 0, mask->Handle(), color->Handle()};
    TIcon icon;
    icon.SetHandle(::CreateIconIndirect(&ii));
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(icon.GetWidth(), 16);
    EXPECT_EQ(icon.GetHeight(), 16);

    TIcon copy;
    copy.Assign(&icon);
    EXPECT_NE(copy.Handle(), icon.Handle());
    auto target = Filled(16, 16, clWhite);
    target->Canvas()->Draw(0, 0, &copy);
    EXPECT_EQ(Px(*target, 8, 8), clRed);

    HICON released = copy.ReleaseHandle();
    EXPECT_TRUE(copy.Empty());
    EXPECT_TRUE(::DestroyIcon(released));
    EXPECT_THROW(icon.LoadFromResourceName(nullptr, "NO_SUCH_ICON"), EInvalidGraphic);
}

TEST_F(Graphics, BitmapResourcesLoad)
{
    // user32 carries the system's bitmaps as BITMAP resources; compare one
    // with what the system makes of it.
    HINSTANCE user32 = ::GetModuleHandleA("user32.dll");
    constexpr int obmCheckboxes = 32759; // OBM_CHECKBOXES
    TBitmap b;
    try {
        b.LoadFromResourceID(user32, obmCheckboxes);
    } catch (const EInvalidGraphic&) {
        GTEST_SKIP() << "no OBM_CHECKBOXES resource in this user32";
    }
    TBitmap ref;
    ref.SetHandle(static_cast<HBITMAP>(
        ::LoadImageA(user32, MAKEINTRESOURCEA(obmCheckboxes), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    ASSERT_EQ(b.GetWidth(), ref.GetWidth());
    ASSERT_EQ(b.GetHeight(), ref.GetHeight());
    for (int y = 0; y < b.GetHeight(); y += 3)
        for (int x = 0; x < b.GetWidth(); x += 3)
            ASSERT_EQ(Px(b, x, y), Px(ref, x, y)) << x << "," << y;
    EXPECT_THROW(b.LoadFromResourceName(nullptr, "NO_SUCH_BITMAP"), EInvalidGraphic);
}

// ---------------------------------------------------------------------------
// Image lists.

TEST_F(Graphics, ImageListDrawsItsImagesWithTheKeyLeftOut)
{
    TImageList list(nullptr);
    list.SetWidth(5);
    list.SetHeight(4);
    // Three images side by side: magenta ground, one coloured pixel each.
    auto strip = Filled(15, 4, clFuchsia);
    const TColor marks[3] = {clRed, clLime, clBlue};
    for (int i = 0; i < 3; ++i)
        strip->Canvas()->Pixels(i * 5 + 2, 1) = marks[i];
    EXPECT_EQ(list.AddMasked(strip.get(), clDefault), 0);
    EXPECT_EQ(list.Count(), 3);

    auto target = Filled(5, 4, clWhite);
    list.Draw(target->Canvas(), 0, 0, 1);
    EXPECT_EQ(Px(*target, 2, 1), clLime);
    EXPECT_EQ(Px(*target, 0, 0), clWhite);

    TBitmap one;
    list.GetBitmap(2, &one);
    EXPECT_EQ(one.GetWidth(), 5);
    EXPECT_EQ(Px(one, 2, 1), clBlue);
    EXPECT_EQ(Px(one, 0, 0), clBlack); // transparent on no background colour

    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    list.GetBitmap(0, &one);
    EXPECT_EQ(Px(one, 2, 1), clLime);
    EXPECT_THROW(list.Draw(target->Canvas(), 0, 0, 2), EInvalidGraphic);

    // An unmasked add keeps every pixel.
    list.Add(Filled(5, 4, clFuchsia).get(), nullptr);
    list.Draw(target->Canvas(), 0, 0, 2);
    EXPECT_EQ(Px(*target, 0, 0), clFuchsia);
    EXPECT_THROW(list.Add(Filled(3, 4, clRed).get(), nullptr), EInvalidGraphic);
}

// ---------------------------------------------------------------------------
// Published properties and layouts.

namespace {

class TGfxHolder : public TComponent {
    ORVANE_CLASS(TGfxHolder, TComponent)
    explicit TGfxHolder(TComponent* owner) : TComponent(owner) {}
    TFont* GetFont() { return &font; }
    TPicture* GetPicture() { return &picture; }
    TBitmap* GetGlyph() { return &glyph; }
    TFont font;
    TPicture picture;
    TBitmap glyph;
};

const TClassInfo& TGfxHolder::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGfxHolder>()
                                        .Object("Font", &TGfxHolder::GetFont)
                                        .Object("Glyph", &TGfxHolder::GetGlyph)
                                        .Object("Picture", &TGfxHolder::GetPicture);
    return info;
}

class TGfxRoot : public TComponent {
    ORVANE_CLASS(TGfxRoot, TComponent)
    TGfxRoot() : TComponent(nullptr) {}
};

const TClassInfo& TGfxRoot::StaticClass()
{
    static const TClassInfo& info = PublishClass<TGfxRoot>();
    return info;
}

} // namespace

TEST_F(Graphics, PublishedPropertiesByName)
{
    TFont f;
    EXPECT_TRUE(SetProperty(&f, "Style", "[fsBold, fsUnderline]"));
    EXPECT_TRUE(SetProperty(&f, "Color", "clRed"));
    EXPECT_TRUE(SetProperty(&f, "Size", "12"));
    EXPECT_EQ(f.GetStyle(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(f.GetColor(), clRed);
    EXPECT_EQ(f.GetHeight(), -16);
    EXPECT_EQ(GetProperty(&f, "Name"), "MS Sans Serif");

    TBrush b;
    EXPECT_EQ(GetEnumProperty(&b, "Style"), "bsSolid");
    EXPECT_TRUE(SetProperty(&b, "Style", "bsClear"));
    EXPECT_EQ(b.GetStyle(), bsClear);
    TPen p;
    EXPECT_EQ(GetIntProperty(&p, "Width"), 1);
    EXPECT_EQ(GetEnumProperty(&p, "Mode"), "pmCopy");

    TPicture pic;
    TObject* bmp = GetObjProp(&pic, "Bitmap");
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(bmp->ClassName(), "TBitmap");
    EXPECT_TRUE(SetProperty(bmp, "Transparent", "True"));
    EXPECT_TRUE(pic.Bitmap()->GetTransparent());
}

TEST_F(Graphics, LayoutsCarryFontsAndPictureData)
{
    RegisterClasses<TGfxHolder, TImageList>();
    TGfxRoot root;
    root.SetName("Form1");
    auto* h = new TGfxHolder(&root);
    h->SetName("Holder1");
    h->font.SetStyle({fsBold});
    h->font.SetHeight(-13);
    auto bmp = Filled(7, 3, clRed);
    bmp->Canvas()->Pixels(6, 2) = clBlue;
    h->picture.SetBitmap(bmp.get());
    h->glyph.Assign(bmp.get());
    h->glyph.SetTransparentColor(clBlue);
    auto* list = new TImageList(&root);
    list->SetName("ImageList1");
    list->SetWidth(3);
    list->SetHeight(3);
    auto strip = Filled(9, 3, clFuchsia);
    strip->Canvas()->Pixels(4, 1) = clLime;
    list->AddMasked(strip.get(), clFuchsia);

    const std::string text = WriteLayout(root);
    EXPECT_NE(text.find("Font.Style = [fsBold]"), std::string::npos) << text;
    EXPECT_NE(text.find("Picture.Data = {"), std::string::npos) << text;
    EXPECT_NE(text.find("Glyph.Data = {"), std::string::npos) << text;

    TGfxRoot back;
    ReadLayout(back, text);
    auto* h2 = dynamic_cast<TGfxHolder*>(back.FindComponent("Holder1"));
    ASSERT_NE(h2, nullptr);
    EXPECT_EQ(h2->font.GetStyle(), TFontStyles{fsBold});
    EXPECT_EQ(h2->font.GetHeight(), -13);
    ASSERT_NE(h2->picture.Graphic(), nullptr);
    TBitmap* pb = h2->picture.Bitmap();
    ASSERT_EQ(pb->GetWidth(), 7);
    EXPECT_EQ(Px(*pb, 6, 2), clBlue);
    EXPECT_EQ(Px(*pb, 0, 0), clRed);
    EXPECT_EQ(h2->glyph.GetTransparentMode(), tmFixed);
    EXPECT_EQ(h2->glyph.GetTransparentColor(), clBlue);
    EXPECT_EQ(Px(h2->glyph, 6, 2), clBlue);

    auto* list2 = dynamic_cast<TImageList*>(back.FindComponent("ImageList1"));
    ASSERT_NE(list2, nullptr);
    ASSERT_EQ(list2->Count(), 3);
    auto target = Filled(3, 3, clWhite);
    list2->Draw(target->Canvas(), 0, 0, 1);
    EXPECT_EQ(Px(*target, 1, 1), clLime);
    EXPECT_EQ(Px(*target, 0, 0), clWhite);

    // Hand-written layouts set fonts the usual way.
    TGfxRoot typed;
    ReadLayout(typed, "object Form1: TGfxRoot\n"
                      "  object Holder1: TGfxHolder\n"
                      "    Font.Height = -11\n"
                      "    Font.Name = 'Tahoma'\n"
                      "    Font.Style = [fsBold, fsItalic]\n"
                      "    Font.Color = clBtnShadow\n"
                      "  end\n"
                      "end\n");
    auto* h3 = dynamic_cast<TGfxHolder*>(typed.FindComponent("Holder1"));
    ASSERT_NE(h3, nullptr);
    EXPECT_EQ(h3->font.GetName(), "Tahoma");
    EXPECT_EQ(h3->font.GetStyle(), (TFontStyles{fsBold, fsItalic}));
    EXPECT_EQ(h3->font.GetColor(), clBtnShadow);
}

TEST_F(Graphics, DamagedPictureDataIsRefused)
{
    RegisterClasses<TGfxHolder>();
    TGfxRoot root;
    // A size larger than the bytes that follow.
    EXPECT_ANY_THROW(ReadLayout(root, "object Form1: TGfxRoot\n"
                                      "  object Holder1: TGfxHolder\n"
                                      "    Glyph.Data = {FF000000424D}\n"
                                      "  end\n"
                                      "end\n"));
    TGfxRoot root2;
    EXPECT_ANY_THROW(ReadLayout(root2, "object Form1: TGfxRoot\n"
                                       "  object Holder1: TGfxHolder\n"
                                       "    Picture.Data = {0554466F6F6F00000000}\n"
                                       "  end\n"
                                       "end\n"));
}
