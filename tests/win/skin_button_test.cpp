// Skinned buttons read back as pixels: which face frame of our default
// skin's button image shows in each state (told from the image's own
// pixels), the caption's colour and line break, and the time a skinned
// speed button takes to paint (a figure for make bench).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "skin/winskinbutton.h"
#include "skin/winskinimage.h"
#include "tests/win/skin_control_testing.h"

using namespace skintest;

namespace {

constexpr int kRing = 4; // pixels along the edges, where no caption reaches

struct SkinButtons : ::testing::Test {
    void SetUp() override
    {
        RegisterClasses<TPanel, TShape, TImage, TLabel, TEdit, TUpDown, TGroupBox, TCheckBox, TRadioGroup,
                        TSpeedButton, TiTestWidget>();
        standIns = RegisterStandIns();
        LoadDefaultSkin(data);
        ASSERT_FALSE(data.NotLoaded);
        ASSERT_FALSE(data.Button->Image->Empty());
        form = std::make_unique<TPanelLikeForm>(nullptr);
        panel = dynamic_cast<TPanel*>(form->FindComponent("Panel1"));
        speed = dynamic_cast<TSpeedButton*>(form->FindComponent("SpeedButton1"));
        push = new TButton(form.get());
        push->SetParent(panel);
        push->SetBounds(400, 340, 120, 40);
        push->SetCaption("Go");
        host = std::make_unique<TTestHost>(form.get(), &data);
        host->List().InitControls(form.get());
    }
    void TearDown() override
    {
        host.reset();
        form.reset();
        RemoveStandIns(standIns);
    }

    // The panel as painted now (its speed buttons on it).
    std::unique_ptr<TBitmap> PaintPanel()
    {
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetSize(panel->Width(), panel->Height());
        panel->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0);
        return bmp;
    }
    std::unique_ptr<TBitmap> PaintControl(TWinControl* control)
    {
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetSize(control->Width(), control->Height());
        control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bmp->Canvas()->Handle()), 0);
        return bmp;
    }
    // Whether the ring of pixels along the edges of the w x h area at (x0, y0)
    // of actual shows face frame `frame`, judged from the skin's button image
    // itself: a nine-slice copies the corners unscaled, so there every pixel
    // must be the frame's own; along an edge a pixel must be one the frame
    // has in that row (top and bottom) or column (sides) of its middle part.
    // The frame is drawn over csButtonFace with the key colour left out.
    bool RingMatches(TBitmap& actual, int x0, int y0, int w, int h, int frame)
    {
        TDataSkinButton& b = *data.Button;
        TBitmap& img = *b.Image;
        const int fw = img.GetWidth() / b.Frame, fh = img.GetHeight(), sx = fw * (frame - 1);
        const TRect& m = b.Margins;
        EXPECT_TRUE(m.Left >= kRing && m.Top >= kRing && m.Right >= kRing && m.Bottom >= kRing &&
                    w >= m.Left + m.Right && h >= m.Top + m.Bottom && fw > m.Left + m.Right &&
                    fh > m.Top + m.Bottom)
            << "the corners reach past the ring";
        const TColor face = static_cast<TColor>(ColorToRGB(data.Colors[csButtonFace]));
        auto src = [&](int x, int y) {
            const TColor c = img.Canvas()->Pixels(sx + x, y);
            return c == SkinKeyColor ? face : c;
        };
        // The source column (row) of an unscaled end, or -1 in the middle.
        auto end = [](int at, int size, int first, int last, int frameSize) {
            return at < first ? at : at >= size - last ? frameSize - (size - at) : -1;
        };
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (x >= kRing && y >= kRing && x < w - kRing && y < h - kRing) continue;
                const TColor got = actual.Canvas()->Pixels(x0 + x, y0 + y);
                const int qx = end(x, w, m.Left, m.Right, fw), qy = end(y, h, m.Top, m.Bottom, fh);
                bool ok = false;
                if (qx >= 0 && qy >= 0)
                    ok = got == src(qx, qy);
                else if (qy >= 0)
                    for (int c = m.Left; c < fw - m.Right && !ok; ++c)
                        ok = got == src(c, qy);
                else
                    for (int r = m.Top; r < fh - m.Bottom && !ok; ++r)
                        ok = got == src(qx, r);
                if (!ok) return false;
            }
        return true;
    }
    // Which face frame (1..5) the ring shows, 0 when none does.
    int FrameShown(TBitmap& actual, int x0, int y0, int w, int h)
    {
        int shown = 0;
        for (int frame = 1; frame <= 5; ++frame)
            if (RingMatches(actual, x0, y0, w, h, frame)) {
                EXPECT_EQ(shown, 0) << "frames " << shown << " and " << frame << " look the same here";
                shown = frame;
            }
        return shown;
    }
    bool RingIsFace(TBitmap& actual, int x0, int y0, int w, int h)
    {
        const TColor face = static_cast<TColor>(ColorToRGB(data.Colors[csButtonFace]));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((x < kRing || y < kRing || x >= w - kRing || y >= h - kRing) &&
                    actual.Canvas()->Pixels(x0 + x, y0 + y) != face)
                    return false;
        return true;
    }
    // Rows of the w x h area holding a pixel of colour c, first to last.
    static std::pair<int, int> RowsOf(TBitmap& bmp, COLORREF c)
    {
        int first = -1, last = -1;
        for (int y = 0; y < bmp.GetHeight(); ++y)
            for (int x = 0; x < bmp.GetWidth(); ++x)
                if (static_cast<COLORREF>(bmp.Canvas()->Pixels(x, y)) == c) {
                    if (first < 0) first = y;
                    last = y;
                    break;
                }
        return {first, last};
    }
    static int Count(TBitmap& bmp, COLORREF c)
    {
        int n = 0;
        for (int y = 0; y < bmp.GetHeight(); ++y)
            for (int x = 0; x < bmp.GetWidth(); ++x)
                n += static_cast<COLORREF>(bmp.Canvas()->Pixels(x, y)) == c;
        return n;
    }

    TSkinData data{nullptr};
    std::unique_ptr<TPanelLikeForm> form;
    std::unique_ptr<TTestHost> host;
    TPanel* panel = nullptr;
    TSpeedButton* speed = nullptr;
    TButton* push = nullptr;
    std::vector<std::string> standIns;
};

TEST_F(SkinButtons, AFlatSpeedButtonShowsItsFaceOnlyUnderTheMouseAndWhenPressed)
{
    ASSERT_NE(host->List().FindObject(speed), nullptr);
    const int x = speed->Left(), y = speed->Top(), w = speed->Width(), h = speed->Height();
    EXPECT_TRUE(RingIsFace(*PaintPanel(), x, y, w, h));

    speed->Perform(CM_MOUSEENTER);
    EXPECT_EQ(FrameShown(*PaintPanel(), x, y, w, h), SkinBtnHot);

    int clicks = 0;
    speed->OnClick = [&](TObject*) { ++clicks; };
    speed->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(FrameShown(*PaintPanel(), x, y, w, h), SkinBtnPressed);
    speed->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1); // the button's own click logic stayed in charge
    EXPECT_EQ(FrameShown(*PaintPanel(), x, y, w, h), SkinBtnHot);

    speed->Perform(CM_MOUSELEAVE);
    EXPECT_TRUE(RingIsFace(*PaintPanel(), x, y, w, h));

    // A button held down shows the pressed face at rest.
    speed->SetGroupIndex(1);
    speed->SetDown(true);
    EXPECT_EQ(FrameShown(*PaintPanel(), x, y, w, h), SkinBtnPressed);
    // A button that is not flat shows its normal face at rest.
    speed->SetAllowAllUp(true);
    speed->SetDown(false);
    speed->SetFlat(false);
    EXPECT_EQ(FrameShown(*PaintPanel(), x, y, w, h), SkinBtnNormal);
    speed->SetEnabled(false);
    EXPECT_EQ(FrameShown(*PaintPanel(), x, y, w, h), SkinBtnDisabled);
}

TEST_F(SkinButtons, TagTransparentPaintsOverTheParentsBackground)
{
    host->List().DeleteControls();
    speed->Tag = SkinTransparentTag;
    host->List().InitControls(form.get());
    panel->SetColor(clRed); // after the panel was recoloured for the skin
    const int x = speed->Left(), y = speed->Top(), w = speed->Width(), h = speed->Height();
    std::unique_ptr<TBitmap> all = PaintPanel();
    EXPECT_EQ(all->Canvas()->Pixels(x + 1, y + h / 2), clRed);
    EXPECT_EQ(all->Canvas()->Pixels(x + w - 2, y + 1), clRed);
    // Under the mouse the face goes over that background.
    speed->Perform(CM_MOUSEENTER);
    EXPECT_FALSE(RingIsFace(*PaintPanel(), x, y, w, h));
}

TEST_F(SkinButtons, APushButtonShowsFocusedDefaultDisabledAndHotFaces)
{
    ASSERT_NE(host->List().FindObject(push), nullptr);
    const int w = push->Width(), h = push->Height();
    EXPECT_EQ(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnNormal);

    push->SetDefault(true);
    EXPECT_EQ(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnFocused);
    push->SetDefault(false);

    form->Show();
    SetForegroundWindow(form->Handle());
    push->SetFocus();
    Pump();
    if (GetFocus() == push->Handle()) {
        EXPECT_EQ(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnFocused);
        // The mouse over it wins over the focus.
        push->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
        EXPECT_EQ(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnHot);
        push->Perform(WM_MOUSELEAVE);
    } else {
        ADD_FAILURE() << "the push button could not take the focus here";
    }

    push->SetEnabled(false);
    std::unique_ptr<TBitmap> disabled = PaintControl(push);
    EXPECT_EQ(FrameShown(*disabled, 0, 0, w, h), SkinBtnDisabled);
    EXPECT_GT(Count(*disabled, GetSysColor(COLOR_GRAYTEXT)), 0);
    EXPECT_EQ(Count(*disabled, RGB(0, 0, 0)), 0);
}

TEST_F(SkinButtons, PressingAPushButtonShowsFramePressedAndClicksOnRelease)
{
    int clicks = 0, downs = 0;
    push->OnClick = [&](TObject*) { ++clicks; };
    push->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    const int w = push->Width(), h = push->Height();
    push->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnPressed);
    push->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(clicks, 1);
    EXPECT_NE(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnPressed);
    // The space key presses as the mouse does; the click stays the system's.
    push->Perform(WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnPressed);
    push->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_NE(FrameShown(*PaintControl(push), 0, 0, w, h), SkinBtnPressed);
}

TEST_F(SkinButtons, ADoubleBarInTheCaptionBreaksTheLineOnce)
{
    push->SetBounds(400, 300, 140, 60);
    const COLORREF black = RGB(0, 0, 0);
    // The height of one line of the button's font.
    TEXTMETRICA tm{};
    {
        TWindowDC screen = TWindowDC::Get(nullptr);
        TSelectObject font(screen.Handle(), push->Font()->Handle());
        GetTextMetricsA(screen.Handle(), &tm);
    }
    const int line = tm.tmHeight;
    ASSERT_GT(line, 4);
    auto inkHeight = [&](const char* caption) {
        push->SetCaption(caption);
        const auto rows = RowsOf(*PaintControl(push), black);
        return rows.first < 0 ? 0 : rows.second - rows.first + 1;
    };
    EXPECT_LE(inkHeight("Save Parameter"), line);
    EXPECT_GT(inkHeight("Save||Parameter"), line);
    EXPECT_LE(inkHeight("Save||Parameter"), 2 * line);
    // Only the first bar pair breaks: a third line never appears.
    EXPECT_LE(inkHeight("A||B||C"), 2 * line);
}

TEST_F(SkinButtons, WithoutAButtonImageButtonsKeepTheirOwnPainting)
{
    host->List().DeleteControls();
    data.Button->Image->FreeImage();
    host->List().InitControls(form.get());
    ASSERT_NE(host->List().FindObject(push), nullptr);
    // The system's face: not the skin's frame, not a blank buffer.
    std::unique_ptr<TBitmap> own = PaintControl(push);
    EXPECT_GT(Count(*own, RGB(0, 0, 0)), 0);
    int clicks = 0;
    push->OnClick = [&](TObject*) { ++clicks; };
    push->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    push->Perform(WM_LBUTTONUP, 0, MAKELPARAM(4, 4));
    EXPECT_EQ(clicks, 1);
}

// A strip of four 12 x 12 glyphs: a key-coloured frame round a square of
// one colour per image.
std::unique_ptr<TBitmap> GlyphStrip(int images, const COLORREF* colours)
{
    auto strip = std::make_unique<TBitmap>();
    strip->SetSize(12 * images, 12);
    HDC dc = strip->Canvas()->Handle();
    TBrushHandle key(CreateSolidBrush(RGB(0, 128, 128)));
    RECT all{0, 0, 12 * images, 12};
    FillRect(dc, &all, key.Get());
    for (int i = 0; i < images; ++i) {
        TBrushHandle b(CreateSolidBrush(colours[i]));
        RECT r{12 * i + 3, 3, 12 * i + 9, 9};
        FillRect(dc, &r, b.Get());
    }
    return strip;
}

TEST_F(SkinButtons, ASpeedButtonsGlyphFollowsItsFace)
{
    const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    speed->SetGlyph(GlyphStrip(4, colours).get());
    speed->SetNumGlyphs(4);
    speed->SetCaption("");
    auto shows = [&](COLORREF c) {
        std::unique_ptr<TBitmap> all = PaintPanel();
        int n = 0;
        for (int y = speed->Top(); y < speed->Top() + speed->Height(); ++y)
            for (int x = speed->Left(); x < speed->Left() + speed->Width(); ++x)
                n += static_cast<COLORREF>(all->Canvas()->Pixels(x, y)) == c;
        return n;
    };
    EXPECT_EQ(shows(colours[0]), 36); // image 1 at rest, whole, the key left out
    EXPECT_EQ(shows(RGB(0, 128, 128)), 0);
    speed->Perform(CM_MOUSEENTER);
    speed->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_EQ(shows(colours[2]), 36); // pressed: image 3
    speed->Perform(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    speed->Perform(CM_MOUSELEAVE);
    speed->SetGroupIndex(1);
    speed->SetDown(true);
    EXPECT_EQ(shows(colours[3]), 36); // held down: image 4
    speed->SetAllowAllUp(true);
    speed->SetDown(false);
    speed->SetEnabled(false);
    EXPECT_EQ(shows(colours[1]), 36); // disabled: image 2

    // A single image has its disabled look made for it: no colour of its own.
    speed->SetNumGlyphs(1);
    speed->SetGlyph(GlyphStrip(1, colours).get());
    EXPECT_EQ(shows(colours[0]), 0);
    EXPECT_GT(shows(GetSysColor(COLOR_BTNSHADOW)), 0);
}

TEST_F(SkinButtons, ABitmapButtonPaintsTheFaceWithItsGlyph)
{
    const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    auto* bit = new TBitBtn(form.get());
    bit->SetParent(panel);
    bit->SetBounds(300, 380, 100, 32);
    bit->SetCaption("Open");
    bit->SetGlyph(GlyphStrip(2, colours).get());
    bit->SetNumGlyphs(2);
    host->List().InitControls(form.get());
    ASSERT_NE(host->List().FindObject(bit), nullptr);
    const int w = bit->Width(), h = bit->Height();
    std::unique_ptr<TBitmap> up = PaintControl(bit);
    EXPECT_EQ(FrameShown(*up, 0, 0, w, h), SkinBtnNormal);
    EXPECT_EQ(Count(*up, colours[0]), 36);
    EXPECT_GT(Count(*up, RGB(0, 0, 0)), 0); // the caption beside it
    bit->SetEnabled(false);
    std::unique_ptr<TBitmap> off = PaintControl(bit);
    EXPECT_EQ(FrameShown(*off, 0, 0, w, h), SkinBtnDisabled);
    EXPECT_EQ(Count(*off, colours[1]), 36);
    EXPECT_EQ(Count(*off, colours[0]), 0);
}

// --- Glyph and caption layout, worked out by hand for a 12 x 12 glyph whose
// red square sits 3 pixels in. Margin counts from the button's edge and the
// caption wraps beside the glyph, aligned towards it.

struct TInk {
    int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1; // inclusive
    bool Empty() const { return Right < 0; }
    void Add(int x, int y)
    {
        Left = std::min(Left, x);
        Top = std::min(Top, y);
        Right = std::max(Right, x);
        Bottom = std::max(Bottom, y);
    }
};

// Where a and b differ.
TInk Differences(TBitmap& a, TBitmap& b)
{
    TInk ink;
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.Canvas()->Pixels(x, y) != b.Canvas()->Pixels(x, y)) ink.Add(x, y);
    return ink;
}

TInk PixelsOf(TBitmap& bmp, TColor c)
{
    TInk ink;
    for (int y = 0; y < bmp.GetHeight(); ++y)
        for (int x = 0; x < bmp.GetWidth(); ++x)
            if (bmp.Canvas()->Pixels(x, y) == c) ink.Add(x, y);
    return ink;
}

struct GlyphLayouts : SkinButtons {
    void SetUp() override
    {
        SkinButtons::SetUp();
        bit = new TBitBtn(form.get());
        bit->SetParent(panel);
        bit->SetBounds(20, 380, 90, 30);
        host->List().InitControls(form.get());
        ASSERT_NE(host->List().FindObject(bit), nullptr);
        speed->SetFlat(false);
        speed->SetLeft(520); // alone there: no other button paints over it
        speed->SetTop(360);
    }
    // The button as painted now, in a bitmap of its size.
    std::unique_ptr<TBitmap> Paint(TControl* button)
    {
        if (auto* win = dynamic_cast<TWinControl*>(button)) return PaintControl(win);
        std::unique_ptr<TBitmap> all = PaintPanel();
        auto own = std::make_unique<TBitmap>();
        own->SetSize(button->Width(), button->Height());
        BitBlt(own->Canvas()->Handle(), 0, 0, button->Width(), button->Height(), all->Canvas()->Handle(),
               button->Left(), button->Top(), SRCCOPY);
        return own;
    }
    // The caption's size in the button's font, wrapped at width.
    static SIZE Measure(TControl* button, const std::string& caption, int width)
    {
        TWindowDC screen = TWindowDC::Get(nullptr);
        TSelectObject font(screen.Handle(), button->Font()->Handle());
        RECT r{0, 0, width, 0};
        DrawTextA(screen.Handle(), caption.c_str(), static_cast<int>(caption.size()), &r,
                  DT_CALCRECT | DT_WORDBREAK);
        return {r.right, r.bottom};
    }
    static int LineHeight(TControl* button)
    {
        TWindowDC screen = TWindowDC::Get(nullptr);
        TSelectObject font(screen.Handle(), button->Font()->Handle());
        TEXTMETRICA tm{};
        GetTextMetricsA(screen.Handle(), &tm);
        return tm.tmHeight;
    }
    TBitBtn* bit = nullptr;
};

TEST_F(GlyphLayouts, GlyphAndCaptionStandWhereMarginSpacingAndLayoutPutThem)
{
    const COLORREF red = RGB(255, 0, 0);
    struct Row {
        const char* name;
        TButtonLayout layout;
        int margin, spacing, w, h;
        const char* caption;
        // The glyph's top left, by hand, from the caption's size.
        std::function<TPoint(SIZE)> glyph;
    };
    // Along the layout: left gx = margin, right gx = w - margin - 12, top gy
    // = margin, bottom gy = h - margin - 12; across, (h - 12) / 2 or
    // (w - 12) / 2. Automatic: both, thirds of the free length; margin alone,
    // the block centred; spacing alone, half what is left. Without a caption
    // the spacing is 0, and so the glyph centred.
    const Row rows[] = {
        {"left, margin 5, spacing 3", blGlyphLeft, 5, 3, 90, 30, "Go", [](SIZE) { return TPoint(5, 9); }},
        {"right, margin 5, spacing 3", blGlyphRight, 5, 3, 100, 30, "Go", [](SIZE) { return TPoint(83, 9); }},
        {"top, margin 4, spacing 2", blGlyphTop, 4, 2, 60, 60, "Go", [](SIZE) { return TPoint(24, 4); }},
        {"bottom, margin 4, spacing 2", blGlyphBottom, 4, 2, 60, 60, "Go",
         [](SIZE) { return TPoint(24, 44); }},
        {"left, both automatic", blGlyphLeft, -1, -1, 91, 30, "Go",
         [](SIZE t) { return TPoint((91 - 12 - t.cx) / 3, 9); }},
        {"left, margin automatic", blGlyphLeft, -1, 4, 91, 30, "Go",
         [](SIZE t) { return TPoint((91 - 12 - 4 - t.cx) / 2, 9); }},
        {"top, both automatic", blGlyphTop, -1, -1, 40, 61, "Go",
         [](SIZE t) { return TPoint(14, (61 - 12 - t.cy) / 3); }},
        {"right, spacing automatic", blGlyphRight, 6, -1, 91, 31, "Go", [](SIZE) { return TPoint(73, 9); }},
        {"left, glyph alone", blGlyphLeft, -1, -1, 91, 30, "", [](SIZE) { return TPoint(39, 9); }},
    };
    for (TControl* button : {static_cast<TControl*>(bit), static_cast<TControl*>(speed)}) {
        const bool isBit = button == bit;
        for (const Row& r : rows) {
            SCOPED_TRACE(std::string(isBit ? "bit button, " : "speed button, ") + r.name);
            const COLORREF colours[1] = {red};
            if (isBit) {
                bit->SetGlyph(GlyphStrip(1, colours).get());
                bit->SetLayout(r.layout);
                bit->SetMargin(r.margin);
                bit->SetSpacing(r.spacing);
            } else {
                speed->SetGlyph(GlyphStrip(1, colours).get());
                speed->SetLayout(r.layout);
                speed->SetMargin(r.margin);
                speed->SetSpacing(r.spacing);
            }
            button->SetBounds(button->Left(), button->Top(), r.w, r.h);
            const bool across = r.layout == blGlyphLeft || r.layout == blGlyphRight;
            const SIZE t = *r.caption ? Measure(button, r.caption, r.w - 4 - (across ? 14 : 0)) : SIZE{0, 0};
            const TPoint g = r.glyph(t);
            button->SetCaption(r.caption);
            std::unique_ptr<TBitmap> shown = Paint(button);
            const TInk square = PixelsOf(*shown, static_cast<TColor>(red));
            ASSERT_FALSE(square.Empty());
            EXPECT_EQ(square.Left, g.X + 3);
            EXPECT_EQ(square.Top, g.Y + 3);
            EXPECT_EQ(square.Right, g.X + 8);
            // Where the caption goes is looked at when the glyph does not
            // move with it.
            if (!*r.caption || r.margin < 0) continue;

            // The caption's ink: the face with it against the face without.
            button->SetCaption("");
            std::unique_ptr<TBitmap> bare = Paint(button);
            EXPECT_EQ(PixelsOf(*bare, static_cast<TColor>(red)).Left, g.X + 3) << "the glyph stayed";
            const TInk ink = Differences(*shown, *bare);
            ASSERT_FALSE(ink.Empty());
            const int spacing = r.spacing >= 0 ? r.spacing : (r.w - r.margin - 12 - t.cx) / 2;
            switch (r.layout) {
            case blGlyphLeft: { // from margin + glyph + spacing, left-aligned
                const int tx = r.margin + 12 + spacing;
                EXPECT_GE(ink.Left, tx);
                EXPECT_LE(ink.Left, tx + 1);
                EXPECT_LT(ink.Right, tx + t.cx);
                break;
            }
            case blGlyphRight: { // ending spacing before the glyph
                const int end = g.X - spacing;
                EXPECT_LT(ink.Right, end);
                EXPECT_GE(ink.Right, end - 2);
                EXPECT_GE(ink.Left, end - t.cx);
                break;
            }
            case blGlyphTop: // below glyph and spacing, centred across
                EXPECT_GE(ink.Top, g.Y + 12 + spacing);
                EXPECT_LT(ink.Bottom, g.Y + 12 + spacing + t.cy);
                EXPECT_GE(ink.Left, (r.w - t.cx) / 2);
                EXPECT_LT(ink.Right, (r.w - t.cx) / 2 + t.cx);
                break;
            case blGlyphBottom: // ending spacing above the glyph
                EXPECT_LT(ink.Bottom, g.Y - spacing);
                EXPECT_GE(ink.Top, g.Y - spacing - t.cy);
                break;
            }
        }
    }
}

// A caption too long for the room beside the glyph wraps there: never under
// the glyph or past the face, every line starting at the same column.
TEST_F(GlyphLayouts, ALongCaptionWrapsBesideTheGlyphLeftAligned)
{
    const COLORREF colours[1] = {RGB(255, 0, 0)};
    const std::string caption = "Save all parameter now";
    for (TControl* button : {static_cast<TControl*>(bit), static_cast<TControl*>(speed)}) {
        SCOPED_TRACE(button == bit ? "bit button" : "speed button");
        if (button == bit) {
            bit->SetGlyph(GlyphStrip(1, colours).get());
            bit->SetMargin(4);
            bit->SetSpacing(2);
        } else {
            speed->SetGlyph(GlyphStrip(1, colours).get());
            speed->SetMargin(4);
            speed->SetSpacing(2);
        }
        button->SetBounds(button->Left(), button->Top(), 80, 56);
        button->SetCaption("");
        std::unique_ptr<TBitmap> bare = Paint(button);
        button->SetCaption(caption);
        std::unique_ptr<TBitmap> shown = Paint(button);
        // The room: the face less 2 each side, less the glyph and 2.
        const int room = 80 - 4 - 14, tx = 4 + 12 + 2, line = LineHeight(button);
        const SIZE t = Measure(button, caption, room);
        ASSERT_GT(t.cy, line) << "the caption must need two lines here";
        const TInk ink = Differences(*shown, *bare);
        EXPECT_GE(ink.Left, tx);
        EXPECT_LT(ink.Right, tx + room);
        EXPECT_GT(ink.Bottom - ink.Top + 1, line) << "wrapped onto more than one line";
        const int ty = (56 - t.cy) / 2;
        for (int top = ty; top < ty + t.cy; top += line) {
            TInk lineInk;
            for (int y = top; y < top + line; ++y)
                for (int x = 0; x < 80; ++x)
                    if (shown->Canvas()->Pixels(x, y) != bare->Canvas()->Pixels(x, y)) lineInk.Add(x, y);
            if (lineInk.Empty()) continue;
            EXPECT_LE(lineInk.Left, tx + 1) << "line at " << top << " starts at the glyph's side";
        }
    }
}

// The key colour is the strip's bottom-left pixel even where the image shown
// has another colour there.
TEST_F(GlyphLayouts, TheStripsKeyColourIsLeftOutOfEveryImage)
{
    const COLORREF colours[2] = {RGB(255, 0, 0), RGB(0, 255, 0)};
    std::unique_ptr<TBitmap> strip = GlyphStrip(2, colours);
    strip->Canvas()->SetPixel(12, 11, static_cast<TColor>(RGB(0, 0, 255))); // image 2's corner
    bit->SetGlyph(strip.get());
    bit->SetNumGlyphs(2);
    bit->SetCaption("");
    bit->SetEnabled(false); // image 2
    std::unique_ptr<TBitmap> off = PaintControl(bit);
    EXPECT_EQ(Count(*off, RGB(0, 255, 0)), 36);
    EXPECT_EQ(Count(*off, RGB(0, 0, 255)), 1) << "the corner is drawn";
    EXPECT_EQ(Count(*off, RGB(0, 128, 128)), 0) << "the key is left out";
}

// A focused bit button marks its caption as a push button does, unless the
// skin's options say no.
TEST_F(GlyphLayouts, AFocusedBitButtonDrawsTheFocusRectangleRoundItsCaption)
{
    const COLORREF colours[1] = {RGB(255, 0, 0)};
    bit->SetGlyph(GlyphStrip(1, colours).get());
    bit->SetMargin(5);
    bit->SetSpacing(3);
    bit->SetBounds(bit->Left(), bit->Top(), 90, 30);
    bit->SetCaption("Go");
    form->Show();
    SetForegroundWindow(form->Handle());
    bit->SetFocus();
    Pump();
    ASSERT_EQ(GetFocus(), bit->Handle()) << "the bit button could not take the focus here";
    data.Options.Include(xoNoFocusRect);
    std::unique_ptr<TBitmap> plain = PaintControl(bit);
    data.Options.Exclude(xoNoFocusRect);
    std::unique_ptr<TBitmap> marked = PaintControl(bit);
    const TInk dots = Differences(*marked, *plain);
    ASSERT_FALSE(dots.Empty()) << "no focus rectangle";
    // The caption's rectangle, by hand: from 5 + 12 + 3, centred down.
    const SIZE t = Measure(bit, "Go", 90);
    const int tx = 20, ty = (30 - t.cy) / 2;
    EXPECT_NEAR(dots.Left, tx - 2, 1);
    EXPECT_NEAR(dots.Top, ty - 2, 1);
    EXPECT_NEAR(dots.Right, tx + t.cx + 1, 1);
    EXPECT_NEAR(dots.Bottom, ty + t.cy + 1, 1);
}

// --- Figures

double MedianMicroseconds(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

TEST_F(SkinButtons, FigureSpeedButtonPaintAndAttachTimes)
{
    using Clock = std::chrono::steady_clock;
    speed->Perform(CM_MOUSEENTER); // the face is drawn: the dearer case
    TBitmap target;
    target.SetSize(speed->Width(), speed->Height());
    HDC dc = target.Canvas()->Handle();
    std::vector<double> paints;
    for (int i = 0; i < 201; ++i) {
        const auto t0 = Clock::now();
        speed->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc), 0);
        paints.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    std::vector<double> attaches;
    for (int i = 0; i < 21; ++i) {
        host->List().DeleteControls();
        const auto t0 = Clock::now();
        host->List().InitControls(form.get());
        attaches.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
    }
    const double paint = MedianMicroseconds(paints), attach = MedianMicroseconds(attaches);
    std::printf("[ FIGURE   ] skinned speed button paint, median of 201: %.1f us\n", paint);
    std::printf("[ FIGURE   ] attaching the %d controls of the panel-like form, median of 21: %.1f us\n",
                host->List().Count(), attach);
    RecordProperty("speed_button_paint_us", std::to_string(paint));
    RecordProperty("attach_all_us", std::to_string(attach));
}

} // namespace
