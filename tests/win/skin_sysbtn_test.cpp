// Caption buttons and frame input under Wine: hit testing, hover and the
// hover timer, clicks on the buttons, caption double clicks, the icon's
// double click, unknown button actions, system commands. Input goes in as
// the system would send it.
#include <gtest/gtest.h>

#include <windowsx.h>

#include "skin/winskinimage.h"
#include "tests/win/skin_frame_testing.h"

using namespace frametest;

namespace {

// A form that records the messages the tests wait for.
class TRecordingForm : public TForm {
public:
    explicit TRecordingForm(TComponent* owner) : TForm(owner) {}
    void WndProc(TMessage& m) override
    {
        if (m.Msg == WM_SYSCOMMAND) SysCommands.push_back(static_cast<UINT>(m.WParam & 0xFFF0));
        if (m.Msg == WM_SKIN_SYSBTNACTION) Actions.push_back(static_cast<int>(m.WParam));
        if (m.Msg == WM_CLOSE) ++Closes;
        TForm::WndProc(m);
    }
    std::vector<UINT> SysCommands;
    std::vector<int> Actions;
    int Closes = 0;
};

std::unique_ptr<TRecordingForm> RecordingMainForm()
{
    auto f = std::make_unique<TRecordingForm>(nullptr);
    f->SetBorderStyle(bsSingle);
    f->SetBorderIcons({biSystemMenu, biMinimize});
    f->SetBounds(60, 40, 300, 200);
    f->SetClientWidth(754);
    f->SetClientHeight(500);
    f->SetText("Orvane Panel");
    // Closing hides rather than frees; the test owns the form.
    f->OnClose = [](TObject*, TCloseAction& action) { action = caHide; };
    return f;
}

void Click(HWND wnd, TPoint p, WPARAM hit = HTCAPTION)
{
    SendMessageA(wnd, WM_NCLBUTTONDOWN, hit, ScreenPoint(wnd, p.X, p.Y));
    SendMessageA(wnd, WM_NCLBUTTONUP, hit, ScreenPoint(wnd, p.X, p.Y));
}

// Keeps the real cursor away from the window, so that only the messages
// the test sends say where the mouse is.
void ParkCursor()
{
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 2, GetSystemMetrics(SM_CYSCREEN) - 2);
}

} // namespace

TEST_F(SkinnedTest, HitTestAnswersCaptionOverTheBarAndClientInside)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    const HWND w = form->Handle();
    const int W = WindowRectOf(w).Width();
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, ScreenPoint(w, W / 2, 12)), HTCAPTION);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, ScreenPoint(w, W / 2, 24)), HTCAPTION);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, ScreenPoint(w, W / 2, 25)), HTCLIENT);
    EXPECT_EQ(SendMessageA(w, WM_NCHITTEST, 0, ScreenPoint(w, 4, 300)), HTCLIENT);
    EXPECT_NE(SendMessageA(w, WM_NCHITTEST, 0, ScreenPoint(w, 3, 300)), HTCLIENT);
}

TEST_F(SkinnedTest, HoverMakesAButtonHotAndTheTimerTakesItAway)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ParkCursor();
    const HWND w = form->Handle();
    TWinSysButton* close = VisibleButtonOfAction(*f, 0);
    TWinSysButton* min = VisibleButtonOfAction(*f, 2);
    ASSERT_TRUE(close && min);
    ASSERT_TRUE(f->HoverTimer()->GetEnabled());

    const TPoint c = Centre(close->BoundsRect);
    EXPECT_EQ(SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, c.X, c.Y)), 0);
    EXPECT_EQ(f->HotObject, close);
    EXPECT_EQ(close->State, NCStateHot);
    EXPECT_EQ(ShownMismatches(w, *close, NCStateHot), 0);
    // Moving on to another button hands the hot state over.
    const TPoint m = Centre(min->BoundsRect);
    SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, m.X, m.Y));
    EXPECT_EQ(f->HotObject, min);
    EXPECT_EQ(close->State, NCStateNormal);
    EXPECT_EQ(min->State, NCStateHot);

    // The cursor is elsewhere: the next tick of the hover timer ends it.
    const auto start = Clock::now();
    ASSERT_TRUE(PumpUntil([&] { return f->HotObject == nullptr; }, milliseconds(1500)));
    EXPECT_LT(Clock::now() - start, milliseconds(700));
    EXPECT_EQ(min->State, NCStateNormal);
    EXPECT_EQ(ShownMismatches(w, *min, NCStateNormal), 0);
    EXPECT_EQ(ShownMismatches(w, *close, NCStateNormal), 0);

    // Over the caption text, away from every button, nothing is hot.
    SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, c.X, c.Y));
    SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, ScreenPoint(w, 300, 12));
    EXPECT_EQ(f->HotObject, nullptr);
    EXPECT_EQ(close->State, NCStateNormal);
}

TEST_F(SkinnedTest, ClickOnCloseClosesThroughTheSystemCommand)
{
    auto form = RecordingMainForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ParkCursor();
    TWinSysButton* close = VisibleButtonOfAction(*f, 0);
    ASSERT_NE(close, nullptr);
    const TPoint c = Centre(close->BoundsRect);
    SendMessageA(form->Handle(), WM_NCLBUTTONDOWN, HTCLOSE, ScreenPoint(form->Handle(), c.X, c.Y));
    EXPECT_EQ(close->State, NCStatePressed);
    EXPECT_EQ(form->Closes, 0);
    SendMessageA(form->Handle(), WM_NCLBUTTONUP, HTCLOSE, ScreenPoint(form->Handle(), c.X, c.Y));
    ASSERT_TRUE(PumpUntil([&] { return form->Closes == 1; }));
    ASSERT_FALSE(form->SysCommands.empty());
    EXPECT_EQ(form->SysCommands.front(), static_cast<UINT>(SC_CLOSE));
    EXPECT_FALSE(IsWindowVisible(form->Handle()));
}

TEST_F(SkinnedTest, MinimizeButtonMinimizesAndDisabledMaximizeDoesNothing)
{
    auto form = RecordingMainForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ParkCursor();
    const HWND w = form->Handle();
    Click(w, Centre(VisibleButtonOfAction(*f, 1)->BoundsRect));
    Pump(milliseconds(50));
    EXPECT_TRUE(form->SysCommands.empty());
    EXPECT_FALSE(IsZoomed(w));

    Click(w, Centre(VisibleButtonOfAction(*f, 2)->BoundsRect));
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(w) != 0; }));
    EXPECT_EQ(f->WindowState, swsMin);
    ShowWindow(w, SW_RESTORE);
    Pump(milliseconds(20));
    EXPECT_EQ(f->WindowState, swsNormal);
    EXPECT_EQ(ClientRectOf(w), Rect(0, 0, 754, 500));
}

TEST_F(SkinnedTest, CaptionDoubleClickMaximizesARestoresAndMaximizedCaptionDoesNotMove)
{
    auto form = MonitorShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ParkCursor();
    const HWND w = form->Handle();
    const TRect normal = WindowRectOf(w);
    const TRect client = ClientRectOf(w);
    SendMessageA(w, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenPoint(w, normal.Width() / 2, 12));
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(w) != 0; }));
    EXPECT_EQ(f->WindowState, swsMax);
    // The restore button takes the maximize button's place.
    f->UpdateNc();
    TWinSysButton* restore = VisibleButtonOfAction(*f, 1);
    ASSERT_NE(restore, nullptr);
    EXPECT_EQ(restore->SkinObject->Visibility, 1);

    const TRect maxed = WindowRectOf(w);
    SendMessageA(w, WM_NCLBUTTONDOWN, HTCAPTION, ScreenPoint(w, maxed.Width() / 2, 12));
    SendMessageA(w, WM_NCLBUTTONUP, HTCAPTION, ScreenPoint(w, maxed.Width() / 2, 12));
    Pump(milliseconds(30));
    EXPECT_EQ(WindowRectOf(w), maxed);
    EXPECT_TRUE(IsZoomed(w));

    SendMessageA(w, WM_NCLBUTTONDBLCLK, HTCAPTION, ScreenPoint(w, maxed.Width() / 2, 12));
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(w); }));
    EXPECT_EQ(f->WindowState, swsNormal);
    EXPECT_EQ(WindowRectOf(w), normal);
    EXPECT_EQ(ClientRectOf(w), client);
}

TEST_F(SkinnedTest, SecondClickOnTheIconWithinDoubleClickTimeCloses)
{
    auto form = RecordingMainForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ParkCursor();
    TWinSysButton* icon = VisibleButtonOfAction(*f, 3);
    ASSERT_NE(icon, nullptr);
    const TPoint c = Centre(icon->BoundsRect);
    TMenuCloser closer;
    Click(form->Handle(), c); // pops the system menu, which the closer takes away
    EXPECT_EQ(TMenuCloser::Shown, 1);
    EXPECT_EQ(form->Closes, 0);
    EXPECT_NE(f->LastSysMenuTime, 0u);
    Click(form->Handle(), c);
    ASSERT_TRUE(PumpUntil([&] { return form->Closes == 1; }));

    // A double click on the icon closes as well, through SC_CLOSE.
    form->Show();
    ASSERT_TRUE(PumpUntil([&] { return f->FrameState == FrameSkinned; }));
    form->SysCommands.clear();
    SendMessageA(form->Handle(), WM_NCLBUTTONDBLCLK, HTSYSMENU, ScreenPoint(form->Handle(), c.X, c.Y));
    ASSERT_TRUE(PumpUntil([&] { return form->Closes == 2; }));
    ASSERT_FALSE(form->SysCommands.empty());
    EXPECT_EQ(form->SysCommands.front(), static_cast<UINT>(SC_CLOSE));
}

TEST_F(SkinnedTest, ButtonOfUnknownActionPostsItToTheWindow)
{
    // A skin with a sixth button of action 5 left of the minimize button.
    auto extra = std::make_unique<TDataSkinSysButton>("Button6");
    extra->Image->Assign(data.SysButtons[0]->Image.get());
    extra->Frame = data.SysButtons[0]->Frame;
    extra->Action = 5;
    extra->Align = 1;
    extra->Xcoord = 80;
    extra->Ycoord = 6;
    data.SysButtons.insert(data.SysButtons.begin(), std::move(extra));
    {
        auto form = RecordingMainForm();
        TWinSkinForm* f = Skin(*form);
        ASSERT_NE(f, nullptr);
        ParkCursor();
        f->UpdateNc();
        TWinSysButton* b = VisibleButtonOfAction(*f, 5);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(TRect(b->BoundsRect).Left, WindowRectOf(form->Handle()).Width() - 80);
        Click(form->Handle(), Centre(b->BoundsRect));
        ASSERT_TRUE(PumpUntil([&] { return !form->Actions.empty(); }));
        EXPECT_EQ(form->Actions.front(), 5);
        EXPECT_EQ(form->Closes, 0);
    }
    data.SysButtons.erase(data.SysButtons.begin());
}

TEST_F(SkinnedTest, AltSpaceIsNeverHalfOfADoubleClick)
{
    // Keys typed ahead while the window was busy arrive together: Alt+Space
    // twice pops the menu twice and, with the cursor resting on the icon,
    // closes nothing; nor does a click on the icon right after a key's menu
    // count as the second click of a double click.
    auto form = RecordingMainForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    const HWND w = form->Handle();
    TWinSysButton* icon = VisibleButtonOfAction(*f, 3);
    ASSERT_NE(icon, nullptr);
    const TPoint c = Centre(icon->BoundsRect);
    const LPARAM onIcon = ScreenPoint(w, c.X, c.Y);
    SetCursorPos(GET_X_LPARAM(onIcon), GET_Y_LPARAM(onIcon));
    SendMessageA(w, WM_NCMOUSEMOVE, HTCAPTION, onIcon);
    ASSERT_EQ(f->HotObject, icon);
    TMenuCloser closer;
    SendMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    SendMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    EXPECT_EQ(TMenuCloser::Shown, 2);
    Click(w, c);
    EXPECT_EQ(TMenuCloser::Shown, 3);
    Pump(milliseconds(100));
    EXPECT_EQ(form->Closes, 0);
    ParkCursor();
}

TEST_F(SkinnedTest, AltSpaceAndRightClickPopTheSkinnedSystemMenu)
{
    auto form = RecordingMainForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ParkCursor();
    const HWND w = form->Handle();
    TMenuCloser closer;
    // Alt+Space: at the client origin, and not the system's own menu too.
    SendMessageA(w, WM_SYSCOMMAND, SC_KEYMENU, ' ');
    EXPECT_EQ(TMenuCloser::Shown, 1);
    POINT origin{0, 0};
    ClientToScreen(w, &origin);
    EXPECT_EQ(TMenuCloser::LastRect.TopLeft(), Point(origin.x, origin.y));
    Pump(milliseconds(600)); // beyond the double-click time

    const TRect wr = WindowRectOf(w);
    EXPECT_EQ(SendMessageA(w, WM_NCRBUTTONDOWN, HTCAPTION, ScreenPoint(w, 300, 12)), 0);
    EXPECT_EQ(TMenuCloser::Shown, 2);
    EXPECT_EQ(TMenuCloser::LastRect.TopLeft(), Point(wr.Left + 300, wr.Top + 12));
    EXPECT_EQ(form->Closes, 0);
}

// An MDI frame whose child is maximized: the child's three buttons stand at
// the menu band's right end, painted from the skin's MDI button strip, and
// the bar's own buttons end at least 5 pixels before them.
TEST_F(SkinnedTest, AMaximizedMDIChildsButtonsStandInTheMenuBand)
{
    auto form = MonitorShapedForm();
    auto* menu = new TMainMenu(form.get());
    for (const char* caption : {"&File", "&Window"}) {
        auto* item = new TMenuItem(nullptr);
        item->SetCaption(caption);
        menu->Items()->Add(item);
    }
    form->SetMenu(menu);
    CLIENTCREATESTRUCT ccs{};
    HWND client = CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 100, 100, form->Handle(),
                                  nullptr, MainInstance(), &ccs);
    ASSERT_NE(client, nullptr);
    manager->MDIChildMax = true;
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->FormStyle, sfsMDIform);
    ASSERT_NE(f->MenuHeight, 0);
    ParkCursor();
    auto shot = PaintedFrame(form->Handle());
    const int w = WindowRectOf(form->Handle()).Width();

    int leftmost = w;
    for (int i = 0; i < 3; ++i) {
        TWinSysButton* b = ButtonOfAction(*f, 7 + i, 100);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->Visible) << 7 + i;
        // The strip is 156 pixels wide: three buttons of four 13-pixel frames,
        // each 17 pixels further left than the one after it.
        const TRect r = b->BoundsRect;
        EXPECT_EQ(r, Bounds(w - 17 * (3 - i) - f->FrameRight, f->FrameTop + (f->MenuHeight - 13) / 2, 13, 13));
        leftmost = std::min(leftmost, r.Left);
        // Frame 1 of the button's image, the magenta key left out.
        TBitmap* img = b->SkinObject->Image.get();
        int same = 0, inked = 0;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 13; ++x) {
                const TColor want = img->Canvas()->GetPixel(x, y);
                if (want == clFuchsia) continue;
                ++inked;
                same += shot->Canvas()->GetPixel(r.Left + x, r.Top + y) == want;
            }
        ASSERT_GT(inked, 0);
        EXPECT_EQ(same, inked) << "button of action " << 7 + i;
    }
    TWinSkinMenu* bar = f->Menus().MenuBar();
    ASSERT_NE(bar, nullptr);
    for (auto& b : bar->Buttons)
        if (!TRect(b->BoundsRect).IsEmpty()) {
            EXPECT_LE(b->BoundsRect.right, leftmost - 5);
        }
    DestroyWindow(client);
}
