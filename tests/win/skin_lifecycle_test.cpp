// The skin data component driving the process-wide manager: start-up from a
// form's layout, switching the skin off and on at run time, sub-managers of
// other modules and the hook for windows of other threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "components/layoutreader.h"
#include "components/layoutwriter.h"
#include "framework/forms.h"
#include "runtime/classes.h"
#include "skin/winskinform.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

void Pump(milliseconds span)
{
    auto until = Clock::now() + span;
    while (Clock::now() < until) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

template <class Pred>
bool PumpUntil(Pred done, milliseconds limit)
{
    auto until = Clock::now() + limit;
    while (Clock::now() < until) {
        if (done()) return true;
        Pump(milliseconds(5));
    }
    return done();
}

// The layout of a form whose only component is our default skin, active, as
// the main window carries it.
std::string SkinnedFormLayout()
{
    std::string text;
    {
        TComponent source(nullptr);
        auto* d = new TSkinData(&source);
        d->SetName("SkinData1");
        TMemoryStream package;
        package.LoadFromFile(ORVANE_DEFAULT_SKIN_PACKAGE_PATH);
        d->LoadFromStream(package);
        d->SetActive(true);
        text = WriteLayout(source);
    }
    // Building it registered a component with a manager of its own.
    delete SkinManager;
    return text;
}

// Each test starts and ends without a process-wide manager.
struct Lifecycle : ::testing::Test {
    void SetUp() override { delete SkinManager; }
    void TearDown() override { delete SkinManager; }
};

LRESULT CALLBACK PlainProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(wnd, msg, wParam, lParam);
}

const char* PlainClass()
{
    static const char* name = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = MainInstance();
        wc.lpszClassName = "SklPlain";
        RegisterClassA(&wc);
        return "SklPlain";
    }();
    return name;
}

} // namespace

TEST_F(Lifecycle, LayoutStartsTheManagerAndActiveSwitchesTheSkinAtRunTime)
{
    const std::string text = SkinnedFormLayout();
    ASSERT_EQ(SkinManager, nullptr);

    TForm form(nullptr);
    ReadLayout(form, text);
    auto* data = dynamic_cast<TSkinData*>(form.FindComponent("SkinData1"));
    ASSERT_NE(data, nullptr);
    ASSERT_FALSE(data->NotLoaded) << data->LastDebug;

    // Reading the form creates the manager and enables it, but nothing is
    // taken over before the first activation.
    ASSERT_NE(SkinManager, nullptr);
    TSkinManage& m = *SkinManager;
    EXPECT_NE(m.HookHandle(), nullptr);
    EXPECT_EQ(m.MainData, data);
    EXPECT_TRUE(m.Enabled);
    EXPECT_EQ(m.UseState, 0);
    EXPECT_FALSE(m.ActionTimer().GetEnabled());
    EXPECT_TRUE(m.FormList.empty());
    EXPECT_FALSE(data->SkinControls.Contains(xcMenuItem));
    EXPECT_TRUE(data->SkinControls.Contains(xcSystemMenu));

    form.SetBounds(40, 40, 320, 200);
    form.Show();
    SetForegroundWindow(form.Handle());
    SetActiveWindow(form.Handle());
    ASSERT_TRUE(PumpUntil([&] { return m.FindSkinForm(form.Handle()) != nullptr; }, milliseconds(1000)));
    EXPECT_EQ(m.UseState, 1);

    // A size grip created later in the skinned window is offered to its
    // controls as it comes; having no skinned grip, the engine says so.
    data->LastDebug.clear();
    HWND grip = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | SBS_SIZEGRIP, 0, 0, 16, 16, form.Handle(), nullptr,
                                MainInstance(), nullptr);
    ASSERT_NE(grip, nullptr);
    EXPECT_NE(data->LastDebug.find("TSkinSizer"), std::string::npos) << data->LastDebug;
    DestroyWindow(grip);

    // Off at run time: every frame goes a quarter of a second later.
    data->SetActive(false);
    EXPECT_NE(m.FindSkinForm(form.Handle()), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return m.FindSkinForm(form.Handle()) == nullptr; }, milliseconds(1000)));
    EXPECT_FALSE(m.Enabled);

    // On again: the visible form is taken over without waiting for the user
    // to activate it.
    auto on = Clock::now();
    data->SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return m.FindSkinForm(form.Handle()) != nullptr; }, milliseconds(1500)));
    EXPECT_GE(Clock::now() - on, milliseconds(200));
    EXPECT_TRUE(m.Enabled);

    // A form tagged to stay plain is left alone even while it is activated.
    TForm plain(nullptr);
    plain.Tag = SkinDisableTag;
    plain.SetBounds(60, 60, 200, 120);
    plain.Show();
    SetActiveWindow(plain.Handle());
    Pump(milliseconds(50));
    EXPECT_EQ(m.FindSkinForm(plain.Handle()), nullptr);
}

TEST_F(Lifecycle, SkinThatCannotBeReadLeavesTheManagerDisabled)
{
    TSkinData data(nullptr);
    TMemoryStream garbage;
    garbage.Write("not a skin package at all", 25);
    std::string shown;
    auto previous = TSkinData::ShowSkinMessage;
    TSkinData::ShowSkinMessage = [&](const std::string& text) { shown = text; };
    data.LoadFromStream(garbage);
    TSkinData::ShowSkinMessage = previous;
    EXPECT_TRUE(data.NotLoaded);
    data.SetActive(true);
    EXPECT_FALSE(data.GetActive());
    if (SkinManager) {
        EXPECT_FALSE(SkinManager->ActionTimer().GetEnabled());
    }
}

TEST(SkinSubManager, SharesTheMainManagersStateAndIsDetachedWithIt)
{
    TSkinData data(nullptr);
    data.NotLoaded = false;
    auto main = std::make_unique<TSkinManage>();
    main->AddSkinData(&data);
    main->Enabled = true;
    main->UseState = 1;

    TSkinManage sub(true);
    sub.AssignData(main.get());
    EXPECT_EQ(sub.Parent(), main.get());
    EXPECT_EQ(sub.MainData, &data);
    EXPECT_TRUE(sub.Enabled);
    EXPECT_EQ(sub.UseState, 1);
    ASSERT_EQ(main->SubList.size(), 1u);

    // Skin off on the main manager switches the sub-manager off with it; on
    // again reaches it through its own timer.
    main->ActionData = &data;
    main->SetAction(2, 50);
    ASSERT_TRUE(PumpUntil([&] { return !sub.Enabled; }, milliseconds(1000)));
    int changes = 0;
    data.OnSkinChanged = [&](TObject*) { ++changes; };
    main->ActionData = &data;
    main->SetAction(1, 50);
    ASSERT_TRUE(PumpUntil([&] { return sub.Enabled && changes == 2; }, milliseconds(1500)))
        << "changes " << changes;

    // A module leaving takes the frames of its windows with it.
    HWND mine = CreateWindowExA(0, PlainClass(), "m", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80, nullptr, nullptr,
                                MainInstance(), nullptr);
    ASSERT_TRUE(main->AddForm(mine));
    sub.SubInstance = MainInstance();
    sub.DeleteSub();
    EXPECT_EQ(main->FindSkinForm(mine), nullptr);
    EXPECT_TRUE(main->SubList.empty());

    // The main manager going first leaves its sub-managers detached, not
    // pointing at freed lists.
    sub.AssignData(main.get());
    main.reset();
    EXPECT_EQ(sub.Parent(), nullptr);
    EXPECT_EQ(sub.UseState, 4);
    EXPECT_FALSE(sub.Enabled);
    EXPECT_EQ(sub.MainData, nullptr);
    DestroyWindow(mine);
}

TEST(SkinThreadHook, WindowsOfAnotherThreadFollowTheirOwnRules)
{
    TSkinData data(nullptr);
    data.NotLoaded = false;
    TSkinManage m;
    m.AddSkinData(&data);
    m.InstallHook();
    m.Enabled = true;

    std::atomic<int> step{0};
    std::atomic<HWND> top{nullptr};
    std::atomic<bool> barRefused{false}, plainChildMade{false};
    std::atomic<DWORD> tid{0};
    std::thread worker([&] {
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE); // a queue before the hook is set
        tid = GetCurrentThreadId();
        while (step.load() < 1)
            Sleep(1);
        HWND w = CreateWindowExA(0, PlainClass(), "t", WS_OVERLAPPEDWINDOW, 0, 0, 160, 100, nullptr, nullptr,
                                 MainInstance(), nullptr);
        top = w;
        // Answer the manager's questions while it takes the window over.
        while (step.load() < 2) {
            if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageA(&msg);
            else
                Sleep(1);
        }
        HWND bar = CreateWindowExA(0, "ScrollBar", "", WS_CHILD | SBS_VERT, 0, 0, 16, 60, w, nullptr,
                                   MainInstance(), nullptr);
        barRefused = bar == nullptr;
        plainChildMade = CreateWindowExA(0, PlainClass(), "", WS_CHILD, 0, 0, 10, 10, w, nullptr, MainInstance(),
                                         nullptr) != nullptr;
        DestroyWindow(w);
        step = 3;
    });
    while (!tid.load())
        Sleep(1);
    m.InstallThread(tid);
    m.InstallThread(tid); // a thread is hooked once
    ASSERT_EQ(m.ThreadList.size(), 1u);
    step = 1;
    while (!top.load())
        Sleep(1);
    EXPECT_TRUE(m.AddForm(top));
    step = 2;
    while (step.load() < 3)
        Pump(milliseconds(5));
    worker.join();
    EXPECT_TRUE(barRefused);
    EXPECT_TRUE(plainChildMade);
    // Its destruction released the frame on that thread; the next clean-up
    // frees it.
    EXPECT_EQ(m.FindSkinForm(top), nullptr);
    m.DeleteDeleted();
    EXPECT_TRUE(m.FormList.empty());
    m.DeleteAllThreads();
    EXPECT_TRUE(m.ThreadList.empty());
}
