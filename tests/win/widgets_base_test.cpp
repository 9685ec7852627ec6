// The widget base under Wine: buffered painting through the bitmap each
// widget keeps, repaint economy (counted WM_PAINTs), frame-rate limiting and
// the update bracket, key routing into the i-operations, painting into a
// foreign DC, the error display, the per-widget timer, the update registry
// and what freeing leaves behind.
#include "tests/win/widgets_base_testing.h"

namespace {

using namespace wbase_testing;

class TBaseTestWidget : public TiCustomComponent {
    ORVANE_CLASS(TBaseTestWidget, TiCustomComponent)
    explicit TBaseTestWidget(TComponent* AOwner) : TiCustomComponent(AOwner) {}

    bool Fail = false;
    int KeyDowns = 0, KeyUps = 0;
    std::vector<WORD> KeysDown;
    using TiComponent::SetColorProperty;

protected:
    void iPaintTo(TCanvas* Canvas) override
    {
        if (Fail) throw Exception("cannot draw this");
        DrawBackGround(Canvas, GetBackGroundColor());
        Canvas->Brush()->SetColor(clRed);
        Canvas->FillRect(Rect(10, 10, 12, 12));
    }
    void iWantSpecialKey(WORD& CharCode, LRESULT& Result) override
    {
        if (CharCode == VK_UP || CharCode == VK_DOWN) Result = 1;
    }
    void iKeyDown(WORD& Key, TShiftState) override
    {
        ++KeyDowns;
        KeysDown.push_back(Key);
    }
    void iKeyUp(WORD&, TShiftState) override { ++KeyUps; }
};

const TClassInfo& TBaseTestWidget::StaticClass()
{
    static const TClassInfo& info = PublishClass<TBaseTestWidget>();
    return info;
}

// Draws with whatever the canvas and its DC hold when the paint begins, then
// leaves every one of those changed, as a careless widget would. With Strip
// it also covers a strip that it otherwise leaves alone.
class TCarelessWidget : public TiCustomComponent {
    ORVANE_CLASS(TCarelessWidget, TiCustomComponent)
    explicit TCarelessWidget(TComponent* AOwner) : TiCustomComponent(AOwner) {}
    int Paints = 0;
    bool Strip = true;

protected:
    void iPaintTo(TCanvas* Canvas) override
    {
        Canvas->FillRect(Rect(0, 0, 40, Height()));
        Canvas->LineTo(39, 39);
        Canvas->TextOut(20, 2, "W");
        ++Paints;
        if (Strip) {
            Canvas->Brush()->SetColor(clYellow);
            Canvas->FillRect(Rect(40, 0, Width(), Height()));
        }
        HDC dc = Canvas->Handle();
        Canvas->Pen()->SetColor(clRed);
        Canvas->Pen()->SetWidth(3);
        Canvas->Pen()->SetMode(pmXor);
        Canvas->Brush()->SetColor(clBlue);
        Canvas->Font()->SetHeight(-20);
        Canvas->Font()->SetColor(clLime);
        Canvas->MoveTo(35, 5);
        Canvas->CopyMode = cmSrcInvert;
        SetTextAlign(dc, TA_RIGHT | TA_BOTTOM);
        IntersectClipRect(dc, 0, 0, 5, 5);
    }
};

const TClassInfo& TCarelessWidget::StaticClass()
{
    static const TClassInfo& info = PublishClass<TCarelessWidget>();
    return info;
}

// What the widget's window shows, pixel by pixel.
std::vector<COLORREF> Shown(TWinControl* w)
{
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(w->Handle());
    for (int y = 0; y < w->Height(); ++y)
        for (int x = 0; x < w->Width(); ++x)
            pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(w->Handle(), dc);
    return pixels;
}

using WidgetBase = WidgetTest;

// The off-screen bitmap lives from paint to paint; no paint may see what the
// one before it left in it.
TEST_F(WidgetBase, EveryPaintStartsFromABlankBitmapAndTheInitialCanvasAndIsSizedToTheWidget)
{
    auto* w = Place<TCarelessWidget>(10, 10, 60, 45);
    ShowForm();
    ASSERT_GE(w->Paints, 1);
    const std::vector<COLORREF> first = Shown(w);
    auto at = [&](const std::vector<COLORREF>& p, int x, int y) { return p[static_cast<size_t>(y * 60 + x)]; };
    EXPECT_EQ(at(first, 45, 20), ColorToRGB(clYellow));
    w->Strip = false;

    const int gdi = TResourceCount::GdiObjects, dcs = TResourceCount::DeviceContexts;
    for (int paint = 1; paint <= 3; ++paint) {
        const int before = w->Paints;
        w->InvalidateNow();
        w->Update();
        ASSERT_EQ(w->Paints, before + 1);
        const std::vector<COLORREF> again = Shown(w);
        EXPECT_EQ(at(again, 5, 30), RGB(255, 255, 255)) << "the initial brush, the whole strip, paint " << paint;
        EXPECT_EQ(at(again, 10, 10), RGB(0, 0, 0)) << "the initial pen from (0, 0), paint " << paint;
        EXPECT_EQ(at(again, 45, 20), RGB(0, 0, 0)) << "a new bitmap is black, paint " << paint;
        for (int y = 0; y < 45; ++y)
            for (int x = 0; x < 40; ++x)
                if (at(again, x, y) != at(first, x, y)) {
                    ADD_FAILURE() << "paint " << paint << " differs from the first at (" << x << ", " << y << ")";
                    y = 45;
                    break;
                }
        EXPECT_EQ(TResourceCount::GdiObjects, gdi) << "paint " << paint << " made objects it kept";
        EXPECT_EQ(TResourceCount::DeviceContexts, dcs);
    }

    // A new size: a bitmap of that size replaces the old one, not beside it.
    w->SetBounds(10, 10, 80, 50);
    w->Update();
    HDC dc = GetDC(w->Handle());
    EXPECT_EQ(GetPixel(dc, 75, 47), RGB(0, 0, 0)) << "the grown part";
    EXPECT_EQ(GetPixel(dc, 5, 47), RGB(255, 255, 255)) << "the strip reaches the new bottom";
    ReleaseDC(w->Handle(), dc);
    EXPECT_EQ(TResourceCount::GdiObjects, gdi);
    EXPECT_EQ(TResourceCount::DeviceContexts, dcs);
}

TEST_F(WidgetBase, SettingAPropertyToItsValueCausesNoRepaint)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    ShowForm();
    TPaintCounter paints(w);
    w->SetBackGroundColor(clBtnFace);
    w->SetBorderStyle(ibsNone);
    w->SetOffsetX(0);
    Pump();
    EXPECT_EQ(paints.Count, 0);
    w->SetBackGroundColor(clNavy);
    Pump();
    EXPECT_EQ(paints.Count, 1);
    EXPECT_FALSE(w->GetBackGroundChanged()) << "the paint rebuilt the background";
    w->SetBorderStyle(ibsLowered);
    Pump();
    EXPECT_EQ(paints.Count, 2);
}

TEST_F(WidgetBase, PaintsThroughOneBitmapWithBackgroundAndBorder)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    w->SetBackGroundColor(clTeal);
    ShowForm();
    HDC dc = GetDC(w->Handle());
    EXPECT_EQ(GetPixel(dc, 20, 20), ColorToRGB(clTeal));
    EXPECT_EQ(GetPixel(dc, 11, 11), ColorToRGB(clRed));
    ReleaseDC(w->Handle(), dc);

    w->SetBorderStyle(ibsRaised);
    EXPECT_EQ(w->GetBorderMargin(), 2);
    TWidgetPicture raised(w);
    EXPECT_EQ(raised.Pixel(0, 0), ColorToRGB(cl3DLight)) << "outer ring, top left";
    EXPECT_EQ(raised.Pixel(39, 29), ColorToRGB(cl3DDkShadow)) << "outer ring, bottom right";
    EXPECT_EQ(raised.Pixel(20, 20), ColorToRGB(clTeal));
    w->SetBorderStyle(ibsLowered);
    TWidgetPicture lowered(w);
    EXPECT_EQ(lowered.Pixel(0, 0), ColorToRGB(clBtnShadow));
    EXPECT_EQ(lowered.Pixel(1, 1), ColorToRGB(cl3DDkShadow));
}

TEST_F(WidgetBase, ABackgroundPictureReplacesColourAndBorderUnlessEmpty)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    w->SetBackGroundColor(clTeal);
    w->SetBorderStyle(ibsRaised);
    TBitmap empty;
    w->SetBackGroundPicture(&empty);
    EXPECT_EQ(TWidgetPicture(w).Pixel(20, 20), ColorToRGB(clTeal)) << "a picture of width 0 is ignored";
    TBitmap picture;
    picture.SetSize(4, 4);
    picture.Canvas()->Brush()->SetColor(clYellow);
    picture.Canvas()->FillRect(Rect(0, 0, 4, 4));
    w->SetBackGroundPicture(&picture);
    TWidgetPicture drawn(w);
    EXPECT_EQ(drawn.Pixel(20, 20), ColorToRGB(clYellow));
    EXPECT_EQ(drawn.Pixel(0, 0), ColorToRGB(clYellow)) << "no border over the picture";
}

TEST_F(WidgetBase, AutoFrameRateHoldsBackTheSecondChangeAndTheRegistryFlushesIt)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    ShowForm();
    w->SetUpdateFrameRate(10);
    w->SetAutoFrameRate(true);
    PumpUntil([&] { return !w->GetNeedsRepaint(); }, std::chrono::milliseconds(1500));
    Sleep(150); // a frame's time since the last repaint
    TPaintCounter paints(w);
    TColor c = clNavy;
    w->SetBackGroundColor(c);
    Pump();
    EXPECT_EQ(paints.Count, 1) << "the first change paints at once";
    Sleep(20);
    w->SetBackGroundColor(clMaroon);
    Pump();
    EXPECT_EQ(paints.Count, 1) << "the second is held back";
    EXPECT_TRUE(w->GetNeedsRepaint());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(PumpUntil([&] { return paints.Count == 2; }, std::chrono::milliseconds(2500)));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_LT(waited, std::chrono::milliseconds(1500)) << "flushed by the one-second registry timer";
    EXPECT_FALSE(w->GetNeedsRepaint());

    // A rate of 0 does not limit.
    w->SetUpdateFrameRate(0);
    w->SetBackGroundColor(clGreen);
    w->SetBackGroundColor(clOlive);
    EXPECT_FALSE(w->GetNeedsRepaint());
}

TEST_F(WidgetBase, AnUpdateBracketGivesExactlyOneRepaint)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    ShowForm();
    TPaintCounter paints(w);
    w->BeginUpdate();
    w->SetBackGroundColor(clNavy);
    w->SetBorderStyle(ibsRaised);
    w->SetOffsetY(3);
    Pump();
    EXPECT_EQ(paints.Count, 0);
    w->BeginUpdate(); // brackets do not nest
    w->EndUpdate();
    Pump();
    EXPECT_EQ(paints.Count, 1);
    w->EndUpdate();
    Pump();
    EXPECT_EQ(paints.Count, 1) << "nothing was pending any more";
}

TEST_F(WidgetBase, AFailingPaintShowsItsMessageWhiteOnBlackAndRecovers)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 120, 40);
    w->SetBackGroundColor(clTeal);
    w->Fail = true;
    ShowForm();
    HDC dc = GetDC(w->Handle());
    EXPECT_EQ(GetPixel(dc, 118, 38), RGB(0, 0, 0));
    bool white = false;
    for (int y = 0; y < 14 && !white; ++y)
        for (int x = 0; x < 60 && !white; ++x)
            white = GetPixel(dc, x, y) == RGB(255, 255, 255);
    EXPECT_TRUE(white) << "the message is written in white";
    w->Fail = false;
    w->InvalidateNow();
    Pump();
    EXPECT_EQ(GetPixel(dc, 118, 38), ColorToRGB(clTeal));
    ReleaseDC(w->Handle(), dc);
}

TEST_F(WidgetBase, PaintsIntoAForeignContextAtAnOffsetAndCanSkipTheBackground)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    w->SetBackGroundColor(clTeal);
    TBitmap target;
    target.SetSize(100, 100);
    target.Canvas()->Brush()->SetColor(clWhite);
    target.Canvas()->FillRect(Rect(0, 0, 100, 100));
    HDC dc = target.Canvas()->Handle();
    w->iPaintToDC(30, 20, false, dc);
    EXPECT_EQ(GetPixel(dc, 31, 21), ColorToRGB(clTeal));
    EXPECT_EQ(GetPixel(dc, 40, 30), ColorToRGB(clRed)) << "the widget's (10, 10)";
    EXPECT_EQ(GetPixel(dc, 29, 21), RGB(255, 255, 255)) << "nothing outside the widget";
    EXPECT_EQ(GetPixel(dc, 70, 21), RGB(255, 255, 255));
    target.Canvas()->FillRect(Rect(0, 0, 100, 100));
    w->iPaintToDC(0, 0, true, dc);
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 255, 255)) << "background skipped";
    EXPECT_EQ(GetPixel(dc, 10, 10), ColorToRGB(clRed));
    EXPECT_TRUE(w->GetCachedDrawing()) << "restored";
}

TEST_F(WidgetBase, OneKeyPressReachesKeyDownOnceAndOneReleaseKeyUpOnce)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    ShowForm();
    w->SetFocus();
    HWND wnd = w->Handle();
    for (WORD key : {WORD(VK_UP), WORD('A'), WORD(VK_RETURN)}) {
        w->KeyDowns = w->KeyUps = 0;
        PostMessageA(wnd, WM_KEYDOWN, key, 1);
        PostMessageA(wnd, WM_KEYUP, key, 0xC0000001);
        Pump();
        EXPECT_EQ(w->KeyDowns, 1) << "key " << key;
        EXPECT_EQ(w->KeyUps, 1) << "key " << key;
    }
    EXPECT_TRUE(w->Focused()) << "the arrow key was kept from dialog navigation";
    EXPECT_EQ(SendMessageA(wnd, WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, DLGC_WANTALLKEYS);
}

TEST_F(WidgetBase, FocusIsTrackedAndRepaints)
{
    auto* a = Place<TBaseTestWidget>(10, 10, 40, 30);
    auto* b = Place<TBaseTestWidget>(60, 10, 40, 30);
    a->SetTabStop(true);
    b->SetTabStop(true);
    ShowForm();
    a->SetFocus();
    EXPECT_TRUE(a->GetHasFocus());
    b->SetFocus();
    EXPECT_FALSE(a->GetHasFocus());
    EXPECT_TRUE(b->GetHasFocus());
    EXPECT_EQ(GetWindowLongPtrA(a->Handle(), GWLP_ID), 0);
}

TEST_F(WidgetBase, TheWidgetTimerUsesItsFirstIntervalOnce)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    int ticks = 0;
    w->OnInternalTimer = [&] { ++ticks; };
    w->TimerStart(20, 10);
    EXPECT_TRUE(w->GetTimerRunning());
    w->TimerStart(500, 500); // already running: ignored
    EXPECT_TRUE(PumpUntil([&] { return ticks >= 4; }, std::chrono::milliseconds(2000)));
    w->TimerStop();
    EXPECT_FALSE(w->GetTimerRunning());
    const int stopped = ticks;
    Sleep(60);
    Pump();
    EXPECT_EQ(ticks, stopped);
}

TEST_F(WidgetBase, TheRegistryTimerRunsWhileWidgetsExist)
{
    const int before = iUpdateObject().Count();
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    EXPECT_EQ(iUpdateObject().Count(), before + 1);
    EXPECT_TRUE(iUpdateObject().TimerEnabled());
    w->Free();
    EXPECT_EQ(iUpdateObject().Count(), before);
    if (before == 0) {
        EXPECT_FALSE(iUpdateObject().TimerEnabled());
    }
}

TEST_F(WidgetBase, ATransparentWidgetPartlyHiddenAtItsPaintFallsBackToItsColour)
{
    ShowForm();
    // Half outside the form's client area: two test points are clipped away.
    auto* w = Place<TBaseTestWidget>(Form->ClientWidth() - 30, 10, 60, 40);
    w->SetBackGroundColor(clPurple);
    w->Show();
    Pump();
    w->SetTransparent(true);
    EXPECT_NE(GetWindowLongA(w->Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
    ASSERT_NE(w->GetTransparentBackGround(), nullptr);
    w->Repaint();
    Pump();
    EXPECT_TRUE(w->GetCapturePending()) << "the capture waits for all four points to be visible";
    EXPECT_EQ(GetPixel(w->GetTransparentBackGround()->Canvas()->Handle(), 1, 1), ColorToRGB(clPurple));
    // Fully inside, the next paint captures what lies beneath.
    w->SetLeft(10);
    w->Repaint();
    Pump();
    EXPECT_FALSE(w->GetCapturePending());
    w->SetTransparent(false);
    EXPECT_EQ(w->GetTransparentBackGround(), nullptr);
    EXPECT_EQ(GetWindowLongA(w->Handle(), GWL_EXSTYLE) & WS_EX_TRANSPARENT, 0);
}

TEST_F(WidgetBase, FreeingManyWidgetsLeavesNoWindowOrGdiObject)
{
    for (int i = 0; i < 20; ++i) {
        auto* w = Place<TBaseTestWidget>(i * 10, 10, 30, 30);
        w->SetBorderStyle(ibsRaised);
        w->TimerStart(0, 50);
    }
    ShowForm();
    Form->Free();
    Form = nullptr; // TearDown counts
}

} // namespace
