// The memo's skinned scroll bars, driven with real mouse input where the
// system's own scroll-bar tracking has to run: the overlays follow the bars,
// a dragged thumb moves with the cursor and scrolls the memo as the system
// bar does, a held arrow shows its pressed frame, the corner is filled, a
// disabled memo shows dead tracks. Then releasing everything twice, and the
// paint figures.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <set>
#include <thread>
#include <vector>

#include "framework/extctrls.h"
#include "framework/stdctrls.h"
#include "skin/winskinedit.h"
#include "skin/winskinscroll.h"
#include "tests/win/skin_edit_testing.h"

using namespace skinedittest;

namespace {

void MouseTo(int x, int y)
{
    SetCursorPos(x, y);
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    in.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof in);
}

void LeftButton(bool down)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &in, sizeof in);
}

// Plays `script` on another thread while this one pumps messages (the
// system's scroll-bar tracking runs its own loop inside our message
// handling, so the input must come from elsewhere).
void PlayInput(const std::function<void()>& script)
{
    std::atomic<bool> done{false};
    std::thread t([&] {
        Sleep(50);
        script();
        done = true;
    });
    while (!done)
        Pump(5);
    t.join();
    Pump(50);
}

// The screen's pixels of a rectangle given in screen coordinates.
std::unique_ptr<TBitmap> GrabScreen(const RECT& r)
{
    return Grab(GetDesktopWindow(), Rect(r.left, r.top, r.right, r.bottom));
}

// The source position a destination pixel comes from when a frame of size
// `frameSize` is nine-sliced to `size` with unscaled ends `first` and `last`
// (dropped when they do not fit): exact in the ends, and in the middle the
// scaled position give or take one pixel, whichever way the scaling rounds.
std::pair<int, int> SourceRange(int at, int size, int first, int last, int frameSize)
{
    if (size < first + last || frameSize < first + last) first = last = 0;
    if (at < first) return {at, at};
    if (at >= size - last) return {frameSize - (size - at), frameSize - (size - at)};
    const int mid = size - first - last, srcMid = frameSize - first - last;
    const int mapped = first + (at - first) * srcMid / mid;
    return {std::max(first, mapped - 1), std::min(frameSize - last - 1, mapped + 1)};
}

// Whether shown is frame `frame` of image nine-sliced (stretched) to shown's
// size with margins, judged from the image's own pixels: every pixel must be
// one the frame holds where the slicing maps it, the key colour showing face.
bool ShowsFrame(TBitmap& shown, TBitmap& image, int frames, int frame, const TRect& margins, TColor face)
{
    const int fw = image.GetWidth() / frames, fh = image.GetHeight(), sx = fw * (frame - 1);
    for (int y = 0; y < shown.GetHeight(); ++y) {
        const auto [y0, y1] = SourceRange(y, shown.GetHeight(), margins.Top, margins.Bottom, fh);
        for (int x = 0; x < shown.GetWidth(); ++x) {
            const auto [x0, x1] = SourceRange(x, shown.GetWidth(), margins.Left, margins.Right, fw);
            const TColor got = shown.Canvas()->GetPixel(x, y);
            bool found = false;
            for (int v = y0; v <= y1 && !found; ++v)
                for (int u = x0; u <= x1 && !found; ++u) {
                    const TColor c = image.Canvas()->GetPixel(sx + u, v);
                    found = (c == SkinKeyColor ? face : c) == got;
                }
            if (!found) return false;
        }
    }
    return true;
}

SCROLLBARINFO BarInfo(HWND wnd, LONG id)
{
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(wnd, id, &info);
    return info;
}

class SkinScroll : public SkinnedForm {
protected:
    TMemo* AddMemo(int x, int y, TScrollStyle bars, int lines = 200)
    {
        auto* m = new TMemo(form.get());
        m->SetParent(form.get());
        m->SetBounds(x, y, 150, 160);
        m->SetScrollBars(bars);
        m->SetWordWrap(false);
        for (int i = 0; i < lines; ++i)
            m->Lines()->Add("line " + std::to_string(i) + " of a log wide enough to need scrolling sideways");
        return m;
    }
    TSkinScrollbar* Skinned(TMemo* m)
    {
        auto* obj = dynamic_cast<TSkinScrollbar*>(List().FindObject(m));
        return obj;
    }
    // The vertical bar's thumb top in a grabbed column of the bar: the first
    // row below the first arrow that differs from the track's row at ref.
    static int ThumbTop(TBitmap& bar, int arrow, int ref)
    {
        const int x = bar.GetWidth() / 2;
        const TColor track = bar.Canvas()->GetPixel(x, ref);
        for (int y = arrow + 3; y < bar.GetHeight() - arrow; ++y)
            if (bar.Canvas()->GetPixel(x, y) != track) return y;
        return -1;
    }
    // Which of the frames the shown arrow is (the whole frame stretched to
    // the arrow square); 0 when none or more than one fits.
    int ArrowFrame(TBitmap& shown, std::initializer_list<int> frames)
    {
        int found = 0;
        for (int f : frames)
            if (ShowsFrame(shown, *data->Scrollbar->Image, 23, f, TRect{}, Face())) {
                if (found) return 0;
                found = f;
            }
        return found;
    }
};

TEST_F(SkinScroll, VerticalOverlayLiesOverTheBarOnlyWhileTheBarIsShown)
{
    auto* memo = AddMemo(20, 20, ssVertical);
    ShowForm();
    List().InitControls(form.get());
    TSkinScrollbar* obj = Skinned(memo);
    ASSERT_NE(obj, nullptr);
    ASSERT_NE(obj->VScroll, nullptr);
    HWND w = memo->Handle();
    auto overlayOverBar = [&] {
        RECT o, b = BarInfo(w, OBJID_VSCROLL).rcScrollBar;
        GetWindowRect(obj->VScroll->Handle(), &o);
        return EqualRect(&o, &b) && IsWindowVisible(obj->VScroll->Handle());
    };
    EXPECT_TRUE(overlayOverBar());
    // The sunken edge is replaced: shadow at the edge, face inside it.
    EXPECT_EQ(PixelOf(w, 0, 60, true), Rgb(Shadow()));
    EXPECT_EQ(PixelOf(w, 1, 60, true), Rgb(Face()));
    EXPECT_EQ(PixelOf(w, 60, 0, true), Rgb(Shadow()));
    EXPECT_FALSE(obj->HScroll->Shown);
    EXPECT_FALSE(IsWindowVisible(obj->HScroll->Handle()));
    // Above the memo, so the memo's own bar never paints over it.
    HWND above = GetWindow(w, GW_HWNDPREV);
    EXPECT_TRUE(above == obj->VScroll->Handle() || above == obj->HScroll->Handle());

    ShowScrollBar(w, SB_VERT, FALSE);
    Pump();
    EXPECT_FALSE(obj->VScroll->Shown);
    EXPECT_FALSE(IsWindowVisible(obj->VScroll->Handle()));
    ShowScrollBar(w, SB_VERT, TRUE);
    Pump();
    EXPECT_TRUE(overlayOverBar());

    memo->Hide();
    Pump();
    EXPECT_FALSE(IsWindowVisible(obj->VScroll->Handle()));
    memo->Show();
    Pump();
    EXPECT_TRUE(overlayOverBar());

    // Moved and resized with the memo.
    memo->SetBounds(30, 30, 180, 120);
    Pump();
    EXPECT_TRUE(overlayOverBar());
}

TEST_F(SkinScroll, DraggedThumbFollowsTheCursorAndScrollsAsTheSystemBarDoes)
{
    auto* skinned = AddMemo(20, 20, ssVertical);
    // The memo compared with stays unskinned.
    auto* plain = AddMemo(190, 20, ssVertical);
    plain->Tag = data->DisableTag;
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(Skinned(skinned), nullptr);
    ASSERT_EQ(List().FindObject(plain), nullptr);

    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    auto drag = [&](TMemo* memo, std::unique_ptr<TBitmap>* during) {
        const SCROLLBARINFO info = BarInfo(memo->Handle(), OBJID_VSCROLL);
        const RECT& bar = info.rcScrollBar;
        const int x = (bar.left + bar.right) / 2;
        const int y = bar.top + (info.xyThumbTop + info.xyThumbBottom) / 2;
        PlayInput([&] {
            MouseTo(x, y);
            Sleep(30);
            LeftButton(true);
            Sleep(60);
            for (int step = 1; step <= 8; ++step) {
                MouseTo(x, y + 5 * step);
                Sleep(25);
            }
            Sleep(80);
            if (during) *during = GrabScreen(bar);
            LeftButton(false);
            Sleep(30);
        });
    };
    const SCROLLBARINFO info0 = BarInfo(skinned->Handle(), OBJID_VSCROLL);
    const RECT bar = info0.rcScrollBar;
    auto before = GrabScreen(bar);
    const int ref = before->GetHeight() - arrow - 4;
    const int top0 = info0.xyThumbTop;
    ASSERT_GE(top0, arrow);

    std::unique_ptr<TBitmap> during;
    drag(skinned, &during);
    drag(plain, nullptr);
    const int firstSkinned = static_cast<int>(SendMessageW(skinned->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
    const int firstPlain = static_cast<int>(SendMessageW(plain->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
    EXPECT_GT(firstSkinned, 0);
    EXPECT_EQ(firstSkinned, firstPlain);

    ASSERT_TRUE(during);
    const int topDuring = ThumbTop(*during, arrow, ref);
    EXPECT_NEAR(topDuring, top0 + 40, 2) << "the skinned thumb follows the cursor while dragged";
    auto after = GrabScreen(bar);
    EXPECT_NEAR(ThumbTop(*after, arrow, ref), topDuring, 3);
}

TEST_F(SkinScroll, HeldArrowShowsItsPressedFrame)
{
    auto* memo = AddMemo(20, 20, ssVertical);
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(Skinned(memo), nullptr);
    const RECT bar = BarInfo(memo->Handle(), OBJID_VSCROLL).rcScrollBar;
    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    const int cross = bar.right - bar.left;
    const RECT down{bar.left, bar.bottom - arrow, bar.right, bar.bottom};
    (void)cross;
    auto frameOf = [&](TBitmap& shown) { return ArrowFrame(shown, {13, 14, 16}); };
    Pump();
    auto rest = GrabScreen(down);
    EXPECT_EQ(frameOf(*rest), 13);
    // Under the mouse: the hot frame, until the mouse leaves.
    TWScrollbar& overlay = *Skinned(memo)->VScroll;
    SendMessageW(overlay.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(cross / 2, bar.bottom - bar.top - arrow / 2));
    Pump();
    EXPECT_EQ(frameOf(*GrabScreen(down)), 16);
    SendMessageW(overlay.Handle(), WM_MOUSELEAVE, 0, 0);
    Pump();
    EXPECT_EQ(frameOf(*GrabScreen(down)), 13);

    std::unique_ptr<TBitmap> held;
    PlayInput([&] {
        MouseTo((down.left + down.right) / 2, (down.top + down.bottom) / 2);
        Sleep(30);
        LeftButton(true);
        Sleep(300);
        held = GrabScreen(down);
        LeftButton(false);
        Sleep(30);
    });
    ASSERT_TRUE(held);
    EXPECT_EQ(frameOf(*held), 14);
    EXPECT_GT(SendMessageW(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 0)
        << "the system scrolled meanwhile";
}

// The default skin's grips are drawn 17 pixels square; the system's bar is
// 16 wide under Wine (17 on Windows). A grip that does not fit its thumb is
// drawn scaled down to it rather than left out.
TEST_F(SkinScroll, TheThumbShowsItsGripWhenTheArtIsWiderThanTheBar)
{
    auto* memo = AddMemo(20, 20, ssVertical, 30);
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(Skinned(memo), nullptr);
    Pump();
    const SCROLLBARINFO info = BarInfo(memo->Handle(), OBJID_VSCROLL);
    const RECT& bar = info.rcScrollBar;
    const RECT thumb{bar.left, bar.top + info.xyThumbTop, bar.right, bar.top + info.xyThumbBottom};
    TBitmap& strip = *data->Scrollbar->Image;
    const int gw = strip.GetWidth() / 23, gh = strip.GetHeight();
    ASSERT_GT(thumb.bottom - thumb.top, gh) << "a thumb long enough for its grip";

    // Colours of the grip's frame (20) that the thumb's and the track's
    // frames do not have: where they show, the grip is drawn.
    std::set<TColor> grip;
    for (int y = 0; y < gh; ++y)
        for (int x = 0; x < gw; ++x)
            grip.insert(strip.Canvas()->GetPixel(19 * gw + x, y));
    auto drop = [&](TBitmap& image, int frames, int frame) {
        const int fw = image.GetWidth() / frames;
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < fw; ++x)
                grip.erase(image.Canvas()->GetPixel((frame - 1) * fw + x, y));
    };
    drop(*data->VertScrollThumb->Image, data->VertScrollThumb->Frame, 1);
    drop(*data->VertScroll->Image, data->VertScroll->Frame, 1);
    grip.erase(SkinKeyColor);
    grip.erase(Face());
    ASSERT_FALSE(grip.empty()) << "the grip has colours of its own";

    auto shown = GrabScreen(thumb);
    int gripPixels = 0;
    for (int y = 0; y < shown->GetHeight(); ++y)
        for (int x = 0; x < shown->GetWidth(); ++x)
            gripPixels += grip.count(shown->Canvas()->GetPixel(x, y)) ? 1 : 0;
    EXPECT_GE(gripPixels, 8) << "grip colours on a thumb " << thumb.right - thumb.left << " wide";
}

TEST_F(SkinScroll, CornerBetweenTwoBarsIsFilledAndDisabledMemoShowsDeadTracks)
{
    auto* memo = AddMemo(20, 20, ssBoth);
    ShowForm();
    List().InitControls(form.get());
    TSkinScrollbar* obj = Skinned(memo);
    ASSERT_NE(obj, nullptr);
    HWND w = memo->Handle();
    ASSERT_TRUE(obj->HScroll->Shown);
    ASSERT_TRUE(obj->VScroll->Shown);
    const RECT v = BarInfo(w, OBJID_VSCROLL).rcScrollBar, h = BarInfo(w, OBJID_HSCROLL).rcScrollBar;
    Pump();
    // The system's bar rectangles overlap each other by a pixel: the corner
    // is what neither covers.
    auto corner = GrabScreen(RECT{h.right, v.bottom, v.right, h.bottom});
    ASSERT_GT(corner->GetWidth() * corner->GetHeight(), 0);
    for (int y = 0; y < corner->GetHeight(); ++y)
        for (int x = 0; x < corner->GetWidth(); ++x)
            ASSERT_EQ(corner->Canvas()->GetPixel(x, y), Face()) << x << "," << y;

    // Disabled: the track in its third frame from end to end, no thumb.
    const int arrow = GetSystemMetrics(SM_CXHSCROLL);
    const int cross = v.right - v.left, length = v.bottom - v.top;
    TDataSkinObject& track = *data->VertScroll;
    ASSERT_EQ(track.Tile, 0) << "the check below reads a stretched middle";
    (void)cross, (void)length;
    auto trackShown = [&] { return GrabScreen(RECT{v.left, v.top + arrow, v.right, v.bottom - arrow}); };
    auto deadTrack = [&] {
        return ShowsFrame(*trackShown(), *track.Image, track.Frame, 3, track.Margins, Face());
    };
    EXPECT_FALSE(deadTrack()) << "enabled: a thumb on a live track";
    memo->SetEnabled(false);
    Pump();
    EXPECT_TRUE(deadTrack());
    memo->SetEnabled(true);
    Pump();
    EXPECT_FALSE(deadTrack());
}

TEST_F(SkinScroll, MemoThatRecreatesItsWindowIsSkinnedAfreshWithoutLeftovers)
{
    auto* memo = AddMemo(20, 20, ssVertical);
    ShowForm();
    List().InitControls(form.get());
    ASSERT_NE(Skinned(memo), nullptr);
    const int windows = TResourceCount::Windows;
    HWND old = memo->Handle();
    memo->RecreateWnd();
    ASSERT_NE(memo->Handle(), old);
    // The frame is told, and replaces the object of the old window.
    MSG msg;
    ASSERT_TRUE(
        PeekMessageW(&msg, form->Handle(), WM_SKIN_CONTROLRECREATED, WM_SKIN_CONTROLRECREATED, PM_REMOVE));
    EXPECT_EQ(reinterpret_cast<HWND>(msg.wParam), old);
    List().Reattach(old);
    TSkinScrollbar* fresh = Skinned(memo);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(fresh->hwnd, memo->Handle());
    Pump();
    RECT o, b = BarInfo(memo->Handle(), OBJID_VSCROLL).rcScrollBar;
    GetWindowRect(fresh->VScroll->Handle(), &o);
    EXPECT_TRUE(EqualRect(&o, &b));
    EXPECT_TRUE(IsWindowVisible(fresh->VScroll->Handle()));
    EXPECT_EQ(TResourceCount::Windows, windows) << "the old overlays went with the old object";
}

TEST_F(SkinScroll, AttachingAndReleasingTwiceLeavesEveryControlWorking)
{
    auto* memo = AddMemo(20, 20, ssBoth, 100);
    auto* box = new TCheckBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(190, 20, 120, 17);
    auto* edit = new TEdit(form.get());
    edit->SetParent(form.get());
    edit->SetBounds(190, 50, 60, 21);
    auto* ud = new TUpDown(form.get());
    ud->SetParent(form.get());
    ud->SetBounds(252, 50, 16, 21);
    ud->SetAssociate(edit);
    auto* panel = new TPanel(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(190, 80, 120, 40);
    auto* group = new TGroupBox(form.get());
    group->SetParent(form.get());
    group->SetBounds(190, 130, 120, 60);
    ShowForm();
    const int windows0 = TResourceCount::Windows, gdi0 = TResourceCount::GdiObjects;
    const std::vector<TWinControl*> controls{memo, box, edit, ud, panel, group};
    int gdiReleased = -1;

    for (int round = 0; round < 2; ++round) {
        List().InitControls(form.get());
        EXPECT_EQ(List().Count(), 6) << round;
        EXPECT_EQ(TResourceCount::Windows, windows0 + 2) << "the two overlays";
        Pump();
        List().DeleteControls();
        Pump();
        EXPECT_EQ(TResourceCount::Windows, windows0) << round;
        // Recolouring drops a control's brush until it is next needed, so
        // the first release may end a handle below the start; the second
        // must end where the first did.
        EXPECT_LE(TResourceCount::GdiObjects, gdi0) << round;
        if (round == 1) {
            EXPECT_EQ(TResourceCount::GdiObjects, gdiReleased);
        }
        gdiReleased = TResourceCount::GdiObjects;
        for (TWinControl* c : controls)
            EXPECT_EQ(c->Perform(WM_SKIN_CONTROLSKINNED), 0)
                << c->ClassName() << " still hooked, round " << round;
        // Each still does its work.
        box->SetChecked(!box->GetChecked());
        EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0),
                  box->GetChecked() ? BST_CHECKED : BST_UNCHECKED);
        ud->SetPosition(static_cast<int16_t>(round + 3));
        EXPECT_EQ(edit->GetText(), std::to_string(round + 3));
        SendMessageW(memo->Handle(), EM_LINESCROLL, 0, 5);
        EXPECT_EQ(SendMessageW(memo->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0), 5 * (round + 1));
        EXPECT_EQ(panel->GetColor(), clBtnFace);
    }
}

TEST_F(SkinScroll, PaintFigures)
{
    auto* memo = AddMemo(20, 20, ssVertical);
    auto* box = new TCheckBox(form.get());
    box->SetParent(form.get());
    box->SetBounds(190, 20, 120, 17);
    box->SetCaption("Auto brightness");
    box->SetChecked(true);
    ShowForm();
    List().InitControls(form.get());
    TSkinScrollbar* obj = Skinned(memo);
    ASSERT_NE(obj, nullptr);
    auto median = [](const std::function<void()>& paint) {
        std::vector<double> ms;
        for (int i = 0; i < 200; ++i) {
            const auto t0 = Clock::now();
            paint();
            ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
        }
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    };
    const double check = median(
        [&] { RedrawWindow(box->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW); });
    const double overlay = median([&] { obj->VScroll->Repaint(); });
    std::printf("[ figures  ] skinned check box paint: median %.3f ms; memo's vertical overlay paint: median "
                "%.3f ms (200 paints each)\n",
                check, overlay);
    RecordProperty("check_box_paint_ms", std::to_string(check));
    RecordProperty("scroll_overlay_paint_ms", std::to_string(overlay));
}

} // namespace

namespace {

TEST(SkinScrollGeometry, PartsAlongTheBarAndTheDraggedThumbStaysBetweenTheArrows)
{
    const TScrollGeometry g{200, 16, 60, 90};
    EXPECT_EQ(ScrollHitPart(0, g), sbpFirstArrow);
    EXPECT_EQ(ScrollHitPart(15, g), sbpFirstArrow);
    EXPECT_EQ(ScrollHitPart(16, g), sbpPageBefore);
    EXPECT_EQ(ScrollHitPart(60, g), sbpThumb);
    EXPECT_EQ(ScrollHitPart(89, g), sbpThumb);
    EXPECT_EQ(ScrollHitPart(90, g), sbpPageAfter);
    EXPECT_EQ(ScrollHitPart(184, g), sbpSecondArrow);
    EXPECT_EQ(DraggedThumbStart(60, 25, g), 85);
    EXPECT_EQ(DraggedThumbStart(60, -100, g), 16);
    EXPECT_EQ(DraggedThumbStart(60, 500, g), 200 - 16 - 30);
    // A bar too short for its thumb keeps it after the first arrow.
    EXPECT_EQ(DraggedThumbStart(16, 10, TScrollGeometry{50, 16, 16, 40}), 16);
    EXPECT_EQ(ScrollPartOfRequest(SB_ENDSCROLL), sbpNone);
    EXPECT_EQ(ScrollPartOfRequest(SB_THUMBPOSITION), sbpNone);
}

} // namespace
