// The slider and its position and scale bases under Wine, on the panel's
// own slider (vertical, 25 x 180, LED pointer of height 11, fill on): the
// rectangles it draws, its pixels, dragging, page clicks, keys and wheel,
// clamping with its events in order, focus loss mid-drag, layouts, and the
// paint-time figure.
#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/win/widgets_base_testing.h"
#include "widgets/islider.h"

namespace {

using namespace wbase_testing;

class Slider : public WidgetTest {
protected:
    TiSlider* PanelSlider(int left = 20, int top = 20)
    {
        auto* s = Place<TiSlider>(left, top, 25, 180);
        s->SetPointerIndicatorInactiveColor(clLime);
        s->SetPointerHeight(11);
        s->SetPointerFillEnabled(true);
        s->SetShowTicksMajor(false);
        s->SetShowTicksMinor(false);
        s->SetShowTickLabels(false);
        s->SetBackGroundColor(static_cast<TColor>(12891322));
        return s;
    }
    // Events as they arrive, by name.
    void Record(TiSlider* s)
    {
        auto note = [this](const char* name) { return [this, name](TObject*) { Events.push_back(name); }; };
        s->OnPositionChange = note("Change");
        s->OnPositionChangeFinished = note("Finished");
        s->OnPositionChangeUser = note("User");
        s->OnCurrentMinChange = note("CurrentMin");
        s->OnCurrentMaxChange = note("CurrentMax");
        s->OnPositionOverMax = note("OverMax");
        s->OnPositionUnderMin = note("UnderMin");
    }
    static void Mouse(TiSlider* s, UINT msg, int x, int y, WPARAM keys = 0)
    {
        SendMessageA(s->Handle(), msg, keys, MAKELPARAM(x, y));
    }
    static void Key(TiSlider* s, WORD key)
    {
        PostMessageA(s->Handle(), WM_KEYDOWN, key, 1);
        PostMessageA(s->Handle(), WM_KEYUP, key, 0xC0000001);
        Pump();
    }
    int Count(const char* name) const
    {
        return static_cast<int>(std::count(Events.begin(), Events.end(), name));
    }
    std::vector<std::string> Events;
};

TEST_F(Slider, ThePanelSliderDrawsTrackPointerAndFillWhereTheyBelong)
{
    TiSlider* s = PanelSlider();
    s->SetPositionMin(-20);
    s->SetPositionMax(20);
    EXPECT_EQ(s->GetTravelRange(), 155);
    s->SetPosition(-20);
    TWidgetPicture atMin(s);
    EXPECT_EQ(s->TrackRect(), Rect(2, 5, 21, 174));
    EXPECT_EQ(s->PointerRect(), Rect(4, 161, 19, 172));
    EXPECT_TRUE(s->FillRect().IsEmpty());
    s->SetPosition(20);
    TWidgetPicture atMax(s);
    EXPECT_EQ(s->PointerRect(), Rect(4, 6, 19, 17));
    EXPECT_EQ(s->FillRect(), Rect(4, 17, 19, 172));

    // Track edges: shadow on top and left, highlight right and bottom, silver inside.
    EXPECT_EQ(atMin.Pixel(10, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(atMin.Pixel(2, 100), ColorToRGB(clBtnShadow));
    EXPECT_EQ(atMin.Pixel(3, 100), ColorToRGB(clBtnShadow)) << "the inner line keeps the shadow pen";
    EXPECT_EQ(atMin.Pixel(20, 100), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(atMin.Pixel(10, 173), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(atMin.Pixel(19, 100), RGB(192, 192, 192));
    EXPECT_EQ(atMin.Pixel(10, 100), RGB(255, 255, 255)) << "track colour, nothing filled at the minimum";
    EXPECT_EQ(atMin.Pixel(0, 100), ColorToRGB(12891322)) << "background";
    EXPECT_EQ(atMax.Pixel(10, 100), RGB(0, 0, 255)) << "fill colour below the pointer";

    // The LED pointer: lime while idle, a grey top-left edge and a white highlight.
    EXPECT_EQ(atMin.Pixel(10, 166), RGB(0, 255, 0));
    EXPECT_EQ(atMin.Pixel(5, 166), RGB(128, 128, 128));
    EXPECT_EQ(atMin.Pixel(7, 164), RGB(255, 255, 255));
    EXPECT_EQ(atMax.Pixel(10, 11), RGB(0, 255, 0));
}

TEST_F(Slider, TheLedPointerIsRedWhileDraggedAndDisabledTracksTakeTheBackground)
{
    TiSlider* s = PanelSlider();
    ShowForm();
    Mouse(s, WM_LBUTTONDOWN, 12, 100, MK_LBUTTON);
    EXPECT_TRUE(s->Dragging());
    EXPECT_EQ(TWidgetPicture(s).Pixel(10, 166), RGB(255, 0, 0));
    Mouse(s, WM_LBUTTONUP, 12, 100);
    EXPECT_EQ(TWidgetPicture(s).Pixel(10, 166), RGB(0, 255, 0));

    s->SetEnabled(false);
    EXPECT_EQ(TWidgetPicture(s).Pixel(10, 100), ColorToRGB(12891322));
    s->SetShowDisabledState(false);
    EXPECT_EQ(TWidgetPicture(s).Pixel(10, 100), RGB(255, 255, 255));
}

TEST_F(Slider, DraggingMapsPixelsToPositionsAndReportsOneFinish)
{
    TiSlider* s = PanelSlider();
    s->SetPositionMin(-20);
    s->SetPositionMax(20);
    ShowForm();
    Record(s);
    Mouse(s, WM_LBUTTONDOWN, 12, 100, MK_LBUTTON);
    Mouse(s, WM_MOUSEMOVE, 12, 99, MK_LBUTTON);
    EXPECT_DOUBLE_EQ(s->GetPosition(), 40.0 / 155);
    Mouse(s, WM_MOUSEMOVE, 12, 69, MK_LBUTTON);
    EXPECT_DOUBLE_EQ(s->GetPosition(), 8);
    Mouse(s, WM_MOUSEMOVE, 12, -500, MK_LBUTTON);
    EXPECT_EQ(s->GetPosition(), 20) << "clamped";
    Mouse(s, WM_LBUTTONUP, 12, -500);
    EXPECT_FALSE(s->Dragging());
    EXPECT_EQ(Count("Finished"), 1);
    EXPECT_EQ(Count("Change"), Count("User")) << "every change came from the user";
    EXPECT_TRUE(s->Focused()) << "a press takes the focus";

    // A right press does nothing.
    Mouse(s, WM_RBUTTONDOWN, 12, 100, MK_RBUTTON);
    EXPECT_FALSE(s->Dragging());
}

TEST_F(Slider, PageClicksStepAboveOrBelowThePointerAndIgnoreClicksBesideTheTrack)
{
    TiSlider* s = PanelSlider();
    s->SetMouseControlStyle(ismcsSlidePage);
    ShowForm();
    s->SetPosition(50);
    TWidgetPicture paint(s); // places the pointer
    const TRect p = s->PointerRect();
    Mouse(s, WM_LBUTTONDOWN, 10, p.Top - 10, MK_LBUTTON);
    Mouse(s, WM_LBUTTONUP, 10, p.Top - 10);
    EXPECT_EQ(s->GetPosition(), 60);
    EXPECT_FALSE(s->Dragging());
    Mouse(s, WM_LBUTTONDOWN, 23, 170, MK_LBUTTON);
    Mouse(s, WM_LBUTTONUP, 23, 170);
    EXPECT_EQ(s->GetPosition(), 60) << "beside the pointer's width";
    TWidgetPicture again(s);
    Mouse(s, WM_LBUTTONDOWN, 10, s->PointerRect().Bottom + 10, MK_LBUTTON);
    Mouse(s, WM_LBUTTONUP, 10, 0);
    EXPECT_EQ(s->GetPosition(), 50);

    s->SetMouseControlStyle(ismcsGoto);
    Mouse(s, WM_LBUTTONDOWN, 10, 172 - 5, MK_LBUTTON); // pointer centre at the minimum end is 174 - 2 - 5.5
    Mouse(s, WM_LBUTTONUP, 10, 0);
    EXPECT_NEAR(s->GetPosition(), 0.5 / 155 * 100, 1e-9);
}

TEST_F(Slider, OneKeyPressMovesOneStepAndHomeEndReachTheBounds)
{
    TiSlider* s = PanelSlider();
    s->SetPositionMin(-20);
    s->SetPositionMax(20);
    ShowForm();
    s->SetFocus();
    Record(s);
    Key(s, VK_UP);
    EXPECT_EQ(s->GetPosition(), 1);
    EXPECT_EQ(Count("Finished"), 1) << "the key's release ends the gesture";
    EXPECT_TRUE(s->Focused()) << "arrow keys stay with the slider";
    Key(s, VK_LEFT);
    EXPECT_EQ(s->GetPosition(), 0);
    Key(s, VK_NEXT);
    EXPECT_EQ(s->GetPosition(), -10);
    Key(s, VK_PRIOR);
    EXPECT_EQ(s->GetPosition(), 0);
    Key(s, VK_HOME);
    EXPECT_EQ(s->GetPosition(), -20);
    Key(s, VK_END);
    EXPECT_EQ(s->GetPosition(), 20);
    Key(s, VK_UP);
    EXPECT_EQ(s->GetPosition(), 20);
    EXPECT_FALSE(s->KeyIsDown());
    s->SetReverseScale(true);
    Key(s, VK_DOWN);
    EXPECT_EQ(s->GetPosition(), 19) << "reversing the scale keeps the key directions";
}

TEST_F(Slider, WheelStepsWithin30MsAreDropped)
{
    TiSlider* s = PanelSlider();
    ShowForm();
    s->SetFocus();
    Record(s);
    const POINT screen{30, 100};
    const LPARAM at = MAKELPARAM(screen.x, screen.y);
    SendMessageA(s->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    SendMessageA(s->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    EXPECT_EQ(s->GetPosition(), 1);
    Sleep(40);
    SendMessageA(s->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), at);
    EXPECT_EQ(s->GetPosition(), 2);
    Sleep(40);
    SendMessageA(s->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), at);
    EXPECT_EQ(s->GetPosition(), 1);
    EXPECT_EQ(Count("Finished"), 3) << "each accepted step finishes";
}

TEST_F(Slider, OrientationSwapsTheSizeAndLaysTheTrackAcross)
{
    TiSlider* s = PanelSlider();
    s->SetOrientation(ioHorizontal);
    EXPECT_EQ(s->Width(), 180);
    EXPECT_EQ(s->Height(), 25);
    s->SetPosition(0);
    TWidgetPicture h(s);
    EXPECT_EQ(s->TrackRect(), Rect(5, 2, 174, 21));
    EXPECT_EQ(s->PointerRect(), Rect(7, 4, 18, 19));
    EXPECT_EQ(h.Pixel(10, 10), RGB(0, 255, 0));
    s->SetOrientation(ioHorizontal);
    EXPECT_EQ(s->Width(), 180) << "unchanged value, no swap";
}

TEST_F(Slider, PositionIsClampedAndExtremesRaiseTheirEventsInOrder)
{
    TiSlider* s = PanelSlider();
    s->SetPositionMin(-20);
    s->SetPositionMax(20);
    Record(s);
    s->SetPosition(25);
    EXPECT_EQ(s->GetPosition(), 20);
    s->SetPosition(-30);
    EXPECT_EQ(s->GetPosition(), -20);
    Events.clear();
    s->SetPosition(-20);
    EXPECT_TRUE(Events.empty());

    s->SetPosition(0);
    s->ResetMinMax();
    Events.clear();
    s->SetPosition(5);
    EXPECT_EQ(Events, (std::vector<std::string>{"CurrentMax", "OverMax", "Change"}));
    Events.clear();
    s->SetPosition(-3);
    EXPECT_EQ(Events, (std::vector<std::string>{"CurrentMin", "UnderMin", "Change"}));
    EXPECT_EQ(s->GetCurrentMax(), 5);
    EXPECT_EQ(Count("User"), 0) << "program changes are not the user's";

    Events.clear();
    s->SetPositionNoEvent(7);
    EXPECT_EQ(s->GetPosition(), 7);
    EXPECT_EQ(Events, (std::vector<std::string>{"CurrentMax", "OverMax"}));
    EXPECT_TRUE(static_cast<bool>(s->OnPositionChange)) << "attached again";
}

TEST_F(Slider, RaisingTheMinimumPastThePositionRaisesEventsInOrder)
{
    TiSlider* s = PanelSlider();
    s->SetPositionMax(120);
    Record(s);
    s->SetPositionMin(60);
    EXPECT_EQ(Events,
              (std::vector<std::string>{"CurrentMin", "UnderMin", "CurrentMax", "OverMax", "Change"}));
    EXPECT_EQ(s->GetCurrentMin(), 60);
    EXPECT_EQ(s->GetCurrentMax(), 60);
    EXPECT_EQ(s->GetPosition(), 60);
}

TEST_F(Slider, ScaleRulesLimitsAndPercent)
{
    TiSlider* s = PanelSlider();
    s->SetTickMajorCount(1);
    EXPECT_EQ(s->GetTickMajorCount(), 2);
    s->SetTickMinorCount(0);
    EXPECT_EQ(s->GetTickMinorCount(), 1);
    s->SetTickLabelPrecision(-3);
    EXPECT_EQ(s->GetTickLabelPrecision(), 0);
    EXPECT_EQ(s->ValuePercent(150), 1);
    EXPECT_EQ(s->ValuePercent(-1), 0);
    EXPECT_EQ(s->ValuePercent(25), 0.25);
    EXPECT_THROW(s->GetLimitObject(0), Exception);
    s->AddLimit(5, 0, false, 80, 20, clRed, clBlue);
    int over = 0;
    s->OnPositionOverLimit = [&](TObject*, int index) { over += index == 0; };
    s->SetPosition(90);
    s->SetPosition(95);
    EXPECT_EQ(over, 2) << "repeats while outside the band";
    try {
        s->RemoveLimit(3);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Limit Index out of bounds");
    }
}

TEST_F(Slider, LosingTheFocusMidDragEndsItWithOneFinish)
{
    TiSlider* a = PanelSlider(20, 20);
    TiSlider* b = PanelSlider(80, 20);
    ShowForm();
    Record(a);
    Mouse(a, WM_LBUTTONDOWN, 12, 100, MK_LBUTTON);
    Mouse(a, WM_MOUSEMOVE, 12, 80, MK_LBUTTON);
    const double moved = a->GetPosition();
    EXPECT_GT(moved, 0);
    b->SetFocus();
    EXPECT_FALSE(a->Dragging());
    EXPECT_EQ(Count("Finished"), 1);
    EXPECT_EQ(a->GetPosition(), moved) << "released where it was, not moved to (0, 0)";
    Mouse(a, WM_LBUTTONUP, 12, 80);
    EXPECT_EQ(Count("Finished"), 1);
}

TEST_F(Slider, ALayoutSetsPropertiesByNameWithoutClampingOrEvents)
{
    RegisterClasses<TiSlider>();
    auto* s = new TiSlider(Form);
    s->SetName("iSlider1");
    ASSERT_TRUE(SetProperty(s, "PointerStyle", "ispsBar"));
    EXPECT_EQ(s->GetPointerStyle(), ispsBar);
    s->Free();
    Form->LoadLayout(R"(object BaseTestForm: TBaseTestForm
  Left = 40
  Top = 40
  Width = 320
  Height = 260
  object iSlider3: TiSlider
    Left = 200
    Top = 20
    Width = 25
    Height = 180
    Position = 130
    PositionMax = 120
    PositionMin = 60
    CurrentMax = 60
    CurrentMin = 60
    PointerIndicatorInactiveColor = clLime
    PointerHeight = 11
    PointerFillEnabled = True
    ShowTicksMajor = False
    TickMinorCount = 5
    TickMargin = 0
    BackGroundColor = 12891322
    PositionMax_2 = 120
    KeyArrowStepSize_2 = 1
    KeyPageStepSize_2 = 10
  end
end
)");
    auto* loaded = dynamic_cast<TiSlider*>(Form->FindComponent("iSlider3"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetPosition(), 130) << "stored outside the bounds, not clamped";
    EXPECT_EQ(loaded->GetPositionMax(), 120);
    EXPECT_EQ(loaded->GetCurrentMin(), 60);
    EXPECT_EQ(loaded->GetTickMinorCount(), 5);
    EXPECT_EQ(loaded->GetTickMargin(), 0);
    EXPECT_EQ(loaded->GetPointerHeight(), 11);
    EXPECT_EQ(loaded->GetBackGroundColor(), 12891322);
    EXPECT_FALSE(loaded->GetLoading());
    EXPECT_EQ(GetFloatProperty(loaded, "Position"), 130);
    loaded->SetPositionMax(110);
    EXPECT_EQ(loaded->GetPosition(), 110) << "the next bounds change clamps";
}

TEST_F(Slider, EveryPointerAndTrackStylePaints)
{
    TiSlider* s = Place<TiSlider>(10, 10, 70, 200);
    s->SetPosition(50);
    for (int style = ispsLed; style <= ispsBitmap; ++style)
        for (int track = istsBox; track <= istsBevelRasied; ++track)
            for (TiOrientationSide side : {iosBottomRight, iosTopLeft}) {
                s->SetPointerStyle(static_cast<TiSliderPointerStyle>(style));
                s->SetTrackStyle(static_cast<TiSliderTrackStyle>(track));
                s->SetOrientationTickMarks(side);
                TWidgetPicture picture(s);
                const TRect p = s->PointerRect();
                if (style == ispsBarColor) {
                    EXPECT_EQ(picture.Pixel((p.Left + p.Right) / 2, (p.Top + p.Bottom) / 2), RGB(0, 0, 0))
                        << "indicator colour (black while idle)";
                }
            }
    s->SetPointerStyle(ispsPointer);
    TWidgetPicture pointer(s);
    EXPECT_EQ(s->PointerRect().Width(), 15 + 8) << "overhang of 4 on each side";
    EXPECT_EQ(s->GetTravelRange(), 200 - 10 - 10);
}

TEST_F(Slider, PaintTimeOfThePanelSlider)
{
    TiSlider* s = PanelSlider();
    s->SetPositionMin(-20);
    s->SetPositionMax(20);
    ShowForm();
    std::vector<double> us;
    for (int i = 0; i < 200; ++i) {
        s->SetPosition(i % 41 - 20);
        const auto t0 = std::chrono::steady_clock::now();
        s->Update(); // the WM_PAINT: one off-screen bitmap, drawn and copied
        us.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(us.begin(), us.end());
    std::printf("[ figure ] panel slider paint: median %.1f us, p90 %.1f us (%zu paints)\n",
                us[us.size() / 2], us[us.size() * 9 / 10], us.size());
}

} // namespace

// The tick scale as the widget gallery's two horizontal sliders draw it: 0 to
// 100 with the ticks below the track, -20 to 20 with them above. Expected
// pixels are worked out here from the scale's end pixels and base line and
// the default lengths (margin 5, major 7, minor 3, label margin 5).
class GalleryScales : public Slider {
protected:
    void SetUp() override
    {
        Slider::SetUp();
        RegisterClasses<TiSlider>();
        Load();
    }
    // A fresh pair, as the gallery has them.
    void Load()
    {
        if (Below) Below->Free();
        if (Above) Above->Free();
        Form->LoadLayout(R"(object BaseTestForm: TBaseTestForm
  Left = 40
  Top = 40
  Width = 360
  Height = 220
  object HorizontalSlider: TiSlider
    Left = 10
    Top = 10
    Width = 310
    Height = 70
    Orientation = ioHorizontal
    Position = 40
    PointerStyle = ispsPointer
  end
  object HorizontalSlider2: TiSlider
    Left = 10
    Top = 100
    Width = 310
    Height = 70
    Orientation = ioHorizontal
    OrientationTickMarks = iosTopLeft
    PositionMin = -20
    PositionMax = 20
    Position = 5
    PointerFillEnabled = True
  end
end
)");
        Below = dynamic_cast<TiSlider*>(Form->FindComponent("HorizontalSlider"));
        Above = dynamic_cast<TiSlider*>(Form->FindComponent("HorizontalSlider2"));
        ASSERT_NE(Below, nullptr);
        ASSERT_NE(Above, nullptr);
    }
    // Where the slider put its scale, read after a painting.
    struct Geometry {
        int pMin, pMax, base, s;
        double min, max;
        // Halves round to even.
        int Pixel(double v) const
        {
            return pMin + static_cast<int>(std::nearbyint((v - min) / (max - min) * (pMax - pMin)));
        }
        // The rows [from, from + s * length) of a tick, top row first.
        std::pair<int, int> Rows(int from, int length) const
        {
            return s > 0 ? std::pair{from, from + length} : std::pair{from - length, from};
        }
    };
    static Geometry Where(TiSlider* w)
    {
        const TiScaleObject& o = *w->Scale();
        return {o.PixelMin, o.PixelMax, o.Base, o.OrientationTickMarks == iosBottomRight ? 1 : -1, o.Min, o.Max};
    }
    // Column x is `colour` over exactly rows [top, bottom) of the tick band.
    static ::testing::AssertionResult Tick(TWidgetPicture& p, int x, std::pair<int, int> rows, COLORREF colour)
    {
        for (int y = rows.first; y < rows.second; ++y)
            if (p.Pixel(x, y) != colour)
                return ::testing::AssertionFailure() << "(" << x << "," << y << ") is " << std::hex << p.Pixel(x, y);
        for (int y : {rows.first - 1, rows.second})
            if (p.Pixel(x, y) == colour)
                return ::testing::AssertionFailure() << "(" << x << "," << y << ") past the tick's end";
        return ::testing::AssertionSuccess();
    }
    TiSlider* Below = nullptr;
    TiSlider* Above = nullptr;
};

TEST_F(GalleryScales, TicksLabelsAndRescalingStandWhereTheScaleSays)
{
    constexpr COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
    struct Row {
        const char* what;
        bool above;
        std::function<void(TiSlider*)> set;
        std::function<void(TiSlider*, TWidgetPicture&, const Geometry&)> check;
    };
    auto majors = [&](TiSlider*, TWidgetPicture& p, const Geometry& g, std::vector<double> values) {
        for (double v : values)
            EXPECT_TRUE(Tick(p, g.Pixel(v), g.Rows(g.base + g.s * 5, 7), black)) << "major at " << v;
    };
    // The first minor tick after the first major one, started `offset` from
    // the base line.
    auto firstMinor = [&](int offset) {
        return [offset](TiSlider*, TWidgetPicture& p, const Geometry& g) {
            const double v = g.min + (g.max - g.min) / 4 / 5;
            EXPECT_TRUE(Tick(p, g.Pixel(v), g.Rows(g.base + g.s * offset, 3), black));
        };
    };
    std::vector<std::pair<int, std::string>> labels;
    const Row rows[] = {
        {"majors, bottom", false, [](TiSlider*) {},
         [&](TiSlider* w, TWidgetPicture& p, const Geometry& g) { majors(w, p, g, {0, 25, 50, 75, 100}); }},
        {"majors, top", true, [](TiSlider*) {},
         [&](TiSlider* w, TWidgetPicture& p, const Geometry& g) { majors(w, p, g, {-20, -10, 0, 10, 20}); }},
        // Minor ticks inside start at the majors' start; centred, 7/2 - 3/2
        // further; outside, flush with the majors' far end (5 + 7 - 3).
        {"minor inside", false, [](TiSlider* w) { w->SetTickMinorAlignment(itmnaInside); }, firstMinor(5)},
        {"minor centre", false, [](TiSlider* w) { w->SetTickMinorAlignment(itmnaCenter); }, firstMinor(7)},
        {"minor outside", false, [](TiSlider* w) { w->SetTickMinorAlignment(itmnaOutside); }, firstMinor(9)},
        {"minor centre, top", true, [](TiSlider* w) { w->SetTickMinorAlignment(itmnaCenter); }, firstMinor(7)},
        {"minor outside, top", true, [](TiSlider* w) { w->SetTickMinorAlignment(itmnaOutside); }, firstMinor(9)},
        // Disabled: lowered, black then white one pixel to the right.
        {"disabled", false,
         [](TiSlider* w) {
             w->SetShowDisabledState(true);
             w->SetEnabled(false);
         },
         [&](TiSlider*, TWidgetPicture& p, const Geometry& g) {
             const int x = g.Pixel(50);
             EXPECT_TRUE(Tick(p, x, g.Rows(g.base + 5, 7), black));
             EXPECT_TRUE(Tick(p, x + 1, g.Rows(g.base + 5, 7), white));
             const int minor = g.Pixel(5);
             EXPECT_TRUE(Tick(p, minor + 1, g.Rows(g.base + 5, 3), white));
         }},
        // Raised minor ticks only: white then black; the majors stay single.
        {"raised minors", false, [](TiSlider* w) { w->SetTickMinorStyle(ibsRaised); },
         [&](TiSlider*, TWidgetPicture& p, const Geometry& g) {
             EXPECT_TRUE(Tick(p, g.Pixel(5), g.Rows(g.base + 5, 3), white));
             EXPECT_TRUE(Tick(p, g.Pixel(5) + 1, g.Rows(g.base + 5, 3), black));
             EXPECT_NE(p.Pixel(g.Pixel(50) + 1, g.base + 6), black);
         }},
        // Labels: fixed decimals, offered to the handler by index; each
        // centred on its tick, its top (bottom above the track) 5 + 7 + 5
        // from the base line.
        {"labels", true,
         [&](TiSlider* w) {
             w->SetTickLabelPrecision(1);
             w->OnCustomizeTickLabel = [&](TObject*, int i, std::string& text) {
                 labels.emplace_back(i, text);
                 if (i == 2) text = "zero";
             };
         },
         [&](TiSlider* w, TWidgetPicture& p, const Geometry& g) {
             EXPECT_EQ(labels, (std::vector<std::pair<int, std::string>>{
                                   {0, "-20.0"}, {1, "-10.0"}, {2, "0.0"}, {3, "10.0"}, {4, "20.0"}}));
             for (auto [value, text] : {std::pair{-10.0, "-10.0"}, std::pair{0.0, "zero"}}) {
                 TBitmap measure;
                 measure.Canvas()->SetFont(w->Scale()->TickLabelFont());
                 const SIZE size = measure.Canvas()->TextExtent(text);
                 TEXTMETRICA tm{};
                 GetTextMetricsA(measure.Canvas()->Handle(), &tm);
                 const int edge = g.base - 17, top0 = edge - size.cy;
                 int left = INT_MAX, right = -1, top = INT_MAX, bottom = -1;
                 for (int y = edge - 40; y < edge + 3; ++y)
                     for (int x = g.Pixel(value) - 30; x <= g.Pixel(value) + 30; ++x)
                         if (p.Pixel(x, y) == black && (y < g.base - 12 || y >= g.base)) {
                             left = std::min(left, x), right = std::max(right, x);
                             top = std::min(top, y), bottom = std::max(bottom, y);
                         }
                 ASSERT_GE(right, left) << text << ": no ink";
                 EXPECT_NEAR((left + right + 1) / 2.0, g.Pixel(value), 2) << text;
                 EXPECT_LE(right - left + 1, size.cx) << text;
                 EXPECT_GE(right - left + 1, size.cx - 3) << text;
                 EXPECT_GE(top, top0) << text;
                 EXPECT_LE(bottom, edge) << text;
                 // Centred on edge - cy / 2, so its top is edge - 2 * (cy / 2).
                 EXPECT_EQ(bottom, edge - 2 * (size.cy / 2) + tm.tmAscent - 1) << text << ": off the baseline";
             }
         }},
        // Automatic scaling: a new minimum of 31 becomes 20 (steps of 20;
        // steps of 10 would need eight ticks), ticks 20 to 100.
        {"rescaled", false,
         [](TiSlider* w) {
             w->SetAutoScaleEnabled(true);
             w->SetPositionMin(31);
             w->SetPosition(50); // the pointer off the ticks it checks
         },
         [&](TiSlider* w, TWidgetPicture& p, const Geometry& g) {
             EXPECT_EQ(w->GetPositionMin(), 20);
             EXPECT_EQ(w->GetTickMajorCount(), 5);
             EXPECT_EQ(g.min, 20);
             majors(w, p, g, {20, 40, 60, 80, 100});
         }},
        // Fixed bounds 13 to 100: ticks from 20 in steps of 20, minor ticks
        // every 4 filling the gap down to 13 (at 16, not at 12).
        {"fixed bounds", false,
         [](TiSlider* w) {
             w->SetAutoScaleStyle(iassFixedMinMax);
             w->SetAutoScaleEnabled(true);
             w->SetPositionMin(13);
             w->SetPosition(50);
         },
         [&](TiSlider* w, TWidgetPicture& p, const Geometry& g) {
             EXPECT_EQ(w->GetPositionMin(), 13);
             majors(w, p, g, {20, 40, 60, 80, 100});
             EXPECT_TRUE(Tick(p, g.Pixel(16), g.Rows(g.base + 5, 3), black));
             EXPECT_NE(p.Pixel(g.Pixel(13), g.base + 6), black) << "no tick at the bound itself";
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TiSlider* w = row.above ? Above : Below;
        row.set(w);
        TWidgetPicture picture(w);
        row.check(w, picture, Where(w));
        Load(); // the gallery's settings again for the next row
    }
}
