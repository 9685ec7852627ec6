// The skinned frame under Wine: geometry of the main window with our skin,
// what is painted and cut out, skin changes, switching the skin off and on,
// message boxes, and that a hundred skinned windows leave nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "skin/winskinimage.h"
#include "tests/win/gdi_system_count.h"
#include "tests/win/skin_frame_testing.h"

using namespace frametest;

namespace {

// The pixels of frame `frame` of a button image, compared with what was
// painted at (x, y); magenta source pixels are not drawn and not compared.
int Mismatches(TBitmap& painted, int x, int y, TDataSkinSysButton& obj, int frame)
{
    const int w = obj.Image->GetWidth() / obj.Frame, h = obj.Image->GetHeight();
    int bad = 0;
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) {
            const TColor src = obj.Image->Canvas()->GetPixel((frame - 1) * w + i, j);
            if (src == SkinKeyColor) continue;
            if (painted.Canvas()->GetPixel(x + i, y + j) != src) ++bad;
        }
    return bad;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

TEST_F(SkinnedTest, MainWindowGetsTheSkinGeometryAndKeepsItsClientSize)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->Border, sbsSingle);
    EXPECT_EQ(f->FrameLeft, 4);
    EXPECT_EQ(f->FrameRight, 4);
    EXPECT_EQ(f->FrameTop, 25);
    EXPECT_EQ(f->FrameBottom, 4);
    EXPECT_EQ(ClientRectOf(form->Handle()), Rect(0, 0, 754, 500));
    const TRect wr = WindowRectOf(form->Handle());
    EXPECT_EQ(wr.Width(), 754 + 8);
    EXPECT_EQ(wr.Height(), 500 + 29);
    // The client area starts right under the caption bar.
    POINT origin{0, 0};
    ClientToScreen(form->Handle(), &origin);
    EXPECT_EQ(origin.x - wr.Left, 4);
    EXPECT_EQ(origin.y - wr.Top, 25);

    const int W = wr.Width();
    TWinSysButton* close = VisibleButtonOfAction(*f, 0);
    TWinSysButton* max = VisibleButtonOfAction(*f, 1);
    TWinSysButton* min = VisibleButtonOfAction(*f, 2);
    TWinSysButton* icon = VisibleButtonOfAction(*f, 3);
    ASSERT_TRUE(close && max && min && icon);
    EXPECT_EQ(TRect(close->BoundsRect), Bounds(W - 20, 6, 16, 18));
    EXPECT_EQ(TRect(max->BoundsRect), Bounds(W - 38, 6, 16, 18));
    EXPECT_EQ(TRect(min->BoundsRect), Bounds(W - 56, 6, 16, 18));
    EXPECT_EQ(TRect(icon->BoundsRect).TopLeft(), Point(8, 7));
    EXPECT_FALSE(max->Enabled); // no maximize box
    EXPECT_TRUE(min->Enabled);
    EXPECT_EQ(max->SkinObject->Visibility, 2);        // the maximize, not the restore button
    EXPECT_EQ(VisibleButtonOfAction(*f, 4), nullptr); // help
    TWinSysButton* restore = ButtonOfAction(*f, 1, 1);
    ASSERT_NE(restore, nullptr);
    EXPECT_FALSE(restore->Visible);

    // Close and minimize show their first frame, the disabled maximize its fourth.
    auto painted = PaintedFrame(form->Handle());
    EXPECT_EQ(Mismatches(*painted, W - 20, 6, *close->SkinObject, 1), 0);
    EXPECT_EQ(Mismatches(*painted, W - 56, 6, *min->SkinObject, 1), 0);
    EXPECT_EQ(Mismatches(*painted, W - 38, 6, *max->SkinObject, 4), 0);
    EXPECT_GT(Mismatches(*painted, W - 38, 6, *max->SkinObject, 1), 20);

    // The caption text is drawn in the active title colour, left of the buttons.
    const TColor title = data.Colors[csTitleTextActive];
    int titlePixels = 0;
    for (int y = 4; y < 22; ++y)
        for (int x = 24; x < f->CaptionRect.Right; ++x)
            if (painted->Canvas()->GetPixel(x, y) == title) ++titlePixels;
    EXPECT_GT(titlePixels, 20);
    EXPECT_LE(f->CaptionRect.Right, W - 4 - data.Title->Margins.Right);

    // The region leaves out the magenta corners and keeps the rest.
    TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(GetWindowRgn(form->Handle(), rgn.Get()), ERROR);
    EXPECT_FALSE(PtInRegion(rgn.Get(), 0, 0));
    EXPECT_FALSE(PtInRegion(rgn.Get(), W - 1, 0));
    EXPECT_TRUE(PtInRegion(rgn.Get(), W / 2, 12));
    EXPECT_TRUE(PtInRegion(rgn.Get(), W / 2, wr.Height() / 2));
    EXPECT_TRUE(PtInRegion(rgn.Get(), W / 2, wr.Height() - 1));
}

TEST_F(SkinnedTest, InactiveFrameDrawsSecondBorderFrameAndDisabledButtons)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    auto active = PaintedFrame(form->Handle());
    SendMessageA(form->Handle(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_FALSE(f->Active);
    auto inactive = PaintedFrame(form->Handle());
    const int W = WindowRectOf(form->Handle()).Width();
    TWinSysButton* close = VisibleButtonOfAction(*f, 0);
    EXPECT_EQ(Mismatches(*inactive, W - 20, 6, *close->SkinObject, 4), 0);
    EXPECT_NE(active->Canvas()->GetPixel(W / 2, 12), inactive->Canvas()->GetPixel(W / 2, 12));
    SendMessageA(form->Handle(), WM_NCACTIVATE, TRUE, 0);
    EXPECT_TRUE(f->Active);
}

TEST_F(SkinnedTest, LongCaptionEndsInsideTheCaptionBarAndResizingToSameSizeKeepsRegion)
{
    auto form = MainShapedForm(std::string(300, 'W'));
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    PaintedFrame(form->Handle());
    const int W = WindowRectOf(form->Handle()).Width();
    EXPECT_EQ(f->CaptionRect.Right, W - 4 - data.Title->Margins.Right);

    const int regionW = f->RegionWidth;
    f->RegionWidth = -1; // a rebuild would put the real width back
    SetWindowPos(form->Handle(), nullptr, 0, 0, W, WindowRectOf(form->Handle()).Height(),
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(f->RegionWidth, -1);
    f->RegionWidth = regionW;
    SetWindowPos(form->Handle(), nullptr, 0, 0, W + 10, WindowRectOf(form->Handle()).Height(),
                 SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(f->RegionWidth, W + 10);
}

TEST_F(SkinnedTest, DisabledTagFormStaysUnskinnedAndSkinnedWindowIsNotTakenTwice)
{
    auto tagged = MainShapedForm();
    tagged->Tag = SkinDisableTag;
    EXPECT_EQ(Skin(*tagged), nullptr);
    EXPECT_EQ(ClientRectOf(tagged->Handle()), Rect(0, 0, 754, 500));

    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(SendMessageA(form->Handle(), WM_SKIN_ISSKINNED, 0, 0), 1);
    // Another module's engine asks before it takes a window.
    TSkinManage other;
    other.AddSkinData(&data);
    other.Enabled = true;
    EXPECT_FALSE(other.AddForm(form->Handle()));
    EXPECT_EQ(ClientRectOf(form->Handle()), Rect(0, 0, 754, 500));
    EXPECT_EQ(SendMessageA(form->Handle(), WM_SKIN_IDENTIFY, 0, SkinMarker), SkinMarker);
    EXPECT_EQ(SendMessageA(form->Handle(), WM_SKIN_IDENTIFY, 0, 0), 1);
}

TEST_F(SkinnedTest, SkinOffGivesSystemFramesBackAtSameClientSizeAndOnTakesThemAgain)
{
    auto main = MainShapedForm();
    auto monitor = MonitorShapedForm();
    const TRect mainClient = ClientRectOf(main->Handle());
    const TRect monitorClient = ClientRectOf(monitor->Handle());
    ASSERT_NE(Skin(*monitor), nullptr);
    ASSERT_NE(Skin(*main), nullptr);
    EXPECT_EQ(ClientRectOf(monitor->Handle()), monitorClient);
    EXPECT_EQ(manager->FindSkinForm(monitor->Handle())->Border, sbsSizeable);

    manager->ActionData = &data;
    manager->SetAction(2, 250);
    ASSERT_TRUE(PumpUntil([&] { return manager->FormList.empty(); }));
    for (TForm* form : {main.get(), monitor.get()}) {
        EXPECT_EQ(SendMessageA(form->Handle(), WM_SKIN_ISSKINNED, 0, 0), 0);
        TRegionHandle rgn(CreateRectRgn(0, 0, 0, 0));
        EXPECT_EQ(GetWindowRgn(form->Handle(), rgn.Get()), ERROR); // no region left
        EXPECT_TRUE(GetWindowLongPtrA(form->Handle(), GWL_STYLE) & WS_SYSMENU);
    }
    EXPECT_EQ(ClientRectOf(main->Handle()), mainClient);
    EXPECT_EQ(ClientRectOf(monitor->Handle()), monitorClient);
    EXPECT_EQ(main->GetColor(), clBtnFace);

    const auto start = Clock::now();
    manager->ActionData = &data;
    manager->SetAction(1, 250);
    Pump(milliseconds(150));
    EXPECT_EQ(manager->FindSkinForm(main->Handle()), nullptr);
    ASSERT_TRUE(PumpUntil([&] {
        auto* a = manager->FindSkinForm(main->Handle());
        auto* b = manager->FindSkinForm(monitor->Handle());
        return a && b && a->FrameState == FrameSkinned && b->FrameState == FrameSkinned;
    }));
    EXPECT_GE(Clock::now() - start, milliseconds(240));
    EXPECT_EQ(ClientRectOf(main->Handle()), mainClient);
    EXPECT_EQ(WindowRectOf(main->Handle()).Height(), mainClient.Height() + 29);
}

TEST_F(SkinnedTest, SkinChangeKeepsClientSizeAndRepaints)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    int skinned = 0;
    data.OnAfterSkinForm = [&](TObject*, HWND wnd, const std::string&) { skinned += wnd == form->Handle(); };
    SendMessageA(form->Handle(), WM_SKIN_CHANGED, 0, 0);
    data.OnAfterSkinForm = nullptr;
    EXPECT_EQ(skinned, 1);
    EXPECT_EQ(f->FrameState, FrameSkinned);
    EXPECT_EQ(ClientRectOf(form->Handle()), Rect(0, 0, 754, 500));
    EXPECT_EQ(form->GetColor(), data.Colors[csButtonFace]);
}

TEST_F(SkinnedTest, MessageBoxGetsTheFrame)
{
    manager->InstallHook();
    static TSkinManage* m;
    static bool seen, framed;
    static TRect client;
    m = manager.get();
    seen = framed = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
        HWND box = nullptr;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM p) {
                char cls[16] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (std::string(cls) == "#32770" && IsWindowVisible(w)) *reinterpret_cast<HWND*>(p) = w;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&box));
        if (!box) return;
        seen = true;
        TWinSkinForm* f = m->FindSkinForm(box);
        if (f && f->FrameState == FrameSkinned) {
            framed = f->Border == sbsDialog && f->MessageDialog && f->FrameTop == 25;
            client = ClientRectOf(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    });
    MessageBoxA(nullptr, "No connect device!", "Orvane Panel", MB_OK);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(seen);
    EXPECT_TRUE(framed);
    EXPECT_FALSE(client.IsEmpty());
    manager->RemoveHook();
}

TEST_F(SkinnedTest, EmptyImagesAndZeroFrameCountsGiveNoBorderAndNoButton)
{
    TSkinData bare(nullptr);
    bare.NotLoaded = false;
    bare.BorderLeft->Image->Assign(data.BorderLeft->Image.get());
    bare.BorderLeft->Frame = 0; // an image but no frames to divide it into
    auto b = std::make_unique<TDataSkinSysButton>("Button0");
    b->Image->Assign(data.SysButtons[0]->Image.get());
    b->Frame = 0;
    b->Align = 1;
    b->Xcoord = 20;
    bare.SysButtons.push_back(std::move(b));
    manager->RemoveSkinData(&data);
    manager->AddSkinData(&bare);

    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->FrameLeft, 0);
    EXPECT_EQ(f->FrameTop, 0);
    f->UpdateNc();
    ASSERT_EQ(f->SysButtonCount(), 1);
    EXPECT_FALSE(f->SysButtons[0]->Visible);
    EXPECT_TRUE(TRect(f->SysButtons[0]->BoundsRect).IsEmpty());
    EXPECT_EQ(f->FindBtn(Point(WindowRectOf(form->Handle()).Width() - 15, 8)), nullptr);
    EXPECT_EQ(ClientRectOf(form->Handle()), Rect(0, 0, 754, 500));
    form.reset();
    manager->RemoveSkinData(&bare);
}

TEST_F(SkinnedTest, HundredSkinnedWindowsLeaveNothingBehind)
{
    auto cycle = [&] {
        auto form = MonitorShapedForm();
        TWinSkinForm* f = Skin(*form);
        ASSERT_NE(f, nullptr);
        f->UpdateNc();
        form.reset();
        manager->DeleteDeleted();
    };
    cycle();
    Pump(milliseconds(10));
    const int gdi = TResourceCount::GdiObjects, dcs = TResourceCount::DeviceContexts;
    const int windows = TResourceCount::Windows, threadWindows = ThreadWindows();
    const int system = SystemGdiObjects();
    ASSERT_GT(system, 0);
    for (int i = 0; i < 100; ++i)
        cycle();
    Pump(milliseconds(10));
    // The system's count sees what ours cannot: the windows' regions, and
    // whatever the system makes for our fonts, bitmaps and device contexts.
    EXPECT_EQ(SystemGdiObjects(), system);
    EXPECT_EQ(TResourceCount::GdiObjects, gdi);
    EXPECT_EQ(TResourceCount::DeviceContexts, dcs);
    EXPECT_EQ(TResourceCount::Windows, windows);
    EXPECT_EQ(ThreadWindows(), threadWindows);
    EXPECT_TRUE(manager->FormList.empty());
}

TEST_F(SkinnedTest, DestroyedWindowRestoresItsProcedureBeforeTheFrameGoes)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    EXPECT_NE(FindSkinFrame(form->Handle()), nullptr);
    const HWND wnd = form->Handle();
    DestroyWindow(wnd);
    EXPECT_EQ(f->FrameState, FrameReleased);
    EXPECT_EQ(manager->FindSkinForm(wnd), nullptr);
    // The form makes a new window on demand, which the frame never saw.
    EXPECT_EQ(FindSkinFrame(form->Handle()), nullptr);
}

// Figures: the cost of one full frame paint and of taking a window over.
TEST_F(SkinnedTest, FigureUpdateNcAndActivation)
{
    auto form = MainShapedForm();
    TWinSkinForm* f = Skin(*form);
    ASSERT_NE(f, nullptr);
    std::vector<double> paint, activate;
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        f->UpdateNc();
        paint.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    form.reset();
    for (int i = 0; i < 20; ++i) {
        auto other = MainShapedForm();
        other->Show();
        const auto t0 = Clock::now();
        manager->AddForm(other->Handle());
        TWinSkinForm* g = manager->FindSkinForm(other->Handle());
        ASSERT_NE(g, nullptr);
        PumpUntil([&] { return g->FrameState == FrameSkinned && g->ControlsInited; });
        activate.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::printf("[ figures ] UpdateNc of the main-window-shaped form: median %.3f ms (200 runs)\n",
                Median(paint));
    std::printf("[ figures ] activation (AddForm to frame state 1): median %.3f ms (20 runs)\n",
                Median(activate));
}
