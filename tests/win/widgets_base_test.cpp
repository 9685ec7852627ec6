// The widget base under Wine: buffered painting through the bitmap each
// widget keeps, repaint economy (counted WM_PAINTs), frame-rate limiting and
// the update bracket, key routing into the i-operations, painting into a
// foreign DC, the error display, the per-widget timer, the update registry
// and what freeing leaves behind.
#include <stdexcept>

#include "framework/extctrls.h"
#include "tests/win/widgets_base_testing.h"

namespace {

using namespace wbase_testing;

class TBaseTestWidget : public TiCustomComponent {
    ORVANE_CLASS(TBaseTestWidget, TiCustomComponent)
    explicit TBaseTestWidget(TComponent* AOwner) : TiCustomComponent(AOwner) {}

    bool Fail = false;
    int KeyDowns = 0, KeyUps = 0, MouseDowns = 0;
    std::vector<WORD> KeysDown;
    // Raised from the key and mouse operations when set.
    std::function<void()> Throw;
    using TiComponent::SetColorProperty;

protected:
    void iPaintTo(TCanvas* Canvas) override
    {
        if (Fail) throw Exception("cannot draw this");
        DrawBackGround(Canvas, GetBackGroundColor());
        Canvas->Brush()->SetColor(clRed);
        Canvas->FillRect(Rect(10, 10, 12, 12));
        if (GetHasFocus()) {
            Canvas->Brush()->SetColor(clLime);
            Canvas->FillRect(Rect(2, 2, 4, 4));
        }
    }
    void iMouseDown(TMouseButton, TShiftState, int, int) override
    {
        ++MouseDowns;
        if (Throw) Throw();
    }
    void iKeyPress(char&) override
    {
        if (Throw) Throw();
    }
    void iWantSpecialKey(WORD& CharCode, LRESULT& Result) override
    {
        if (CharCode == VK_UP || CharCode == VK_DOWN) Result = 1;
    }
    void iKeyDown(WORD& Key, TShiftState) override
    {
        ++KeyDowns;
        KeysDown.push_back(Key);
        if (Throw) Throw();
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
    // What the window shows where the test widget marks its focus.
    auto marked = [](TWinControl* w) {
        HDC dc = GetDC(w->Handle());
        const COLORREF c = GetPixel(dc, 2, 2);
        ReleaseDC(w->Handle(), dc);
        return c == ColorToRGB(clLime);
    };
    a->SetFocus();
    Pump();
    EXPECT_TRUE(a->GetHasFocus());
    EXPECT_TRUE(marked(a));
    EXPECT_FALSE(marked(b));
    b->SetFocus();
    Pump();
    EXPECT_FALSE(a->GetHasFocus());
    EXPECT_TRUE(b->GetHasFocus());
    EXPECT_FALSE(marked(a)) << "the widget that lost the focus was repainted";
    EXPECT_TRUE(marked(b)) << "the widget that took it was repainted";
    EXPECT_EQ(GetWindowLongPtrA(a->Handle(), GWLP_ID), 0);
}

// The first interval must be told apart from the regular one: a long first
// wait, then short ticks.
TEST_F(WidgetBase, TheWidgetTimerUsesItsFirstIntervalOnce)
{
    using Clock = std::chrono::steady_clock;
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    std::vector<Clock::time_point> ticks;
    w->OnInternalTimer = [&] { ticks.push_back(Clock::now()); };
    const auto start = Clock::now();
    w->TimerStart(200, 30);
    EXPECT_TRUE(w->GetTimerRunning());
    w->TimerStart(500, 500); // already running: ignored
    EXPECT_TRUE(PumpUntil([&] { return ticks.size() >= 6; }, std::chrono::milliseconds(3000)));
    w->TimerStop();
    EXPECT_FALSE(w->GetTimerRunning());
    ASSERT_GE(ticks.size(), 6u);
    auto ms = [](Clock::duration d) {
        return std::chrono::duration_cast<std::chrono::milliseconds>(d).count();
    };
    EXPECT_GE(ms(ticks[0] - start), 180) << "the first tick waits the first interval";
    // Five regular ticks of 30 ms, on a loaded machine: far less than five
    // first intervals.
    EXPECT_LT(ms(ticks[5] - ticks[0]) / 5, 120) << "later ticks use the regular interval";
    const size_t stopped = ticks.size();
    Sleep(60);
    Pump();
    EXPECT_EQ(ticks.size(), stopped);
}

// Whatever a widget's key or mouse handling raises stays inside the widget:
// the program's error report never sees it, and the widget goes on.
TEST_F(WidgetBase, AnyExceptionFromKeyAndMouseHandlingIsDiscarded)
{
    auto* w = Place<TBaseTestWidget>(10, 10, 40, 30);
    ShowForm();
    w->SetFocus();
    HWND wnd = w->Handle();
    const std::pair<const char*, std::function<void()>> raised[] = {
        {"framework exception", [] { throw Exception("framework"); }},
        {"standard exception", [] { throw std::out_of_range("standard"); }},
        {"anything", [] { throw 7; }},
    };
    for (const auto& [what, raise] : raised) {
        w->Throw = raise;
        w->KeyDowns = w->MouseDowns = 0;
        PostMessageA(wnd, WM_KEYDOWN, 'A', 1);
        PostMessageA(wnd, WM_CHAR, 'a', 1);
        PostMessageA(wnd, WM_KEYUP, 'A', 0xC0000001);
        PostMessageA(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        PostMessageA(wnd, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Pump();
        EXPECT_EQ(w->KeyDowns, 1) << what;
        EXPECT_EQ(w->MouseDowns, 1) << what;
        EXPECT_TRUE(Errors.empty()) << what << ": " << (Errors.empty() ? "" : Errors.front());
        Errors.clear();
    }
    w->Throw = nullptr;
}

// The system tells only top-level windows; a widget in a panel on the form
// must still repaint in the new colours.
TEST_F(WidgetBase, ASystemColourChangeRepaintsWidgetsInsideContainers)
{
    auto* panel = new TPanel(Form);
    panel->SetBounds(10, 10, 200, 120);
    panel->SetParent(Form);
    auto* w = new TBaseTestWidget(Form);
    w->SetBounds(10, 10, 40, 30);
    w->SetParent(panel);
    ShowForm();
    PumpUntil([&] { return !w->GetBackGroundChanged(); }, std::chrono::milliseconds(500));
    TPaintCounter paints(w);
    SendMessageA(Form->Handle(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(w->GetBackGroundChanged());
    EXPECT_TRUE(PumpUntil([&] { return paints.Count > 0; }, std::chrono::milliseconds(500)));
    EXPECT_FALSE(w->GetBackGroundChanged()) << "the paint rebuilt the background";
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

// The underlay is what the form shows beneath the widget: its colour and a
// shape of its own half under the widget's left edge.
TEST_F(WidgetBase, ATransparentWidgetShowsWhatLiesBeneathIt)
{
    Form->SetColor(clTeal);
    auto* shape = new TShape(Form);
    shape->SetBounds(10, 10, 20, 40);
    shape->Brush()->SetColor(clYellow);
    shape->Pen()->SetColor(clYellow);
    shape->SetParent(Form);
    auto* w = Place<TBaseTestWidget>(20, 10, 60, 40);
    w->SetBackGroundColor(clPurple);
    ShowForm();
    // The platform paints the form, then the widget over it.
    w->SetTransparent(true);
    ASSERT_TRUE(PumpUntil([&] { return !w->GetCapturePending(); }, std::chrono::milliseconds(1000)));
    HDC under = w->GetTransparentBackGround()->Canvas()->Handle();
    struct Probe {
        int x, y;
        TColor beneath;
    };
    const Probe probes[] = {{2, 20, clYellow}, {8, 5, clYellow}, {12, 20, clTeal}, {55, 35, clTeal}};
    HDC dc = GetDC(w->Handle());
    for (const Probe& p : probes) {
        EXPECT_EQ(GetPixel(under, p.x, p.y), ColorToRGB(p.beneath)) << "captured at " << p.x << "," << p.y;
        EXPECT_EQ(GetPixel(dc, p.x, p.y), ColorToRGB(p.beneath)) << "shown at " << p.x << "," << p.y;
    }
    EXPECT_EQ(GetPixel(dc, 10, 10), ColorToRGB(clRed)) << "the widget's own drawing over it";
    ReleaseDC(w->Handle(), dc);
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
