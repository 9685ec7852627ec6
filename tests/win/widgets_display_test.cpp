// The indicator widgets under Wine: LED state, events and colours, the
// painted lamp with its bevel and reflection; the seven-segment display's
// value rules, automatic size, lit and unlit segments and overflow arrows;
// the properties a layout sets by name; and the paint-time figures.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "tests/win/widgets_indicator_testing.h"
#include "widgets/iledrectangle.h"
#include "widgets/isevensegmenthexadecimal.h"

namespace {

using namespace indicator_testing;

using Leds = IndicatorTest;
using SevenSegment = IndicatorTest;

// --- LEDs --------------------------------------------------------------------

// The panel's level-bar lamp.
TiLedRectangle* PanelLed(TiLedRectangle* led)
{
    led->SetActiveColor(4227327);
    led->SetBevelStyle(ibsRaised);
    return led;
}

TEST_F(Leds, DefaultsAndStateChanges)
{
    auto* led = Place<TiLedRectangle>(10, 10);
    EXPECT_EQ(led->Width(), 20);
    EXPECT_EQ(led->Height(), 20);
    EXPECT_FALSE(led->GetActive());
    EXPECT_EQ(led->GetActiveColor(), clLime);
    EXPECT_EQ(led->GetInactiveColor(), 21760);
    EXPECT_EQ(led->GetBevelStyle(), ibsLowered);
    EXPECT_TRUE(led->GetShowReflection());
    EXPECT_EQ(led->GetCenterLabelEndsMargin(), 5);

    int changes = 0;
    led->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, led);
        ++changes;
    };
    {
        TPaintCounter paints(led);
        led->SetActive(true);
        UpdateWindow(led->Handle());
        led->SetActive(true);
        UpdateWindow(led->Handle());
        EXPECT_EQ(changes, 1);
        EXPECT_EQ(paints.Count, 1) << "the same state again costs no repaint";
    }
    led->SetActiveNoEvent(false);
    EXPECT_FALSE(led->GetActive());
    EXPECT_EQ(changes, 1);
    led->SetActive(true);
    EXPECT_EQ(changes, 2) << "the event is back after SetActiveNoEvent";

    // A refusing change-request hook keeps the state and raises nothing.
    led->OnPropertyChangeRequest = [](TObject*, const std::string& name, bool& allow) {
        EXPECT_EQ(name, "Active");
        allow = false;
    };
    led->SetActive(false);
    EXPECT_TRUE(led->GetActive());
    EXPECT_EQ(changes, 2);
}

TEST_F(Leds, LampColoursBevelAndReflection)
{
    auto* led = PanelLed(Place<TiLedRectangle>(10, 10, 18, 25));
    led->SetActive(true);
    auto on = Snapshot(*led);
    EXPECT_EQ(Pixel(*on, 9, 12), Rgb(255, 128, 64));
    EXPECT_EQ(Pixel(*on, 3, 3), clWhite) << "reflection";
    EXPECT_EQ(Pixel(*on, 4, 3), clWhite) << "reflection";
    EXPECT_EQ(Pixel(*on, 5, 3), Rgb(255, 128, 64)) << "the reflection's end point is left out";
    EXPECT_EQ(Pixel(*on, 3, 4), Rgb(255, 128, 64));
    EXPECT_EQ(Pixel(*on, 0, 0), static_cast<TColor>(ColorToRGB(cl3DLight))) << "raised edge";
    EXPECT_EQ(Pixel(*on, 17, 24), static_cast<TColor>(ColorToRGB(cl3DDkShadow)));
    EXPECT_EQ(Pixel(*on, 1, 1), static_cast<TColor>(ColorToRGB(clBtnHighlight)));

    // Off: a third of the active colour, whatever InactiveColor holds.
    led->SetInactiveColor(clBlack);
    led->SetActive(false);
    EXPECT_EQ(Pixel(*Snapshot(*led), 9, 12), Rgb(85, 42, 21));
    led->SetAutoInactiveColor(false);
    EXPECT_EQ(Pixel(*Snapshot(*led), 9, 12), clBlack);

    led->SetShowReflection(false);
    led->SetBevelStyle(ibsNone);
    auto plain = Snapshot(*led);
    for (int y = 0; y < 25; ++y)
        for (int x = 0; x < 18; ++x)
            ASSERT_EQ(Pixel(*plain, x, y), clBlack) << x << "," << y;

    // Through the window's own paint as well.
    led->SetActive(true);
    led->SetBevelStyle(ibsLowered);
    UpdateWindow(led->Handle());
    HDC dc = GetDC(led->Handle());
    EXPECT_EQ(static_cast<TColor>(GetPixel(dc, 9, 12)), Rgb(255, 128, 64));
    EXPECT_EQ(static_cast<TColor>(GetPixel(dc, 0, 0)), static_cast<TColor>(ColorToRGB(clBtnShadow)))
        << "sunken edge";
    ReleaseDC(led->Handle(), dc);
}

TEST_F(Leds, ABarStepRepaintsOnlyTheLampThatChanged)
{
    std::vector<TiLedRectangle*> bar;
    std::vector<std::unique_ptr<TPaintCounter>> paints;
    for (int n = 0; n < 37; ++n) {
        bar.push_back(PanelLed(Place<TiLedRectangle>(8 + 12 * n, 100, 10, 25)));
        paints.push_back(std::make_unique<TPaintCounter>(bar.back()));
    }
    auto show = [&](int level) {
        for (int n = 0; n < 37; ++n)
            bar[static_cast<size_t>(n)]->SetActive(n < level);
        RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    };
    show(10);
    for (auto& p : paints)
        p->Count = 0;
    show(11);
    show(11);
    for (int n = 0; n < 37; ++n)
        EXPECT_EQ(paints[static_cast<size_t>(n)]->Count, n == 10 ? 1 : 0) << "lamp " << n;
    paints.clear();
}

TEST_F(Leds, CaptionOfBlanksDrawsNothing)
{
    auto* led = Place<TiLedRectangle>(10, 10, 60, 24);
    led->SetActive(true);
    auto bare = Snapshot(*led);
    led->SetCenterLabelText("   ");
    auto blanks = Snapshot(*led);
    led->SetCenterLabelText("ON");
    auto text = Snapshot(*led);
    int differBlank = 0, differText = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 60; ++x) {
            differBlank += Pixel(*bare, x, y) != Pixel(*blanks, x, y);
            differText += Pixel(*bare, x, y) != Pixel(*text, x, y);
        }
    EXPECT_EQ(differBlank, 0);
    EXPECT_GT(differText, 10) << "a real caption shows";
}

// --- Seven-segment display ------------------------------------------------------

// The panel's reading display: three digits of 90 x 162.
TiSevenSegmentHexadecimal* PanelDisplay(TiSevenSegmentHexadecimal* d)
{
    d->SetDigitCount(3);
    d->SetLeadingStyle(ilsSpaces);
    d->SetDigitSpacing(18);
    d->SetSegmentSize(9);
    d->SetSegmentSeperation(2);
    d->SetSegmentMargin(10);
    d->SetSegmentColor(clLime);
    d->SetShowOffSegments(false);
    d->SetValue("E1");
    return d;
}

// Inside segment A and segment B of digit i of the panel display.
constexpr int kDigitX[3] = {10, 118, 226};
TPoint InSegA(int i)
{
    return {kDigitX[i] + 45, 10 + 9};
}
TPoint InSegB(int i)
{
    return {kDigitX[i] + 80, 10 + 40};
}

TEST_F(SevenSegment, ValueRules)
{
    auto* d = Place<TiSevenSegmentHexadecimal>(0, 0);
    EXPECT_EQ(d->GetValue(), "0");
    EXPECT_EQ(d->GetLeadingStyle(), ilsZeros);
    EXPECT_EQ(d->GetDigitCount(), 4);
    EXPECT_EQ(d->GetBackGroundColor(), clBlack);
    int changes = 0;
    d->OnValueChange = [&](TObject*) { ++changes; };

    d->SetValue("0x00ff");
    EXPECT_EQ(d->GetValue(), "FF");
    d->SetValue("$0");
    EXPECT_EQ(d->GetValue(), "0");
    d->SetValue("85");
    d->SetValue("");
    EXPECT_EQ(d->GetValue(), "0");
    EXPECT_EQ(changes, 4);
    d->SetValue("0");
    EXPECT_EQ(changes, 4) << "the same text raises nothing";

    try {
        d->SetValue("12G");
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "12G not a valid Hexidecimal number");
    }
    EXPECT_EQ(d->GetValue(), "0");
    EXPECT_THROW(d->SetValue(std::string(300, '1')), Exception);
    EXPECT_EQ(changes, 4);

    d->SetValueNoEvent("E1");
    EXPECT_EQ(d->GetValue(), "E1");
    EXPECT_EQ(changes, 4);
    EXPECT_THROW(d->SetValueNoEvent("X"), Exception);
    d->SetValue("E2");
    EXPECT_EQ(changes, 5) << "the event is back, also after a failed call";
}

TEST_F(SevenSegment, SizesItselfAndClampsItsSettings)
{
    auto* d = Place<TiSevenSegmentHexadecimal>(0, 0);
    EXPECT_EQ(d->Width(), 4 * 16 + 10 - 6); // four default digits
    PanelDisplay(d);
    EXPECT_EQ(d->Width(), 326);
    EXPECT_EQ(d->Height(), 182);
    d->SetValue("123");
    EXPECT_EQ(d->Width(), 326) << "the value never resizes";

    d->SetSegmentSize(0);
    EXPECT_EQ(d->GetSegmentSize(), 1);
    d->SetDigitCount(40);
    EXPECT_EQ(d->GetDigitCount(), 32);
    d->SetSegmentMargin(-3);
    EXPECT_EQ(d->GetSegmentMargin(), 0);

    // Digits of 10 x 18 now, 18 apart, no margin.
    EXPECT_EQ(d->Width(), 28 * 32 - 18);
    d->SetAutoSize(false);
    d->SetDigitCount(2);
    EXPECT_EQ(d->Width(), 28 * 32 - 18) << "no resize with AutoSize off";
    d->SetAutoSize(true);
    EXPECT_EQ(d->Width(), 28 * 2 - 18);
    EXPECT_EQ(d->Height(), 18);

    d->SetLoading(true);
    d->SetDigitCount(5);
    EXPECT_EQ(d->Width(), 28 * 2 - 18) << "settings read while loading do not resize";
    d->SetLoading(false);
}

TEST_F(SevenSegment, LitAndUnlitSegmentsOfE1)
{
    auto* d = PanelDisplay(Place<TiSevenSegmentHexadecimal>(0, 0));
    auto shown = Snapshot(*d);
    const TColor off = Rgb(0, 85, 0);
    // " E1": a blank digit, then E (a d e f g), then 1 (b c).
    EXPECT_EQ(Pixel(*shown, InSegA(0).X, InSegA(0).Y), clBlack);
    EXPECT_EQ(Pixel(*shown, InSegA(1).X, InSegA(1).Y), clLime);
    EXPECT_EQ(Pixel(*shown, InSegB(1).X, InSegB(1).Y), clBlack) << "unlit segments are not drawn";
    EXPECT_EQ(Pixel(*shown, InSegA(2).X, InSegA(2).Y), clBlack);
    EXPECT_EQ(Pixel(*shown, InSegB(2).X, InSegB(2).Y), clLime);
    // Segment G of E and the gap between digits.
    EXPECT_EQ(Pixel(*shown, kDigitX[1] + 45, 10 + 80), clLime);
    EXPECT_EQ(Pixel(*shown, kDigitX[1] + 99, 10 + 80), clBlack);

    d->SetShowOffSegments(true);
    auto withOff = Snapshot(*d);
    EXPECT_EQ(Pixel(*withOff, InSegB(1).X, InSegB(1).Y), off) << "unlit: the segment colour dimmed";
    EXPECT_EQ(Pixel(*withOff, InSegA(0).X, InSegA(0).Y), off);
    EXPECT_EQ(Pixel(*withOff, InSegA(1).X, InSegA(1).Y), clLime);

    d->SetAutoSegmentOffColor(false);
    d->SetSegmentOffColor(clMaroon);
    EXPECT_EQ(Pixel(*Snapshot(*d), InSegB(1).X, InSegB(1).Y), clMaroon);

    // Power off without off segments: the lit ones in the off colour, the others absent.
    d->SetPowerOff(true);
    d->SetShowOffSegments(false);
    auto dark = Snapshot(*d);
    EXPECT_EQ(Pixel(*dark, InSegA(1).X, InSegA(1).Y), clMaroon);
    EXPECT_EQ(Pixel(*dark, InSegB(1).X, InSegB(1).Y), clBlack);
}

TEST_F(SevenSegment, OverflowShowsUpArrows)
{
    auto* d = PanelDisplay(Place<TiSevenSegmentHexadecimal>(0, 0));
    d->SetValue("1234");
    auto arrows = Snapshot(*d);
    for (int i = 0; i < 3; ++i) {
        // Inside the triangle (apex (44, 37), base y 81), and above its apex.
        EXPECT_EQ(Pixel(*arrows, kDigitX[i] + 44, 10 + 70), clLime) << i;
        EXPECT_EQ(Pixel(*arrows, kDigitX[i] + 44, 10 + 30), clBlack) << i;
        EXPECT_EQ(Pixel(*arrows, kDigitX[i] + 44, 10 + 90), clBlack) << i;
    }
}

TEST_F(SevenSegment, TheCharacterDrawerStandsAlone)
{
    auto* c = Place<TiSevenSegmentCharacter>(0, 0);
    EXPECT_EQ(c->Width(), 14);
    EXPECT_EQ(c->Height(), 22);
    c->SetSegmentSize(4);
    EXPECT_EQ(c->Width(), 44);
    EXPECT_EQ(c->Height(), 76);
    c->SetCharacter('.');
    EXPECT_EQ(c->GetValue(), sscPeriod);
    EXPECT_EQ(c->Width(), 12);
    c->SetCharacter('7');
    EXPECT_EQ(c->GetCharacter(), '7');
    // Segment bits replace the character's own set.
    c->SetUseSegmentBits(true);
    c->SetSegOn(segG, true);
    EXPECT_EQ(c->GetSegmentBits(), 0x40);
    auto bits = Snapshot(*c);
    EXPECT_EQ(Pixel(*bits, 22, 37), clLime) << "segment G";
    EXPECT_EQ(Pixel(*bits, 22, 4), Rgb(0, 85, 0)) << "segment A unlit";
}

// --- Publishing ----------------------------------------------------------------------

TEST_F(SevenSegment, LayoutsSetEveryPropertyByName)
{
    auto* d = Place<TiSevenSegmentHexadecimal>(0, 0);
    const std::pair<const char*, const char*> display[] = {
        {"DigitCount", "3"},           {"LeadingStyle", "ilsSpaces"},
        {"DigitSpacing", "18"},        {"SegmentSize", "9"},
        {"SegmentSeperation", "2"},    {"SegmentMargin", "10"},
        {"SegmentColor", "clLime"},    {"ShowOffSegments", "False"},
        {"Transparent", "True"},       {"Value", "E1"},
        {"AutoSize", "True"},          {"PowerOff", "False"},
        {"SegmentOffColor", "clRed"},  {"AutoSegmentOffColor", "False"},
        {"BackGroundColor", "clNavy"}, {"BorderStyle", "ibsLowered"},
        {"AutoFrameRate", "True"},     {"UpdateFrameRate", "30"}};
    for (const auto& [name, value] : display) {
        ASSERT_TRUE(IsPublishedProp(d, name)) << name;
        EXPECT_TRUE(SetProperty(d, name, value)) << name;
        EXPECT_TRUE(SameText(GetProperty(d, name), value)) << name << " reads " << GetProperty(d, name);
    }
    EXPECT_EQ(d->Width(), 326);
    EXPECT_TRUE(IsPublishedProp(d, "OnValueChange"));

    auto* led = Place<TiLedRectangle>(0, 0);
    const std::pair<const char*, const char*> lamp[] = {{"Active", "True"},
                                                        {"ActiveColor", "clAqua"},
                                                        {"InactiveColor", "clBlack"},
                                                        {"AutoInactiveColor", "True"},
                                                        {"BevelStyle", "ibsRaised"},
                                                        {"ShowReflection", "False"},
                                                        {"CenterLabelText", "dB"},
                                                        {"CenterLabelFontActiveColor", "clRed"},
                                                        {"CenterLabelFontInactiveColor", "clYellow"},
                                                        {"CenterLabelWordWrap", "True"},
                                                        {"CenterLabelEndsMargin", "3"},
                                                        {"CenterLabelAlignment", "iahRight"},
                                                        {"CenterLabelFont.Height", "-16"}};
    for (const auto& [name, value] : lamp) {
        EXPECT_TRUE(SetProperty(led, name, value)) << name;
        EXPECT_TRUE(SameText(GetProperty(led, name), value)) << name << " reads " << GetProperty(led, name);
    }
    EXPECT_TRUE(IsPublishedProp(led, "OnChange"));
}

// --- Figures -----------------------------------------------------------------------

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F> double MedianMicroseconds(int runs, F&& step)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        step(i);
        times.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    return Median(times);
}

// Figures, not assertions: the median time of a repaint as the panel causes it.
TEST_F(Leds, PaintTimeFigures)
{
    std::vector<TiLedRectangle*> bar;
    for (int n = 0; n < 37; ++n) {
        auto* led = PanelLed(Place<TiLedRectangle>(8 + 20 * n % 460, 10 + 30 * (n / 23), 18, 25));
        bar.push_back(led);
    }
    auto* display = PanelDisplay(Place<TiSevenSegmentHexadecimal>(10, 80));
    Pump();

    const double oneLed = MedianMicroseconds(200, [&](int) {
        bar[0]->Invalidate();
        UpdateWindow(bar[0]->Handle());
    });
    const double digits = MedianMicroseconds(200, [&](int) {
        display->Invalidate();
        UpdateWindow(display->Handle());
    });
    // A bar step: all 37 lamps are set, one of them changes.
    int level = 1;
    const double barStep = MedianMicroseconds(200, [&](int i) {
        level = 1 + (i % 36);
        for (int n = 0; n < 37; ++n)
            bar[static_cast<size_t>(n)]->SetActive(n < level);
        RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    });
    std::printf("[ figures  ] median paint: one LED %.1f us, three-digit display %.1f us, "
                "bar step of 37 LEDs %.1f us\n",
                oneLed, digits, barStep);
    RecordProperty("led_us", std::to_string(oneLed));
    RecordProperty("display_us", std::to_string(digits));
    RecordProperty("bar_step_us", std::to_string(barStep));
}

} // namespace
