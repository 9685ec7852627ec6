// The switch panel under Wine: its layout for the caption font's height, the
// painted knob, handle, caption panel and borders, the position rules and
// their events, captions and knob under the mouse (rotation and increment
// styles), the keyboard through the message loop, and losing the focus
// during a drag.
#include <cmath>

#include "tests/win/widgets_indicator_testing.h"
#include "widgets/iswitchpanel.h"

namespace {

using namespace indicator_testing;

// The panel's (hidden) input-type switch.
class SwitchPanel : public IndicatorTest {
protected:
    void SetUp() override
    {
        IndicatorTest::SetUp();
        Switch = Place<TiSwitchPanel>(10, 10, 97, 111);
        Switch->SetPositionCaption(0, "dB");
        Switch->SetPositionCaption(1, "dBA");
        Switch->SetPositionCaption(2, "dBC");
        Switch->GetPanelFontActive()->SetColor(clBlue);
        Switch->SetPanelBackGroundColor(4227327);
        Switch->SetKnobOuterColor(clGreen);
        Switch->SetKnobInnerColor(clGray);
        Switch->SetKnobHandleColor(clOlive);
        Switch->SetPanelBorderStyle(ispbsRaised);
        Switch->SetBackGroundColor(clSilver);
        Switch->SetBackGroundColorTop(clBlue);
        Switch->OnPositionChange = [this](TObject*) { ++Changes; };
        Switch->OnPositionChangeUser = [this](TObject*) { ++UserChanges; };
        Switch->OnPositionChangeFinished = [this](TObject*) { ++Finishes; };
        UpdateWindow(Switch->Handle());
    }

    void Mouse(UINT msg, int x, int y, WPARAM keys = 0)
    {
        SendMessageA(Switch->Handle(), msg, keys, MAKELPARAM(x, y));
    }
    void Click(int x, int y)
    {
        Mouse(WM_LBUTTONDOWN, x, y, MK_LBUTTON);
        Mouse(WM_LBUTTONUP, x, y);
    }
    void Key(WORD vk)
    {
        const UINT scan = MapVirtualKeyA(vk, MAPVK_VK_TO_VSC);
        PostMessageA(Switch->Handle(), WM_KEYDOWN, vk, static_cast<LPARAM>(1 | (scan << 16)));
        Pump();
        PostMessageA(Switch->Handle(), WM_KEYUP, vk, static_cast<LPARAM>(0xC0000001u | (scan << 16)));
        Pump();
    }
    int TextHeight()
    {
        TBitmap probe;
        probe.SetSize(1, 1);
        probe.Canvas()->SetFont(Switch->GetPanelFontInactive());
        return probe.Canvas()->TextHeight("A");
    }

    TiSwitchPanel* Switch = nullptr;
    int Changes = 0, UserChanges = 0, Finishes = 0;
};

TEST_F(SwitchPanel, LayoutForTheCaptionFont)
{
    EXPECT_EQ(Switch->GetPanelFontInactive()->GetHeight(), -11);
    EXPECT_TRUE(Switch->GetPanelFontInactive()->GetStyle().Contains(fsBold));
    ASSERT_EQ(TextHeight(), 13) << "MS Sans Serif 8 bold";
    // TH 13: margins 3, panel height 35, knob centre (48, 72), radius 38.
    EXPECT_EQ(Switch->GetKnobCenter(), TPoint(48, 72));
    EXPECT_EQ(Switch->GetKnobRadius(), 38);
    EXPECT_EQ(Switch->GetKnobRect(), TRect(10, 34, 86, 110));
    // Captions hang from their anchors: "dBA" centred at (48, 3), "dB" and "dBC" at (24, 19) and (72, 19).
    const TRect c1 = Switch->GetCaptionRect(0), c2 = Switch->GetCaptionRect(1),
                c3 = Switch->GetCaptionRect(2);
    EXPECT_EQ(c2.Top, 3);
    EXPECT_EQ(c2.Bottom, 16);
    EXPECT_NEAR((c2.Left + c2.Right) / 2.0, 48, 0.5);
    EXPECT_EQ(c1.Top, 19);
    EXPECT_NEAR((c1.Left + c1.Right) / 2.0, 24, 0.5);
    EXPECT_EQ(c3.Top, 19);
    EXPECT_NEAR((c3.Left + c3.Right) / 2.0, 72, 0.5);

    // Two positions put both captions on one row.
    Switch->SetPositionCount(2);
    Snapshot(*Switch);
    EXPECT_EQ(Switch->GetCaptionRect(0).Top, 3);
    EXPECT_EQ(Switch->GetCaptionRect(1).Top, 3);
    EXPECT_TRUE(Switch->GetCaptionRect(2).IsEmpty());
    EXPECT_EQ(Switch->GetKnobCenter(), TPoint(48, (110 + 19) / 2));
}

TEST_F(SwitchPanel, KnobHandleAndCaptionPanelPixels)
{
    auto at0 = Snapshot(*Switch);
    // Position 0: the handle points up and left, its end A at (34, 48).
    EXPECT_EQ(Pixel(*at0, 37, 53), clOlive) << "handle near its end";
    EXPECT_EQ(Pixel(*at0, 48, 72), clOlive) << "handle across the centre";
    EXPECT_EQ(Pixel(*at0, 59, 53), clGray) << "inner circle beside the handle";
    EXPECT_EQ(Pixel(*at0, 77, 55), clGreen) << "outer ring";
    EXPECT_EQ(Pixel(*at0, 12, 36), clSilver) << "background in the knob square's corner";
    EXPECT_EQ(Pixel(*at0, 5, 30), Rgb(255, 128, 64)) << "caption panel";
    EXPECT_EQ(Pixel(*at0, 0, 0), static_cast<TColor>(ColorToRGB(cl3DLight))) << "raised edge over the panel";
    EXPECT_EQ(Pixel(*at0, 96, 110), static_cast<TColor>(ColorToRGB(cl3DDkShadow)));

    Switch->SetPosition(2);
    auto at2 = Snapshot(*Switch);
    EXPECT_EQ(Pixel(*at2, 59, 53), clOlive) << "the handle now points up and right";
    EXPECT_EQ(Pixel(*at2, 37, 53), clGray);

    // The selected caption is drawn in the active font's colour.
    auto count = [](TBitmap& b, TRect r, TColor c) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                n += Pixel(b, x, y) == c;
        return n;
    };
    EXPECT_GT(count(*at2, Switch->GetCaptionRect(2), clBlue), 5);
    EXPECT_EQ(count(*at2, Switch->GetCaptionRect(0), clBlue), 0);
    EXPECT_GT(count(*at2, Switch->GetCaptionRect(0), clWhite), 5);
}

TEST_F(SwitchPanel, BorderStyles)
{
    Switch->SetPanelBorderStyle(ispbsLine);
    auto line = Snapshot(*Switch);
    EXPECT_EQ(Pixel(*line, 0, 60), clBlack);
    EXPECT_EQ(Pixel(*line, 96, 60), clBlack);
    EXPECT_EQ(Pixel(*line, 40, 110), clBlack);
    EXPECT_EQ(Pixel(*line, 1, 60), clSilver);

    Switch->SetPanelBorderStyle(ispbsTop);
    auto top = Snapshot(*Switch);
    EXPECT_EQ(Pixel(*top, 4, 40), clBlue) << "band from the panel down to the knob centre";
    EXPECT_EQ(Pixel(*top, 0, 40), clBlack);
    EXPECT_EQ(Pixel(*top, 96, 40), clBlack);
    EXPECT_EQ(Pixel(*top, 4, 80), clSilver) << "below the centre";
    Switch->SetKnobSideMargin(1);
    EXPECT_EQ(Pixel(*Snapshot(*Switch), 4, 40), clSilver) << "no band with a side margin";
    Switch->SetKnobSideMargin(0);

    Switch->SetPanelBorderStyle(ispbsLowered);
    EXPECT_EQ(Pixel(*Snapshot(*Switch), 0, 60), static_cast<TColor>(ColorToRGB(clBtnShadow)));
    Switch->SetPanelBorderStyle(ispbsNone);
    EXPECT_EQ(Pixel(*Snapshot(*Switch), 0, 60), clSilver);
}

TEST_F(SwitchPanel, PositionRules)
{
    Switch->SetPosition(2);
    EXPECT_EQ(Changes, 1);
    Switch->SetPosition(5);
    EXPECT_EQ(Switch->GetPosition(), 2);
    EXPECT_EQ(Changes, 2) << "compared before clamping: the request counts as a change";
    Switch->SetPosition(2);
    EXPECT_EQ(Changes, 2);
    EXPECT_EQ(UserChanges, 0) << "program changes are not the user's";

    Switch->SetPositionCount(1);
    EXPECT_EQ(Switch->GetPositionCount(), 2);
    EXPECT_EQ(Switch->GetPosition(), 1) << "moved to the last position";
    EXPECT_EQ(Changes, 2) << "without events";
    Switch->SetPositionCount(7);
    EXPECT_EQ(Switch->GetPositionCount(), 3);

    // While loading, values are stored as they come and nothing is reported.
    Switch->SetLoading(true);
    Switch->SetPosition(9);
    EXPECT_EQ(Switch->GetPosition(), 9);
    Switch->SetLoading(false);
    EXPECT_EQ(Changes, 2);

    // A change from code is reported as finished at the next release.
    Switch->SetPosition(0);
    Click(2, 108);
    EXPECT_EQ(Finishes, 1);
    Click(2, 108);
    EXPECT_EQ(Finishes, 1);
}

TEST_F(SwitchPanel, CaptionsSelectOnReleaseOverTheSameCaption)
{
    const TRect c1 = Switch->GetCaptionRect(0), c2 = Switch->GetCaptionRect(1),
                c3 = Switch->GetCaptionRect(2);
    Mouse(WM_LBUTTONDOWN, c1.Left + 2, c1.Top + 4, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, c2.Left + 2, c2.Top + 4);
    EXPECT_EQ(Switch->GetPosition(), 0);
    EXPECT_EQ(Finishes, 0);

    Click(c3.Left + 2, c3.Top + 4);
    EXPECT_EQ(Switch->GetPosition(), 2);
    EXPECT_EQ(UserChanges, 1);
    EXPECT_EQ(Finishes, 1);
    EXPECT_TRUE(Switch->Focused()) << "a press takes the focus";

    // Just outside the caption's hit area: its right edge is not inside.
    Click(c2.Right, c2.Top + 4);
    EXPECT_EQ(Switch->GetPosition(), 2);
    Click(c2.Right - 1, c2.Top + 4);
    EXPECT_EQ(Switch->GetPosition(), 1);
}

TEST_F(SwitchPanel, IncrementStyleCyclesOnKnobClicks)
{
    Switch->SetMouseControlStyle(ispmcsIncrement);
    // The knob's square counts, corners outside the circle included.
    Click(11, 35);
    EXPECT_EQ(Switch->GetPosition(), 1);
    Click(48, 72);
    EXPECT_EQ(Switch->GetPosition(), 2);
    Click(85, 109);
    EXPECT_EQ(Switch->GetPosition(), 0);
    EXPECT_EQ(Finishes, 3);
    Click(86, 72); // right of the square
    EXPECT_EQ(Switch->GetPosition(), 0);
}

TEST_F(SwitchPanel, RotationStepsAndReportsEachStep)
{
    // Angles on the screen around the centre (48, 72), radius 30.
    auto at = [](double deg) {
        const double a = deg * 3.14159265358979 / 180;
        return TPoint(48 + static_cast<int>(std::lround(30 * std::cos(a))),
                      72 + static_cast<int>(std::lround(30 * std::sin(a))));
    };
    TPoint p = at(0);
    Mouse(WM_LBUTTONDOWN, p.X, p.Y, MK_LBUTTON);
    p = at(20);
    Mouse(WM_MOUSEMOVE, p.X, p.Y, MK_LBUTTON);
    EXPECT_EQ(Switch->GetPosition(), 0) << "within 22.5 degrees";
    p = at(30);
    Mouse(WM_MOUSEMOVE, p.X, p.Y, MK_LBUTTON);
    EXPECT_EQ(Switch->GetPosition(), 1) << "clockwise steps towards the last position";
    EXPECT_EQ(UserChanges, 1);
    p = at(-30);
    Mouse(WM_MOUSEMOVE, p.X, p.Y, MK_LBUTTON);
    EXPECT_EQ(Switch->GetPosition(), 0);
    p = at(-90);
    Mouse(WM_MOUSEMOVE, p.X, p.Y, MK_LBUTTON);
    EXPECT_EQ(Switch->GetPosition(), 0) << "held at position 0";
    EXPECT_EQ(Changes, 3) << "but every step is reported";
    EXPECT_EQ(Finishes, 0);
    Mouse(WM_LBUTTONUP, p.X, p.Y);
    EXPECT_EQ(Finishes, 1);
    p = at(0);
    Mouse(WM_MOUSEMOVE, p.X, p.Y);
    EXPECT_EQ(Changes, 3) << "no turning after the release";
}

TEST_F(SwitchPanel, LosingTheFocusEndsADrag)
{
    auto* other = Place<TiSwitchPanel>(200, 10);
    Mouse(WM_LBUTTONDOWN, 78, 72, MK_LBUTTON);
    ASSERT_TRUE(Switch->Focused());
    Mouse(WM_MOUSEMOVE, 74, 87, MK_LBUTTON);
    EXPECT_EQ(Switch->GetPosition(), 1);
    other->SetFocus();
    Pump();
    EXPECT_EQ(Finishes, 1);
    ReleaseCapture();
    Mouse(WM_MOUSEMOVE, 48, 102);
    EXPECT_EQ(Switch->GetPosition(), 1) << "the knob is no longer held";
}

TEST_F(SwitchPanel, OneArrowPressMovesOnePosition)
{
    Switch->SetFocus();
    Pump();
    Key(VK_RIGHT);
    EXPECT_EQ(Switch->GetPosition(), 1);
    EXPECT_EQ(Finishes, 1) << "reported when the key is released";
    Key(VK_UP);
    EXPECT_EQ(Switch->GetPosition(), 2);
    Key(VK_RIGHT);
    EXPECT_EQ(Switch->GetPosition(), 2);
    Key(VK_LEFT);
    EXPECT_EQ(Switch->GetPosition(), 1);
    Key(VK_HOME);
    EXPECT_EQ(Switch->GetPosition(), 0);
    Key(VK_END);
    EXPECT_EQ(Switch->GetPosition(), 2);
    Key(VK_NEXT);
    EXPECT_EQ(Switch->GetPosition(), 0);
    EXPECT_EQ(UserChanges, 0);
    EXPECT_EQ(Finishes, 7) << "one finish per press, also one pushing against an end";
    EXPECT_TRUE(Switch->Focused()) << "arrow keys do not move the focus";
}

TEST_F(SwitchPanel, LayoutsSetEveryPropertyByName)
{
    const std::pair<const char*, const char*> props[] = {
        {"PositionCount", "2"},
        {"Position", "1"},
        {"PositionCaption1", "dB"},
        {"PositionCaption2", "dBA"},
        {"PositionCaption3", "dBC"},
        {"PanelFontInactive.Height", "-11"},
        {"PanelFontActive.Color", "clBlue"},
        {"PanelBackGroundColor", "clRed"},
        {"PanelMarginTop", "0.5"},
        {"PanelMarginRow", "0.5"},
        {"PanelMarginBottom", "0.5"},
        {"KnobOuterColor", "clGreen"},
        {"KnobInnerColor", "clGray"},
        {"KnobHandleColor", "clOlive"},
        {"KnobHandleWidth", "8"},
        {"KnobRadius", "30"},
        {"KnobSideMargin", "2"},
        {"KnobRadiusAutoSize", "False"},
        {"MouseControlStyle", "ispmcsIncrement"},
        {"BorderStyle", "ispbsTop"},
        {"BackGroundColor", "clSilver"},
        {"BackGroundColorTop", "clBlue"},
        {"UpdateFrameRate", "25"},
    };
    for (const auto& [name, value] : props) {
        EXPECT_TRUE(SetProperty(Switch, name, value)) << name;
        EXPECT_TRUE(SameText(GetProperty(Switch, name), value))
            << name << " reads " << GetProperty(Switch, name);
    }
    EXPECT_EQ(Switch->GetPanelBorderStyle(), ispbsTop);
    EXPECT_TRUE(IsPublishedProp(Switch, "OnPositionChangeFinished"));
    EXPECT_TRUE(IsPublishedProp(Switch, "OnPositionChangeUser"));
}

} // namespace
